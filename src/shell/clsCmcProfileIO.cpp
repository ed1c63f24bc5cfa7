#include "shell/clsCmcProfileIO.h"

#include "shell/DurableFile.h"
#include "shell/Utf8Path.h"

#include <array>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <limits>
#include <string_view>
#include <system_error>
#include <vector>

namespace pw {

namespace fs = std::filesystem;

namespace {

// What a new line of a file that has no line end yet ends with; the file
// kind comes from a platform whose files end their lines this way.
constexpr std::string_view kDefaultNewLine = "\r\n";

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

std::string_view TrimView(std::string_view text) {
  std::size_t begin = 0;
  std::size_t end = text.size();
  while (begin < end && IsBlank(text[begin])) ++begin;
  while (end > begin && IsBlank(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}

std::string Trim(std::string_view text) { return std::string(TrimView(text)); }

// Names compare without regard to case, and only ASCII letters fold, so the
// result never depends on the user's locale.
char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
  }
  return true;
}

bool Contains(std::string_view text, std::string_view chars) {
  return text.find_first_of(chars) != std::string_view::npos;
}

// ---------------------------------------------------------------------------
// The file as lines. Each line keeps its own line end ("\r\n", "\n", "\r" or
// none for a last line without one), so joining the lines gives back the
// file byte for byte.

struct Line {
  std::string text;
  std::string eol;
};

// Calls visit(text, eol) for each line of content, in order.
template <class Visit>
void ForEachLine(std::string_view content, Visit visit) {
  std::size_t start = 0;
  const std::size_t n = content.size();
  while (start < n) {
    const std::size_t pos = content.find_first_of("\r\n", start);
    if (pos == std::string_view::npos) {
      visit(content.substr(start), std::string_view());
      break;
    }
    const std::size_t eolLen = (content[pos] == '\r' && pos + 1 < n && content[pos + 1] == '\n') ? 2 : 1;
    visit(content.substr(start, pos - start), content.substr(pos, eolLen));
    start = pos + eolLen;
  }
}

std::vector<Line> SplitLines(std::string_view content) {
  std::vector<Line> lines;
  ForEachLine(content, [&](std::string_view text, std::string_view eol) {
    lines.push_back({std::string(text), std::string(eol)});
  });
  return lines;
}

// The lines' texts only, as views into content: a read needs no copies.
std::vector<std::string_view> LineTexts(std::string_view content) {
  std::vector<std::string_view> texts;
  ForEachLine(content, [&](std::string_view text, std::string_view) { texts.push_back(text); });
  return texts;
}

std::vector<std::string_view> LineTexts(const std::vector<Line>& lines) {
  std::vector<std::string_view> texts;
  texts.reserve(lines.size());
  for (const Line& line : lines) texts.push_back(line.text);
  return texts;
}

std::string JoinLines(const std::vector<Line>& lines) {
  std::string out;
  for (const Line& line : lines) {
    out += line.text;
    out += line.eol;
  }
  return out;
}

enum class LineKind { Other, Section, Key };

// Views into the line's text.
struct ParsedLine {
  LineKind kind = LineKind::Other;
  std::string_view name;   // section or key name, trimmed
  std::string_view value;  // key's value, trimmed
};

ParsedLine ParseLine(std::string_view text) {
  ParsedLine parsed;
  std::size_t i = 0;
  while (i < text.size() && IsBlank(text[i])) ++i;
  if (i == text.size()) return parsed;
  if (text[i] == '[') {
    // Anything that opens with a bracket starts a section, even without its
    // closing bracket, so junk lines can never be read as keys of the
    // section before them.
    std::size_t close = text.find(']', i + 1);
    if (close == std::string_view::npos) close = text.size();
    parsed.kind = LineKind::Section;
    parsed.name = TrimView(text.substr(i + 1, close - i - 1));
    return parsed;
  }
  if (text[i] == ';') return parsed;  // comment
  const std::size_t eq = text.find('=', i);
  if (eq == std::string_view::npos) return parsed;
  parsed.kind = LineKind::Key;
  parsed.name = TrimView(text.substr(i, eq - i));
  parsed.value = TrimView(text.substr(eq + 1));
  return parsed;
}

constexpr std::size_t kNone = static_cast<std::size_t>(-1);

struct Location {
  std::size_t section = kNone;  // header line of the first matching section
  std::size_t key = kNone;      // first matching key line inside it
  std::size_t lastKey = kNone;  // last key line of that section
  std::string value;            // the matching key's value
};

Location Find(const std::vector<std::string_view>& lines, const std::string& section, const std::string& key) {
  Location loc;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const ParsedLine parsed = ParseLine(lines[i]);
    if (parsed.kind == LineKind::Section) {
      if (loc.section != kNone) break;  // the section ended
      if (EqualsNoCase(parsed.name, section)) loc.section = i;
    } else if (parsed.kind == LineKind::Key && loc.section != kNone) {
      loc.lastKey = i;
      if (loc.key == kNone && EqualsNoCase(parsed.name, key)) {
        loc.key = i;
        loc.value = std::string(parsed.value);
      }
    }
  }
  return loc;
}

// An editor may save the file with a UTF-8 byte-order mark in front. It is
// not part of the first line (which would then not read as a section), and
// a save puts it back where it was.
constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

std::string_view WithoutBom(std::string_view content) {
  if (content.substr(0, kUtf8Bom.size()) == kUtf8Bom) content.remove_prefix(kUtf8Bom.size());
  return content;
}

// The value as the Windows profile reader hands it over in a buffer of
// kMaxValueLength + 1 characters: one pair of matching quotes (" or ')
// around it is removed, so a hand-written ComPort="3" is COM 3. The closing
// quote only goes when it fitted into the buffer, as it does there.
std::string CopyEntry(std::string_view value) {
  constexpr std::size_t kMax = clsCmcProfileIO::kMaxValueLength;
  const bool quoted =
      value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front();
  if (!quoted) return std::string(value.substr(0, kMax));
  const std::string_view inner = value.substr(1);  // still ends with the closing quote
  if (inner.size() <= kMax + 1) {
    const std::string_view copied = inner.substr(0, kMax);
    return std::string(copied.substr(0, copied.size() - 1));
  }
  return std::string(inner.substr(0, kMax));
}

// ---------------------------------------------------------------------------
// File access

enum class FileState { Ok, Missing, Unusable };

FileState ReadWholeFile(const fs::path& path, std::string& content) {
  content.clear();
  std::error_code ec;
  const fs::file_status st = fs::status(path, ec);
  if (st.type() == fs::file_type::not_found) return FileState::Missing;
  if (st.type() != fs::file_type::regular) return FileState::Unusable;
  const std::uintmax_t size = fs::file_size(path, ec);
  if (ec || size > clsCmcProfileIO::kMaxFileSize) return FileState::Unusable;

  std::ifstream in(path, std::ios::binary);
  if (!in) return FileState::Unusable;
  std::array<char, 65536> chunk;  // only the bytes read are used: no need to clear it
  while (in) {
    in.read(chunk.data(), static_cast<std::streamsize>(chunk.size()));
    const std::streamsize got = in.gcount();
    if (got <= 0) break;
    content.append(chunk.data(), static_cast<std::size_t>(got));
    if (content.size() > clsCmcProfileIO::kMaxFileSize) return FileState::Unusable;  // it grew
  }
  if (in.bad()) return FileState::Unusable;
  return FileState::Ok;
}

// ---------------------------------------------------------------------------
// Numbers

// Parses "[sign] digits [. digits]" and rounds halves to even. The rounding
// works on the digits themselves so that large values never pass through a
// floating-point type.
bool ParseRoundedInteger(const std::string& text, int64_t minValue, int64_t maxValue, int64_t& out) {
  std::size_t i = 0;
  const std::size_t n = text.size();
  bool negative = false;
  if (i < n && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  // Beyond this the value is out of range for every type we convert to.
  constexpr uint64_t kCap = uint64_t{1} << 40;
  uint64_t magnitude = 0;
  std::size_t digits = 0;
  while (i < n && IsDigit(text[i])) {
    magnitude = magnitude * 10 + static_cast<uint64_t>(text[i] - '0');
    if (magnitude > kCap) magnitude = kCap + 1;
    ++i;
    ++digits;
  }
  bool roundUp = false;
  if (i < n && text[i] == '.') {
    ++i;
    const std::size_t fracStart = i;
    while (i < n && IsDigit(text[i])) ++i;
    digits += i - fracStart;
    if (i > fracStart) {
      const char first = text[fracStart];
      bool restNonZero = false;
      for (std::size_t k = fracStart + 1; k < i; ++k) restNonZero = restNonZero || text[k] != '0';
      roundUp = first > '5' || (first == '5' && (restNonZero || (magnitude % 2) == 1));
    }
  }
  if (i != n || digits == 0) return false;
  if (roundUp) ++magnitude;
  if (magnitude > kCap) return false;
  const int64_t value = negative ? -static_cast<int64_t>(magnitude) : static_cast<int64_t>(magnitude);
  if (value < minValue || value > maxValue) return false;
  out = value;
  return true;
}

// "[sign] digits [. digits] [e|E [sign] digits]", at least one mantissa digit.
bool IsFloatingText(const std::string& text) {
  std::size_t i = 0;
  const std::size_t n = text.size();
  if (i < n && (text[i] == '+' || text[i] == '-')) ++i;
  std::size_t digits = 0;
  for (; i < n && IsDigit(text[i]); ++i) ++digits;
  if (i < n && text[i] == '.') {
    ++i;
    for (; i < n && IsDigit(text[i]); ++i) ++digits;
  }
  if (digits == 0) return false;
  if (i < n && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    if (i < n && (text[i] == '+' || text[i] == '-')) ++i;
    std::size_t expDigits = 0;
    for (; i < n && IsDigit(text[i]); ++i) ++expDigits;
    if (expDigits == 0) return false;
  }
  return i == n;
}

template <typename T>
bool ParseFloating(const std::string& text, T& out) {
  if (!IsFloatingText(text)) return false;
  // The conversion of <charconv> ignores the locale (a user's decimal comma
  // must not change what the file means) but takes no leading '+'.
  const char* first = text.data();
  const char* last = text.data() + text.size();
  if (*first == '+') ++first;
  T value{};
  const auto result = std::from_chars(first, last, value);
  if (result.ec != std::errc() || result.ptr != last || !std::isfinite(value)) return false;
  out = value;
  return true;
}

template <typename T>
std::string FloatingToText(T value) {
  std::array<char, 64> buf{};
  const auto result = std::to_chars(buf.data(), buf.data() + buf.size(), value);
  if (result.ec != std::errc()) return std::string();
  return std::string(buf.data(), result.ptr);
}

template <typename T>
bool LoadInteger(const std::string& text, T& variable) {
  int64_t value = 0;
  if (!ParseRoundedInteger(text, std::numeric_limits<T>::min(), std::numeric_limits<T>::max(), value)) {
    return false;
  }
  variable = static_cast<T>(value);
  return true;
}

// ---------------------------------------------------------------------------
// Dates

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
  static constexpr std::array<int, 12> kDays{31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month == 2 && IsLeapYear(year)) return 29;
  return kDays[static_cast<std::size_t>(month - 1)];
}

std::string Padded(int value, std::size_t width) {
  std::string digits = std::to_string(value);
  if (digits.size() < width) digits.insert(0, width - digits.size(), '0');
  return digits;
}

// A field of the date text read digit by digit; a character that is not a
// digit counts as a 0 digit.
int DigitsAt(const std::string& text, std::size_t pos, std::size_t count) {
  int value = 0;
  for (std::size_t i = pos; i < pos + count; ++i) {
    value = value * 10 + (IsDigit(text[i]) ? text[i] - '0' : 0);
  }
  return value;
}

}  // namespace

