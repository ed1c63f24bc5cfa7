// How fast the receive path is, and how close a clone read and a whole
// connect come to the time the wire itself needs at 9600 baud, with and
// without bench instruments on the same heartbeat.
#include <benchmark/benchmark.h>

#include <ctime>
#include <fstream>

#include "base/DurableFile.h"
#include "clone/clsCmcNbx3Drv.h"
#include "clone/Nbx3Frame.h"
#include "record/ServiceRecord.h"
#include "instruments/BenchFile.h"
#include "shell/frmMain.h"
#include "sim/InProcessInstruments.h"
#include "support/Bench.h"
#include "support/TempDir.h"

namespace pw {
namespace {

class NullLink : public INbx3Link {
 public:
  bool comSendEnable() const override { return true; }
  int OutBufferCount() const override { return 0; }
  int OutBufferSize() const override { return 1024; }
  void Output(const ByteStr& bytes) override { last = bytes; }
  ByteStr last;
};

// Clone data frames through read() into the image, as a clone read delivers
// them (one frame per chunk).
void BM_ReceivePath(benchmark::State& state) {
  VirtualClock clock;
  NullLink link;
  clsCmcEeprom image;
  clsCmcNbx3Drv drv(clock);
  drv.myObjCom = &link;
  drv.myEep = &image;
  std::vector<ByteStr> frames;
  for (int adr = 0; adr < 4096; adr += 16) {
    ByteStr f{0xFE, 0xFE, 0xEF, 0xEE};
    for (uint8_t b : frame::CloneDataPayload(adr, ByteStr(16, static_cast<uint8_t>(adr)))) f.push_back(b);
    f.push_back(0xFD);
    frames.push_back(f);
  }
  size_t bytes = 0;
  for (auto _ : state) {
    drv.Reset();
    drv.set_workMode(clsCmcNbx3Drv::kModeCloneRead);
    drv.Send({0xE2, 0x23, 0x20, 0x00, 0x01});
    drv.read(link.last);
    for (const ByteStr& f : frames) {
      drv.read(f);
      bytes += f.size();
    }
    benchmark::DoNotOptimize(image.ReadByte(4095));
  }
  state.SetBytesProcessed(static_cast<int64_t>(bytes));
}
BENCHMARK(BM_ReceivePath);

int64_t WireBytes(const sim::Radio& radio) {
  int64_t n = 0;
  for (const auto& e : radio.frameLog()) n += static_cast<int64_t>(e.bytes.size());
  return n;
}

// Virtual time of a clone read against the wire-time bound.
void BM_CloneReadVirtualTime(benchmark::State& state) {
  double ratio = 0, virtualMs = 0, wireMs = 0;
  for (auto _ : state) {
    test::Bench b;
    b.Start();
    const int64_t start = b.port.Now();
    b.app->myObjNbx3Seq.easyCloneRead();
    b.RunUntil([&] { return !b.app->myObjNbx3Seq.OpRunning(); }, 60000);
    virtualMs = static_cast<double>(b.port.Now() - start);
    wireMs = WireBytes(b.radio) * 1000.0 / 960.0;
    ratio = virtualMs / wireMs;
  }
  state.counters["virtual_ms"] = virtualMs;
  state.counters["wire_ms"] = wireMs;
  state.counters["program_share_pct"] = (ratio - 1.0) * 100.0;
}
BENCHMARK(BM_CloneReadVirtualTime)->Iterations(3)->Unit(benchmark::kMillisecond);

// The simulated radio test set in every role, on the radio's own clock, and
// every role's Test started at once, so that instrument traffic runs on the
// heartbeat beside the radio's (arg 1); arg 0 is the bench without any.
class Instruments {
 public:
  Instruments(test::Bench& b, bool attached) : b_(b), links_(b.clock, b.radio) {
    if (!attached) return;
    std::ofstream(b.dir.path() / "Bench.ini", std::ios::binary)
        << "[GENERATOR]\r\nAddress=tcp:testset\r\n[COUNTER]\r\nAddress=tcp:testset\r\n"
        << "[POWER METER]\r\nAddress=tcp:testset\r\n[MODULATION METER]\r\nAddress=tcp:testset\r\n"
        << "[PTT]\r\nAddress=tcp:testset\r\nOn=:PTT ON\r\nOff=:PTT OFF\r\nTransmitPathSafe=1\r\n";
    // The old program lets go of the port before the new one takes it.
    b.app.reset();
    b.app = std::make_unique<PwApp>(b.port, b.clock, b.window, links_, PathToUtf8(b.dir.path()),
                                    PathToUtf8(b.dir.path() / "Const.ini"));
    attached_ = true;
  }
  // The program goes before the links it was given.
  ~Instruments() {
    if (attached_) b_.app.reset();
  }
  Instruments(const Instruments&) = delete;
  Instruments& operator=(const Instruments&) = delete;
  void TestEveryRole(test::Bench& b) {
    if (!attached_) return;
    for (Role role : kRoles) b.app->bench.StartIdentify(role);
  }
  // Every role answered its Test, so the instruments really were there.
  bool AllAnswered(test::Bench& b) const {
    if (!attached_) return true;
    for (Role role : kRoles) {
      if (!b.app->bench.IdentifyDone(role) || b.app->bench.IdentityOf(role).empty()) return false;
    }
    return true;
  }

