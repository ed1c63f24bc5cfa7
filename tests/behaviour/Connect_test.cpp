// Connect from end to end on virtual time against the simulated radio: the
// clone read with its progress line, the first cycle (ATIS off, the monitor
// readings, every item sent once), keys and buttons on the live console, and
// the two ways the cycle can stall or fail.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "support/ConsoleLines.h"
#include "support/Bench.h"
#include "support/WireLog.h"

namespace pw::test {
namespace {

using sim::FaultKind;
using sim::FaultTrigger;

const std::vector<std::string> kReadings = {"903030", "913030", "923030", "933030", "943030", "953030", "963030",
                                            "983030", "993030", "9A3030", "9B3030", "803030", "813030", "823030",
                                            "833030", "843030", "853030", "A03030", "A13030"};

bool IsReading(const std::string& text) {
  return std::find(kReadings.begin(), kReadings.end(), text) != kReadings.end();
}

// Log index just past the clone read's end frame.
size_t AfterClone(const sim::Radio& radio) {
  const auto& log = radio.frameLog();
  for (size_t i = log.size(); i > 0; --i) {
    if (log[i - 1].bytes.size() > 4 && log[i - 1].bytes[4] == 0xE5) return i;
  }
  return log.size();
}

TEST(Connect, ProgressLineFillsWhileTheCloneReadRunsAndNothingElseChanges) {
  Bench b;
  ASSERT_TRUE(b.Start());
  const std::vector<std::string> consoleBefore = b.window.console.lines;
  const auto monitorsBefore = b.window.monitors;
  b.Connect();
  std::vector<std::string> samples;
  ASSERT_TRUE(b.RunUntil(
      [&] {
        if (b.Model().opState() == op::CloneRead && b.app->myObjNbx3Seq.OpRunning()) {
          samples.push_back(b.window.progress);
          EXPECT_EQ(b.window.console.lines, consoleBefore);
          EXPECT_TRUE(b.window.frames[0]);
          EXPECT_FALSE(b.window.frames[1]);
        }
        return b.Model().opState() > op::CloneRead;
      },
      30000));
  // Until the first busy pass the line still holds its blank reset text.
  const std::string blank(32, ' ');
  while (!samples.empty() && samples.front() == blank) samples.erase(samples.begin());
  ASSERT_GT(samples.size(), 100u);
  EXPECT_EQ(samples.front(), std::string(32, '.'));
  EXPECT_EQ(samples.back(), std::string(32, 'o'));
  size_t filled = 0;
  for (const std::string& s : samples) {
    ASSERT_EQ(s.size(), 32u);
    const size_t o = s.find_first_not_of('o') == std::string::npos ? 32 : s.find_first_not_of('o');
    EXPECT_EQ(s.find_first_not_of('.', o), std::string::npos) << s;
    EXPECT_GE(o, filled) << "the line never shrinks";
    filled = o;
  }
  // Every stage of the line is shown on the way.
  std::vector<std::string> distinct = samples;
  distinct.erase(std::unique(distinct.begin(), distinct.end()), distinct.end());
  EXPECT_EQ(distinct.size(), 33u);
  EXPECT_EQ(b.window.monitors[0].lines, monitorsBefore[0].lines);
  EXPECT_EQ(b.window.monitors[1].lines, monitorsBefore[1].lines);
}

TEST(Connect, ConsoleGoesLiveWithTheMonitorsFilled) {
  sim::RadioOptions options;
  options.supplyVolts = 13.76;
  Bench b(options);
  ASSERT_TRUE(b.Start());
  ASSERT_TRUE(b.ConnectAndSettle());

  EXPECT_TRUE(b.window.frames[1]);
  EXPECT_FALSE(b.window.frames[0]);
  EXPECT_FALSE(b.window.frames[3]);
  EXPECT_EQ(b.window.consoleFocus, 1);
  EXPECT_EQ(b.window.buttonEnabled, (std::array<bool, 3>{true, true, true}));
  EXPECT_FALSE(b.window.buttonDefault[2]);
  EXPECT_FALSE(b.window.atisWaiting);
  EXPECT_TRUE(b.window.messages.empty());
  for (int a = 0; a < 4096; ++a) ASSERT_EQ(b.Image().ReadByte(a), b.radio.peek(a)) << a;

  const auto& ad = b.window.monitors[0].lines;
  const auto& da = b.window.monitors[1].lines;
  ASSERT_EQ(ad.size(), 12u);
  ASSERT_EQ(da.size(), 11u);
  EXPECT_EQ(ad[1], "MKEY :246:F6h:  4.15V");
  EXPECT_EQ(ad[5], "TEMPS:173:ADh: 24.83'C");
  EXPECT_EQ(ad[7], "TXDET:  0:00h:  0.00V");
  EXPECT_EQ(ad[11], "BATT :255:FFh: 13.76V");
  EXPECT_EQ(da[2], "POWCON:150:96h:  2.53V");  // the Power(Hi) level, RF Power being High
  EXPECT_EQ(da[9], "OPEN :104");
  EXPECT_EQ(da[10], "CLOSE:100");
  for (size_t row : {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}) EXPECT_NE(ad[row], "----") << row;
  for (size_t row : {1, 2, 3, 4, 5, 6, 9, 10}) EXPECT_NE(da[row], "----") << row;
}

TEST(Connect, FirstCycleConfirmsAtisOffReadsEveryMonitorThenSendsEveryItemOnceAfterItsWait) {
  Bench b;
  ASSERT_TRUE(b.Start());
  ASSERT_TRUE(b.ConnectAndSettle());
  b.Run(2000);  // later idle cycles send nothing more
  const std::vector<SentE8> sent = SentE8Frames(b.radio, AfterClone(b.radio));

  std::vector<std::string> expected = {"033030"};
  expected.insert(expected.end(), kReadings.begin(), kReadings.end());
  const std::vector<std::string> items = {"003032",   // Dial Mode: INT
                                          "013032",   // CH No.: channel 01, table row 2
                                          "023030",   // RF Power: High
                                          "0C3936",   // Power(Hi) 150
                                          "0B3743",   // Power(LO) 124
                                          "0D3636",   // Power(EL) 102
                                          "083830",   // MOD 128
                                          "104634",   // BPF T1 -12
                                          "113032",   // BPF T2 2
                                          "123138",   // BPF T3 24
                                          "134446"};  // BPF T4 -33
  expected.insert(expected.end(), items.begin(), items.end());
  std::vector<std::string> texts;
  for (const SentE8& s : sent) texts.push_back(s.text);
  ASSERT_EQ(texts, expected);
  EXPECT_EQ(b.radio.atisMode(), 0);
  EXPECT_FALSE(b.Model().flgAtisWait());

  // Each reading is asked for only once the previous answer is in.
  const auto& log = b.radio.frameLog();
  const size_t first = AfterClone(b.radio);
  for (size_t i = first; i + 1 < first + 2 * 20; i += 2) {
    EXPECT_EQ(log[i].direction, sim::FrameLogEntry::Direction::Rx) << i;
    EXPECT_EQ(log[i + 1].direction, sim::FrameLogEntry::Direction::Tx) << i;
  }

  // Dial Mode holds the next send back 200 ms, every other item 20 ms.
  const size_t dial = 1 + kReadings.size();
  EXPECT_GE(sent[dial + 1].ms - sent[dial].ms, 200);
  for (size_t i = dial + 2; i < sent.size(); ++i) {
    EXPECT_GE(sent[i].ms - sent[i - 1].ms, 20) << texts[i];
    EXPECT_LT(sent[i].ms - sent[i - 1].ms, 200) << texts[i];
  }
}

TEST(Connect, RightArrowOnModReachesTheRadioAsOneFrameOnTheNextTick) {
  Bench b;
  ASSERT_TRUE(b.Start());
  ASSERT_TRUE(b.ConnectAndSettle());
  b.Run(500);
  const size_t mark = b.radio.frameLog().size();
  const int64_t pressed = b.port.Now();
  b.Select(kMod);
  b.Key(keys::kRight);
  EXPECT_EQ(b.window.console.lines[kMod], "       MOD: 129 [##########----------]");

  b.Run(50);
  std::vector<SentE8> sent = SentE8Frames(b.radio, mark);
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].text, "083831");
  EXPECT_LE(sent[0].ms, pressed + 50 + 14);  // 13 bytes at 960 bytes/s after the tick
  EXPECT_EQ(b.Image().ReadByte(0xFE4), 129);
  EXPECT_EQ(b.radio.peek(0xFE4), 129);

