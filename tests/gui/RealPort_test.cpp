// The program's real port, clock, heartbeat and window, wired as the
// desktop program wires them, against build/kqr4t-sim on a pseudo-terminal.
// Real time: the radio clones at 9600 baud.
#include <gtest/gtest.h>

#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <fstream>

#include "qt/MainWindow.h"
#include "qt/PortMap.h"
#include "qt/QtClock.h"
#include "qt/QtSerialPort.h"
#include "shell/start.h"
#include "support/Bench.h"
#include "support/SimProcess.h"
#include "support/TempDir.h"

namespace pw::test {
namespace {

class RealPort : public ::testing::Test {
 protected:
  void SetUp() override {
    std::ofstream(dir.path() / "Const.ini") << DefaultConstIni();
    map.Set(1, link);
    app = std::make_unique<PwApp>(port, clock, window, dir.path().string(), (dir.path() / "Const.ini").string());
    ASSERT_TRUE(app->Main());
    window.Attach(&app->main);
    heartbeat.setInterval(frmCom::kTimerIntervalMs);
    QObject::connect(&heartbeat, &QTimer::timeout, &window, [this] { app->Tick(); });
    heartbeat.start();
    window.show();
  }
  void TearDown() override {
    heartbeat.stop();
    if (QMessageBox* box = window.messageBox()) box->accept();
    app->ReleaseComForm();
    window.Attach(nullptr);
    End(radio);
  }

  bool OnConsole() const { return window.FrameVisible(1) && !window.FrameVisible(0); }
  bool ConsoleShows(const QString& line) const {
    return !window.consoleList()->findItems(line, Qt::MatchStartsWith | Qt::MatchCaseSensitive).isEmpty();
  }
  int CloneFramesLogged() const {
    std::ifstream log(frames.toStdString());
    int n = 0;
    for (std::string line; std::getline(log, line);) n += line.rfind("TX FE FE EF EE E4", 0) == 0 ? 1 : 0;
    return n;
  }

  TempDir dir;
  const QString link = QString::fromStdString((dir.path() / "radio").string());
  const QString frames = QString::fromStdString((dir.path() / "frames.log").string());
  PortMap map;
  QtSerialPort port{map};
  QtClock clock;
  MainWindow window;
  std::unique_ptr<PwApp> app;
  QTimer heartbeat;
  QProcess radio;
};

TEST_F(RealPort, CablePulledMidCloneIsReportedAndTheNextConnectWorks) {
  ASSERT_TRUE(StartSim(radio, link, {QStringLiteral("--log"), frames}));
  window.button(0)->click();
  // A quarter of the way through the clone read, the radio's end goes away
  // as a pulled USB adapter does.
  ASSERT_TRUE(WaitFor([&] { return CloneFramesLogged() >= 64; }, 20000));
  End(radio);

  ASSERT_TRUE(WaitFor([&] { return window.messageBox() != nullptr; }, 20000));
  EXPECT_EQ(window.messageBox()->text(),
            QStringLiteral("No answer from KQ-R4T.\n\nCheck the following:\n\n- The COM port settings.\n"
                           "- Cloning cable connections.\n- The KQ-R4T power is ON."));
  EXPECT_FALSE(app->gCom.comOpen());
  EXPECT_TRUE(window.FrameVisible(0)) << "the Connect page";
  EXPECT_FALSE(window.FrameVisible(1));
  window.messageBox()->accept();

  // The cable is back; the technician presses Connect again.
  ASSERT_TRUE(StartSim(radio, link, {QStringLiteral("--log"), QStringLiteral("-")}));
  window.button(0)->click();
  ASSERT_TRUE(WaitFor([&] { return OnConsole() && ConsoleShows(QStringLiteral("       MOD: 128")); }, 60000));
  EXPECT_TRUE(app->gCom.comOpen());
  EXPECT_EQ(window.messageBox(), nullptr) << window.messageBox()->text().toStdString();
}

}  // namespace
}  // namespace pw::test
