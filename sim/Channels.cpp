#include "sim/Channels.h"

#include <array>
#include <cstddef>

namespace sim {

namespace {

constexpr int kWeatherGroup = 3;
constexpr int kDuplexShiftHz = 4'600'000;
constexpr std::array<int64_t, 10> kWeatherHz{162'550'000, 162'400'000, 162'475'000, 162'425'000, 162'450'000,
                                             162'500'000, 162'525'000, 161'650'000, 161'775'000, 163'275'000};

// Channel n of the marine band: 50 kHz apart, the upper block shifted by half a step.
int64_t marineHz(int n) { return n < 60 ? 156'000'000 + 50'000LL * n : 156'025'000 + 50'000LL * (n - 60); }

int flagTable(int group) {
  switch (group) {
    case 0:
      return mem::kFlagsInt;
    case 1:
      return mem::kFlagsUsa;
    default:
      return mem::kFlagsCan;
  }
}

}  // namespace

ChannelFrequencies channelFrequencies(const Memory& memory, int group, int channel) {
  if (group == kWeatherGroup) {
    if (channel < 0 || channel >= static_cast<int>(kWeatherHz.size())) return {};
    return {kWeatherHz[static_cast<std::size_t>(channel)], kWeatherHz[static_cast<std::size_t>(channel)], true};
  }
  if (group < 0 || group > kWeatherGroup || channel < 0 || channel > 255) return {};
  const uint8_t flags = memory[static_cast<std::size_t>(flagTable(group) + channel)];
  ChannelFrequencies f;
  if (channel >= mem::kFirstFreeRow) {  // a free channel is never made simplex by its flag
    const int index = channel - mem::kFirstFreeRow;
    f.txHz = freeChannelTxHz(memory, index);
    f.rxHz = freeChannelRxHz(memory, index);
  } else {
    f.txHz = marineHz(channel / 2);
    f.rxHz = channel % 2 == 0 && !(flags & mem::kFlagSimplex) ? f.txHz + kDuplexShiftHz : f.txHz;
  }
  f.txInhibit = (flags & mem::kFlagTxInhibit) != 0;
  return f;
}

}  // namespace sim
