// Reading a fuzz input front to back as a little program of events. Every
// read takes bytes from the front (FuzzedDataProvider's integral reads take
// them from the back), so a seed file can be written by hand as
// "opcode, arguments, opcode, ...", and an exhausted input reads as zeros.
#pragma once

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

// A property that must hold: a failure stops the fuzzer like a crash, with
// the input saved for replay.
#define CHECK(cond)                                                                 \
  do {                                                                              \
    if (!(cond)) {                                                                  \
      std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #cond); \
      std::abort();                                                                 \
    }                                                                               \
  } while (0)

namespace pw::fuzz {

class FuzzInput {
 public:
  FuzzInput(const uint8_t* data, size_t size) : fdp_(data, size) {}

  bool empty() { return fdp_.remaining_bytes() == 0; }
  uint8_t Byte() {
    const std::vector<uint8_t> b = fdp_.ConsumeBytes<uint8_t>(1);
    return b.empty() ? 0 : b[0];
  }
  // Big-endian, as frames carry their addresses.
  uint16_t Word() {
    const uint16_t hi = Byte();
    return static_cast<uint16_t>(hi << 8 | Byte());
  }
  std::vector<uint8_t> Bytes(size_t n) { return fdp_.ConsumeBytes<uint8_t>(n); }
  std::vector<uint8_t> Rest() { return fdp_.ConsumeRemainingBytes<uint8_t>(); }

 private:
  FuzzedDataProvider fdp_;
};

}  // namespace pw::fuzz
