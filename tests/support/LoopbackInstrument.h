// A scripted instrument on the far side of an instrument link, for tests on
// virtual time: it answers the default SCPI commands of every role from its
// own small state, keeps what it was sent, and misbehaves on request.
#pragma once

#include <deque>
#include <map>
#include <utility>
#include <memory>
#include <string>
#include <vector>

#include "platform/IInstrumentLink.h"

namespace pw::test {

struct LoopbackInstrument {
  enum class Fault {
    None,
    Silence,     // reads every command, answers nothing
    Split,       // answers come a byte per read
    CrLf,        // answers end with CR LF
    RefuseOpen,  // the link fails to open
  };

  std::string idn = "Bench Co,Test Set 1,0001,1.0";
  Fault fault = Fault::None;
  std::deque<std::string> errors;              // the error queue SYST:ERR? empties
  std::map<std::string, std::string> answers;  // a query's fixed answer (overrides the state's)
  bool outputOn = false;
  bool outputStuckOn = false;  // OUTP OFF is ignored
  bool pttOn = false;
  std::vector<std::string> received;  // every line the program sent, in order
  std::map<IInstrumentLink::Line, bool> lines;
  int opens = 0;

  // Puts the link into the Failed state, as a dropped connection does.
  bool dropped = false;

  // The lines received that start with `prefix`.
  std::vector<std::string> Received(const std::string& prefix) const {
    std::vector<std::string> out;
    for (const auto& line : received) {
      if (line.compare(0, prefix.size(), prefix) == 0) out.push_back(line);
    }
    return out;
  }

  // The answer to one line, or nothing for a command.
  bool Answer(const std::string& line, std::string& answer) {
    received.push_back(line);
    if (line == "OUTP ON") outputOn = true;
    if (line == "OUTP OFF" && !outputStuckOn) outputOn = false;
    if (line == ":PTT ON") pttOn = true;
    if (line == ":PTT OFF") pttOn = false;
    if (line.empty() || line.back() != '?') return false;
    const auto fixed = answers.find(line);
    if (fixed != answers.end()) {
      answer = fixed->second;
    } else if (line == "*IDN?") {
      answer = idn;
    } else if (line == "SYST:ERR?") {
      answer = errors.empty() ? "+0,\"No error\"" : errors.front();
      if (!errors.empty()) errors.pop_front();
    } else if (line == "*OPC?") {
      answer = "1";
    } else if (line == "OUTP?") {
      answer = outputOn ? "1" : "0";
    } else if (line == "MEAS:FREQ?") {
      answer = "1.568E+08";
    } else if (line == "MEAS:POW?") {
      answer = "+25.1";
    } else if (line == "MEAS:FM:DEV?") {
      answer = "3.0E3";
    } else {
      return false;
    }
    return true;
  }
};

class LoopbackLink : public IInstrumentLink {
 public:
  explicit LoopbackLink(std::shared_ptr<LoopbackInstrument> instrument) : inst_(std::move(instrument)) {}

  void Open() override {
    ++inst_->opens;
    state_ = inst_->fault == LoopbackInstrument::Fault::RefuseOpen ? State::Failed : State::Open;
    inst_->dropped = false;
  }
  void Close() override { state_ = State::Closed; }
  State GetState() const override { return inst_->dropped ? State::Failed : state_; }
  std::string ErrorText() const override { return GetState() == State::Failed ? "Connection refused" : ""; }

  bool Write(const std::string& bytes) override {
    if (GetState() != State::Open) return false;
    partial_ += bytes;
    std::size_t lf;
    while ((lf = partial_.find('\n')) != std::string::npos) {
      const std::string line = partial_.substr(0, lf);
      partial_.erase(0, lf + 1);
      std::string answer;
      if (!inst_->Answer(line, answer) || inst_->fault == LoopbackInstrument::Fault::Silence) continue;
      pending_ += answer + (inst_->fault == LoopbackInstrument::Fault::CrLf ? "\r\n" : "\n");
    }
    return true;
  }

  std::string ReadAll() override {
    if (GetState() != State::Open) return std::string();
    switch (inst_->fault) {
      case LoopbackInstrument::Fault::Split: {
        std::string one = pending_.substr(0, 1);
        pending_.erase(0, one.size());
        return one;
      }
      default:
        break;
    }
    return std::exchange(pending_, std::string());
  }

  bool SetLine(Line line, bool active) override {
    if (GetState() != State::Open) return false;
    inst_->lines[line] = active;
    return true;
  }

 private:
  std::shared_ptr<LoopbackInstrument> inst_;
  State state_ = State::Closed;
  std::string partial_;
  std::string pending_;
};

// Links by address text: every address names one loopback instrument, made
// on first use; an address listed in `missing` cannot be created.
class LoopbackLinks : public IInstrumentLinks {
 public:
  std::shared_ptr<LoopbackInstrument> At(const std::string& addressText) {
    auto& slot = instruments_[addressText];
    if (!slot) slot = std::make_shared<LoopbackInstrument>();
    return slot;
  }
  std::unique_ptr<IInstrumentLink> Create(const InstrumentAddress& address, std::string& why) override;
  int created = 0;

 private:
  std::map<std::string, std::shared_ptr<LoopbackInstrument>> instruments_;
};

}  // namespace pw::test
