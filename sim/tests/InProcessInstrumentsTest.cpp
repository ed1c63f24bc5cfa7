// The radio test set in process behind the core's instrument links: what the
// core's tests connect to, on the program's virtual clock.
#include "sim/InProcessInstruments.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

using State = pw::IInstrumentLink::State;
using Kind = sim::TestSetFault::Kind;

pw::InstrumentAddress tcp(const std::string& host, int port = 5025) {
  pw::InstrumentAddress address;
  address.kind = pw::InstrumentAddress::Kind::Tcp;
  address.host = host;
  address.port = port;
  return address;
}

// Real instruments as far as these tests care: it counts what it is asked for.
class CountingLinks : public pw::IInstrumentLinks {
 public:
  std::unique_ptr<pw::IInstrumentLink> Create(const pw::InstrumentAddress&, std::string& why) override {
    ++asked;
    why = "counted";
    return nullptr;
  }
  int asked = 0;
};

class InProcessInstrumentsTest : public ::testing::Test {
 protected:
  std::unique_ptr<pw::IInstrumentLink> open() {
    std::string why;
    auto link = instruments.Create(tcp(sim::InProcessInstruments::kHost), why);
    EXPECT_NE(link, nullptr) << why;
    if (link) link->Open();
    return link;
  }
  // The answer to one line, after the time it takes.
  std::string ask(pw::IInstrumentLink& link, const std::string& line) {
    EXPECT_TRUE(link.Write(line + "\n"));
    std::string got = link.ReadAll();
    for (int ms = 0; ms < 100 && (got.empty() || got.back() != '\n'); ++ms) {
      clock.Advance(1);
      got += link.ReadAll();
    }
    return got;
  }

  pw::VirtualClock clock{0x7FFFFFF0};  // wraps while the tests run
  sim::Radio radio;
  CountingLinks real;
  sim::InProcessInstruments instruments{clock, radio, {}, &real};
};

TEST_F(InProcessInstrumentsTest, ServesItsOwnAddressAndHandsEveryOtherToTheRealLinks) {
  std::string why;
  EXPECT_NE(instruments.Create(tcp("testset", 1234), why), nullptr);
  EXPECT_EQ(instruments.Create(tcp("192.0.2.7"), why), nullptr);
  EXPECT_EQ(why, "counted");
  pw::InstrumentAddress serial;
  serial.kind = pw::InstrumentAddress::Kind::Serial;
  serial.device = "testset";
  EXPECT_EQ(instruments.Create(serial, why), nullptr);
  EXPECT_EQ(real.asked, 2);

  sim::InProcessInstruments alone(clock, radio);
  why.clear();
  EXPECT_EQ(alone.Create(tcp("192.0.2.7"), why), nullptr);
  EXPECT_FALSE(why.empty());
}

TEST_F(InProcessInstrumentsTest, AnswersComeOnTheProgramsClockAndTheTestSetActsOnTheRadio) {
  auto link = open();
  ASSERT_EQ(link->GetState(), State::Open);
  ASSERT_TRUE(link->Write("*IDN?\n"));
  EXPECT_EQ(link->ReadAll(), "");  // no time has passed
  clock.Advance(sim::TestSetOptions{}.answerDelayMs);
  EXPECT_EQ(link->ReadAll(), instruments.testSet().identity() + "\n");

  EXPECT_EQ(ask(*link, "PTT ON;PTT?"), "1\n");
  EXPECT_TRUE(radio.pttKeyed());
  link->Close();
  EXPECT_EQ(link->GetState(), State::Closed);
  EXPECT_FALSE(link->Write("PTT OFF\n"));
  EXPECT_FALSE(instruments.testSet().Connected());
}

TEST_F(InProcessInstrumentsTest, ALaterConnectionTakesTheOpenOnesPlaceUnlessTheSecondIsRefused) {
  auto first = open();
  auto second = open();
  EXPECT_EQ(second->GetState(), State::Open);
  EXPECT_EQ(first->GetState(), State::Failed);
  EXPECT_FALSE(first->ErrorText().empty());
  EXPECT_FALSE(first->Write("*OPC?\n"));
  first.reset();  // closing a connection that was taken over leaves the new one alone
  EXPECT_EQ(ask(*second, "*OPC?"), "1\n");

  instruments.testSet().addFault({Kind::RefuseSecondConnection, "", false});
  auto third = open();
  EXPECT_EQ(third->GetState(), State::Failed);
  EXPECT_NE(third->ErrorText().find("refused"), std::string::npos);
  EXPECT_EQ(ask(*second, "*OPC?"), "1\n");
}

TEST_F(InProcessInstrumentsTest, ADroppedConnectionFailsTheLink) {
  instruments.testSet().addFault({Kind::DropConnection, "MEAS", true});
  auto link = open();
  EXPECT_EQ(ask(*link, "MEAS:FREQ?"), "");
  EXPECT_EQ(link->GetState(), State::Failed);
  EXPECT_NE(link->ErrorText().find("closed"), std::string::npos);
  link->Open();  // connects again
  EXPECT_EQ(ask(*link, "*OPC?"), "1\n");
}

}  // namespace
