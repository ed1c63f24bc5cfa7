#include "model/ExtParameterFile.h"

#include <charconv>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <limits>
#include <string_view>
#include <system_error>
#include <vector>

#include "base/Common.h"
#include "base/ProgramTitle.h"
#include "base/TextScan.h"
#include "base/Utf8Path.h"

namespace pw {

namespace {

constexpr int kLineCount = 33;
constexpr std::size_t kMaxLineLength = 64 * 1024;
// Exponents beyond this leave a double's range whatever the mantissa is.
constexpr int64_t kExponentLimit = 1'000'000'000;

bool IsSkipped(char c) { return c == ' ' || c == '\t' || c == '\n'; }

// One line without its line end; false at the end of the input when no
// character is left. Characters past kMaxLineLength are read and dropped.
bool ReadLine(std::streambuf& sb, std::string& line) {
  using Traits = std::streambuf::traits_type;
  line.clear();
  bool any = false;
  for (;;) {
    const Traits::int_type ch = sb.sbumpc();
    if (Traits::eq_int_type(ch, Traits::eof())) return any;
    any = true;
    const char c = Traits::to_char_type(ch);
    if (c == '\n') return true;
    if (c == '\r') {
      if (Traits::eq_int_type(sb.sgetc(), Traits::to_int_type('\n'))) sb.sbumpc();
      return true;
    }
    if (line.size() < kMaxLineLength) line.push_back(c);
  }
}

// "&H..." and "&O...": the value of the digits, taken as a 16-bit or 32-bit
// two's-complement number by its size, the way such literals have always
// been read.
double RadixValue(const std::string& s, std::size_t i, unsigned radix) {
  uint64_t value = 0;
  bool tooLarge = false;
  for (; i < s.size(); ++i) {
    int digit = -1;
    const char c = s[i];
    if (c >= '0' && c <= '9')
      digit = c - '0';
    else if (c >= 'A' && c <= 'F')
      digit = c - 'A' + 10;
    else if (c >= 'a' && c <= 'f')
      digit = c - 'a' + 10;
    if (digit < 0 || static_cast<unsigned>(digit) >= radix) break;
    value = value * radix + static_cast<unsigned>(digit);
    if (value > 0xFFFFFFFFu) {
      tooLarge = true;
      value = 0x100000000u;  // keeps the arithmetic bounded while skipping the rest
    }
  }
  if (tooLarge) return std::numeric_limits<double>::infinity();
  if (value <= 0xFFFFu) return static_cast<int16_t>(static_cast<uint16_t>(value));
  return static_cast<int32_t>(static_cast<uint32_t>(value));
}

}  // namespace

double ValLike(const std::string& text) {
  std::string s;
  s.reserve(text.size());
  for (char c : text) {
    if (!IsSkipped(c)) s.push_back(c);
  }

  std::size_t i = 0;
  const std::size_t n = s.size();
  if (n >= 2 && s[0] == '&') {
    if (s[1] == 'H' || s[1] == 'h') return RadixValue(s, 2, 16);
    if (s[1] == 'O' || s[1] == 'o') return RadixValue(s, 2, 8);
    return 0.0;
  }

  bool negative = false;
  if (i < n && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';

  // The mantissa goes to the conversion unchanged; the exponent is parsed
  // here so that any number of its digits stays bounded.
  std::string mantissa;
  const std::size_t intStart = i;
  while (i < n && IsDigit(s[i])) ++i;
  const std::size_t intEnd = i;
  std::size_t fracStart = i;
  std::size_t fracEnd = i;
  if (i < n && s[i] == '.') {
    fracStart = ++i;
    while (i < n && IsDigit(s[i])) ++i;
    fracEnd = i;
  }
  if (intEnd == intStart && fracEnd == fracStart) return 0.0;
  if (intEnd > intStart) {
    mantissa.append(s, intStart, intEnd - intStart);
  } else {
    mantissa.push_back('0');
  }
  if (fracEnd > fracStart) {
    mantissa.push_back('.');
    mantissa.append(s, fracStart, fracEnd - fracStart);
  }

  int64_t exponent = 0;
  if (i < n && (s[i] == 'E' || s[i] == 'e' || s[i] == 'D' || s[i] == 'd')) {
    std::size_t j = i + 1;
    bool expNegative = false;
    if (j < n && (s[j] == '+' || s[j] == '-')) expNegative = s[j++] == '-';
    if (j < n && IsDigit(s[j])) {  // an exponent mark without digits is not part of the number
      for (; j < n && IsDigit(s[j]); ++j) {
        if (exponent < kExponentLimit) exponent = exponent * 10 + (s[j] - '0');
      }
      if (exponent > kExponentLimit) exponent = kExponentLimit;
      if (expNegative) exponent = -exponent;
    }
  }

  const std::string number = mantissa + "e" + std::to_string(exponent);
  double value = 0.0;
  const auto result = std::from_chars(number.data(), number.data() + number.size(), value);
  if (result.ec == std::errc::result_out_of_range) {
    // Too large or too small: find which from where the first significant
    // digit stands relative to the decimal point.
    int64_t magnitude = 0;
    std::size_t k = intStart;
    while (k < intEnd && s[k] == '0') ++k;
    if (k < intEnd) {
      magnitude = static_cast<int64_t>(intEnd - k);
    } else {
      std::size_t z = fracStart;
      while (z < fracEnd && s[z] == '0') ++z;
      magnitude = -static_cast<int64_t>(z - fracStart);
    }
    value = (magnitude + exponent > 0) ? std::numeric_limits<double>::infinity() : 0.0;
  } else if (result.ec != std::errc()) {
    value = 0.0;
  }
  return negative ? -value : value;
}

bool RoundToInt16(double value, int16_t& out) {
  if (!std::isfinite(value)) return false;
  if (value < -32769.0 || value > 32768.0) return false;
  const double floorValue = std::floor(value);
  const double fraction = value - floorValue;
  double rounded = floorValue;
  if (fraction > 0.5) {
    rounded = floorValue + 1.0;
  } else if (fraction == 0.5 && std::fmod(floorValue, 2.0) != 0.0) {
    rounded = floorValue + 1.0;
  }
  if (rounded < -32768.0 || rounded > 32767.0) return false;
  out = static_cast<int16_t>(rounded);
  return true;
}

bool ReadExtParameters(std::istream& in, ExtParameters& out) {
  try {
    std::streambuf* sb = in.rdbuf();
    if (sb == nullptr) return false;
    std::string line;

    if (!ReadLine(*sb, line)) return false;
    // Editors that save UTF-8 may put a byte order mark in front of the title.
    static constexpr std::string_view kBom = "\xEF\xBB\xBF";
    if (std::string_view(line).substr(0, kBom.size()) == kBom) line.erase(0, kBom.size());
    if (TrimBlanks(line) != TrimBlanks(kProgramTitle)) return false;

    std::vector<int16_t*> fields;
    fields.reserve(kLineCount - 1);
    fields.push_back(&out.refDefault);
    for (int16_t& v : out.refOffset) fields.push_back(&v);
    fields.push_back(&out.bpfStep);
    for (int16_t& v : out.sqlOffset) fields.push_back(&v);
    for (int16_t& v : out.bpfPreset) fields.push_back(&v);

    for (int16_t* field : fields) {
      if (!ReadLine(*sb, line)) return false;
      if (!RoundToInt16(ValLike(line), *field)) return false;
    }
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

bool ReadExtParameterFile(const std::string& path, ExtParameters& out) {
  try {
    // Only a regular file: a device or pipe under that name could block or
    // never end.
    std::error_code ec;
    const std::filesystem::path file = PathFromUtf8(path);
    if (!std::filesystem::is_regular_file(file, ec)) return false;
    std::ifstream in(file, std::ios::binary);
    if (!in) return false;
    return ReadExtParameters(in, out);
  } catch (const std::exception&) {
    return false;
  }
}

}  // namespace pw
