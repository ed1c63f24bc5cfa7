// kqr4t-sim as a process: a log reader that stops reading must not hold the
// radio up, SIGTERM and SIGINT end it within a second, --instruments puts a
// radio test set for the same radio on a loopback port, and an option value
// it cannot take ends it before it starts.
#include "OpenPort.h"
#include "Wire.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <spawn.h>
#include <string>
#include <sys/socket.h>
#include <sys/wait.h>
#include <vector>
#include <termios.h>
#include <unistd.h>
#include <vector>

extern char** environ;

using wire::Bytes;
using Clock = std::chrono::steady_clock;

namespace {

int msLeft(Clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return left > 0 ? static_cast<int>(left) : 0;
}

// Starts the simulator without pacing, with these options, its standard
// output into the pipe out and its standard error into err; closes the
// child's ends here. -1 when it could not be started.
pid_t spawnSimulator(const std::vector<std::string>& options, const int out[2], const int err[2]) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], 1);
  posix_spawn_file_actions_adddup2(&actions, err[1], 2);
  posix_spawn_file_actions_addclose(&actions, out[0]);
  posix_spawn_file_actions_addclose(&actions, err[0]);
  std::vector<std::string> args{KQR4T_SIM_PATH, "--no-pacing"};
  args.insert(args.end(), options.begin(), options.end());
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t pid = -1;
  if (posix_spawn(&pid, KQR4T_SIM_PATH, &actions, nullptr, argv.data(), environ) != 0) pid = -1;
  posix_spawn_file_actions_destroy(&actions);
  ::close(out[1]);
  ::close(err[1]);
  return pid;
}

// The simulator with its frame log on standard error, into a small pipe that
// this test never reads.
class Simulator {
 public:
  explicit Simulator(std::vector<std::string> options = {}) {
    int out[2];
    if (::pipe(out) != 0 || ::pipe(log_) != 0) return;
    ::fcntl(log_[1], F_SETPIPE_SZ, 4096);
    pid_ = spawnSimulator(options, out, log_);
    out_ = out[0];
    device_ = nextLine();
  }
  ~Simulator() {
    if (pid_ > 0) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
    ::close(log_[0]);
    ::close(out_);
  }
  const std::string& device() const { return device_; }
  // The next line on its standard output.
  std::string nextLine() { return firstLine(out_); }

  // Sends the signal; true when the process ended within budgetMs.
  bool endsWithin(int signal, int budgetMs) {
    ::kill(pid_, signal);
    const auto deadline = Clock::now() + std::chrono::milliseconds(budgetMs);
    do {
      int status = 0;
      if (::waitpid(pid_, &status, WNOHANG) == pid_) {
        pid_ = -1;
        return true;
      }
      ::poll(nullptr, 0, 10);  // the child's end cannot be polled: look again shortly
    } while (msLeft(deadline) > 0);
    return false;
  }

 private:
  static std::string firstLine(int fd) {
    std::string line;
    const auto deadline = Clock::now() + std::chrono::seconds(10);
    char c = 0;
    while (msLeft(deadline) > 0) {
      pollfd p{fd, POLLIN, 0};
      if (::poll(&p, 1, msLeft(deadline)) <= 0) continue;
      if (::read(fd, &c, 1) != 1 || c == '\n') break;
      line += c;
    }
    return line;
  }

  pid_t pid_ = -1;
  int log_[2] = {-1, -1};
  int out_ = -1;
  std::string device_;
};

// One identification: true when the echo and the answer came within a second.
bool identify(int fd) {
  const Bytes request = wire::frameToRadio(wire::kIdentify);
  if (::write(fd, request.data(), request.size()) != static_cast<ssize_t>(request.size())) return false;
  const std::size_t want = request.size() + 10;
  std::size_t got = 0;
  const auto deadline = Clock::now() + std::chrono::seconds(1);
  while (got < want && msLeft(deadline) > 0) {
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, msLeft(deadline)) <= 0) continue;
    uint8_t buf[64];
    const ssize_t n = ::read(fd, buf, sizeof buf);
    if (n > 0) got += static_cast<std::size_t>(n);
  }
  return got == want;
}

TEST(SimProcess, AStalledLogReaderNeverHoldsTheRadioUpAndAStopSignalEndsIt) {
  for (const int signal : {SIGTERM, SIGINT}) {
    Simulator sim;
    ASSERT_FALSE(sim.device().empty());
    const int fd = openPort(sim.device());
    ASSERT_GE(fd, 0);
    // About 70 bytes of log per exchange: the 4 KiB pipe is full after
    // some sixty, long before the last one.
    for (int i = 0; i < 300; ++i) ASSERT_TRUE(identify(fd)) << "exchange " << i;
    EXPECT_TRUE(sim.endsWithin(signal, 1000)) << strsignal(signal);
    ::close(fd);
  }
}

// How a run of the simulator ended: with a usage error before it served a
// device, or serving one (then it is stopped with SIGTERM).
struct SimRun {
  bool served = false;
  int exitCode = -1;
  std::string errors;  // standard error
};

