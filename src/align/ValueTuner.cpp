#include "align/ValueTuner.h"

#include <algorithm>
#include <cmath>

namespace pw {

const char* TunerFailureText(TunerFailure failure) {
  switch (failure) {
    case TunerFailure::None:
      return "";
    case TunerFailure::NoReading:
      return "no reading";
    case TunerFailure::AboveLimit:
      return "above the limit";
    case TunerFailure::TooManyTries:
      return "too many tries";
    case TunerFailure::NoResponse:
      return "no response";
    case TunerFailure::OutOfRange:
      return "out of range";
  }
  return "";
}

ValueTuner::Answer ValueTuner::Start(const TunerSetup& setup) {
  setup_ = setup;
  failure_ = TunerFailure::None;
  value_ = std::clamp(setup.value, setup.min, setup.max);
  slope_ = 0;
  insideBefore_ = false;
  readings_ = 0;
  firstReading_ = lastReading_ = 0;
  phase_ = Phase::Base;
  return Read(value_);
}

void ValueTuner::Reestimate() {
  if (phase_ == Phase::Done) return;
  phase_ = Phase::Base;
  slope_ = 0;
  insideBefore_ = false;
}

double ValueTuner::Tolerance() const {
  if (setup_.toleranceAtLeastHalfStep && slope_ != 0) return std::max(setup_.tolerance, std::fabs(slope_) / 2);
  return setup_.tolerance;
}

ValueTuner::Answer ValueTuner::Feed(double reading) {
  if (phase_ == Phase::Done) return answer_;
  if (readings_++ == 0) firstReading_ = reading;
  lastReading_ = reading;
  if (!std::isfinite(reading)) return Fail(TunerFailure::NoReading);
  if (setup_.readingLimit && reading > *setup_.readingLimit) return Fail(TunerFailure::AboveLimit);
  const bool inside = std::fabs(reading - setup_.target) <= Tolerance();
  if (inside && insideBefore_) return Accept();
  insideBefore_ = inside;
  if (readings_ >= setup_.maxReadings) return Fail(TunerFailure::TooManyTries);
  if (inside) return Read(value_);
  switch (phase_) {
    case Phase::Base:
      return Base(reading);
    case Phase::Probe:
      return Probe(reading);
    case Phase::Tune:
      return Tune(reading);
    case Phase::Done:
      break;
  }
  return answer_;
}

ValueTuner::Answer ValueTuner::Base(double reading) {
  base_ = {value_, reading};
  // Toward the middle, where there is room to move either way.
  direction_ = (value_ - setup_.min <= setup_.max - value_) ? 1 : -1;
  probe_ = 1;
  const int16_t next = Toward(value_ + direction_);
  if (next == value_) return Fail(TunerFailure::OutOfRange);  // an item that cannot move
  phase_ = Phase::Probe;
  return Read(next);
}

ValueTuner::Answer ValueTuner::Probe(double reading) {
  if (Moved(base_.reading, reading)) {
    slope_ = (reading - base_.reading) / (value_ - base_.value);
    anchor_ = base_;
    phase_ = Phase::Tune;
    return Tune(reading);
  }
  probe_ *= 2;
  const int16_t next = Toward(base_.value + direction_ * probe_);
  if (probe_ > kProbeCounts || next == value_) return Fail(TunerFailure::NoResponse);
  return Read(next);
}

ValueTuner::Answer ValueTuner::Tune(double reading) {
  if (anchor_.value != value_ && Moved(anchor_.reading, reading)) {
    const double secant = (reading - anchor_.reading) / (value_ - anchor_.value);
    if ((secant > 0) == (slope_ > 0)) slope_ = secant;
  }
  anchor_ = {value_, reading};
  const double need = std::clamp((setup_.target - reading) / slope_, -kMaxCounts, kMaxCounts);
  long counts = std::lround(need);
  if (counts == 0) counts = need > 0 ? 1 : -1;  // outside the tolerance, yet less than half a step away
  const int16_t next = Toward(value_ + counts);
  if (next == value_) return Fail(TunerFailure::OutOfRange);
  return Read(next);
}

bool ValueTuner::Moved(double from, double to) const { return std::fabs(to - from) > setup_.tolerance / 2; }

int16_t ValueTuner::Toward(long wanted) const {
  if (setup_.maxJump > 0) wanted = std::clamp<long>(wanted, value_ - setup_.maxJump, value_ + setup_.maxJump);
  return static_cast<int16_t>(std::clamp<long>(wanted, setup_.min, setup_.max));
}

ValueTuner::Answer ValueTuner::Read(int16_t value) {
  value_ = value;
  answer_ = {Answer::Kind::Read, value};
  return answer_;
}

ValueTuner::Answer ValueTuner::Accept() {
  phase_ = Phase::Done;
  answer_ = {Answer::Kind::Accept, value_};
  return answer_;
}

ValueTuner::Answer ValueTuner::Fail(TunerFailure why) {
  phase_ = Phase::Done;
  failure_ = why;
  answer_ = {Answer::Kind::GiveUp, value_};
  return answer_;
}

}  // namespace pw
