// A byte link to one bench instrument: a raw SCPI socket, a USB
// test-and-measurement device or a serial line. A link only carries bytes;
// what they mean (SCPI sessions, roles, safety) is the core's business. The
// desktop front end implements it with Qt's sockets and serial ports; tests
// with simulated instruments on virtual time.
#pragma once

#include <memory>
#include <string>

namespace pw {

// Where an instrument is reached, as the bench file's Address= names it.
struct InstrumentAddress {
  enum class Kind { None, Tcp, Usbtmc, Serial };
  Kind kind = Kind::None;
  std::string host;    // Tcp
  int port = 5025;     // Tcp
  std::string device;  // Usbtmc and Serial: the device's path or name
  int baud = 9600;     // Serial: 8 data bits, no parity, 1 stop bit
};

class IInstrumentLink {
 public:
  enum class State { Closed, Opening, Open, Failed };
  // The modem-control lines a serial link can drive, to key a transmitter.
  enum class Line { Rts, Dtr };

  virtual ~IInstrumentLink() = default;

  // Starts opening and returns at once; GetState() tells when it is Open or
  // has Failed. Never blocks, whatever the instrument does.
  virtual void Open() = 0;
  virtual void Close() = 0;
  virtual State GetState() const = 0;
  // Why the link failed or was lost, in words for a technician.
  virtual std::string ErrorText() const = 0;

  // Queues bytes to send; false when the link is not open.
  virtual bool Write(const std::string& bytes) = 0;
  // Everything that has arrived since the last call; never waits.
  virtual std::string ReadAll() = 0;

  // Drives a modem-control line of a serial link (active = asserted). False
  // where the link has no such line or it cannot be set.
  virtual bool SetLine(Line /*line*/, bool /*active*/) { return false; }
};

// Makes the links the bench file names. Returns null for an address kind the
// platform cannot reach (with the reason in `why`).
class IInstrumentLinks {
 public:
  virtual ~IInstrumentLinks() = default;
  virtual std::unique_ptr<IInstrumentLink> Create(const InstrumentAddress& address, std::string& why) = 0;
};

}  // namespace pw
