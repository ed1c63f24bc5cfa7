// The built program as a process, in a folder of its own, on Qt's offscreen
// platform. Each test ends only the processes it started.
#include <gtest/gtest.h>

#include <QByteArray>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QSerialPort>
#include <QThread>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "support/SimProcess.h"
#include "support/TempDir.h"

namespace pw::test {
namespace {

namespace fs = std::filesystem;

std::string ReadFile(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// A program folder: the settings file and, unless told otherwise, the
// procedures' constants, plus a temporary folder of its own so that the
// single-instance lock of one test never meets another test's program.
class Workplace {
 public:
  explicit Workplace(bool withConstIni = true, bool withSettings = true) {
    if (withConstIni) fs::copy_file(fs::path(PW_SOURCE_DIR) / "Const.ini", dir.path() / "Const.ini");
    fs::create_directories(tmp());
    if (withSettings) std::ofstream(settings()) << "[OPTION]\r\nComPort=3\r\nComAutoRelease=2\r\n";
  }
  fs::path settings() const { return dir.path() / "PWR4TADJ.rs"; }
  fs::path tmp() const { return dir.path() / "tmp"; }
  // The user's configuration folder of the program (XDG_CONFIG_HOME/pwr4tadj).
  fs::path userConfig() const { return dir.path() / "config" / "pwr4tadj"; }
  // The system's configuration folder of the program (XDG_CONFIG_DIRS/pwr4tadj).
  fs::path systemConfig() const { return dir.path() / "xdg" / "pwr4tadj"; }
  QString path(const char* name = "") const { return QString::fromStdString((dir.path() / name).string()); }

  // Starts the program here; the caller owns the process and ends it.
  void Start(QProcess& p, QStringList args, const QString& program = QStringLiteral(PW_APP_PATH)) const {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("TMPDIR"), QString::fromStdString(tmp().string()));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), QString::fromStdString((dir.path() / "config").string()));
    env.insert(QStringLiteral("XDG_CONFIG_DIRS"), QString::fromStdString((dir.path() / "xdg").string()));
    env.insert(QStringLiteral("PW_AUTO_CLOSE_BOXES"), QStringLiteral("1"));
    p.setProcessEnvironment(env);
    p.setWorkingDirectory(path());
    args << QStringLiteral("--settings-dir") << path();
    p.start(program, args);
  }

  // The simulator on a pseudo-terminal behind COM 1, and the program's tour
  // on it, which connects at once and holds the port while the clone runs.
  bool StartTourOnSim(QProcess& radio, QProcess& app) const {
    const QString link = path("radio");
    if (!StartSim(radio, link)) return false;
    Start(app, {QStringLiteral("--port"), QStringLiteral("1=") + link, QStringLiteral("--tour"), path("shots")});
    return app.waitForStarted(10000);
  }

  // The program as the package lays it out, in a folder of this workplace:
  // usr/bin/pwr4tadj beside usr/share/pwr4tadj/Const.ini, the shipped sample.
  QString Install() const {
    const fs::path bin = dir.path() / "usr" / "bin";
    const fs::path share = dir.path() / "usr" / "share" / "pwr4tadj";
    fs::create_directories(bin);
    fs::create_directories(share);
    fs::copy_file(PW_APP_PATH, bin / "pwr4tadj");
    fs::copy_file(fs::path(PW_SOURCE_DIR) / "Const.ini", share / "Const.ini");
    return QString::fromStdString((bin / "pwr4tadj").string());
  }

  TempDir dir;
};

TEST(Process, WithoutConstIniRefusesToStartAndLeavesTheSettingsAlone) {
  Workplace w(/*withConstIni=*/false);
  const std::string before = ReadFile(w.settings());
  const auto stamp = fs::last_write_time(w.settings());

  QProcess p;
  w.Start(p, {});
  ASSERT_TRUE(p.waitForFinished(30000));
  EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(p.exitCode(), 1);
  const QByteArray err = p.readAllStandardError();
  EXPECT_TRUE(err.contains("Cannot read 'Const.ini'.")) << err.toStdString();
  EXPECT_EQ(ReadFile(w.settings()), before);
  EXPECT_EQ(fs::last_write_time(w.settings()), stamp);
}

