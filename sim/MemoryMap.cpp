#include "sim/MemoryMap.h"

#include <initializer_list>
#include <string_view>

namespace sim {

namespace {

// How a marine channel is offered in one region.
enum class Use {
  Duplex,   // row 2n: ship TX f(n), RX 4.6 MHz higher
  Simplex,  // row 2n with the simplex bit: RX on the TX frequency
  A,        // row 2n+1: the "nnA" simplex variant
};

struct ChannelPlan {
  int flagTable;
  std::initializer_list<int> duplex;
  std::initializer_list<int> simplex;
  std::initializer_list<int> aChannels;
  std::initializer_list<int> txInhibit;  // receive-only channels (row 2n)
};

// International plan: 01-28 and 60-88, ship-to-ship channels simplex,
// 70 is reserved for DSC and never carries voice.
const ChannelPlan kInternational{
    mem::kFlagsInt,
    {1,  2,  3,  4,  5,  7,  18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28,
     60, 61, 62, 63, 64, 65, 66, 78, 79, 80, 81, 82, 83, 84, 85, 86},
    {6, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 67, 68, 69, 70, 71, 72, 73, 74, 75, 76, 77, 87, 88},
    {},
    {70},
};

// USA plan: most coast-station duplex channels are used as "A" simplex channels;
// 15 is receive-only and 70 is DSC.
const ChannelPlan kUsa{
    mem::kFlagsUsa,
    {20, 24, 25, 26, 27, 28, 84, 85, 86, 87},
    {6, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 67, 68, 69, 70, 71, 72, 73, 74, 77},
    {1, 3, 5, 7, 18, 19, 20, 21, 22, 23, 61, 63, 64, 65, 66, 78, 79, 80, 81, 82, 83, 88},
    {15, 70},
};

// Canadian plan: a mix of duplex and "A" channels.
const ChannelPlan kCanada{
    mem::kFlagsCan,
    {1, 2, 3, 20, 23, 24, 25, 26, 27, 28, 60, 64, 84, 85, 86},
    {6, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 67, 68, 69, 70, 71, 72, 73, 74, 75, 76, 77, 87, 88},
    {4, 5, 7, 18, 19, 21, 22, 61, 62, 63, 64, 65, 66, 78, 79, 80, 81, 82, 83},
    {70},
};

void applyPlan(Memory& m, const ChannelPlan& plan) {
  for (int row = 0; row < 256; ++row) m[plan.flagTable + row] = mem::kFlagHidden;
  for (int n : plan.duplex) m[plan.flagTable + 2 * n] = 0x00;
  for (int n : plan.simplex) m[plan.flagTable + 2 * n] = mem::kFlagSimplex;
  for (int n : plan.aChannels) m[plan.flagTable + 2 * n + 1] = 0x00;
  for (int n : plan.txInhibit) m[plan.flagTable + 2 * n] |= mem::kFlagTxInhibit;
}

struct FreeChannel {
  int index;
  std::string_view name;
  int64_t rxHz;
  int64_t txHz;
  std::initializer_list<int> visibleIn;  // flag tables
};

// A few dealer-programmed private channels; the other records stay erased.
const FreeChannel kFreeChannels[] = {
    {0, "CLB", 157'425'000, 157'425'000, {mem::kFlagsUsa, mem::kFlagsCan}},
    {1, "HBR", 156'437'500, 156'437'500, {mem::kFlagsInt, mem::kFlagsUsa}},
    {2, "WRK", 161'750'000, 157'150'000, {mem::kFlagsInt}},
};

void put16(Memory& m, int adr, int value) {
  m[adr] = static_cast<uint8_t>(value >> 8);
  m[adr + 1] = static_cast<uint8_t>(value);
}

void writeFreeChannels(Memory& m) {
  for (const auto& fc : kFreeChannels) {
    const int adr = mem::kFreeChannels + mem::kFreeRecordSize * fc.index;
    for (int i = 0; i < 3; ++i) m[adr + i] = static_cast<uint8_t>(fc.name[i]);
    put16(m, adr + 3, static_cast<int>((fc.rxHz - mem::kRxIfOffsetHz) / mem::kSynthStepHz));
    put16(m, adr + 5, static_cast<int>(fc.txHz / mem::kSynthStepHz));
    m[adr + 7] = 0x00;
    for (int table : fc.visibleIn) m[table + mem::kFirstFreeRow + fc.index] = 0x00;
  }
}

void put(Memory& m, int adr, std::initializer_list<int> values) {
  for (int v : values) m[adr++] = static_cast<uint8_t>(v);  // signed values wrap to two's complement
}

// Curves are Initial, Adjust, Slant 1..4, TEMP 1..3 with ascending break points.
void writeAdjustments(Memory& m) {
  put(m, 0xF60, {128, 0, 6, 3, -2, -5, 64, 128, 192});                     // MOD
  put(m, 0xF69, {128, 120, 4, 1, -1, -4});                                 // ATIS centre, initial, slants
  put(m, 0xF6F, {64, 128, 192});                                           // ATIS TEMP 1..3
  put(m, 0xF72, {40, 16, 12, 6, 3, 10, 64, 128, 192});                     // SQL control curve
  put(m, 0xF7B, {128, 130, 126, 127});                                     // BPF tracking adjust
  put(m, 0xF7F, {176, 0, 5, 2, -1, -6, 64, 128, 192, 8, 4, 0, 110, 150});  // POW HI
  put(m, 0xF8D, {124, 0, 4, 2, -1, -4, 64, 128, 192});                     // POW LOW
  put(m, 0xF96, {96, 0, 3, 1, -1, -3, 64, 128, 192});                      // POW E-LOW
  put(m, 0xF9F, {12, 200});                                                // POW FINAL slant, TEMP
  put(m, 0xFB0, {10, 12, 8, 20, 22, 18});                                  // SQL TIOS..THCS
  put(m, 0xFB6, {64, 68, 60, 104, 108, 100});                              // SQL TION..THCN
  // Reference oscillator correction per temperature band: the crystal's
  // S-shaped drift, steepest at the cold and hot ends.
  put(m, mem::kRefTable,
      {120, 124, 127, 129, 130, 131, 131, 131, 130, 130, 130, 130, 130, 131, 131, 132, 133, 135, 137, 140});
  put(m, mem::kRefSlants, {-3, -3, -2, -2, -1, -1, 0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 2, 2, 3, 3});
  put(m, mem::kModLevel, {128, 100, 96, 98});  // MOD, ATIS 1300/2100/JAPAN
  put(m, mem::kBpfLevels, {-12, 2, 24, -33});  // BPF T1..T4
  put(m, mem::kPowerHi, {150, 124, 102});      // POW HI/LOW/E-LOW level
}

}  // namespace

Memory defaultMemory(bool japan) {
  Memory m;
  m.fill(0xFF);  // erased EEPROM
  applyPlan(m, kUsa);
  applyPlan(m, kInternational);
  applyPlan(m, kCanada);
  writeFreeChannels(m);
  m[mem::kGroupSwitches] = 0x07;  // USA, WX and CAN offered
  m[mem::kWxHide1To8] = 0x80;     // WX1..WX7 shown, WX8 hidden
  m[mem::kWxHide9To10] = 0xFF;    // WX9, WX10 hidden
  m[mem::kRegion] = japan ? mem::kRegionJapan : mem::kRegionExport;
  writeAdjustments(m);
  return m;
}

int64_t freeChannelRxHz(const Memory& memory, int index) {
  const int adr = mem::kFreeChannels + mem::kFreeRecordSize * index + 3;
  return int64_t{(memory[adr] << 8) | memory[adr + 1]} * mem::kSynthStepHz + mem::kRxIfOffsetHz;
}

int64_t freeChannelTxHz(const Memory& memory, int index) {
  const int adr = mem::kFreeChannels + mem::kFreeRecordSize * index + 5;
  return int64_t{(memory[adr] << 8) | memory[adr + 1]} * mem::kSynthStepHz;
}

}  // namespace sim
