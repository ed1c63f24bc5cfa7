// The settings file from arbitrary bytes: it is read with keys of every type,
// then one key is written. A write may change that key's line and nothing
// else: every other line of the old file is still there, in order, every
// other key of the section reads as before, and the key reads back as
// written.
//
// Input: a choice byte (section, key and type), a value length byte and the
// value's bytes; the rest is the file.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "FuzzInput.h"
#include "settings/clsCmcProfileIO.h"

namespace {

namespace fs = std::filesystem;

const char* const kSections[] = {"OPTION", "option", " OPTION ", "PORTS", "Other"};
const char* const kKeys[] = {"ComPort", "ComAutoRelease", "comport", " ComPort", "COM1", "Stamp", "Ratio", "Name"};

// A folder of this process's own, made once and removed at exit; in memory
// where the system offers it, since every run writes a file.
const fs::path& Folder() {
  static const fs::path folder = [] {
    std::error_code ec;
    const fs::path base = fs::is_directory("/dev/shm", ec) ? fs::path("/dev/shm") : fs::temp_directory_path();
    fs::path p = base / ("pwr4t-fuzz-settings-" + std::to_string(::getpid()));
    fs::create_directories(p);
    std::atexit([] {
      std::error_code ec;
      fs::remove_all(Folder(), ec);
    });
    return p;
  }();
  return folder;
}

std::string ReadFile(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// The file's text after a UTF-8 byte-order mark, which is not part of its
// first line; a write keeps the mark in front.
constexpr std::string_view kBom = "\xEF\xBB\xBF";
std::string WithoutBom(const std::string& text) { return text.rfind(kBom, 0) == 0 ? text.substr(kBom.size()) : text; }

// Lines as the store splits them: CR LF, LF or CR ends a line.
std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    const size_t pos = text.find_first_of("\r\n", start);
    if (pos == std::string::npos) {
      lines.push_back(text.substr(start));
      break;
    }
    lines.push_back(text.substr(start, pos - start));
    start = pos + ((text[pos] == '\r' && pos + 1 < text.size() && text[pos + 1] == '\n') ? 2 : 1);
  }
  return lines;
}

// True when `old` with at most `skips` (0 or 1) lines left out is a
// subsequence of `now`.
bool KeptInOrder(const std::vector<std::string>& old, const std::vector<std::string>& now, int skips = 1) {
  // Longest prefix of old that is a subsequence of now, and longest suffix
  // likewise; one skipped line is enough when they meet.
  std::vector<size_t> prefixEnd(old.size() + 1, 0);  // position in now after matching old[0..i)
  size_t j = 0, matched = 0;
  for (; matched < old.size(); ++matched) {
    while (j < now.size() && now[j] != old[matched]) ++j;
    if (j == now.size()) break;
    prefixEnd[matched + 1] = ++j;
  }
  if (matched == old.size()) return true;
  if (skips == 0) return false;
  // Skip old[k] for some k <= matched: old[k+1..] must follow prefixEnd[k] in now.
  for (size_t k = 0; k <= matched; ++k) {
    size_t p = prefixEnd[k];
    size_t i = k + 1;
    for (; i < old.size(); ++i) {
      while (p < now.size() && now[p] != old[i]) ++p;
      if (p == now.size()) break;
      ++p;
    }
    if (i == old.size()) return true;
  }
  return false;
}

std::string Trim(const std::string& s) {
  const auto first = s.find_first_not_of(" \t");
  if (first == std::string::npos) return "";
  return s.substr(first, s.find_last_not_of(" \t") - first + 1);
}

std::string Lower(std::string s) {
  for (char& c : s) c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
  return s;
}

// Every key of the section read as text.
std::vector<std::string> ReadAll(const pw::clsCmcProfileIO& prof) {
  std::vector<std::string> values;
  for (const char* key : kKeys) {
    std::string text = "<none>";
    prof.loadData(key, text, std::string());
    values.push_back(text);
  }
  return values;
}

// Whether the key has a line in the section: only a missing key reads as
// whichever default it is given.
bool HasKey(const pw::clsCmcProfileIO& prof, const std::string& key) {
  std::string a = "<init>", b = "<init>";
  prof.loadData(key, a, std::string("\x01missing"));
  prof.loadData(key, b, std::string("\x02missing"));
  return !(a == "\x01missing" && b == "\x02missing");
}

