// kqr4t-sim: a simulated KQ-R4T on a pseudo-terminal, for running the service
// program without a radio on the bench.
#include "sim/Fault.h"
#include "sim/LogQueue.h"
#include "sim/PtyLink.h"
#include "sim/Radio.h"
#include "sim/TcpTestSet.h"

#include <charconv>
#include <cmath>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

namespace {

constexpr const char* kUsage = R"(usage: kqr4t-sim [options]

Serves a simulated KQ-R4T radio on a pseudo-terminal. The first line on
stdout is the device to open as the serial port. Runs until SIGINT/SIGTERM,
which end it within a second whatever it is doing.

  --link PATH         also make a symlink PATH to the device
  --fault FAULT       inject a fault (repeatable), FAULT = KIND[@TRIGGER][,once]
                        KIND: no-echo | no-answer | stall-after:N | wrong-model |
                              wrong-sub-name | bad-checksum | noise |
                              atis-never-confirmed | malformed-value |
                              wrong-sub-command | bad-e5
                        TRIGGER (default always): always | frame:N (N-th frame
                              received, from 0) | sub:X (E8 sub-command X) |
                              clone-frame:K (K-th E4 frame, from 0) | e5
                        e.g. no-echo@frame:3  malformed-value@sub:0x94
                             stall-after:40  bad-checksum@clone-frame:7,once
  --japan             Japan version (region byte 4; ATIS modes 1, 2, 4 refused)
  --japan-accepts-tones  with --japan, accept every ATIS mode
  --model HEX         model name reported and expected (default 2320)
  --sub-name HEX      sub name reported and expected (default 0001)
  --no-pacing         no 9600-baud timing: echo and answers at once
  --turnaround MS     pause between a request and its answer, 0 to 60000
                      (default 2)
  --temperature C     radio temperature (default 25)
  --signal DBUV       test signal level in dBuV (default 10)
  --supply V          supply voltage (default 7.4)
  --seed N            seed of the noise fault's garbage, 0 to 4294967295
                      (default 1)
  --instruments PORT  also serve a simulated radio test set (signal generator,
                      counter, power and modulation meters, PTT switch) as
                      raw SCPI on 127.0.0.1:PORT, coupled to the radio; 0 for
                      any free port. The second line on stdout is then its
                      address, tcp:127.0.0.1:PORT. The radio's own transmitter
                      offsets follow --seed.
  --log FILE          write the frame log, one "RX|TX FE FE ... FD" line per
                      frame, to FILE instead of standard error (the default);
                      "-" for no log. Lines the reader does not take in time
                      are dropped, never waited for, and a "# N log lines
                      dropped" line says so.
  --help              this text
)";

struct Args {
  sim::RadioOptions options;
  std::vector<sim::Fault> faults;
  std::string linkPath;
  std::string logPath;
  int instrumentsPort = -1;  // none
};

// Longer than any wait of the program: an answer this late is no answer.
constexpr int64_t kMaxTurnaroundMs = 60000;

[[noreturn]] void usageError(const std::string& message) {
  std::fprintf(stderr, "kqr4t-sim: %s\n(see --help)\n", message.c_str());
  std::exit(2);
}

// A finite number. "nan" and "inf" read as numbers too, but no setting of the
// radio can be one.
double number(const std::string& option, const std::string& text) {
  double value = 0;
  const char* end = text.data() + text.size();
  const auto result = std::from_chars(text.data(), end, value);
  if (result.ec == std::errc() && result.ptr == end && std::isfinite(value)) return value;
  usageError(option + " needs a number, not '" + text + "'");
}

// A whole number from min to max. A value outside the option's type is
// refused here rather than cast into it, where it would mean something else.
int64_t wholeNumber(const std::string& option, const std::string& text, int64_t min, int64_t max) {
  int64_t value = 0;
  const char* end = text.data() + text.size();
  const auto result = std::from_chars(text.data(), end, value);
  if (result.ec == std::errc() && result.ptr == end && value >= min && value <= max) return value;
  usageError(option + " needs a whole number from " + std::to_string(min) + " to " + std::to_string(max) + ", not '" +
             text + "'");
}

uint16_t hexWord(const std::string& option, const std::string& text) {
  try {
    size_t used = 0;
    const unsigned long value = std::stoul(text, &used, 16);
    if (used == text.size() && value <= 0xFFFF) return static_cast<uint16_t>(value);
  } catch (const std::exception&) {
  }
  usageError(option + " needs up to four hex digits, not '" + text + "'");
}

