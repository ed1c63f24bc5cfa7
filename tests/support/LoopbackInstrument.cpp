#include "support/LoopbackInstrument.h"

#include "instruments/InstrumentAddress.h"

namespace pw::test {

std::unique_ptr<IInstrumentLink> LoopbackLinks::Create(const InstrumentAddress& address, std::string& /*why*/) {
  ++created;
  return std::make_unique<LoopbackLink>(At(InstrumentAddressText(address)));
}

}  // namespace pw::test