TEST(Process, SecondInstanceIsRefusedWhileTheFirstRuns) {
  Workplace w;
  QProcess first;
  w.Start(first, {QStringLiteral("--simulate")});
  ASSERT_TRUE(first.waitForStarted(10000));
  // The first copy holds its lock once it is past its own instance check.
  ASSERT_TRUE(WaitFor(
      [&] {
        return !QDir(QString::fromStdString(w.tmp().string()))
                    .entryList({QStringLiteral("pwr4tadj-*.lock")}, QDir::Files)
                    .isEmpty();
      },
      20000));
  const std::string before = ReadFile(w.settings());

  QProcess second;
  w.Start(second, {QStringLiteral("--simulate")});
  ASSERT_TRUE(second.waitForFinished(30000));
  EXPECT_EQ(second.exitCode(), 1);
  const QByteArray err = second.readAllStandardError();
  EXPECT_TRUE(err.contains("Cannot execute PW-R4T ADJ Rev.1.1 repeatedly.")) << err.toStdString();
  EXPECT_TRUE(err.contains("PW-R4T ADJ Rev.1.1 is already executing.")) << err.toStdString();

  QThread::msleep(500);
  EXPECT_EQ(first.state(), QProcess::Running) << "the first copy is not disturbed";
  EXPECT_EQ(ReadFile(w.settings()), before);
  End(first);
}

TEST(Process, TourAgainstTheSimulatorOnAPseudoTerminal) {
  Workplace w(/*withConstIni=*/true, /*withSettings=*/false);  // COM 1 until told otherwise
  const QString link = w.path("radio");
  const QString frames = w.path("frames.log");
  QProcess radio;
  ASSERT_TRUE(StartSim(radio, link, {QStringLiteral("--log"), frames}));

  QProcess app;
  const QString shots = w.path("shots");
  w.Start(app, {QStringLiteral("--port"), QStringLiteral("1=") + link, QStringLiteral("--tour"), shots});
  ASSERT_TRUE(app.waitForStarted(10000));
  const bool finished = app.waitForFinished(200000);
  const QByteArray out = app.readAllStandardOutput();
  const QByteArray err = app.readAllStandardError();
  if (!finished) End(app);
  End(radio);
  ASSERT_TRUE(finished) << err.toStdString();
  EXPECT_EQ(app.exitCode(), 0) << err.toStdString();

  for (const char* name : {"1-connect.png", "2-console.png", "3-dump.png", "4-sweep-curves.png"}) {
    const QFileInfo png(QDir(shots).filePath(QString::fromLatin1(name)));
    EXPECT_TRUE(png.exists() && png.size() > 1000) << name;
  }
  EXPECT_TRUE(out.contains("       MOD")) << out.toStdString();
  EXPECT_TRUE(out.contains("[A/D]")) << out.toStdString();
  EXPECT_TRUE(out.contains("[SQL Calced]")) << out.toStdString();
  // Its service record beside the pictures: the report and the image as read.
  const QStringList reports = QDir(shots).entryList({QStringLiteral("KQ-R4T *.txt")});
  ASSERT_EQ(reports.size(), 1) << out.toStdString();
  const std::string report = ReadFile(QDir(shots).filePath(reports[0]).toStdString());
  EXPECT_NE(report.find("*               MOD Level:  128   129\r\n"), std::string::npos) << report;
  EXPECT_NE(report.find("  Port:      COM 1 (" + link.toStdString() + ")\r\n"), std::string::npos) << report;
  QString bin = reports[0];
  bin.replace(QStringLiteral(".txt"), QStringLiteral(".bin"));
  EXPECT_EQ(QFileInfo(QDir(shots).filePath(bin)).size(), 4096);
  // And the record on paper; the BPF T3 sweep is in the report.
  QString pdf = reports[0];
  pdf.replace(QStringLiteral(".txt"), QStringLiteral(".pdf"));
  EXPECT_EQ(ReadFile(QDir(shots).filePath(pdf).toStdString()).substr(0, 5), "%PDF-");
  EXPECT_NE(report.find("  BPF T3  65 readings, -128 to 127 by 4; best 28 to 32, set to 30\r\n"), std::string::npos)
      << report;
  // The tour stepped MOD from the radio's 128 to 129: one E8 with "81" in
  // ASCII hex reached the radio.
  const std::string log = ReadFile(frames.toStdString());
  EXPECT_NE(log.find("RX FE FE EE EF E8 23 20 00 01 08 38 31 FD"), std::string::npos) << log.substr(0, 2000);
  // The run ended through File > Exit, which saves the settings.
  EXPECT_EQ(ReadFile(w.settings()), "[OPTION]\r\nComPort=1\r\nComAutoRelease=0\r\n");
}