  b.Run(1000);
  EXPECT_EQ(SentE8Frames(b.radio, mark).size(), 1u);
}

TEST(Connect, ReloadReadsTheMonitorsAgainAndRewritesOnlyTheRowsThatChanged) {
  Bench b;
  ASSERT_TRUE(b.Start());
  ASSERT_TRUE(b.ConnectAndSettle());
  size_t mark = b.radio.frameLog().size();
  b.Run(1000);
  EXPECT_TRUE(SentE8Frames(b.radio, mark).empty()) << "no readings without a reload";

  auto& ad = b.window.monitors[0].lines;
  auto& da = b.window.monitors[1].lines;
  for (size_t row = 1; row <= 11; ++row) ad[row] = "stale";
  for (size_t row : {1, 2, 3, 4, 5, 6, 9, 10}) da[row] = "stale";
  b.radio.setSupplyVolts(13.76);  // BATT reads 255
  b.radio.poke(0xFBB, 45);        // CLOSE reads 45
  mark = b.radio.frameLog().size();

  b.Key(keys::kF5);
  ASSERT_TRUE(b.RunUntil([&] { return SentE8Texts(b.radio, mark).size() == kReadings.size() && b.AllSent(); }, 5000));
  b.Run(200);

  EXPECT_EQ(SentE8Texts(b.radio, mark), kReadings);
  EXPECT_EQ(ad[11], "BATT :255:FFh: 13.76V");
  EXPECT_EQ(da[10], "CLOSE: 45");
  for (size_t row = 1; row <= 10; ++row) EXPECT_EQ(ad[row], "stale") << row;
  for (size_t row : {1, 2, 3, 4, 5, 6, 9}) EXPECT_EQ(da[row], "stale") << row;
}

