// The model's fifteen console items: the lines after a reset and after a
// connect, what each value item sends and mirrors into the image, and how
// far each line can be stepped.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "shell/frmMain.h"
#include "support/ConsoleLines.h"
#include "support/ModelAccess.h"
#include "support/Bench.h"
#include "support/WireLog.h"

namespace pw::test {
namespace {

const std::vector<std::string> kResetLines = {
    " Dial Mode: INT",
    "    CH No.: 00  (RX Freq = 160.600, TX Freq = 156.000)",
    "  RF Power: High",
    " Power(Hi):   0 [--------------------]",
    " Power(LO):   0 [--------------------]",
    " Power(EL):   0 [--------------------]",
    "       TXF: [Enter] to Start",
    "       MOD:   0 [--------------------]",
    "   BPF ALL: [Enter] to Sweep",
    "    BPF T1:   0 [##########----------] [Enter] to Sweep",
    "    BPF T2:   0 [##########----------] [Enter] to Sweep",
    "    BPF T3:   0 [##########----------] [Enter] to Sweep",
    "    BPF T4:   0 [##########----------] [Enter] to Sweep",
    "       SQL: [Enter] to Start",
    "      ATIS: [Enter] to Start",
};

TEST(ItemTable, ResetBuildsTheFifteenStartingLinesAndTheEmptyMonitors) {
  Bench b;
  ASSERT_TRUE(b.Start());
  EXPECT_EQ(b.window.console.lines, kResetLines);
  EXPECT_EQ(b.window.monitors[0].lines, (std::vector<std::string>{"[A/D]", "----", "----", "----", "----", "----",
                                                                  "----", "----", "----", "----", "----", "----"}));
  EXPECT_EQ(b.window.monitors[1].lines, (std::vector<std::string>{"[D/A]", "----", "----", "----", "----", "----",
                                                                  "----", "", "[SQL Calced]", "----", "----"}));
  EXPECT_EQ(b.window.buttonCaptions, (std::array<std::string, 3>{"Connect", "Reload(F5)", "Disp para"}));
  for (int16_t i = 0; i < b.Console().ListCount(); ++i) {
    EXPECT_FALSE(b.Console().flgChanged(i)) << i;
    EXPECT_EQ(b.Console().WaitAfterE8(i), 20) << i;
  }
}

TEST(ItemTable, ResettingALiveConsoleTwiceGivesTheSameFifteenLines) {
  Bench b;
  ASSERT_TRUE(b.Start());
  ASSERT_TRUE(b.ConnectAndSettle());
  b.Model().RigOpFunc_ResetAll();
  const std::vector<std::string> first = b.window.console.lines;
  b.Model().RigOpFunc_ResetAll();
  EXPECT_EQ(b.Console().ListCount(), 15);
  EXPECT_EQ(b.window.console.lines, first);
  // Every value is back at 0; the channel line keeps naming the first channel
  // of the group last read, since the group list survives a reset.
  for (size_t i = 0; i < kResetLines.size(); ++i) {
    if (i != kChNo) {
      EXPECT_EQ(first[i], kResetLines[i]) << i;
    }
    EXPECT_EQ(b.Console().Value(static_cast<int16_t>(i)), 0) << i;
  }
  EXPECT_EQ(first[kChNo], "    CH No.: 01  (RX Freq = 160.650, TX Freq = 156.050)");
  EXPECT_EQ(b.Model().opState(), op::Idle);
  EXPECT_FALSE(b.app->gCom.comOpen());
}

TEST(ItemTable, ConnectLoadsEveryLineFromTheRadiosMemory) {
  Bench b;
  b.radio.poke(0xFEC, 128);  // Power(Hi)
  b.radio.poke(0xFED, 0);    // Power(LO)
  // No value equals the erased 0xFF of the bytes around them, so a line that
  // read a neighbouring address would show.
  b.radio.poke(0xFEE, 254);   // Power(EL)
  b.radio.poke(0xFE4, 63);    // MOD
  b.radio.poke(0xFE8, 0xFE);  // BPF T1 -2
  b.radio.poke(0xFE9, 0x80);  // BPF T2 -128
  b.radio.poke(0xFEA, 0x7F);  // BPF T3 127
  b.radio.poke(0xFEB, 0xF6);  // BPF T4 -10
  ASSERT_TRUE(b.Start());
  ASSERT_TRUE(b.ConnectAndSettle());
  EXPECT_EQ(b.window.console.lines, (std::vector<std::string>{
                                        " Dial Mode: INT",
                                        "    CH No.: 01  (RX Freq = 160.650, TX Freq = 156.050)",
                                        "  RF Power: High",
                                        " Power(Hi): 128 [##########----------]",
                                        " Power(LO):   0 [--------------------]",
                                        " Power(EL): 254 [####################]",
                                        "       TXF: [Enter] to Start",
                                        "       MOD:  63 [#####---------------]",
                                        "   BPF ALL: [Enter] to Sweep",
                                        "    BPF T1:  -2 [##########----------] [Enter] to Sweep",
                                        "    BPF T2:-128 [--------------------] [Enter] to Sweep",
                                        "    BPF T3: 127 [####################] [Enter] to Sweep",
                                        "    BPF T4: -10 [#########-----------] [Enter] to Sweep",
                                        "       SQL: [Enter] to Start",
                                        "      ATIS: [Enter] to Start",
                                    }));
  // The radio offers INT, USA, CAN and WX: four dial modes.
  EXPECT_EQ(b.Console().Max(kDialMode), 3);
}

// ---- What each value item sends ---------------------------------------------

struct SendCase {
  Line line;
  int16_t value;
  const char* command;  // E8 command text on the wire
  int32_t eeAdr;        // -1: the item has no byte in the image
  int eeByte;
};

class ItemSend : public ::testing::TestWithParam<SendCase> {};

TEST_P(ItemSend, SendsItsCommandAndMirrorsTheValueIntoTheImage) {
  const SendCase& c = GetParam();
  Bench b;
  ASSERT_TRUE(b.Start());
  ASSERT_TRUE(b.ConnectAndSettle());
  clsConsole& con = b.Console();
  con.set_Value(c.line, c.value);
  // Changing a power level flags RF Power; here only the level itself is sent.
  con.set_flgChanged(kRfPower, false);
  const int imageBefore = b.Image().ReadByte(0xFEC);
  const size_t mark = b.radio.frameLog().size();
  ModelAccess::SkipWait(b.Model());

  con.SendE8(c.line);

  EXPECT_EQ(SentE8Texts(b.radio, mark), std::vector<std::string>{c.command});
  if (c.eeAdr >= 0) {
    EXPECT_EQ(b.Image().ReadByte(c.eeAdr), c.eeByte);
  } else {
    EXPECT_EQ(b.Image().ReadByte(0xFEC), imageBefore);
  }
  EXPECT_EQ(b.Model().waitE8(), 20);
}

INSTANTIATE_TEST_SUITE_P(
    Items, ItemSend,
    ::testing::Values(SendCase{kMod, 63, "083346", 0xFE4, 0x3F}, SendCase{kMod, 255, "084646", 0xFE4, 0xFF},
                      SendCase{kBpfT1, -1, "104646", 0xFE8, 0xFF}, SendCase{kBpfT2, -128, "113830", 0xFE9, 0x80},
                      SendCase{kBpfT3, 127, "123746", 0xFEA, 0x7F}, SendCase{kBpfT4, -10, "134636", 0xFEB, 0xF6},
                      SendCase{kPowerHi, 200, "0C4338", 0xFEC, 200}, SendCase{kPowerLo, 0, "0B3030", 0xFED, 0},
                      SendCase{kPowerEl, 17, "0D3131", 0xFEE, 17}, SendCase{kRfPower, 2, "023032", -1, 0}));

TEST(ItemTable, LinesWithoutACommandSendNothingButStillAskForTheirWait) {
  Bench b;
  ASSERT_TRUE(b.Start());
  ASSERT_TRUE(b.ConnectAndSettle());
  const size_t mark = b.radio.frameLog().size();
  for (Line line : {kTxf, kBpfAll, kSql, kAtis}) {
    ModelAccess::SkipWait(b.Model());
    b.Console().SendE8(line);
    EXPECT_EQ(b.Model().waitE8(), 20) << line;
  }
  EXPECT_TRUE(SentE8Texts(b.radio, mark).empty());
}

// ---- Stepping with the arrow keys ---------------------------------------------

struct StepCase {
  const char* name;
  bool connect;
  Line line;
  int16_t start;  // written before the keys; ignored when not connected
  int key;
  bool shift;
  int16_t expected;
  const char* expectedLine;  // nullptr: not checked
};

class ItemStep : public ::testing::TestWithParam<StepCase> {};

TEST_P(ItemStep, ArrowKeysStepWithinTheItemsRange) {
  const StepCase& c = GetParam();
  Bench b;
  ASSERT_TRUE(b.Start());
  if (c.connect) {
    ASSERT_TRUE(b.ConnectAndSettle());
    b.Console().set_Value(c.line, c.start);
  }
  b.Select(c.line);
  b.Key(c.key, c.shift);
  EXPECT_EQ(b.Console().Value(c.line), c.expected);
  EXPECT_TRUE(b.Console().flgChanged(c.line));
  if (c.expectedLine) {
    EXPECT_EQ(b.window.console.lines[static_cast<size_t>(c.line)], c.expectedLine);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Edges, ItemStep,
    ::testing::Values(
        StepCase{"DialModeIsStuckBeforeTheRadioIsRead", false, kDialMode, 0, keys::kRight, false, 0, " Dial Mode: INT"},
        StepCase{"ChannelIsStuckBeforeTheRadioIsRead", false, kChNo, 0, keys::kRight, false, 0, nullptr},
        StepCase{"DialModeWrapsOverTheGroupsFound", true, kDialMode, 3, keys::kRight, false, 0, " Dial Mode: INT"},
        StepCase{"DialModeWrapsBackToTheLastGroup", true, kDialMode, 0, keys::kLeft, false, 3, " Dial Mode: WX"},
        StepCase{"RfPowerWrapsFromELowToHigh", true, kRfPower, 2, keys::kRight, false, 0, "  RF Power: High"},
        StepCase{"RfPowerWrapsFromHighToELow", true, kRfPower, 0, keys::kLeft, false, 2, "  RF Power: E-Low"},
        StepCase{"RfPowerStepsToLow", true, kRfPower, 0, keys::kRight, false, 1, "  RF Power: Low"},
        StepCase{"BpfStopsAtItsTop", true, kBpfT1, 127, keys::kRight, false, 127,
                 "    BPF T1: 127 [####################] [Enter] to Sweep"},
        StepCase{"BpfStopsAtItsBottom", true, kBpfT2, -128, keys::kLeft, false, -128,
                 "    BPF T2:-128 [--------------------] [Enter] to Sweep"},
        StepCase{"BpfShiftStepIsClampedAtTheBottom", true, kBpfT3, -126, keys::kLeft, true, -128, nullptr},
        StepCase{"PowerLevelStopsAt255", true, kPowerHi, 253, keys::kRight, true, 255,
                 " Power(Hi): 255 [####################]"},
        StepCase{"ModStopsAt0", true, kMod, 0, keys::kLeft, false, 0, "       MOD:   0 [--------------------]"}),
    [](const ::testing::TestParamInfo<StepCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace pw::test
