// What the console and the model need of the operation sequencer: hand it an
// E8 command text and see whether an operation is still running.
#pragma once

#include <string>

namespace pw {

class IE8Sequencer {
 public:
  virtual ~IE8Sequencer() = default;
  virtual bool easySendE8NoAnswer(const std::string& spE8) = 0;
  virtual bool easySendE8ReqAnswer(const std::string& spE8) = 0;
  virtual bool OpRunning() const = 0;
};

}  // namespace pw
