// A running procedure ended from outside: by Enter on another procedure's
// line or by a button. The step goes back to 0, the ATIS line stops writing,
// and a generator that was on is switched off.
#include <functional>

#include "procedures/ProcedureBench.h"
#include "sim/Fault.h"

namespace pw::test {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

TEST(ProcedureInterrupt, AtisEndedBySqlSwitchesTheGeneratorOff) {
  ProcedureBench p;
  ASSERT_TRUE(p.Connect());
  const int16_t atis = p.Model().idxAtis();
  const int16_t sql = p.Model().idxSql();
  p.Enter(atis);
  ASSERT_TRUE(p.RunToStep(proc::Atis1300Set));
  p.Enter(atis);
  ASSERT_TRUE(p.RunToStep(proc::Atis2100Set));
  p.b.Run(300);
  ASSERT_EQ(p.b.radio.atisMode(), 2);

  const size_t mark = p.Mark();
  p.Enter(sql);
  ASSERT_TRUE(p.RunToStep(proc::SqlNoise1));
  p.b.Run(500);
  EXPECT_THAT(E8Traffic(p.b.radio, mark), ElementsAre("> 03 00", "< 03 05"));
  EXPECT_EQ(p.b.radio.atisMode(), 0);
  EXPECT_EQ(p.Line(atis), "      ATIS: [Enter] to Start");
  EXPECT_EQ(p.Line(sql), "       SQL: Input 1st signal and push [Enter]");
  EXPECT_EQ(p.Console().EeAdr(atis), -1);
  EXPECT_EQ(p.Console().E8Command(atis), -1);

  // The 2100 Hz level is no longer the line's: a change goes nowhere.
  const size_t after = p.Mark();
  p.Right(atis);
  p.b.Run(300);
  EXPECT_TRUE(E8Traffic(p.b.radio, after).empty());
  EXPECT_EQ(p.b.Image().ReadByte(0xFE6), 96);
  EXPECT_EQ(p.b.window.beeps, 0);
}

// The ATIS procedure ended after a mode request went out but before the
// radio confirmed it: the generator may be on, so the task switches it off
// and waits for the confirmation, as after a confirmed mode.
struct UnconfirmedCase {
  const char* name;
  bool refuseTheMode;  // the radio answers the mode request with a refusal
  std::function<void(ProcedureBench&)> interrupt;
};

class AtisEndedBeforeConfirmation : public ::testing::TestWithParam<UnconfirmedCase> {};

TEST_P(AtisEndedBeforeConfirmation, StillSwitchesTheGeneratorOff) {
  const UnconfirmedCase& c = GetParam();
  ProcedureBench p;
  ASSERT_TRUE(p.Connect());
  if (c.refuseTheMode) {
    p.b.radio.addFault({sim::FaultKind::AtisNeverConfirmed, sim::FaultTrigger::subCommand(0x03), true, 0});
  }
  const size_t mark = p.Mark();
  p.Enter(p.Model().idxAtis());
  // The 1300 Hz request is on its way; its answer is not in yet.
  ASSERT_TRUE(
      p.b.RunUntil([&] { return p.Model().procStep() == proc::Atis1300 && p.b.app->myObjNbx3Seq.OpRunning(); }, 2000));
  if (c.interrupt) c.interrupt(p);
  p.b.Run(500);
  if (p.Model().RigR4TProp_DispPara()) {
    p.b.app->main.cmd00_Click(2);  // back from the dump: the cycle goes on
  }
  const auto atisOver = [&] {
    return !proc::InAtis(p.Model().procStep()) && !p.Model().flgAtisWait();  // ended, or another procedure runs
  };
  ASSERT_TRUE(p.b.RunUntil(atisOver, 5000));
  p.b.Run(500);
  std::vector<std::string> atisTraffic;
  for (const E8Frame& f : E8Frames(p.b.radio, mark)) {
    if (f.sub == 0x03) atisTraffic.push_back(f.Text());
  }
  EXPECT_THAT(atisTraffic, ElementsAre("> 03 01", c.refuseTheMode ? "< 03 01" : "< 03 05", "> 03 00", "< 03 05"));
  EXPECT_EQ(p.b.radio.atisMode(), 0);
  EXPECT_FALSE(p.Model().flgAtisWait());
  EXPECT_EQ(p.b.window.messages.size(), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Interruptions, AtisEndedBeforeConfirmation,
    ::testing::Values(UnconfirmedCase{"F5", false, [](ProcedureBench& p) { p.b.Key(keys::kF5); }},
                      UnconfirmedCase{"ReloadButton", false, [](ProcedureBench& p) { p.b.app->main.cmd00_Click(1); }},
                      UnconfirmedCase{"DispPara", false, [](ProcedureBench& p) { p.b.app->main.cmd00_Click(2); }},
                      UnconfirmedCase{"EnterOnSql", false, [](ProcedureBench& p) { p.Enter(p.Model().idxSql()); }},
                      UnconfirmedCase{"RadioRefusesTheMode", true, nullptr}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ProcedureInterrupt, SweepEndedByAButtonKeepsTheValueReached) {
  ProcedureBench p;
  ASSERT_TRUE(p.Connect());
  const int16_t t1 = p.Model().idxBpfT1();
  const int16_t t3 = static_cast<int16_t>(t1 + 2);
  p.Enter(t3);
  ASSERT_TRUE(
      p.b.RunUntil([&] { return p.Model().procStep() == proc::BpfSweep && p.Console().Value(t3) >= -60; }, 20000));
  ASSERT_EQ(p.Console().WaitAfterE8(t3), 0);

  p.b.app->main.cmd00_Click(1);  // "Reload(F5)"
  EXPECT_EQ(p.Model().procStep(), proc::None);
  const int16_t reached = p.Console().Value(t3);
  const size_t mark = p.Mark();
  p.b.Run(2000);
  for (const E8Frame& f : E8Frames(p.b.radio, mark)) {
    EXPECT_FALSE(f.toRadio && f.sub == 0x12 && static_cast<int8_t>(f.value) != reached) << f.Text();
    EXPECT_NE(f.sub, 0x03) << "no generator was on";
  }
  EXPECT_EQ(p.Console().Value(t3), reached);
  EXPECT_THAT(p.Line(t3), HasSubstr("[Enter] to Sweep"));
  for (int k = 0; k < 4; ++k) EXPECT_EQ(p.Console().WaitAfterE8(static_cast<int16_t>(t1 + k)), 20) << k;
  EXPECT_EQ(p.b.window.beeps, 0);
}

TEST(ProcedureInterrupt, SqlEndedByTxfWritesNoThreshold) {
  ProcedureBench p;
  ASSERT_TRUE(p.Connect());
  const int16_t sql = p.Model().idxSql();
  const int16_t txf = p.Model().idxTxf();
  const size_t mark = p.Mark();
  p.Enter(sql);
  ASSERT_TRUE(p.RunToStep(proc::SqlNoise1));
  p.Enter(sql);
  ASSERT_TRUE(p.RunToStep(proc::SqlNoise2));

  p.Enter(txf);
  ASSERT_TRUE(p.RunToStep(proc::TxfMeasure));
  p.b.Run(500);
  EXPECT_EQ(p.Line(sql), "       SQL: [Enter] to Start");
  EXPECT_THAT(p.Line(txf), HasSubstr("Setting = 128"));
  for (int j = 0; j < 6; ++j) EXPECT_TRUE(SentValues(p.b.radio, 0x70 + j, mark).empty()) << j;

  // Enter on SQL now starts it afresh, waiting for the first signal.
  p.Enter(sql);
  ASSERT_TRUE(p.RunToStep(proc::SqlNoise1));
  EXPECT_EQ(p.Line(txf), "       TXF: [Enter] to Start");
}

}  // namespace
}  // namespace pw::test
