// The model's answers to the console: the special lines, the dial mode and
// channel sends, the automatic RF power selection, and Enter on the
// procedure lines. Each case starts from a radio that has been read, with the
// heartbeat stopped, so a test sees exactly what its own calls cause.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/ConsoleLines.h"
#include "support/Bench.h"
#include "support/ModelAccess.h"
#include "support/WireLog.h"

namespace pw::test {
namespace {

class ModelEvents : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(b.Start());
    ASSERT_TRUE(b.ConnectAndSettle());
    // Every flag is consumed and the power-selection second has passed.
    b.Run(1100);
    mark = b.radio.frameLog().size();
  }

  std::vector<std::string> Sent() const { return SentE8Texts(b.radio, mark); }
  const std::string& LineOf(Line l) const { return b.window.console.lines.at(static_cast<size_t>(l)); }

  // Selects channel group `dial` and then the channel on fixed-table row `row`.
  void SelectChannel(int16_t dial, int16_t row) {
    con().set_Value(kDialMode, dial);
    con().SendE8(kDialMode);
    for (int16_t k = 0; k <= con().Max(kChNo); ++k) {
      if (m().chList()[static_cast<size_t>(k)] == row) {
        con().set_Value(kChNo, k);
        return;
      }
    }
    FAIL() << "row " << row << " is not offered in dial mode " << dial;
  }

  clsConsole& con() { return b.Console(); }
  clsIndOp_RigR4T& m() { return b.Model(); }

  Bench b;
  size_t mark = 0;
};

// ---- Dial Mode ----------------------------------------------------------------

struct DialCase {
  int16_t value;
  const char* line;
  const char* command;
  const char* firstChannelLine;
  int16_t channelMax;
};

class ModelDialMode : public ModelEvents, public ::testing::WithParamInterface<DialCase> {};

TEST_P(ModelDialMode, ShowsTheGroupSendsItsDialModeAndFallsBackToItsFirstChannel) {
  const DialCase& c = GetParam();
  con().set_Value(kDialMode, c.value);
  EXPECT_EQ(LineOf(kDialMode), c.line);
  con().set_flgChanged(kChNo, false);
  ModelAccess::SkipWait(m());

  con().SendE8(kDialMode);

  EXPECT_EQ(Sent(), std::vector<std::string>{c.command});
  EXPECT_EQ(m().waitE8(), 200);
  EXPECT_EQ(m().curDialIndex(), c.value);
  EXPECT_EQ(con().Max(kChNo), c.channelMax);
  EXPECT_EQ(con().Value(kChNo), 0);
  EXPECT_TRUE(con().flgChanged(kChNo));
  EXPECT_EQ(LineOf(kChNo), c.firstChannelLine);
}

INSTANTIATE_TEST_SUITE_P(
    Groups, ModelDialMode,
    ::testing::Values(
        DialCase{0, " Dial Mode: INT", "003032", "    CH No.: 01  (RX Freq = 160.650, TX Freq = 156.050)", 58},
        DialCase{1, " Dial Mode: USA", "003034", "    CH No.: 01A (RX Freq = 156.050, TX Freq = 156.050)", 53},
        DialCase{2, " Dial Mode: CAN", "003031", "    CH No.: 01  (RX Freq = 160.650, TX Freq = 156.050)", 58},
        DialCase{3, " Dial Mode: WX", "003230", "    CH No.: WX 1 (RX Freq = 162.550, TX Freq = Inhibit)", 6}));

TEST_F(ModelEvents, UnknownGroupShowsQuestionMarksSendsNothingAndOffersOneChannel) {
  ModelAccess::SetDialTableEntry(m(), 4, 9);
  con().set_Max(kDialMode, 4);
  con().set_Value(kDialMode, 4);
  EXPECT_EQ(LineOf(kDialMode), " Dial Mode: ???");
  ModelAccess::SkipWait(m());

  con().SendE8(kDialMode);

  EXPECT_TRUE(Sent().empty());
  EXPECT_EQ(m().waitE8(), 0);
  EXPECT_EQ(con().Max(kChNo), 0);
  EXPECT_EQ(m().chList()[0], 0);
}

// ---- CH No. -------------------------------------------------------------------

struct ChannelCase {
  int16_t dial;
  int16_t row;
  const char* line;
  const char* command;
};

class ModelChannelLine : public ModelEvents, public ::testing::WithParamInterface<ChannelCase> {};

