// The front end's instrument links against a loopback socket, a
// pseudo-terminal standing in for a serial line or a USB instrument, and
// paths that are no instrument at all. Real time: nothing here may wait.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QTcpServer>
#include <QTcpSocket>
#include <fcntl.h>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <termios.h>
#include <unistd.h>

#include "qt/QtInstrumentLinks.h"
#include "qt/SerialInstrumentLink.h"
#include "qt/TcpInstrumentLink.h"
#include "qt/UsbtmcInstrumentLink.h"
#include "support/Pty.h"
#include "support/TempDir.h"

namespace pw::test {
namespace {

using State = IInstrumentLink::State;

void Pump() { QCoreApplication::processEvents(QEventLoop::AllEvents, 10); }

bool PumpUntil(const std::function<bool()>& cond, int limitMs = 3000) {
  QDeadlineTimer deadline(limitMs);
  while (!cond() && !deadline.hasExpired()) Pump();
  return cond();
}

// Pumps for a while, for checks that something does not happen.
void PumpFor(int ms) {
  QDeadlineTimer deadline(ms);
  while (!deadline.hasExpired()) Pump();
}

// Collects what a link receives until `expected` is there (or time is up).
std::string ReadUntil(IInstrumentLink& link, const std::string& expected) {
  std::string got;
  PumpUntil([&] {
    got += link.ReadAll();
    return got.size() >= expected.size();
  });
  return got;
}

// --- Raw SCPI socket -------------------------------------------------------------

class LoopbackInstrument : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(server.listen(QHostAddress::LocalHost, 0));
    link = std::make_unique<TcpInstrumentLink>("127.0.0.1", server.serverPort());
  }
  void OpenAndAccept() {
    link->Open();
    Accept();
  }
  // Waits for the link to open and takes the instrument's end of it.
  void Accept() {
    ASSERT_TRUE(PumpUntil([&] { return link->GetState() == State::Open && server.hasPendingConnections(); }));
    peer = server.nextPendingConnection();
  }
  std::string PeerReceives(size_t size) {
    PumpUntil([&] { return peer->bytesAvailable() >= static_cast<qint64>(size); });
    return peer->readAll().toStdString();
  }
  void PeerSends(const char* text) {
    peer->write(text);
    peer->flush();
  }

  QTcpServer server;
  QTcpSocket* peer = nullptr;
  std::unique_ptr<TcpInstrumentLink> link;
};

TEST_F(LoopbackInstrument, CarriesBytesBothWaysOnceConnected) {
  EXPECT_FALSE(link->Write("*IDN?\n")) << "closed";
  link->Open();
  // Connecting is started, never waited for.
  EXPECT_EQ(link->GetState(), State::Opening);
  EXPECT_FALSE(link->Write("*IDN?\n")) << "still connecting";
  ASSERT_NO_FATAL_FAILURE(Accept());

  EXPECT_TRUE(link->Write("*IDN?\n"));
  EXPECT_EQ(PeerReceives(6), "*IDN?\n");
  PeerSends("SIM,TESTSET,0,1.0\r\n");
  EXPECT_EQ(ReadUntil(*link, "SIM,TESTSET,0,1.0\r\n"), "SIM,TESTSET,0,1.0\r\n");
  EXPECT_EQ(link->ReadAll(), "") << "bytes are read once";
}

TEST_F(LoopbackInstrument, ACloseAskedForIsNoFailureAndTheLinkOpensAgain) {
  ASSERT_NO_FATAL_FAILURE(OpenAndAccept());
  link->Close();
  PumpFor(50);
  EXPECT_EQ(link->GetState(), State::Closed);
  EXPECT_EQ(link->ErrorText(), "");
  EXPECT_FALSE(link->Write("*CLS\n"));

  ASSERT_NO_FATAL_FAILURE(OpenAndAccept());
  EXPECT_TRUE(link->Write("*CLS\n"));
  EXPECT_EQ(PeerReceives(5), "*CLS\n");
}

TEST_F(LoopbackInstrument, ARefusedConnectionFailsNamingTheAddress) {
  const quint16 port = server.serverPort();
  server.close();  // nobody listens there now
  link->Open();
  ASSERT_TRUE(PumpUntil([&] { return link->GetState() == State::Failed; }));
  EXPECT_NE(link->ErrorText().find("127.0.0.1:" + std::to_string(port)), std::string::npos) << link->ErrorText();
  EXPECT_NE(link->ErrorText().find("refused"), std::string::npos) << link->ErrorText();
}

