#include "sim/WakePipe.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace sim {

bool setNonBlocking(int fd) {
  const int flags = fcntl(fd, F_GETFL);
  return flags >= 0 && fcntl(fd, F_SETFL, flags | O_NONBLOCK) == 0;
}

bool failWith(std::string* error, const std::string& what) {
  if (error) *error = what + ": " + std::strerror(errno);
  return false;
}

bool WakePipe::open(std::string* error) {
  int fds[2];
  if (::pipe(fds) != 0) return failWith(error, "pipe");
  read_ = fds[0];
  write_ = fds[1];
  if (setNonBlocking(read_) && setNonBlocking(write_)) return true;
  failWith(error, "fcntl");
  close();
  return false;
}

void WakePipe::close() {
  for (int* fd : {&read_, &write_}) {
    if (*fd >= 0) ::close(*fd);
    *fd = -1;
  }
}

void WakePipe::wake() {
  if (write_ < 0) return;
  const char b = 1;
  [[maybe_unused]] const ssize_t n = ::write(write_, &b, 1);
}

void WakePipe::drain() {
  char bytes[64];
  while (::read(read_, bytes, sizeof bytes) > 0) {
  }
}

}  // namespace sim
