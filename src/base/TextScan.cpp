#include "base/TextScan.h"

namespace pw {

bool IsDecimalNumber(std::string_view text, std::string_view exponentMarks) {
  std::size_t i = 0;
  const std::size_t n = text.size();
  const auto skipDigits = [&] {
    const std::size_t from = i;
    while (i < n && IsDigit(text[i])) ++i;
    return i - from;
  };
  const auto skipSign = [&] {
    if (i < n && (text[i] == '+' || text[i] == '-')) ++i;
  };
  skipSign();
  std::size_t mantissaDigits = skipDigits();
  if (i < n && text[i] == '.') {
    ++i;
    mantissaDigits += skipDigits();
  }
  if (mantissaDigits == 0) return false;
  if (i < n && exponentMarks.find(text[i]) != std::string_view::npos) {
    ++i;
    skipSign();
    if (skipDigits() == 0) return false;
  }
  return i == n;
}

}  // namespace pw
