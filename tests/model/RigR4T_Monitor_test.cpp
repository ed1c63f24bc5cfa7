// The monitor readings: the exact text of every kind of row, how an answer
// is judged, and the ATIS status check.
#include <gtest/gtest.h>

#include <string>

#include "support/Bench.h"
#include "support/ModelAccess.h"
#include "support/WireLog.h"

namespace pw::test {
namespace {

enum class Family { Ad, Da, Sql };

struct RowCase {
  Family family;
  int16_t index;
  int16_t value;
  const char* expected;
};

class MonitorRow : public ::testing::TestWithParam<RowCase> {};

TEST_P(MonitorRow, RowShowsTheValueInDecimalHexAndItsScale) {
  const RowCase& c = GetParam();
  std::string line;
  switch (c.family) {
    case Family::Ad:
      line = clsIndOp_RigR4T::AdLine(c.index, c.value);
      break;
    case Family::Da:
      line = clsIndOp_RigR4T::DaLine(c.index, c.value);
      break;
    case Family::Sql:
      line = clsIndOp_RigR4T::SqlCalcedLine(c.index, c.value);
      break;
  }
  EXPECT_EQ(line, c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, MonitorRow,
    ::testing::Values(
        // Voltages: v * 4.3 / 255, two decimals, right-aligned in 7.
        RowCase{Family::Ad, 0, 123, "MKEY :123:7Bh:  2.07V"}, RowCase{Family::Ad, 0, 246, "MKEY :246:F6h:  4.15V"},
        RowCase{Family::Ad, 1, 5, "SW A :  5:05h:  0.08V"}, RowCase{Family::Ad, 2, 0, "SW B :  0:00h:  0.00V"},
        RowCase{Family::Ad, 3, 255, "LVIN :255:FFh:  4.30V"}, RowCase{Family::Ad, 5, 128, "SQLV :128:80h:  2.16V"},
        RowCase{Family::Ad, 6, 1, "TXDET:  1:01h:  0.02V"}, RowCase{Family::Ad, 7, 220, "SD   :220:DCh:  3.71V"},
        RowCase{Family::Ad, 8, 58, "NOIS : 58:3Ah:  0.98V"}, RowCase{Family::Ad, 9, 64, "BTYPE: 64:40h:  1.08V"},
        // The battery divider has a 13.76 V full scale.
        RowCase{Family::Ad, 10, 255, "BATT :255:FFh: 13.76V"}, RowCase{Family::Ad, 10, 137, "BATT :137:89h:  7.39V"},
        // Thermistor, B = 4550 K: two decimals and 'C, right-aligned in 8.
        RowCase{Family::Ad, 4, 128, "TEMPS:128:80h: 11.08'C"}, RowCase{Family::Ad, 4, 81, "TEMPS: 81:51h: -2.00'C"},
        RowCase{Family::Ad, 4, 173, "TEMPS:173:ADh: 24.83'C"}, RowCase{Family::Ad, 4, 1, "TEMPS:  1:01h:-62.04'C"},
        RowCase{Family::Ad, 4, 254, "TEMPS:254:FEh:161.07'C"}, RowCase{Family::Ad, 4, 0, "TEMPS:  0:00h:*Error"},
        RowCase{Family::Ad, 4, 255, "TEMPS:255:FFh:*Error"}, RowCase{Family::Da, 0, 130, "FRQCON:130:82h:  2.19V"},
        RowCase{Family::Da, 1, 150, "POWCON:150:96h:  2.53V"}, RowCase{Family::Da, 5, 95, "T4    : 95:5Fh:  1.60V"},
        RowCase{Family::Sql, 0, 104, "OPEN :104"}, RowCase{Family::Sql, 1, 45, "CLOSE: 45"},
        RowCase{Family::Sql, 1, 7, "CLOSE:  7"}));

TEST(MonitorRequest, AdSubCommandsSkip0x97) {
  const uint8_t expected[11] = {0x90, 0x91, 0x92, 0x93, 0x94, 0x95, 0x96, 0x98, 0x99, 0x9A, 0x9B};
  for (int16_t i = 0; i < 11; ++i) EXPECT_EQ(clsIndOp_RigR4T::AdSubCommand(i), expected[i]) << i;
}

// ---- Judging an answer -----------------------------------------------------------

struct AnswerCase {
  const char* name;
  ByteStr answer;
  bool bad;
  int16_t value;  // only when good
};

class MonitorAnswer : public ::testing::TestWithParam<AnswerCase> {};

TEST_P(MonitorAnswer, AnswerMustBeSevenBytesOfIdentitySubCommandAndTwoHexDigits) {
  const AnswerCase& c = GetParam();
  Bench b;
  ASSERT_TRUE(b.Start());
  ModelAccess::SetRadioId(b.Model(), {0x23, 0x20, 0x00, 0x01});
  EXPECT_EQ(b.Model().RigOpFunc_AnswerIsBad(c.answer), c.bad);
  if (!c.bad) {
    EXPECT_EQ(b.Model().RigOpFunc_AnswerValue(c.answer), c.value);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Answers, MonitorAnswer,
    ::testing::Values(AnswerCase{"Good", {0x23, 0x20, 0x00, 0x01, 0x90, '7', 'B'}, false, 123},
                      AnswerCase{"LowerCaseDigits", {0x23, 0x20, 0x00, 0x01, 0x90, 'f', 'f'}, false, 255},
                      AnswerCase{"Zero", {0x23, 0x20, 0x00, 0x01, 0x94, '0', '0'}, false, 0},
                      AnswerCase{"EightBytes", {0x23, 0x20, 0x00, 0x01, 0x90, '7', 'B', '0'}, true, 0},
                      AnswerCase{"SixBytes", {0x23, 0x20, 0x00, 0x01, 0x90, '7'}, true, 0},
                      AnswerCase{"Empty", {}, true, 0},
                      AnswerCase{"OtherModel", {0x23, 0x21, 0x00, 0x01, 0x90, '7', 'B'}, true, 0},
                      AnswerCase{"OtherSubName", {0x23, 0x20, 0x00, 0x02, 0x90, '7', 'B'}, true, 0},
                      AnswerCase{"IdentityShifted", {0x00, 0x23, 0x20, 0x00, 0x01, '7', 'B'}, true, 0},
                      AnswerCase{"NotHex", {0x23, 0x20, 0x00, 0x01, 0x90, 'G', 'Z'}, true, 0},
                      AnswerCase{"OneDigitNotHex", {0x23, 0x20, 0x00, 0x01, 0x90, '7', ' '}, true, 0}),
    [](const ::testing::TestParamInfo<AnswerCase>& info) { return std::string(info.param.name); });

// ---- ATIS status --------------------------------------------------------------------

class MonitorAtisStatus : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(b.Start());
    ASSERT_TRUE(b.ConnectAndSettle());
  }

  // Requests the mode, lets the radio answer, then judges the answer.
  bool RequestAndJudge(int16_t mode) {
    const size_t mark = b.radio.frameLog().size();
    EXPECT_FALSE(b.Model().RigOpFunc_AtisStatus(mode));
    const auto sent = SentE8Texts(b.radio, mark);
    EXPECT_EQ(sent, std::vector<std::string>{"0330" + std::to_string(30 + mode)});
    EXPECT_TRUE(b.RunUntil([&] { return !b.app->myObjNbx3Seq.OpRunning(); }, 5000));
    return b.Model().RigOpFunc_AtisStatus(-1);
  }

  Bench b;
};

TEST_F(MonitorAtisStatus, ConfirmedToneSetsActiveAndConfirmedOffClearsIt) {
  EXPECT_TRUE(RequestAndJudge(2));
  EXPECT_TRUE(b.Model().flgAtisActive());
  EXPECT_EQ(b.radio.atisMode(), 2);
  EXPECT_TRUE(RequestAndJudge(0));
  EXPECT_FALSE(b.Model().flgAtisActive());
}

TEST_F(MonitorAtisStatus, RefusedOrBadAnswerChangesNothing) {
  ASSERT_TRUE(RequestAndJudge(1));
  b.radio.addFault({sim::FaultKind::AtisNeverConfirmed, sim::FaultTrigger::subCommand(0x03)});
  EXPECT_FALSE(RequestAndJudge(0));
  EXPECT_TRUE(b.Model().flgAtisActive());
  b.radio.clearFaults();
  b.radio.addFault({sim::FaultKind::MalformedValue, sim::FaultTrigger::subCommand(0x03)});
  EXPECT_FALSE(RequestAndJudge(0));
  EXPECT_TRUE(b.Model().flgAtisActive());
  EXPECT_FALSE(b.Model().flgCommError());
  EXPECT_TRUE(b.window.messages.empty());
}

}  // namespace
}  // namespace pw::test
