#include "sim/InProcessInstrumentLink.h"

namespace sim {

namespace {

constexpr const char* kRefused = "connection refused by the instrument";
constexpr const char* kClosed = "connection closed by the instrument";

}  // namespace

InProcessTestSet::InProcessTestSet(pw::IClock& clock_, Radio& radio_, const TestSetOptions& options)
    : clock(clock_), radio(radio_), testSet(options), lastTick(static_cast<uint32_t>(clock_.GetTickCount())) {}

int64_t InProcessTestSet::nowMs() {
  const auto tick = static_cast<uint32_t>(clock.GetTickCount());
  elapsedMs += static_cast<uint32_t>(tick - lastTick);
  lastTick = tick;
  return elapsedMs;
}

bool InProcessInstrumentLink::current() const {
  return host_->testSet.Connected() && host_->testSet.ConnectionId() == connection_;
}

void InProcessInstrumentLink::Open() {
  if (GetState() == State::Open) return;
  if (!host_->testSet.Connect()) {
    state_ = State::Failed;
    error_ = kRefused;
    return;
  }
  connection_ = host_->testSet.ConnectionId();
  state_ = State::Open;
  error_.clear();
}

void InProcessInstrumentLink::Close() {
  if (state_ == State::Open && current()) host_->testSet.Disconnect();
  state_ = State::Closed;
}

pw::IInstrumentLink::State InProcessInstrumentLink::GetState() const {
  return state_ == State::Open && !current() ? State::Failed : state_;
}

std::string InProcessInstrumentLink::ErrorText() const {
  return state_ == State::Open && !current() ? kClosed : error_;
}

bool InProcessInstrumentLink::Write(const std::string& bytes) {
  if (GetState() != State::Open) return false;
  host_->testSet.Receive(bytes, host_->nowMs(), host_->radio);
  return true;
}

std::string InProcessInstrumentLink::ReadAll() {
  if (GetState() != State::Open) return {};
  return host_->testSet.Transmit(host_->nowMs());
}

}  // namespace sim