// The key read as one of the other types, so that every conversion runs.
// One per run: every read goes to the file again, and the runs add up.
void ReadAsOtherType(const pw::clsCmcProfileIO& prof, const std::string& key, unsigned type) {
  int16_t i16 = 0;
  int32_t i32 = 0;
  uint8_t u8 = 0;
  float f = 0;
  double d = 0;
  bool b = false;
  pw::ProfileDate date;
  switch (type % 7) {
    case 0:
      prof.loadData(key, i16, int16_t{1});
      break;
    case 1:
      prof.loadData(key, i32, int32_t{0});
      break;
    case 2:
      prof.loadData(key, u8, uint8_t{7});
      break;
    case 3:
      prof.loadData(key, f, 1.5f);
      break;
    case 4:
      prof.loadData(key, d, 2.5);
      break;
    case 5:
      prof.loadData(key, b, true);
      break;
    default:
      prof.loadData(key, date, pw::ProfileDate{2000, 1, 31, 23, 59, 58});
      break;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  pw::fuzz::FuzzInput in(data, size);
  const uint8_t choice = in.Byte();
  const uint8_t lengthByte = in.Byte();
  const std::vector<uint8_t> valueBytes = in.Bytes(lengthByte % 64);
  const std::string value(valueBytes.begin(), valueBytes.end());
  const std::vector<uint8_t> fileBytes = in.Rest();
  const std::string original(fileBytes.begin(), fileBytes.end());

  pw::clsCmcProfileIO prof;
  prof.SetCurrentPath(Folder().string());
  prof.Name = "PWR4TADJ.rs";
  const fs::path file = Folder() / prof.Name;
  {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(original.data(), static_cast<std::streamsize>(original.size()));
  }
  prof.Section = kSections[choice % 5];
  const std::string key = kKeys[(choice / 5) % 8];
  const std::vector<std::string> before = ReadAll(prof);
  const bool hadKey = HasKey(prof, key);
  ReadAsOtherType(prof, key, static_cast<unsigned>(lengthByte >> 6) + 4u * (choice / 120u));

  // Write the key as one of three types; the text as it should read back.
  bool saved = false;
  std::string expected;
  switch ((choice / 40) % 3) {
    case 0: {
      const int32_t n = static_cast<int32_t>(std::strtol(value.c_str(), nullptr, 10));
      saved = prof.saveData(key, n);
      expected = std::to_string(n);
      break;
    }
    case 1:
      saved = prof.saveData(key, value);
      expected = value.substr(0, value.find('\0'));
      expected = Trim(Trim(expected).substr(0, pw::clsCmcProfileIO::kMaxValueLength));
      break;
    default:
      saved = prof.saveData(key, !value.empty() && value[0] != '0');
      expected = (!value.empty() && value[0] != '0') ? "1" : "0";
      break;
  }

  const std::string now = ReadFile(file);
  if (!saved) {
    CHECK(now == original);
  } else {
    // A key that was there is rewritten in place; a new one adds its line
    // (and its section's line when the section was missing too).
    CHECK((original.rfind(kBom, 0) == 0) == (now.rfind(kBom, 0) == 0));
    const std::vector<std::string> oldLines = Lines(WithoutBom(original)), newLines = Lines(WithoutBom(now));
    if (hadKey) {
      CHECK(newLines.size() == oldLines.size());
      CHECK(KeptInOrder(oldLines, newLines));
    } else {
      CHECK(newLines.size() == oldLines.size() + 1 || newLines.size() == oldLines.size() + 2);
      CHECK(KeptInOrder(oldLines, newLines, 0));
    }
    const std::vector<std::string> after = ReadAll(prof);
    for (size_t k = 0; k < before.size(); ++k) {
      if (Lower(Trim(kKeys[k])) != Lower(Trim(key))) CHECK(after[k] == before[k]);
    }
    std::string readBack = "<none>";
    const bool got = prof.loadData(key, readBack, std::string());
    CHECK(got == !expected.empty());
    if (got) CHECK(readBack == expected);
  }
  std::error_code ec;
  fs::remove(file, ec);
  return 0;
}
