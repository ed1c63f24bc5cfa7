#include "instruments/ScpiSession.h"

#include <utility>

namespace pw {
namespace {

// What a USB-to-GPIB adapter is told once when its port opens: be the bus
// controller, address an instrument to talk only when asked, end what it
// sends to the bus with EOI and add no terminator of its own.
constexpr const char* kAdapterSetup = "++mode 1\n++auto 0\n++eoi 1\n++eos 3\n";
// An answer longer than this is no SCPI answer we asked for: the link is
// treated as lost rather than buffering without end.
constexpr std::size_t kMaxLine = 64 * 1024;

}  // namespace

ScpiSession::ScpiSession(std::unique_ptr<IInstrumentLink> link, IClock& clock, bool gpibAdapter)
    : link_(std::move(link)), timeout_(clock), gpibAdapter_(gpibAdapter), abandonTimeout_(clock) {}

void ScpiSession::Open() {
  const auto state = link_->GetState();
  if (state == IInstrumentLink::State::Open || state == IInstrumentLink::State::Opening) return;
  if (state == IInstrumentLink::State::Failed) link_->Close();
  opened_ = false;
  lost_ = false;
  waiting_ = false;
  abandoned_ = 0;
  partial_.clear();
  lines_.clear();
  link_->Open();
  Task();
}

void ScpiSession::Close() {
  link_->Close();
  opened_ = false;
  waiting_ = false;
  abandoned_ = 0;
  partial_.clear();
  lines_.clear();
}

bool ScpiSession::IsOpen() const { return opened_ && !lost_ && link_->GetState() == IInstrumentLink::State::Open; }

bool ScpiSession::IsLost() const { return lost_; }

std::string ScpiSession::LinkError() const {
  const std::string text = link_->ErrorText();
  return text.empty() ? std::string("the connection was lost") : text;
}

void ScpiSession::Lose() {
  lost_ = true;
  waiting_ = false;
}

void ScpiSession::Task() {
  const auto state = link_->GetState();
  if (state == IInstrumentLink::State::Failed) {
    Lose();
    return;
  }
  if (state == IInstrumentLink::State::Closed) {
    if (opened_) Lose();
    return;
  }
  if (state != IInstrumentLink::State::Open) return;
  if (!opened_) {
    opened_ = true;
    if (gpibAdapter_) link_->Write(kAdapterSetup);
  }
  TakeLines();
  if (waiting_ && lines_.empty() && timeout_.counter() == 0) timedOut_ = true;
}

void ScpiSession::TakeLines() {
  partial_ += link_->ReadAll();
  std::size_t lf;
  while ((lf = partial_.find('\n')) != std::string::npos) {
    std::string line = partial_.substr(0, lf);
    partial_.erase(0, lf + 1);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (abandoned_ > 0) {
      --abandoned_;
      continue;
    }
    lines_.push_back(std::move(line));
  }
  if (abandoned_ > 0 && abandonTimeout_.counter() == 0) abandoned_ = 0;
  if (partial_.size() > kMaxLine) {
    link_->Close();
    Lose();
  }
}

bool ScpiSession::Send(const std::string& command, int gpib) {
  if (!IsOpen() || command.empty()) return false;
  std::string bytes;
  if (gpib >= 0) bytes = "++addr " + std::to_string(gpib) + "\n";
  bytes += command + "\n";
  return link_->Write(bytes);
}

bool ScpiSession::StartQuery(const std::string& command, int gpib, int timeoutMs) {
  // Anything unasked for that came before the query is not its answer.
  TakeLines();
  lines_.clear();
  if (!Send(command, gpib)) return false;
  if (gpibAdapter_ && !link_->Write("++read eoi\n")) return false;
  waiting_ = true;
  timedOut_ = false;
  timeout_.set_counter(timeoutMs);
  return true;
}

ScpiSession::Answer ScpiSession::PollAnswer(std::string& line) {
  Task();
  if (lost_) return Answer::Lost;
  if (!waiting_) return Answer::TimedOut;
  if (!lines_.empty()) {
    line = std::move(lines_.front());
    lines_.pop_front();
    waiting_ = false;
    return Answer::Got;
  }
  if (timedOut_) {
    waiting_ = false;
    return Answer::TimedOut;
  }
  return Answer::Waiting;
}

void ScpiSession::AbandonQuery() {
  if (!waiting_) return;
  waiting_ = false;
  if (!lines_.empty()) {
    lines_.pop_front();
    return;
  }
  ++abandoned_;
  abandonTimeout_.set_counter(timeout_.counter());
}

bool ScpiSession::TryAcquire(const void* owner) {
  if (owner_ != nullptr && owner_ != owner) return false;
  owner_ = owner;
  return true;
}

void ScpiSession::Release(const void* owner) {
  if (owner_ == owner) owner_ = nullptr;
}

}  // namespace pw