 private:
  test::Bench& b_;
  sim::InProcessInstruments links_;
  bool attached_ = false;
};

// Connect to the end of the first full cycle against the wire time plus the
// waits the items ask for after their commands.
void BM_ConnectFirstCycle(benchmark::State& state) {
  double ratio = 0, virtualMs = 0, boundMs = 0, answered = 0;
  for (auto _ : state) {
    test::Bench b;
    Instruments instruments(b, state.range(0) != 0);
    b.Start();
    const int64_t start = b.port.Now();
    // Connect makes the bench safe first; the instruments' Tests then run
    // beside the clone read.
    b.Connect();
    instruments.TestEveryRole(b);
    b.Settle(30000);
    virtualMs = static_cast<double>(b.port.Now() - start);
    answered = instruments.AllAnswered(b) ? 1 : 0;
    double waits = 0;
    for (const auto& e : b.radio.frameLog()) {
      const bool fromProgram = e.direction == sim::FrameLogEntry::Direction::Rx;
      if (fromProgram && e.bytes.size() == 12 && e.bytes[4] == 0xE8) {
        const uint8_t sub = e.bytes[9];
        const bool request = sub == 0x03 || sub >= 0x80;
        if (!request) waits += sub == 0x00 ? 200 : 20;
      }
    }
    boundMs = WireBytes(b.radio) * 1000.0 / 960.0 + waits;
    ratio = virtualMs / boundMs;
  }
  state.counters["virtual_ms"] = virtualMs;
  state.counters["bound_ms"] = boundMs;
  state.counters["ratio"] = ratio;
  state.counters["instruments_answered"] = answered;
}
BENCHMARK(BM_ConnectFirstCycle)->ArgName("instruments")->Arg(0)->Arg(1)->Iterations(3)->Unit(benchmark::kMillisecond);

// A BPF ALL sweep (four filters, step 4) on a port that drains at the line's
// rate, from Enter to the beep, against the time every byte of it needs on
// the wire both ways; the sweep asks for no waits of its own.
void BM_BpfAllSweep(benchmark::State& state) {
  double ratio = 0, virtualMs = 0, wireMs = 0, measurements = 0, answered = 0;
  for (auto _ : state) {
    test::Bench b;
    Instruments instruments(b, state.range(0) != 0);
    b.port.SetWrites(test::SimPort::Writes::Line);
    b.Start();
    b.ConnectAndSettle();
    instruments.TestEveryRole(b);
    const size_t mark = b.radio.frameLog().size();
    const int beeps = b.window.beeps;
    const int64_t start = b.port.Now();
    b.Select(b.Model().idxSweepItem());
    b.Key(keys::kReturn);
    b.RunUntil([&] { return b.window.beeps > beeps; }, 600000);
    virtualMs = static_cast<double>(b.port.Now() - start);
    answered = instruments.AllAnswered(b) ? 1 : 0;
    int64_t bytes = 0;
    measurements = 0;
    const auto& log = b.radio.frameLog();
    for (size_t i = mark; i < log.size(); ++i) {
      bytes += static_cast<int64_t>(log[i].bytes.size());
      const bool sdRequest = log[i].direction == sim::FrameLogEntry::Direction::Rx && log[i].bytes.size() == 13 &&
                             log[i].bytes[4] == 0xE8 && log[i].bytes[9] == 0x98;
      if (sdRequest) ++measurements;
    }
    wireMs = static_cast<double>(bytes) * 1000.0 / 960.0;
    ratio = virtualMs / wireMs;
  }
  state.counters["virtual_ms"] = virtualMs;
  state.counters["wire_ms"] = wireMs;
  state.counters["ratio"] = ratio;
  state.counters["measurements"] = measurements;
  state.counters["instruments_answered"] = answered;
}
BENCHMARK(BM_BpfAllSweep)->ArgName("instruments")->Arg(0)->Arg(1)->Iterations(1)->Unit(benchmark::kMillisecond);

// CPU time of one heartbeat tick while the console is live and idle.
void BM_IdleTick(benchmark::State& state) {
  test::Bench b;
  b.Start();
  b.ConnectAndSettle();
  for (auto _ : state) {
    b.clock.Advance(50);
    b.app->Tick();
  }
}
BENCHMARK(BM_IdleTick);

// Wall time of one rewrite of a kept service record (report text and a
// durable replace, sync included), which runs inside a heartbeat tick.
void BM_KeptReportWrite(benchmark::State& state) {
  test::TempDir dir;
  const ServiceRecord record({2026, 12, 10, 14, 32, 0}, {1, "/dev/ttyUSB0", "2320", "0001", false}, ByteStr(4096, 0));
  const auto path = dir.path() / "KQ-R4T 2026-12-10 1432.txt";
  for (auto _ : state) {
    if (!DurableFile::Replace(path, record.Report({2026, 12, 10, 14, 40, 0}, "bench"))) state.SkipWithError("write");
  }
}
BENCHMARK(BM_KeptReportWrite)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace pw
