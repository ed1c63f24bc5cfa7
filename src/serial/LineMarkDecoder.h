// Turns the line-error marks a POSIX serial driver puts into the received
// data (termios PARMRK with INPCK) back into the port's error events.
//
// With marking on, a byte received with a framing or parity error arrives as
// FF 00 X, a break as FF 00 00, and a real FF byte doubled as FF FF. The
// marks alone cannot tell a framing error from a parity error, and an overrun
// leaves no mark at all: where the driver keeps error counters (TIOCGICOUNT)
// their growth since the last read names each mark and reveals overruns.
// Without counters, FF 00 00 is taken as a break and any other mark as a
// framing error; the program does the same for all of them (the frame being
// assembled is dropped), so the name only matters for the record.
//
// Standard C++ only, so it is tested on every platform; only the front end
// on Linux feeds it.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "base/Common.h"

namespace pw {

// The driver's cumulative line-error counters.
struct LineErrorCounts {
  uint64_t frame = 0;
  uint64_t parity = 0;
  uint64_t brk = 0;
  uint64_t overrun = 0;  // hardware and buffer overruns together
};

class LineMarkDecoder {
 public:
  // Received bytes, then (when event is not 0) a line error that happened
  // after them and before whatever the next piece holds.
  struct Piece {
    ByteStr bytes;
    int event = 0;
    bool operator==(const Piece&) const = default;
  };

  // A port was opened: forget a half-seen mark; counts (if the driver keeps
  // them) are where its counters stand now.
  void Reset(const std::optional<LineErrorCounts>& counts);

  // Decodes one read. counts are the driver's counters read right after the
  // bytes, or nullopt when it keeps none. A mark cut off at the end of raw is
  // held back and completed by the next call.
  std::vector<Piece> Decode(const ByteStr& raw, const std::optional<LineErrorCounts>& counts);

  // What Decode would hand on for raw, measured without decoding: the
  // received bytes (a doubled FF is one, a mark none), and how much of raw
  // can be taken without handing on more than room of them.
  struct Measure {
    size_t bytes = 0;
    size_t rawThatFits = 0;
  };
  Measure MeasureRaw(const ByteStr& raw, size_t room) const;

 private:
  enum class Held { None, Ff, FfZero };
  // What one raw byte completes.
  enum class Yield { Nothing, Byte, FfAndByte, Mark };

  static Yield Step(Held& held, uint8_t b);

  int NameMark(uint8_t damaged, LineErrorCounts& fresh) const;
  static void AddByte(std::vector<Piece>& out, uint8_t b);
  static void AddEvent(std::vector<Piece>& out, int event);

  Held held_ = Held::None;
  std::optional<LineErrorCounts> last_;
  // Errors counted for a mark that a read cut off: they name it when the
  // next read completes it.
  LineErrorCounts unclaimed_;
};

}  // namespace pw
