// The service record on the disk: saved when asked, kept without being
// asked, never written over unless the technician said so, never left half
// written, and its folders remembered in a settings section of their own.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>

#include "procedures/ProcedureBench.h"
#include "support/ConsoleLines.h"
#include "support/RecordDesk.h"

namespace pw::test {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;

namespace fs = std::filesystem;

constexpr const char* kName = "KQ-R4T 2026-12-10 1432";
constexpr const char* kModChanged = "*               MOD Level:  128   129";

// A bench with a calendar, scripted dialogs and a folder for records; one
// per fixture, and one per row where a table needs a fresh start.
struct RecordBench {
  RecordBench() {
    Records().SetCalendar(&calendar);
    Records().SetDialogs(&dialogs);
    fs::create_directories(folder);
  }

  ServiceRecords& Records() { return p.b.app->records; }
  [[nodiscard]] bool StartAndConnect() { return p.b.Start() && p.b.ConnectAndSettle(); }
  void SwitchKeepOn(const fs::path& where) {
    dialogs.paths.push_back(PathToUtf8(where));
    p.b.app->main.mnuOptionKeepRecords_Click();
  }
  // Started with Option > Keep service records on, then connected.
  [[nodiscard]] bool ConnectKeeping() {
    if (!p.b.Start()) return false;
    SwitchKeepOn(folder);
    return p.b.ConnectAndSettle();
  }
  void Save(const fs::path& txt) {
    dialogs.paths.push_back(PathToUtf8(txt));
    p.b.app->main.mnuFileSaveRecord_Click();
  }
  std::vector<std::string> Files(const fs::path& where) const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(where)) names.push_back(PathToUtf8(e.path().filename()));
    std::sort(names.begin(), names.end());
    return names;
  }
  std::string Image() const {
    const sim::Memory& m = p.b.radio.memory();
    return std::string(m.begin(), m.end());
  }

  ProcedureBench p;
  BenchCalendar calendar{p.b.clock};
  ScriptedDialogs dialogs;
  fs::path folder = p.b.dir.path() / "records";
};

class RecordFiles : public ::testing::Test, public RecordBench {
 protected:
  void TearDown() override { DurableFile::SetStepObserver({}); }
};

TEST_F(RecordFiles, NothingToSaveBeforeAConnectHasReadARadio) {
  ASSERT_TRUE(p.b.Start());
  p.b.Run(200);
  EXPECT_FALSE(p.b.window.recordSaveEnabled);
  p.b.app->main.mnuFileSaveRecord_Click();
  EXPECT_TRUE(dialogs.asked.empty());
  ASSERT_TRUE(p.b.ConnectAndSettle());
  EXPECT_TRUE(p.b.window.recordSaveEnabled);
}

TEST_F(RecordFiles, KeptRecordsHoldTheImageAtConnectAndFollowEveryChange) {
  ASSERT_TRUE(p.b.Start());
  SwitchKeepOn(folder);
  EXPECT_THAT(dialogs.asked, ElementsAre("folder from ''"));
  p.b.Run(100);
  EXPECT_TRUE(p.b.window.recordKeepChecked);
  const std::string before = Image();
  ASSERT_TRUE(p.b.ConnectAndSettle());

  const fs::path txt = folder / (std::string(kName) + ".txt");
  EXPECT_THAT(Files(folder), ElementsAre(std::string(kName) + ".bin", std::string(kName) + ".txt"));
  EXPECT_EQ(FileBytes(folder / (std::string(kName) + ".bin")), before);
  EXPECT_THAT(FileBytes(txt), HasSubstr("0 parameters of 128 changed."));

  p.Right(kMod);
  p.b.Run(ServiceRecords::kKeepGapMs + 100);
  EXPECT_THAT(FileBytes(txt), HasSubstr(kModChanged));

  // A held key: many changes, few writes, and the last change on the disk.
  int writes = 0;
  DurableFile::SetStepObserver([&](DurableFile::Step s) {
    if (s == DurableFile::Step::Move) ++writes;
    return true;
  });
  for (int i = 0; i < 20; ++i) {
    p.Right(kMod);
    p.b.Run(50);
  }
  p.b.Run(ServiceRecords::kKeepGapMs + 100);
  EXPECT_LE(writes, 1000 / ServiceRecords::kKeepGapMs + 2);
  EXPECT_THAT(FileBytes(txt), HasSubstr("*               MOD Level:  128   149"));
  EXPECT_THAT(Files(folder), ElementsAre(std::string(kName) + ".bin", std::string(kName) + ".txt"))
      << "no temporary file left beside them";
}

