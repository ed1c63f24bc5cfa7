#include "sim/MemoryMap.h"
#include "TestName.h"

#include <gtest/gtest.h>

namespace mem = sim::mem;

namespace {

const sim::Memory kFactory = sim::defaultMemory(false);

struct ChannelCase {
  const char* what;
  int table;
  int row;
  uint8_t flags;
};

void PrintTo(const ChannelCase& c, std::ostream* os) { *os << c.what; }

class ChannelFlagTest : public ::testing::TestWithParam<ChannelCase> {};

TEST_P(ChannelFlagTest, RegionOffersItsMarineChannels) {
  const auto& c = GetParam();
  EXPECT_EQ(kFactory[static_cast<size_t>(c.table + c.row)], c.flags) << c.what;
}

// Row 2n is channel n (duplex unless the simplex bit is set), row 2n+1 is "nnA".
INSTANTIATE_TEST_SUITE_P(Plans, ChannelFlagTest,
                         ::testing::Values(ChannelCase{"INT 16 simplex", mem::kFlagsInt, 32, 0x02},
                                           ChannelCase{"INT 70 DSC only", mem::kFlagsInt, 140, 0x06},
                                           ChannelCase{"INT 01 duplex", mem::kFlagsInt, 2, 0x00},
                                           ChannelCase{"INT 88 simplex", mem::kFlagsInt, 176, 0x02},
                                           ChannelCase{"INT 01A not offered", mem::kFlagsInt, 3, 0x80},
                                           ChannelCase{"INT 00 not offered", mem::kFlagsInt, 0, 0x80},
                                           ChannelCase{"INT 29 not offered", mem::kFlagsInt, 58, 0x80},
                                           ChannelCase{"USA 01A", mem::kFlagsUsa, 3, 0x00},
                                           ChannelCase{"USA 01 not offered", mem::kFlagsUsa, 2, 0x80},
                                           ChannelCase{"USA 15 receive only", mem::kFlagsUsa, 30, 0x06},
                                           ChannelCase{"USA 22A", mem::kFlagsUsa, 45, 0x00},
                                           ChannelCase{"CAN 04A", mem::kFlagsCan, 9, 0x00},
                                           ChannelCase{"CAN 16 simplex", mem::kFlagsCan, 32, 0x02},
                                           ChannelCase{"USA FR1", mem::kFlagsUsa, mem::kFirstFreeRow, 0x00},
                                           ChannelCase{"INT FR1 hidden", mem::kFlagsInt, mem::kFirstFreeRow, 0x80},
                                           ChannelCase{"INT FR3", mem::kFlagsInt, mem::kFirstFreeRow + 2, 0x00},
                                           ChannelCase{"CAN FR22 hidden", mem::kFlagsCan, 255, 0x80}),
                         [](const auto& info) { return testName(info.param.what); });

TEST(FactoryMemory, FreeChannelsCarryNamesAndMarineFrequencies) {
  EXPECT_EQ(std::string(kFactory.begin() + 0x300, kFactory.begin() + 0x303), "CLB");
  EXPECT_EQ(sim::freeChannelRxHz(kFactory, 0), 157'425'000);
  EXPECT_EQ(sim::freeChannelTxHz(kFactory, 0), 157'425'000);
  EXPECT_EQ(sim::freeChannelRxHz(kFactory, 2) - sim::freeChannelTxHz(kFactory, 2), 4'600'000);
}

TEST(FactoryMemory, GroupSwitchesWeatherBitsAndRegion) {
  EXPECT_EQ(kFactory[mem::kGroupSwitches] & 0x07, 0x07);  // USA, WX, CAN
  EXPECT_EQ(kFactory[mem::kWxHide1To8], 0x80);            // WX1..7 shown
  EXPECT_EQ(kFactory[mem::kWxHide9To10] & 0x03, 0x03);    // WX9, 10 hidden
  EXPECT_NE(kFactory[mem::kRegion], mem::kRegionJapan);
  EXPECT_EQ(sim::defaultMemory(true)[mem::kRegion], mem::kRegionJapan);
}

// The radio's curves only make sense with ascending break points; the
// service program's squelch calculation even gives up without them.
TEST(FactoryMemory, EveryCurveHasAscendingTemperatureBreakPoints) {
  for (int tempAdr : {0xF66, 0xF6F, 0xF78, 0xF85, 0xF93, 0xF9C}) {
    EXPECT_LT(kFactory[static_cast<size_t>(tempAdr)], kFactory[static_cast<size_t>(tempAdr + 1)])
        << std::hex << tempAdr;
    EXPECT_LT(kFactory[static_cast<size_t>(tempAdr + 1)], kFactory[static_cast<size_t>(tempAdr + 2)])
        << std::hex << tempAdr;
  }
}

TEST(FactoryMemory, AdjustmentsAreAlignedValues) {
  for (int i = 0; i < mem::kRefTableSize; ++i) {
    const int ref = kFactory[static_cast<size_t>(mem::kRefTable + i)];
    EXPECT_TRUE(ref >= 120 && ref <= 140) << "REF " << i << " = " << ref;
  }
  for (int i = 0; i < 4; ++i) {
    const int bpf = static_cast<int8_t>(kFactory[static_cast<size_t>(mem::kBpfLevels + i)]);
    EXPECT_LT(std::abs(bpf), 64) << "BPF T" << i + 1;
  }
  EXPECT_GT(kFactory[mem::kPowerHi], kFactory[mem::kPowerLo]);
  EXPECT_GT(kFactory[mem::kPowerLo], kFactory[mem::kPowerEl]);
}

}  // namespace