TEST_F(LoopbackInstrument, AnInstrumentClosingFailsTheLinkButWhatItSentIsRead) {
  ASSERT_NO_FATAL_FAILURE(OpenAndAccept());
  PeerSends("+1.5680E+08\n");
  peer->disconnectFromHost();
  ASSERT_TRUE(PumpUntil([&] { return link->GetState() == State::Failed; }));
  EXPECT_NE(link->ErrorText().find("closed the connection"), std::string::npos) << link->ErrorText();
  EXPECT_EQ(link->ReadAll(), "+1.5680E+08\n");
  EXPECT_FALSE(link->Write("*IDN?\n"));
}

TEST_F(LoopbackInstrument, ASilentInstrumentNeverHoldsUpTheCaller) {
  ASSERT_NO_FATAL_FAILURE(OpenAndAccept());
  for (int i = 0; i < 10; ++i) {
    QElapsedTimer call;
    call.start();
    EXPECT_TRUE(link->Write("MEAS:FREQ?\n"));
    EXPECT_EQ(link->ReadAll(), "");
    EXPECT_LT(call.elapsed(), 50) << "round " << i;
    Pump();
  }
  EXPECT_EQ(link->GetState(), State::Open);
}

// --- Serial line -------------------------------------------------------------------

TEST(SerialInstrumentLink, OpensAtOnceAt8N1AndTheAddressedSpeedAndCarriesBytes) {
  Pty pty;
  ASSERT_TRUE(pty.ok());
  SerialInstrumentLink link(pty.slave(), 19200);
  link.Open();
  ASSERT_EQ(link.GetState(), State::Open) << link.ErrorText();

  const int fd = ::open(pty.slave().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
  ASSERT_GE(fd, 0);
  termios tio{};
  ASSERT_EQ(::tcgetattr(fd, &tio), 0);
  ::close(fd);
  EXPECT_EQ(::cfgetospeed(&tio), static_cast<speed_t>(B19200));
  EXPECT_EQ(tio.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
  EXPECT_EQ(tio.c_cflag & (PARENB | CSTOPB | CRTSCTS), 0u);

  EXPECT_TRUE(link.Write("++addr 7\n*IDN?\n"));
  std::string sent;
  PumpUntil([&] {
    sent += pty.ReceiveText();
    return sent.size() >= 15;
  });
  EXPECT_EQ(sent, "++addr 7\n*IDN?\n");
  ASSERT_TRUE(pty.Send(std::string("SIM,PTT,0,1\r\n"), Pump));
  EXPECT_EQ(ReadUntil(link, "SIM,PTT,0,1\r\n"), "SIM,PTT,0,1\r\n");
}

TEST(SerialInstrumentLink, APortThatCannotOpenFailsWithTheReason) {
  SerialInstrumentLink link("/dev/pw-no-such-adapter", 9600);
  link.Open();
  EXPECT_EQ(link.GetState(), State::Failed);
  EXPECT_NE(link.ErrorText().find("/dev/pw-no-such-adapter: not present"), std::string::npos) << link.ErrorText();
  EXPECT_FALSE(link.Write("*IDN?\n"));
  EXPECT_FALSE(link.SetLine(IInstrumentLink::Line::Rts, false));
}

TEST(SerialInstrumentLink, ADeviceThatGoesAwayFailsTheLink) {
  Pty pty;
  ASSERT_TRUE(pty.ok());
  SerialInstrumentLink link(pty.slave(), 9600);
  link.Open();
  ASSERT_EQ(link.GetState(), State::Open);
  pty.CloseMaster();
  ASSERT_TRUE(PumpUntil([&] { return link.GetState() == State::Failed; }));
  EXPECT_NE(link.ErrorText().find(pty.slave()), std::string::npos) << link.ErrorText();
  PumpFor(50);  // the port is closed from the event loop, and quietly
  EXPECT_EQ(link.GetState(), State::Failed);
}

// --- USB test-and-measurement device -------------------------------------------------
// A pseudo-terminal plays the device node: it blocks as the driver's calls
// do, which is what the link must keep away from the caller.

class UsbtmcOnPty : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(pty.ok());
    ASSERT_TRUE(pty.MakeRaw());
    link = std::make_unique<UsbtmcInstrumentLink>(pty.slave());
    link->Open();
    ASSERT_EQ(link->GetState(), State::Open) << link->ErrorText();
  }
  std::string DeviceReceives(size_t size) {
    std::string got;
    PumpUntil([&] {
      got += pty.ReceiveText();
      return got.size() >= size;
    });
    return got;
  }

  Pty pty;
  std::unique_ptr<UsbtmcInstrumentLink> link;
};