// A change made within the gap between two writes is still owed to the
// kept report when keeping ends, whichever way it ends.
TEST_F(RecordFiles, TheLastChangeReachesTheKeptReportOnTheWayOut) {
  const struct {
    const char* way;
    std::function<void(PwApp&)> leave;
  } ways[] = {
      {"exit", [](PwApp& app) { app.ReleaseComForm(); }},
      {"switching Keep off", [](PwApp& app) { app.main.mnuOptionKeepRecords_Click(); }},
  };
  for (const auto& w : ways) {
    RecordBench t;
    ASSERT_TRUE(t.ConnectKeeping());
    t.p.Right(kMod);
    t.p.b.Run(100);
    t.p.Right(kMod);
    t.p.b.Run(50);  // within the gap between two writes
    w.leave(*t.p.b.app);
    EXPECT_THAT(FileBytes(t.folder / (std::string(kName) + ".txt")), HasSubstr("*               MOD Level:  128   130"))
        << w.way;
  }
}

// A kept report whose write failed stays owed: it is written at the next
// chance without waiting for another change, and the failure is said once.
TEST_F(RecordFiles, AKeptReportWhoseWriteFailedOnceIsWrittenLater) {
  const struct {
    const char* chance;
    std::function<void(RecordBench&)> take;
  } chances[] = {
      {"after the gap", [](RecordBench& t) { t.p.b.Run(ServiceRecords::kKeepGapMs + 100); }},
      {"at exit", [](RecordBench& t) { t.p.b.app->ReleaseComForm(); }},
  };
  for (const auto& c : chances) {
    RecordBench t;
    ASSERT_TRUE(t.ConnectKeeping());
    t.p.b.Run(ServiceRecords::kKeepGapMs + 100);
    int moves = 0;
    DurableFile::SetStepObserver([&](DurableFile::Step s) { return s != DurableFile::Step::Move || ++moves != 1; });
    t.p.Right(kMod);
    t.p.b.Run(100);
    ASSERT_EQ(moves, 1) << c.chance << ": the write was tried";
    c.take(t);
    EXPECT_THAT(FileBytes(t.folder / (std::string(kName) + ".txt")), HasSubstr(kModChanged)) << c.chance;
    EXPECT_EQ(t.p.b.window.messages.size(), 1u) << c.chance;
    DurableFile::SetStepObserver({});
  }
}

// A keep folder that stops taking writes (a pulled stick, a full disk) is
// retried while changes come, but says so once; when it takes writes again
// the report catches up.
TEST_F(RecordFiles, AKeepFolderThatStopsAcceptingWritesSaysSoOnce) {
  ASSERT_TRUE(ConnectKeeping());
  p.b.Run(ServiceRecords::kKeepGapMs + 100);
  DurableFile::SetStepObserver([](DurableFile::Step s) { return s != DurableFile::Step::Create; });
  for (int i = 0; i < 5; ++i) {
    p.Right(kMod);
    p.b.Run(400);
  }
  EXPECT_THAT(p.b.window.messages,
              ElementsAre("Cannot write the service record to " + PathToUtf8(folder / kName) + ".txt."));
  DurableFile::SetStepObserver({});
  p.b.Run(ServiceRecords::kKeepGapMs + 100);
  EXPECT_THAT(FileBytes(folder / (std::string(kName) + ".txt")), HasSubstr("*               MOD Level:  128   133"));
  EXPECT_EQ(p.b.window.messages.size(), 1u);
}

