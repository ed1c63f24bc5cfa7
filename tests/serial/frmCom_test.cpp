// Opening the port through the serial form, on a port whose every step can be
// made to fail.
#include "serial/frmCom.h"

#include <gtest/gtest.h>

namespace pw {
namespace {

class FakePort : public ISerialPort {
 public:
  bool openFails = false;
  bool discardFails = false;

  bool Open(int /*portNum*/, const std::string& /*settings*/) override {
    open_ = !openFails;
    return open_;
  }
  void Close() override { open_ = false; }
  bool IsOpen() const override { return open_; }
  int InBufferCount() const override { return 0; }
  ByteStr ReadAll() override { return {}; }
  bool Write(const ByteStr& /*bytes*/) override { return open_; }
  int OutBufferCount() const override { return 0; }
  bool DiscardOutput() override { return !(open_ && discardFails); }

 private:
  bool open_ = false;
};

// A port that opened but would not discard what waits to go out is no clean
// start: it counts as not opened and is closed again.
TEST(ComOpen, AnyFailureOfTheOpeningStepsLeavesThePortClosedAndCannotOpenSet) {
  const struct {
    const char* name;
    bool openFails;
    bool discardFails;
    bool opened;
  } cases[] = {
      {"all steps work", false, false, true},
      {"the open fails", true, false, false},
      {"the discard right after the open fails", false, true, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    FakePort port;
    VirtualClock clock;
    frmCom com(port, clock, "");
    port.openFails = c.openFails;
    port.discardFails = c.discardFails;
    com.set_comOpen(true);
    EXPECT_EQ(com.comOpen(), c.opened);
    EXPECT_EQ(port.IsOpen(), c.opened);
    EXPECT_EQ(com.errCannotOpen, !c.opened);
    EXPECT_EQ(com.totalError(), !c.opened);
  }
}

}  // namespace
}  // namespace pw
