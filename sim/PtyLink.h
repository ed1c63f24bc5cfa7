// Puts a simulated radio behind a pseudo-terminal, so that a program can open
// the slave device as if it were the serial port with the cloning cable.
#pragma once

#include "sim/Radio.h"
#include "sim/WakePipe.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace sim {

class PtyLink {
 public:
  explicit PtyLink(const RadioOptions& options = {});
  ~PtyLink();
  PtyLink(const PtyLink&) = delete;
  PtyLink& operator=(const PtyLink&) = delete;

  // Opens the pseudo-terminal (slave in raw mode) and starts serving it on a
  // background thread. With a linkPath, a symlink to the slave is made there
  // (an existing symlink is replaced). The master stays open until stop(),
  // so the slave path stays valid while the program closes and reopens it.
  bool start(const std::string& linkPath = {}, std::string* error = nullptr);
  // Stops the thread, closes the pseudo-terminal, removes the symlink.
  void stop();
  bool running() const { return thread_.joinable(); }

  const std::string& slavePath() const { return slavePath_; }

  // Runs fn on the radio with the line thread held off (bench settings,
  // faults, memory, log). fn must not call back into this link.
  void withRadio(const std::function<void(Radio&)>& fn);

 private:
  void run();
  void waitForEvent(int timeoutMs);
  bool openPty(std::string* error);
  void closeAll();
  int pollTimeoutMs();
  void readFromProgram();
  void transmit();
  int64_t nowMs() const;

  Radio radio_;
  std::mutex mutex_;  // guards radio_
  std::thread thread_;
  std::atomic<bool> stopping_{false};
  int master_ = -1;
  WakePipe wakePipe_;
  bool hungUp_ = false;           // no program has the slave open
  std::vector<uint8_t> pending_;  // radio output the pty has not taken yet
  std::string slavePath_;
  std::string linkPath_;
  std::chrono::steady_clock::time_point epoch_;
};

}  // namespace sim
