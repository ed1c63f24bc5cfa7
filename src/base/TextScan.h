// The few character tests and the trimming that the readers of the
// settings file and of "Const.ini" share. ASCII only: what a file means
// never depends on the user's locale.
#pragma once

#include <string_view>

namespace pw {

inline bool IsBlank(char c) { return c == ' ' || c == '\t'; }
inline bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Without the blanks (spaces and tabs) at either end.
inline std::string_view TrimBlanks(std::string_view text) {
  std::size_t begin = 0;
  std::size_t end = text.size();
  while (begin < end && IsBlank(text[begin])) ++begin;
  while (end > begin && IsBlank(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}

}  // namespace pw
