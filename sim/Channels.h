// Where the radio's channels sit on the band: the fixed marine channel table,
// the free channels of the EEPROM and the weather channels, as the radio
// itself tunes them from its channel flags.
#pragma once

#include "sim/MemoryMap.h"

#include <cstdint>

namespace sim {

struct ChannelFrequencies {
  int64_t rxHz = 0;
  int64_t txHz = 0;
  bool txInhibit = true;
};

// The channel a dial mode (0 INT, 1 USA, 2 CAN, 3 WX) and a channel number
// select: for the first three a fixed-table row 0..255, for WX the weather
// channel 0..9. A row the radio has no frequency for reads 0 Hz and never
// transmits.
ChannelFrequencies channelFrequencies(const Memory& memory, int group, int channel);

}  // namespace sim