// ---------------------------------------------------------------------------

std::string ProfileDateToText(const ProfileDate& d) {
  return Padded(d.year, 4) + "." + Padded(d.month, 2) + "." + Padded(d.day, 2) + "-" + Padded(d.hour, 2) + ":" +
         Padded(d.minute, 2) + ":" + Padded(d.second, 2);
}

bool IsValidProfileDate(const ProfileDate& d) {
  if (d.year < 0 || d.year > 9999 || d.month < 1 || d.month > 12) return false;
  if (d.day < 1 || d.day > DaysInMonth(d.year, d.month)) return false;
  return d.hour >= 0 && d.hour <= 23 && d.minute >= 0 && d.minute <= 59 && d.second >= 0 && d.second <= 59;
}

bool ProfileDateFromText(const std::string& text, ProfileDate& date) {
  if (text.size() != 19) return false;
  ProfileDate d;
  d.year = DigitsAt(text, 0, 4);
  d.month = DigitsAt(text, 5, 2);
  d.day = DigitsAt(text, 8, 2);
  d.hour = DigitsAt(text, 11, 2);
  d.minute = DigitsAt(text, 14, 2);
  d.second = DigitsAt(text, 17, 2);
  if (!IsValidProfileDate(d)) return false;
  date = d;
  return true;
}

