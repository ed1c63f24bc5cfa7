#include "sim/PtyLink.h"
#include "OpenPort.h"
#include "Wire.h"

#include <gtest/gtest.h>

#include <chrono>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

using wire::Bytes;

namespace {

// Reads until `want` bytes have come or the time budget is spent.
Bytes readBytes(int fd, size_t want, int budgetMs = 2000) {
  Bytes got;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(budgetMs);
  while (got.size() < want) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count();
    if (left <= 0) break;
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, static_cast<int>(left)) <= 0) continue;
    uint8_t buf[256];
    const ssize_t n = ::read(fd, buf, sizeof buf);
    if (n > 0) got.insert(got.end(), buf, buf + n);
  }
  return got;
}

// One identification over the device: the echo, then the E1 answer.
void identifyOver(const std::string& path) {
  const int fd = openPort(path);
  ASSERT_GE(fd, 0) << path;
  const Bytes request = wire::frameToRadio(wire::kIdentify);
  ASSERT_EQ(::write(fd, request.data(), request.size()), static_cast<ssize_t>(request.size()));

  Bytes expected = request;
  for (uint8_t b : {0xFE, 0xFE, 0xEF, 0xEE, 0xE1, 0x23, 0x20, 0x00, 0x01, 0xFD}) expected.push_back(b);
  EXPECT_EQ(readBytes(fd, expected.size()), expected);
  ::close(fd);
}

TEST(PtyLink, EchoesAndIdentifiesOverTheSlaveDevice) {
  sim::PtyLink link;
  std::string error;
  ASSERT_TRUE(link.start({}, &error)) << error;
  identifyOver(link.slavePath());

  size_t logged = 0;
  link.withRadio([&](sim::Radio& radio) { logged = radio.frameLog().size(); });
  EXPECT_EQ(logged, 2u);
}

TEST(PtyLink, DeviceStaysUsableWhenThePortIsClosedAndReopened) {
  sim::PtyLink link;
  ASSERT_TRUE(link.start());
  identifyOver(link.slavePath());
  identifyOver(link.slavePath());
}

TEST(PtyLink, SymlinkPointsAtTheDeviceUntilStopped) {
  char dir[] = "/tmp/kqr4t-sim-test-XXXXXX";
  ASSERT_NE(::mkdtemp(dir), nullptr);
  const std::string linkPath = std::string(dir) + "/ttyRadio";

  sim::PtyLink link;
  std::string error;
  ASSERT_TRUE(link.start(linkPath, &error)) << error;
  char target[PATH_MAX] = {};
  ASSERT_GT(::readlink(linkPath.c_str(), target, sizeof target - 1), 0);
  EXPECT_EQ(std::string(target), link.slavePath());
  identifyOver(linkPath);

  link.stop();
  EXPECT_NE(::access(linkPath.c_str(), F_OK), 0);
  EXPECT_FALSE(link.running());
  ::rmdir(dir);
}

}  // namespace
