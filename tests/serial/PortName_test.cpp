#include "serial/PortName.h"

#include <gtest/gtest.h>

namespace pw {
namespace {

TEST(PortName, DefaultNamesOfEachPlatform) {
  const struct {
    int port;
    PortNaming naming;
    const char* name;
  } cases[] = {
      {1, PortNaming::Windows, "COM1"},
      {9, PortNaming::Windows, "COM9"},
      {10, PortNaming::Windows, "\\\\.\\COM10"},  // \\.\COM10
      {1, PortNaming::Posix, "/dev/ttyS0"},
      {10, PortNaming::Posix, "/dev/ttyS9"},
      {0, PortNaming::Windows, ""},
      {0, PortNaming::Posix, ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(DefaultPortName(c.port, c.naming), c.name) << c.port;
  }
}

}  // namespace
}  // namespace pw