void clsCmcProfileIO::SetCurrentPath(const std::string& programFolder) {
  Path = programFolder;
  if (Path.empty()) return;
  const char last = Path.back();
  if (last != '/' && last != '\\') Path += static_cast<char>(fs::path::preferred_separator);
}

std::string clsCmcProfileIO::StripTerminator(const std::string& text) {
  const std::size_t nul = text.find('\0');
  return nul == std::string::npos ? text : text.substr(0, nul);
}

std::string clsCmcProfileIO::ReadText(const std::string& key, const std::string& defaultText) const {
  std::string text = defaultText;
  try {
    const std::string section = Trim(Section);
    const std::string keyName = Trim(key);
    std::string content;
    if (!section.empty() && !keyName.empty() && ReadContent(content)) {
      Location loc = Find(LineTexts(WithoutBom(content)), section, keyName);
      if (loc.key != kNone) text = std::move(loc.value);
    }
  } catch (const std::exception&) {
    // An unreadable file reads like a missing one.
  }
  return Trim(StripTerminator(CopyEntry(text)));
}

bool clsCmcProfileIO::ReadContent(std::string& content) const {
  FileState state = ReadWholeFile(PathFromUtf8(GetMyProfile()), content);
  if (state == FileState::Missing && !SeedFile.empty()) state = ReadWholeFile(PathFromUtf8(SeedFile), content);
  return state == FileState::Ok;
}

