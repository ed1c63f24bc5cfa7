#include "base/Common.h"

#include <gtest/gtest.h>

namespace pw {
namespace {

TEST(HexStrToByteStr, ParsesPairsAndSkipsBlanks) {
  const struct {
    const char* hex;
    ByteStr bytes;
  } cases[] = {
      {"", {}},
      {"F", {}},  // a single trailing digit is ignored
      {" ", {}},
      {"FE FE 00 E0", {0xFE, 0xFE, 0x00, 0xE0}},
      {"FEFE00E0", {0xFE, 0xFE, 0x00, 0xE0}},
      {"fe", {0xFE}},
      {"ZZ", {0x00}},  // a pair without hex digits gives 0
      {"5Z", {0x05}},  // digits are read up to the first non-digit
      {"ABC", {0xAB}},
  };
  for (const auto& c : cases) EXPECT_EQ(HexStrToByteStr(c.hex), c.bytes) << '"' << c.hex << '"';
}

TEST(ByteStrToHexStr, TwoUpperCaseDigitsPerByte) {
  EXPECT_EQ(ByteStrToHexStr({0x00, 0x0A, 0xFF}), "000AFF");
  EXPECT_EQ(ByteStrToHexStr({}), "");
}

TEST(ByteStrHexToInt, ReadsUpToFourDigitsAsSigned16) {
  const struct {
    const char* text;
    int16_t value;
  } cases[] = {
      {"3F", 63},     {"FFFF", -1}, {"8000", -32768}, {"7F", 127},
      {"0A", 10},     {"", 0},      {"12345", 0},  // five digits cannot be meant and are refused
      {"1G", 1},                                   // stops at the first non-digit
      {" 1 2", 0x12},
  };
  for (const auto& c : cases) EXPECT_EQ(ByteStrHexToInt(StrToByteStr(c.text)), c.value) << c.text;
}

TEST(AsciiHex, ValuesTravelAsTheirDigitCharacters) {
  EXPECT_EQ(ByteToAsciiHexStr(0x3F), "3346");
  EXPECT_EQ(ByteToAsciiHexStr(0x00), "3030");
  EXPECT_EQ(ByteToAsciiHexStr(0xA5), "4135");
  EXPECT_EQ(ByteToHex2(5), "05");
  EXPECT_EQ(ByteToHex2(0xAB), "AB");
  EXPECT_EQ(ByteToHex2(0x1FF), "FF");
  EXPECT_EQ(ByteToHex2(-1), "FF");
}

TEST(StrExpandNewLine, ReplacesBackslashNOnly) {
  EXPECT_EQ(StrExpandNewLine("a\\nb"), "a\r\nb");
  EXPECT_EQ(StrExpandNewLine("plain"), "plain");
  EXPECT_EQ(StrExpandNewLine("end\\"), "end\\");
  EXPECT_EQ(StrExpandNewLine("\\x\\n"), "\\x\r\n");
}

TEST(IsNumericText, AcceptsDecimalNumbersAsTheIdentityCheckNeeds) {
  EXPECT_TRUE(IsNumericText("23200001"));
  EXPECT_TRUE(IsNumericText("2320E001"));  // reads as an exponent
  EXPECT_FALSE(IsNumericText("2320A001"));
  EXPECT_FALSE(IsNumericText(""));
  EXPECT_FALSE(IsNumericText("E5"));
}

}  // namespace
}  // namespace pw
