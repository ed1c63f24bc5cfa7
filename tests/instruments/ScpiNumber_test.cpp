#include "instruments/ScpiNumber.h"

#include <gtest/gtest.h>

namespace pw {
namespace {

struct NumberCase {
  const char* answer;
  ScpiNumberResult result;
  double value;
};

class ScpiNumberTest : public ::testing::TestWithParam<NumberCase> {};

TEST_P(ScpiNumberTest, ReadsEveryFormAndRefusesTheRest) {
  const NumberCase& c = GetParam();
  double value = -123;
  EXPECT_EQ(ParseScpiNumber(c.answer, value), c.result) << c.answer;
  if (c.result == ScpiNumberResult::Ok) {
    EXPECT_DOUBLE_EQ(value, c.value) << c.answer;
  } else {
    EXPECT_EQ(value, -123) << "a refused answer leaves the value alone: " << c.answer;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Forms, ScpiNumberTest,
    ::testing::Values(
        NumberCase{"1.568E+08", ScpiNumberResult::Ok, 1.568e8}, NumberCase{"+25.1", ScpiNumberResult::Ok, 25.1},
        NumberCase{"-3", ScpiNumberResult::Ok, -3}, NumberCase{".5", ScpiNumberResult::Ok, 0.5},
        NumberCase{"5.", ScpiNumberResult::Ok, 5}, NumberCase{"1e-3", ScpiNumberResult::Ok, 0.001},
        NumberCase{" +1.0E3 ", ScpiNumberResult::Ok, 1000},
        NumberCase{"156800000,0.5", ScpiNumberResult::Ok, 156800000}, NumberCase{"#H1F", ScpiNumberResult::Ok, 31},
        NumberCase{"#q17", ScpiNumberResult::Ok, 15}, NumberCase{"#B1010", ScpiNumberResult::Ok, 10},
        NumberCase{"9.9E37", ScpiNumberResult::NoReading, 0}, NumberCase{"9.91E+37", ScpiNumberResult::NoReading, 0},
        NumberCase{"-9.9E37", ScpiNumberResult::NoReading, 0}, NumberCase{"1E400", ScpiNumberResult::NoReading, 0},
        NumberCase{"9.8E37", ScpiNumberResult::Ok, 9.8e37}, NumberCase{"", ScpiNumberResult::NotANumber, 0},
        NumberCase{"inf", ScpiNumberResult::NotANumber, 0}, NumberCase{"nan", ScpiNumberResult::NotANumber, 0},
        NumberCase{"1,5", ScpiNumberResult::Ok, 1}, NumberCase{"1.2.3", ScpiNumberResult::NotANumber, 0},
        NumberCase{"E5", ScpiNumberResult::NotANumber, 0}, NumberCase{"1E", ScpiNumberResult::NotANumber, 0},
        NumberCase{"#H", ScpiNumberResult::NotANumber, 0}, NumberCase{"#HZZ", ScpiNumberResult::NotANumber, 0},
        NumberCase{"12 W", ScpiNumberResult::NotANumber, 0}));

}  // namespace
}  // namespace pw
