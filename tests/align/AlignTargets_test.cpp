// The [TARGETS] section: every key to its target, the defaults, the numbers
// that are refused by key, and which steps the targets let run.
#include "align/AlignTargets.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace pw {
namespace {

using Section = std::map<std::string, std::string>;
using Why = AlignTargets::Refusal::Why;

// Every key, each with a value no other key has, in the forms a hand-edited
// file holds: signs, exponents, blanks, any case of the key.
const Section kEveryKey = {
    {"Channel", " INT 06 "},
    {"BpfLevelDbm", "-110"},
    {"sqlfirstdbm", "-118.5"},
    {"SQLSECONDDBM", "-1.15E+2"},
    {" TxfToleranceHz ", "120"},
    {"PowerHiW", "+24.5"},
    {"PowerLoW", "0.9"},
    {"PowerElW", "0.25"},
    {"PowerTolerancePct", "5"},
    {"PowerLimitW", "28"},
    {"ModDeviationHz", "3000"},
    {"ModToleranceHz", "150"},
    {"AudioHz", "1250"},
    {"AudioLevelMv", "45.5"},
    {"Atis1300DeviationHz", "2900"},
    {"Atis2100DeviationHz", "3100"},
    {"AtisJapanDeviationHz", "3200"},
    {"AtisToleranceHz", "200"},
    {"MaxJump", "6"},
};

TEST(AlignTargets, EveryKeyReachesItsTarget) {
  const AlignTargetsReading r = ReadAlignTargets(kEveryKey);
  ASSERT_EQ(r.badKey, "");
  const AlignTargets& t = r.targets;
  EXPECT_EQ(t.channel, "INT 06");
  EXPECT_EQ(t.bpfLevelDbm, -110);
  EXPECT_EQ(t.sqlFirstDbm, -118.5);
  EXPECT_EQ(t.sqlSecondDbm, -115);
  EXPECT_EQ(t.txfToleranceHz, 120);
  EXPECT_EQ(t.powerHiW, 24.5);
  EXPECT_EQ(t.powerLoW, 0.9);
  EXPECT_EQ(t.powerElW, 0.25);
  EXPECT_EQ(t.powerTolerancePct, 5);
  EXPECT_EQ(t.PowerLimit(), 28);
  EXPECT_EQ(t.modDeviationHz, 3000);
  EXPECT_EQ(t.modToleranceHz, 150);
  EXPECT_EQ(t.audioHz, 1250);
  EXPECT_EQ(t.audioLevelMv, 45.5);
  EXPECT_EQ(t.atis1300DeviationHz, 2900);
  EXPECT_EQ(t.atis2100DeviationHz, 3100);
  EXPECT_EQ(t.atisJapanDeviationHz, 3200);
  EXPECT_EQ(t.atisToleranceHz, 200);
  EXPECT_EQ(t.maxJump, 6);
}

TEST(AlignTargets, WhatIsNotGivenHasItsDefaultOrNone) {
  // An empty value counts as not given, as a key without one does.
  const AlignTargetsReading r = ReadAlignTargets({{"TxfToleranceHz", ""}, {"PowerHiW", "  "}, {"Channel", ""}});
  ASSERT_EQ(r.badKey, "");
  const AlignTargets& t = r.targets;
  EXPECT_EQ(t.channel, "");
  EXPECT_EQ(t.txfToleranceHz, 150);
  EXPECT_EQ(t.audioHz, 1000);
  EXPECT_EQ(t.maxJump, 8);
  EXPECT_FALSE(t.powerHiW.has_value());
  EXPECT_FALSE(t.PowerLimit().has_value());
  EXPECT_FALSE(t.bpfLevelDbm.has_value());
  EXPECT_FALSE(t.atisToleranceHz.has_value());

  // Without PowerLimitW the limit follows the high power.
  EXPECT_DOUBLE_EQ(*ReadAlignTargets({{"PowerHiW", "20"}}).targets.PowerLimit(), 24.0);
}

TEST(AlignTargets, ABadNumberNamesItsKey) {
  struct Case {
    const char* key;
    const char* value;
  };
  const std::vector<Case> cases = {
      {"PowerHiW", "25,0"},  // a decimal comma is not the C locale's
      {"PowerHiW", "abc"},        {"PowerHiW", "25 W"},     {"PowerHiW", "nan"}, {"PowerHiW", "inf"},
      {"PowerHiW", "1e999"},      {"PowerHiW", "0"},  // a power, a frequency or a tolerance is above zero
      {"TxfToleranceHz", "-150"}, {"AtisToleranceHz", "0"}, {"AudioHz", "0"},    {"BpfLevelDbm", "-110 dBm"},
      {"MaxJump", "0"},  // a whole number of counts from 1 to 255
      {"MaxJump", "8.5"},         {"MaxJump", "256"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.key) + "=" + c.value);
    const AlignTargetsReading r = ReadAlignTargets({{c.key, c.value}, {"PowerLoW", "1"}});
    EXPECT_EQ(r.badKey, c.key);
    EXPECT_EQ(r.targets.powerLoW, 1);  // the good keys are still read
  }
  // Levels may be negative, and a count may be the largest one.
  EXPECT_EQ(ReadAlignTargets({{"SqlFirstDbm", "-120"}, {"MaxJump", "255"}}).badKey, "");
  // Of two bad keys, the first in the order the keys are described.
  EXPECT_EQ(ReadAlignTargets({{"AudioHz", "x"}, {"PowerElW", "x"}}).badKey, "PowerElW");
}

