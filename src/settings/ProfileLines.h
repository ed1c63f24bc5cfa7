// The settings file as the profile functions see it: lines, each with its
// own line end so that a save gives back every other byte as it was;
// sections and keys found without regard to case; the value as the
// Windows profile reader hands it over.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace pw::profile {

// What a new line of a file that has no line end yet ends with; the file
// kind comes from a platform whose files end their lines this way.
inline constexpr std::string_view kDefaultNewLine = "\r\n";

// A line's text and its line end ("\r\n", "\n", "\r", or none for a last
// line without one): joining the lines gives back the file byte for byte.
struct Line {
  std::string text;
  std::string eol;
};

std::vector<Line> SplitLines(std::string_view content);
// The lines' texts only, as views into content: a read needs no copies.
std::vector<std::string_view> LineTexts(std::string_view content);
std::vector<std::string_view> LineTexts(const std::vector<Line>& lines);
std::string JoinLines(const std::vector<Line>& lines);

inline constexpr std::size_t kNone = static_cast<std::size_t>(-1);

// Where a key is, by line number (kNone: not there).
struct Location {
  std::size_t section = kNone;  // header line of the first matching section
  std::size_t key = kNone;      // first matching key line inside it
  std::size_t lastKey = kNone;  // last key line of that section
  std::string value;            // the matching key's value
};

Location Find(const std::vector<std::string_view>& lines, const std::string& section, const std::string& key);

// An editor may save the file with a UTF-8 byte-order mark in front. It is
// not part of the first line (which would then not read as a section), and
// a save puts it back where it was.
inline constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
std::string_view WithoutBom(std::string_view content);

// The value as the Windows profile reader hands it over in a buffer of
// maxLength + 1 characters: one pair of matching quotes (" or ') around it
// is removed, so a hand-written ComPort="3" is COM 3. The closing quote only
// goes when it fitted into the buffer, as it does there.
std::string CopyEntry(std::string_view value, std::size_t maxLength);

// Section and key names compare without regard to case; only ASCII letters fold.
bool EqualsNoCase(std::string_view a, std::string_view b);

}  // namespace pw::profile
