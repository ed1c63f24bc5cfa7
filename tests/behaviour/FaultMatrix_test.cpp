// Every point of a session crossed with every fault the radio can show there.
// Whatever happens, the program must end in a defined state: the fault's own
// message exactly once (or none where the fault does no harm), the port
// closed and the Connect page back after a message, the console live and the
// procedure finished where there was no message; and once the line is clean
// again, Connect reads the radio exactly.
//
// Faults that do no harm, and why:
//  - noise between frames: the receiver skips everything up to a preamble;
//  - silence or a lost echo on a write: the program sends it and forgets it
//    (a write the radio never took shows up at the next Connect);
//  - an ATIS status answer that is malformed or not the confirmation: during
//    Connect the task asks again; in the ATIS procedure the procedure ends.
#include <gtest/gtest.h>

#include <cctype>
#include <ostream>
#include <string>
#include <vector>

#include "shell/frmMain.h"
#include "support/Bench.h"

namespace pw::test {
namespace {

using sim::Fault;
using sim::FaultKind;
using sim::FaultTrigger;

// Where in a session the fault strikes.
enum class Stage { Connect, Sql, Bpf, Txf, Atis };

// What kind of exchange the point is: it decides which faults apply and
// what each of them must lead to.
enum class Exchange { Identify, CloneRequest, CloneData, CloneEnd, Reading, AtisStatus, Write };

struct Point {
  std::string name;
  Stage stage;
  Exchange exchange;
  uint8_t command;        // the program's frame that must have gone out
  std::vector<int> subs;  // its E8 sub-commands (one fault per sub-command)
  int cloneFrame = -1;    // clone data frame k
};

constexpr const char* kNoAnswer = "No answer from KQ-R4T.";
constexpr const char* kNoEcho = "Cannot access COM port";
constexpr const char* kIllegal = "Illegal data.";
constexpr const char* kCommFailed = "Communication failed.";
constexpr const char* kCannotClone = "Cannot Clone.";
constexpr const char* kOtherVersion = "Version number does not match";

// What a fault must lead to at a kind of exchange; message nullptr: none.
struct Outcome {
  Exchange exchange;
  FaultKind fault;
  const char* message;
};

const Outcome kOutcomes[] = {
    {Exchange::Identify, FaultKind::NoAnswer, kNoAnswer},
    {Exchange::Identify, FaultKind::NoEcho, kNoEcho},
    {Exchange::Identify, FaultKind::NoiseBetweenFrames, nullptr},
    {Exchange::Identify, FaultKind::WrongModel, kCannotClone},
    {Exchange::Identify, FaultKind::WrongSubName, kOtherVersion},
    {Exchange::CloneRequest, FaultKind::NoAnswer, kNoAnswer},
    {Exchange::CloneRequest, FaultKind::NoEcho, kNoEcho},
    {Exchange::CloneData, FaultKind::BadChecksum, kIllegal},
    {Exchange::CloneData, FaultKind::NoiseBetweenFrames, nullptr},
    {Exchange::CloneData, FaultKind::StallAfterCloneFrames, kNoAnswer},
    {Exchange::CloneEnd, FaultKind::BadE5, kIllegal},
    {Exchange::CloneEnd, FaultKind::NoiseBetweenFrames, nullptr},
    {Exchange::CloneEnd, FaultKind::StallAfterCloneFrames, kNoAnswer},
    {Exchange::Reading, FaultKind::NoAnswer, kNoAnswer},
    {Exchange::Reading, FaultKind::NoEcho, kNoEcho},
    {Exchange::Reading, FaultKind::WrongSubCommand, kIllegal},
    {Exchange::Reading, FaultKind::MalformedValue, kCommFailed},
    {Exchange::Reading, FaultKind::NoiseBetweenFrames, nullptr},
    {Exchange::AtisStatus, FaultKind::NoAnswer, kNoAnswer},
    {Exchange::AtisStatus, FaultKind::NoEcho, kNoEcho},
    {Exchange::AtisStatus, FaultKind::WrongSubCommand, kIllegal},
    {Exchange::AtisStatus, FaultKind::MalformedValue, nullptr},
    {Exchange::AtisStatus, FaultKind::AtisNeverConfirmed, nullptr},
    {Exchange::AtisStatus, FaultKind::NoiseBetweenFrames, nullptr},
    {Exchange::Write, FaultKind::NoAnswer, nullptr},
    {Exchange::Write, FaultKind::NoEcho, nullptr},
    {Exchange::Write, FaultKind::NoiseBetweenFrames, nullptr},
};

std::string Hex(int v) {
  static const char kDigits[] = "0123456789ABCDEF";
  return {kDigits[(v >> 4) & 0xF], kDigits[v & 0xF]};
}

std::vector<Point> Points() {
  std::vector<Point> p = {
      {"Identify", Stage::Connect, Exchange::Identify, 0xE0, {}},
      {"CloneRequest", Stage::Connect, Exchange::CloneRequest, 0xE2, {}},
      {"CloneFrame0", Stage::Connect, Exchange::CloneData, 0xE2, {}, 0},
      {"CloneFrame128", Stage::Connect, Exchange::CloneData, 0xE2, {}, 128},
      {"CloneFrame255", Stage::Connect, Exchange::CloneData, 0xE2, {}, 255},
      {"CloneEnd", Stage::Connect, Exchange::CloneEnd, 0xE2, {}, 256},
      {"ConnectAtisOff", Stage::Connect, Exchange::AtisStatus, 0xE8, {0x03}},
      {"SqlNois", Stage::Sql, Exchange::Reading, 0xE8, {0x99}},
      {"SqlTemps", Stage::Sql, Exchange::Reading, 0xE8, {0x94}},
      {"BpfSd", Stage::Bpf, Exchange::Reading, 0xE8, {0x98}},
      {"BpfT1", Stage::Bpf, Exchange::Write, 0xE8, {0x10}},
      {"TxfTemps", Stage::Txf, Exchange::Reading, 0xE8, {0x94}},
      {"AtisMode", Stage::Atis, Exchange::AtisStatus, 0xE8, {0x03}},
  };
  // The 19 readings of the first cycle: A/D, D/A and calculated squelch.
  for (int sub : {0x90, 0x91, 0x92, 0x93, 0x94, 0x95, 0x96, 0x98, 0x99, 0x9A, 0x9B, 0x80, 0x81, 0x82, 0x83, 0x84, 0x85,
                  0xA0, 0xA1}) {
    p.push_back({"Read" + Hex(sub), Stage::Connect, Exchange::Reading, 0xE8, {sub}});
  }
  // Every item's first send: dial mode, channel, RF power, the power levels,
  // modulation and the four filters.
  for (int sub : {0x00, 0x01, 0x02, 0x0C, 0x0B, 0x0D, 0x08, 0x10, 0x11, 0x12, 0x13}) {
    p.push_back({"ItemSend" + Hex(sub), Stage::Connect, Exchange::Write, 0xE8, {sub}});
  }
  for (int j = 0; j < 6; ++j) {
    p.push_back({"SqlThreshold" + std::to_string(j), Stage::Sql, Exchange::Write, 0xE8, {0x70 + j}});
  }
  Point table{"TxfTable", Stage::Txf, Exchange::Write, 0xE8, {}};
  for (int i = 0; i < 20; ++i) table.subs.push_back(0x20 + i);
  p.push_back(table);
  return p;
}

// The simulator's own name of the fault as a test name: no-echo is NoEcho.
std::string KindName(FaultKind k) {
  std::string out;
  bool upper = true;
  for (char c : sim::kindName(k)) {
    if (c == '-') {
      upper = true;
      continue;
    }
    out += upper ? static_cast<char>(std::toupper(static_cast<unsigned char>(c))) : c;
    upper = false;
  }
  return out;
}

struct Cell {
  Point point;
  FaultKind fault;
  const char* message;
  std::string Name() const { return point.name + "_" + KindName(fault); }

