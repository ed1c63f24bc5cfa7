// Conversions between hex text, byte strings and ASCII-hex numbers, shared by
// every layer that builds or reads frames.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace pw {

using ByteStr = std::vector<uint8_t>;

std::string StrExpandNewLine(std::string text);
ByteStr StrToByteStr(const std::string& text);
// Up to four hex digits as a 16-bit two's-complement value; more digits are
// refused with 0 because no caller can mean them.
int16_t ByteStrHexToInt(const ByteStr& bytes);
ByteStr HexStrToByteStr(const std::string& hex);
std::string ByteStrToHexStr(const ByteStr& bytes);
std::string ByteToAsciiHexStr(int v);
std::string ByteToHex2(int v);

// Helpers the conversions are made of; also used where frames are judged.
bool IsHexDigit(char c);
int HexDigitValue(char c);  // -1 for a character that is not a hex digit
// True when the text reads as a decimal number (with optional point and
// exponent), the way the radio's binary-coded names always do.
bool IsNumericText(const std::string& text);

}  // namespace pw