// On the way out the message box closes with the program: a kept report that
// cannot be written then is told where it outlives the window as well.
TEST_F(RecordFiles, AKeptWriteFailingAtExitIsToldBeyondTheWindow) {
  std::vector<std::string> told;
  Records().SetExitNotice([&](const std::string& message) { told.push_back(message); });
  ASSERT_TRUE(ConnectKeeping());
  p.Right(kMod);
  p.b.Run(100);
  EXPECT_TRUE(told.empty()) << "not while the program runs";
  p.Right(kMod);
  p.b.Run(50);
  DurableFile::SetStepObserver([](DurableFile::Step s) { return s != DurableFile::Step::Create; });
  p.b.app->ReleaseComForm();
  const std::string message = "Cannot write the service record to " + PathToUtf8(folder / kName) + ".txt.";
  EXPECT_THAT(told, ElementsAre(message));
  EXPECT_EQ(p.b.window.messages.back(), message);
}

// Readings change only when the technician reloads; the kept report then
// holds the new ones, as the window shows them.
TEST_F(RecordFiles, AReloadsNewReadingsReachTheKeptReport) {
  ASSERT_TRUE(ConnectKeeping());
  p.b.Run(ServiceRecords::kKeepGapMs + 100);
  const fs::path txt = folder / (std::string(kName) + ".txt");
  auto temps = [&] { return p.b.window.monitors[0].lines.at(5); };
  const std::string before = temps();
  EXPECT_THAT(FileBytes(txt), HasSubstr("  " + before + "\r\n"));

  p.b.radio.setTemperatureC(40.0);
  p.b.Key(keys::kF5);
  ASSERT_TRUE(p.b.RunUntil([&] { return temps() != before && temps() != "----"; }, 5000));
  p.b.Run(ServiceRecords::kKeepGapMs + 100);
  EXPECT_THAT(FileBytes(txt), HasSubstr("  " + temps() + "\r\n"));
  EXPECT_THAT(FileBytes(txt), Not(HasSubstr("  " + before + "\r\n")));
}

TEST_F(RecordFiles, TwoConnectsInOneMinuteKeepTwoRecords) {
  ASSERT_TRUE(ConnectKeeping());
  p.Right(kMod);
  p.b.Run(100);
  ASSERT_TRUE(p.b.ConnectAndSettle());
  p.b.Run(500);
  const std::string second = std::string(kName) + " (2)";
  EXPECT_THAT(Files(folder),
              ElementsAre(second + ".bin", second + ".txt", std::string(kName) + ".bin", std::string(kName) + ".txt"));
  // The first record was written to its end before the second began; the
  // second starts from what the radio holds now.
  EXPECT_THAT(FileBytes(folder / (std::string(kName) + ".txt")), HasSubstr(kModChanged));
  const std::string report = FileBytes(folder / (second + ".txt"));
  EXPECT_THAT(report, HasSubstr("\r\n                MOD Level:  129   129\r\n"));
  EXPECT_THAT(report, HasSubstr("\r\n0 parameters of 128 changed.\r\n"));
}

// Files already in the keep folder under the record's name (a colleague's
// image, a report copied back) are never written over, even one alone: the
// record takes the next free name.
TEST_F(RecordFiles, AFileAloneUnderTheRecordsNameIsNeverWrittenOver) {
  for (const char* lone : {".bin", ".txt"}) {
    RecordBench t;
    const fs::path there = t.folder / (std::string(kName) + lone);
    std::ofstream(there, std::ios::binary) << "someone else's";
    ASSERT_TRUE(t.ConnectKeeping());
    t.p.b.Run(100);
    EXPECT_EQ(FileBytes(there), "someone else's") << lone;
    const std::string second = std::string(kName) + " (2)";
    EXPECT_EQ(FileBytes(t.folder / (second + ".bin")), t.Image()) << lone;
    EXPECT_THAT(FileBytes(t.folder / (second + ".txt")), HasSubstr("service record")) << lone;
    EXPECT_EQ(t.Files(t.folder).size(), 3u) << lone;
  }
}

