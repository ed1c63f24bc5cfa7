// The start-up choices of the desktop program that need no window: its
// options, and where its settings file lives.
#include <gtest/gtest.h>

#include <QDir>
#include <QString>
#include <filesystem>
#include <fstream>
#include <set>

#include "qt/CommandLine.h"
#include "qt/SettingsLocation.h"
#include "support/TempDir.h"

namespace pw::test {
namespace {

namespace fs = std::filesystem;

QStringList Args(std::initializer_list<const char*> list) {
  QStringList args{QStringLiteral("pwr4tadj")};
  for (const char* a : list) args << QString::fromLatin1(a);
  return args;
}

TEST(CommandLine, GoodOptionsRunAndWindowSystemOptionsAreLeftToQt) {
  CommandLine cl;
  ASSERT_EQ(cl.Parse(Args({"--port", "2=/dev/ttyUSB0", "-platform", "offscreen", "--simulate", "-style=fusion",
                           "--port", " 3 = /dev/serial/by-id/usb-x ", "-reverse", "--tour", "shots"})),
            CommandLine::Outcome::Run)
      << cl.text().toStdString();
  ASSERT_EQ(cl.ports.size(), 2u);
  EXPECT_EQ(cl.ports[0].portNum, 2);
  EXPECT_EQ(cl.ports[0].device, QStringLiteral("/dev/ttyUSB0"));
  EXPECT_EQ(cl.ports[1].portNum, 3);
  EXPECT_EQ(cl.ports[1].device, QStringLiteral("/dev/serial/by-id/usb-x"));
  EXPECT_TRUE(cl.simulate);
  EXPECT_EQ(cl.tourDir, QStringLiteral("shots"));
  EXPECT_TRUE(cl.settingsDir.isEmpty());
}

TEST(CommandLine, BenchNamesAFileThatMayBeNew) {
  TempDir dir;
  const QString file = QString::fromStdString((dir.path() / "Bench-2.ini").string());
  CommandLine cl;
  ASSERT_EQ(cl.Parse({QStringLiteral("pwr4tadj"), QStringLiteral("--bench"), file}), CommandLine::Outcome::Run)
      << cl.text().toStdString();
  EXPECT_EQ(cl.benchFile, file);
}

TEST(CommandLine, HelpVersionAndMistakes) {
  struct Case {
    QStringList args;
    CommandLine::Outcome outcome;
    const char* says;
  };
  using O = CommandLine::Outcome;
  const std::vector<Case> cases = {
      {Args({"--help"}), O::Help, "--port <N=DEVICE>"},
      {Args({"-h"}), O::Help, "Usage: pwr4tadj"},
      {Args({"--version"}), O::Version, "PW-R4T ADJ Rev.1.1\npwr4tadj "},
      {Args({"--bogus"}), O::UsageError, "Unknown option 'bogus'"},
      {Args({"--port", "11=/dev/ttyS0"}), O::UsageError, "--port: '11=/dev/ttyS0' is not N=DEVICE"},
      {Args({"--port", "1="}), O::UsageError, "--port: '1=' is not N=DEVICE"},
      {Args({"extra"}), O::UsageError, "unexpected argument 'extra'"},
      {Args({"--settings-dir", "/nonexistent/pw"}), O::UsageError, "--settings-dir: '/nonexistent/pw' is not a folder"},
      {Args({"--tour", ""}), O::UsageError, "--tour: the folder's name is empty"},
      {Args({"--help"}), O::Help, "--bench <FILE>"},
      {Args({"--bench", "/nonexistent/pw/Bench.ini"}), O::UsageError,
       "--bench: '/nonexistent/pw/Bench.ini' is no file in an existing folder"},
      {Args({"--bench", "/tmp"}), O::UsageError, "--bench: '/tmp' is no file in an existing folder"},
      {Args({"--bench", ""}), O::UsageError, "--bench: '' is no file in an existing folder"},
  };
  for (const Case& c : cases) {
    CommandLine cl;
    EXPECT_EQ(cl.Parse(c.args), c.outcome) << c.args.join(QLatin1Char(' ')).toStdString();
    EXPECT_TRUE(cl.text().contains(QString::fromLatin1(c.says))) << cl.text().toStdString();
    if (c.outcome == O::UsageError) {
      EXPECT_TRUE(cl.text().contains(QStringLiteral("--help")));
    }
  }
}

// A program folder and a user's folder; whether the program folder takes
// new files is the test's say (the tests may run as root, who can write
// anywhere).
class SettingsLocationTest : public ::testing::Test {
 protected:
  SettingsLocationTest() {
    fs::create_directories(dir_.path() / "bin");
    fs::create_directories(dir_.path() / "elsewhere");
  }
  SettingsLocation::Places Places(const QString& option = {}) const { return {option, Q("bin"), Q("config/pwr4tadj")}; }
  QString Q(const char* name) const { return QString::fromStdString((dir_.path() / name).string()); }
  static bool Writable(const QString&) { return true; }
  static bool ReadOnly(const QString&) { return false; }

  TempDir dir_;
};

TEST_F(SettingsLocationTest, ChoiceByOptionProgramFolderAndUserFolder) {
  EXPECT_EQ(SettingsLocation::Choose(Places(Q("elsewhere")), ReadOnly).folder, Q("elsewhere"));
  EXPECT_EQ(SettingsLocation::Choose(Places(Q("elsewhere")), Writable).folder, Q("elsewhere"));
  EXPECT_EQ(SettingsLocation::Choose(Places(), Writable).folder, Q("bin"));

  const SettingsLocation user = SettingsLocation::Choose(Places(), ReadOnly);
  EXPECT_EQ(user.folder, Q("config/pwr4tadj"));
  EXPECT_TRUE(user.seedFile.isEmpty());

  // An administrator's file in a read-only program folder: read in place of
  // the user's file until the user's own exists.
  std::ofstream(dir_.path() / "bin" / "PWR4TADJ.rs") << "[OPTION]\r\nComPort=2\r\n";
  const SettingsLocation seeded = SettingsLocation::Choose(Places(), ReadOnly);
  EXPECT_EQ(seeded.folder, Q("config/pwr4tadj"));
  EXPECT_EQ(seeded.seedFile, QDir(Q("bin")).filePath(QStringLiteral("PWR4TADJ.rs")));
  EXPECT_TRUE(SettingsLocation::Choose(Places(), Writable).seedFile.isEmpty());
  EXPECT_TRUE(SettingsLocation::Choose(Places(Q("elsewhere")), ReadOnly).seedFile.isEmpty());
}

TEST_F(SettingsLocationTest, ProbeCreatesAndRemovesAFile) {
  EXPECT_TRUE(SettingsLocation::CanCreateFile(Q("bin")));
  EXPECT_TRUE(fs::is_empty(dir_.path() / "bin")) << "the probe is gone again";
  EXPECT_FALSE(SettingsLocation::CanCreateFile(Q("missing")));
  EXPECT_FALSE(SettingsLocation::CanCreateFile(QString()));
}

}  // namespace
}  // namespace pw::test