bool clsCmcProfileIO::WriteText(const std::string& key, const std::string& rawText) {
  const std::string section = Trim(Section);
  const std::string keyName = Trim(key);
  const std::string text = StripTerminator(rawText);
  // Names and values that would read back as something else are refused,
  // so a write can never change the structure of the file.
  if (section.empty() || Contains(section, std::string_view("]\r\n\0", 4))) return false;
  if (keyName.empty() || Contains(keyName, std::string_view("=\r\n\0", 4)) || keyName[0] == '[' || keyName[0] == ';') {
    return false;
  }
  if (Contains(text, "\r\n")) return false;

  try {
    fs::path target = PathFromUtf8(GetMyProfile());
    std::error_code ec;
    // Write through a link to the file it names instead of replacing the link.
    if (fs::is_symlink(fs::symlink_status(target, ec))) {
      fs::path resolved = fs::canonical(target, ec);
      if (!ec) target = resolved;
    }

    std::string content;
    const FileState state = ReadWholeFile(target, content);
    if (state == FileState::Unusable) return false;
    // The first save of a new file starts from the defaults it was read
    // from, so nothing of them is lost by saving.
    if (state == FileState::Missing && !SeedFile.empty() &&
        ReadWholeFile(PathFromUtf8(SeedFile), content) != FileState::Ok) {
      content.clear();
    }
    const std::string bom(content.size() != WithoutBom(content).size() ? kUtf8Bom : std::string_view());
    content.erase(0, bom.size());
    fs::perms perms = fs::perms::none;
    if (state == FileState::Ok) {
      perms = fs::status(target, ec).permissions();
      if (ec) return false;
      // A file the user made read-only stays as it is.
      if ((perms & fs::perms::owner_write) == fs::perms::none) return false;
    }

    std::vector<Line> lines = SplitLines(content);
    std::string newLine(kDefaultNewLine);
    for (const Line& line : lines) {
      if (!line.eol.empty()) {
        newLine = line.eol;
        break;
      }
    }
    const std::string keyLine = keyName + "=" + text;

    const Location loc = Find(LineTexts(lines), section, keyName);
    if (loc.key != kNone) {
      lines[loc.key].text = keyLine;
    } else if (loc.section != kNone) {
      const std::size_t after = loc.lastKey != kNone ? loc.lastKey : loc.section;
      if (lines[after].eol.empty()) lines[after].eol = newLine;  // it was the unterminated last line
      // The new line ends as the line before it does. With the file's first
      // line end instead, a lone CR here could meet an empty LF line that
      // follows and the two would read as one CR LF: that line would vanish.
      lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(after) + 1, Line{keyLine, lines[after].eol});
    } else {
      if (!lines.empty() && lines.back().eol.empty()) lines.back().eol = newLine;
      lines.push_back(Line{"[" + section + "]", newLine});
      lines.push_back(Line{keyLine, newLine});
    }

    return DurableFile::Replace(target, bom + JoinLines(lines), state == FileState::Ok ? &perms : nullptr);
  } catch (const std::exception&) {
    return false;
  }
}

