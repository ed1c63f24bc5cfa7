// What a guided step tells the technician: the two texts word for word, and
// the figures in them rounded and signed the way a reader expects.
#include "align/GuidedText.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace pw {
namespace {

TEST(GuidedText, TheStepsSayWhatToDo) {
  EXPECT_EQ(GuidedText::SetGenerator(160650000, -110.0),
            "Set the generator to 160.650 MHz, −110.0 dBm, output on, then press Enter");
  EXPECT_EQ(GuidedText::StepUntil("counter", "TXF", GuidedText::MegahertzToHertz(156050000)),
            "Key the transmitter and read the counter; step TXF with Left/Right until it reads 156.050 000 MHz, then "
            "press Enter");
}

TEST(GuidedText, TheMinusSignIsTheTypographicOne) {
  // U+2212 in UTF-8, not the hyphen-minus the C locale writes.
  EXPECT_EQ(GuidedText::Dbm(-110),
            "\xE2\x88\x92"
            "110.0 dBm");
  EXPECT_EQ(GuidedText::Dbm(-110).find('-'), std::string::npos);
}

TEST(GuidedText, FiguresAreRoundedToTheirLastDigit) {
  struct Case {
    std::string got;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {GuidedText::Megahertz(160650000), "160.650 MHz"},
      {GuidedText::Megahertz(156012500), "156.013 MHz"},  // a free channel on the 12.5 kHz raster: half up
      {GuidedText::Megahertz(156012499), "156.012 MHz"},
      {GuidedText::Megahertz(21700000), "021.700 MHz"},
      {GuidedText::MegahertzToHertz(156050000), "156.050 000 MHz"},
      {GuidedText::MegahertzToHertz(156049807), "156.049 807 MHz"},
      {GuidedText::MegahertzToHertz(161000007), "161.000 007 MHz"},
      {GuidedText::Dbm(-20),
       "\xE2\x88\x92"
       "20.0 dBm"},
      {GuidedText::Dbm(-107.25),
       "\xE2\x88\x92"
       "107.3 dBm"},  // halves away from zero
      {GuidedText::Dbm(3), "3.0 dBm"},
      {GuidedText::Dbm(-0.04), "0.0 dBm"},  // nothing left to be negative
      {GuidedText::Dbm(0), "0.0 dBm"},
      {GuidedText::Watts(25), "25.00 W"},
      {GuidedText::Watts(0.125), "0.13 W"},
      {GuidedText::Watts(0.05), "0.05 W"},
      {GuidedText::Kilohertz(3000), "3.00 kHz"},
      {GuidedText::Kilohertz(2895), "2.90 kHz"},
      {GuidedText::Kilohertz(450), "0.45 kHz"},
  };
  for (const Case& c : cases) EXPECT_EQ(c.got, c.expected);
}

}  // namespace
}  // namespace pw
