// One connection to the simulated radio test set in the same process, on the
// program's clock: what InProcessInstruments hands out for its address.
#pragma once

#include "platform/IClock.h"
#include "platform/IInstrumentLink.h"
#include "sim/Radio.h"
#include "sim/TestSet.h"

#include <cstdint>
#include <memory>
#include <string>

namespace sim {

// The test set and what it is served with, shared by every link to it.
struct InProcessTestSet {
  InProcessTestSet(pw::IClock& clock, Radio& radio, const TestSetOptions& options);
  // The clock is a wrapping 32-bit count; the test set counts in 64 bits
  // from its creation, so only the clock's steps are added.
  int64_t nowMs();

  pw::IClock& clock;
  Radio& radio;
  TestSet testSet;
  uint32_t lastTick;
  int64_t elapsedMs = 0;
};

class InProcessInstrumentLink : public pw::IInstrumentLink {
 public:
  explicit InProcessInstrumentLink(std::shared_ptr<InProcessTestSet> host) : host_(std::move(host)) {}
  ~InProcessInstrumentLink() override { Close(); }
  InProcessInstrumentLink(const InProcessInstrumentLink&) = delete;
  InProcessInstrumentLink& operator=(const InProcessInstrumentLink&) = delete;

  // Connects at once: Open, or Failed when the test set turns the
  // connection away. A later connection to the same test set takes this
  // one's place, and a dropped connection fails it, as on a socket.
  void Open() override;
  void Close() override;
  State GetState() const override;
  std::string ErrorText() const override;
  bool Write(const std::string& bytes) override;
  std::string ReadAll() override;

 private:
  bool current() const;

  std::shared_ptr<InProcessTestSet> host_;
  State state_ = State::Closed;
  uint64_t connection_ = 0;
  std::string error_;
};

}  // namespace sim
