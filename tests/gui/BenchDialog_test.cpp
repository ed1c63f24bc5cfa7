// Option > "Bench instruments..." against the simulated radio test set,
// served in process on a loopback port as --simulate serves it: the menu
// item, the dialog's lines, Test and what OK writes. Real time: the bench
// runs on the program's clock and Qt's sockets.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QTcpServer>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>

#include "instruments/BenchInstruments.h"
#include "qt/BenchDialog.h"
#include "qt/MainWindow.h"
#include "qt/QtClock.h"
#include "qt/QtInstrumentLinks.h"
#include "qt/SimulatedBench.h"
#include "qt/TestSetServer.h"
#include "support/TempDir.h"

namespace pw::test {
namespace {

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

class BenchDialogTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(server.Start(0)); }

  std::string TestSetAddress() const { return "tcp:127.0.0.1:" + std::to_string(server.port()); }
  // The heartbeat's share of the bench, and Qt's events, until cond holds.
  bool RunUntil(const std::function<bool()>& cond, int limitMs = 5000) {
    QDeadlineTimer deadline(limitMs);
    while (!cond() && !deadline.hasExpired()) {
      bench.Task();
      QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return cond();
  }
  std::string Result(BenchDialog& dialog, Role role) const { return dialog.resultLabel(role)->text().toStdString(); }
  // Waits, with the heartbeat running, for a Test's answer.
  std::string AwaitResult(BenchDialog& dialog, Role role) {
    RunUntil([&] {
      dialog.Poll();
      return Result(dialog, role) != "Testing...";
    });
    return Result(dialog, role);
  }
  std::string TestRole(BenchDialog& dialog, Role role) {
    dialog.testButton(role)->click();
    return AwaitResult(dialog, role);
  }

  TestSetServer server;
  QtInstrumentLinks links;
  QtClock clock;
  BenchInstruments bench{links, clock};
  TempDir dir;
  std::filesystem::path file = dir.path() / "Bench.ini";
};

TEST_F(BenchDialogTest, TheOptionMenuOffersIt) {
  MainWindow window;
  QSignalSpy asked(&window, &MainWindow::benchInstrumentsRequested);
  auto* option = window.findChild<QMenu*>(QStringLiteral("mnuOptionTop"));
  ASSERT_NE(option, nullptr);
  EXPECT_TRUE(option->actions().contains(window.benchAction()));
  EXPECT_EQ(window.benchAction()->text(), QStringLiteral("&Bench instruments..."));
  window.benchAction()->trigger();
  EXPECT_EQ(asked.count(), 1);
}

TEST_F(BenchDialogTest, OneLinePerRoleWithTheAddressTheFileGives) {
  std::ofstream(file)
      << "[GENERATOR]\r\nAddress=tcp:192.168.1.20\r\n[PTT]\r\nAddress=serial:/dev/ttyUSB1\r\nLine=RTS\r\n";
  BenchDialog dialog(bench, file.string());
  const struct {
    Role role;
    const char* address;
  } lines[] = {
      {Role::Generator, "tcp:192.168.1.20"}, {Role::Counter, ""}, {Role::PowerMeter, ""}, {Role::ModulationMeter, ""},
      {Role::Ptt, "serial:/dev/ttyUSB1"},
  };
  for (const auto& line : lines) {
    EXPECT_EQ(dialog.addressEdit(line.role)->text().toStdString(), line.address) << RoleSection(line.role);
    EXPECT_TRUE(dialog.resultLabel(line.role)->text().isEmpty());
  }
}

TEST_F(BenchDialogTest, TestShowsTheAnswerOrWhyItFailed) {
  BenchDialog dialog(bench, file.string());
  dialog.addressEdit(Role::Counter)->setText(QString::fromStdString(TestSetAddress()));
  dialog.testButton(Role::Counter)->click();
  EXPECT_EQ(Result(dialog, Role::Counter), "Testing...") << "a Test is started, not waited for";
  EXPECT_EQ(AwaitResult(dialog, Role::Counter), server.testSet().identity());

  // Nobody listens on a closed server's port.
  QTcpServer gone;
  ASSERT_TRUE(gone.listen(QHostAddress::LocalHost, 0));
  const std::string goneAddress = "tcp:127.0.0.1:" + std::to_string(gone.serverPort());
  gone.close();
  dialog.addressEdit(Role::PowerMeter)->setText(QString::fromStdString(goneAddress));
  const std::string refused = TestRole(dialog, Role::PowerMeter);
  EXPECT_NE(refused.find("refused"), std::string::npos) << refused;

  const std::string none = TestRole(dialog, Role::ModulationMeter);
  EXPECT_FALSE(none.empty());
  EXPECT_EQ(none.find(server.testSet().identity()), std::string::npos) << none;
}

TEST_F(BenchDialogTest, OkWritesOnlyWhatChangedAndTheBenchTakesIt) {
  const std::string before =
      "; our bench, room 2\r\n"
      "[GENERATOR]\r\n"
      "Address=tcp:192.168.1.20\r\n"
      "CableLossDb=1.5\r\n"
      "[COUNTER]\r\n"
      "Address=tcp:192.168.1.21\r\n"
      "Measure=:FETC:FREQ?\r\n"
      "[OTHER]\r\n"
      "Kept=as it is\r\n";
  std::ofstream(file, std::ios::binary) << before;
  BenchDialog dialog(bench, file.string());
  dialog.addressEdit(Role::Counter)->setText(QString::fromStdString(TestSetAddress()));
  dialog.accept();

  std::string expected = before;
  expected.replace(expected.find("tcp:192.168.1.21"), 16, TestSetAddress());
  EXPECT_EQ(ReadFile(file), expected);
  EXPECT_EQ(bench.Config()[Role::Counter].Address, TestSetAddress());
  EXPECT_EQ(bench.Config()[Role::Counter].Command(command::kMeasure, "MEAS:FREQ?"), ":FETC:FREQ?");
  EXPECT_EQ(bench.Config()[Role::Generator].CableLossDb, 1.5);
}

TEST_F(BenchDialogTest, CancelAfterATestLeavesFileAndBenchAsTheyWere) {
  const std::string before = "[COUNTER]\r\nAddress=tcp:192.168.1.21\r\n";
  std::ofstream(file, std::ios::binary) << before;
  BenchConfig had;
  had[Role::Counter].Address = "tcp:192.168.1.21";
  bench.Configure(had);
  BenchDialog dialog(bench, file.string());
  dialog.addressEdit(Role::Counter)->setText(QString::fromStdString(TestSetAddress()));
  EXPECT_EQ(TestRole(dialog, Role::Counter), server.testSet().identity());
  dialog.reject();
  EXPECT_EQ(ReadFile(file), before);
  EXPECT_EQ(bench.Config()[Role::Counter].Address, "tcp:192.168.1.21");
}

TEST(SimulatedBench, ItsBenchFileNamesTheTestSetForEveryRoleAndEveryRoleAnswers) {
  SimulatedBench simulated({});
  std::string why;
  ASSERT_TRUE(simulated.Start(why)) << why;
  BenchConfig config;
  ASSERT_TRUE(ReadBenchFile(simulated.benchFile(), config, why)) << why;
  QtInstrumentLinks links;
  QtClock clock;
  BenchInstruments bench(links, clock);
  bench.Configure(config);
  for (Role role : kRoles) {
    EXPECT_EQ(config[role].Address, "tcp:127.0.0.1:" + std::to_string(simulated.server().port()));
    bench.StartIdentify(role);
    QDeadlineTimer deadline(5000);
    while (!bench.IdentifyDone(role) && !deadline.hasExpired()) {
      bench.Task();
      QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    EXPECT_EQ(bench.IdentifyResult(role), simulated.server().testSet().identity()) << RoleSection(role);
  }
  EXPECT_TRUE(config[Role::Ptt].TransmitPathSafe);
  EXPECT_EQ(config[Role::Ptt].Command(command::kOn, ""), ":PTT ON");
  EXPECT_EQ(config[Role::Ptt].Command(command::kOff, ""), ":PTT OFF");
}

}  // namespace
}  // namespace pw::test
