#include "sim/LogQueue.h"

#include <cerrno>
#include <chrono>
#include <poll.h>
#include <unistd.h>

namespace sim {

namespace {

// How long the writer waits for the reader before it looks at stop again.
constexpr int kWaitSliceMs = 100;

}  // namespace

void LogQueue::push(std::string line) {
  {
    std::lock_guard lock(mutex_);
    // The note about dropped lines needs a place of its own.
    const std::size_t needed = droppedUnreported_ > 0 ? 2 : 1;
    if (lines_.size() + needed > capacity_) {
      ++dropped_;
      ++droppedUnreported_;
      return;
    }
    if (droppedUnreported_ > 0) {
      lines_.push_back("# " + std::to_string(droppedUnreported_) + " log lines dropped: the log's reader was too slow");
      droppedUnreported_ = 0;
    }
    lines_.push_back(std::move(line));
  }
  changed_.notify_all();  // the writer, or stop() waiting for the queue
}

bool LogQueue::pop(std::string& line) {
  std::lock_guard lock(mutex_);
  if (lines_.empty()) return false;
  line = std::move(lines_.front());
  lines_.pop_front();
  return true;
}

uint64_t LogQueue::dropped() const {
  std::lock_guard lock(mutex_);
  return dropped_;
}

void LogQueue::start(int fd) {
  if (writer_.joinable()) return;
  fd_ = fd;
  stopping_ = false;
  writer_ = std::thread([this] { run(); });
}

void LogQueue::stop(int waitMs) {
  if (!writer_.joinable()) return;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
  {
    std::unique_lock lock(mutex_);
    changed_.wait_until(lock, deadline, [&] { return lines_.empty() && !writing_; });
    stopping_ = true;
  }
  changed_.notify_all();
  writer_.join();
  std::lock_guard lock(mutex_);
  dropped_ += lines_.size();
  lines_.clear();
}

void LogQueue::run() {
  std::string line;
  for (;;) {
    {
      std::unique_lock lock(mutex_);
      changed_.wait(lock, [&] { return stopping_ || !lines_.empty(); });
      if (stopping_) return;
      line = std::move(lines_.front());
      lines_.pop_front();
      writing_ = true;
    }
    line += '\n';
    const bool written = writeAll(line);
    {
      std::lock_guard lock(mutex_);
      writing_ = false;
      if (!written) ++dropped_;
    }
    changed_.notify_all();  // stop() may be waiting for the last line to be out
  }
}

// Writes only when the descriptor can take data, so a reader that stopped
// reading holds the writer for one slice at a time, never for good.
bool LogQueue::writeAll(const std::string& text) {
  std::size_t done = 0;
  while (done < text.size()) {
    {
      std::lock_guard lock(mutex_);
      if (stopping_) return false;
    }
    pollfd out{fd_, POLLOUT, 0};
    const int ready = ::poll(&out, 1, kWaitSliceMs);
    if (ready < 0 && errno != EINTR) return false;
    if (ready <= 0) continue;
    if (out.revents & (POLLERR | POLLHUP | POLLNVAL)) return false;
    const ssize_t n = ::write(fd_, text.data() + done, text.size() - done);
    if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

}  // namespace sim
