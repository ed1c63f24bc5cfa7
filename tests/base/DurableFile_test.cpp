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

}  // namespace
}  // namespace pw
