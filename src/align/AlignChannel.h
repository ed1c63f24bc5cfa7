// The channel the alignment works on, from the radio's own channel map.
//
// The generator goes to the channel's receive frequency and the counter
// expects its transmit frequency; on a duplex channel they differ by
// 4.6 MHz, so the two are always taken from the map, never from each other.
// A keyed step never transmits where the radio may not or must not: on a
// channel the radio inhibits, or on the distress and calling channel 16 or
// the digital selective calling channel 70. It takes the next channel of
// the group that it may use instead.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "model/clsIndEep_RigR4T.h"

namespace pw {

class clsIndOp_RigR4T;

class AlignChannel {
 public:
  // The marine band the instruments may be set in.
  static constexpr int32_t kBandLowHz = 155000000;
  static constexpr int32_t kBandHighHz = 164000000;

  struct Channel {
    int16_t group = 0;  // 0 INT, 1 USA, 2 CAN, 3 WX
    int16_t chNo = 0;   // the channel map's number
    std::string name;   // as the console shows it: "INT 06"
    int32_t rxHz = 0;   // where the generator goes
    int32_t txHz = 0;   // what the counter expects
  };

  explicit AlignChannel(const clsIndEep_RigR4T& map) : map_(map) {}

  // The channel a text names the way the console shows it: the group, then
  // the channel's name ("INT 06", "USA 06A", "INT FR 3"; a free channel's
  // own name in brackets may be given or left out). ASCII case and runs of
  // blanks do not matter. None when the console could not select it: an
  // unknown text, a group the radio does not offer, a hidden channel.
  std::optional<Channel> Find(std::string_view text) const;

  // The channel itself, when the console can select it and it receives in
  // the marine band.
  std::optional<Channel> ForReceiving(int16_t group, int16_t chNo) const;
  // The channel itself when a keyed step may use it, otherwise the next one
  // of its group that it may use, going round; none when the group has none.
  std::optional<Channel> ForKeying(int16_t group, int16_t chNo) const;

  // The channel a step works on: the one named (the targets' Channel), or
  // the one the console has selected when none is named; then, for a keyed
  // step, ForKeying, otherwise ForReceiving. None when a named channel is
  // not found.
  std::optional<Channel> ForStep(std::string_view named, const clsIndOp_RigR4T& model, bool keyed) const;

 private:
  bool Selectable(int16_t group, int16_t chNo) const;
  bool MayKey(int16_t group, int16_t chNo) const;
  Channel Make(int16_t group, int16_t chNo) const;
  // The channel numbers a group can have: 0..255, or 0..9 for the weather group.
  static int16_t GroupSize(int16_t group);

  const clsIndEep_RigR4T& map_;
};

}  // namespace pw
