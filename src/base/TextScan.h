// The few character tests, the trimming and the number test that the
// readers of the settings file, of "Const.ini" and of the radio's frames
// share. ASCII only: what a text means never depends on the user's locale.
#pragma once

#include <string>
#include <string_view>

namespace pw {

inline bool IsBlank(char c) { return c == ' ' || c == '\t'; }
inline bool IsDigit(char c) { return c >= '0' && c <= '9'; }
inline char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }
inline std::string LowerAscii(std::string text) {
  for (char& c : text) c = LowerAscii(c);
  return text;
}

// Without the blanks (spaces and tabs) at either end.
inline std::string_view TrimBlanks(std::string_view text) {
  std::size_t begin = 0;
  std::size_t end = text.size();
  while (begin < end && IsBlank(text[begin])) ++begin;
  while (end > begin && IsBlank(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}

// "[sign] digits [. digits] [mark [sign] digits]" with at least one digit
// before the exponent, which is marked by one of exponentMarks.
bool IsDecimalNumber(std::string_view text, std::string_view exponentMarks);

}  // namespace pw