  // The faults to arm. A silent radio stays silent through the driver's
  // retries; the others strike once, so that the program's own recovery
  // (asking the ATIS status again) can be seen.
  std::vector<Fault> Faults() const {
    std::vector<Fault> out;
    const bool once = fault != FaultKind::NoAnswer;
    switch (point.exchange) {
      case Exchange::Identify:
        out.push_back({fault, FaultTrigger::frame(0), once, 0});
        break;
      case Exchange::CloneRequest:
        out.push_back({fault, FaultTrigger::frame(1), once, 0});
        break;
      case Exchange::CloneData:
      case Exchange::CloneEnd:
        if (fault == FaultKind::StallAfterCloneFrames) {
          out.push_back({fault, FaultTrigger::always(), true, point.cloneFrame});
        } else if (point.exchange == Exchange::CloneEnd) {
          out.push_back({fault, FaultTrigger::cloneEnd(), true, 0});
        } else {
          out.push_back({fault, FaultTrigger::cloneFrame(point.cloneFrame), true, 0});
        }
        break;
      default:
        for (int sub : point.subs) out.push_back({fault, FaultTrigger::subCommand(sub), once, 0});
        break;
    }
    return out;
  }
  // The ATIS procedure ends without its beep when the radio does not confirm.
  bool ProcedureCompletes() const {
    return !(point.stage == Stage::Atis &&
             (fault == FaultKind::MalformedValue || fault == FaultKind::AtisNeverConfirmed));
  }
  // The radio never saw the write, so the image is ahead of it until the
  // next Connect.
  bool RadioMissesWrite() const { return point.exchange == Exchange::Write && fault == FaultKind::NoAnswer; }
};

void PrintTo(const Cell& c, std::ostream* os) { *os << c.Name(); }

std::vector<Cell> Cells() {
  std::vector<Cell> cells;
  for (const Point& p : Points()) {
    for (const Outcome& o : kOutcomes) {
      if (o.exchange == p.exchange) cells.push_back({p, o.fault, o.message});
    }
  }
  return cells;
}

class FaultMatrixTest : public ::testing::TestWithParam<Cell> {
 protected:
  void SetUp() override { ASSERT_TRUE(b.Start()); }

