// The desktop front end's instrument links: a raw SCPI socket, a serial
// line and, on Linux, a USB test-and-measurement device.
#pragma once

#include <memory>
#include <string>

#include "platform/IInstrumentLink.h"

namespace pw {

class QtInstrumentLinks : public IInstrumentLinks {
 public:
  std::unique_ptr<IInstrumentLink> Create(const InstrumentAddress& address, std::string& why) override;
};

}  // namespace pw
