// The steps of the one-button alignment, in the order the plan runs them.
//
// Notes for whoever wires the plan to the instruments, the console and the
// window (the pieces in this folder are deliberately not wired yet):
//
// - Nothing here measures, waits or talks to the radio. The tuner is told a
//   reading and answers the next value; the plan that drives it will own the
//   instrument exchanges, the settle waits and the console writes, each as a
//   polled state on the heartbeat. Kept apart, the turning logic can be
//   checked against any response curve on no clock at all, and the plan
//   only has to get the sequencing right.
// - Every value the plan turns must go through the console (its Value
//   setter, as the arrow keys do), never as an E8 command of its own: then
//   the radio and the image see exactly the sends, waits and procedure steps
//   a technician would cause, and the service record stays true.
// - TXF runs first because the reference oscillator also tunes the receiver;
//   BPF and SQL measured before it would be measured off frequency.
// - The slope of every item is measured, never assumed: radios differ, and
//   the sign differs between items. The tuner probes with steps that double
//   until the reading moves by more than half the tolerance, so meter noise
//   is not taken for a response, and it trusts a new slope only from a move
//   whose reading change stands as clear of the noise and agrees in sign.
// - "out of range" is only said after a reading taken at the item's limit:
//   an early, poor slope estimate must not end a step that could still pass.
// - The TXF tolerance never gets tighter than half a count's step, or two
//   neighbouring counts could straddle the window and the tuner would swing
//   between them until its bound.
// - The bound on readings (TunerSetup::maxReadings) is what keeps a keyed
//   adjustment short: derive it from the meter's settle time and the keyed
//   time limit when the instruments are there, rather than raising it.
// - A TXF band change mid-step (the procedure rewrites the table entries
//   around the new band) changes the counted frequency under the tuner's
//   feet: call ValueTuner::Reestimate, which measures the slope anew from
//   the present value instead of trusting the old one.
// - Targets for rated power, deviation and signal levels have no defaults:
//   they are the workshop's service data, and a guessed figure would align
//   a radio wrongly without anyone noticing. A step without them is refused
//   with the keys it needs.
// - Channels 16 and 70 are recognised by their transmit frequency, so a free
//   channel programmed onto either is never keyed either.
// - Guided texts are for the window and use the typographic minus sign; the
//   lines printed for production use must use the C locale's "-" instead.
#pragma once

#include <array>
#include <optional>
#include <string_view>

namespace pw {

enum class AlignStep { Txf, Bpf, Sql, Power, Mod, Atis };

inline constexpr std::array<AlignStep, 6> kAlignPlan = {AlignStep::Txf,   AlignStep::Bpf, AlignStep::Sql,
                                                        AlignStep::Power, AlignStep::Mod, AlignStep::Atis};

// The name a step has on the command line: txf, bpf, sql, power, mod, atis.
inline std::string_view AlignStepName(AlignStep step) {
  constexpr std::array<std::string_view, 6> kNames = {"txf", "bpf", "sql", "power", "mod", "atis"};
  return kNames[static_cast<std::size_t>(step)];
}

inline std::optional<AlignStep> AlignStepNamed(std::string_view name) {
  for (AlignStep step : kAlignPlan) {
    if (AlignStepName(step) == name) return step;
  }
  return std::nullopt;
}

}  // namespace pw
