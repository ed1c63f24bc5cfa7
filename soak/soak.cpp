// An hour (by default) of a technician at the bench, on virtual time against
// the simulated radio: random keys on random lines, Reload, the parameter
// dump, procedures started and interrupted, the test signal and the
// temperature changing, now and then a new Connect or another port release
// time. After every step that leaves the program idle with nothing pending,
// the image must equal the radio's memory (every value the program sent has
// reached the radio, and nothing else changed); no message may ever appear;
// and the resident memory must stay flat from one ten-minute stretch to the
// next.
//
//   pwr4tadj_soak [--minutes N] [--seed S] [--rss-growth-kib K] [--trace 1]
//
// --trace 1 prints every action with its virtual time, to replay a failure.
//
// Exit status 0 when everything held, 1 otherwise.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "shell/frmMain.h"
#include "support/Bench.h"

namespace {

using pw::test::Bench;

long ResidentKiB() {
  std::ifstream statm("/proc/self/statm");
  long size = 0, resident = 0;
  statm >> size >> resident;
  return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

struct Options {
  int minutes = 60;
  unsigned seed = 1;
  long rssGrowthKiB = 2048;
  bool trace = false;
};

Options Parse(int argc, char** argv) {
  Options o;
  for (int i = 1; i + 1 < argc; i += 2) {
    if (!std::strcmp(argv[i], "--minutes"))
      o.minutes = std::atoi(argv[i + 1]);
    else if (!std::strcmp(argv[i], "--seed"))
      o.seed = static_cast<unsigned>(std::strtoul(argv[i + 1], nullptr, 10));
    else if (!std::strcmp(argv[i], "--rss-growth-kib"))
      o.rssGrowthKiB = std::atol(argv[i + 1]);
    else if (!std::strcmp(argv[i], "--trace"))
      o.trace = std::atoi(argv[i + 1]) != 0;
    else {
      std::fprintf(stderr, "usage: %s [--minutes N] [--seed S] [--rss-growth-kib K] [--trace 1]\n", argv[0]);
      std::exit(2);
    }
  }
  return o;
}

class Soak {
 public:
  explicit Soak(const Options& o) : options_(o), rng_(o.seed) {}

  int Run() {
    if (!b_.Start() || !b_.ConnectAndSettle()) {
      std::printf("soak: the first Connect failed\n");
      return 1;
    }
    const int64_t endMs = static_cast<int64_t>(options_.minutes) * 60 * 1000;
    int64_t nextStretch = kStretchMs;
    long baseline = -1;
    long highest = 0;
    std::vector<long> rss;
    while (now_ < endMs && failures_ == 0) {
      Step();
      if (now_ >= nextStretch) {
        // The test's own records of the cable grow with the traffic; they
        // are not the program's memory.
        b_.radio.clearFrameLog();
        b_.port.written.clear();
        b_.port.written.shrink_to_fit();
        const long kib = ResidentKiB();
        rss.push_back(kib);
        if (baseline < 0) baseline = kib;  // the first stretch warms everything up
        highest = std::max(highest, kib);
        nextStretch += kStretchMs;
      }
    }
    const long growth = rss.empty() ? 0 : highest - baseline;
    if (growth > options_.rssGrowthKiB) {
      std::printf("soak: resident memory grew by %ld KiB (limit %ld)\n", growth, options_.rssGrowthKiB);
      ++failures_;
    }

    std::printf("soak: %lld virtual minutes, seed %u, %d steps, %d idle checks of image against radio\n",
                static_cast<long long>(now_ / 60000), options_.seed, steps_, checks_);
    std::printf("soak: actions:");
    for (const auto& [name, n] : actions_) std::printf(" %s %d,", name.c_str(), n);
    std::printf("\nsoak: procedures started %d, finished with a beep %d; messages %zu\n", procedures_, b_.window.beeps,
                b_.window.messages.size());
    std::printf("soak: resident KiB at each 10 minutes:");
    for (long kib : rss) std::printf(" %ld", kib);
    std::printf(" (growth after the first stretch %ld KiB)\n", growth);
    std::printf("soak: %s\n", failures_ == 0 ? "PASSED" : "FAILED");
    return failures_ == 0 ? 0 : 1;
  }

 private:
  static constexpr int64_t kStretchMs = 10 * 60 * 1000;
  static constexpr int16_t kLines = 15;

  int Pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng_); }
  void Wait(int lo, int hi) {
    const int ms = lo + Pick(hi - lo + 1);
    b_.Run(ms);
    now_ += ms;
  }
  void Count(const char* action) {
    ++actions_[action];
    if (options_.trace) {
      std::printf("%8lld ms  %-20s line %2d  opState %2d  procStep %2d\n", static_cast<long long>(now_), action,
                  b_.window.console.selected, Model().opState(), Model().procStep());
    }
  }
  pw::clsIndOp_RigR4T& Model() { return b_.Model(); }
  void Key(int code, bool shift = false) { b_.Key(code, shift); }