TEST(Connect, DispParaShowsTheDumpAndASecondPressReturnsToTheConsole) {
  Bench b;
  ASSERT_TRUE(b.Start());
  ASSERT_TRUE(b.ConnectAndSettle());
  b.Select(kSql);
  b.Key(keys::kReturn);
  b.Run(100);
  ASSERT_GE(b.Model().procStep(), proc::SqlStart);
  ASSERT_LE(b.Model().procStep(), proc::SqlNoise1);

  b.app->main.cmd00_Click(2);
  EXPECT_EQ(b.Model().procStep(), proc::None) << "any button ends the procedure at once";
  ASSERT_TRUE(b.RunUntil([&] { return b.Model().opState() == op::DispPara; }, 2000));
  b.Run(50);

  const std::string& dump = b.window.dispPara;
  EXPECT_EQ(std::count(dump.begin(), dump.end(), '\n'), 128);
  EXPECT_EQ(dump.substr(0, 31), std::string(12, ' ') + "MOD Initial:  128\r\n");
  EXPECT_NE(dump.find("\r\n           POW HI Level:  150\r\n"), std::string::npos);
  EXPECT_NE(dump.find("\r\n  BPF Tracking T1 Level:  -12\r\n"), std::string::npos);
  EXPECT_EQ(dump.size(), 128u * 31u);
  EXPECT_TRUE(b.window.frames[3]);
  EXPECT_FALSE(b.window.frames[1]);
  EXPECT_FALSE(b.window.frames[0]);
  EXPECT_EQ(b.window.buttonEnabled, (std::array<bool, 3>{false, false, true}));
  EXPECT_TRUE(b.window.buttonDefault[2]);
  EXPECT_EQ(b.window.console.lines[kSql], "       SQL: [Enter] to Start");

  // The dump is written once, on the way in.
  b.window.dispPara = "kept";
  b.Run(500);
  EXPECT_EQ(b.window.dispPara, "kept");
  EXPECT_EQ(b.Model().opState(), op::DispPara);

  const int focusBefore = b.window.consoleFocus;
  b.app->main.cmd00_Click(2);
  b.Run(100);
  EXPECT_TRUE(b.Model().RigR4TProp_EditEnabled());
  EXPECT_EQ(b.window.focusedButton, 2);
  EXPECT_EQ(b.window.consoleFocus, focusBefore + 1) << "the console frame reappears with the focus";
  EXPECT_FALSE(b.window.frames[3]);
  EXPECT_TRUE(b.window.frames[1]);
  EXPECT_FALSE(b.window.buttonDefault[2]);
  EXPECT_EQ(b.window.buttonEnabled, (std::array<bool, 3>{true, true, true}));
}

