#include "shell/ConstIniSearch.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/TempDir.h"

namespace pw {
namespace {

namespace fs = std::filesystem;

// Three folders in search order: working, program, user.
class ConstIniSearchTest : public ::testing::Test {
 protected:
  ConstIniSearchTest() {
    for (const char* name : {"work", "program", "user"}) fs::create_directories(dir_.path() / name);
  }
  std::string Folder(const char* name) const { return (dir_.path() / name).string(); }
  std::string File(const char* name) const { return (dir_.path() / name / "Const.ini").string(); }
  void Put(const char* name) const { std::ofstream(File(name)) << "PW-R4T ADJ Rev.1.1\r\n"; }
  ConstIniSearch Search() const { return ConstIniSearch({Folder("work"), Folder("program"), Folder("user")}); }

  test::TempDir dir_;
};

TEST_F(ConstIniSearchTest, FirstExistingFileInOrderIsChosen) {
  struct Case {
    std::vector<const char*> present;
    const char* chosen;
  };
  const std::vector<Case> cases = {
      {{"work", "program", "user"}, "work"},
      {{"program", "user"}, "program"},
      {{"user"}, "user"},
      {{"work", "user"}, "work"},
      {{}, "work"},  // none: the working folder's name, whose read then fails
  };
  for (const Case& c : cases) {
    for (const char* name : {"work", "program", "user"}) fs::remove(File(name));
    for (const char* name : c.present) Put(name);
    EXPECT_EQ(Search().Chosen(), File(c.chosen)) << c.chosen;
  }
}

TEST_F(ConstIniSearchTest, ReportNamesEveryPlaceAndWhatWasFoundThere) {
  Put("program");
  const std::vector<std::string> refused = Search().Report(true);
  ASSERT_EQ(refused.size(), 3u);
  EXPECT_EQ(refused[0], File("work") + " (not found)");
  EXPECT_EQ(refused[1], File("program") + " (found, not accepted)");
  EXPECT_EQ(refused[2], File("user") + " (not looked at)");

  fs::remove(File("program"));
  for (const std::string& line : Search().Report(true)) {
    EXPECT_NE(line.find(" (not found)"), std::string::npos) << line;
  }
}

TEST_F(ConstIniSearchTest, RepeatedAndEmptyFoldersAreLookedAtOnce) {
  const ConstIniSearch search({Folder("work"), "", Folder("work") + "/.", Folder("user")});
  EXPECT_EQ(search.Candidates(), (std::vector<std::string>{File("work"), File("user")}));
}

// The shipped sample is a run on the simulated radio's last resort: any
// file in the folders wins over it, and without it the search ends as before.
TEST_F(ConstIniSearchTest, TheSampleIsChosenOnlyWhenNoFolderHasAFile) {
  fs::create_directories(dir_.path() / "sample");
  const std::string sample = File("sample");
  std::ofstream(sample) << "PW-R4T ADJ Rev.1.1\r\n";
  struct Case {
    std::vector<const char*> present;
    bool sampleThere;
    std::string chosen;
    bool sampleChosen;
  };
  const std::vector<Case> cases = {
      {{}, true, sample, true},
      {{"user"}, true, File("user"), false},
      {{"work"}, true, File("work"), false},
      {{}, false, File("work"), false},  // no sample either: the read fails as for a missing file
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.chosen);
    for (const char* name : {"work", "program", "user"}) fs::remove(File(name));
    for (const char* name : c.present) Put(name);
    ConstIniSearch search = Search();
    search.AllowSample(c.sampleThere ? sample : File("nowhere"));
    EXPECT_EQ(search.Chosen(), c.chosen);
    EXPECT_EQ(search.SampleChosen(), c.sampleChosen);
  }
  EXPECT_FALSE(Search().SampleChosen());
  EXPECT_EQ(Search().Chosen(), File("work")) << "without leave, the sample is never looked at";

  ConstIniSearch search = Search();
  search.AllowSample(sample);
  EXPECT_EQ(search.Report(false).back(), sample + " (read)");
}

}  // namespace
}  // namespace pw