TEST(AlignTargets, AStepRunsOnlyWithTheTargetsItNeeds) {
  const Section power = {{"PowerHiW", "25"}, {"PowerLoW", "1"}, {"PowerElW", "0.2"}, {"PowerTolerancePct", "5"}};
  const auto with = [](Section s, const std::string& key, const std::string& value) {
    s[key] = value;
    return s;
  };
  struct Case {
    const char* what;
    AlignStep step;
    bool japanese;
    Section section;
    Why why;
    std::vector<std::string> keys;
  };
  const std::vector<Case> cases = {
      {"txf needs nothing", AlignStep::Txf, false, {}, Why::None, {}},
      {"bpf without its level", AlignStep::Bpf, false, {}, Why::MissingTargets, {"BpfLevelDbm"}},
      {"bpf with it", AlignStep::Bpf, false, {{"BpfLevelDbm", "-100"}}, Why::None, {}},
      {"sql with the first signal only",
       AlignStep::Sql,
       false,
       {{"SqlFirstDbm", "-120"}},
       Why::MissingTargets,
       {"SqlSecondDbm"}},
      {"sql with both", AlignStep::Sql, false, {{"SqlFirstDbm", "-120"}, {"SqlSecondDbm", "-110"}}, Why::None, {}},
      {"power with nothing",
       AlignStep::Power,
       false,
       {{"PowerLimitW", "30"}},
       Why::MissingTargets,
       {"PowerHiW", "PowerLoW", "PowerElW", "PowerTolerancePct"}},
      {"power at the marine limits", AlignStep::Power, false, power, Why::None, {}},
      {"power high above 25 W",
       AlignStep::Power,
       false,
       with(power, "PowerHiW", "25.01"),
       Why::AboveMarineLimit,
       {"PowerHiW"}},
      {"power low above 1 W",
       AlignStep::Power,
       false,
       with(power, "PowerLoW", "1.01"),
       Why::AboveMarineLimit,
       {"PowerLoW"}},
      {"power missing a key and too high: the missing key first",
       AlignStep::Power,
       false,
       {{"PowerHiW", "30"}, {"PowerLoW", "1"}, {"PowerElW", "0.2"}},
       Why::MissingTargets,
       {"PowerTolerancePct"}},
      {"mod without the tone's level",
       AlignStep::Mod,
       false,
       {{"ModDeviationHz", "3000"}, {"ModToleranceHz", "100"}},
       Why::MissingTargets,
       {"AudioLevelMv"}},
      {"mod with all",
       AlignStep::Mod,
       false,
       {{"ModDeviationHz", "3000"}, {"ModToleranceHz", "100"}, {"AudioLevelMv", "50"}},
       Why::None,
       {}},
      {"atis on a radio for other markets needs both tones",
       AlignStep::Atis,
       false,
       {{"AtisJapanDeviationHz", "3000"}, {"AtisToleranceHz", "100"}},
       Why::MissingTargets,
       {"Atis1300DeviationHz", "Atis2100DeviationHz"}},
      {"atis on a radio for Japan needs the combined level only",
       AlignStep::Atis,
       true,
       {{"AtisJapanDeviationHz", "3000"}, {"AtisToleranceHz", "100"}},
       Why::None,
       {}},
      {"atis on a radio for Japan without it",
       AlignStep::Atis,
       true,
       {{"Atis1300DeviationHz", "3000"}, {"Atis2100DeviationHz", "3000"}},
       Why::MissingTargets,
       {"AtisJapanDeviationHz", "AtisToleranceHz"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const AlignTargetsReading r = ReadAlignTargets(c.section);
    ASSERT_EQ(r.badKey, "");
    const AlignTargets::Refusal refusal = r.targets.RefusalOf(c.step, c.japanese);
    EXPECT_EQ(refusal.why, c.why);
    EXPECT_EQ(refusal.keys, c.keys);
  }
}

TEST(AlignStep, EachStepIsFoundByItsName) {
  for (AlignStep step : kAlignPlan) EXPECT_EQ(AlignStepNamed(AlignStepName(step)), step);
  EXPECT_EQ(AlignStepName(AlignStep::Power), "power");
  EXPECT_FALSE(AlignStepNamed("power-hi").has_value());
  EXPECT_FALSE(AlignStepNamed("TXF").has_value());
}

}  // namespace
}  // namespace pw
