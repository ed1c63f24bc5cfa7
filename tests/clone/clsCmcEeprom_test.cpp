#include "clone/clsCmcEeprom.h"

#include <gtest/gtest.h>

#include "clone/clsCmcRadio.h"

namespace pw {
namespace {

TEST(clsCmcEeprom, SingleBytesAreCheckedAtBothEnds) {
  clsCmcEeprom ee;
  EXPECT_EQ(ee.eeSize(), 4096);
  EXPECT_EQ(ee.ReadByte(4095), 0);
  EXPECT_EQ(ee.WriteByte(4096, 1), 1);
  EXPECT_EQ(ee.WriteByte(-1, 1), 1);
  EXPECT_EQ(ee.ReadByte(4096), 0);
  EXPECT_EQ(ee.WriteByte(4095, 0x81), 0);
  EXPECT_EQ(ee.ReadBit(4095, 0), 1);
  EXPECT_EQ(ee.ReadBit(4095, 7), 1);
  EXPECT_EQ(ee.ReadBit(4095, 3), 0);
  EXPECT_EQ(ee.ReadBit(4095, 8), 0);
  EXPECT_EQ(ee.ReadBit(4095, -1), 0);
}

TEST(clsCmcEeprom, BlockWritesAreAllOrNothing) {
  const struct {
    int32_t adr;
    size_t count;
    int16_t result;
  } cases[] = {{4080, 16, 0}, {4081, 16, 1}, {0, 4096, 0}, {0, 4097, 1}, {0, 0, 1}, {5, 0, 0}, {-1, 2, 1}};
  for (const auto& c : cases) {
    clsCmcEeprom ee;
    EXPECT_EQ(ee.WriteBlock(c.adr, ByteStr(c.count, 0x5A)), c.result) << c.adr << "+" << c.count;
    EXPECT_EQ(ee.FillBlock(c.adr, 0x5A, static_cast<int32_t>(c.count)), c.result);
    if (c.result == 1) {
      EXPECT_EQ(ee.ReadBlock(0, 4096), ByteStr(4096, 0)) << "a refused block changes nothing";
    }
  }
}

TEST(clsCmcEeprom, ReadBlockNeverLeavesTheImage) {
  clsCmcEeprom ee;
  ee.WriteBlock(10, {1, 2, 3});
  EXPECT_EQ(ee.ReadBlock(10, 3), (ByteStr{1, 2, 3}));
  EXPECT_TRUE(ee.ReadBlock(10, 0).empty());
  EXPECT_EQ(ee.ReadBlock(4094, 4), (ByteStr{0, 0, 0, 0}));
  EXPECT_EQ(ee.ReadBlock(-2, 3), (ByteStr{0, 0, 0}));
  ee.set_eeSize(4096);
  EXPECT_EQ(ee.ReadByte(11), 0) << "resizing clears the image";
}

TEST(clsCmcRadio, AddressListEntries) {
  clsCmcRadio radio;
  EXPECT_EQ(radio.radioNameM, "0000");
  EXPECT_EQ(radio.radionameS, "0000");
  EXPECT_EQ(radio.cloneWriteAdrList(), "");
  radio.cloneWriteAdrList_Add(0x10, 0x1F);
  radio.cloneWriteAdrList_Add(0x100, 0x10F);
  EXPECT_EQ(radio.cloneWriteAdrList(), "0010-001F,0100-010F,");
  radio.cloneWriteAdrList_Clear();
  radio.cloneWriteAdrList_Add(0x12345, -1);
  EXPECT_EQ(radio.cloneWriteAdrList(), "2345-FFFF,");
}

}  // namespace
}  // namespace pw
