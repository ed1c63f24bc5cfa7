#include "console/clsConsole.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "support/RecordingConsoleEvents.h"
#include "support/RecordingListBox.h"
#include "support/RecordingSequencer.h"

namespace pw {
namespace {

using test::RecordingConsoleEvents;
using test::RecordingListBox;
using test::RecordingSequencer;
using Kind = RecordingConsoleEvents::Kind;
using Call = RecordingConsoleEvents::Call;

constexpr int32_t kAdr = 0xFE8;
const std::string kStale = "stale";

class ConsoleTest : public ::testing::Test {
 protected:
  ConsoleTest() {
    console.myListBox = &list;
    console.myEventClass = &events;
    console.myNbx3Seq = &seq;
    console.myEeprom = &eep;
  }

  // Adds an item with the given range and value, then forgets what setting
  // it up caused, so a test sees only what it does itself.
  int16_t Add(int16_t min, int16_t max, int16_t value, const std::string& title = "") {
    console.AddItem();
    const int16_t i = static_cast<int16_t>(console.ListCount() - 1);
    console.set_Title(i, title);
    console.set_Min(i, min);
    console.set_Max(i, max);
    console.set_Value(i, value);
    console.set_flgChanged(i, false);
    events.calls.clear();
    events.waits.clear();
    return i;
  }

