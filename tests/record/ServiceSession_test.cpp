// A scripted session at the bench, on virtual time against the simulated
// radio, and the service record it leaves behind: the report line by line
// and the image as it was before the bench touched the radio.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>

#include "procedures/ProcedureBench.h"
#include "sim/Analog.h"
#include "sim/Fault.h"
#include "support/ConsoleLines.h"
#include "support/RecordDesk.h"

namespace pw::test {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;

// A procedure bench whose record keeper runs on the bench's calendar and
// asks its questions of a script.
class RecordBench : public ProcedureBench {
 public:
  RecordBench() {
    Records().SetCalendar(&calendar);
    Records().SetDialogs(&dialogs);
    Records().SetProgramVersion("9.9.9");
  }
  ServiceRecords& Records() { return b.app->records; }
  const ServiceRecord& Record() { return *Records().record(); }
  // The record's log, one text a line: what ran and how it ended.
  std::vector<std::string> Log() {
    std::vector<std::string> out;
    for (const ServiceRecord::Entry& e : Record().log()) {
      out.push_back(e.isRun ? ServiceRecord::ProcedureName(e.procedure) + ": " +
                                  (e.ended ? ServiceRecord::EndText(e.how) : "running")
                            : "Link error: " + e.linkError);
    }
    return out;
  }
  [[nodiscard]] bool RunToMessage(int limitMs = 20000) {
    return b.RunUntil([&] { return !b.window.messages.empty(); }, limitMs);
  }

