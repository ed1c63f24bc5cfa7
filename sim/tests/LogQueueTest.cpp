#include "sim/LogQueue.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fcntl.h>
#include <poll.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

std::vector<std::string> drain(sim::LogQueue& queue) {
  std::vector<std::string> lines;
  std::string line;
  while (queue.pop(line)) lines.push_back(line);
  return lines;
}

TEST(LogQueue, DropsAndCountsWhatDoesNotFitAndSaysSoInTheLog) {
  sim::LogQueue queue(4);
  for (int i = 1; i <= 6; ++i) queue.push("line " + std::to_string(i));
  EXPECT_EQ(queue.dropped(), 2u);

  std::string line;
  ASSERT_TRUE(queue.pop(line));
  ASSERT_TRUE(queue.pop(line));
  queue.push("line 7");
  EXPECT_EQ(drain(queue), (std::vector<std::string>{"line 3", "line 4",
                                                    "# 2 log lines dropped: the log's reader was too slow", "line 7"}));
  EXPECT_EQ(queue.dropped(), 2u);
}

TEST(LogQueue, WriterPassesLinesOnInOrder) {
  int fds[2];
  ASSERT_EQ(::pipe(fds), 0);
  sim::LogQueue queue;
  queue.start(fds[1]);
  queue.push("RX FE FE EE EF E0 23 20 00 00 FD");
  queue.push("TX FE FE EF EE E1 23 20 00 01 FD");
  queue.stop();
  ::close(fds[1]);
  std::string text;
  char buf[256];
  for (ssize_t n; (n = ::read(fds[0], buf, sizeof buf)) > 0;) text.append(buf, static_cast<size_t>(n));
  ::close(fds[0]);
  EXPECT_EQ(text, "RX FE FE EE EF E0 23 20 00 00 FD\nTX FE FE EF EE E1 23 20 00 01 FD\n");
}

// A reader that never reads: the pipe fills, pushes still return at once,
// the surplus is counted, and stop() comes back within a second.
TEST(LogQueue, AStalledReaderHoldsNothingUp) {
  int fds[2];
  ASSERT_EQ(::pipe(fds), 0);
  ::fcntl(fds[1], F_SETPIPE_SZ, 4096);
  sim::LogQueue queue(64);
  queue.start(fds[1]);
  const std::string line(100, 'x');
  for (int i = 0; i < 2000; ++i) queue.push(line);
  EXPECT_GT(queue.dropped(), 0u);

  const auto before = std::chrono::steady_clock::now();
  queue.stop();
  EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::seconds(1));
  ::close(fds[0]);
  ::close(fds[1]);
}

}  // namespace
