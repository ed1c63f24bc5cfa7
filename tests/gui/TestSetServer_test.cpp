// The simulated radio test set served on a loopback port from Qt's event
// loop, reached through the program's own socket link.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <functional>
#include <string>

#include "qt/TcpInstrumentLink.h"
#include "qt/TestSetServer.h"

namespace pw::test {
namespace {

using State = IInstrumentLink::State;

bool PumpUntil(const std::function<bool()>& cond, int limitMs = 3000) {
  QDeadlineTimer deadline(limitMs);
  while (!cond() && !deadline.hasExpired()) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
  return cond();
}

class ServedTestSet : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(server.Start(0)); }
  std::unique_ptr<TcpInstrumentLink> Connect() {
    auto link = std::make_unique<TcpInstrumentLink>("127.0.0.1", server.port());
    link->Open();
    EXPECT_TRUE(PumpUntil([&] { return link->GetState() != State::Opening; })) << "connecting";
    return link;
  }
  // Sends a line and collects the answer's line.
  std::string Ask(IInstrumentLink& link, const std::string& line) {
    if (!link.Write(line)) return "(not sent)";
    std::string got;
    PumpUntil([&] {
      got += link.ReadAll();
      return !got.empty() && got.back() == '\n';
    });
    return got;
  }

  TestSetServer server;
};

TEST_F(ServedTestSet, AnswersQueriesAndTakesSettings) {
  auto link = Connect();
  EXPECT_EQ(Ask(*link, "*IDN?\n"), server.testSet().identity() + "\n");
  EXPECT_TRUE(link->Write("FREQ 156800000;:POW -47\n"));
  EXPECT_EQ(Ask(*link, "*OPC?\n"), "1\n");
  EXPECT_EQ(server.testSet().generator().hz, 156800000.0);
  EXPECT_EQ(server.testSet().generator().dBm, -47.0);
}

TEST_F(ServedTestSet, ANewClientTakesThePlaceOfTheOpenOne) {
  auto first = Connect();
  auto second = Connect();
  ASSERT_TRUE(PumpUntil([&] { return first->GetState() == State::Failed; }));
  EXPECT_EQ(Ask(*second, "*IDN?\n"), server.testSet().identity() + "\n");
}

TEST_F(ServedTestSet, FaultsOnRequestCloseTheClient) {
  using Kind = sim::TestSetFault::Kind;
  server.testSet().addFault({Kind::RefuseSecondConnection, "", false});
  auto first = Connect();
  auto turnedAway = Connect();
  ASSERT_TRUE(PumpUntil([&] { return turnedAway->GetState() == State::Failed; }));
  EXPECT_EQ(first->GetState(), State::Open);

  server.testSet().addFault({Kind::DropConnection, "MEAS", false});
  EXPECT_TRUE(first->Write("MEAS:FREQ?\n"));
  ASSERT_TRUE(PumpUntil([&] { return first->GetState() == State::Failed; }));
}

}  // namespace
}  // namespace pw::test
