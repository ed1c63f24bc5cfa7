#include "sim/TcpTestSet.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace sim {

namespace {

// Closed with a reset, as a refused connection looks to the client.
void reset(int fd) {
  const linger abort{1, 0};
  ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
  ::close(fd);
}

}  // namespace

TcpTestSet::TcpTestSet(PtyLink& link, const TestSetOptions& options) : link_(link), testSet_(options) {}

TcpTestSet::~TcpTestSet() { stop(); }

bool TcpTestSet::start(int port, std::string* error) {
  if (thread_.joinable()) return true;
  listen_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (listen_ < 0) return failWith(error, "socket");
  const int on = 1;
  ::setsockopt(listen_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(static_cast<uint16_t>(port));
  socklen_t length = sizeof address;
  const bool ok =
      ::bind(listen_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 && ::listen(listen_, 4) == 0 &&
      ::getsockname(listen_, reinterpret_cast<sockaddr*>(&address), &length) == 0 && setNonBlocking(listen_);
  if (!ok) failWith(error, "listen on 127.0.0.1:" + std::to_string(port));
  if (!ok || !wakePipe_.open(error)) {
    ::close(listen_);
    listen_ = -1;
    return false;
  }
  port_ = ntohs(address.sin_port);
  epoch_ = std::chrono::steady_clock::now();
  stopping_ = false;
  thread_ = std::thread([this] { run(); });
  return true;
}

void TcpTestSet::stop() {
  if (thread_.joinable()) {
    stopping_ = true;
    wakePipe_.wake();
    thread_.join();
  }
  closeClient();
  if (listen_ >= 0) ::close(listen_);
  listen_ = -1;
  wakePipe_.close();
}

void TcpTestSet::withTestSet(const std::function<void(TestSet&)>& fn) {
  {
    std::lock_guard lock(mutex_);
    fn(testSet_);
  }
  wakePipe_.wake();
}

void TcpTestSet::run() {
  while (!stopping_) {
    pollfd fds[3] = {{wakePipe_.readFd(), POLLIN, 0}, {listen_, POLLIN, 0}, {client_, POLLIN, 0}};
    if (!pending_.empty()) fds[2].events |= POLLOUT;
    ::poll(fds, client_ >= 0 ? 3 : 2, pollTimeoutMs());
    wakePipe_.drain();
    if (fds[1].revents & POLLIN) acceptClients();
    if (client_ >= 0 && fds[2].fd == client_ && (fds[2].revents & (POLLIN | POLLHUP | POLLERR))) readFromClient();
    transmit();
  }
}

int TcpTestSet::pollTimeoutMs() {
  int64_t due;
  {
    std::lock_guard lock(mutex_);
    due = testSet_.NextDueMs();
  }
  if (due < 0) return -1;
  return static_cast<int>(std::clamp<int64_t>(due - nowMs(), 0, INT_MAX));
}

void TcpTestSet::acceptClients() {
  while (true) {
    const int fd = ::accept4(listen_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd < 0) return;
    bool accepted;
    {
      std::lock_guard lock(mutex_);
      accepted = testSet_.Connect();
    }
    if (!accepted) {
      reset(fd);
      continue;
    }
    closeClient();  // the newcomer takes the open connection's place
    const int on = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);  // pieces of an answer go out as pieces
    client_ = fd;
  }
}

void TcpTestSet::readFromClient() {
  char chunk[4096];
  const ssize_t n = ::recv(client_, chunk, sizeof chunk, 0);
  if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) return;
  std::lock_guard lock(mutex_);
  if (n <= 0) {  // the client has gone
    testSet_.Disconnect();
    closeClient();
    return;
  }
  const std::string_view bytes(chunk, static_cast<size_t>(n));
  const int64_t now = nowMs();
  link_.withRadio([&](Radio& radio) { testSet_.Receive(bytes, now, radio); });
  if (!testSet_.Connected()) closeClient();  // dropped on request
}

void TcpTestSet::transmit() {
  {
    std::lock_guard lock(mutex_);
    pending_ += testSet_.Transmit(nowMs());
  }
  if (client_ < 0) {
    pending_.clear();
    return;
  }
  while (!pending_.empty()) {
    const ssize_t n = ::send(client_, pending_.data(), pending_.size(), MSG_NOSIGNAL);
    if (n <= 0) break;  // socket full: POLLOUT brings us back
    pending_.erase(0, static_cast<size_t>(n));
  }
}

void TcpTestSet::closeClient() {
  if (client_ >= 0) ::close(client_);
  client_ = -1;
  pending_.clear();
}

int64_t TcpTestSet::nowMs() const {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - epoch_).count();
}

}  // namespace sim
