// The frame log between the radio and its reader. The radio hands each line
// over without ever waiting: the queue is bounded, and when the reader falls
// behind (a pipe nobody empties) new lines are dropped and counted instead of
// holding the radio up. A writer thread takes the lines out and writes them
// to a file descriptor, waiting for it at most a tenth of a second at a time
// so that stop() always returns promptly, even with the reader gone.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <thread>

namespace sim {

class LogQueue {
 public:
  explicit LogQueue(std::size_t capacity = 4096) : capacity_(capacity) {}
  ~LogQueue() { stop(); }
  LogQueue(const LogQueue&) = delete;
  LogQueue& operator=(const LogQueue&) = delete;

  // Queues one line (without its line end). Never blocks on the reader.
  // When lines were dropped since the last accepted one, a line saying how
  // many goes in first.
  void push(std::string line);

  // Starts writing queued lines to fd (not owned).
  void start(int fd);
  // Writes what the reader takes within about waitMs, then stops the
  // writer. Lines still queued after that are counted as dropped.
  void stop(int waitMs = 300);

  uint64_t dropped() const;
  // For tests and the writer: takes the next line, false when none.
  bool pop(std::string& line);

 private:
  void run();
  bool writeAll(const std::string& text);

  const std::size_t capacity_;
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<std::string> lines_;
  uint64_t dropped_ = 0;
  uint64_t droppedUnreported_ = 0;
  bool writing_ = false;  // the writer holds a line it has not written yet
  bool stopping_ = false;
  int fd_ = -1;
  std::thread writer_;
};

}  // namespace sim
