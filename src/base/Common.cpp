#include "base/Common.h"

#include "base/TextScan.h"

namespace pw {

std::string StrExpandNewLine(std::string text) {
  for (size_t i = 0; i + 1 < text.size(); ++i) {
    if (text[i] == '\\' && text[i + 1] == 'n') {
      text[i] = '\r';
      text[i + 1] = '\n';
    }
  }
  return text;
}

ByteStr StrToByteStr(const std::string& text) { return ByteStr(text.begin(), text.end()); }

bool IsHexDigit(char c) { return HexDigitValue(c) >= 0; }

int HexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

int16_t ByteStrHexToInt(const ByteStr& bytes) {
  uint32_t value = 0;
  int digits = 0;
  for (uint8_t b : bytes) {
    const char c = static_cast<char>(b);
    if (c == ' ') continue;
    const int d = HexDigitValue(c);
    if (d < 0) break;
    if (++digits > 4) return 0;
    value = (value << 4) | static_cast<uint32_t>(d);
  }
  return static_cast<int16_t>(static_cast<uint16_t>(value));
}

ByteStr HexStrToByteStr(const std::string& hex) {
  ByteStr out;
  size_t i = 0;
  while (hex.size() - i >= 2) {
    if (hex[i] == ' ') {
      ++i;
      continue;
    }
    // A pair is read like a number: digits from the left until the first
    // non-digit, so "5x" gives 5 and a pair without digits gives 0.
    const int hi = HexDigitValue(hex[i]);
    const int lo = HexDigitValue(hex[i + 1]);
    int value = 0;
    if (hi >= 0) value = (lo >= 0) ? hi * 16 + lo : hi;
    out.push_back(static_cast<uint8_t>(value));
    i += 2;
  }
  return out;
}

std::string ByteStrToHexStr(const ByteStr& bytes) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(bytes.size() * 2);
  for (uint8_t b : bytes) {
    out.push_back(kDigits[b >> 4]);
    out.push_back(kDigits[b & 0x0F]);
  }
  return out;
}

std::string ByteToHex2(int v) { return ByteStrToHexStr(ByteStr{static_cast<uint8_t>(v & 0xFF)}); }

std::string ByteToAsciiHexStr(int v) { return ByteStrToHexStr(StrToByteStr(ByteToHex2(v))); }

bool IsNumericText(const std::string& text) {
  std::string_view t = text;
  while (!t.empty() && t.front() == ' ') t.remove_prefix(1);
  while (!t.empty() && t.back() == ' ') t.remove_suffix(1);
  // D marks an exponent too, as in the numeric parse this stands in for.
  return IsDecimalNumber(t, "EeDd");
}

}  // namespace pw
