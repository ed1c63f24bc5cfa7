#include "instruments/ScpiSession.h"

#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

namespace pw {
namespace {

// A link whose incoming bytes the test hands over read by read.
class RawLink : public IInstrumentLink {
 public:
  struct Far {
    State state = State::Closed;
    bool opensAtOnce = true;
    std::string sent;
    std::deque<std::string> reads;  // one entry per ReadAll
  };
  explicit RawLink(Far& far) : far_(far) {}
  void Open() override { far_.state = far_.opensAtOnce ? State::Open : State::Opening; }
  void Close() override { far_.state = State::Closed; }
  State GetState() const override { return far_.state; }
  std::string ErrorText() const override { return far_.state == State::Failed ? "Remote host closed" : ""; }
  bool Write(const std::string& bytes) override {
    if (far_.state != State::Open) return false;
    far_.sent += bytes;
    return true;
  }
  std::string ReadAll() override {
    if (far_.reads.empty()) return std::string();
    std::string chunk = far_.reads.front();
    far_.reads.pop_front();
    return chunk;
  }

 private:
  Far& far_;
};

class ScpiSessionTest : public ::testing::Test {
 protected:
  ScpiSession Make(bool adapter = false) {
    ScpiSession session(std::make_unique<RawLink>(far), clock, adapter);
    session.Open();
    return session;
  }
  // Polls as the heartbeat does, 50 ms apart, until the answer is settled.
  ScpiSession::Answer Await(ScpiSession& session, std::string& line, int maxTicks = 100) {
    for (int i = 0; i < maxTicks; ++i) {
      session.Task();
      const auto answer = session.PollAnswer(line);
      if (answer != ScpiSession::Answer::Waiting) return answer;
      clock.Advance(50);
    }
    return ScpiSession::Answer::Waiting;
  }

