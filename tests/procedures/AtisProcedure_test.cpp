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

  // Each Enter asks for the next mode, has it confirmed and shows its line;
  // a tone's level (1300 Hz from 0xFE5, 2100 Hz from 0xFE6) is sent live and
  // its changes go out with its own command and into the image.
  const struct {
    proc::Step step;
    int mode;
    const char* line;
    std::vector<std::string> entered;  // E8 traffic from Enter to the line
    std::vector<std::string> changed;  // E8 traffic of two steps Right
  } modes[] = {
      {proc::Atis1300Set,
       1,
       "      ATIS: 1300Hz: Level = 100 [################----]",
       {"> 03 01", "< 03 05", "> 09 64"},
       {"> 09 65", "> 09 66"}},
      {proc::Atis2100Set,
       2,
       "      ATIS: 2100Hz: Level =  96 [###############-----]",
       {"> 03 02", "< 03 05", "> 0A 60"},
       {"> 0A 61", "> 0A 62"}},
      // Alternating tones and the code have no level of their own here.
      {proc::AtisAlternatingSet, 3, "      ATIS: 1300/2100Hz", {"> 03 03", "< 03 05"}, {}},
      {proc::AtisCodeSet, 4, "      ATIS: Code", {"> 03 04", "< 03 05"}, {}},
  };
  for (const auto& m : modes) {
    SCOPED_TRACE(m.line);
    size_t mark = p.Mark();
    p.Enter(atis);
    ASSERT_TRUE(p.RunToStep(m.step));
    p.b.Run(500);
    EXPECT_EQ(p.Line(atis), m.line);
    EXPECT_EQ(p.b.radio.atisMode(), m.mode);
    EXPECT_THAT(E8Traffic(p.b.radio, mark), ::testing::ElementsAreArray(m.entered));

    mark = p.Mark();
    for (int i = 0; i < 2; ++i) {
      p.Right(atis);
      p.b.Run(200);
    }
    EXPECT_THAT(E8Traffic(p.b.radio, mark), ::testing::ElementsAreArray(m.changed));
    EXPECT_EQ(p.Model().procStep(), m.step) << "the mode stays until Enter";
  }
  EXPECT_EQ(p.b.Image().ReadByte(0xFE5), 102);
  EXPECT_EQ(p.b.radio.peek(0xFE5), 102);
  EXPECT_EQ(p.b.Image().ReadByte(0xFE6), 98);
  EXPECT_EQ(p.b.radio.peek(0xFE6), 98);

  // Off, confirmed, beep.
  size_t mark = p.Mark();
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
  EXPECT_EQ(p.b.Image().ReadByte(0xFE6), 98);
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
