// A console event receiver that records every call. ConsEv_Disp answers
// with dispText; onEvent, when set, runs after a call is recorded so a test
// can call back into the console the way the model does.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "console/IConsoleEvents.h"

namespace pw::test {

class RecordingConsoleEvents : public IConsoleEvents {
 public:
  enum class Kind { Disp, Changed, SendE8, Enter };

  struct Call {
    Kind kind;
    int16_t index;
    int16_t evNo;
    int16_t val;
    bool operator==(const Call&) const = default;
  };

  std::vector<Call> calls;
  std::vector<int32_t> waits;  // every WaitE8Required write
  std::string dispText = "custom line";
  std::function<void(clsConsole&, const Call&)> onEvent;

  std::string ConsEv_Disp(clsConsole& c, int16_t& Index, int16_t evNo, int16_t& val) override {
    Record(c, {Kind::Disp, Index, evNo, val});
    return dispText;
  }
  void ConsEv_Changed(clsConsole& c, int16_t& Index, int16_t evNo, int16_t& val) override {
    Record(c, {Kind::Changed, Index, evNo, val});
  }
  void ConsEv_SendE8(clsConsole& c, int16_t& Index, int16_t evNo, int16_t& val) override {
    Record(c, {Kind::SendE8, Index, evNo, val});
  }
  void ConsEv_Enter(clsConsole& c, int16_t& Index, int16_t evNo, int16_t& val) override {
    Record(c, {Kind::Enter, Index, evNo, val});
  }
  void set_WaitE8Required(int32_t waitMs) override { waits.push_back(waitMs); }

  std::vector<Call> CallsOf(Kind kind) const {
    std::vector<Call> out;
    for (const Call& call : calls) {
      if (call.kind == kind) out.push_back(call);
    }
    return out;
  }

 private:
  void Record(clsConsole& c, const Call& call) {
    calls.push_back(call);
    if (onEvent) onEvent(c, call);
  }
};

}  // namespace pw::test
