#include "sim/InProcessPort.h"

namespace sim {

InProcessPort::InProcessPort(pw::IClock& clock, pw::ISerialPort& realPort, const std::set<int>& simulatedPorts,
                             const RadioOptions& options)
    : clock_(clock), realPort_(realPort), lastTick_(static_cast<uint32_t>(clock.GetTickCount())) {
  for (int n : simulatedPorts) radios_[n] = std::make_unique<Radio>(options);
  realPort_.SetListener(this);
}

InProcessPort::~InProcessPort() { realPort_.SetListener(nullptr); }

// The radios count time from their creation in a 64-bit count; the
// program's clock is a wrapping 32-bit one, so only its steps are added.
int64_t InProcessPort::nowMs() {
  const auto tick = static_cast<uint32_t>(clock_.GetTickCount());
  elapsedMs_ += static_cast<uint32_t>(tick - lastTick_);
  lastTick_ = tick;
  return elapsedMs_;
}

Radio* InProcessPort::radio(int portNum) {
  const auto it = radios_.find(portNum);
  return it == radios_.end() ? nullptr : it->second.get();
}

std::string InProcessPort::DeviceName(int portNum) const {
  return radios_.count(portNum) ? "simulated radio" : realPort_.DeviceName(portNum);
}

bool InProcessPort::Open(int portNum, const std::string& settings) {
  if (IsOpen()) return true;
  if (Radio* r = radio(portNum)) {
    open_ = r;
    inBuffer_.clear();
    return true;
  }
  realOpen_ = realPort_.Open(portNum, settings);
  return realOpen_;
}

void InProcessPort::Close() {
  if (realOpen_) realPort_.Close();
  realOpen_ = false;
  open_ = nullptr;
  inBuffer_.clear();
}

bool InProcessPort::IsOpen() const { return open_ != nullptr || RealOpen(); }

int InProcessPort::InBufferCount() const {
  if (RealOpen()) return realPort_.InBufferCount();
  return static_cast<int>(inBuffer_.size());
}

pw::ByteStr InProcessPort::ReadAll() {
  if (RealOpen()) return realPort_.ReadAll();
  pw::ByteStr out;
  out.swap(inBuffer_);
  return out;
}

bool InProcessPort::Write(const pw::ByteStr& bytes) {
  if (RealOpen()) return realPort_.Write(bytes);
  if (open_ == nullptr) return false;
  open_->Receive(bytes, nowMs());
  return true;
}

// The radio takes the bytes as they are written and paces them on the line
// itself, so nothing waits in a transmit buffer.
int InProcessPort::OutBufferCount() const { return RealOpen() ? realPort_.OutBufferCount() : 0; }

int InProcessPort::OutBufferSize() const { return RealOpen() ? realPort_.OutBufferSize() : kOutBufferSize; }

bool InProcessPort::DiscardOutput() { return RealOpen() ? realPort_.DiscardOutput() : true; }

void InProcessPort::Pump() {
  const int64_t now = nowMs();
  bool received = false;
  for (auto& [n, r] : radios_) {
    const auto bytes = r->Transmit(now);
    if (r.get() != open_ || bytes.empty()) continue;
    inBuffer_.insert(inBuffer_.end(), bytes.begin(), bytes.end());
    received = true;
  }
  if (!received) return;
  if (static_cast<int>(inBuffer_.size()) > kInBufferSize) {
    inBuffer_.resize(kInBufferSize);
    Notify(pw::comEv::kRxOver);
    return;
  }
  Notify(pw::comEv::kReceive);
}

}  // namespace sim
