// The procedures' formulas against hand-computed values: the squelch
// temperature curve, the temperature bands of the reference table and the
// production constants of the shipped "Const.ini".
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "model/ExtParameterFile.h"
#include "support/Bench.h"

namespace pw::test {
namespace {

// The curve's parameters as the image holds them: I, S1..S4 (signed), B1..B3.
struct Curve {
  int initial;
  std::array<int, 4> slant;
  std::array<int, 3> breakPoint;
};

struct CurveCase {
  const char* what;
  Curve curve;
  int16_t code;
  int32_t expected;
  int16_t codeAfter;  // the caller's code once the curve has cut it
};

constexpr Curve kFactory{40, {12, 6, 3, 10}, {64, 128, 192}};

TEST(SqlControlCurve, FollowsItsSegmentsFromTheImage) {
  const std::vector<CurveCase> cases = {
      {"code 0 is the initial value", kFactory, 0, 40, 0},
      {"first segment ends at B1: 64*12/64 + 40", kFactory, 64, 52, 64},
      {"second segment: 36*6/64 + 12 + 40 = 55.375", kFactory, 100, 55, 100},
      {"second segment ends at B2: 64*6/64 + 52", kFactory, 128, 58, 128},
      {"third segment: 45*3/64 + 6 + 52 = 60.11", kFactory, 173, 60, 173},
      {"third segment ends at B3: 3 + 58", kFactory, 192, 61, 192},
      {"fourth segment: 8*10/64 + 61 = 62.25", kFactory, 200, 62, 200},
      {"fourth segment ends at 255: 63*10/64 + 61 = 70.84", kFactory, 255, 71, 255},
      {"a code above 255 is cut to 255", kFactory, 300, 71, 255},
      {"a negative code is cut to 0", kFactory, -5, 40, 0},
      {"negative slope 0xC0 = -64: 5*-64/64 + 100", {100, {-64, 0, 0, 0}, {10, 20, 30}}, 5, 95, 5},
      {"slope byte 0x80 is -128: 1*-128/64 + 100", {100, {-128, 0, 0, 0}, {10, 20, 30}}, 1, 98, 1},
      {"0.5 rounds to 0", {0, {32, 0, 0, 0}, {100, 200, 250}}, 1, 0, 1},
      {"1.5 rounds to 2", {0, {32, 0, 0, 0}, {100, 200, 250}}, 3, 2, 3},
      {"2.5 rounds to 2", {0, {32, 0, 0, 0}, {100, 200, 250}}, 5, 2, 5},
      {"9.5 rounds to 10", {10, {-32, 0, 0, 0}, {100, 200, 250}}, 1, 10, 1},
      {"8.5 rounds to 8", {10, {-32, 0, 0, 0}, {100, 200, 250}}, 3, 8, 3},
      {"B1 = 255: the first segment covers code 255", {0, {64, -64, -64, -64}, {255, 255, 255}}, 255, 255, 255},
      // With break points that do not ascend, a code past B1 can never
      // escape every range: it lands in the last range that holds it.
      {"B1 > B2 > B3, code inside B1", {0, {64, 0, 0, 32}, {100, 50, 30}}, 80, 80, 80},
      {"B1 > B2 > B3, code past B1: 90*32/64 - 20*0 - 50*0 + 100", {0, {64, 0, 0, 32}, {100, 50, 30}}, 120, 145, 120},
      {"B2 < B1 < B3, code past B1: 60*32/64 + 50*0 - 100*0 + 200",
       {0, {64, 0, 0, 32}, {200, 100, 150}},
       210,
       230,
       210},
  };
  Bench b;
  ASSERT_TRUE(b.Start());
  for (const CurveCase& c : cases) {
    b.Image().WriteByte(0xF72, static_cast<uint8_t>(c.curve.initial));
    for (int k = 0; k < 4; ++k) b.Image().WriteByte(0xF74 + k, static_cast<uint8_t>(c.curve.slant[k]));
    for (int k = 0; k < 3; ++k) b.Image().WriteByte(0xF78 + k, static_cast<uint8_t>(c.curve.breakPoint[k]));
    int16_t code = c.code;
    EXPECT_EQ(b.Model().RigOpFunc_SqlControlCurve(code), c.expected) << c.what;
    EXPECT_EQ(code, c.codeAfter) << c.what;
  }
}

TEST(TempIndex, MapsTemperatureCodesToBands) {
  struct Case {
    int16_t code;
    int16_t band;
  };
  const std::vector<Case> cases = {
      {0, 0},    {15, 0},   {16, 1},   {23, 1},   {24, 2},   {47, 4},   {48, 5},   {63, 5},
      {128, 10}, {143, 10}, {208, 15}, {215, 15}, {239, 18}, {240, 19}, {255, 19},
  };
  Bench b;
  ASSERT_TRUE(b.Start());
  for (const Case& c : cases) EXPECT_EQ(b.Model().RigOpFunc_TempIndex(c.code), c.band) << c.code;
}

TEST(RefTableValue, AddsTheOffsetWithoutWrapping) {
  struct Case {
    int16_t entry, base, offset, expected;
  };
  const std::vector<Case> cases = {
      {0, 128, -8, 120},           {19, 100, 9, 109}, {5, 0, -5, -5},
      {7, 100, 32767, 32767},       // saturates rather than wrapping to -32669
      {3, -32512, -32768, -32768},  // saturates rather than wrapping to 256
  };
  Bench b;
  ASSERT_TRUE(b.Start());
  for (const Case& c : cases) {
    b.Model().parameters().refOffset[static_cast<size_t>(c.entry)] = c.offset;
    EXPECT_EQ(b.Model().RigOpFunc_RefTableValue(c.entry, c.base), c.expected) << c.base << " + " << c.offset;
  }
}

TEST(ShippedConstIni, HoldsTheProductionConstants) {
  ExtParameters p;
  ASSERT_TRUE(ReadExtParameterFile(std::string(PW_SOURCE_DIR) + "/Const.ini", p));
  EXPECT_EQ(p.refDefault, 128);
  const std::array<int16_t, 20> offsets{-8, -7, -6, -5, -4, -3, -2, -1, 0, 0, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
  EXPECT_EQ(p.refOffset, offsets);
  EXPECT_EQ(p.bpfStep, 4);
  EXPECT_EQ(p.sqlOffset, (std::array<int16_t, 6>{-4, 4, 0, -6, 6, 0}));
  EXPECT_EQ(p.bpfPreset, (std::array<int16_t, 4>{-20, 5, 30, -40}));
}

}  // namespace
}  // namespace pw::test
