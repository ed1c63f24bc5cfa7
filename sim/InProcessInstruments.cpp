#include "sim/InProcessInstruments.h"

namespace sim {

InProcessInstruments::InProcessInstruments(pw::IClock& clock, Radio& radio, const TestSetOptions& options,
                                           pw::IInstrumentLinks* realLinks)
    : host_(std::make_shared<InProcessTestSet>(clock, radio, options)), realLinks_(realLinks) {}

std::unique_ptr<pw::IInstrumentLink> InProcessInstruments::Create(const pw::InstrumentAddress& address,
                                                                  std::string& why) {
  if (address.kind == pw::InstrumentAddress::Kind::Tcp && address.host == kHost) {
    return std::make_unique<InProcessInstrumentLink>(host_);
  }
  if (realLinks_) return realLinks_->Create(address, why);
  why = "only the simulated test set (tcp:" + std::string(kHost) + ") is reachable here";
  return nullptr;
}

}  // namespace sim
