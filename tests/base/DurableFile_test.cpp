#include "base/DurableFile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "base/Utf8Path.h"
#include "support/TempDir.h"

namespace pw {
namespace {

namespace fs = std::filesystem;
using Step = DurableFile::Step;

const char* StepName(Step step) {
  switch (step) {
    case Step::Create:
      return "create";
    case Step::Write:
      return "write";
    case Step::SyncData:
      return "sync data";
    case Step::Close:
      return "close";
    case Step::SetAside:
      return "set aside";
    case Step::Move:
      return "move";
    case Step::SyncFolder:
      return "sync folder";
  }
  return "?";
}

class DurableFileTest : public ::testing::Test {
 protected:
  void TearDown() override { DurableFile::SetStepObserver({}); }

  fs::path Target() const { return dir.path() / "PWR4TADJ.rs"; }
  void Write(const std::string& content) const { std::ofstream(Target(), std::ios::binary) << content; }
  std::string Read() const {
    std::ifstream in(Target(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  std::vector<std::string> Entries() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir.path())) names.push_back(PathToUtf8(entry.path().filename()));
    return names;
  }

  test::TempDir dir;
  const std::string oldContent = "[OPTION]\r\nComPort=2\r\nComAutoRelease=0\r\n";
  const std::string newContent = "[OPTION]\r\nComPort=3\r\nComAutoRelease=5\r\n";
};

// The new data is on the disk before the move makes it the settings file,
// and (where the move is an entry of its own in the folder) the folder is
// synced after it: a power cut finds the old file or the complete new one.
TEST_F(DurableFileTest, DataReachesTheDiskBeforeTheMove) {
  std::vector<Step> steps;
  DurableFile::SetStepObserver([&](Step step) {
    steps.push_back(step);
    return true;
  });
  Write(oldContent);
  ASSERT_TRUE(DurableFile::Replace(Target(), newContent));
  EXPECT_EQ(Read(), newContent);
#ifdef _WIN32
  const std::vector<Step> expected{Step::Create, Step::Write, Step::SyncData, Step::Close, Step::Move};
#else
  const std::vector<Step> expected{Step::Create, Step::Write, Step::SyncData,
                                   Step::Close,  Step::Move,  Step::SyncFolder};
#endif
  EXPECT_EQ(steps, expected);
}

// Whatever step fails, the settings file is either the old one, byte for
// byte, or the complete new one; no temporary file is left behind.
TEST_F(DurableFileTest, AFailedStepLeavesTheOldFileOrTheNewOne) {
  const struct {
    Step failing;
    bool replaced;
  } cases[] = {
      {Step::Create, false}, {Step::Write, false}, {Step::SyncData, false},
      {Step::Close, false},  {Step::Move, false},  {Step::SyncFolder, true},
  };
  for (const auto& c : cases) {
    Write(oldContent);
    DurableFile::SetStepObserver([&](Step step) { return step != c.failing; });
    EXPECT_EQ(DurableFile::Replace(Target(), newContent), c.replaced) << StepName(c.failing);
    EXPECT_EQ(Read(), c.replaced ? newContent : oldContent) << StepName(c.failing);
    EXPECT_EQ(Entries(), std::vector<std::string>{"PWR4TADJ.rs"}) << StepName(c.failing);
  }
}

TEST_F(DurableFileTest, CreatesAMissingFileAndKeepsBytesExactly) {
  // CR LF, a lone CR, a lone LF, a NUL and bytes above 127 all stay as they are.
  const std::string content("[OPTION]\r\nA=1\rB=2\nC=\0\xC3\xB6\xFF\r\n", 26);
  ASSERT_TRUE(DurableFile::Replace(Target(), content));
  EXPECT_EQ(Read(), content);
}

// Another program reads the settings file while the program saves it. On
// POSIX the reader keeps the old content and the save goes ahead; Windows
// refuses to replace a file that is open, so there the save fails, the old
// file stays whole, and the next save after the reader let go succeeds.
TEST_F(DurableFileTest, ReplacingAFileAnotherHandleHasOpen) {
  Write(oldContent);
  {
    std::ifstream reader(Target(), std::ios::binary);
    ASSERT_TRUE(reader.is_open());
    const bool saved = DurableFile::Replace(Target(), newContent);
#ifdef _WIN32
    EXPECT_FALSE(saved);
    EXPECT_EQ(Read(), oldContent);
#else
    EXPECT_TRUE(saved);
    EXPECT_EQ(Read(), newContent);
#endif
    const std::string seen(std::istreambuf_iterator<char>(reader), std::istreambuf_iterator<char>{});
    EXPECT_EQ(seen, oldContent) << "the reader sees one whole file";
    EXPECT_EQ(Entries(), std::vector<std::string>{"PWR4TADJ.rs"});
  }
  ASSERT_TRUE(DurableFile::Replace(Target(), newContent));
  EXPECT_EQ(Read(), newContent);
}

// Names that do not fit the ANSI code page of a Windows machine: the file
// must appear under its real name, not under a mangled one.
TEST_F(DurableFileTest, FolderNamesBeyondAscii) {
  for (const char* name : {"J\xC3\xB6rg", "\xCE\xA9mega \xE6\xB8\xAC\xE5\xAE\x9A"}) {
    const fs::path folder = dir.path() / PathFromUtf8(name) / "PW-R4T ADJ";
    fs::create_directories(folder);
    ASSERT_TRUE(DurableFile::Replace(folder / "PWR4TADJ.rs", newContent)) << name;
    std::vector<std::string> found;
    for (const auto& entry : fs::directory_iterator(dir.path())) found.push_back(PathToUtf8(entry.path().filename()));
    EXPECT_NE(std::find(found.begin(), found.end(), name), found.end()) << name;
    std::ifstream in(folder / "PWR4TADJ.rs", std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>{}), newContent);
  }
}

// A power cut, as the files see it: the write stops at the step and nothing
// after it runs, no clean-up either.
struct PowerCut {};

void CutPowerAt(Step at, int occurrence = 1) {
  DurableFile::SetStepObserver([at, occurrence, seen = 0](Step step) mutable {
    if (step == at && ++seen == occurrence) throw PowerCut{};
    return true;
  });
}

// Every power cut before the move leaves a temporary file beside the
// target; however many pile up, the next save succeeds and takes them away.
// Another file's leftovers are not this save's to remove.
TEST_F(DurableFileTest, LeftoversOfPowerCutsNeverStopASaveAndAreCleanedUp) {
  Write(oldContent);
  std::ofstream(dir.path() / "other.txt.~0.tmp") << "another target's";
  for (const Step at : {Step::Write, Step::SyncData, Step::Close, Step::Move}) {
    for (int i = 0; i < 60; ++i) {
      CutPowerAt(at);
      EXPECT_THROW(DurableFile::Replace(Target(), newContent), PowerCut) << StepName(at);
    }
  }
  DurableFile::SetStepObserver({});
  EXPECT_EQ(Read(), oldContent);
  ASSERT_TRUE(DurableFile::Replace(Target(), newContent));
  EXPECT_EQ(Read(), newContent);
  std::vector<std::string> left = Entries();
  std::sort(left.begin(), left.end());
  EXPECT_EQ(left, (std::vector<std::string>{"PWR4TADJ.rs", "other.txt.~0.tmp"}));
}

class DurablePairTest : public DurableFileTest {
 protected:
  fs::path Bin() const { return dir.path() / "r.bin"; }
  fs::path Txt() const { return dir.path() / "r.txt"; }
  static std::string Bytes(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  void PlaceOldPair(bool there) const {
    std::error_code ec;
    for (const fs::path& p : {Bin(), Txt()}) fs::remove(p, ec);
    if (!there) return;
    std::ofstream(Bin(), std::ios::binary) << "old image";
    std::ofstream(Txt(), std::ios::binary) << "old report";
  }
  bool ReplacePair() const {
    const DurableFile::NewContent pair[] = {{Bin(), "new image"}, {Txt(), "new report"}};
    return DurableFile::ReplaceAll(pair);
  }
  // "old", "new" or "none" when both files agree, "mixed" when they do not.
  std::string PairState() const {
    const std::string bin = Bytes(Bin());
    const std::string txt = Bytes(Txt());
    if (bin == "old image" && txt == "old report") return "old";
    if (bin == "new image" && txt == "new report") return "new";
    if (!fs::exists(Bin()) && !fs::exists(Txt())) return "none";
    return "mixed: '" + bin + "', '" + txt + "'";
  }
  std::vector<std::string> SortedEntries() const {
    std::vector<std::string> names = Entries();
    std::sort(names.begin(), names.end());
    return names;
  }
};

// A pair of files (a report and its image) is replaced whole or not at all:
// whichever step fails, for either file, both old files are there byte for
// byte, or neither new one where there were none, and nothing else is.
TEST_F(DurablePairTest, AFailedStepLeavesBothOldFilesOrNeither) {
  const Step steps[] = {Step::Create, Step::Write, Step::SyncData, Step::Close, Step::SetAside, Step::Move};
  for (const bool oldThere : {true, false}) {
    for (const Step failing : steps) {
      for (int occurrence = 1; occurrence <= 3; ++occurrence) {
        PlaceOldPair(oldThere);
        int seen = 0;
        DurableFile::SetStepObserver([&](Step step) { return step != failing || ++seen != occurrence; });
        const bool replaced = ReplacePair();
        const std::string where = std::string(StepName(failing)) + " #" + std::to_string(occurrence) +
                                  (oldThere ? " over an old pair" : " into an empty folder");
        if (seen < occurrence) {
          EXPECT_TRUE(replaced) << where;  // the step came fewer times: nothing failed
          EXPECT_EQ(PairState(), "new") << where;
        } else {
          EXPECT_FALSE(replaced) << where;
          EXPECT_EQ(PairState(), oldThere ? "old" : "none") << where;
        }
        DurableFile::SetStepObserver({});
        const std::vector<std::string> expected =
            oldThere || replaced ? std::vector<std::string>{"r.bin", "r.txt"} : std::vector<std::string>{};
        EXPECT_EQ(SortedEntries(), expected) << where;
      }
    }
  }
}

// A power cut in the middle leaves the old first file set aside; the clean-up
// before the next save of that file puts it back, so the folder holds the
// old pair again, never a new image beside an old report.
TEST_F(DurablePairTest, APowerCutInTheMiddleIsUndoneByTheNextCleanUp) {
  const struct {
    Step at;
    int occurrence;
  } cuts[] = {{Step::SetAside, 1}, {Step::Move, 1}, {Step::Move, 2}};
  for (const auto& cut : cuts) {
    const std::string where = std::string(StepName(cut.at)) + " #" + std::to_string(cut.occurrence);
    PlaceOldPair(true);
    CutPowerAt(cut.at, cut.occurrence);
    EXPECT_THROW(ReplacePair(), PowerCut) << where;
    DurableFile::SetStepObserver({});
    DurableFile::CleanUp(Bin());
    DurableFile::CleanUp(Txt());
    EXPECT_EQ(PairState(), "old") << where;
    EXPECT_EQ(SortedEntries(), (std::vector<std::string>{"r.bin", "r.txt"})) << where;
  }
}

}  // namespace
}  // namespace pw