TEST_F(RecordFiles, SwitchingKeepOnMidSessionKeepsTheRadioOnTheBench) {
  ASSERT_TRUE(StartAndConnect());
  p.Right(kMod);
  p.b.Run(100);
  SwitchKeepOn(folder);
  p.b.Run(100);
  EXPECT_EQ(FileBytes(folder / (std::string(kName) + ".bin")).size(), 4096u);
  EXPECT_THAT(FileBytes(folder / (std::string(kName) + ".txt")), HasSubstr(kModChanged));
  // A cancelled folder dialog leaves it off; switching off asks nothing.
  p.b.app->main.mnuOptionKeepRecords_Click();
  EXPECT_FALSE(Records().keep());
  p.b.app->main.mnuOptionKeepRecords_Click();
  EXPECT_FALSE(Records().keep());
  EXPECT_EQ(dialogs.asked.size(), 2u);
}

TEST_F(RecordFiles, ExistingFilesAreReplacedOnlyWhenTheTechnicianSaysSo) {
  ASSERT_TRUE(StartAndConnect());
  struct Case {
    bool txtThere, binThere, answer;
    const char* asked;  // "" when nothing is asked
  };
  const Case cases[] = {
      {false, false, false, ""},          {true, false, false, "overwrite 1"}, {false, true, false, "overwrite 1"},
      {true, true, false, "overwrite 2"}, {true, true, true, "overwrite 2"},
  };
  int n = 0;
  for (const Case& c : cases) {
    const fs::path txt = folder / ("case " + std::to_string(++n) + ".txt");
    const fs::path bin = folder / ("case " + std::to_string(n) + ".bin");
    if (c.txtThere) std::ofstream(txt, std::ios::binary) << "old report";
    if (c.binThere) std::ofstream(bin, std::ios::binary) << "old image";
    dialogs.asked.clear();
    dialogs.overwrite.push_back(c.answer);
    Save(txt);
    const bool asked = c.txtThere || c.binThere;
    EXPECT_EQ(dialogs.asked.size(), asked ? 2u : 1u) << n;
    if (asked) {
      EXPECT_EQ(dialogs.asked.back(), c.asked) << n;
    } else {
      dialogs.overwrite.clear();
    }
    const bool written = !asked || c.answer;
    EXPECT_EQ(FileBytes(bin) == Image(), written) << n;
    EXPECT_EQ(FileBytes(txt).rfind("PW-R4T ADJ", 0) == 0, written) << n;
    if (!written) {
      EXPECT_EQ(FileBytes(txt), c.txtThere ? "old report" : "") << n;
      EXPECT_EQ(FileBytes(bin), c.binThere ? "old image" : "") << n;
    }
  }
}

TEST_F(RecordFiles, TheChosenNameGetsTxtAndTheImageGoesBesideIt) {
  ASSERT_TRUE(StartAndConnect());
  const struct {
    const char* chosen;
    const char* txt;
    const char* bin;
  } cases[] = {
      {"radio 7", "radio 7.txt", "radio 7.bin"},
      {"radio 8.TXT", "radio 8.TXT", "radio 8.bin"},
      {"radio 9.bin", "radio 9.bin.txt", "radio 9.bin.bin"},
  };
  for (const auto& c : cases) {
    Save(folder / c.chosen);
    EXPECT_EQ(FileBytes(folder / c.bin), Image()) << c.chosen;
    EXPECT_THAT(FileBytes(folder / c.txt), HasSubstr("service record")) << c.chosen;
  }
  // The next save dialog opens where the last one saved.
  Save({});
  EXPECT_EQ(dialogs.asked.back(), "save in '" + PathToUtf8(folder) + "' as '" + kName + ".txt'");
}

