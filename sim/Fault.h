// Misbehaviour the simulated radio can be told to show, and where it shows it.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace sim {

enum class FaultKind {
  NoEcho,                 // the program's bytes do not come back on the line
  NoAnswer,               // the radio ignores the request
  StallAfterCloneFrames,  // a clone read stops after `count` E4 frames
  WrongModel,             // E1 reports a model name one higher
  WrongSubName,           // E1 reports a sub name one higher
  BadChecksum,            // an E4 block carries a wrong checksum
  NoiseBetweenFrames,     // garbage (and a stray FD) before a radio frame
  AtisNeverConfirmed,     // the ATIS mode request answers status 1, not 5
  MalformedValue,         // an E8 answer's value digits are not hex ('G' 'Z')
  WrongSubCommand,        // an E8 answer repeats sub-command + 1
  BadE5,                  // the clone end frame carries an altered signature
};

// Which moments of a session a fault applies to.
struct FaultTrigger {
  enum class On {
    Always,      // every place the fault kind can apply
    Frame,       // the value-th frame the radio receives (0-based, all frames counted)
    SubCommand,  // every E8 request with sub-command `value`
    CloneFrame,  // E4 frame number `value` of a clone read (0-based)
    CloneEnd,    // the E5 frame of a clone read
  };
  On on = On::Always;
  int value = 0;

  static FaultTrigger always() { return {}; }
  static FaultTrigger frame(int n) { return {On::Frame, n}; }
  static FaultTrigger subCommand(int sub) { return {On::SubCommand, sub}; }
  static FaultTrigger cloneFrame(int k) { return {On::CloneFrame, k}; }
  static FaultTrigger cloneEnd() { return {On::CloneEnd, 0}; }
};

struct Fault {
  FaultKind kind = FaultKind::NoAnswer;
  FaultTrigger trigger;
  bool once = false;  // disarm after the first hit
  int count = 0;      // StallAfterCloneFrames: E4 frames sent before the stall
};

// Where the radio is when it asks whether a fault applies. For the answer
// frames of a clone read, `frame` is the ordinal of the E2 request.
struct FaultSite {
  int frame = -1;
  int subCommand = -1;
  int cloneFrame = -1;
  bool cloneEnd = false;
};

bool matches(const FaultTrigger& trigger, const FaultSite& site);

// Text form used on the simulator's command line:
//   KIND[@TRIGGER][,once]
//   KIND    no-echo | no-answer | stall-after:N | wrong-model | wrong-sub-name |
//           bad-checksum | noise | atis-never-confirmed | malformed-value |
//           wrong-sub-command | bad-e5
//   TRIGGER always | frame:N | sub:X | clone-frame:K | e5
// Numbers are decimal or 0x-prefixed hex.
std::optional<Fault> parseFault(std::string_view text, std::string* error = nullptr);
std::string describe(const Fault& fault);
// The kind's name on the command line: "no-echo", "stall-after", ...
std::string_view kindName(FaultKind kind);

}  // namespace sim
