// Turns a console value until a reading is right. It never measures and
// never waits: the caller sets the value it answers, waits for the meter,
// and feeds the reading; the tuner answers the next value, or that it
// accepts, or that it gives up and why.
//
//   reading                                  answer
//   not a finite number                      give up: "no reading"
//   above the reading limit                  give up: "above the limit" (at once: the caller releases the key)
//   inside the tolerance, twice in a row     accept
//   inside the tolerance, first time         read again at the same value
//   the bound of readings reached            give up: "too many tries"
//   the first (or after Reestimate)          probe one count toward the middle of the range
//   probing, the reading has not moved       probe twice as far (1, 2, 4, 8, 16 counts), then
//                                            give up: "no response"
//   otherwise                                jump by (target - reading) / slope counts, at least
//                                            one, within the limits and at most maxJump at once;
//                                            at the limit already: give up: "out of range"
//
// The slope comes from the probe and is refreshed after every move whose
// reading change stands clear of the noise and keeps the slope's sign, so a
// response that bends is followed; close to the target the jump becomes a
// single step. "Moved" means by more than half the tolerance.
#pragma once

#include <cstdint>
#include <optional>

namespace pw {

enum class TunerFailure { None, NoReading, AboveLimit, TooManyTries, NoResponse, OutOfRange };

// The reason as a step's result shows it: "no response", "out of range", ...
const char* TunerFailureText(TunerFailure failure);

struct TunerSetup {
  int16_t value = 0;  // the item's value now
  int16_t min = 0;    // the item's limits
  int16_t max = 255;
  double target = 0;
  double tolerance = 0;  // either side of the target, in the reading's unit; above 0
  // Never tighter than half of one count's step (the counter on TXF): two
  // neighbouring counts must not both miss the window.
  bool toleranceAtLeastHalfStep = false;
  int maxJump = 0;                     // counts per change, while keyed; 0: no limit
  std::optional<double> readingLimit;  // a reading above it fails at once
  int maxReadings = 24;
};

class ValueTuner {
 public:
  struct Answer {
    enum class Kind { Read, Accept, GiveUp };
    Kind kind = Kind::Read;
    // Read: set the item to this value, then feed a reading taken at it.
    // Accept and GiveUp: the value the item was last set to.
    int16_t value = 0;
  };

  // Starts over; the first answer asks for a reading at the present value.
  Answer Start(const TunerSetup& setup);
  // The reading taken at the value last answered. Once the tuner has
  // accepted or given up, further readings change nothing.
  Answer Feed(double reading);
  // Forget the slope: the next reading starts a new probe from the value it
  // was taken at.
  void Reestimate();

  TunerFailure failure() const { return failure_; }
  int readings() const { return readings_; }
  double firstReading() const { return firstReading_; }
  double lastReading() const { return lastReading_; }
  double Tolerance() const;  // as widened by the slope where asked to

 private:
  enum class Phase { Base, Probe, Tune, Done };
  struct Point {
    int16_t value = 0;
    double reading = 0;
  };
  static constexpr int kProbeCounts = 16;  // no movement this far from the base: no response
  static constexpr double kMaxCounts = 1000;

  Answer Base(double reading);
  Answer Probe(double reading);
  Answer Tune(double reading);
  Answer Read(int16_t value);
  Answer Accept();
  Answer Fail(TunerFailure why);
  bool Moved(double from, double to) const;
  // The value wanted, kept within the limits and within maxJump of the present one.
  int16_t Toward(long wanted) const;

  TunerSetup setup_;
  Phase phase_ = Phase::Done;
  Answer answer_;
  TunerFailure failure_ = TunerFailure::None;
  int16_t value_ = 0;
  double slope_ = 0;  // reading per count; 0 while not known
  Point base_;        // where the probe started
  Point anchor_;      // the last reading before the last move
  int direction_ = 1;
  int probe_ = 1;
  bool insideBefore_ = false;
  int readings_ = 0;
  double firstReading_ = 0;
  double lastReading_ = 0;
};

}  // namespace pw