TEST_F(RecordFiles, AFailedWriteSaysSoLeavesNoHalfRecordAndTheRecordCanGoElsewhere) {
  const std::string before = Image();
  ASSERT_TRUE(StartAndConnect());
  p.Right(kMod);
  p.b.Run(200);
  {
    // "\new\r.bin" on Windows: the message shows the path as it is, with
    // no "\n" or "\r" taken for a line break.
    ReadOnlyFolder locked(p.b.dir.path() / "new");
    Save(locked.path() / "r.txt");
    EXPECT_THAT(p.b.window.messages,
                ElementsAre("Cannot write the service record to " + PathToUtf8(locked.path() / "r.bin") + "."));
    EXPECT_TRUE(Files(locked.path()).empty());
  }
  // The image went, the report did not: the new image goes too.
  int creates = 0;
  DurableFile::SetStepObserver([&](DurableFile::Step s) { return s != DurableFile::Step::Create || ++creates != 2; });
  Save(folder / "r.txt");
  DurableFile::SetStepObserver({});
  EXPECT_EQ(p.b.window.messages.back(), "Cannot write the service record to " + PathToUtf8(folder / "r.txt") + ".");
  EXPECT_TRUE(Files(folder).empty());

  Save(folder / "r.txt");
  EXPECT_EQ(p.b.window.messages.size(), 2u);
  EXPECT_THAT(FileBytes(folder / "r.txt"), HasSubstr(kModChanged));
  EXPECT_EQ(FileBytes(folder / "r.bin"), before);
}

// Replacing a saved pair is all or nothing: when the report cannot be
// written (a full disk, a report open in an editor on Windows) the old image
// is not lost beside the old report.
TEST_F(RecordFiles, AnOldPairThatCannotBeReplacedWholeStaysAsItWas) {
  ASSERT_TRUE(StartAndConnect());
  const struct {
    const char* where;
    DurableFile::Step step;
  } failures[] = {{"creating the report", DurableFile::Step::Create}, {"moving the report", DurableFile::Step::Move}};
  for (const auto& f : failures) {
    const fs::path txt = folder / "r.txt";
    std::ofstream(txt, std::ios::binary) << "old report";
    std::ofstream(folder / "r.bin", std::ios::binary) << "old image";
    // The report's step is the second of its kind; the image's comes first.
    int seen = 0;
    DurableFile::SetStepObserver([&](DurableFile::Step s) { return s != f.step || ++seen != 2; });
    dialogs.overwrite.push_back(true);
    Save(txt);
    DurableFile::SetStepObserver({});
    EXPECT_EQ(p.b.window.messages.back(), "Cannot write the service record to " + PathToUtf8(txt) + ".") << f.where;
    EXPECT_EQ(FileBytes(folder / "r.bin"), "old image") << f.where;
    EXPECT_EQ(FileBytes(txt), "old report") << f.where;
    EXPECT_THAT(Files(folder), ElementsAre("r.bin", "r.txt")) << f.where;
  }
}