TEST_F(UsbtmcOnPty, AQueryIsAnsweredAndOnlyAQueryIsFollowedByARead) {
  // A message comes out whole, however it was written.
  EXPECT_TRUE(link->Write("*ID"));
  PumpFor(50);
  EXPECT_EQ(pty.ReceiveText(), "");
  EXPECT_TRUE(link->Write("N?\n"));
  EXPECT_EQ(DeviceReceives(6), "*IDN?\n");
  ASSERT_TRUE(pty.Send(std::string("SIM,TESTSET,0,1.0\n"), Pump));
  EXPECT_EQ(ReadUntil(*link, "SIM,TESTSET,0,1.0\n"), "SIM,TESTSET,0,1.0\n");

  // Reading unasked would put an error into the instrument's queue.
  EXPECT_TRUE(link->Write("*CLS\n"));
  EXPECT_EQ(DeviceReceives(5), "*CLS\n");
  ASSERT_TRUE(pty.Send(std::string("stray\n"), Pump));
  PumpFor(200);
  EXPECT_EQ(link->ReadAll(), "");
  EXPECT_EQ(link->GetState(), State::Open);
}

TEST_F(UsbtmcOnPty, ASilentInstrumentHoldsUpNeitherTheCallerNorClose) {
  QElapsedTimer calls;
  calls.start();
  EXPECT_TRUE(link->Write("MEAS:FM:DEV?\n"));
  EXPECT_EQ(DeviceReceives(13), "MEAS:FM:DEV?\n");  // the worker now waits for an answer
  calls.restart();
  EXPECT_EQ(link->ReadAll(), "");
  EXPECT_TRUE(link->Write("*OPC?\n"));
  link->Close();
  EXPECT_LT(calls.elapsed(), 50);
  EXPECT_EQ(link->GetState(), State::Closed);
}

TEST_F(UsbtmcOnPty, AnInstrumentThatGoesAwayFailsTheLink) {
  pty.CloseMaster();
  EXPECT_TRUE(link->Write("*IDN?\n"));
  ASSERT_TRUE(PumpUntil([&] { return link->GetState() == State::Failed; }));
  EXPECT_NE(link->ErrorText().find(pty.slave()), std::string::npos) << link->ErrorText();
  EXPECT_FALSE(link->Write("*IDN?\n"));
}

TEST(UsbtmcInstrumentLink, WhatIsNoDeviceFailsWithTheReason) {
  TempDir dir;
  const std::string file = (dir.path() / "usbtmc0").string();
  std::ofstream(file) << "not a device\n";
  const struct {
    std::string path;
    const char* reason;
  } cases[] = {
      {(dir.path() / "usbtmc9").string(), "No such file or directory"},
      {file, "not a USB test-and-measurement device"},
  };
  for (const auto& c : cases) {
    UsbtmcInstrumentLink link(c.path);
    link.Open();
    EXPECT_EQ(link.GetState(), State::Failed) << c.path;
    EXPECT_NE(link.ErrorText().find(c.path + ": " + c.reason), std::string::npos) << link.ErrorText();
  }
}

// --- The factory ---------------------------------------------------------------------

TEST(QtInstrumentLinks, MakesTheLinkEachAddressKindNames) {
  QtInstrumentLinks links;
  InstrumentAddress tcp;
  tcp.kind = InstrumentAddress::Kind::Tcp;
  tcp.host = "127.0.0.1";
  InstrumentAddress serial;
  serial.kind = InstrumentAddress::Kind::Serial;
  serial.device = "/dev/ttyUSB0";
  InstrumentAddress usbtmc;
  usbtmc.kind = InstrumentAddress::Kind::Usbtmc;
  usbtmc.device = "/dev/usbtmc0";

  std::string why;
  EXPECT_NE(dynamic_cast<TcpInstrumentLink*>(links.Create(tcp, why).get()), nullptr);
  EXPECT_NE(dynamic_cast<SerialInstrumentLink*>(links.Create(serial, why).get()), nullptr);
  EXPECT_NE(dynamic_cast<UsbtmcInstrumentLink*>(links.Create(usbtmc, why).get()), nullptr);
  EXPECT_EQ(why, "");
  EXPECT_EQ(links.Create(InstrumentAddress{}, why), nullptr);
  EXPECT_NE(why, "");
}

}  // namespace
}  // namespace pw::test
