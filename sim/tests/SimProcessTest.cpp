// kqr4t-sim as a process: a log reader that stops reading must not hold the
// radio up, and SIGTERM and SIGINT end it within a second.
#include "OpenPort.h"
#include "Wire.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

extern char** environ;

using wire::Bytes;
using Clock = std::chrono::steady_clock;

namespace {

int msLeft(Clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return left > 0 ? static_cast<int>(left) : 0;
}

// The simulator with its frame log on standard error, into a small pipe that
// this test never reads.
class Simulator {
 public:
  Simulator() {
    int out[2];
    if (::pipe(out) != 0 || ::pipe(log_) != 0) return;
    ::fcntl(log_[1], F_SETPIPE_SZ, 4096);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_adddup2(&actions, log_[1], 2);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    posix_spawn_file_actions_addclose(&actions, log_[0]);
    char* argv[] = {const_cast<char*>(KQR4T_SIM_PATH), const_cast<char*>("--no-pacing"), nullptr};
    if (posix_spawn(&pid_, KQR4T_SIM_PATH, &actions, nullptr, argv, environ) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    ::close(log_[1]);
    device_ = firstLine(out[0]);
    ::close(out[0]);
  }
  ~Simulator() {
    if (pid_ > 0) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
    ::close(log_[0]);
  }
  const std::string& device() const { return device_; }

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

}  // namespace