TEST_P(ModelChannelLine, ShowsNameAndFrequenciesAndSendsTheChannelNumber) {
  const ChannelCase& c = GetParam();
  SelectChannel(c.dial, c.row);
  EXPECT_EQ(LineOf(kChNo), c.line);
  const size_t before = Sent().size();
  ModelAccess::SkipWait(m());

  con().SendE8(kChNo);

  const std::vector<std::string> sent = Sent();
  ASSERT_EQ(sent.size(), before + 1);
  EXPECT_EQ(sent.back(), c.command);
  EXPECT_EQ(m().curChNo(), c.row);
  EXPECT_EQ(m().waitE8(), 20);
}

INSTANTIATE_TEST_SUITE_P(
    Channels, ModelChannelLine,
    ::testing::Values(ChannelCase{0, 32, "    CH No.: 16  (RX Freq = 156.800, TX Freq = 156.800)", "013230"},
                      ChannelCase{0, 40, "    CH No.: 20  (RX Freq = 161.600, TX Freq = 157.000)", "013238"},
                      ChannelCase{0, 140, "    CH No.: 70  (RX Freq = 156.525, TX Freq = Inhibit)", "013843"},
                      ChannelCase{1, 30, "    CH No.: 15  (RX Freq = 156.750, TX Freq = Inhibit)", "013145"},
                      ChannelCase{1, 234, "    CH No.: FR 1 (CLB) (RX Freq = 157.425, TX Freq = 157.425)", "014541"},
                      ChannelCase{0, 236, "    CH No.: FR 3 (WRK) (RX Freq = 161.750, TX Freq = 157.150)", "014543"},
                      ChannelCase{3, 6, "    CH No.: WX 7 (RX Freq = 162.525, TX Freq = Inhibit)", "013036"}));

// A free channel's frequencies come from its record: receive R * 6250 Hz +
// 21.7 MHz, transmit T * 6250 Hz, so they need not lie on the 25 kHz raster.
struct FreeChannelCase {
  uint16_t rxSynth;
  uint16_t txSynth;
  const char* line;
};

class ModelFreeChannel : public ModelEvents, public ::testing::WithParamInterface<FreeChannelCase> {};

TEST_P(ModelFreeChannel, FrequenciesShowThreeIntegerDigitsAndRoundHalvesUp) {
  const FreeChannelCase& c = GetParam();
  const int32_t rec = 0x300 + 8 * 3;  // FR 4
  const uint8_t bytes[8] = {'P',
                            'V',
                            'T',
                            static_cast<uint8_t>(c.rxSynth >> 8),
                            static_cast<uint8_t>(c.rxSynth),
                            static_cast<uint8_t>(c.txSynth >> 8),
                            static_cast<uint8_t>(c.txSynth),
                            0};
  for (int i = 0; i < 8; ++i) b.Image().WriteByte(rec + i, bytes[i]);
  b.Image().WriteByte(0x100 + 237, 0x00);  // shown in INT
  SelectChannel(0, 237);
  EXPECT_EQ(LineOf(kChNo), c.line);
}

INSTANTIATE_TEST_SUITE_P(
    Records, ModelFreeChannel,
    ::testing::Values(FreeChannelCase{0, 0, "    CH No.: FR 4 (PVT) (RX Freq = 021.700, TX Freq = 000.000)"},
                      // 156.0375 and 156.0125 MHz: halves of the last digit go up.
                      FreeChannelCase{21494, 24962, "    CH No.: FR 4 (PVT) (RX Freq = 156.038, TX Freq = 156.013)"},
                      FreeChannelCase{21490, 24966, "    CH No.: FR 4 (PVT) (RX Freq = 156.013, TX Freq = 156.038)"},
                      FreeChannelCase{21488, 24968, "    CH No.: FR 4 (PVT) (RX Freq = 156.000, TX Freq = 156.050)"},
                      FreeChannelCase{0xFFFF, 0xFFFF,
                                      "    CH No.: FR 4 (PVT) (RX Freq = 431.294, TX Freq = 409.594)"}));

