// The simulated radio behind the program's own serial-port interface, in the
// same process: --simulate uses it where no pseudo-terminal exists (Windows),
// so the program can be tried without a radio. Each simulated COM number has
// a radio of its own, paced on the program's clock exactly as on the cable;
// any other COM number goes to the real port given.
#pragma once

#include "platform/IClock.h"
#include "platform/ISerialPort.h"
#include "sim/Radio.h"

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>

namespace sim {

class InProcessPort : public pw::ISerialPort, private pw::ISerialEvents {
 public:
  InProcessPort(pw::IClock& clock, pw::ISerialPort& realPort, const std::set<int>& simulatedPorts,
                const RadioOptions& options = {});
  ~InProcessPort() override;
  InProcessPort(const InProcessPort&) = delete;
  InProcessPort& operator=(const InProcessPort&) = delete;

  bool Open(int portNum, const std::string& settings) override;
  void Close() override;
  bool IsOpen() const override;
  int InBufferCount() const override;
  pw::ByteStr ReadAll() override;
  bool Write(const pw::ByteStr& bytes) override;
  int OutBufferCount() const override;
  int OutBufferSize() const override;
  bool DiscardOutput() override;
  std::string DeviceName(int portNum) const override;

  // Moves what the radios have put on the line by now into the receive
  // buffer and raises the receive event, as a port's driver does. The front
  // end calls it every few milliseconds; tests every virtual millisecond.
  // Output of a radio whose port is closed is lost, as on a real cable.
  void Pump();

  // The radio behind a simulated COM number, or nullptr.
  Radio* radio(int portNum);

 private:
  void OnComm(int eventCode) override { Notify(eventCode); }  // from the real port
  int64_t nowMs();
  // A real port counts as open only while its driver keeps it open: one whose
  // device was lost (a cable pulled) has been closed under it.
  bool RealOpen() const { return realOpen_ && realPort_.IsOpen(); }

  pw::IClock& clock_;
  pw::ISerialPort& realPort_;
  std::map<int, std::unique_ptr<Radio>> radios_;
  Radio* open_ = nullptr;  // the radio of the open simulated port
  bool realOpen_ = false;
  pw::ByteStr inBuffer_;
  uint32_t lastTick_ = 0;
  int64_t elapsedMs_ = 0;
};

}  // namespace sim