// ---------------------------------------------------------------------------
// saveData

bool clsCmcProfileIO::saveData(const std::string& key, int16_t value) { return WriteText(key, std::to_string(value)); }

bool clsCmcProfileIO::saveData(const std::string& key, int32_t value) { return WriteText(key, std::to_string(value)); }

bool clsCmcProfileIO::saveData(const std::string& key, float value) {
  if (!std::isfinite(value)) return false;
  return WriteText(key, FloatingToText(value));
}

bool clsCmcProfileIO::saveData(const std::string& key, double value) {
  if (!std::isfinite(value)) return false;
  return WriteText(key, FloatingToText(value));
}

bool clsCmcProfileIO::saveData(const std::string& key, uint8_t value) {
  return WriteText(key, std::to_string(static_cast<unsigned>(value)));
}

bool clsCmcProfileIO::saveData(const std::string& key, bool value) { return WriteText(key, value ? "1" : "0"); }

bool clsCmcProfileIO::saveData(const std::string& key, const std::string& value) { return WriteText(key, value); }

bool clsCmcProfileIO::saveData(const std::string& key, const char* value) {
  return WriteText(key, value != nullptr ? std::string(value) : std::string());
}

bool clsCmcProfileIO::saveData(const std::string& key, const ProfileDate& value) {
  if (!IsValidProfileDate(value)) return false;
  return WriteText(key, ProfileDateToText(value));
}

// ---------------------------------------------------------------------------
// loadData

bool clsCmcProfileIO::loadData(const std::string& key, int16_t& variable, int16_t defaultValue) const {
  const std::string text = ReadText(key, std::to_string(defaultValue));
  return !text.empty() && LoadInteger(text, variable);
}

bool clsCmcProfileIO::loadData(const std::string& key, int32_t& variable, int32_t defaultValue) const {
  const std::string text = ReadText(key, std::to_string(defaultValue));
  return !text.empty() && LoadInteger(text, variable);
}

bool clsCmcProfileIO::loadData(const std::string& key, uint8_t& variable, uint8_t defaultValue) const {
  const std::string text = ReadText(key, std::to_string(static_cast<unsigned>(defaultValue)));
  return !text.empty() && LoadInteger(text, variable);
}

bool clsCmcProfileIO::loadData(const std::string& key, float& variable, float defaultValue) const {
  const std::string text = ReadText(key, FloatingToText(defaultValue));
  return !text.empty() && ParseFloating(text, variable);
}

bool clsCmcProfileIO::loadData(const std::string& key, double& variable, double defaultValue) const {
  const std::string text = ReadText(key, FloatingToText(defaultValue));
  return !text.empty() && ParseFloating(text, variable);
}

bool clsCmcProfileIO::loadData(const std::string& key, bool& variable, bool defaultValue) const {
  const std::string text = ReadText(key, defaultValue ? "1" : "0");
  if (text.empty()) return false;
  variable = text != "0";
  return true;
}

bool clsCmcProfileIO::loadData(const std::string& key, std::string& variable, const std::string& defaultValue) const {
  std::string text = ReadText(key, defaultValue);
  if (text.empty()) return false;
  variable = std::move(text);
  return true;
}

bool clsCmcProfileIO::loadData(const std::string& key, ProfileDate& variable, const ProfileDate& defaultValue) const {
  // An impossible default has no text; it must not read as some other date.
  const std::string defaultText = IsValidProfileDate(defaultValue) ? ProfileDateToText(defaultValue) : std::string();
  const std::string text = ReadText(key, defaultText);
  return !text.empty() && ProfileDateFromText(text, variable);
}

}  // namespace pw
