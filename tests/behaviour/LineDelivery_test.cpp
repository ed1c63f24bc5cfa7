// What the program counts as sent must reach the radio, on a port that
// behaves like the real line: writes queue and drain at 960 bytes/s and a
// discard drops what has not reached the wire yet. A frame the program hands
// over and then throws away before the line has carried it is a value the
// radio never saw, and every reading taken after it is filed under the
// wrong value.
#include <gmock/gmock.h>
#include <algorithm>
#include <array>
#include <optional>
#include <utility>
#include <vector>
#include <gtest/gtest.h>

#include "clone/Nbx3Frame.h"
#include "procedures/ProcedureBench.h"

namespace pw::test {
namespace {

using Direction = sim::FrameLogEntry::Direction;

// The frames in a byte stream the program wrote, FE FE ... FD.
std::vector<ByteStr> FramesIn(const ByteStr& bytes) {
  std::vector<ByteStr> out;
  ByteStr current;
  for (uint8_t b : bytes) {
    current.push_back(b);
    if (b == 0xFD) {
      out.push_back(current);
      current.clear();
    }
  }
  return out;
}

std::vector<ByteStr> FramesTheRadioGot(const sim::Radio& radio) {
  std::vector<ByteStr> out;
  for (const auto& e : radio.frameLog()) {
    if (e.direction == Direction::Rx) out.push_back(e.bytes);
  }
  return out;
}

// Every frame the program wrote arrived whole and in order, and no discard
// dropped a byte of it.
void ExpectNothingLost(const Bench& b) {
  EXPECT_EQ(b.port.discarded, 0u);
  const std::vector<ByteStr> written = FramesIn(b.port.written);
  const std::vector<ByteStr> got = FramesTheRadioGot(b.radio);
  const auto [w, g] = std::mismatch(written.begin(), written.end(), got.begin(), got.end());
  EXPECT_TRUE(w == written.end() && g == got.end())
      << "written " << written.size() << " frames, the radio got " << got.size() << "; first difference at frame "
      << (w - written.begin()) << ": " << (w == written.end() ? std::string("(none)") : ByteStrToHexStr(*w))
      << " against " << (g == got.end() ? std::string("(none)") : ByteStrToHexStr(*g));
}

constexpr int kSdRequest = 0x98;
bool IsBpfSet(const E8Frame& f) { return f.toRadio && f.sub >= 0x10 && f.sub <= 0x13; }

TEST(LineDelivery, BpfAllSweepSetsEveryValueBeforeTheReadingTakenForIt) {
  ProcedureBench p;
  p.b.port.SetWrites(SimPort::Writes::Line);
  ASSERT_TRUE(p.Connect());
  const size_t mark = p.Mark();
  p.Enter(p.Model().idxSweepItem());
  ASSERT_TRUE(p.RunToBeep(1, 180000));

  // Pair each SD request the radio received with the filter value it held
  // then: the last BPF write that reached it before the request.
  std::vector<std::pair<int, int>> measured;
  std::optional<E8Frame> lastSet;
  for (const E8Frame& f : E8Frames(p.b.radio, mark)) {
    if (IsBpfSet(f)) lastSet = f;
    if (f.toRadio && f.sub == kSdRequest) {
      ASSERT_TRUE(lastSet.has_value());
      measured.emplace_back(lastSet->sub, static_cast<int8_t>(lastSet->value));
    }
  }
  std::vector<std::pair<int, int>> expected;
  for (int k = 0; k < 4; ++k) {
    for (int v = -128; v < 127; v += 4) expected.emplace_back(0x10 + k, v);
    expected.emplace_back(0x10 + k, 127);
  }
  EXPECT_EQ(measured, expected);
  ExpectNothingLost(p.b);
  const std::array<int, 4> finals{-20, 6, 30, -40};
  for (int k = 0; k < 4; ++k) {
    EXPECT_EQ(p.b.radio.peek(0xFE8 + k), AsByte(finals[static_cast<size_t>(k)])) << k;
  }
}

// The whole Connect, frame for frame in both directions, is the same on the
// real line as on the instant one.
TEST(LineDelivery, ConnectTranscriptIsTheSameOnARealLine) {
  auto transcript = [](SimPort::Writes writes) {
    Bench b;
    b.port.SetWrites(writes);
    EXPECT_TRUE(b.Start());
    EXPECT_TRUE(b.ConnectAndSettle());
    b.Run(2000);
    ExpectNothingLost(b);
    std::vector<std::pair<Direction, std::vector<uint8_t>>> frames;
    for (const auto& e : b.radio.frameLog()) frames.emplace_back(e.direction, e.bytes);
    return frames;
  };
  const auto instant = transcript(SimPort::Writes::Instant);
  const auto line = transcript(SimPort::Writes::Line);
  EXPECT_GT(instant.size(), 300u);
  const auto [i, l] = std::mismatch(instant.begin(), instant.end(), line.begin(), line.end());
  EXPECT_TRUE(i == instant.end() && l == line.end()) << "instant " << instant.size() << " frames, line " << line.size()
                                                     << "; first difference at frame " << (i - instant.begin());
}

}  // namespace
}  // namespace pw::test