  bool Message() const { return !b.window.messages.empty(); }
  proc::Step Step() { return b.Model().procStep(); }

  // How many of the program's frames with this command (and E8 sub-command)
  // the radio has received.
  int Sent(uint8_t command, const std::vector<int>& subs) const {
    int n = 0;
    for (const auto& e : b.radio.frameLog()) {
      if (e.direction != sim::FrameLogEntry::Direction::Rx || e.bytes.size() < 5 || e.bytes[4] != command) continue;
      if (subs.empty()) {
        ++n;
        continue;
      }
      for (int sub : subs) n += (e.bytes.size() > 9 && e.bytes[9] == sub) ? 1 : 0;
    }
    return n;
  }

  bool Settled() { return test::Settled(*b.app); }

  // Enter on a console line, as the technician presses it.
  void EnterOn(int16_t line) {
    b.Select(line);
    b.Key(keys::kReturn);
  }
  // Runs until the procedure has started and ended again, or a message.
  void RunProcedureToItsEnd(int limitMs) {
    b.RunUntil([&] { return Message() || Step() != proc::None; }, 2000);
    b.RunUntil([&] { return Message() || Step() == proc::None; }, limitMs);
  }

  void RunStage(Stage stage) {
    clsIndOp_RigR4T& m = b.Model();
    switch (stage) {
      case Stage::Connect:
        b.Connect();
        b.RunUntil([&] { return Message() || Settled(); }, 40000);
        return;
      case Stage::Sql:
        EnterOn(m.idxSql());
        b.RunUntil([&] { return Message() || Step() == proc::SqlNoise1; }, 2000);
        b.Key(keys::kReturn);  // the first test signal is on
        b.RunUntil([&] { return Message() || Step() == proc::SqlNoise2; }, 8000);
        if (Message()) return;
        b.Key(keys::kReturn);  // the second one
        b.RunUntil([&] { return Message() || Step() == proc::None; }, 10000);
        return;
      case Stage::Bpf:
        EnterOn(m.idxBpfT1());
        RunProcedureToItsEnd(60000);
        return;
      case Stage::Txf:
        EnterOn(m.idxTxf());
        b.RunUntil([&] { return Message() || Step() != proc::None; }, 2000);
        b.Run(3000);  // a few measurements and the neighbour entries written
        if (Message()) return;
        b.Key(keys::kReturn);  // write the whole table and finish
        b.RunUntil([&] { return Message() || Step() == proc::None; }, 10000);
        return;
      case Stage::Atis:
        EnterOn(m.idxAtis());
        b.RunUntil([&] { return Message() || Step() != proc::None; }, 2000);
        // Each mode waits for Enter on steps 3, 5, 7 and 9.
        for (int mode = 0; mode < 4; ++mode) {
          b.RunUntil(
              [&] {
                return Message() || Step() == proc::None || Step() == proc::Atis1300Set ||
                       Step() == proc::Atis2100Set || Step() == proc::AtisAlternatingSet || Step() == proc::AtisCodeSet;
              },
              8000);
          if (Message() || Step() == proc::None) return;
          const proc::Step waiting = Step();
          b.Key(keys::kReturn);
          b.RunUntil([&] { return Message() || Step() != waiting; }, 2000);
        }
        b.RunUntil([&] { return Message() || Step() == proc::None; }, 8000);
        return;
    }
  }