TEST(Process, PortHeldByAnotherProgramIsReportedAndLeftAlone) {
  Workplace w(/*withConstIni=*/true, /*withSettings=*/false);
  const QString link = w.path("radio");
  QProcess radio;
  ASSERT_TRUE(StartSim(radio, link, {QStringLiteral("--log"), QStringLiteral("-")}));
  // Another program has the port: a serial terminal left open, say.
  QSerialPort holder(link);
  ASSERT_TRUE(holder.open(QIODevice::ReadWrite)) << holder.errorString().toStdString();

  QProcess app;
  w.Start(app, {QStringLiteral("--port"), QStringLiteral("1=") + link, QStringLiteral("--tour"), w.path("shots")});
  const bool finished = app.waitForFinished(60000);
  const QByteArray err = app.readAllStandardError();
  if (!finished) End(app);
  End(radio);
  ASSERT_TRUE(finished) << err.toStdString();
  EXPECT_EQ(app.exitCode(), 1);
  EXPECT_TRUE(err.contains("tour: the program reported: Cannot access COM 1.")) << err.toStdString();
  // The message stays as it was; the status bar says why.
  EXPECT_TRUE(err.contains(QByteArray("tour: status bar: ") + link.toUtf8() + ": in use by another program"))
      << err.toStdString();
  EXPECT_TRUE(holder.isOpen()) << "the other program keeps its port";
}

// The lock files that QSerialPort holds for process `pid`: a lock file's
// first line is its holder's process id.
QStringList LockFilesOf(qint64 pid, const Workplace& w) {
  QStringList found;
  for (const QString& dir : {QStringLiteral("/var/lock"), QStringLiteral("/run/lock"), QStringLiteral("/tmp"),
                             QString::fromStdString(w.tmp().string())}) {
    for (const QFileInfo& info : QDir(dir).entryInfoList({QStringLiteral("LCK..*")}, QDir::Files)) {
      QFile file(info.filePath());
      if (file.open(QIODevice::ReadOnly) && file.readLine().trimmed().toLongLong() == pid) {
        found << info.canonicalFilePath();
      }
    }
  }
  found.removeDuplicates();
  return found;
}

// Logout or shutdown, Ctrl+C, and closing the terminal the program was
// started from.
TEST(Process, TerminateInterruptAndHangupCloseThePortAndSaveTheSettings) {
  for (const int sig : {SIGTERM, SIGINT, SIGHUP}) {
    SCOPED_TRACE(sig);
    Workplace w(/*withConstIni=*/true, /*withSettings=*/false);
    QProcess radio;
    QProcess app;
    ASSERT_TRUE(w.StartTourOnSim(radio, app));
    QStringList locks;
    const bool open = WaitFor([&] { return !(locks = LockFilesOf(app.processId(), w)).isEmpty(); }, 60000);
    if (open) ::kill(static_cast<pid_t>(app.processId()), sig);
    const bool finished = open && app.waitForFinished(20000);
    const QByteArray err = app.readAllStandardError();
    End(app);
    End(radio);
    ASSERT_TRUE(open) << "the port was never opened: " << err.toStdString();
    ASSERT_TRUE(finished) << err.toStdString();

    EXPECT_EQ(app.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(app.exitCode(), 128 + sig);
    for (const QString& lock : locks) EXPECT_FALSE(QFileInfo::exists(lock)) << lock.toStdString();
    EXPECT_EQ(ReadFile(w.settings()), "[OPTION]\r\nComPort=1\r\nComAutoRelease=0\r\n");
  }
}

TEST(Process, OptionsAreAnsweredWithoutADisplay) {
  struct Case {
    QStringList args;
    int code;
    const char* out;
    const char* err;
  };
  const std::vector<Case> cases = {
      {{QStringLiteral("--version")}, 0, "PW-R4T ADJ Rev.1.1\npwr4tadj ", ""},
      {{QStringLiteral("--help")}, 0, "--settings-dir <DIR>", ""},
      {{QStringLiteral("--frobnicate")}, 2, "", "Unknown option 'frobnicate'"},
      {{QStringLiteral("--port"), QStringLiteral("0=/dev/ttyUSB0")}, 2, "", "--port: '0=/dev/ttyUSB0' is not N=DEVICE"},
      {{QStringLiteral("--port")}, 2, "", "Missing value after '--port'"},
      {{QStringLiteral("stray")}, 2, "", "unexpected argument 'stray'"},
      {{QStringLiteral("--settings-dir"), QStringLiteral("/nonexistent/pwr4tadj")}, 2, "", "is not a folder"},
  };
  // The window system this asks for is not there: touching it would abort.
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.remove(QStringLiteral("DISPLAY"));
  env.remove(QStringLiteral("WAYLAND_DISPLAY"));
  env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
  TempDir dir;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args.join(QLatin1Char(' ')).toStdString());
    QProcess p;
    p.setProcessEnvironment(env);
    p.setWorkingDirectory(QString::fromStdString(dir.path().string()));
    p.start(QStringLiteral(PW_APP_PATH), c.args);
    ASSERT_TRUE(p.waitForFinished(30000));
    const QByteArray out = p.readAllStandardOutput();
    const QByteArray err = p.readAllStandardError();
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit) << err.toStdString();
    EXPECT_EQ(p.exitCode(), c.code) << err.toStdString();
    EXPECT_TRUE(out.contains(c.out)) << out.toStdString();
    EXPECT_TRUE(err.contains(c.err)) << err.toStdString();
  }
}

