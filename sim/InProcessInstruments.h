// The simulated radio test set behind the core's instrument-link factory, in
// the same process and on the program's clock, so the core's tests can drive
// bench instruments on virtual time. It serves the address tcp:testset (any
// port) with one test set coupled to the radio given; any other address goes
// to the factory given for real instruments, if there is one. The radio and
// the clock must outlive the links.
#pragma once

#include "platform/IClock.h"
#include "platform/IInstrumentLink.h"
#include "sim/InProcessInstrumentLink.h"
#include "sim/Radio.h"
#include "sim/TestSet.h"

#include <memory>
#include <string>

namespace sim {

class InProcessInstruments : public pw::IInstrumentLinks {
 public:
  static constexpr const char* kHost = "testset";

  InProcessInstruments(pw::IClock& clock, Radio& radio, const TestSetOptions& options = {},
                       pw::IInstrumentLinks* realLinks = nullptr);

  std::unique_ptr<pw::IInstrumentLink> Create(const pw::InstrumentAddress& address, std::string& why) override;

  // The test set itself: for faults and checks.
  TestSet& testSet() { return host_->testSet; }

 private:
  std::shared_ptr<InProcessTestSet> host_;
  pw::IInstrumentLinks* realLinks_;
};

}  // namespace sim
