#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QTest>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <functional>
#include <unistd.h>
#include <vector>

#include "qt/PortMap.h"
#include "qt/QtSerialPort.h"
#include "sim/PtyLink.h"
#include "support/Pty.h"
#include "support/TempDir.h"

namespace pw::test {
namespace {

constexpr const char* kLine = "9600,N,8,1";

class RecordingEvents : public ISerialEvents {
 public:
  std::vector<int> codes;
  void OnComm(int code) override { codes.push_back(code); }
  bool Saw(int code) const { return std::find(codes.begin(), codes.end(), code) != codes.end(); }
};

void Pump() { QCoreApplication::processEvents(QEventLoop::AllEvents, 10); }

bool PumpUntil(const std::function<bool()>& cond, int limitMs = 3000) {
  QDeadlineTimer deadline(limitMs);
  while (!cond() && !deadline.hasExpired()) Pump();
  return cond();
}

// --- Port map -------------------------------------------------------------------

TEST(PortMap, CommandLineThenSettingsFileThenDefault) {
  TempDir dir;
  std::ofstream(dir.path() / "PWR4TADJ.rs") << "[OPTION]\nComPort=2\n[PORTS]\nCOM2=/dev/ttyUSB0\nCOM3=/dev/ttyUSB1\n";
  PortMap map;
  map.SetSettingsFolder(dir.path().string());
  ASSERT_TRUE(map.AddOverride(QStringLiteral("3=/dev/pts/7")));
  ASSERT_TRUE(map.AddOverride(QStringLiteral("10 = /dev/ttyACM0")));

  const struct {
    int port;
    const char* device;
  } cases[] = {
      {1, "/dev/ttyS0"},    // nothing named: the platform's own
      {2, "/dev/ttyUSB0"},  // the settings file
      {3, "/dev/pts/7"},    // the command line wins over the file
      {4, "/dev/ttyS3"},
      {10, "/dev/ttyACM0"},
      {0, ""},  // outside the program's range: no device at all
      {11, ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(map.DeviceFor(c.port), QString::fromLatin1(c.device)) << "COM " << c.port;
  }
}

TEST(PortMap, RefusesMalformedOverrides) {
  for (const char* mapping : {"0=/dev/x", "11=/dev/x", "2=", "=/dev/x", "x=/dev/x", "/dev/x", ""}) {
    PortMap map;
    QString error;
    EXPECT_FALSE(map.AddOverride(QString::fromLatin1(mapping), &error)) << mapping;
    EXPECT_FALSE(error.isEmpty()) << mapping;
  }
}

// --- Opening ----------------------------------------------------------------------

TEST(QtSerialPort, OpensPseudoTerminalThoughItHasNoModemLines) {
  Pty pty;
  ASSERT_TRUE(pty.ok());
  PortMap map;
  map.Set(1, QString::fromStdString(pty.slave()));
  QtSerialPort port(map);
  ASSERT_TRUE(port.Open(1, kLine));
  EXPECT_TRUE(port.IsOpen());
  // A fresh open discards unsent bytes; on this device that must not look like a failure.
  EXPECT_TRUE(port.DiscardOutput());
  port.Close();
  EXPECT_FALSE(port.IsOpen());
  EXPECT_TRUE(port.DiscardOutput()) << "discarding on a closed port is no failure";
}

TEST(QtSerialPort, RefusesWhatCannotBeOpened) {
  Pty pty;
  ASSERT_TRUE(pty.ok());
  PortMap map;
  map.Set(1, QString::fromStdString(pty.slave()));
  map.Set(2, QStringLiteral("/dev/pw-no-such-port"));
  QtSerialPort holder(map);
  ASSERT_TRUE(holder.Open(1, kLine));

  const struct {
    const char* name;
    int port;
    const char* settings;
  } cases[] = {
      {"in use by another port object", 1, kLine},
      {"missing device", 2, kLine},
      {"port number outside 1 to 10", 11, kLine},
      {"unknown parity", 1, "9600,X,8,1"},
      {"not a speed", 1, "fast,N,8,1"},
  };
  for (const auto& c : cases) {
    QtSerialPort port(map);
    EXPECT_FALSE(port.Open(c.port, c.settings)) << c.name;
    EXPECT_FALSE(port.IsOpen()) << c.name;
  }
  EXPECT_TRUE(holder.IsOpen()) << "a refused open leaves the holder alone";
}

// --- Data -------------------------------------------------------------------------

class OpenPty : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(pty.ok());
    map.Set(1, QString::fromStdString(pty.slave()));
    port.SetListener(&events);
    ASSERT_TRUE(port.Open(1, kLine));
  }
  void TearDown() override { port.SetListener(nullptr); }