TEST(Process, ConstIniRefusalListsThePlacesLookedAt) {
  struct Case {
    const char* userFile;  // content of Const.ini in the user's folder, nullptr for none
    const char* userLine;
    const char* systemLine;  // the system's folder comes after the user's
  };
  const std::vector<Case> cases = {
      {nullptr, " (not found)", " (not found)"},
      {"pw-r4t adj rev.1.1\r\n", " (found, not accepted)", " (not looked at)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.userLine);
    Workplace w(/*withConstIni=*/false);
    fs::create_directories(w.userConfig());
    if (c.userFile) std::ofstream(w.userConfig() / "Const.ini") << c.userFile;
    QProcess p;
    w.Start(p, {});
    ASSERT_TRUE(p.waitForFinished(30000));
    EXPECT_EQ(p.exitCode(), 1);
    const QByteArray err = p.readAllStandardError();
    EXPECT_TRUE(err.contains("Cannot read 'Const.ini'.")) << err.toStdString();
    EXPECT_TRUE(err.contains("Looked for Const.ini in this order:")) << err.toStdString();
    const std::string work = fs::canonical(w.dir.path()).string();
    const std::string user = fs::canonical(w.userConfig()).string();
    EXPECT_TRUE(err.contains(QByteArray::fromStdString(work + "/Const.ini (not found)"))) << err.toStdString();
    EXPECT_TRUE(err.contains(QByteArray::fromStdString(user + "/Const.ini" + c.userLine))) << err.toStdString();
    const std::string system = (fs::canonical(w.dir.path()) / "xdg" / "pwr4tadj" / "Const.ini").string();
    EXPECT_TRUE(err.contains(QByteArray::fromStdString(system + c.systemLine))) << err.toStdString();
  }
}

// The user's own folder, and the system's folder where an administrator
// puts the workshop's constants for every user.
TEST(Process, ConstIniInTheUsersOrTheSystemsFolderIsReadWhenTheWorkingFolderHasNone) {
  for (const bool system : {false, true}) {
    SCOPED_TRACE(system ? "system" : "user");
    Workplace w(/*withConstIni=*/false, /*withSettings=*/false);
    const fs::path folder = system ? w.systemConfig() : w.userConfig();
    fs::create_directories(folder);
    fs::copy_file(fs::path(PW_SOURCE_DIR) / "Const.ini", folder / "Const.ini");
    QProcess radio;
    QProcess app;
    ASSERT_TRUE(w.StartTourOnSim(radio, app));
    // Past start-up (the tour's Connect holds the port): the constants were accepted.
    const bool started = WaitFor([&] { return !LockFilesOf(app.processId(), w).isEmpty(); }, 60000);
    const QByteArray err = app.readAllStandardError();
    End(app);
    End(radio);
    EXPECT_TRUE(started) << err.toStdString();
  }
}

// A new user with no "Const.ini" anywhere: the simulated radio runs on the
// sample shipped beside the program, and says so; a real bench still refuses.
TEST(Process, WithoutConstIniTheSimulatedRadioRunsOnTheShippedSampleAndARealBenchIsRefused) {
  for (const bool simulate : {true, false}) {
    SCOPED_TRACE(simulate ? "--simulate" : "real port");
    Workplace w(/*withConstIni=*/false, /*withSettings=*/false);
    const QString program = w.Install();
    QProcess app;
    QStringList args{QStringLiteral("--tour"), w.path("shots")};
    if (simulate) args << QStringLiteral("--simulate");
    w.Start(app, args, program);
    const bool finished = app.waitForFinished(200000);
    const QByteArray err = app.readAllStandardError();
    End(app);
    ASSERT_TRUE(finished) << err.toStdString();
    const std::string sample = fs::canonical(w.dir.path() / "usr" / "share" / "pwr4tadj" / "Const.ini").string();
    if (simulate) {
      EXPECT_EQ(app.exitCode(), 0) << err.toStdString();
      EXPECT_TRUE(err.contains(QByteArray::fromStdString("the sample constants in " + sample))) << err.toStdString();
      EXPECT_TRUE(QFileInfo::exists(w.path("shots/3-dump.png")));
    } else {
      EXPECT_EQ(app.exitCode(), 1) << err.toStdString();
      EXPECT_TRUE(err.contains("Cannot read 'Const.ini'.")) << err.toStdString();
      EXPECT_FALSE(err.contains(QByteArray::fromStdString(sample))) << "a real bench never looks at the sample";
    }
  }
}

}  // namespace
}  // namespace pw::test