TEST_F(ModelEvents, ValuesOutsideTheGroupAndChannelListsAreHarmless) {
  int16_t dialIdx = kDialMode, chIdx = kChNo, rfIdx = kRfPower;
  const int16_t dialBefore = m().curDialIndex(), chBefore = m().curChNo(), maxBefore = con().Max(kChNo);
  for (int16_t bad : {int16_t{-1}, int16_t{5}, int16_t{300}}) {  // five dial table entries
    int16_t val = bad;
    EXPECT_EQ(m().ConsEv_Disp(con(), dialIdx, 0, val), " Dial Mode: ???") << bad;
    m().ConsEv_SendE8(con(), dialIdx, 0, val);
  }
  for (int16_t bad : {int16_t{-1}, int16_t{267}, int16_t{300}}) {  // 267 channel list entries
    int16_t val = bad;
    EXPECT_EQ(m().ConsEv_Disp(con(), chIdx, 1, val), "    CH No.: ") << bad;
    m().ConsEv_SendE8(con(), chIdx, 1, val);
  }
  int16_t three = 3;
  EXPECT_EQ(m().ConsEv_Disp(con(), rfIdx, 2, three), "  RF Power: ");
  EXPECT_EQ(m().ConsEv_Disp(con(), rfIdx, 99, three), "???");
  EXPECT_TRUE(Sent().empty());
  EXPECT_EQ(m().curDialIndex(), dialBefore);
  EXPECT_EQ(m().curChNo(), chBefore);
  EXPECT_EQ(con().Max(kChNo), maxBefore);
}

// ---- Power levels and RF Power ------------------------------------------------

TEST_F(ModelEvents, ChangingALevelWhileRfPowerShowsAnotherSwitchesAndSendsRfPowerFirst) {
  b.Select(kRfPower);
  b.Key(keys::kRight);
  b.Run(300);
  ASSERT_EQ(Sent(), std::vector<std::string>{"023031"});
  ASSERT_EQ(LineOf(kRfPower), "  RF Power: Low");
  mark = b.radio.frameLog().size();

  b.Select(kPowerHi);
  b.Key(keys::kRight);
  EXPECT_EQ(LineOf(kRfPower), "  RF Power: High");
  EXPECT_TRUE(con().flgChanged(kRfPower));
  b.Run(300);

  EXPECT_EQ(Sent(), (std::vector<std::string>{"023030", "0C3937"}));
  EXPECT_EQ(b.radio.rfPower(), 0);
  EXPECT_EQ(b.radio.peek(0xFEC), 151);
}

TEST_F(ModelEvents, WithinASecondOfASwitchFurtherChangesOfThatLevelOnlyFlagTheLevel) {
  con().set_Value(kRfPower, 1);
  con().set_flgChanged(kRfPower, false);

  con().UpDown(kPowerHi, 1);
  EXPECT_EQ(con().Value(kRfPower), 0);
  EXPECT_TRUE(con().flgChanged(kRfPower));
  con().set_flgChanged(kRfPower, false);  // as if it had been sent

  b.clock.Advance(999);
  con().UpDown(kPowerHi, 1);
  EXPECT_FALSE(con().flgChanged(kRfPower));
  EXPECT_TRUE(con().flgChanged(kPowerHi));

  b.clock.Advance(1);  // a second after the switch: the next change selects again
  con().UpDown(kPowerHi, 1);
  EXPECT_TRUE(con().flgChanged(kRfPower));
  EXPECT_EQ(con().Value(kRfPower), 0);
}

TEST_F(ModelEvents, AnotherLevelSwitchesAtOnceEvenWithinTheSecond) {
  con().UpDown(kPowerHi, 1);
  EXPECT_EQ(LineOf(kRfPower), "  RF Power: High");
  con().UpDown(kPowerLo, -1);
  EXPECT_EQ(LineOf(kRfPower), "  RF Power: Low");
  con().UpDown(kPowerEl, 1);
  EXPECT_EQ(LineOf(kRfPower), "  RF Power: E-Low");
  EXPECT_TRUE(con().flgChanged(kRfPower));
}

TEST_F(ModelEvents, ALevelWaitsWhileRfPowerIsStillToBeSent) {
  con().set_Value(kPowerLo, 77);
  ASSERT_TRUE(con().flgChanged(kRfPower));
  con().set_flgChanged(kPowerLo, false);

  con().SendE8(kPowerLo);

  EXPECT_TRUE(Sent().empty());
  EXPECT_TRUE(con().flgChanged(kPowerLo));
  EXPECT_EQ(b.Image().ReadByte(0xFED), 77);  // the image follows the console anyway
}