  Pty pty;
  PortMap map;
  QtSerialPort port{map};
  RecordingEvents events;
};

TEST_F(OpenPty, ReceivedBytesRaiseReceiveAndAreReadOnce) {
  const std::vector<uint8_t> sent = {0xFE, 0xFE, 0xEF, 0xEE, 0xE1, 0x00, 0xFD};
  ASSERT_TRUE(pty.Send(sent, Pump));
  ASSERT_TRUE(PumpUntil([&] { return port.InBufferCount() == static_cast<int>(sent.size()); }));
  EXPECT_TRUE(events.Saw(comEv::kReceive));
  EXPECT_EQ(port.ReadAll(), sent);
  EXPECT_EQ(port.InBufferCount(), 0);
  EXPECT_TRUE(port.ReadAll().empty());
}

TEST_F(OpenPty, MoreThanTheReceiveBufferIsAnOverflow) {
  // Nobody reads: the bytes pile up as they would behind a stalled program.
  std::vector<uint8_t> flood(ISerialPort::kInBufferSize + 1000, 0x55);
  ASSERT_TRUE(pty.Send(flood, Pump));
  ASSERT_TRUE(PumpUntil([&] { return events.Saw(comEv::kRxOver); }));
  EXPECT_LE(port.InBufferCount(), ISerialPort::kInBufferSize);
  EXPECT_LE(port.ReadAll().size(), static_cast<size_t>(ISerialPort::kInBufferSize));
}

TEST_F(OpenPty, WrittenBytesReachTheLine) {
  const ByteStr frame = {0xFE, 0xFE, 0xEE, 0xEF, 0xE0, 0xFD};
  ASSERT_TRUE(port.Write(frame));
  std::vector<uint8_t> got;
  ASSERT_TRUE(PumpUntil([&] {
    const auto more = pty.Receive();
    got.insert(got.end(), more.begin(), more.end());
    return got.size() >= frame.size();
  }));
  EXPECT_EQ(got, frame);
  EXPECT_EQ(port.OutBufferCount(), 0);
}

// The frame driver counts a frame as sent when Write returns, and the next
// operation may start before the event loop turns again: the bytes must
// already be with the device.
TEST_F(OpenPty, AWriteIsWithTheDeviceBeforeTheCallReturns) {
  const ByteStr frame = {0xFE, 0xFE, 0xEE, 0xEF, 0xE8, 0x23, 0x20, 0x00, 0x01, 0x10, 0x46, 0x34, 0xFD};
  ASSERT_TRUE(port.Write(frame));
  EXPECT_EQ(pty.Receive(), frame) << "no event-loop turn in between";
}

// What the device cannot take yet stays counted as waiting to go out, so the
// driver's room check sees it.
TEST_F(OpenPty, TheFillLevelCountsWhatTheSystemStillHolds) {
  const ByteStr block(512 * 1024, 0x55);  // more than the pseudo-terminal holds
  ASSERT_TRUE(port.Write(block));
  const int waiting = port.OutBufferCount();
  EXPECT_GT(waiting, 0);
  EXPECT_EQ(pty.Receive().size() + static_cast<size_t>(waiting), block.size());
}

#ifdef Q_OS_LINUX
// With line-error marks on, the driver doubles a real FF; it must reach the
// program as the one byte the radio sent.
TEST_F(OpenPty, ARealFfByteStaysOneByteWithLineMarksOn) {
  EXPECT_TRUE(port.marksLineErrors());
  const std::vector<uint8_t> sent = {0x01, 0xFF, 0x02, 0xFF, 0xFF, 0x00, 0x03};
  ASSERT_TRUE(pty.Send(sent, Pump));
  ByteStr got;
  ASSERT_TRUE(PumpUntil([&] {
    const ByteStr more = port.ReadAll();
    got.insert(got.end(), more.begin(), more.end());
    return got.size() >= sent.size();
  }));
  EXPECT_EQ(got, sent);
  EXPECT_FALSE(events.Saw(comEv::kFrame));
  EXPECT_FALSE(events.Saw(comEv::kBreak));
}

// The receive buffer holds what the program is handed: an FF byte that the
// driver doubles takes one place. 1000 of them (2000 bytes from the driver)
// fit beside 3000 other bytes; one more than the buffer holds is still an
// overflow.
TEST_F(OpenPty, TheFillLevelCountsFfBytesOnceWithLineMarksOn) {
  ASSERT_TRUE(port.marksLineErrors());
  const std::vector<uint8_t> plain(3000, 0x55);
  ASSERT_TRUE(pty.Send(plain, Pump));
  ASSERT_TRUE(PumpUntil([&] { return port.InBufferCount() == 3000; }));
  const std::vector<uint8_t> ffs(1000, 0xFF);
  ASSERT_TRUE(pty.Send(ffs, [] {}));  // all at once, as behind a stalled program
  ASSERT_TRUE(PumpUntil([&] { return port.InBufferCount() == 4000 || events.Saw(comEv::kRxOver); }));
  EXPECT_FALSE(events.Saw(comEv::kRxOver));
  EXPECT_EQ(port.InBufferCount(), 4000);
  ByteStr expected = plain;
  expected.insert(expected.end(), ffs.begin(), ffs.end());
  EXPECT_EQ(port.ReadAll(), expected);

  ASSERT_TRUE(pty.Send(std::vector<uint8_t>(ISerialPort::kInBufferSize + 1, 0xFF), Pump));
  ASSERT_TRUE(PumpUntil([&] { return events.Saw(comEv::kRxOver); }));
}
#endif

TEST_F(OpenPty, LostDeviceClosesThePortAndRaisesALineError) {
  pty.CloseMaster();  // the cable's far end is gone, as when an adapter is pulled
  ASSERT_TRUE(PumpUntil([&] { return !port.IsOpen(); }));
  EXPECT_TRUE(events.Saw(comEv::kCdTimeout));
  EXPECT_FALSE(port.Write({0x01}));
}

TEST(QtSerialPortSimulator, TalksToTheSimulatedRadio) {
  sim::PtyLink link;
  ASSERT_TRUE(link.start());
  PortMap map;
  map.Set(1, QString::fromStdString(link.slavePath()));
  QtSerialPort port(map);
  ASSERT_TRUE(port.Open(1, kLine));
  // Identification request: the radio echoes it and answers.
  const ByteStr e0 = {0xFE, 0xFE, 0xEE, 0xEF, 0xE0, 0x23, 0x20, 0x00, 0x01, 0xFD};
  ASSERT_TRUE(port.Write(e0));
  ByteStr got;
  ASSERT_TRUE(PumpUntil(
      [&] {
        const ByteStr more = port.ReadAll();
        got.insert(got.end(), more.begin(), more.end());
        return got.size() > e0.size();
      },
      5000));
  EXPECT_TRUE(std::equal(e0.begin(), e0.end(), got.begin())) << "the echo comes first";
  port.Close();
  link.stop();
}

}  // namespace
}  // namespace pw::test