  void Step() {
    ++steps_;
    const int16_t line = static_cast<int16_t>(b_.window.console.selected < 0 ? 0 : b_.window.console.selected);
    switch (Pick(20)) {
      case 0:
      case 1:
      case 2:
      case 3:
        Count("select");
        b_.Select(Pick(kLines));
        break;
      case 4:
        Count("up/down");
        b_.Select(std::clamp<int>(line + (Pick(2) ? 1 : -1), 0, kLines - 1));
        break;
      case 5:
      case 6:
      case 7:
      case 8:
      case 9:
        Count("left/right");
        Key(Pick(2) ? pw::keys::kLeft : pw::keys::kRight, Pick(3) == 0);
        break;
      case 10:
      case 11:
        Count("enter");
        Key(Pick(4) ? pw::keys::kReturn : pw::keys::kSeparator);
        if (IsProcedureLine(line)) ++procedures_;
        break;
      case 12:
        Count("F5");
        Key(pw::keys::kF5);
        break;
      case 13:
        Count("disp para");
        b_.app->main.cmd00_Click(2);
        Wait(50, 1500);
        b_.app->main.cmd00_Click(2);
        break;
      case 14: {
        Count("procedure+interrupt");
        const int16_t procLines[] = {Model().idxTxf(),   Model().idxSweepItem(),
                                     Model().idxBpfT1(), static_cast<int16_t>(Model().idxBpfT1() + 2),
                                     Model().idxSql(),   Model().idxAtis()};
        b_.Select(procLines[Pick(6)]);
        Key(pw::keys::kReturn);
        ++procedures_;
        Wait(100, 4000);
        // Interrupted by a button, by another procedure, or left running.
        switch (Pick(3)) {
          case 0:
            b_.app->main.cmd00_Click(1);
            break;
          case 1:
            b_.Select(procLines[Pick(6)]);
            Key(pw::keys::kReturn);
            ++procedures_;
            break;
          default:
            break;
        }
        break;
      }
      case 15:
        Count("signal");
        b_.radio.setTestSignal(-10.0 + Pick(60));
        break;
      case 16:
        Count("temperature");
        b_.radio.setTemperatureC(-20.0 + Pick(70));
        break;
      case 17:
        // Connect again, but not while a clone read is still coming in: the
        // radio goes on sending it, the new identification collides with it
        // on the shared line, and its echo never comes back whole.
        if (Pick(10) == 0 && Model().RigR4TProp_EditEnabled()) {
          Count("connect");
          b_.Connect();
        } else if (Pick(5) == 0) {
          Count("auto release");
          b_.app->main.mnuOptionSelAutoRelease_Click(static_cast<int16_t>(Pick(6)));
        }
        break;
      default:
        Count("wait");
        Wait(1000, 8000);
        break;
    }
    Wait(20, 1500);
    Check();
  }

  bool IsProcedureLine(int16_t line) {
    return line == Model().idxTxf() || line == Model().idxSql() || line == Model().idxAtis() ||
           (line >= Model().idxSweepItem() && line <= Model().idxBpfT1() + 3);
  }

  void Check() {
    if (!b_.window.messages.empty()) {
      std::printf("soak: message after %lld ms: %s\n", static_cast<long long>(now_), b_.window.messages[0].c_str());
      ++failures_;
      return;
    }
    // A new Connect reads the radio again; it is checked once it is live.
    if (!Model().RigR4TProp_EditEnabled() && !Model().RigR4TProp_DispPara()) return;
    if (b_.app->myObjNbx3Seq.OpRunning() || !b_.AllSent() || Model().waitE8() > 0) return;
    ++checks_;
    const pw::ByteStr image = b_.Image().ReadBlock(0, 4096);
    for (int a = 0; a < 4096; ++a) {
      if (image[static_cast<size_t>(a)] != b_.radio.peek(a)) {
        std::printf("soak: after %lld ms (step %d) image 0x%03X = %d but the radio holds %d\n",
                    static_cast<long long>(now_), steps_, a, image[static_cast<size_t>(a)], b_.radio.peek(a));
        ++failures_;
      }
    }
  }

  Options options_;
  std::mt19937 rng_;
  Bench b_;
  int64_t now_ = 0;
  int steps_ = 0;
  int checks_ = 0;
  int procedures_ = 0;
  int failures_ = 0;
  std::map<std::string, int> actions_;
};

}  // namespace

int main(int argc, char** argv) {
  const Options options = Parse(argc, argv);
  Soak soak(options);
  return soak.Run();
}
