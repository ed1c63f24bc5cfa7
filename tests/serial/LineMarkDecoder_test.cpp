// The line-error marks of a POSIX serial driver: each mark becomes its event
// at its place in the stream, the bytes around it stay as they were.
#include "serial/LineMarkDecoder.h"

#include <gtest/gtest.h>

#include "platform/ISerialPort.h"

namespace pw {
namespace {

using Piece = LineMarkDecoder::Piece;
using Counts = std::optional<LineErrorCounts>;

// Counters a little above a baseline of 7 each, as a driver that has seen
// errors before this port was opened.
LineErrorCounts Baseline() { return {7, 7, 7, 7}; }
Counts Grown(uint64_t frame, uint64_t parity, uint64_t brk, uint64_t overrun) {
  return LineErrorCounts{7 + frame, 7 + parity, 7 + brk, 7 + overrun};
}

struct MarkCase {
  const char* name;
  ByteStr raw;
  Counts counts;  // after the read; nullopt: the driver keeps none
  std::vector<Piece> expected;
};

class LineMarks : public ::testing::TestWithParam<MarkCase> {};

TEST_P(LineMarks, GiveTheirEventBetweenTheBytesAroundThem) {
  const MarkCase& c = GetParam();
  LineMarkDecoder d;
  d.Reset(c.counts ? Counts(Baseline()) : std::nullopt);
  EXPECT_EQ(d.Decode(c.raw, c.counts), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LineMarks,
    ::testing::Values(
        MarkCase{"PlainBytes", {0xFE, 0xFD}, Grown(0, 0, 0, 0), {{{0xFE, 0xFD}, 0}}},
        MarkCase{"DoubledFfIsOneFf", {0x01, 0xFF, 0xFF, 0x02}, Grown(0, 0, 0, 0), {{{0x01, 0xFF, 0x02}, 0}}},
        MarkCase{
            "FramingError", {0x01, 0xFF, 0x00, 0x41, 0x02}, Grown(1, 0, 0, 0), {{{0x01}, comEv::kFrame}, {{0x02}, 0}}},
        MarkCase{"ParityError",
                 {0x01, 0xFF, 0x00, 0x41, 0x02},
                 Grown(0, 1, 0, 0),
                 {{{0x01}, comEv::kRxParity}, {{0x02}, 0}}},
        MarkCase{"Break", {0x01, 0xFF, 0x00, 0x00, 0x02}, Grown(0, 0, 1, 0), {{{0x01}, comEv::kBreak}, {{0x02}, 0}}},
        MarkCase{"Overrun", {0x01, 0x02}, Grown(0, 0, 0, 1), {{{}, comEv::kOverrun}, {{0x01, 0x02}, 0}}},
        MarkCase{"FramingErrorOnAZeroByteIsNoBreak", {0xFF, 0x00, 0x00}, Grown(1, 0, 0, 0), {{{}, comEv::kFrame}}},
        MarkCase{"TwoMarksInARow",
                 {0xFF, 0x00, 0x41, 0xFF, 0x00, 0x00, 0x03},
                 Grown(1, 0, 1, 0),
                 {{{}, comEv::kFrame}, {{}, comEv::kBreak}, {{0x03}, 0}}},
        MarkCase{"BreakWithoutCounters", {0x01, 0xFF, 0x00, 0x00}, std::nullopt, {{{0x01}, comEv::kBreak}}},
        MarkCase{
            "DamagedByteWithoutCounters", {0xFF, 0x00, 0x41, 0x02}, std::nullopt, {{{}, comEv::kFrame}, {{0x02}, 0}}},
        MarkCase{"FfBeforeAnotherByteIsData", {0xFF, 0x41}, Grown(0, 0, 0, 0), {{{0xFF, 0x41}, 0}}}),
    [](const auto& info) { return std::string(info.param.name); });

// Pieces of consecutive reads, as one stream.
std::vector<Piece> Joined(std::vector<Piece> a, const std::vector<Piece>& b) {
  for (const Piece& p : b) {
    if (!a.empty() && a.back().event == 0) {
      a.back().bytes.insert(a.back().bytes.end(), p.bytes.begin(), p.bytes.end());
      a.back().event = p.event;
    } else {
      a.push_back(p);
    }
  }
  return a;
}

TEST(LineMarkSplit, AMarkCutBetweenTwoReadsIsStillOneMark) {
  const ByteStr stream{0x10, 0xFF, 0xFF, 0x20, 0xFF, 0x00, 0x41, 0x30, 0xFF, 0x00, 0x00, 0x40};
  const std::vector<Piece> whole{{{0x10, 0xFF, 0x20}, comEv::kRxParity}, {{0x30}, comEv::kBreak}, {{0x40}, 0}};
  for (size_t cut = 0; cut <= stream.size(); ++cut) {
    SCOPED_TRACE(cut);
    LineMarkDecoder d;
    d.Reset(Baseline());
    const ByteStr first(stream.begin(), stream.begin() + static_cast<std::ptrdiff_t>(cut));
    const ByteStr second(stream.begin() + static_cast<std::ptrdiff_t>(cut), stream.end());
    // The driver counts an error before any byte of its mark can be read,
    // so a read that ends inside a mark has already seen the count grow.
    const bool parityCounted = cut > 4;
    const bool breakCounted = cut > 8;
    const auto a = d.Decode(first, Grown(0, parityCounted, breakCounted, 0));
    const auto b = d.Decode(second, Grown(0, 1, 1, 0));
    EXPECT_EQ(Joined(a, b), whole);
  }
}

// An overrun is told once, by the read whose counters grew. A decoder that
// took it again on a later read would fail every exchange after it.
TEST(LineMarkSplit, AfterAnOverrunTheNextReadIsPlainDataAgain) {
  const struct {
    const char* name;
    ByteStr first;
    ByteStr secondBytes;  // what the second read, FF FF 02, hands on
  } cases[] = {
      {"whole read", {0x01}, {0xFF, 0x02}},
      {"read ending inside a mark", {0x01, 0xFF}, {0xFF, 0xFF, 0x02}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    LineMarkDecoder d;
    d.Reset(Baseline());
    EXPECT_EQ(d.Decode(c.first, Grown(0, 0, 0, 1)), (std::vector<Piece>{{{}, comEv::kOverrun}, {{0x01}, 0}}));
    EXPECT_EQ(d.Decode({0xFF, 0xFF, 0x02}, Grown(0, 0, 0, 1)), (std::vector<Piece>{{c.secondBytes, 0}}));
  }
}

// The receive buffer's fill level counts what the program is handed, not
// the driver's marking bytes.
TEST(LineMarkMeasure, CountsTheBytesHandedOnAndWhatFitsIntoTheRoom) {
  const struct {
    ByteStr held;  // decoded before, leaving a mark cut off or not
    ByteStr raw;
    size_t room;
    size_t bytes;
    size_t rawThatFits;
  } cases[] = {
      {{}, {0x01, 0xFF, 0xFF, 0x02}, 10, 3, 4},
      {{}, {0x01, 0xFF, 0xFF, 0x02}, 2, 3, 3},
      {{}, {0xFF, 0x00, 0x41, 0x02}, 1, 1, 4},
      {{}, {0xFF, 0x41}, 1, 2, 1},
      {{}, {0xFF, 0xFF}, 0, 1, 1},
      {{0x10, 0xFF}, {0xFF, 0x03}, 1, 2, 1},
      {{0x10, 0xFF}, {0x00, 0x00}, 0, 0, 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(ByteStrToHexStr(c.held) + " " + ByteStrToHexStr(c.raw) + " room " + std::to_string(c.room));
    LineMarkDecoder d;
    d.Reset(std::nullopt);
    d.Decode(c.held, std::nullopt);
    const auto m = d.MeasureRaw(c.raw, c.room);
    EXPECT_EQ(m.bytes, c.bytes);
    EXPECT_EQ(m.rawThatFits, c.rawThatFits);
    size_t handed = 0;
    for (const Piece& p : d.Decode(c.raw, std::nullopt)) handed += p.bytes.size();
    EXPECT_EQ(handed, c.bytes) << "measuring changed nothing, and counts as decoding does";
  }
}

TEST(LineMarkSplit, AnOpenForgetsAHalfSeenMark) {
  LineMarkDecoder d;
  d.Reset(std::nullopt);
  EXPECT_TRUE(d.Decode({0x01, 0xFF}, std::nullopt) == (std::vector<Piece>{{{0x01}, 0}}));
  d.Reset(std::nullopt);
  EXPECT_TRUE(d.Decode({0x00, 0x41}, std::nullopt) == (std::vector<Piece>{{{0x00, 0x41}, 0}}));
}

}  // namespace
}  // namespace pw
