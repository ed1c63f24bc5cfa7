// --simulate without a pseudo-terminal: the program's whole object graph on
// the in-process port, which serves the simulated radio behind COM 1 to 4
// on the program's clock, and hands every other COM number to the real port.
#include <gtest/gtest.h>

#include <fstream>
#include <memory>

#include "base/Utf8Path.h"
#include "shell/start.h"
#include "sim/InProcessPort.h"
#include "support/Bench.h"
#include "support/RecordingWindow.h"
#include "support/TempDir.h"

namespace pw::test {
namespace {

// A real port with nothing behind it: every open fails.
class AbsentPort : public ISerialPort {
 public:
  int opens = 0;
  bool Open(int, const std::string&) override {
    ++opens;
    return false;
  }
  void Close() override {}
  bool IsOpen() const override { return false; }
  int InBufferCount() const override { return 0; }
  ByteStr ReadAll() override { return {}; }
  bool Write(const ByteStr&) override { return false; }
  int OutBufferCount() const override { return 0; }
  bool DiscardOutput() override { return true; }
};

// A real port that opens, and that the system closes by itself when its
// device goes (a USB cable pulled), as Qt's port does.
class LosablePort : public AbsentPort {
 public:
  bool open = false;
  int writes = 0;
  bool Open(int, const std::string&) override {
    ++opens;
    return open = true;
  }
  void Close() override { open = false; }
  bool IsOpen() const override { return open; }
  bool Write(const ByteStr&) override {
    ++writes;
    return open;
  }
  std::string DeviceName(int portNum) const override { return "/dev/ttyUSB" + std::to_string(portNum); }
};

// The program as the front end wires it for --simulate, on virtual time:
// the port is pumped every millisecond, the heartbeat runs every 50 ms.
class InProcessBench {
 public:
  InProcessBench() : port(clock, realPort, {1, 2, 3, 4}) {
    std::ofstream(dir.path() / "Const.ini", std::ios::binary) << DefaultConstIni();
    app = std::make_unique<PwApp>(port, clock, window, PathToUtf8(dir.path()), PathToUtf8(dir.path() / "Const.ini"));
  }
  bool RunUntil(const std::function<bool()>& cond, int limitMs) {
    for (int i = 0; i < limitMs; ++i) {
      if (cond()) return true;
      clock.Advance(1);
      port.Pump();
      if (++sinceTick_ >= 50) {
        sinceTick_ = 0;
        app->Tick();
      }
    }
    return cond();
  }

  TempDir dir;
  VirtualClock clock{-5000};  // wraps during the run
  AbsentPort realPort;
  sim::InProcessPort port;
  RecordingWindow window;
  std::unique_ptr<PwApp> app;

 private:
  int sinceTick_ = 0;
};

TEST(InProcessSimulate, AFullConnectReadsTheRadioAndReachesTheCycle) {
  InProcessBench b;
  ASSERT_TRUE(b.app->Main());
  b.app->main.cmd00_Click(0);
  ASSERT_TRUE(b.RunUntil([&] { return FirstCycleDone(*b.app); }, 30000));
  ASSERT_TRUE(b.RunUntil([&] { return Cycling(*b.app); }, 2000));
  EXPECT_TRUE(b.window.messages.empty());
  EXPECT_EQ(b.window.comBusy, "COM 1: OPEN");
  sim::Radio& radio = *b.port.radio(1);
  for (int adr = 0; adr < 4096; ++adr) {
    ASSERT_EQ(b.app->gRadio.eepImage().ReadByte(adr), radio.peek(adr)) << "address " << adr;
  }
  EXPECT_EQ(b.realPort.opens, 0);
}

TEST(InProcessSimulate, AComNumberWithoutASimulatedRadioGoesToTheRealPort) {
  InProcessBench b;
  ASSERT_TRUE(b.app->Main());
  b.app->main.set_ComPortNo(5);
  b.app->main.cmd00_Click(0);
  ASSERT_TRUE(b.RunUntil([&] { return !b.window.messages.empty(); }, 5000));
  EXPECT_NE(b.window.messages[0].find("Cannot access COM 5."), std::string::npos) << b.window.messages[0];
  EXPECT_EQ(b.realPort.opens, 1);
}

TEST(InProcessSimulate, AComNumberWhoseRealDeviceWasLostNoLongerCountsAsOpen) {
  VirtualClock clock;
  LosablePort real;
  sim::InProcessPort port(clock, real, {1});
  ASSERT_TRUE(port.Open(5, "9600,N,8,1"));
  EXPECT_TRUE(port.IsOpen());
  real.open = false;  // the cable was pulled: the system closed the port
  EXPECT_FALSE(port.IsOpen());

  // The next Connect, on a simulated COM number, reaches its radio.
  ASSERT_TRUE(port.Open(1, "9600,N,8,1"));
  const ByteStr identify = {0xFE, 0xFE, 0xEE, 0xEF, 0xE0, 0xFD};
  EXPECT_TRUE(port.Write(identify));
  EXPECT_EQ(real.writes, 0);
  for (int ms = 0; ms < 100; ++ms) {
    clock.Advance(1);
    port.Pump();
  }
  const ByteStr echo = port.ReadAll();
  ASSERT_GE(echo.size(), identify.size());
  EXPECT_EQ(ByteStr(echo.begin(), echo.begin() + 6), identify);
}

TEST(InProcessSimulate, SimulatedComNumbersNameTheRadioAndRealOnesTheirDevice) {
  VirtualClock clock;
  LosablePort real;
  sim::InProcessPort port(clock, real, {1, 2});
  EXPECT_EQ(port.DeviceName(1), "simulated radio");
  EXPECT_EQ(port.DeviceName(2), "simulated radio");
  EXPECT_EQ(port.DeviceName(3), "/dev/ttyUSB3");
}

}  // namespace
}  // namespace pw::test
