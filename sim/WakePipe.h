// A pipe that wakes a serving thread out of poll(): any thread writes a byte,
// the serving thread polls the read end and drains it. With the two small
// helpers the simulator's POSIX servers (the pseudo-terminal, the TCP port)
// share.
#pragma once

#include <string>

namespace sim {

bool setNonBlocking(int fd);
// Puts what failed and the system's reason into *error; always false.
bool failWith(std::string* error, const std::string& what);

class WakePipe {
 public:
  WakePipe() = default;
  ~WakePipe() { close(); }
  WakePipe(const WakePipe&) = delete;
  WakePipe& operator=(const WakePipe&) = delete;

  bool open(std::string* error);
  void close();
  int readFd() const { return read_; }  // poll it for POLLIN
  void wake();                          // from any thread; nothing when closed
  void drain();

 private:
  int read_ = -1;
  int write_ = -1;
};

}  // namespace sim
