// A running procedure ended from outside: by Enter on another procedure's
// line or by a button. The step goes back to 0, the ATIS line stops writing,
// and a generator that was on is switched off.
#include "procedures/ProcedureBench.h"

namespace pw::test {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

TEST(ProcedureInterrupt, AtisEndedBySqlSwitchesTheGeneratorOff) {
  ProcedureBench p;
  ASSERT_TRUE(p.Connect());
  const int16_t atis = p.Model().idxAtis;
  const int16_t sql = p.Model().idxSql;
  p.Enter(atis);
  ASSERT_TRUE(p.RunToStep(3));
  p.Enter(atis);
  ASSERT_TRUE(p.RunToStep(5));
  p.b.Run(300);
  ASSERT_EQ(p.b.radio.atisMode(), 2);

  const size_t mark = p.Mark();
  p.Enter(sql);
  ASSERT_TRUE(p.RunToStep(17));
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

TEST(ProcedureInterrupt, SweepEndedByAButtonKeepsTheValueReached) {
  ProcedureBench p;
  ASSERT_TRUE(p.Connect());
  const int16_t t1 = p.Model().idxBpfT1;
  const int16_t t3 = static_cast<int16_t>(t1 + 2);
  p.Enter(t3);
  ASSERT_TRUE(p.b.RunUntil([&] { return p.Model().procStep == 25 && p.Console().Value(t3) >= -60; }, 20000));
  ASSERT_EQ(p.Console().WaitAfterE8(t3), 0);

  p.b.app->main.cmd00_Click(1);  // "Reload(F5)"
  EXPECT_EQ(p.Model().procStep, 0);
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
  const int16_t sql = p.Model().idxSql;
  const int16_t txf = p.Model().idxTxf;
  const size_t mark = p.Mark();
  p.Enter(sql);
  ASSERT_TRUE(p.RunToStep(17));
  p.Enter(sql);
  ASSERT_TRUE(p.RunToStep(18));

  p.Enter(txf);
  ASSERT_TRUE(p.RunToStep(13));
  p.b.Run(500);
  EXPECT_EQ(p.Line(sql), "       SQL: [Enter] to Start");
  EXPECT_THAT(p.Line(txf), HasSubstr("Setting = 128"));
  for (int j = 0; j < 6; ++j) EXPECT_TRUE(SentValues(p.b.radio, 0x70 + j, mark).empty()) << j;

  // Enter on SQL now starts it afresh, waiting for the first signal.
  p.Enter(sql);
  ASSERT_TRUE(p.RunToStep(17));
  EXPECT_EQ(p.Line(txf), "       TXF: [Enter] to Start");
}

}  // namespace
}  // namespace pw::test