  BenchCalendar calendar{b.clock};
  ScriptedDialogs dialogs;
};

// The lines of the report's section that starts with `heading`, up to the
// next empty line.
std::vector<std::string> Section(const std::vector<std::string>& lines, const std::string& heading) {
  auto it = std::find_if(lines.begin(), lines.end(), [&](const std::string& l) { return l.rfind(heading, 0) == 0; });
  std::vector<std::string> out;
  if (it == lines.end()) return out;
  for (++it; it != lines.end() && !it->empty(); ++it) out.push_back(*it);
  return out;
}

TEST(ServiceSession, ScriptedSessionLeavesItsReportAndTheImageAsRead) {
  RecordBench p;
  const sim::Memory before = p.b.radio.memory();
  ASSERT_TRUE(p.Connect());

  p.Right(kMod);       // MOD Level 128 -> 129
  p.Right(kBpfT1, 3);  // BPF T1 -12 -> -9
  p.b.Run(2000);

  p.b.radio.setTestSignal(0.0);
  p.Enter(kSql);
  ASSERT_TRUE(p.RunToStep(proc::SqlNoise1));
  p.Enter(kSql);
  ASSERT_TRUE(p.RunToStep(proc::SqlNoise2));
  p.b.radio.setTestSignal(20.0);
  p.Enter(kSql);
  ASSERT_TRUE(p.RunToBeep());
  p.b.Run(2000);

  p.Enter(kAtis);
  ASSERT_TRUE(p.RunToStep(proc::Atis1300Set));
  p.b.Key(keys::kF5);
  ASSERT_TRUE(p.b.Settle());
  const std::string tempsShown = p.b.window.monitors[0].lines.at(5);
  ASSERT_THAT(tempsShown, HasSubstr("TEMPS:173:ADh:"));

  // The temperature reading of the next reload goes unanswered.
  p.b.radio.addFault({sim::FaultKind::NoAnswer, sim::FaultTrigger::subCommand(0x94), false, 0});
  p.b.Key(keys::kF5);
  ASSERT_TRUE(p.RunToMessage());
  ASSERT_EQ(p.b.window.monitors[0].lines.at(5), "----") << "the reset has cleared the lists";

  // Saved through the menu, after the link error.
  p.b.Run(1000);
  EXPECT_TRUE(p.b.window.recordSaveEnabled);
  const std::filesystem::path txt = p.b.dir.path() / "KQ-R4T 2026-12-10 1432.txt";
  p.dialogs.paths.push_back(PathToUtf8(txt));
  p.b.app->main.mnuFileSaveRecord_Click();
  EXPECT_THAT(p.dialogs.asked, ElementsAre("save in '' as 'KQ-R4T 2026-12-10 1432.txt'"));

  const std::string bin = FileBytes(p.b.dir.path() / "KQ-R4T 2026-12-10 1432.bin");
  ASSERT_EQ(bin.size(), before.size());
  for (size_t i = 0; i < before.size(); ++i) {
    EXPECT_EQ(static_cast<uint8_t>(bin[i]), before[i]) << "the .bin is the radio's memory before the session, at " << i;
  }

  const std::string report = FileBytes(txt);
  const std::vector<std::string> lines = ReportLines(report);
  ASSERT_GT(lines.size(), 150u);
  EXPECT_EQ(report.substr(report.size() - 2), "\r\n");
  for (const std::string& l : lines) {
    EXPECT_LE(l.size(), 100u) << l;
    EXPECT_TRUE(std::all_of(l.begin(), l.end(), [](char c) { return c >= 0x20 && c < 0x7F; })) << l;
  }

  EXPECT_THAT(std::vector<std::string>(lines.begin(), lines.begin() + 12),
              ElementsAre("PW-R4T ADJ Rev.1.1 service record (pwr4tadj 9.9.9)",
                          "==================================================", "",                  //
                          "Connected:  2026-12-10 14:32:00", "Reported:   2026-12-10 14:32:24", "",  //
                          "Radio", "  Port:      COM 1 (simulated radio on COM 1)", "  Model:     2320",
                          "  Sub name:  0001", "  Market:    other than Japan", ""));

  const std::vector<std::string> params = Section(lines, "Parameters:");
  ASSERT_EQ(params.size(), 129u);
  EXPECT_EQ(params.front(), "              MOD Initial:  128   128");
  std::vector<std::string> changed;
  for (const std::string& l : params) {
    if (l[0] == '*') changed.push_back(l);
  }
  // The thresholds SQL wrote; 1300 Hz stays: ATIS was interrupted before any change.
  EXPECT_THAT(changed, ElementsAre("*                SQL TION:   64     1",  //
                                   "*               SQL TISON:   68     9",  //
                                   "*                SQL TICN:   60     5",  //
                                   "*                SQL THON:  104   116",  //
                                   "*               SQL THSON:  108   128",  //
                                   "*                SQL THCN:  100   122",  //
                                   "*               MOD Level:  128   129",  //
                                   "*   BPF Tracking T1 Level:  -12    -9"));
  EXPECT_EQ(params.back(), "8 parameters of 128 changed.");

  EXPECT_THAT(Section(lines, "Procedures"),
              ElementsAre("  14:32:15 to 14:32:16  SQL thresholds: finished",
                          "                        SQL TION = 1, SQL TISON = 9, SQL TICN = 5, SQL THON = 116, "
                          "SQL THSON = 128,",
                          "                        SQL THCN = 122",
                          "  14:32:18 to 14:32:18  ATIS levels: interrupted by Reload(F5)",
                          "  14:32:23              Link error: No answer from KQ-R4T."));

  // The lists as the window showed them before the link error cleared them.
  const std::vector<std::string> monitors = Section(lines, "Monitor readings");
  EXPECT_EQ(monitors.front(), "  [A/D]");
  EXPECT_THAT(monitors, Contains("  " + tempsShown));
  EXPECT_THAT(monitors, Not(Contains("  ----")));
}

TEST(ServiceSession, AConnectThatFailsToReadLeavesTheLastRecordAsItWas) {
  RecordBench p;
  ASSERT_TRUE(p.Connect());
  p.Right(kMod);
  p.b.Run(1000);
  const ByteStr now = p.Record().now();
  const ByteStr before = p.Record().before();
  ASSERT_NE(now, before);

  // The next clone read stops half way: the image is half overwritten.
  p.b.radio.poke(0xFE4, 7);
  p.b.radio.addFault({sim::FaultKind::StallAfterCloneFrames, sim::FaultTrigger::always(), false, 200});
  p.b.Connect();
  ASSERT_TRUE(p.RunToMessage(60000));
  p.b.Run(1000);

  EXPECT_EQ(p.Record().now(), now);
  EXPECT_EQ(p.Record().before(), before);
  EXPECT_TRUE(p.Record().log().empty()) << "that Connect's failure is not this radio's";
  EXPECT_TRUE(p.b.window.recordSaveEnabled);
}

// How each procedure run ends, as the log tells it.
struct EndCase {
  const char* name;
  int16_t line;
  proc::Step runningAt;  // reached before it is ended
  std::function<void(RecordBench&)> end;
  const char* logged;
  std::function<void(RecordBench&)> arrange = nullptr;  // before the run starts
};

void Press(RecordBench& p, int16_t button) { p.b.app->main.cmd00_Click(button); }

class ProcedureEnds : public ::testing::TestWithParam<EndCase> {};

TEST_P(ProcedureEnds, TheLogSaysHowTheRunEnded) {
  const EndCase& c = GetParam();
  RecordBench p;
  ASSERT_TRUE(p.Connect());
  if (c.arrange) c.arrange(p);
  p.Enter(c.line);
  ASSERT_TRUE(p.RunToStep(c.runningAt));
  c.end(p);
  p.b.Run(3000);
  ASSERT_FALSE(p.Log().empty());
  EXPECT_EQ(p.Log().front(), c.logged);
  ASSERT_TRUE(p.Record().log().front().ended);
}

INSTANTIATE_TEST_SUITE_P(
    Interruptions, ProcedureEnds,
    ::testing::Values(
        EndCase{"AtisByConnect", kAtis, proc::Atis1300Set, [](RecordBench& p) { Press(p, frm::kButtonConnect); },
                "ATIS levels: interrupted by Connect"},
        EndCase{"TxfByDispPara", kTxf, proc::TxfMeasure, [](RecordBench& p) { Press(p, frm::kButtonDispPara); },
                "TXF reference table: interrupted by Disp para"},
        EndCase{"SqlByAnotherProcedure", kSql, proc::SqlNoise1, [](RecordBench& p) { p.Enter(kTxf); },
                "SQL thresholds: interrupted by another procedure"},
        EndCase{"SqlByPortChange", kSql, proc::SqlNoise1, [](RecordBench& p) { p.b.app->main.mnuOptSelCom_Click(2); },
                "SQL thresholds: interrupted by a change of port"},
        EndCase{"BpfByLinkError", kBpfT2, proc::BpfSweep,
                [](RecordBench& p) {
                  p.b.radio.addFault({sim::FaultKind::NoEcho, sim::FaultTrigger::always(), false, 0});
                  ASSERT_TRUE(p.RunToMessage());
                },
                "BPF sweep T2: interrupted by a link error"},
        EndCase{
            "AtisNotConfirmed", kAtis, proc::Atis1300, [](RecordBench&) {}, "ATIS levels: the radio did not confirm",
            [](RecordBench& p) {
              p.b.radio.addFault({sim::FaultKind::AtisNeverConfirmed, sim::FaultTrigger::subCommand(0x03), false, 0});
            }},
        EndCase{"BpfFinished", kBpfAll, proc::BpfSweep, [](RecordBench& p) { ASSERT_TRUE(p.RunToBeep()); },
                "BPF sweep ALL: finished"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ServiceSession, ProcedureRunsListTheValuesTheyWrote) {
  RecordBench p;
  ASSERT_TRUE(p.Connect());

  // BPF T3 is swept to the middle of its best range.
  p.Enter(kBpfT3);
  ASSERT_TRUE(p.RunToBeep(1, 120000));
  p.b.Run(1000);
  // ATIS: 1300 Hz up by 2 and accepted, then the next mode is left by F5.
  p.Enter(kAtis);
  ASSERT_TRUE(p.RunToStep(proc::Atis1300Set));
  p.Right(kAtis, 2);
  p.b.Run(500);
  p.Enter(kAtis);
  ASSERT_TRUE(p.RunToStep(proc::Atis2100Set));
  p.b.Key(keys::kF5);
  p.b.Run(1000);
  // TXF: Enter writes the whole table and ends it.
  p.Enter(kTxf);
  ASSERT_TRUE(p.RunToStep(proc::TxfMeasure));
  p.b.Run(1000);
  p.Enter(kTxf);
  ASSERT_TRUE(p.RunToBeep(2, 20000));
  p.b.Run(500);

  const auto& log = p.Record().log();
  ASSERT_EQ(log.size(), 3u);
  const int bpf = static_cast<int8_t>(p.b.radio.peek(0xFEA));
  EXPECT_THAT(log[0].writes, ElementsAre(std::pair<int32_t, uint8_t>(0xFEA, static_cast<uint8_t>(bpf))));
  EXPECT_THAT(log[1].writes, ElementsAre(std::pair<int32_t, uint8_t>(0xFE5, 102)));
  EXPECT_EQ(log[1].how, ProcedureEnd::Reload);
  ASSERT_EQ(log[2].writes.size(), 20u);
  for (int i = 0; i < 20; ++i) {
    EXPECT_EQ(log[2].writes[static_cast<size_t>(i)].first, 0xFBC + i);
    EXPECT_EQ(log[2].writes[static_cast<size_t>(i)].second, p.b.radio.peek(0xFBC + i)) << i;
  }
  // Twenty entries wrap within the report's width.
  const std::vector<std::string> lines = ReportLines(p.Records().Report(p.Record()));
  const std::vector<std::string> procedures = Section(lines, "Procedures");
  ASSERT_EQ(procedures.size(), 12u);
  EXPECT_EQ(procedures[0], "  14:32:13 to 14:32:16  BPF sweep T3: finished");
  EXPECT_EQ(procedures[1], "                        BPF Tracking T3 Level = " + std::to_string(bpf));
  EXPECT_EQ(procedures[2], "  14:32:17 to 14:32:18  ATIS levels: interrupted by Reload(F5)");
  EXPECT_EQ(procedures[3], "                        ATIS Level 1300Hz = 102");
  EXPECT_EQ(procedures[4], "  14:32:19 to 14:32:21  TXF reference table: finished");
  EXPECT_EQ(procedures[5].substr(0, 44), "                        REF Initial 0 = 120,");
  EXPECT_EQ(procedures[11].substr(procedures[11].size() - 22), ", REF Initial 19 = 137");
  for (const std::string& l : procedures) EXPECT_LE(l.size(), 100u) << l;
}

// Every reading of a real sweep reaches the record paired with the value it
// was read at, each filter's sweeps kept apart, the last two of a filter
// findable; a new Connect starts afresh.
TEST(ServiceSession, SweepsKeepEveryReadingPerFilterAndPerSweep) {
  RecordBench p;
  ASSERT_TRUE(p.Connect());
  auto bpf = [&p](int k) { return static_cast<int8_t>(p.b.radio.peek(0xFE8 + k)); };

  p.Enter(kBpfT3);
  ASSERT_TRUE(p.RunToBeep(1, 120000));
  const std::array<int, 4> others{bpf(0), bpf(1), 0, bpf(3)};
  p.Enter(kBpfAll);
  ASSERT_TRUE(p.RunToBeep(2, 240000));

  const SweepCurves& sweeps = p.Record().sweeps();
  ASSERT_EQ(sweeps.all().size(), 5u);
  const SweepCurve& first = sweeps.all()[0];
  EXPECT_EQ(first.filter, 2);
  EXPECT_EQ(first.min, -128);
  EXPECT_EQ(first.max, 127);
  ASSERT_EQ(first.points.size(), 65u);
  for (size_t i = 0; i < first.points.size(); ++i) {
    const int v = i + 1 < first.points.size() ? -128 + 4 * static_cast<int>(i) : 127;
    std::array<int, 4> stages = others;
    stages[2] = v;
    EXPECT_EQ(first.points[i].value, v) << i;
    EXPECT_EQ(first.points[i].level, sim::analog::sdCode(stages)) << "read at " << v;
  }
  EXPECT_TRUE(first.finished);
  EXPECT_EQ(first.low, 28);
  EXPECT_EQ(first.high, 32);
  EXPECT_EQ(first.chosen, 30);
  EXPECT_EQ(first.started, (LocalTime{2026, 12, 10, 14, 32, 13}));
  for (int k = 0; k < 4; ++k) {
    ASSERT_NE(sweeps.Latest(k), nullptr) << k;
    EXPECT_EQ(sweeps.Latest(k), &sweeps.all()[static_cast<size_t>(k + 1)]) << k;
    EXPECT_EQ(sweeps.Latest(k)->chosen, bpf(k)) << k;
    EXPECT_EQ(sweeps.Previous(k), k == 2 ? &first : nullptr) << k;
  }

  ASSERT_TRUE(p.b.ConnectAndSettle());
  EXPECT_TRUE(p.Record().sweeps().all().empty());
}

}  // namespace
}  // namespace pw::test