  Bench b;
};

TEST_P(FaultMatrixTest, EndsInADefinedStateAndTheNextConnectReadsTheRadio) {
  const Cell& c = GetParam();
  if (c.point.stage != Stage::Connect) {
    ASSERT_TRUE(b.ConnectAndSettle());
    b.radio.clearFrameLog();
  }
  const int beepsBefore = b.window.beeps;
  for (const Fault& f : c.Faults()) b.radio.addFault(f);

  RunStage(c.point.stage);
  b.Run(3000);  // ticks after the end, or while the box is up, report nothing more

  ASSERT_GT(Sent(c.point.command, c.point.subs), 0) << "the session never reached the point";
  if (c.message != nullptr) {
    ASSERT_EQ(b.window.messages.size(), 1u);
    EXPECT_EQ(b.window.messages[0].substr(0, b.window.messages[0].find('\r')), c.message);
    EXPECT_FALSE(b.app->gCom.comOpen());
    EXPECT_EQ(b.Model().opState(), op::Idle);
    EXPECT_TRUE(b.window.FrameVisible(0)) << "the Connect page";
    EXPECT_FALSE(b.window.FrameVisible(1));
  } else {
    EXPECT_TRUE(b.window.messages.empty()) << b.window.messages.front();
    EXPECT_TRUE(b.Model().RigR4TProp_EditEnabled());
    EXPECT_TRUE(b.window.FrameVisible(1)) << "the console";
    EXPECT_EQ(Step(), proc::None) << "the procedure has ended";
    EXPECT_FALSE(b.window.atisWaiting);
    if (c.point.stage == Stage::Connect) {
      EXPECT_TRUE(Settled());
    } else {
      EXPECT_EQ(b.window.beeps - beepsBefore, c.ProcedureCompletes() ? 1 : 0) << "the procedure's end beep";
    }
    if (!c.RadioMissesWrite()) {
      EXPECT_EQ(b.Image().ReadBlock(0, 4096), ByteStr(b.radio.memory().begin(), b.radio.memory().end()));
    }
  }

  // A radio that was reading out its memory goes on doing so after the
  // program has given up; the technician connects again once it is quiet.
  b.radio.clearFaults();
  ASSERT_TRUE(b.RunUntil([&] { return b.radio.NextDueMs() < 0; }, 20000));
  const size_t messages = b.window.messages.size();
  ASSERT_TRUE(b.ConnectAndSettle()) << "the next Connect";
  EXPECT_EQ(b.window.messages.size(), messages);
  EXPECT_EQ(b.Image().ReadBlock(0, 4096), ByteStr(b.radio.memory().begin(), b.radio.memory().end()));
}

INSTANTIATE_TEST_SUITE_P(Cells, FaultMatrixTest, ::testing::ValuesIn(Cells()),
                         [](const auto& info) { return info.param.Name(); });

}  // namespace
}  // namespace pw::test
