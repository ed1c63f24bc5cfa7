// Opens a device the way the service program opens its serial port: raw,
// non-blocking, no controlling terminal. -1 when it cannot be opened.
#pragma once

#include <fcntl.h>
#include <string>
#include <termios.h>
#include <unistd.h>

inline int openPort(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) return fd;
  termios tio{};
  tcgetattr(fd, &tio);
  cfmakeraw(&tio);
  tcsetattr(fd, TCSANOW, &tio);
  return fd;
}
