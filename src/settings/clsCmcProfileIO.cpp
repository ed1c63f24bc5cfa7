#include "settings/clsCmcProfileIO.h"

#include "base/DurableFile.h"
#include "base/TextScan.h"
#include "base/Utf8Path.h"
#include "settings/ProfileLines.h"
#include "settings/ProfileNumbers.h"

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

using profile::CopyEntry;
using profile::Find;
using profile::FloatingToText;
using profile::JoinLines;
using profile::kDefaultNewLine;
using profile::kNone;
using profile::kUtf8Bom;
using profile::Line;

namespace {

// "yyyy.mm.dd-hh:mm:ss"
std::string DateToText(const ProfileDate& d) { return DateText(d, '.') + "-" + ClockText(d); }

// A field of the date text read digit by digit; a character that is not a
// digit counts as a 0 digit.
int DigitsAt(const std::string& text, std::size_t pos, std::size_t count) {
  int value = 0;
  for (std::size_t i = pos; i < pos + count; ++i) {
    value = value * 10 + (IsDigit(text[i]) ? text[i] - '0' : 0);
  }
  return value;
}

bool DateFromText(const std::string& text, ProfileDate& date) {
  if (text.size() != 19) return false;
  ProfileDate d;
  d.year = DigitsAt(text, 0, 4);
  d.month = DigitsAt(text, 5, 2);
  d.day = DigitsAt(text, 8, 2);
  d.hour = DigitsAt(text, 11, 2);
  d.minute = DigitsAt(text, 14, 2);
  d.second = DigitsAt(text, 17, 2);
  if (!IsRealDate(d)) return false;
  date = d;
  return true;
}

}  // namespace
using profile::LineTexts;
using profile::LoadInteger;
using profile::Location;
using profile::ParseFloating;
using profile::SplitLines;
using profile::WithoutBom;

namespace {

using FileState = DurableFile::ReadState;

FileState ReadWholeFile(const fs::path& path, std::string& content) {
  return DurableFile::Read(path, content, clsCmcProfileIO::kMaxFileSize);
}

std::string Trim(std::string_view text) { return std::string(TrimBlanks(text)); }

bool Contains(std::string_view text, std::string_view chars) {
  return text.find_first_of(chars) != std::string_view::npos;
}

}  // namespace

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
  return Trim(StripTerminator(CopyEntry(text, kMaxValueLength)));
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
  // A value in matching quotes would lose them when read ("x" reads as x).
  const std::string bare = Trim(text);
  if (bare.size() >= 2 && (bare.front() == '"' || bare.front() == '\'') && bare.back() == bare.front()) return false;

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
  if (!IsRealDate(value)) return false;
  return WriteText(key, DateToText(value));
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
  const std::string defaultText = IsRealDate(defaultValue) ? DateToText(defaultValue) : std::string();
  const std::string text = ReadText(key, defaultText);
  return !text.empty() && DateFromText(text, variable);
}

}  // namespace pw
