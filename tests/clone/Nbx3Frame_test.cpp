#include "clone/Nbx3Frame.h"

#include <gtest/gtest.h>

namespace pw {
namespace {

// A received frame as the driver hands it on: destination first, no FE/FD.
ByteStr Received(uint8_t command, const ByteStr& data) {
  ByteStr f{0xEF, 0xEE, command};
  for (uint8_t b : data) f.push_back(b);  // (insert trips a false array-bounds warning in g++ 12)
  return f;
}

ByteStr CloneDataFrame(int32_t adr, const ByteStr& data) {
  const ByteStr payload = frame::CloneDataPayload(adr, data);
  return Received(payload[0], ByteStr(payload.begin() + 1, payload.end()));
}

TEST(Nbx3Frame, BuildsTheWireFrame) {
  EXPECT_EQ(frame::Build({0xE0, 0x23, 0x20, 0x00, 0x00}),
            (ByteStr{0xFE, 0xFE, 0xEE, 0xEF, 0xE0, 0x23, 0x20, 0x00, 0x00, 0xFD}));
}

TEST(Nbx3Frame, CloneBlockChecksumMakesTheSumZero) {
  const ByteStr block = frame::CloneBlock(0x0120, ByteStr(16, 0));
  EXPECT_EQ(block.back(), 0xCF);
  const ByteStr payload = frame::CloneDataPayload(0x0120, ByteStr(16, 0));
  EXPECT_EQ(std::string(payload.begin() + 1, payload.end()), "012010" + std::string(32, '0') + "CF");
  unsigned sum = 0;
  for (uint8_t b : frame::CloneBlock(0x0FF0, ByteStr(16, 0xA7))) sum += b;
  EXPECT_EQ(sum % 256, 0u);
}

TEST(Nbx3Frame, CloneDataValidity) {
  const ByteStr good = CloneDataFrame(0x0120, ByteStr(16, 0));
  ASSERT_EQ(good.size(), 43u);
  EXPECT_TRUE(frame::IsValid(good, 0));

  ByteStr count11 = good;  // count characters say 0x11 but the frame holds 16 bytes
  count11[8] = '1';
  count11[7] = '1';
  EXPECT_FALSE(frame::IsValid(count11, 0));

  ByteStr badSum = good;
  badSum[12] = '1';
  EXPECT_FALSE(frame::IsValid(badSum, 0));

  ByteStr notHex = good;
  notHex[20] = 'G';
  EXPECT_FALSE(frame::IsValid(notHex, 0));

  EXPECT_FALSE(frame::IsValid(ByteStr(good.begin(), good.begin() + 12), 0));
  EXPECT_FALSE(frame::IsValid(ByteStr(good.begin(), good.end() - 1), 0)) << "even length";

  const auto decoded = frame::DecodeCloneData(good);
  ASSERT_TRUE(decoded);
  EXPECT_EQ(decoded->adr, 0x0120);
  EXPECT_EQ(decoded->bytes, ByteStr(16, 0));
}

TEST(Nbx3Frame, HighAddressesDecodeNegative) {
  const auto decoded = frame::DecodeCloneData(CloneDataFrame(0x8000, ByteStr(16, 1)));
  ASSERT_TRUE(decoded);
  EXPECT_LT(decoded->adr, 0);
}

TEST(Nbx3Frame, SignatureAndAnswers) {
  const ByteStr sig = HexStrToByteStr(frame::kSignatureHex);
  EXPECT_TRUE(frame::IsValid(Received(0xE5, sig), 0));
  ByteStr longer = sig;
  longer.push_back('x');
  EXPECT_FALSE(frame::IsValid(Received(0xE5, longer), 0));

  const ByteStr id{0x23, 0x20, 0x00, 0x01};
  EXPECT_TRUE(frame::IsValid(Received(0xE1, id), 0));
  EXPECT_FALSE(frame::IsValid(Received(0xE1, {0x23, 0x20, 0x00}), 0));
  EXPECT_FALSE(frame::IsValid(Received(0xE1, {0x23, 0x2A, 0x00, 0x01}), 0)) << "not a decimal name";

  ByteStr e8 = id;
  e8.insert(e8.end(), {0x94, '7', 'B'});
  EXPECT_TRUE(frame::IsValid(Received(0xE8, e8), 0x94));
  EXPECT_FALSE(frame::IsValid(Received(0xE8, e8), 0x95)) << "sub-command must be repeated";

  EXPECT_TRUE(frame::IsValid(Received(0xE6, {}), 0)) << "E6 has no further test";
  EXPECT_FALSE(frame::IsValid({0xEE, 0xEF, 0xE1, 0x23, 0x20, 0x00, 0x01}, 0)) << "wrong direction";
  EXPECT_FALSE(frame::IsValid({0xEF, 0xEE}, 0));
}

}  // namespace
}  // namespace pw