  VirtualClock clock;
  RawLink::Far far;
};

TEST_F(ScpiSessionTest, AnswersArriveWhicheverWayTheyAreCut) {
  struct Case {
    const char* name;
    std::vector<std::string> reads;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {"whole", {"1.568E+08\n"}, "1.568E+08"},
      {"CR LF", {"+25.1\r\n"}, "+25.1"},
      {"split", {"1.5", "68E", "+08", "\n"}, "1.568E+08"},
      {"CR and LF in two reads", {"0\r", "\n"}, "0"},
      {"empty reads between", {"", "4", "", "2\n"}, "42"},
      {"empty answer", {"\n"}, ""},
  };
  for (const auto& c : cases) {
    far = RawLink::Far();
    ScpiSession session = Make();
    ASSERT_TRUE(session.StartQuery("MEAS:FREQ?", -1, 2000)) << c.name;
    EXPECT_EQ(far.sent, "MEAS:FREQ?\n") << c.name;
    for (const auto& r : c.reads) far.reads.push_back(r);
    std::string line;
    EXPECT_EQ(Await(session, line), ScpiSession::Answer::Got) << c.name;
    EXPECT_EQ(line, c.expected) << c.name;
  }
}

TEST_F(ScpiSessionTest, TwoAnswersJoinedInOneReadServeTwoQueriesOnlyWhenAsked) {
  ScpiSession session = Make();
  ASSERT_TRUE(session.StartQuery("*OPC?", -1, 2000));
  far.reads.push_back("1\n+0,\"No error\"\n");
  std::string line;
  ASSERT_EQ(Await(session, line), ScpiSession::Answer::Got);
  EXPECT_EQ(line, "1");
  // The second line was never asked for: the next query does not take it.
  ASSERT_TRUE(session.StartQuery("OUTP?", -1, 2000));
  far.reads.push_back("0\n");
  ASSERT_EQ(Await(session, line), ScpiSession::Answer::Got);
  EXPECT_EQ(line, "0");
}

TEST_F(ScpiSessionTest, SilenceTimesOutOnTheExchangesOwnCountdown) {
  ScpiSession session = Make();
  ASSERT_TRUE(session.StartQuery("*IDN?", -1, 300));
  std::string line;
  session.Task();
  clock.Advance(299);
  EXPECT_EQ(session.PollAnswer(line), ScpiSession::Answer::Waiting);
  clock.Advance(1);
  EXPECT_EQ(session.PollAnswer(line), ScpiSession::Answer::TimedOut);
}

TEST_F(ScpiSessionTest, AnAnswerTooLateForItsQueryIsNotTheNextOnes) {
  ScpiSession session = Make();
  ASSERT_TRUE(session.StartQuery("MEAS:POW?", -1, 1000));
  session.AbandonQuery();
  far.reads.push_back("+25.1\n");
  session.Task();
  ASSERT_TRUE(session.StartQuery("OUTP?", -1, 1000));
  far.reads.push_back("0\n");
  std::string line;
  ASSERT_EQ(Await(session, line), ScpiSession::Answer::Got);
  EXPECT_EQ(line, "0");
}

TEST_F(ScpiSessionTest, ADroppedConnectionEndsTheWaitAtOnce) {
  ScpiSession session = Make();
  ASSERT_TRUE(session.StartQuery("*OPC?", -1, 5000));
  far.state = IInstrumentLink::State::Failed;
  std::string line;
  EXPECT_EQ(session.PollAnswer(line), ScpiSession::Answer::Lost);
  EXPECT_TRUE(session.IsLost());
  EXPECT_EQ(session.LinkError(), "Remote host closed");
  EXPECT_FALSE(session.Send("*CLS"));
  // Opening again starts afresh.
  session.Open();
  EXPECT_TRUE(session.IsOpen());
  EXPECT_FALSE(session.IsLost());
}

TEST_F(ScpiSessionTest, AClosedLinkCountsAsLostOnlyOnceItHadOpened) {
  far.opensAtOnce = false;
  ScpiSession session = Make();
  session.Task();
  EXPECT_FALSE(session.IsOpen());
  EXPECT_FALSE(session.IsLost());
  far.state = IInstrumentLink::State::Open;
  session.Task();
  EXPECT_TRUE(session.IsOpen());
  far.state = IInstrumentLink::State::Closed;
  session.Task();
  EXPECT_TRUE(session.IsLost());
}

TEST_F(ScpiSessionTest, AnAnswerThatNeverEndsIsALostLinkNotAnEndlessBuffer) {
  ScpiSession session = Make();
  ASSERT_TRUE(session.StartQuery("*IDN?", -1, 60000));
  std::string line;
  for (int i = 0; i < 80 && !session.IsLost(); ++i) {
    far.reads.push_back(std::string(1024, 'x'));
    session.Task();
  }
  EXPECT_EQ(session.PollAnswer(line), ScpiSession::Answer::Lost);
}

TEST_F(ScpiSessionTest, AGpibAdapterIsSetUpOnceAndEachExchangeAddressesItsInstrument) {
  ScpiSession session = Make(true);
  session.Task();
  session.Task();
  EXPECT_EQ(far.sent, "++mode 1\n++auto 0\n++eoi 1\n++eos 3\n");
  far.sent.clear();
  ASSERT_TRUE(session.Send("*CLS", 7));
  ASSERT_TRUE(session.StartQuery("*IDN?", 12, 2000));
  EXPECT_EQ(far.sent, "++addr 7\n*CLS\n++addr 12\n*IDN?\n++read eoi\n");
}

TEST_F(ScpiSessionTest, RolesOnOneConnectionTakeTurns) {
  ScpiSession session = Make();
  int a = 0;
  int b = 0;
  EXPECT_TRUE(session.TryAcquire(&a));
  EXPECT_TRUE(session.TryAcquire(&a));
  EXPECT_FALSE(session.TryAcquire(&b));
  session.Release(&b);
  EXPECT_FALSE(session.TryAcquire(&b)) << "only the owner releases";
  session.Release(&a);
  EXPECT_TRUE(session.TryAcquire(&b));
}

}  // namespace
}  // namespace pw
