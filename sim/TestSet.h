// The simulated radio test set: a signal generator, a frequency counter, an
// RF power meter, a modulation meter and a PTT switch behind one SCPI port,
// coupled to a simulated radio.
//
// It knows no transport. Whoever serves it (a TCP socket, an in-process link)
// calls, on one monotonic time in ms of its own choosing:
//   Connect() when a client connects: false means the test set turns it away
//     (close it at once). An accepted connection takes the place of an open
//     one; ConnectionId() changes, and the old client must be closed.
//   Receive(bytes, now, radio) with whatever the client sent, in any pieces.
//     Commands are executed as their line ends, against the radio given.
//   Transmit(now) for the answer bytes due by then; NextDueMs() says when the
//     next ones are due (-1: none pending).
//   Connected() after Receive: false when the connection has been dropped
//     (a fault); close the client then.
//   Disconnect() when the client has gone.
// Nothing here blocks or keeps a reference to the radio.
//
// Commands (SCPI short or long forms, any case, a leading colon optional,
// several in one line separated by ';'; every line ends with LF, CR LF is
// taken too; answers end with LF):
//   *IDN?  *CLS  *RST  *OPC?  *WAI  SYSTem:ERRor[:NEXT]?
//   [SOURce:]FREQuency[:CW] <Hz>[HZ|KHZ|MHZ|GHZ]        100 kHz .. 3 GHz, and ?
//   [SOURce:]POWer[:LEVel][:IMMediate][:AMPLitude] <dBm>  -130 .. +13 dBm, and ?
//   OUTPut[:STATe] ON|OFF|1|0, and ?                     the generator's RF output
//   [SOURce:]FM[:STATe] ON|OFF, and ?                    modulation of the carrier
//   [SOURce:]LFOutput:FREQuency <Hz>  (20 Hz .. 20 kHz)  the audio tone for the
//   [SOURce:]LFOutput:VOLTage <V>     (0 .. 4 V)         radio's microphone
//   [SOURce:]LFOutput[:STATe] ON|OFF                     input; each with ?
//   UNIT:POWer W|DBM, and ?                              the power meter's unit
//   MEASure:FREQuency?        counter, Hz
//   MEASure:POWer?            power meter, W (or dBm)
//   MEASure:FM[:DEViation]?   modulation meter, Hz peak
//   PTT ON|OFF, and ?         keys the radio
// While the generator's output is on it is the radio's test signal (its level
// from dBm at 50 ohm); while it is off the radio's own bench signal applies.
// Readings carry a little noise. With the radio not sending, the counter and
// the modulation meter answer 9.9E37 (no reading) and the power meter its
// noise floor. Errors go into the error queue as SCPI has them
// (-113,"Undefined header"; -222,"Data out of range"; ...); SYSTem:ERRor?
// answers 0,"No error" when it is empty.
#pragma once

#include "sim/Radio.h"
#include "sim/Transmitter.h"

#include <cstdint>
#include <deque>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace sim {

// Misbehaviour on request, for tests.
struct TestSetFault {
  enum class Kind {
    Silent,                  // matching commands are ignored: no action, no answer
    SplitAnswers,            // their answers arrive in pieces of a few bytes
    JoinedAnswers,           // their answers are held a while and sent with any that follow
    CrLf,                    // their answers end with CR LF
    QueuedError,             // each puts -221,"Settings conflict" into the error queue
    DropConnection,          // the connection is dropped when one arrives
    RefuseSecondConnection,  // a connection while one is open is turned away
  };
  Kind kind = Kind::Silent;
  // Commands that begin with this text (case and a leading colon ignored);
  // empty: every command.
  std::string on;
  bool once = false;
};

struct TestSetOptions {
  uint32_t seed = 1;      // the radio's own offsets and the readings' noise
  int answerDelayMs = 2;  // from the end of a query to its answer
  int measureMs = 20;     // a measurement takes this much longer
  bool noisyReadings = true;
};

