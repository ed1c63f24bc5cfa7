// A sequencer that records the E8 command texts it is handed instead of
// sending them. OpRunning is whatever the test sets.
#pragma once

#include <string>
#include <vector>

#include "clone/IE8Sequencer.h"

namespace pw::test {

class RecordingSequencer : public IE8Sequencer {
 public:
  struct Sent {
    std::string text;
    bool answerRequested;
  };

  std::vector<Sent> sent;
  bool opRunning = false;

  // The real sequencer always answers false; callers must not rely on it.
  bool easySendE8NoAnswer(const std::string& spE8) override {
    sent.push_back({spE8, false});
    return false;
  }
  bool easySendE8ReqAnswer(const std::string& spE8) override {
    sent.push_back({spE8, true});
    return false;
  }
  bool OpRunning() const override { return opRunning; }

  std::vector<std::string> Texts() const {
    std::vector<std::string> out;
    for (const Sent& s : sent) out.push_back(s.text);
    return out;
  }
};

}  // namespace pw::test
