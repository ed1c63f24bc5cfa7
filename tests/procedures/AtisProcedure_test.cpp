// The ATIS level procedure through the operation task against the simulated
// radio: the modes in order, each confirmed, the levels live and stored, the
// generator switched off at the end; and what a refused mode does.
#include "procedures/ProcedureBench.h"
#include "sim/MemoryMap.h"

namespace pw::test {
namespace {

using sim::Fault;
using sim::FaultKind;
using sim::FaultTrigger;
using ::testing::ElementsAre;

TEST(AtisProcedure, StepsThroughTheFourModesAndSwitchesOff) {
  ProcedureBench p;
  ASSERT_TRUE(p.Connect());
  const int16_t atis = p.Model().idxAtis();
  size_t mark = p.Mark();

  // Mode 1: the 1300 Hz level from 0xFE5 (100) is shown and sent live.
  p.Enter(atis);
  ASSERT_TRUE(p.RunToStep(proc::Atis1300Set));
  p.b.Run(500);
  EXPECT_EQ(p.Line(atis), "      ATIS: 1300Hz: Level = 100 [################----]");
  EXPECT_EQ(p.b.radio.atisMode(), 1);
  EXPECT_THAT(E8Traffic(p.b.radio, mark), ElementsAre("> 03 01", "< 03 05", "> 09 64"));

  // A change is sent with command 9 and lands in the image at 0xFE5.
  mark = p.Mark();
  p.Right(atis);
  p.b.Run(200);
  p.Right(atis);
  p.b.Run(200);
  EXPECT_THAT(E8Traffic(p.b.radio, mark), ElementsAre("> 09 65", "> 09 66"));
  EXPECT_EQ(p.b.Image().ReadByte(0xFE5), 102);
  EXPECT_EQ(p.b.radio.peek(0xFE5), 102);
  EXPECT_EQ(p.Model().procStep(), proc::Atis1300Set) << "the level stays until Enter";

  // Mode 2: the 2100 Hz level from 0xFE6 (96).
  mark = p.Mark();
  p.Enter(atis);
  ASSERT_TRUE(p.RunToStep(proc::Atis2100Set));
  p.b.Run(500);
  EXPECT_EQ(p.Line(atis), "      ATIS: 2100Hz: Level =  96 [###############-----]");
  EXPECT_EQ(p.b.radio.atisMode(), 2);
  EXPECT_THAT(E8Traffic(p.b.radio, mark), ElementsAre("> 03 02", "< 03 05", "> 0A 60"));

  // Mode 3: alternating tones; the line has no level of its own here.
  mark = p.Mark();
  p.Enter(atis);
  ASSERT_TRUE(p.RunToStep(proc::AtisAlternatingSet));
  p.b.Run(500);
  EXPECT_EQ(p.Line(atis), "      ATIS: 1300/2100Hz");
  EXPECT_EQ(p.b.radio.atisMode(), 3);
  p.Right(atis);
  p.b.Run(500);
  EXPECT_THAT(E8Traffic(p.b.radio, mark), ElementsAre("> 03 03", "< 03 05")) << "no level is sent in mode 3";

  // Mode 4: the code.
  mark = p.Mark();
  p.Enter(atis);
  ASSERT_TRUE(p.RunToStep(proc::AtisCodeSet));
  p.b.Run(500);
  EXPECT_EQ(p.Line(atis), "      ATIS: Code");
  EXPECT_EQ(p.b.radio.atisMode(), 4);
  EXPECT_THAT(E8Traffic(p.b.radio, mark), ElementsAre("> 03 04", "< 03 05"));

  // Off, confirmed, beep.
  mark = p.Mark();
  p.Enter(atis);
  ASSERT_TRUE(p.RunToStep(proc::AtisOff));
  EXPECT_EQ(p.Line(atis), "      ATIS: OFF...");
  ASSERT_TRUE(p.RunToBeep());
  EXPECT_EQ(p.b.window.beeps, 1);
  EXPECT_EQ(p.Model().procStep(), proc::None);
  EXPECT_EQ(p.Line(atis), "      ATIS: [Enter] to Start");
  EXPECT_EQ(p.b.radio.atisMode(), 0);
  EXPECT_THAT(E8Traffic(p.b.radio, mark), ElementsAre("> 03 00", "< 03 05"));
  EXPECT_TRUE(p.b.window.messages.empty());

  // Outside the procedure the line writes and sends nothing.
  mark = p.Mark();
  p.Right(atis);
  p.b.Run(500);
  EXPECT_TRUE(E8Traffic(p.b.radio, mark).empty());
  EXPECT_EQ(p.b.Image().ReadByte(0xFE5), 102);
  EXPECT_EQ(p.b.Image().ReadByte(0xFE6), 96);
}

TEST(AtisProcedure, JapanRadioSetsOnlyTheCombinedLevel) {
  ProcedureBench p(sim::RadioOptions{.japan = true});
  ASSERT_TRUE(p.Connect());
  const int16_t atis = p.Model().idxAtis();
  const size_t mark = p.Mark();

  p.Enter(atis);
  ASSERT_TRUE(p.RunToStep(proc::AtisAlternatingSet));
  p.b.Run(500);
  EXPECT_EQ(p.Line(atis), "      ATIS: 1300/2100Hz: Level =  98 [###############-----]");
  EXPECT_EQ(p.b.radio.atisMode(), 3);
  p.Right(atis);
  p.b.Run(500);
  EXPECT_EQ(p.b.Image().ReadByte(0xFE7), 99);
  EXPECT_EQ(p.b.radio.peek(0xFE7), 99);

  p.Enter(atis);
  ASSERT_TRUE(p.RunToBeep());
  EXPECT_EQ(p.Line(atis), "      ATIS: [Enter] to Start");
  EXPECT_EQ(p.b.radio.atisMode(), 0);
  EXPECT_THAT(E8Traffic(p.b.radio, mark),
              ElementsAre("> 03 03", "< 03 05", "> 0E 62", "> 0E 63", "> 03 00", "< 03 05"));
  EXPECT_EQ(p.b.Image().ReadByte(0xFE5), 100) << "the tone levels are not touched";
  EXPECT_EQ(p.b.Image().ReadByte(0xFE6), 96);
}

TEST(AtisProcedure, EnterBeforeTheConfirmationIsForgotten) {
  ProcedureBench p;
  ASSERT_TRUE(p.Connect());
  const int16_t atis = p.Model().idxAtis();
  p.Enter(atis);
  ASSERT_TRUE(p.b.RunUntil([&] { return p.Model().procStep() == proc::Atis1300; }, 2000));
  p.Enter(atis);  // before mode 1 is asked for and confirmed
  p.b.Run(1000);
  EXPECT_EQ(p.Model().procStep(), proc::Atis1300Set);
  EXPECT_EQ(p.b.radio.atisMode(), 1);
}

// A mode the radio does not confirm ends the procedure without a message;
// a generator that was on is switched off again.
TEST(AtisProcedure, RefusedSecondModeEndsAndSwitchesTheFirstOff) {
  ProcedureBench p;
  ASSERT_TRUE(p.Connect());
  const int16_t atis = p.Model().idxAtis();
  p.Enter(atis);
  ASSERT_TRUE(p.RunToStep(proc::Atis1300Set));
  p.b.Run(300);
  ASSERT_EQ(p.b.radio.atisMode(), 1);

  p.b.radio.addFault(Fault{FaultKind::AtisNeverConfirmed, FaultTrigger::subCommand(0x03), true, 0});
  const size_t mark = p.Mark();
  p.Enter(atis);
  ASSERT_TRUE(p.RunToStep(proc::None));
  p.b.Run(1000);
  EXPECT_THAT(E8Traffic(p.b.radio, mark), ElementsAre("> 03 02", "< 03 01", "> 03 00", "< 03 05"));
  EXPECT_EQ(p.b.radio.atisMode(), 0);
  EXPECT_EQ(p.Line(atis), "      ATIS: [Enter] to Start");
  EXPECT_EQ(p.Console().EeAdr(atis), -1);
  EXPECT_EQ(p.Console().E8Command(atis), -1);
  EXPECT_EQ(p.b.window.beeps, 0);
  EXPECT_TRUE(p.b.window.messages.empty());
  EXPECT_FALSE(p.b.window.atisWaiting);
}

TEST(AtisProcedure, RadioThatRefusesToneModesEndsItAtOnce) {
  ProcedureBench p;
  ASSERT_TRUE(p.Connect());
  // The radio now behaves as a Japan radio; the image still says otherwise,
  // so the program asks for the 1300 Hz tone, which this radio refuses.
  p.b.radio.poke(sim::mem::kRegion, sim::mem::kRegionJapan);
  const int16_t atis = p.Model().idxAtis();
  const size_t mark = p.Mark();
  p.Enter(atis);
  p.b.Run(2000);
  EXPECT_EQ(p.Model().procStep(), proc::None);
  // A refused request may still have switched something on: the generator
  // is switched off, and that is confirmed.
  EXPECT_THAT(E8Traffic(p.b.radio, mark), ElementsAre("> 03 01", "< 03 01", "> 03 00", "< 03 05"));
  EXPECT_EQ(p.Line(atis), "      ATIS: [Enter] to Start");
  EXPECT_EQ(p.b.window.beeps, 0);
  EXPECT_TRUE(p.b.window.messages.empty());
}

}  // namespace
}  // namespace pw::test