Args parseArgs(int argc, char** argv) {
  Args args;
  for (int i = 1; i < argc; ++i) {
    const std::string opt = argv[i];
    const auto value = [&]() -> std::string {
      if (i + 1 >= argc) usageError(opt + " needs a value");
      return argv[++i];
    };
    if (opt == "--help") {
      std::fputs(kUsage, stdout);
      std::exit(0);
    } else if (opt == "--link") {
      args.linkPath = value();
    } else if (opt == "--fault") {
      std::string error;
      const auto fault = sim::parseFault(value(), &error);
      if (!fault) usageError(error);
      args.faults.push_back(*fault);
    } else if (opt == "--japan") {
      args.options.japan = true;
    } else if (opt == "--japan-accepts-tones") {
      args.options.japanRefusesToneModes = false;
    } else if (opt == "--model") {
      args.options.model = hexWord(opt, value());
    } else if (opt == "--sub-name") {
      args.options.subName = hexWord(opt, value());
    } else if (opt == "--no-pacing") {
      args.options.pacing = false;
    } else if (opt == "--turnaround") {
      args.options.turnaroundMs = static_cast<int>(wholeNumber(opt, value(), 0, kMaxTurnaroundMs));
    } else if (opt == "--temperature") {
      args.options.temperatureC = number(opt, value());
    } else if (opt == "--signal") {
      args.options.signalDbuV = number(opt, value());
    } else if (opt == "--supply") {
      args.options.supplyVolts = number(opt, value());
    } else if (opt == "--seed") {
      args.options.noiseSeed = static_cast<uint32_t>(wholeNumber(opt, value(), 0, UINT32_MAX));
    } else if (opt == "--instruments") {
      const std::string text = value();
      const double port = number(opt, text);
      if (port < 0 || port > 65535 || port != static_cast<int>(port)) {
        usageError(opt + " needs a port number from 0 to 65535, not '" + text + "'");
      }
      args.instrumentsPort = static_cast<int>(port);
    } else if (opt == "--log") {
      args.logPath = value();
    } else {
      usageError("unknown option '" + opt + "'");
    }
  }
  return args;
}

FILE* openLog(const std::string& path) {
  if (path.empty()) return stderr;
  if (path == "-") return nullptr;
  FILE* file = std::fopen(path.c_str(), "w");
  if (!file) usageError("cannot write log file '" + path + "'");
  return file;
}

}  // namespace

int main(int argc, char** argv) {
  const Args args = parseArgs(argc, argv);
  FILE* log = openLog(args.logPath);

  // Block the stop signals before the line thread exists so that only
  // sigwait below receives them.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGINT);
  sigaddset(&stopSignals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

  // A log reader that has gone away must not end the simulator.
  std::signal(SIGPIPE, SIG_IGN);

  // The radio's line thread only queues log lines: writing them could block
  // on a slow reader while the radio's lock is held.
  sim::LogQueue logQueue;
  if (log) logQueue.start(fileno(log));

  sim::PtyLink link(args.options);
  link.withRadio([&](sim::Radio& radio) {
    for (const auto& fault : args.faults) radio.addFault(fault);
    if (log) {
      radio.setFrameHook([&logQueue](const sim::FrameLogEntry& entry) { logQueue.push(sim::formatFrame(entry)); });
    }
  });

  std::string error;
  if (!link.start(args.linkPath, &error)) {
    std::fprintf(stderr, "kqr4t-sim: %s\n", error.c_str());
    return 1;
  }
  std::printf("%s\n", link.slavePath().c_str());

  sim::TestSetOptions testSetOptions;
  testSetOptions.seed = args.options.noiseSeed;
  sim::TcpTestSet testSet(link, testSetOptions);
  if (args.instrumentsPort >= 0) {
    if (!testSet.start(args.instrumentsPort, &error)) {
      std::fprintf(stderr, "kqr4t-sim: %s\n", error.c_str());
      return 1;
    }
    std::printf("tcp:127.0.0.1:%d\n", testSet.port());
  }
  std::fflush(stdout);

  int signal = 0;
  sigwait(&stopSignals, &signal);
  testSet.stop();
  link.stop();
  logQueue.stop();
  if (log && log != stderr) std::fclose(log);
  return 0;
}