SimRun runSimulator(const std::vector<std::string>& options) {
  SimRun run;
  int out[2];
  int err[2];
  if (::pipe(out) != 0 || ::pipe(err) != 0) return run;
  std::vector<std::string> withoutLog{"--log", "-"};
  withoutLog.insert(withoutLog.end(), options.begin(), options.end());
  const pid_t pid = spawnSimulator(withoutLog, out, err);

  // Until both pipes are closed (the process ended) or a device line came.
  std::string printed;
  pollfd fds[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
  const auto deadline = Clock::now() + std::chrono::seconds(10);
  int openPipes = pid > 0 ? 2 : 0;
  while (openPipes > 0 && printed.find('\n') == std::string::npos && msLeft(deadline) > 0) {
    if (::poll(fds, 2, msLeft(deadline)) <= 0) continue;
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd < 0 || fds[i].revents == 0) continue;
      char buf[256];
      const ssize_t n = ::read(fds[i].fd, buf, sizeof buf);
      if (n <= 0) {
        fds[i].fd = -1;
        --openPipes;
      } else {
        (i == 0 ? printed : run.errors).append(buf, static_cast<size_t>(n));
      }
    }
  }
  run.served = printed.find('\n') != std::string::npos;
  if (pid > 0) {
    if (openPipes > 0) ::kill(pid, SIGTERM);
    int status = 0;
    if (::waitpid(pid, &status, 0) == pid && WIFEXITED(status)) run.exitCode = WEXITSTATUS(status);
  }
  ::close(out[0]);
  ::close(err[0]);
  return run;
}

TEST(SimProcess, AnOptionValueOutOfRangeOrNotANumberIsAUsageError) {
  const struct {
    std::vector<std::string> options;
    bool accepted;
  } cases[] = {
      {{"--seed", "0", "--turnaround", "0"}, true},
      {{"--seed", "4294967295", "--turnaround", "60000"}, true},
      {{"--temperature", "-10.5", "--signal", "1e1", "--supply", "7"}, true},
      {{"--seed", "-1"}, false},
      {{"--seed", "4294967296"}, false},
      {{"--seed", "1.5"}, false},
      {{"--seed", ""}, false},
      {{"--turnaround", "1e12"}, false},
      {{"--turnaround", "nan"}, false},
      {{"--turnaround", "-1"}, false},
      {{"--turnaround", "60001"}, false},
      {{"--turnaround", "2ms"}, false},
      {{"--temperature", "nan"}, false},
      {{"--signal", "inf"}, false},
      {{"--supply", "1e999"}, false},
  };
  for (const auto& c : cases) {
    const std::string option = c.options[c.options.size() - 2];
    SCOPED_TRACE(option + " '" + c.options.back() + "'");
    const SimRun run = runSimulator(c.options);
    if (c.accepted) {
      EXPECT_TRUE(run.served);
      EXPECT_EQ(run.exitCode, 0);
    } else {
      EXPECT_FALSE(run.served);
      EXPECT_EQ(run.exitCode, 2);
      EXPECT_EQ(run.errors.rfind("kqr4t-sim: " + option + " needs ", 0), 0u) << run.errors;
    }
  }
}

// One SCPI line to a raw socket and its answer line, or "" after a second.
std::string askSocket(int fd, const std::string& line) {
  const std::string bytes = line + "\n";
  if (::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(bytes.size())) return {};
  std::string got;
  const auto deadline = Clock::now() + std::chrono::seconds(1);
  while ((got.empty() || got.back() != '\n') && msLeft(deadline) > 0) {
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, msLeft(deadline)) <= 0) continue;
    char buf[128];
    const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
    if (n <= 0) break;
    got.append(buf, static_cast<size_t>(n));
  }
  return got;
}

// The radio's TXDET reading over the cable: the echo, then the answer, whose
// value digits are the two bytes before its end.
int txdet(int fd) {
  const Bytes request = wire::frameToRadio(wire::e8(0x96, 0));
  if (::write(fd, request.data(), request.size()) != static_cast<ssize_t>(request.size())) return -1;
  Bytes got;
  const auto deadline = Clock::now() + std::chrono::seconds(1);
  while (got.size() < request.size() + 13 && msLeft(deadline) > 0) {
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, msLeft(deadline)) <= 0) continue;
    uint8_t buf[64];
    const ssize_t n = ::read(fd, buf, sizeof buf);
    if (n > 0) got.insert(got.end(), buf, buf + n);
  }
  const auto answers = wire::answers(got);
  if (answers.size() != 1 || answers[0].size() != 10) return -1;
  return *wire::hexNibble(answers[0][8]) * 16 + *wire::hexNibble(answers[0][9]);
}

TEST(SimProcess, InstrumentsServeARadioTestSetThatKeysTheSameRadio) {
  Simulator sim({"--instruments", "0", "--log", "-"});
  ASSERT_FALSE(sim.device().empty());
  const std::string address = sim.nextLine();
  ASSERT_EQ(address.rfind("tcp:127.0.0.1:", 0), 0u) << address;
  const int port = std::stoi(address.substr(address.rfind(':') + 1));

  const int socketFd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in server{};
  server.sin_family = AF_INET;
  server.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  server.sin_port = htons(static_cast<uint16_t>(port));
  ASSERT_EQ(::connect(socketFd, reinterpret_cast<sockaddr*>(&server), sizeof server), 0);
  const int radioFd = openPort(sim.device());
  ASSERT_GE(radioFd, 0);

  EXPECT_NE(askSocket(socketFd, "*IDN?").find("Radio Test Set"), std::string::npos);
  EXPECT_EQ(txdet(radioFd), 0);
  EXPECT_EQ(askSocket(socketFd, "PTT ON;*OPC?"), "1\n");
  EXPECT_GT(txdet(radioFd), 0);
  EXPECT_EQ(askSocket(socketFd, "MEAS:FREQ?").rfind("+1.56", 0), 0u);  // channel 16, near 156.8 MHz

  ::close(radioFd);
  ::close(socketFd);
  EXPECT_TRUE(sim.endsWithin(SIGTERM, 1000));
}

TEST(SimProcess, AnInstrumentsPortOutOfRangeIsAUsageError) {
  for (const char* port : {"-1", "65536", "80.5", "x"}) {
    Simulator sim({"--instruments", port});
    EXPECT_TRUE(sim.device().empty()) << port;
  }
}

}  // namespace
