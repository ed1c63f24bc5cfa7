#include "instruments/ScpiNumber.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <string_view>

namespace pw {
namespace {

constexpr double kNoReading = 9.9e37;

std::string_view Trim(std::string_view text) {
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) text.remove_prefix(1);
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.remove_suffix(1);
  return text;
}

bool ParseBased(std::string_view text, double& value) {
  int base = 0;
  switch (std::toupper(static_cast<unsigned char>(text[1]))) {
    case 'H':
      base = 16;
      break;
    case 'Q':
      base = 8;
      break;
    case 'B':
      base = 2;
      break;
    default:
      return false;
  }
  const std::string_view digits = text.substr(2);
  uint64_t number = 0;
  const auto result = std::from_chars(digits.data(), digits.data() + digits.size(), number, base);
  if (digits.empty() || result.ec != std::errc() || result.ptr != digits.data() + digits.size()) return false;
  value = static_cast<double>(number);
  return true;
}

// "[sign] [digits] [. [digits]] [E [sign] digits]" with at least one mantissa
// digit: from_chars alone would take "inf" and "nan" as well.
bool IsDecimal(std::string_view text) {
  std::size_t i = 0;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  std::size_t digits = 0;
  while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) ++i, ++digits;
  if (i < text.size() && text[i] == '.') {
    ++i;
    while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) ++i, ++digits;
  }
  if (digits == 0) return false;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    std::size_t exponent = 0;
    while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) ++i, ++exponent;
    if (exponent == 0) return false;
  }
  return i == text.size();
}

}  // namespace

ScpiNumberResult ParseScpiNumber(const std::string& answer, double& value) {
  std::string_view text = answer;
  const auto comma = text.find(',');
  if (comma != std::string_view::npos) text = text.substr(0, comma);
  text = Trim(text);
  double parsed = 0;
  if (text.size() > 2 && text[0] == '#') {
    if (!ParseBased(text, parsed)) return ScpiNumberResult::NotANumber;
  } else {
    if (!IsDecimal(text)) return ScpiNumberResult::NotANumber;
    // from_chars reads in the C locale whatever the user's, but takes no '+'.
    if (text.front() == '+') text.remove_prefix(1);
    const auto result = std::from_chars(text.data(), text.data() + text.size(), parsed);
    if (result.ec == std::errc::result_out_of_range) return ScpiNumberResult::NoReading;
    if (result.ec != std::errc() || result.ptr != text.data() + text.size()) return ScpiNumberResult::NotANumber;
  }
  if (!std::isfinite(parsed) || std::fabs(parsed) >= kNoReading) return ScpiNumberResult::NoReading;
  value = parsed;
  return ScpiNumberResult::Ok;
}

}  // namespace pw
