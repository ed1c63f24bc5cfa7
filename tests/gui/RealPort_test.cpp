// The program's real port, clock, heartbeat and window, wired as the
// desktop program wires them, against build/kqr4t-sim on a pseudo-terminal.
// Real time: the radio clones at 9600 baud.
#include <gtest/gtest.h>

#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <fstream>
#include <optional>
#include <utility>
#include <vector>

#include "qt/MainWindow.h"
#include "qt/PortMap.h"
#include "qt/QtClock.h"
#include "qt/QtSerialPort.h"
#include "shell/start.h"
#include "support/Bench.h"
#include "support/SimProcess.h"
#include "support/TempDir.h"
#include "support/WireLog.h"

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
    for (const auto& e : ReadFrameLog(log)) {
      n += e.direction == sim::FrameLogEntry::Direction::Tx && e.bytes.size() > 4 && e.bytes[4] == 0xE4 ? 1 : 0;
    }
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

// Every adjustment frame reaches the radio on a real line: a full BPF ALL
// sweep at 9600 baud, read back from the radio's own frame log. Each SD
// reading must have been taken at the value the program sent just before it
// (a lost frame shows as a reading filed under a value the radio never had).
TEST_F(RealPort, BpfAllSweepSetsEveryValueBeforeItsReading) {
  ASSERT_TRUE(StartSim(radio, link, {QStringLiteral("--log"), frames}));
  window.button(0)->click();
  ASSERT_TRUE(WaitFor([&] { return OnConsole() && ConsoleShows(QStringLiteral("       MOD: 128")); }, 60000));
  // Let the first cycle send every item before the sweep starts.
  ASSERT_TRUE(WaitFor([&] { return FirstCycleDone(*app); }, 30000));

  window.consoleList()->setCurrentRow(app->gIndOp->idxSweepItem());
  QTest::keyClick(window.consoleList(), Qt::Key_Return);
  ASSERT_TRUE(WaitFor([&] { return ConsoleShows(QStringLiteral("   BPF ALL: Sweeping")); }, 5000));
  ASSERT_TRUE(WaitFor([&] { return ConsoleShows(QStringLiteral("   BPF ALL: [Enter] to Sweep")); }, 120000));
  EXPECT_EQ(window.messageBox(), nullptr);

  std::vector<std::pair<int, int>> measured;
  std::optional<std::pair<int, int>> lastSet;
  bool sweeping = false;
  std::ifstream log(frames.toStdString());
  for (const E8Frame& f : E8Frames(ReadFrameLog(log))) {
    if (!f.toRadio) continue;
    const int value = static_cast<int8_t>(f.value);
    if (f.sub >= 0x10 && f.sub <= 0x13) {
      lastSet = {f.sub, value};
      sweeping = sweeping || (f.sub == 0x10 && value == -128);
    }
    if (f.sub == 0x98 && sweeping && lastSet) measured.push_back(*lastSet);
  }
  std::vector<std::pair<int, int>> expected;
  for (int k = 0; k < 4; ++k) {
    for (int v = -128; v < 127; v += 4) expected.emplace_back(0x10 + k, v);
    expected.emplace_back(0x10 + k, 127);
  }
  ASSERT_GE(measured.size(), 250u);
  EXPECT_EQ(measured, expected);
}

}  // namespace
}  // namespace pw::test
