#include "qt/UsbtmcInstrumentLink.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>
#include <system_error>
#include <thread>

namespace pw {

namespace {

// Large enough for any answer a bench instrument gives to a query; a
// longer one is read in several calls.
constexpr size_t kReadChunk = 65536;

std::string SystemError(const std::string& device, int error) { return device + ": " + std::strerror(error); }

}  // namespace

// What the window thread and the worker share. Only the two queues and the
// failure cross the lock; the system calls run outside it.
struct UsbtmcInstrumentLink::Worker {
  explicit Worker(int fileDescriptor, std::string deviceName) : fd(fileDescriptor), device(std::move(deviceName)) {}

  void Run() {
    for (;;) {
      std::string message;
      {
        std::unique_lock lock(mutex);
        wake.wait(lock, [&] { return stop || !outbox.empty(); });
        if (stop) break;
        message = std::move(outbox.front());
        outbox.pop_front();
      }
      if (!Send(message)) break;
      if (message.find('?') != std::string::npos && !ReceiveAnswer()) break;
    }
    ::close(fd);
  }

  bool Send(const std::string& message) {
    size_t done = 0;
    while (done < message.size()) {
      const ssize_t n = ::write(fd, message.data() + done, message.size() - done);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return Fail(n < 0 ? errno : EIO);
      done += static_cast<size_t>(n);
    }
    return true;
  }

  // One answer: the driver ends a read at the instrument's end of message,
  // so a read that does not fill the buffer, or ends a line, is the whole.
  bool ReceiveAnswer() {
    std::string buffer(kReadChunk, '\0');
    for (;;) {
      const ssize_t n = ::read(fd, buffer.data(), buffer.size());
      if (n < 0 && errno == EINTR) continue;
      // No answer within the driver's time: the core's own countdown has
      // said so already; the link itself is still good.
      if (n < 0 && errno == ETIMEDOUT) return true;
      if (n < 0) return Fail(errno);
      {
        std::lock_guard lock(mutex);
        inbox.append(buffer.data(), static_cast<size_t>(n));
      }
      if (static_cast<size_t>(n) < buffer.size() || buffer[static_cast<size_t>(n) - 1] == '\n') return true;
    }
  }

  bool Fail(int error) {
    std::lock_guard lock(mutex);
    failed = true;
    why = error == ENODEV ? device + ": the instrument went away (unplugged or switched off)"
                          : SystemError(device, error);
    return false;
  }

  const int fd;
  const std::string device;
  std::mutex mutex;
  std::condition_variable wake;
  std::deque<std::string> outbox;
  std::string inbox;
  bool stop = false;
  bool failed = false;
  std::string why;
};

UsbtmcInstrumentLink::UsbtmcInstrumentLink(const std::string& device) : device_(device) {}

UsbtmcInstrumentLink::~UsbtmcInstrumentLink() { Close(); }

void UsbtmcInstrumentLink::Open() {
  Close();
  error_.clear();
  // Opened without waiting (a device node that is no device at all, such as
  // a pipe, would otherwise wait for a partner), then made blocking for the
  // worker's calls.
  const int fd = ::open(device_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    state_ = State::Failed;
    error_ = SystemError(device_, errno);
    return;
  }
  struct stat info {};
  const int flags = ::fcntl(fd, F_GETFL);
  if (::fstat(fd, &info) != 0 || !S_ISCHR(info.st_mode) || flags < 0 ||
      ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
    ::close(fd);
    state_ = State::Failed;
    error_ = device_ + ": not a USB test-and-measurement device";
    return;
  }
  auto worker = std::make_shared<Worker>(fd, device_);
  try {
    // The thread keeps its own share: a link closed while the worker waits
    // for the instrument does not wait for it, and the worker ends alone.
    std::thread([worker] { worker->Run(); }).detach();
  } catch (const std::system_error& e) {
    ::close(fd);
    state_ = State::Failed;
    error_ = device_ + ": " + e.what();
    return;
  }
  worker_ = std::move(worker);
  state_ = State::Open;
}

void UsbtmcInstrumentLink::Close() {
  if (worker_) {
    {
      std::lock_guard lock(worker_->mutex);
      worker_->stop = true;
    }
    worker_->wake.notify_one();
    worker_.reset();
  }
  partialLine_.clear();
  state_ = State::Closed;
}

IInstrumentLink::State UsbtmcInstrumentLink::GetState() const {
  if (state_ != State::Open) return state_;
  std::lock_guard lock(worker_->mutex);
  return worker_->failed ? State::Failed : State::Open;
}

std::string UsbtmcInstrumentLink::ErrorText() const {
  if (state_ != State::Open) return error_;
  std::lock_guard lock(worker_->mutex);
  return worker_->why;
}

bool UsbtmcInstrumentLink::Write(const std::string& bytes) {
  if (GetState() != State::Open) return false;
  partialLine_ += bytes;
  {
    std::lock_guard lock(worker_->mutex);
    for (size_t end; (end = partialLine_.find('\n')) != std::string::npos;) {
      worker_->outbox.push_back(partialLine_.substr(0, end + 1));
      partialLine_.erase(0, end + 1);
    }
  }
  worker_->wake.notify_one();
  return true;
}

std::string UsbtmcInstrumentLink::ReadAll() {
  if (!worker_) return {};
  std::string out;
  std::lock_guard lock(worker_->mutex);
  out.swap(worker_->inbox);
  return out;
}

}  // namespace pw
