// The start-up choices of the desktop program: its options, where its
// settings file and "Const.ini" are looked for, and the refusal's box.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QMessageBox>
#include <QString>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <set>

#include "qt/CommandLine.h"
#include "qt/SettingsLocation.h"
#include "qt/StartupBox.h"
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
  // Qt takes its own options with one dash or two, the value apart or after "=".
  ASSERT_EQ(cl.Parse(Args({"--port", "2=/dev/ttyUSB0", "-platform", "offscreen", "--simulate", "-style=fusion",
                           "--port", " 3 = /dev/serial/by-id/usb-x ", "-reverse", "--platform", "xcb", "--style=fusion",
                           "--tour", "shots"})),
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

// Windows hands the program its command line as wide text; a folder's name
// outside the ANSI code page (Greek, Cyrillic, an emoji) arrives whole.
TEST(CommandLine, WideArgumentsArriveWhole) {
  const wchar_t* const argv[] = {L"pwr4tadj.exe", L"--settings-dir", L"C:\\Users\\J\u00F6rg\\\u0394\u0436\U0001F4FB"};
  const QStringList args = CommandLine::FromWide(3, argv);
  ASSERT_EQ(args.size(), 3);
  EXPECT_EQ(args[1], QStringLiteral("--settings-dir"));
  EXPECT_EQ(args[2], QStringLiteral("C:\\Users\\J\u00F6rg\\\u0394\u0436\U0001F4FB"));
  EXPECT_EQ(args[2].toStdString(), "C:\\Users\\J\xC3\xB6rg\\\xCE\x94\xD0\xB6\xF0\x9F\x93\xBB");
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

// Where an administrator puts files for every user, after the user's own
// folder; the variable's folders in their order, /etc/xdg without it.
TEST_F(SettingsLocationTest, SystemFoldersFollowXdgConfigDirs) {
  const QByteArray saved = qgetenv("XDG_CONFIG_DIRS");
  const bool wasSet = qEnvironmentVariableIsSet("XDG_CONFIG_DIRS");
  struct Case {
    const char* value;  // nullptr: not set
    QStringList folders;
  };
  const std::vector<Case> cases = {
      {nullptr, {QStringLiteral("/etc/xdg/pwr4tadj")}},
      {"/opt/site/xdg:/etc/xdg", {QStringLiteral("/opt/site/xdg/pwr4tadj"), QStringLiteral("/etc/xdg/pwr4tadj")}},
  };
  for (const Case& c : cases) {
    if (c.value) {
      qputenv("XDG_CONFIG_DIRS", c.value);
    } else {
      qunsetenv("XDG_CONFIG_DIRS");
    }
#ifdef Q_OS_WIN
    EXPECT_TRUE(SettingsLocation::SystemFolders().isEmpty()) << "Windows keeps its order";
#else
    EXPECT_EQ(SettingsLocation::SystemFolders(), c.folders) << (c.value ? c.value : "(not set)");
#endif
  }
  if (wasSet) {
    qputenv("XDG_CONFIG_DIRS", saved);
  } else {
    qunsetenv("XDG_CONFIG_DIRS");
  }
}

TEST_F(SettingsLocationTest, ProbeCreatesAndRemovesAFile) {
  EXPECT_TRUE(SettingsLocation::CanCreateFile(Q("bin")));
  EXPECT_TRUE(fs::is_empty(dir_.path() / "bin")) << "the probe is gone again";
  EXPECT_FALSE(SettingsLocation::CanCreateFile(Q("missing")));
  EXPECT_FALSE(SettingsLocation::CanCreateFile(QString()));
}

// Started from the desktop menu nobody reads standard error: the places
// looked at go into the box's details too, and its message stays as it is.
TEST(StartupRefusal, DetailsGoIntoTheBoxBesideTheUnchangedMessage) {
  QString text;
  QString details;
  QTimer::singleShot(0, [&] {
    for (QWidget* w : QApplication::topLevelWidgets()) {
      if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible()) {
        text = box->text();
        details = box->detailedText();
      }
    }
  });
  ShowStartupRefusal("Cannot read 'Const.ini'.", /*autoClose=*/true,
                     "Looked for Const.ini in this order:\n/home/j\xC3\xB6rg/Const.ini (not found)");
  EXPECT_EQ(text, QStringLiteral("Cannot read 'Const.ini'."));
  EXPECT_EQ(details, QStringLiteral("Looked for Const.ini in this order:\n/home/j\u00F6rg/Const.ini (not found)"));
}

}  // namespace
}  // namespace pw::test