// ---- Procedure lines ------------------------------------------------------------

struct ProcLineCase {
  const char* name;
  proc::Step procStep;
  bool japan;
  Line line;
  int16_t value;
  uint8_t bpfMask;  // bit k: BPF T(k+1) takes part in the sweep
  const char* expected;
};

class ModelProcedureLine : public ModelEvents, public ::testing::WithParamInterface<ProcLineCase> {};

TEST_P(ModelProcedureLine, LineFollowsTheProcedureStep) {
  const ProcLineCase& c = GetParam();
  if (c.japan) b.Image().WriteByte(0x3F9, 4);
  con().set_Value(c.line, c.value);
  std::array<bool, 4> select{};
  for (size_t k = 0; k < 4; ++k) select[k] = (c.bpfMask >> k) & 1;
  ModelAccess::SetBpfSelect(m(), select);
  ModelAccess::SetProcStep(m(), c.procStep);
  con().Disp(c.line);
  EXPECT_EQ(LineOf(c.line), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, ModelProcedureLine,
    ::testing::Values(
        ProcLineCase{"AtisIdle", proc::None, false, kAtis, 0, 0, "      ATIS: [Enter] to Start"},
        ProcLineCase{"AtisStarting", proc::AtisStart, false, kAtis, 0, 0, "      ATIS: [Enter] to Start"},
        ProcLineCase{"Atis1300", proc::Atis1300, false, kAtis, 100, 0,
                     "      ATIS: 1300Hz: Level = 100 [################----]"},
        ProcLineCase{"Atis1300Set", proc::Atis1300Set, false, kAtis, 5, 0,
                     "      ATIS: 1300Hz: Level =   5 [#-------------------]"},
        ProcLineCase{"Atis2100", proc::Atis2100Set, false, kAtis, 127, 0,
                     "      ATIS: 2100Hz: Level = 127 [####################]"},
        ProcLineCase{"AtisAlternating", proc::AtisAlternating, false, kAtis, 64, 0, "      ATIS: 1300/2100Hz"},
        ProcLineCase{"AtisAlternatingJapan", proc::AtisAlternatingSet, true, kAtis, 64, 0,
                     "      ATIS: 1300/2100Hz: Level =  64 [##########----------]"},
        ProcLineCase{"AtisCode", proc::AtisCodeSet, false, kAtis, 0, 0, "      ATIS: Code"},
        ProcLineCase{"AtisOff", proc::AtisOff, false, kAtis, 0, 0, "      ATIS: OFF..."},
        ProcLineCase{"AtisEnding", proc::AtisEnd, false, kAtis, 0, 0, "      ATIS: [Enter] to Start"},
        ProcLineCase{"TxfIdle", proc::None, false, kTxf, 0, 0, "       TXF: [Enter] to Start"},
        ProcLineCase{"TxfRunning", proc::TxfMeasure, false, kTxf, 131, 0,
                     "       TXF: TX Freq = 156.050, Setting = 131 [##########----------]"},
        ProcLineCase{"TxfDuringSql", proc::SqlStart, false, kTxf, 131, 0, "       TXF: [Enter] to Start"},
        ProcLineCase{"SqlFirstSignal", proc::SqlNoise1, false, kSql, 0, 0,
                     "       SQL: Input 1st signal and push [Enter]"},
        ProcLineCase{"SqlSecondSignal", proc::SqlNoise2, false, kSql, 0, 0,
                     "       SQL: Input 2nd signal and push [Enter]"},
        ProcLineCase{"SqlLastStep", proc::SqlEnd, false, kSql, 0, 0, "       SQL: Input 2nd signal and push [Enter]"},
        ProcLineCase{"SqlDuringSweep", proc::BpfStart, false, kSql, 0, 0, "       SQL: [Enter] to Start"},
        ProcLineCase{"BpfAllSweeping", proc::BpfNextFilter, false, kBpfAll, 0, 0xF, "   BPF ALL: Sweeping"},
        ProcLineCase{"BpfAllIdle", proc::None, false, kBpfAll, 0, 0, "   BPF ALL: [Enter] to Sweep"},
        ProcLineCase{"BpfLineSwept", proc::BpfEnd, false, kBpfT2, 5, 0x2,
                     "    BPF T2:   5 [##########----------] Sweeping"},
        ProcLineCase{"BpfLineNotSwept", proc::BpfStart, false, kBpfT1, 5, 0x2,
                     "    BPF T1:   5 [##########----------]"},
        ProcLineCase{"BpfLineIdle", proc::None, false, kBpfT4, -128, 0,
                     "    BPF T4:-128 [--------------------] [Enter] to Sweep"}),
    [](const ::testing::TestParamInfo<ProcLineCase>& info) { return std::string(info.param.name); });

TEST_F(ModelEvents, TxfShowsInhibitOnAReceiveOnlyChannel) {
  SelectChannel(0, 140);
  con().SendE8(kChNo);
  ModelAccess::SetProcStep(m(), proc::TxfStart);
  con().Disp(kTxf);
  EXPECT_EQ(LineOf(kTxf), "       TXF: TX Freq = Inhibit, Setting =   0 [--------------------]");
}

// ---- Enter on the procedure lines -------------------------------------------------

enum class Raised { None, Atis, Txf, Sql };

struct EnterCase {
  const char* name;
  proc::Step stepBefore;
  Line line;
  proc::Step stepAfter;
  Raised raised;
  uint8_t bpfMaskAfter;
  Line sweepItemAfter;
};

class ModelEnter : public ModelEvents, public ::testing::WithParamInterface<EnterCase> {};

TEST_P(ModelEnter, EnterStartsOrSignalsTheProcedureOfItsLine) {
  const EnterCase& c = GetParam();
  ModelAccess::SetProcStep(m(), c.stepBefore);
  if (proc::InBpf(c.stepBefore)) {
    ModelAccess::SetSweep(m(), {true, false, false, false}, kBpfT1);
  }
  con().set_Value(kAtis, 50);

  con().EnterExec(c.line);

  EXPECT_EQ(m().procStep(), c.stepAfter);
  EXPECT_EQ(m().flgAtisEnter(), c.raised == Raised::Atis);
  EXPECT_EQ(m().flgTxfEnter(), c.raised == Raised::Txf);
  EXPECT_EQ(m().flgSqlEnter(), c.raised == Raised::Sql);
  for (size_t k = 0; k < 4; ++k) EXPECT_EQ(m().bpfSelect()[k], ((c.bpfMaskAfter >> k) & 1) != 0) << k;
  EXPECT_EQ(m().idxSweepItem(), c.sweepItemAfter);
  if (c.stepAfter == proc::AtisStart) {
    EXPECT_EQ(con().Value(kAtis), 0);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Lines, ModelEnter,
    ::testing::Values(
        EnterCase{"AtisStartsAtStep1", proc::None, kAtis, proc::AtisStart, Raised::None, 0, kBpfAll},
        EnterCase{"AtisAgainOnlySignals", proc::Atis1300Set, kAtis, proc::Atis1300Set, Raised::Atis, 0, kBpfAll},
        EnterCase{"TxfStartsAtStep12", proc::None, kTxf, proc::TxfStart, Raised::None, 0, kBpfAll},
        EnterCase{"TxfAgainOnlySignals", proc::TxfWrite, kTxf, proc::TxfWrite, Raised::Txf, 0, kBpfAll},
        EnterCase{"SqlStartsAtStep16", proc::None, kSql, proc::SqlStart, Raised::None, 0, kBpfAll},
        EnterCase{"SqlAgainOnlySignals", proc::SqlNoise1, kSql, proc::SqlNoise1, Raised::Sql, 0, kBpfAll},
        EnterCase{"TxfEndsTheSqlProcedure", proc::SqlNoise1, kTxf, proc::TxfStart, Raised::None, 0, kBpfAll},
        EnterCase{"AtisEndsTheSweep", proc::BpfPresets, kAtis, proc::AtisStart, Raised::None, 0x1, kBpfT1},
        EnterCase{"BpfT3SweepsOnlyT3", proc::None, kBpfT3, proc::BpfStart, Raised::None, 0x4, kBpfT3},
        EnterCase{"BpfAllSweepsAllFour", proc::None, kBpfAll, proc::BpfStart, Raised::None, 0xF, kBpfAll},
        EnterCase{"BpfEndsTheAtisProcedure", proc::Atis2100Set, kBpfT4, proc::BpfStart, Raised::None, 0x8, kBpfT4},
        EnterCase{"BpfLineIgnoredDuringASweep", proc::BpfNextFilter, kBpfT4, proc::BpfNextFilter, Raised::None, 0x1,
                  kBpfT1},
        EnterCase{"BpfAllIgnoredDuringASweep", proc::BpfSweep, kBpfAll, proc::BpfSweep, Raised::None, 0x1, kBpfT1},
        EnterCase{"ValueLineHasNoEnter", proc::TxfMeasure, kMod, proc::TxfMeasure, Raised::None, 0, kBpfAll}),
    [](const ::testing::TestParamInfo<EnterCase>& info) { return std::string(info.param.name); });

TEST_F(ModelEvents, StartingASweepOfOneLineMarksOnlyThatLine) {
  con().EnterExec(kBpfT3);
  EXPECT_EQ(LineOf(kBpfT3), "    BPF T3:  24 [############--------] Sweeping");
  EXPECT_EQ(LineOf(kBpfAll), "   BPF ALL: [Enter] to Sweep");
}

TEST_F(ModelEvents, EndingAProcedureRestoresTheAtisLineAndAsksForTheToneOff) {
  ModelAccess::SetProcStep(m(), proc::Atis1300Set);
  ModelAccess::SetAtis(m(), true, false);
  con().set_EeAdr(kAtis, 0xFE5);
  con().set_E8Command(kAtis, 9);
  con().set_WaitAfterE8(kBpfT2, 500);
  con().EnterPushed(kMod);

  m().RigOpFunc_ClickCmd00(frm::kButtonReload);

  EXPECT_EQ(m().procStep(), proc::None);
  EXPECT_EQ(con().EeAdr(kAtis), -1);
  EXPECT_EQ(con().E8Command(kAtis), -1);
  EXPECT_TRUE(m().flgAtisWait());
  EXPECT_EQ(con().WaitAfterE8(kBpfT2), 20);
  EXPECT_FALSE(con().flgEnterOn(kMod));
  EXPECT_EQ(LineOf(kAtis), "      ATIS: [Enter] to Start");
}

TEST_F(ModelEvents, OnlyTheLastEnterBeforeTheTaskRunsIsExecuted) {
  b.Select(kSql);
  b.Key(keys::kReturn);
  b.Select(kTxf);
  b.Key(keys::kSeparator);
  EXPECT_FALSE(con().flgEnterOn(kSql));
  EXPECT_TRUE(con().flgEnterOn(kTxf));
  b.Run(50);
  EXPECT_TRUE(proc::InTxf(m().procStep()));
  EXPECT_FALSE(con().flgEnterOn(kTxf));
}

// ---- Buttons, port number and sub name ---------------------------------------------

TEST(ModelSurface, ReloadAndDumpButtonsDoNothingBeforeTheConsoleIsLive) {
  Bench b;
  ASSERT_TRUE(b.Start());
  b.app->main.cmd00_Click(1);
  b.app->main.cmd00_Click(2);
  EXPECT_FALSE(b.Model().flgReloadRequest());
  EXPECT_FALSE(b.Model().flgDispParaRequest());
  b.Run(200);
  EXPECT_EQ(b.Model().opState(), op::Idle);
  EXPECT_TRUE(b.window.frames[0]);
  EXPECT_FALSE(b.window.buttonEnabled[1]);
  EXPECT_FALSE(b.window.buttonEnabled[2]);
}

TEST_F(ModelEvents, TheSamePortNumberKeepsTheConsoleAnotherResetsIt) {
  con().set_Value(kMod, 99);
  m().RigOpFunc_SetComPortNo(1);
  EXPECT_EQ(con().Value(kMod), 99);
  EXPECT_TRUE(b.app->gCom.comOpen());

  m().RigOpFunc_SetComPortNo(3);
  EXPECT_EQ(con().Value(kMod), 0);
  EXPECT_EQ(m().opState(), op::Idle);
  EXPECT_FALSE(b.app->gCom.comOpen());
  EXPECT_EQ(b.app->myObjNbx3Seq.ComPortNo, 3);
}

TEST(ModelSurface, OnlySubName0001IsAccepted) {
  Bench b;
  ASSERT_TRUE(b.Start());
  for (const auto& [name, legal] : std::vector<std::pair<std::string, bool>>{
           {"0001", true}, {"0002", false}, {"0000", false}, {"1", false}, {"", false}, {"00010", false}}) {
    EXPECT_EQ(b.Model().RigOpFunc_CheckSubNameLegal(name), legal) << name;
  }
}

}  // namespace
}  // namespace pw::test
