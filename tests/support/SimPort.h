// The simulated radio behind the serial-port interface, on virtual time: the
// in-memory cable of the behaviour tests. Bytes the radio puts on the line
// wait in a receive buffer until the program reads them, as with a real port.
//
// Writes reach the radio in one of two ways. Instant hands every byte over at
// once, which keeps the timing of most tests simple. Line behaves like a real
// UART: written bytes queue in the transmit buffer and leave it at 960 bytes/s
// (9600 baud, 8N1), the fill level counts the queue, and a discard drops what
// has not started on the wire yet. Anything the program gets wrong about
// bytes still in flight only shows on the Line port.
#pragma once

#include <algorithm>
#include <deque>
#include <memory>
#include <set>

#include "platform/IClock.h"
#include "platform/ISerialPort.h"
#include "sim/Radio.h"

namespace pw::test {

class SimPort : public ISerialPort {
 public:
  enum class Writes { Instant, Line };

  SimPort(sim::Radio& radio, VirtualClock& clock, Writes writes = Writes::Instant)
      : radio_(radio), clock_(clock), writes_(writes) {}

  void SetWrites(Writes writes) { writes_ = writes; }

  std::set<int> missingPorts;  // port numbers that fail to open
  int opens = 0;
  ByteStr written;       // everything the program wrote, for inspection
  size_t discarded = 0;  // bytes a discard dropped before they reached the line

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
    outQueue_.clear();
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
    if (writes_ == Writes::Instant) {
      radio_.Receive(bytes, Now());
      return true;
    }
    if (outQueue_.empty()) lineFreeNs_ = std::max(lineFreeNs_, Now() * kNsPerMs);
    outQueue_.insert(outQueue_.end(), bytes.begin(), bytes.end());
    Drain();
    return true;
  }
  int OutBufferCount() const override { return static_cast<int>(outQueue_.size()); }
  std::string DeviceName(int portNum) const override { return "simulated radio on COM " + std::to_string(portNum); }
  bool DiscardOutput() override {
    discarded += outQueue_.size();
    outQueue_.clear();
    return true;
  }

  // Moves what the radio has put on the line by now into the receive buffer
  // and raises the receive event, as the real port does; on the Line port,
  // first lets the transmit queue drain for the time that has passed.
  void Pump() {
    Drain();
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
  // Bytes arriving from the line as if the radio had sent them, for cases the
  // simulated radio cannot produce on its own (a frame cut by a line error).
  void Inject(const ByteStr& bytes) {
    inBuffer_.insert(inBuffer_.end(), bytes.begin(), bytes.end());
    Notify(comEv::kReceive);
  }

  int64_t Now() const { return static_cast<int64_t>(static_cast<uint32_t>(clock_.GetTickCount() - start_)); }

  std::string lastSettings;
  int openPort = 0;

 private:
  static constexpr int64_t kNsPerMs = 1000000;
  static constexpr int64_t kByteNs = 1000000000 / sim::Radio::kBytesPerSecond;

  // A byte leaves the queue once the one before it has started on the wire:
  // the UART holds one byte while it shifts out the previous one, so the
  // radio's end sees them back to back, and the byte in the UART is beyond
  // the reach of a discard.
  void Drain() {
    const int64_t nowNs = Now() * kNsPerMs;
    while (!outQueue_.empty() && lineFreeNs_ <= nowNs + kByteNs) {
      radio_.Receive({outQueue_.front()}, Now());
      outQueue_.pop_front();
      lineFreeNs_ = std::max(lineFreeNs_, nowNs) + kByteNs;
    }
  }

  sim::Radio& radio_;
  VirtualClock& clock_;
  Writes writes_;
  int32_t start_ = clock_.GetTickCount();
  bool open_ = false;
  ByteStr inBuffer_;
  std::deque<uint8_t> outQueue_;
  int64_t lineFreeNs_ = 0;
};

}  // namespace pw::test