  RecordingListBox list;
  RecordingConsoleEvents events;
  RecordingSequencer seq;
  clsCmcEeprom eep;
  clsConsole console;
};

// ---- Default line ----------------------------------------------------------

struct LineCase {
  const char* title;
  int16_t min;
  int16_t max;
  int16_t value;
  bool bar;
  const char* expected;
};

class ConsoleLineTest : public ConsoleTest, public ::testing::WithParamInterface<LineCase> {};

TEST_P(ConsoleLineTest, LineShowsTitleValueAndBar) {
  const LineCase& c = GetParam();
  const int16_t i = Add(c.min, c.max, c.value, c.title);
  console.set_BarExist(i, c.bar);
  console.Disp(i);
  EXPECT_EQ(list.lines[static_cast<size_t>(i)], c.expected);
  EXPECT_EQ(console.DefaultString(i), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, ConsoleLineTest,
    ::testing::Values(LineCase{" Power(Hi)", 0, 255, 128, true, " Power(Hi): 128 [##########----------]"},
                      LineCase{"       MOD", 0, 255, 5, false, "       MOD:   5"},
                      LineCase{"    BPF T1", -128, 127, 0, true, "    BPF T1:   0 [##########----------]"},
                      LineCase{"    BPF T1", -128, 127, -128, true, "    BPF T1:-128 [--------------------]"},
                      LineCase{"    BPF T1", -128, 127, 127, true, "    BPF T1: 127 [####################]"},
                      // Only the last four characters of a long number are shown.
                      LineCase{"X", -1000, 0, -1000, false, "X:1000"},
                      // Exact halves round to the even count: 2.5 -> 2, 7.5 -> 8, 12.5 -> 12.
                      LineCase{"", 0, 8, 1, true, ":   1 [##------------------]"},
                      LineCase{"", 0, 8, 3, true, ":   3 [########------------]"},
                      LineCase{"", 0, 8, 5, true, ":   5 [############--------]"},
                      // A range of one value has no share to show.
                      LineCase{"", 5, 5, 5, true, ":   5 [--------------------]"},
                      // The full 16-bit range must not overflow the arithmetic.
                      LineCase{"", -32768, 32767, 32767, true, ":2767 [####################]"},
                      LineCase{"", -32768, 32767, 0, true, ":   0 [##########----------]"}));

TEST_F(ConsoleTest, NewItemShowsItsDefaultLineAtOnce) {
  console.set_DefaultWaitAfterE8(20);
  console.AddItem();
  ASSERT_EQ(console.ListCount(), 1);
  ASSERT_EQ(list.lines.size(), 1u);
  EXPECT_EQ(list.lines[0], ":   0");
  EXPECT_EQ(console.WaitAfterE8(0), 20);
  EXPECT_EQ(console.Max(0), 255);
  EXPECT_EQ(console.EeAdr(0), -1);
  EXPECT_EQ(console.E8Command(0), -1);
  EXPECT_FALSE(console.flgChanged(0));
}

TEST_F(ConsoleTest, LineFromDispEventIsShownAsReturned) {
  const int16_t i = Add(0, 255, 7, "  RF Power");
  console.set_BarExist(i, true);
  events.dispText = "  RF Power: Low";
  console.set_Event_Disp(i, 2);
  EXPECT_EQ(list.lines[static_cast<size_t>(i)], "  RF Power: Low");
  EXPECT_EQ(events.calls, (std::vector<Call>{{Kind::Disp, i, 2, 7}}));
}

// ---- Value writes ------------------------------------------------------------

struct WriteCase {
  const char* name;
  int16_t write;
  int16_t stored;
  bool redrawn;
};

class ConsoleWriteTest : public ConsoleTest, public ::testing::WithParamInterface<WriteCase> {};

TEST_P(ConsoleWriteTest, WriteClampsFlagsAndRaisesChangedWithTheStoredValue) {
  const WriteCase& c = GetParam();
  const int16_t i = Add(10, 200, 100, "T");
  console.set_Event_Changed(i, 3);
  list.lines[static_cast<size_t>(i)] = kStale;

  console.set_Value(i, c.write);

  EXPECT_EQ(console.Value(i), c.stored);
  EXPECT_EQ(list.lines[static_cast<size_t>(i)], c.redrawn ? console.DefaultString(i) : kStale);
  EXPECT_TRUE(console.flgChanged(i));
  EXPECT_EQ(events.calls, (std::vector<Call>{{Kind::Changed, i, 3, c.stored}}));
}

INSTANTIATE_TEST_SUITE_P(Writes, ConsoleWriteTest,
                         ::testing::Values(WriteCase{"InRange", 150, 150, true},
                                           WriteCase{"SameValue", 100, 100, false},
                                           WriteCase{"AboveMax", 300, 200, true}, WriteCase{"BelowMin", -5, 10, true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(ConsoleTest, WriteWithoutEventChangedRaisesNothing) {
  const int16_t i = Add(0, 255, 0);
  console.set_Value(i, 9);
  EXPECT_TRUE(events.calls.empty());
  EXPECT_TRUE(console.flgChanged(i));
}

struct LimitCase {
  const char* name;
  bool setMin;  // otherwise Max is set
  int16_t limit;
  int16_t min;
  int16_t max;
  int16_t value;
};

class ConsoleLimitTest : public ConsoleTest, public ::testing::WithParamInterface<LimitCase> {};

// Limits drag each other and the value along, but that is no write of the
// value: nothing is flagged for sending and no event is raised.
TEST_P(ConsoleLimitTest, LimitsStayOrderedAndClampTheValueSilently) {
  const LimitCase& c = GetParam();
  const int16_t i = Add(50, 150, 100, "T");
  console.set_Event_Changed(i, 0);
  list.lines[static_cast<size_t>(i)] = kStale;

  if (c.setMin) {
    console.set_Min(i, c.limit);
  } else {
    console.set_Max(i, c.limit);
  }

  EXPECT_EQ(console.Min(i), c.min);
  EXPECT_EQ(console.Max(i), c.max);
  EXPECT_EQ(console.Value(i), c.value);
  EXPECT_EQ(list.lines[static_cast<size_t>(i)], console.DefaultString(i));
  EXPECT_FALSE(console.flgChanged(i));
  EXPECT_TRUE(events.calls.empty());
}

INSTANTIATE_TEST_SUITE_P(Limits, ConsoleLimitTest,
                         ::testing::Values(LimitCase{"MinBelowValue", true, 20, 20, 150, 100},
                                           LimitCase{"MinAboveValue", true, 120, 120, 150, 120},
                                           LimitCase{"MinAboveMax", true, 300, 300, 300, 300},
                                           LimitCase{"MaxBelowValue", false, 80, 50, 80, 80},
                                           LimitCase{"MaxBelowMin", false, 20, 20, 20, 20}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(ConsoleTest, SettingFlgChangedReclampsAndRedraws) {
  const int16_t i = Add(0, 255, 0, "T");
  list.lines[static_cast<size_t>(i)] = kStale;
  console.set_flgChanged(i, false);
  EXPECT_EQ(list.lines[static_cast<size_t>(i)], kStale);
  console.set_flgChanged(i, true);
  EXPECT_TRUE(console.flgChanged(i));
  EXPECT_EQ(list.lines[static_cast<size_t>(i)], "T:   0");
}

// ---- Stepping ------------------------------------------------------------------

struct StepCase {
  const char* name;
  bool loop;
  int16_t min;
  int16_t max;
  int16_t start;
  std::vector<int16_t> steps;
  std::vector<int16_t> values;  // after each step
};

class ConsoleStepTest : public ConsoleTest, public ::testing::WithParamInterface<StepCase> {};

TEST_P(ConsoleStepTest, StepsClampOrWrapOnlyFromTheVeryEnd) {
  const StepCase& c = GetParam();
  const int16_t i = Add(c.min, c.max, c.start);
  console.set_LoopVal(i, c.loop);
  console.set_Event_Changed(i, 1);
  for (size_t k = 0; k < c.steps.size(); ++k) {
    console.set_flgChanged(i, false);
    console.UpDown(i, c.steps[k]);
    EXPECT_EQ(console.Value(i), c.values[k]) << "after step " << k;
    EXPECT_TRUE(console.flgChanged(i)) << "after step " << k;
  }
  // Every step is a write, even one that leaves the value where it was.
  EXPECT_EQ(events.CallsOf(Kind::Changed).size(), c.steps.size());
}

INSTANTIATE_TEST_SUITE_P(
    Steps, ConsoleStepTest,
    ::testing::Values(StepCase{"WrapUpFromMax", true, 0, 2, 2, {1}, {0}},
                      StepCase{"WrapDownFromMin", true, 0, 2, 0, {-1}, {2}},
                      StepCase{"BigStepStopsAtMaxThenWraps", true, 0, 255, 253, {5, 5}, {255, 0}},
                      StepCase{"BigStepStopsAtMinThenWraps", true, -128, 127, -126, {-5, -5}, {-128, 127}},
                      StepCase{"NoLoopStaysAtMax", false, 0, 255, 255, {1, 5}, {255, 255}},
                      StepCase{"NoLoopStopsAtMin", false, 0, 255, 3, {-5}, {0}},
                      StepCase{"OverflowStopsAtTop", false, -32768, 32767, 32767, {1}, {32767}},
                      StepCase{"OverflowStopsAtBottom", false, -32768, 32767, -32766, {-5}, {-32768}},
                      StepCase{"LargeStepNearTop", false, 0, 32767, 32000, {1000}, {32767}},
                      StepCase{"OverflowingLoopWraps", true, 0, 32767, 32767, {1}, {0}}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- Enter ---------------------------------------------------------------------

TEST_F(ConsoleTest, OnlyTheLastEnterStaysPending) {
  for (int k = 0; k < 6; ++k) Add(0, 255, 0);
  console.EnterPushed(3);
  console.EnterPushed(5);
  for (int16_t k = 0; k < 6; ++k) EXPECT_EQ(console.flgEnterOn(k), k == 5) << "item " << k;

  console.set_flgEnterOn(2, true);
  console.set_flgEnterOn(2, false);
  for (int16_t k = 0; k < 6; ++k) EXPECT_FALSE(console.flgEnterOn(k)) << "item " << k;
}

TEST_F(ConsoleTest, EnterExecCallsTheHandlerThenRedraws) {
  const int16_t i = Add(0, 255, 4, "       SQL");
  console.set_Event_Enter(i, 2);
  events.onEvent = [&](clsConsole&, const Call& call) {
    // The line is redrawn only after the handler has run.
    if (call.kind == Kind::Enter) {
      EXPECT_EQ(list.lines[static_cast<size_t>(i)], kStale);
    }
  };
  list.lines[static_cast<size_t>(i)] = kStale;
  console.EnterExec(i);
  EXPECT_EQ(events.calls, (std::vector<Call>{{Kind::Enter, i, 2, 4}}));
  EXPECT_EQ(list.lines[static_cast<size_t>(i)], "       SQL:   4");
}

TEST_F(ConsoleTest, EnterExecWithoutEventDoesNothing) {
  const int16_t i = Add(0, 255, 4, "T");
  list.lines[static_cast<size_t>(i)] = kStale;
  console.EnterExec(i);
  EXPECT_TRUE(events.calls.empty());
  EXPECT_EQ(list.lines[static_cast<size_t>(i)], kStale);
}

// ---- EEPROM mirror ---------------------------------------------------------------

struct ReadCase {
  bool isSigned;
  uint8_t byte;
  int16_t value;
};

class ConsoleReadTest : public ConsoleTest, public ::testing::WithParamInterface<ReadCase> {};

TEST_P(ConsoleReadTest, ReadFromEeDecodesTheByteAndWritesTheValue) {
  const ReadCase& c = GetParam();
  const int16_t i = c.isSigned ? Add(-128, 127, 0) : Add(0, 255, 0);
  console.set_EeAdr(i, kAdr);
  console.set_EeDataSigned(i, c.isSigned);
  console.set_Event_Changed(i, 5);
  eep.WriteByte(kAdr, c.byte);

  console.ReadFromEe(i);

  EXPECT_EQ(console.Value(i), c.value);
  EXPECT_TRUE(console.flgChanged(i));
  EXPECT_EQ(events.calls, (std::vector<Call>{{Kind::Changed, i, 5, c.value}}));
}

INSTANTIATE_TEST_SUITE_P(Bytes, ConsoleReadTest,
                         ::testing::Values(ReadCase{true, 0xF6, -10}, ReadCase{false, 0xF6, 246},
                                           ReadCase{true, 0x80, -128}, ReadCase{true, 0x7F, 127},
                                           ReadCase{false, 0xFF, 255}));

TEST_F(ConsoleTest, WriteToEeStoresTheLowByte) {
  const int16_t i = Add(-128, 127, -10);
  console.set_EeAdr(i, kAdr);
  console.WriteToEe(i);
  EXPECT_EQ(eep.ReadByte(kAdr), 0xF6);
  console.set_Value(i, 127);
  console.WriteToEe(i);
  EXPECT_EQ(eep.ReadByte(kAdr), 0x7F);
}

TEST_F(ConsoleTest, ItemWithoutEepromByteLeavesTheImageAlone) {
  const int16_t i = Add(0, 255, 77);
  eep.WriteByte(0, 0x12);
  console.WriteToEe(i);
  console.ReadFromEe(i);
  EXPECT_EQ(eep.ReadBlock(0, clsCmcEeprom::kDefaultSize), [] {
    ByteStr image(clsCmcEeprom::kDefaultSize, 0);
    image[0] = 0x12;
    return image;
  }());
  EXPECT_EQ(console.Value(i), 77);
  EXPECT_FALSE(console.flgChanged(i));
}

// ---- Sending ---------------------------------------------------------------------

struct SendCase {
  int16_t command;
  int16_t min;
  int16_t value;
  const char* text;
  uint8_t byte;
};

class ConsoleSendTest : public ConsoleTest, public ::testing::WithParamInterface<SendCase> {};

TEST_P(ConsoleSendTest, DefaultSendBuildsTheE8TextSetsTheWaitAndMirrors) {
  const SendCase& c = GetParam();
  const int16_t i = Add(c.min, static_cast<int16_t>(c.min + 255), c.value);
  console.set_E8Command(i, c.command);
  console.set_EeAdr(i, kAdr);
  console.set_WaitAfterE8(i, 20);

  console.SendE8(i);

  ASSERT_EQ(seq.sent.size(), 1u);
  EXPECT_EQ(seq.sent[0].text, c.text);
  EXPECT_FALSE(seq.sent[0].answerRequested);
  EXPECT_EQ(events.waits, std::vector<int32_t>{20});
  EXPECT_EQ(eep.ReadByte(kAdr), c.byte);
}

INSTANTIATE_TEST_SUITE_P(Commands, ConsoleSendTest,
                         ::testing::Values(SendCase{8, 0, 63, "083346", 0x3F}, SendCase{16, -128, -1, "104646", 0xFF},
                                           SendCase{12, 0, 255, "0C4646", 0xFF}, SendCase{0, 0, 0, "003030", 0x00},
                                           SendCase{19, -128, -128, "133830", 0x80}));

TEST_F(ConsoleTest, SendWithoutCommandStillMirrorsTheValue) {
  const int16_t i = Add(0, 255, 42);
  console.set_EeAdr(i, kAdr);
  console.SendE8(i);
  EXPECT_TRUE(seq.sent.empty());
  EXPECT_EQ(eep.ReadByte(kAdr), 42);
}

TEST_F(ConsoleTest, SendEventReplacesTheDefaultSendAndIsMirroredAfterwards) {
  const int16_t i = Add(0, 255, 42);
  console.set_E8Command(i, 12);
  console.set_EeAdr(i, kAdr);
  console.set_Event_SendE8(i, 2);
  events.onEvent = [&](clsConsole& c, const Call& call) {
    if (call.kind != Kind::SendE8) return;
    EXPECT_EQ(eep.ReadByte(kAdr), 0) << "mirrored before the handler ran";
    c.set_Value(call.index, 43);  // the image takes what the value is afterwards
  };

  console.SendE8(i);

  EXPECT_TRUE(seq.sent.empty());
  EXPECT_TRUE(events.waits.empty());
  ASSERT_FALSE(events.CallsOf(Kind::SendE8).empty());
  EXPECT_EQ(events.CallsOf(Kind::SendE8)[0], (Call{Kind::SendE8, i, 2, 42}));
  EXPECT_EQ(eep.ReadByte(kAdr), 43);
}

// ---- Lifecycle and robustness -----------------------------------------------------

TEST_F(ConsoleTest, ClearDropsItemsLinesAndTheDefaultWait) {
  console.set_DefaultWaitAfterE8(20);
  Add(0, 255, 1);
  Add(0, 255, 2);
  list.selected = 1;

  console.Clear();

  EXPECT_EQ(console.ListCount(), 0);
  EXPECT_TRUE(list.lines.empty());
  EXPECT_EQ(console.DefaultWaitAfterE8(), 0);
  console.AddItem();
  EXPECT_EQ(console.WaitAfterE8(0), 0);
  EXPECT_EQ(list.lines, std::vector<std::string>{":   0"});
}

TEST_F(ConsoleTest, IndexOutsideTheConsoleIsIgnored) {
  const int16_t i = Add(-128, 127, 5, "T");
  console.set_EeAdr(i, kAdr);
  console.set_E8Command(i, 8);
  console.set_Event_Changed(i, 0);
  console.set_Event_Enter(i, 0);
  console.set_BarExist(i, true);
  const std::vector<std::string> linesBefore = list.lines;

  const std::vector<std::function<void(int16_t)>> operations = {
      [&](int16_t k) { console.set_Value(k, 9); },
      [&](int16_t k) { console.set_Min(k, 1); },
      [&](int16_t k) { console.set_Max(k, 1); },
      [&](int16_t k) { console.set_Title(k, "x"); },
      [&](int16_t k) { console.set_flgChanged(k, true); },
      [&](int16_t k) { console.set_flgEnterOn(k, true); },
      [&](int16_t k) { console.set_Event_Disp(k, 1); },
      [&](int16_t k) { console.UpDown(k, 1); },
      [&](int16_t k) { console.Disp(k); },
      [&](int16_t k) { console.ReadFromEe(k); },
      [&](int16_t k) { console.WriteToEe(k); },
      [&](int16_t k) { console.SendE8(k); },
      [&](int16_t k) { console.EnterPushed(k); },
      [&](int16_t k) { console.EnterExec(k); },
  };
  for (int16_t bad : {int16_t{-1}, int16_t{1}, int16_t{32767}}) {
    for (const auto& op : operations) op(bad);
    EXPECT_EQ(console.Title(bad), "");
    EXPECT_EQ(console.Value(bad), 0);
    EXPECT_EQ(console.Max(bad), 0);
    EXPECT_EQ(console.EeAdr(bad), 0);
    EXPECT_FALSE(console.BarExist(bad));
    EXPECT_EQ(console.DefaultString(bad), "");
    EXPECT_EQ(console.BarString(bad), "");
  }

  EXPECT_EQ(list.lines, linesBefore);
  EXPECT_TRUE(events.calls.empty());
  EXPECT_TRUE(seq.sent.empty());
  EXPECT_EQ(eep.ReadByte(kAdr), 0);
  EXPECT_EQ(console.Value(i), 5);
  EXPECT_FALSE(console.flgChanged(i));
  EXPECT_FALSE(console.flgEnterOn(i));
}

TEST(ConsoleUnbound, WorksWithoutListBoxReceiverSequencerOrImage) {
  clsConsole console;
  console.AddItem();
  console.set_Event_Disp(0, 1);
  console.set_Event_Changed(0, 1);
  console.set_Event_SendE8(0, 1);
  console.set_Event_Enter(0, 1);
  console.set_EeAdr(0, kAdr);
  console.set_Value(0, 300);
  EXPECT_EQ(console.Value(0), 255) << "clamped without a receiver";
  EXPECT_TRUE(console.flgChanged(0));
  console.UpDown(0, -1);
  EXPECT_EQ(console.Value(0), 254);
  console.ReadFromEe(0);
  EXPECT_EQ(console.Value(0), 254) << "no image: nothing to read";
  console.SendE8(0);
  console.EnterPushed(0);
  console.EnterExec(0);
  EXPECT_EQ(console.Value(0), 254);
  console.set_Event_SendE8(0, -1);
  console.set_E8Command(0, 8);
  console.SendE8(0);
  EXPECT_EQ(console.Value(0), 254);
  console.Clear();
  EXPECT_EQ(console.ListCount(), 0);
  EXPECT_EQ(console.Value(0), 0) << "a line that is gone reads as nothing";
  console.AddItem();
  EXPECT_EQ(console.ListCount(), 1);
  EXPECT_EQ(console.Value(0), 0) << "a new console starts afresh";
  EXPECT_EQ(console.Event_Disp(0), -1);
}

// The model's handlers call back into the console; one that rebuilds it
// (a reset from inside an event) must not leave the console reading freed
// items.
TEST_F(ConsoleTest, HandlersMayRebuildTheConsoleDuringAnEvent) {
  const int16_t i = Add(0, 255, 1);
  console.set_Event_Disp(i, 0);
  console.set_Event_SendE8(i, 0);
  console.set_EeAdr(i, kAdr);
  bool grown = false;
  events.onEvent = [&](clsConsole& c, const Call& call) {
    if (call.kind == Kind::Disp && !grown) {
      grown = true;
      for (int k = 0; k < 64; ++k) c.AddItem();
    }
    if (call.kind == Kind::SendE8) c.Clear();
  };

  console.set_Min(i, 5);
  EXPECT_EQ(console.ListCount(), 65);
  EXPECT_EQ(console.Value(i), 5);

  console.SendE8(i);
  EXPECT_EQ(console.ListCount(), 0);
  EXPECT_EQ(eep.ReadByte(kAdr), 0);
}

}  // namespace
}  // namespace pw
