// The operator's two settings across a run: read once at start-up, written
// once on the way out, and never spoiled by a bad file or a failed start.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "support/Bench.h"

namespace pw::test {
namespace {

std::string ReadFile(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

class SettingsTest : public ::testing::Test {
 protected:
  std::filesystem::path SettingsFile() const { return b.dir.path() / "PWR4TADJ.rs"; }
  void WriteSettings(const std::string& text) { std::ofstream(SettingsFile(), std::ios::binary) << text; }
  Bench b;
};

TEST_F(SettingsTest, WithoutAFileTheDefaultsApplyAndExitWritesThreeLines) {
  ASSERT_TRUE(b.Start());
  EXPECT_EQ(b.app->main.ComPortNo(), 1);
  EXPECT_EQ(b.app->main.ComAutoRelease(), 0);
  b.app->ReleaseComForm();
  EXPECT_EQ(ReadFile(SettingsFile()), "[OPTION]\r\nComPort=1\r\nComAutoRelease=0\r\n");
  EXPECT_FALSE(b.app->gCom.timSolidEnabled);
}

// The program unpacked into a folder whose name is not ASCII, such as
// "C:\Users\Jörg\PW-R4T ADJ": "Const.ini" is read there and the settings
// are read and saved there, under the folder's real name.
TEST(SettingsFolder, AFolderNameBeyondAsciiHoldsConstIniAndTheSettings) {
  for (const char* user : {"J\xC3\xB6rg", "\xD0\x9E\xD0\xBB\xD1\x8F \xE6\xB8\xAC"}) {
    Bench b;
    const std::filesystem::path folder = b.dir.path() / PathFromUtf8(user) / "PW-R4T ADJ";
    std::filesystem::create_directories(folder);
    std::ofstream(folder / "Const.ini", std::ios::binary) << DefaultConstIni();
    std::ofstream(folder / "PWR4TADJ.rs", std::ios::binary) << "[OPTION]\r\nComPort=3\r\nComAutoRelease=2\r\n";
    b.app = std::make_unique<PwApp>(b.port, b.clock, b.window, PathToUtf8(folder), PathToUtf8(folder / "Const.ini"));
    ASSERT_TRUE(b.Start()) << user;
    EXPECT_EQ(b.app->main.ComPortNo(), 3) << user;
    b.app->main.set_ComAutoRelease(4);
    b.app->ReleaseComForm();
    EXPECT_EQ(ReadFile(folder / "PWR4TADJ.rs"), "[OPTION]\r\nComPort=3\r\nComAutoRelease=4\r\n") << user;
    std::size_t entries = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
      ++entries;
      (void)entry;
    }
    EXPECT_EQ(entries, 2u) << "nothing written beside the two files";
  }
}

TEST_F(SettingsTest, StoredValuesAreReadAndBadOnesFallBackToTheirOwnDefault) {
  const struct {
    const char* file;
    int16_t port;
    int16_t release;
  } cases[] = {
      {"[OPTION]\r\nComPort=3\r\nComAutoRelease=2\r\n", 3, 2},
      {"[OPTION]\r\nComPort= 4 \r\n", 4, 0},
      {"[option]\r\ncomport=2\r\n", 2, 0},
      {"[OPTION]\r\nComPort=abc\r\nComAutoRelease=x\r\n", 1, 0},
      {"[OPTION]\r\nComPort=3\r\nComAutoRelease=xyz\r\n", 3, 0},  // not the port number
      {"[OPTION]\r\nComPort=99\r\nComAutoRelease=40000\r\n", 1, 0},
      {"[OPTION]\r\nComPort=2\r\nComAutoRelease=33\r\n", 2, 0},  // 33 s do not fit 16-bit ms
  };
  for (const auto& c : cases) {
    Bench bench;
    std::ofstream(bench.dir.path() / "PWR4TADJ.rs", std::ios::binary) << c.file;
    ASSERT_TRUE(bench.Start());
    EXPECT_EQ(bench.app->main.ComPortNo(), c.port) << c.file;
    EXPECT_EQ(bench.app->main.ComAutoRelease(), c.release) << c.file;
    EXPECT_EQ(bench.app->myObjNbx3Seq.ComPortNo, c.port) << c.file;
    EXPECT_EQ(bench.app->myObjNbx3Seq.comHoldReload(), c.release * 1000) << c.file;
  }
}

TEST_F(SettingsTest, StartsOnTheStoredPortAndTicksItsCheckMark) {
  WriteSettings("[OPTION]\r\nComPort=3\r\n");
  ASSERT_TRUE(b.Start());
  b.Run(50);
  EXPECT_EQ(b.window.checkedPort, 3);
  EXPECT_EQ(b.window.comBusy, "COM 3: CLOSE");
  b.Connect();
  b.Run(100);
  EXPECT_EQ(b.port.openPort, 3);
}

TEST_F(SettingsTest, AHandWrittenPortMapAndCommentsSurviveTheSave) {
  WriteSettings("; bench 4\r\n[PORTS]\r\nCOM1=/dev/ttyUSB0\r\n\r\n[OPTION]\r\nComPort=1\r\nComAutoRelease=0\r\n");
  ASSERT_TRUE(b.Start());
  b.app->main.mnuOptSelCom_Click(2);
  b.app->main.mnuOptionSelAutoRelease_Click(3);
  b.app->ReleaseComForm();
  EXPECT_EQ(ReadFile(SettingsFile()),
            "; bench 4\r\n[PORTS]\r\nCOM1=/dev/ttyUSB0\r\n\r\n[OPTION]\r\nComPort=2\r\nComAutoRelease=3\r\n");
}

TEST(StartUp, AnUnreadableConstIniStopsTheStartWithoutTouchingTheSettings) {
  const struct {
    const char* name;
    std::string constIni;
  } cases[] = {
      {"empty", ""},
      {"wrong title", "PW-R4T ADJ Rev.1.0\r\n" + std::string(40, '\n')},
      {"32 lines",
       [] {
         std::string s = "PW-R4T ADJ Rev.1.1\r\n";
         for (int i = 0; i < 31; ++i) s += "1\r\n";
         return s;
       }()},
  };
  for (const auto& c : cases) {
    Bench b({}, c.constIni);
    const std::string settings = "[OPTION]\r\nComPort=4\r\nComAutoRelease=5\r\n";
    std::ofstream(b.dir.path() / "PWR4TADJ.rs", std::ios::binary) << settings;
    EXPECT_FALSE(b.Start()) << c.name;
    ASSERT_EQ(b.window.messages.size(), 1u) << c.name;
    EXPECT_EQ(b.window.messages[0], "Cannot read 'Const.ini'.");
    EXPECT_FALSE(b.app->gCom.timSolidEnabled) << "the heartbeat never starts";
    b.app->ReleaseComForm();
    EXPECT_EQ(ReadFile(b.dir.path() / "PWR4TADJ.rs"), settings) << c.name;
  }
}

}  // namespace
}  // namespace pw::test
