// The real cable in the Port menu: the captions show what each COM stands
// for, the "Assign devices..." dialog over a fake list of devices saves
// [PORTS], and a failed open is explained in words.
#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QTableWidget>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>

#include "qt/AssignDevicesDialog.h"
#include "qt/MainWindow.h"
#include "qt/PortDiagnosis.h"
#include "qt/PortMap.h"
#include "support/TempDir.h"

namespace pw::test {
namespace {

namespace fs = std::filesystem;

std::string ReadFile(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

SerialDevice Ftdi() {
  return {QStringLiteral("/dev/ttyUSB0"),
          QStringLiteral("/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A1B2-if00-port0"),
          QStringLiteral("FT232R USB UART"),
          QStringLiteral("FTDI"),
          QStringLiteral("A1B2"),
          QStringLiteral("0403:6001")};
}

SerialDevice Acm() {
  return {QStringLiteral("/dev/ttyACM0"), {}, QStringLiteral("CDC ACM"), {}, {}, QStringLiteral("2341:0043")};
}

TEST(PortMenu, CaptionsShowTheMappedDeviceAndWhetherItIsThere) {
  MainWindow window;
  EXPECT_EQ(window.portAction(1)->text(), QStringLiteral("COM &1"));
  window.SetPortDevices([](int n) {
    switch (n) {
      case 1:
        return MainWindow::PortDevice{QStringLiteral("/dev/ttyUSB0"), true};
      case 2:
        return MainWindow::PortDevice{QStringLiteral("/dev/ttyACM0"), false};
      default:
        return MainWindow::PortDevice{QStringLiteral("/dev/ttyS%1").arg(n - 1), true};
    }
  });
  EXPECT_EQ(window.portAction(1)->text(), QStringLiteral("COM &1\t/dev/ttyUSB0"));
  EXPECT_EQ(window.portAction(2)->text(), QStringLiteral("COM &2\t/dev/ttyACM0 (not present)"));
  EXPECT_EQ(window.portAction(4)->text(), QStringLiteral("COM &4\t/dev/ttyS3"));
  EXPECT_TRUE(window.portAction(1)->isCheckable());

  // The last item of the Port menu opens the dialog.
  const QList<QAction*> items = window.portMenu()->actions();
  ASSERT_FALSE(items.isEmpty());
  EXPECT_EQ(items.back(), window.assignDevicesAction());
  EXPECT_EQ(items.back()->text(), QStringLiteral("Assign devices..."));
  bool asked = false;
  QObject::connect(&window, &MainWindow::assignDevicesRequested, [&] { asked = true; });
  window.assignDevicesAction()->trigger();
  EXPECT_TRUE(asked);
}

// A settings file with more in it than [PORTS], and a port map reading it.
class AssignDevicesTest : public ::testing::Test {
 protected:
  AssignDevicesTest() {
    std::ofstream(File(), std::ios::binary) << "[OPTION]\r\nComPort=2\r\nComAutoRelease=3\r\n"
                                               "[PORTS]\r\nCOM2=/dev/ttyS9\r\n; bench B\r\n[OTHER]\r\nx=y\r\n";
    map.SetSettingsFolder(dir.path().string());
  }
  fs::path File() const { return dir.path() / "PWR4TADJ.rs"; }

  TempDir dir;
  PortMap map;
  std::vector<SerialDevice> devices{Ftdi()};
};

TEST_F(AssignDevicesTest, OkSavesThePortsAndKeepsEverythingElse) {
  AssignDevicesDialog dialog(map, [this] { return devices; });
  // The stable name is offered beside the system's name.
  QComboBox* com1 = dialog.choiceBox(1);
  EXPECT_GE(com1->findText(Ftdi().stableName), 1);
  EXPECT_GE(com1->findText(Ftdi().systemLocation), 1);
  EXPECT_EQ(com1->currentIndex(), 0) << "COM 1 starts on its default";
  EXPECT_EQ(dialog.choiceBox(2)->currentText(), QStringLiteral("/dev/ttyS9")) << "as the file says";
  EXPECT_EQ(dialog.deviceTable()->rowCount(), 1);
  EXPECT_EQ(dialog.deviceTable()->item(0, 5)->text(), QStringLiteral("0403:6001"));

  com1->setCurrentIndex(com1->findText(Ftdi().stableName));
  dialog.choiceBox(2)->setCurrentIndex(0);                           // back to the default
  dialog.choiceBox(4)->setEditText(QStringLiteral("/dev/ttyUSB7"));  // typed: unplugged now
  dialog.accept();

  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_EQ(ReadFile(File()),
            "[OPTION]\r\nComPort=2\r\nComAutoRelease=3\r\n"
            "[PORTS]\r\nCOM2=\r\nCOM1=" +
                Ftdi().stableName.toStdString() + "\r\nCOM4=/dev/ttyUSB7\r\n; bench B\r\n[OTHER]\r\nx=y\r\n");
  EXPECT_EQ(map.DeviceFor(1), Ftdi().stableName);
  EXPECT_EQ(map.DeviceFor(2), PortMap::DefaultDevice(2));
  EXPECT_EQ(map.DeviceFor(4), QStringLiteral("/dev/ttyUSB7"));
}

TEST_F(AssignDevicesTest, NothingChangedWritesNothing) {
  const auto stamp = fs::last_write_time(File());
  const std::string before = ReadFile(File());
  AssignDevicesDialog dialog(map, [this] { return devices; });
  dialog.accept();
  EXPECT_EQ(ReadFile(File()), before);
  EXPECT_EQ(fs::last_write_time(File()), stamp);
}

TEST_F(AssignDevicesTest, CommandLineDeviceIsShownAsWinningForThisRun) {
  map.Set(3, QStringLiteral("/dev/pts/9"));
  AssignDevicesDialog dialog(map, [this] { return devices; });
  EXPECT_EQ(dialog.noteLabel(3)->text(), QStringLiteral("This run: /dev/pts/9 (--port)"));
  EXPECT_TRUE(dialog.noteLabel(1)->text().isEmpty());
}

TEST_F(AssignDevicesTest, ListRefreshesAndKeepsTheChoices) {
  AssignDevicesDialog dialog(map, [this] { return devices; });
  QComboBox* com1 = dialog.choiceBox(1);
  com1->setCurrentIndex(com1->findText(Ftdi().stableName));

  devices.push_back(Acm());  // a cable plugged in
  dialog.Refresh();
  EXPECT_EQ(dialog.deviceTable()->rowCount(), 2);
  EXPECT_GE(com1->findText(QStringLiteral("/dev/ttyACM0")), 1);
  EXPECT_EQ(dialog.Choice(1), Ftdi().stableName);

  devices.clear();  // and every cable pulled: the choice stays, as a name
  dialog.Refresh();
  EXPECT_EQ(dialog.deviceTable()->rowCount(), 0);
  EXPECT_EQ(dialog.Choice(1), Ftdi().stableName);
}

TEST_F(AssignDevicesTest, AnUnwritableFileKeepsTheDialogOpenAndSaysSo) {
  map.SetSettingsFolder((dir.path() / "missing").string());
  AssignDevicesDialog dialog(map, [this] { return devices; });
  dialog.choiceBox(1)->setCurrentIndex(1);
  dialog.accept();
  EXPECT_NE(dialog.result(), QDialog::Accepted);
  EXPECT_TRUE(dialog.errorLabel()->text().contains(QStringLiteral("COM 1")))
      << dialog.errorLabel()->text().toStdString();
}

// ---------------------------------------------------------------------------
// Why a port did not open

TEST(PortDiagnosis, ReasonsInPlainWords) {
  struct Case {
    PortDiagnosis::Facts facts;
    const char* says;
  };
  using F = PortDiagnosis::Facts;
  const QString dev = QStringLiteral("/dev/ttyUSB0");
  const QString lock = QStringLiteral("/run/lock/LCK..ttyUSB0");
  const std::vector<Case> cases = {
      {F{dev, false, true, {}, {}, true, QSerialPort::DeviceNotFoundError}, "/dev/ttyUSB0: not present"},
      {F{dev, true, false, QStringLiteral("dialout"), {}, true, QSerialPort::PermissionError},
       "/dev/ttyUSB0: permission denied. Add your user to the 'dialout' group, then log in again."},
      {F{dev, true, false, QStringLiteral("uucp"), {}, true, QSerialPort::PermissionError},
       "/dev/ttyUSB0: permission denied. Add your user to the 'uucp' group, then log in again."},
      {F{dev, true, true, {}, lock, true, QSerialPort::PermissionError}, "/dev/ttyUSB0: in use by another program"},
      {F{dev, true, true, {}, {}, true, QSerialPort::PermissionError}, "/dev/ttyUSB0: in use by another program"},
      {F{dev, true, true, {}, lock, false, QSerialPort::PermissionError},
       "/dev/ttyUSB0: blocked by the stale lock file /run/lock/LCK..ttyUSB0, left by a program that has ended. "
       "It may be deleted (by its owner or an administrator)."},
      {F{dev, true, true, {}, {}, true, QSerialPort::OpenError}, "/dev/ttyUSB0: cannot be opened"},
  };
  for (const Case& c : cases) EXPECT_EQ(PortDiagnosis::Describe(c.facts).toStdString(), c.says);
}

TEST(PortDiagnosis, LockFilesAreFoundAndTheirHoldersChecked) {
  EXPECT_EQ(PortDiagnosis::LockFileName(QStringLiteral("/dev/ttyUSB0")), QStringLiteral("LCK..ttyUSB0"));
  EXPECT_EQ(PortDiagnosis::LockFileName(QStringLiteral("/dev/pts/3")), QStringLiteral("LCK..pts_3"));
  EXPECT_EQ(PortDiagnosis::LockFileName(QStringLiteral("/tmp/radio")), QStringLiteral("LCK.._tmp_radio"));

  TempDir locks;
  TempDir devs;
  const fs::path device = devs.path() / "ttyFAKE";
  std::ofstream(device) << "";
  const QString dev = QString::fromStdString(device.string());
  const QStringList folders{QString::fromStdString(locks.path().string())};
  const fs::path lockFile = locks.path() / PortDiagnosis::LockFileName(dev).toStdString();

  EXPECT_TRUE(PortDiagnosis::Gather(dev, QSerialPort::PermissionError, folders).lockFile.isEmpty());

  // A holder that has ended: the largest process id there can be is free.
  std::ofstream(lockFile) << "2147483646\npwr4tadj\n" << QSysInfo::machineHostName().toStdString() << "\n";
  PortDiagnosis::Facts stale = PortDiagnosis::Gather(dev, QSerialPort::PermissionError, folders);
  EXPECT_EQ(stale.lockFile.toStdString(), lockFile.string());
  EXPECT_FALSE(stale.lockHolderAlive);
  EXPECT_TRUE(PortDiagnosis::Describe(stale).contains(QStringLiteral("stale lock file")));

  std::ofstream(lockFile) << ::getpid() << "\npwr4tadj\n" << QSysInfo::machineHostName().toStdString() << "\n";
  EXPECT_TRUE(PortDiagnosis::Gather(dev, QSerialPort::PermissionError, folders).lockHolderAlive);

  const PortDiagnosis::Facts gone = PortDiagnosis::Gather(QString::fromStdString((devs.path() / "ttyGONE").string()),
                                                          QSerialPort::DeviceNotFoundError, folders);
  EXPECT_FALSE(gone.present);
}

}  // namespace
}  // namespace pw::test
