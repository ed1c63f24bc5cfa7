#include "sim/PtyLink.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace sim {

namespace {

// While nobody has the slave open the master reports a hang-up on every poll;
// look again this often instead of spinning.
constexpr int kHangUpRecheckMs = 20;

// Raw 9600 8N1 on the slave: the settings persist while the master is open,
// so a program that opens the port without configuring it still gets bytes
// through unaltered.
bool makeSlaveRaw(const std::string& path, std::string* error) {
  const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY);
  if (fd < 0) return failWith(error, "open " + path);
  termios tio{};
  bool ok = tcgetattr(fd, &tio) == 0;
  if (ok) {
    cfmakeraw(&tio);
    cfsetispeed(&tio, B9600);
    cfsetospeed(&tio, B9600);
    ok = tcsetattr(fd, TCSANOW, &tio) == 0;
  }
  if (!ok) failWith(error, "configure " + path);
  ::close(fd);
  return ok;
}

}  // namespace

PtyLink::PtyLink(const RadioOptions& options) : radio_(options) {}

PtyLink::~PtyLink() { stop(); }

bool PtyLink::start(const std::string& linkPath, std::string* error) {
  if (running()) return true;
  if (!openPty(error)) {
    closeAll();
    return false;
  }
  if (!linkPath.empty()) {
    char target[PATH_MAX];
    if (::readlink(linkPath.c_str(), target, sizeof target) >= 0) ::unlink(linkPath.c_str());
    if (::symlink(slavePath_.c_str(), linkPath.c_str()) != 0) {
      failWith(error, "symlink " + linkPath);
      closeAll();
      return false;
    }
    linkPath_ = linkPath;
  }
  epoch_ = std::chrono::steady_clock::now();
  stopping_ = false;
  hungUp_ = false;
  thread_ = std::thread([this] { run(); });
  return true;
}

void PtyLink::stop() {
  if (thread_.joinable()) {
    stopping_ = true;
    wakePipe_.wake();
    thread_.join();
  }
  closeAll();
}

void PtyLink::withRadio(const std::function<void(Radio&)>& fn) {
  {
    std::lock_guard lock(mutex_);
    fn(radio_);
  }
  wakePipe_.wake();  // the radio may have something new to say: recompute the wait
}

bool PtyLink::openPty(std::string* error) {
  master_ = posix_openpt(O_RDWR | O_NOCTTY);
  if (master_ < 0) return failWith(error, "posix_openpt");
  if (grantpt(master_) != 0 || unlockpt(master_) != 0) return failWith(error, "grantpt/unlockpt");
  char name[128];
  if (ptsname_r(master_, name, sizeof name) != 0) return failWith(error, "ptsname_r");
  slavePath_ = name;
  if (!makeSlaveRaw(slavePath_, error)) return false;
  if (!setNonBlocking(master_)) return failWith(error, "fcntl");
  return wakePipe_.open(error);
}

void PtyLink::closeAll() {
  if (master_ >= 0) ::close(master_);
  master_ = -1;
  wakePipe_.close();
  if (!linkPath_.empty()) {
    char target[PATH_MAX];
    const ssize_t n = ::readlink(linkPath_.c_str(), target, sizeof target - 1);
    if (n >= 0 && std::string(target, static_cast<size_t>(n)) == slavePath_) {
      ::unlink(linkPath_.c_str());
    }
    linkPath_.clear();
  }
  pending_.clear();
}

void PtyLink::run() {
  while (!stopping_) {
    waitForEvent(pollTimeoutMs());
    transmit();
  }
}

void PtyLink::waitForEvent(int timeoutMs) {
  if (hungUp_) {
    // A hung-up master is always "ready": wait on the wake pipe alone and
    // look again whether a program has opened the slave since.
    pollfd wakeFd{wakePipe_.readFd(), POLLIN, 0};
    ::poll(&wakeFd, 1, timeoutMs < 0 ? kHangUpRecheckMs : std::min(timeoutMs, kHangUpRecheckMs));
    wakePipe_.drain();
    pollfd probe{master_, POLLIN, 0};
    ::poll(&probe, 1, 0);
    hungUp_ = (probe.revents & POLLHUP) != 0;
    return;
  }
  pollfd fds[2] = {{wakePipe_.readFd(), POLLIN, 0}, {master_, POLLIN, 0}};
  if (!pending_.empty()) fds[1].events |= POLLOUT;
  ::poll(fds, 2, timeoutMs);
  wakePipe_.drain();
  if (fds[1].revents & POLLHUP) {
    hungUp_ = true;
  } else if (fds[1].revents & POLLIN) {
    readFromProgram();
  }
}

int PtyLink::pollTimeoutMs() {
  int64_t due;
  {
    std::lock_guard lock(mutex_);
    due = radio_.NextDueMs();
  }
  if (due < 0) return -1;
  return static_cast<int>(std::clamp<int64_t>(due - nowMs(), 0, INT_MAX));
}

void PtyLink::readFromProgram() {
  std::vector<uint8_t> chunk(4096);
  const ssize_t n = ::read(master_, chunk.data(), chunk.size());
  if (n <= 0) return;
  chunk.resize(static_cast<size_t>(n));
  std::lock_guard lock(mutex_);
  radio_.Receive(chunk, nowMs());
}

void PtyLink::transmit() {
  {
    std::lock_guard lock(mutex_);
    const auto out = radio_.Transmit(nowMs());
    pending_.insert(pending_.end(), out.begin(), out.end());
  }
  if (hungUp_) {  // like a real cable with the port closed: the bytes are lost
    pending_.clear();
    return;
  }
  while (!pending_.empty()) {
    const ssize_t n = ::write(master_, pending_.data(), pending_.size());
    if (n <= 0) break;  // pty full: POLLOUT brings us back
    pending_.erase(pending_.begin(), pending_.begin() + n);
  }
}

int64_t PtyLink::nowMs() const {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - epoch_).count();
}

}  // namespace sim