TEST(Connect, UnconfirmedAtisOffRepeatsTheRequestAndHoldsEverythingElse) {
  Bench b;
  b.radio.addFault({FaultKind::AtisNeverConfirmed, FaultTrigger::subCommand(0x03)});
  ASSERT_TRUE(b.Start());
  b.Connect();
  ASSERT_TRUE(b.RunUntil([&] { return b.Model().opState() >= op::CycleStart; }, 30000));
  b.Run(2000);

  const std::vector<std::string> sent = SentE8Texts(b.radio, AfterClone(b.radio));
  EXPECT_GE(sent.size(), 10u);
  for (const std::string& t : sent) EXPECT_EQ(t, "033030");
  EXPECT_EQ(b.Model().opState(), op::AtisOff);
  EXPECT_TRUE(b.window.atisWaiting);
  EXPECT_TRUE(b.window.frames[1]) << "the console is live while it waits";
  EXPECT_TRUE(b.window.messages.empty());

  b.radio.clearFaults();
  const size_t mark = b.radio.frameLog().size();
  ASSERT_TRUE(b.RunUntil([&] { return !b.Model().flgAtisWait() && b.AllSent(); }, 5000));
  b.Run(100);
  EXPECT_FALSE(b.window.atisWaiting);
  const std::vector<std::string> after = SentE8Texts(b.radio, mark);
  EXPECT_EQ(std::count_if(after.begin(), after.end(), IsReading), 19);
  EXPECT_EQ(after.back(), "134446");
}

TEST(Connect, MalformedMonitorAnswerEndsInCommunicationFailedAndTheConnectPage) {
  Bench b;
  b.radio.addFault({FaultKind::MalformedValue, FaultTrigger::subCommand(0x94)});
  ASSERT_TRUE(b.Start());
  b.Connect();
  ASSERT_TRUE(b.RunUntil([&] { return !b.window.messages.empty(); }, 30000));
  b.Run(50);

  EXPECT_EQ(b.window.messages, std::vector<std::string>{"Communication failed.\r\n\r\nCheck the following:\r\n\r\n"
                                                        "- Cloning cable connections.\r\n- The KQ-R4T power is ON."});
  EXPECT_EQ(b.Model().opState(), op::Idle);
  EXPECT_TRUE(b.window.frames[0]);
  EXPECT_FALSE(b.window.frames[1]);
  EXPECT_FALSE(b.app->gCom.comOpen());
  EXPECT_FALSE(b.app->gCom.totalError());
  EXPECT_EQ(b.Console().Value(kPowerHi), 0);

  // The readings stop at the bad one and nothing follows.
  const std::vector<std::string> sent = SentE8Texts(b.radio, AfterClone(b.radio));
  EXPECT_EQ(sent, (std::vector<std::string>{"033030", "903030", "913030", "923030", "933030", "943030"}));
  const size_t mark = b.radio.frameLog().size();
  b.Run(2000);
  EXPECT_EQ(b.radio.frameLog().size(), mark);
  EXPECT_EQ(b.window.messages.size(), 1u);
}

}  // namespace
}  // namespace pw::test
