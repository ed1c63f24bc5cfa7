// What the frame driver needs of the serial form: may it send, how full is
// the transmit buffer, and the write itself.
#pragma once

#include "base/Common.h"

namespace pw {

class INbx3Link {
 public:
  virtual ~INbx3Link() = default;
  virtual bool comSendEnable() const = 0;
  virtual int OutBufferCount() const = 0;
  virtual int OutBufferSize() const = 0;
  virtual void Output(const ByteStr& bytes) = 0;
};

}  // namespace pw