class TestSet {
 public:
  static constexpr double kNoReading = 9.9e37;  // SCPI's overrange
  static constexpr int kSplitPieceBytes = 3;
  static constexpr int kSplitGapMs = 2;
  static constexpr int kJoinHoldMs = 20;

  struct Generator {
    double hz = 156'000'000.0;
    double dBm = -130.0;
    bool output = false;
    bool fm = false;
    double toneHz = 1000.0;
    double toneVolts = 0.0;
    bool toneOn = false;
  };

  explicit TestSet(const TestSetOptions& options = {});

  bool Connect();
  void Disconnect();
  bool Connected() const { return connected_; }
  uint64_t ConnectionId() const { return connectionId_; }

  void Receive(std::string_view bytes, int64_t nowMs, Radio& radio);
  std::string Transmit(int64_t nowMs);
  int64_t NextDueMs() const { return out_.empty() ? -1 : out_.front().first; }

  void addFault(const TestSetFault& fault) { faults_.push_back({fault, false}); }
  void clearFaults() { faults_.clear(); }

  const Generator& generator() const { return generator_; }
  bool pttOn() const { return ptt_; }
  const Transmitter& transmitter() const { return transmitter_; }
  const std::string& identity() const { return identity_; }

 private:
  struct ArmedFault {
    TestSetFault fault;
    bool spent;
  };
  // What the faults make of one line's answers.
  struct Shaping {
    bool split = false;
    bool joined = false;
    bool crlf = false;
  };
  struct Unit {
    std::string header;  // upper case, without a leading colon
    std::string param;
    bool query = false;
  };
  using Handler = std::optional<std::string> (TestSet::*)(const Unit&, Radio&);
  struct Command;

  void executeLine(const std::string& line, int64_t nowMs, Radio& radio);
  bool hit(TestSetFault::Kind kind, const std::string& unit);
  std::optional<std::string> execute(const Unit& unit, Radio& radio);
  void schedule(std::string text, int64_t atMs, const Shaping& shaping);
  void pushError(int code, std::string_view text);
  void applyGenerator(Radio& radio) const;
  void drop();

  std::optional<double> number(const Unit& unit, std::string_view unitKind, double lo, double hi);
  std::optional<bool> boolean(const Unit& unit);
  bool noParam(const Unit& unit);
  double noisy(double value, double relative, double absolute);

  std::optional<std::string> identify(const Unit&, Radio&);
  std::optional<std::string> clearStatus(const Unit&, Radio&);
  std::optional<std::string> reset(const Unit&, Radio&);
  std::optional<std::string> operationComplete(const Unit&, Radio&);
  std::optional<std::string> wait(const Unit&, Radio&);
  std::optional<std::string> nextError(const Unit&, Radio&);
  std::optional<std::string> frequency(const Unit&, Radio&);
  std::optional<std::string> level(const Unit&, Radio&);
  std::optional<std::string> output(const Unit&, Radio&);
  std::optional<std::string> fm(const Unit&, Radio&);
  std::optional<std::string> toneFrequency(const Unit&, Radio&);
  std::optional<std::string> toneVolts(const Unit&, Radio&);
  std::optional<std::string> toneState(const Unit&, Radio&);
  std::optional<std::string> powerUnit(const Unit&, Radio&);
  std::optional<std::string> measureFrequency(const Unit&, Radio&);
  std::optional<std::string> measurePower(const Unit&, Radio&);
  std::optional<std::string> measureDeviation(const Unit&, Radio&);
  std::optional<std::string> ptt(const Unit&, Radio&);

  static const std::vector<Command>& commands();

  TestSetOptions options_;
  Transmitter transmitter_;
  std::mt19937 rng_;
  std::string identity_;
  Generator generator_;
  bool ptt_ = false;
  bool powerInWatts_ = true;
  std::deque<std::string> errors_;
  bool connected_ = false;
  uint64_t connectionId_ = 0;
  std::string in_;
  std::deque<std::pair<int64_t, std::string>> out_;  // due time -> bytes, in order
  int64_t heldUntilMs_ = -1;                         // the due time of a joined answer held back
  std::vector<ArmedFault> faults_;
};

}  // namespace sim
