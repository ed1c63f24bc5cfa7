// The simulated radio behind the serial-port interface, on virtual time: the
// in-memory cable of the behaviour tests. Bytes the radio puts on the line
// wait in a receive buffer until the program reads them, as with a real port.
#pragma once

#include <memory>
#include <set>

#include "serial/IClock.h"
#include "serial/ISerialPort.h"
#include "sim/Radio.h"

namespace pw::test {

class SimPort : public ISerialPort {
 public:
  SimPort(sim::Radio& radio, VirtualClock& clock) : radio_(radio), clock_(clock) {}

  std::set<int> missingPorts;  // port numbers that fail to open
  int opens = 0;
  ByteStr written;             // everything the program wrote, for inspection

  bool Open(int portNum, const std::string& settings) override {
    lastSettings = settings;
    if (missingPorts.count(portNum)) return false;
    open_ = true;
    ++opens;
    openPort = portNum;
    return true;
  }
  void Close() override {
    open_ = false;
    inBuffer_.clear();
  }
  bool IsOpen() const override { return open_; }
  int InBufferCount() const override { return static_cast<int>(inBuffer_.size()); }
  ByteStr ReadAll() override {
    ByteStr out;
    out.swap(inBuffer_);
    return out;
  }
  bool Write(const ByteStr& bytes) override {
    if (!open_) return false;
    written.insert(written.end(), bytes.begin(), bytes.end());
    radio_.Receive(bytes, Now());
    return true;
  }
  int OutBufferCount() const override { return 0; }
  bool DiscardOutput() override { return true; }

  // Moves what the radio has put on the line by now into the receive buffer
  // and raises the receive event, as the real port does.
  void Pump() {
    const ByteStr bytes = radio_.Transmit(Now());
    if (!open_ || bytes.empty()) return;
    inBuffer_.insert(inBuffer_.end(), bytes.begin(), bytes.end());
    if (static_cast<int>(inBuffer_.size()) > kInBufferSize) {
      inBuffer_.resize(kInBufferSize);
      Notify(comEv::kRxOver);
      return;
    }
    Notify(comEv::kReceive);
  }
  void RaiseEvent(int code) { Notify(code); }

  int64_t Now() const { return static_cast<int64_t>(static_cast<uint32_t>(clock_.GetTickCount() - start_)); }

  std::string lastSettings;
  int openPort = 0;

 private:
  sim::Radio& radio_;
  VirtualClock& clock_;
  int32_t start_ = clock_.GetTickCount();
  bool open_ = false;
  ByteStr inBuffer_;
};

}  // namespace pw::test
