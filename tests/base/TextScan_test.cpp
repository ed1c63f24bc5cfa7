#include "base/TextScan.h"

#include <gtest/gtest.h>

namespace pw {
namespace {

// The one decimal-number test behind the settings file's floating values
// (exponent e or E) and the radio names' numeric check (D as well).
TEST(IsDecimalNumber, SignDigitsPointAndAnExponentOfTheGivenMarks) {
  const struct {
    const char* text;
    const char* marks;
    bool number;
  } cases[] = {
      {"-1.5E-3", "eE", true}, {"+7", "eE", true},    {".5", "eE", true},     {"5.", "eE", true},
      {"1d5", "eE", false},    {"1d5", "EeDd", true}, {"1e", "eE", false},    {"1e+", "eE", false},
      {"e5", "eE", false},     {".", "eE", false},    {"+", "eE", false},     {"", "eE", false},
      {" 1", "eE", false},     {"1 ", "eE", false},   {"1.2.3", "eE", false}, {"0x10", "eE", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(IsDecimalNumber(c.text, c.marks), c.number) << "'" << c.text << "' with " << c.marks;
  }
}

}  // namespace
}  // namespace pw
