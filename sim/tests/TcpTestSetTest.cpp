// The radio test set on a loopback TCP port, coupled to the radio behind the
// pseudo-terminal: what a program's raw SCPI socket meets.
#include "sim/TcpTestSet.h"
#include "sim/PtyLink.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <chrono>
#include <netinet/in.h>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;
using Kind = sim::TestSetFault::Kind;

int msLeft(Clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return left > 0 ? static_cast<int>(left) : 0;
}

// A client socket, closed with the object.
class Client {
 public:
  explicit Client(int port) : fd_(::socket(AF_INET, SOCK_STREAM, 0)) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<uint16_t>(port));
    if (::connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
      ::close(fd_);
      fd_ = -1;
    }
  }
  ~Client() {
    if (fd_ >= 0) ::close(fd_);
  }
  bool connected() const { return fd_ >= 0; }

  bool send(const std::string& line) {
    const std::string bytes = line + "\n";
    return ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(bytes.size());
  }
  // Reads up to a line end; closed() tells whether the other side went away.
  std::string line(int budgetMs = 2000) {
    std::string got;
    const auto deadline = Clock::now() + std::chrono::milliseconds(budgetMs);
    while ((got.empty() || got.back() != '\n') && msLeft(deadline) > 0) {
      pollfd p{fd_, POLLIN, 0};
      if (::poll(&p, 1, msLeft(deadline)) <= 0) continue;
      char buf[256];
      const ssize_t n = ::recv(fd_, buf, sizeof buf, 0);
      if (n <= 0) {
        closed_ = true;
        break;
      }
      got.append(buf, static_cast<size_t>(n));
    }
    return got;
  }
  std::string ask(const std::string& query) { return send(query) ? line() : std::string(); }
  bool closed() const { return closed_; }

 private:
  int fd_;
  bool closed_ = false;
};

class TcpTestSetTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sim::RadioOptions options;
    options.pacing = false;
    link = std::make_unique<sim::PtyLink>(options);
    ASSERT_TRUE(link->start());
    testSet = std::make_unique<sim::TcpTestSet>(*link);
    std::string error;
    ASSERT_TRUE(testSet->start(0, &error)) << error;
    ASSERT_GT(testSet->port(), 0);
  }
  void TearDown() override {
    testSet.reset();
    link.reset();
  }
  std::string identity() {
    std::string id;
    testSet->withTestSet([&](sim::TestSet& t) { id = t.identity(); });
    return id + "\n";
  }

  std::unique_ptr<sim::PtyLink> link;
  std::unique_ptr<sim::TcpTestSet> testSet;
};

TEST_F(TcpTestSetTest, AnswersOverTheSocketAndKeysTheRadioBehindThePseudoTerminal) {
  Client client(testSet->port());
  ASSERT_TRUE(client.connected());
  EXPECT_EQ(client.ask("*IDN?"), identity());
  EXPECT_EQ(client.ask("PTT ON;PTT?"), "1\n");
  bool keyed = false;
  link->withRadio([&](sim::Radio& radio) { keyed = radio.pttKeyed(); });
  EXPECT_TRUE(keyed);
}

TEST_F(TcpTestSetTest, ANewClientTakesTheOpenConnectionsPlace) {
  Client first(testSet->port());
  ASSERT_EQ(first.ask("*OPC?"), "1\n");
  Client second(testSet->port());
  EXPECT_EQ(second.ask("*OPC?"), "1\n");
  EXPECT_EQ(first.line(), "");
  EXPECT_TRUE(first.closed());
}

TEST_F(TcpTestSetTest, ARefusedSecondClientIsClosedAtOnceAndTheFirstKeepsItsConnection) {
  testSet->withTestSet([](sim::TestSet& t) { t.addFault({Kind::RefuseSecondConnection, "", false}); });
  Client first(testSet->port());
  ASSERT_EQ(first.ask("*OPC?"), "1\n");
  Client second(testSet->port());
  second.send("*OPC?");
  EXPECT_EQ(second.line(), "");
  EXPECT_TRUE(second.closed());
  EXPECT_EQ(first.ask("*OPC?"), "1\n");
}

TEST_F(TcpTestSetTest, ADroppedConnectionIsClosedAndTheNextClientIsServed) {
  testSet->withTestSet([](sim::TestSet& t) { t.addFault({Kind::DropConnection, "MEAS", true}); });
  Client first(testSet->port());
  EXPECT_EQ(first.ask("MEAS:FREQ?"), "");
  EXPECT_TRUE(first.closed());
  Client second(testSet->port());
  EXPECT_EQ(second.ask("*OPC?"), "1\n");
}

TEST_F(TcpTestSetTest, AClientThatHangsUpLeavesTheTestSetReadyForTheNext) {
  {
    Client gone(testSet->port());
    ASSERT_TRUE(gone.send("*IDN?"));
  }
  Client next(testSet->port());
  EXPECT_EQ(next.ask("*OPC?"), "1\n");
}

}  // namespace
