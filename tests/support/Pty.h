// A bare pseudo-terminal: the test plays the far end of the line on the
// master side, the link or port under test opens the slave.
#pragma once

#include <QDeadlineTimer>
#include <cstdint>
#include <cstdlib>
#include <fcntl.h>
#include <functional>
#include <string>
#include <termios.h>
#include <unistd.h>
#include <vector>

namespace pw::test {

class Pty {
 public:
  Pty() {
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (master_ >= 0 && ::grantpt(master_) == 0 && ::unlockpt(master_) == 0) slave_ = ::ptsname(master_);
  }
  ~Pty() { CloseMaster(); }
  Pty(const Pty&) = delete;
  Pty& operator=(const Pty&) = delete;

  bool ok() const { return master_ >= 0 && !slave_.empty(); }
  const std::string& slave() const { return slave_; }
  void CloseMaster() {
    if (master_ >= 0) ::close(master_);
    master_ = -1;
  }
  // No echo, no line editing: bytes pass as they are, for a device that
  // does not set the line up itself.
  bool MakeRaw() {
    termios tio{};
    if (::tcgetattr(master_, &tio) != 0) return false;
    ::cfmakeraw(&tio);
    return ::tcsetattr(master_, TCSANOW, &tio) == 0;
  }
  // Writes everything, letting the program's event loop drain the line.
  bool Send(const std::vector<uint8_t>& bytes, const std::function<void()>& pump) {
    size_t done = 0;
    QDeadlineTimer deadline(5000);
    while (done < bytes.size() && !deadline.hasExpired()) {
      const ssize_t n = ::write(master_, bytes.data() + done, bytes.size() - done);
      if (n > 0) done += static_cast<size_t>(n);
      pump();
    }
    return done == bytes.size();
  }
  bool Send(const std::string& text, const std::function<void()>& pump) {
    return Send(std::vector<uint8_t>(text.begin(), text.end()), pump);
  }
  std::vector<uint8_t> Receive() {
    std::vector<uint8_t> out;
    uint8_t buf[256];
    ssize_t n;
    while ((n = ::read(master_, buf, sizeof buf)) > 0) out.insert(out.end(), buf, buf + n);
    return out;
  }
  std::string ReceiveText() {
    const std::vector<uint8_t> bytes = Receive();
    return std::string(bytes.begin(), bytes.end());
  }

 private:
  int master_ = -1;
  std::string slave_;
};

}  // namespace pw::test
