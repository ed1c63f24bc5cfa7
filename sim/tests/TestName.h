// Readable names for table-driven cases, so that a failing row is easy to find.
#pragma once

#include <cctype>
#include <string>
#include <string_view>

inline std::string testName(std::string_view text) {
  std::string name;
  for (char c : text) name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
  return name;
}
