// Serves the simulated radio test set on a loopback TCP port, as raw SCPI,
// coupled to the radio behind a pseudo-terminal. One client at a time: a new
// connection takes the place of the open one, unless the test set is told to
// turn it away (then it is reset at once). The socket is served on a
// background thread that never blocks on a client; the radio is reached under
// the link's lock.
#pragma once

#include "sim/PtyLink.h"
#include "sim/TestSet.h"
#include "sim/WakePipe.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

namespace sim {

class TcpTestSet {
 public:
  explicit TcpTestSet(PtyLink& link, const TestSetOptions& options = {});
  ~TcpTestSet();
  TcpTestSet(const TcpTestSet&) = delete;
  TcpTestSet& operator=(const TcpTestSet&) = delete;

  // Listens on 127.0.0.1:port (0: a free port, see port()) and starts serving.
  bool start(int port, std::string* error = nullptr);
  void stop();
  int port() const { return port_; }

  // Runs fn on the test set with the serving thread held off (faults,
  // checks). fn must not call back into this object.
  void withTestSet(const std::function<void(TestSet&)>& fn);

 private:
  void run();
  int pollTimeoutMs();
  void acceptClients();
  void readFromClient();
  void transmit();
  void closeClient();
  int64_t nowMs() const;

  PtyLink& link_;
  TestSet testSet_;
  std::mutex mutex_;  // guards testSet_
  std::thread thread_;
  std::atomic<bool> stopping_{false};
  int listen_ = -1;
  int client_ = -1;
  WakePipe wakePipe_;
  int port_ = 0;
  std::string pending_;  // answer bytes the socket has not taken yet
  std::chrono::steady_clock::time_point epoch_;
};

}  // namespace sim