// The printout saved with a record belongs to it as much as the pair: all
// three are replaced together, or the old three stay as they were.
TEST_F(RecordFiles, APrintoutSavedWithTheRecordIsReplacedTogetherWithThePair) {
  ASSERT_TRUE(StartAndConnect());
  const fs::path txt = folder / "r.txt";
  const std::vector<ServiceRecords::Companion> printout{{".pdf", "new printout"}};
  ASSERT_TRUE(Records().SaveTo(PathToUtf8(txt), printout));
  EXPECT_THAT(Files(folder), ElementsAre("r.bin", "r.pdf", "r.txt"));
  EXPECT_EQ(FileBytes(folder / "r.pdf"), "new printout");

  for (const fs::path& old : {folder / "r.txt", folder / "r.bin", folder / "r.pdf"}) {
    std::ofstream(old, std::ios::binary) << "old " << old.extension().string();
  }
  // The report moves in last; its failure must take the printout back too.
  int moves = 0;
  DurableFile::SetStepObserver([&](DurableFile::Step s) { return s != DurableFile::Step::Move || ++moves != 3; });
  EXPECT_FALSE(Records().SaveTo(PathToUtf8(txt), printout));
  DurableFile::SetStepObserver({});
  EXPECT_EQ(FileBytes(folder / "r.txt"), "old .txt");
  EXPECT_EQ(FileBytes(folder / "r.bin"), "old .bin");
  EXPECT_EQ(FileBytes(folder / "r.pdf"), "old .pdf");
  EXPECT_THAT(Files(folder), ElementsAre("r.bin", "r.pdf", "r.txt"));
}

TEST_F(RecordFiles, AKeptFolderThatRefusesSaysSoOnceAndTheRecordStaysWhole) {
  ASSERT_TRUE(p.b.Start());
  const std::string before = Image();
  ReadOnlyFolder locked(p.b.dir.path() / "locked");
  SwitchKeepOn(locked.path());
  ASSERT_TRUE(p.b.ConnectAndSettle());
  for (int i = 0; i < 5; ++i) {
    p.Right(kMod);
    p.b.Run(400);
  }
  ASSERT_EQ(p.b.window.messages.size(), 1u);
  EXPECT_THAT(p.b.window.messages[0], HasSubstr("Cannot write the service record to "));
  EXPECT_TRUE(Files(locked.path()).empty());
  ASSERT_NE(Records().record(), nullptr);
  EXPECT_EQ(Records().record()->before(), ByteStr(before.begin(), before.end()));
  EXPECT_EQ(Records().record()->ChangedParameters(), 1);
}

TEST_F(RecordFiles, FoldersAndTheKeepSwitchLiveInTheirOwnSettingsSection) {
  const fs::path settings = p.b.dir.path() / "PWR4TADJ.rs";
  std::ofstream(settings, std::ios::binary) << "[OPTION]\r\nComPort=2\r\nComAutoRelease=1\r\n"
                                            << "[SERVICE RECORD]\r\nLastFolder=/srv/last\r\nKeepRecords=1\r\n"
                                            << "KeepFolder=" << PathToUtf8(folder) << "\r\n";
  ASSERT_TRUE(StartAndConnect());
  EXPECT_TRUE(Records().keep());
  EXPECT_EQ(Records().keepFolder(), PathToUtf8(folder));
  EXPECT_EQ(Records().lastFolder(), "/srv/last");
  EXPECT_EQ(Files(folder).size(), 2u) << "kept from the first Connect on";

  // A folder too long to read back whole is forgotten rather than cut.
  Save(fs::path("/") / std::string(300, 'd') / "r.txt");
  p.b.app->main.mnuOptionKeepRecords_Click();  // off
  p.b.app->ReleaseComForm();
  EXPECT_EQ(FileBytes(settings),
            "[OPTION]\r\nComPort=2\r\nComAutoRelease=1\r\n"
            "[SERVICE RECORD]\r\nLastFolder=\r\nKeepRecords=0\r\nKeepFolder=" +
                PathToUtf8(folder) + "\r\n");
}

TEST_F(RecordFiles, AKeepSwitchWithoutAFolderStaysOff) {
  std::ofstream(p.b.dir.path() / "PWR4TADJ.rs", std::ios::binary) << "[SERVICE RECORD]\r\nKeepRecords=1\r\n";
  ASSERT_TRUE(p.b.Start());
  EXPECT_FALSE(Records().keep());
}

}  // namespace
}  // namespace pw::test
