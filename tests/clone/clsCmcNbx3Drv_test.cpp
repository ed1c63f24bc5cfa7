// The frame driver on its own: a fake link records what is written and the
// test hands the receiver chunks as a port would deliver them.
#include "clone/clsCmcNbx3Drv.h"

#include <gtest/gtest.h>

#include "clone/Nbx3Frame.h"

namespace pw {
namespace {

class FakeLink : public INbx3Link {
 public:
  bool open = true;
  int queued = 0;
  std::vector<ByteStr> written;
  bool comSendEnable() const override { return open; }
  int OutBufferCount() const override { return queued; }
  int OutBufferSize() const override { return 1024; }
  void Output(const ByteStr& bytes) override { written.push_back(bytes); }
};

// A frame from the radio as it appears on the line.
ByteStr FromRadio(const ByteStr& payload) {
  ByteStr f{0xFE, 0xFE, 0xEF, 0xEE};
  for (uint8_t b : payload) f.push_back(b);
  f.push_back(0xFD);
  return f;
}

ByteStr Concat(ByteStr a, const ByteStr& b) {
  for (uint8_t x : b) a.push_back(x);
  return a;
}

// The radio's identity as frames carry it: model 2320, sub name 0001. The
// identification request asks with sub name 0000.
const ByteStr kModel{0x23, 0x20};
const ByteStr kIdentity = Concat(kModel, {0x00, 0x01});
const ByteStr kIdentifyRequest = Concat(Concat({0xE0}, kModel), {0x00, 0x00});

// command, identity, then the rest of the payload.
ByteStr WithIdentity(uint8_t command, const ByteStr& rest = {}) { return Concat(Concat({command}, kIdentity), rest); }

class DriverTest : public ::testing::Test {
 protected:
  DriverTest() : drv(clock) {
    drv.myObjCom = &link;
    drv.myEep = &image;
  }
  const ByteStr& Echo() const { return link.written.back(); }
  void StartE8Request(uint8_t sub) {
    drv.set_workMode(clsCmcNbx3Drv::kModeE8);
    drv.set_waitAnswer(true);
    drv.set_retryCount(2);
    ASSERT_EQ(drv.Send(WithIdentity(0xE8, {sub, '3', '0'})), 0);
  }
  ByteStr E8Answer(uint8_t sub, char hi, char lo) const {
    return FromRadio(WithIdentity(0xE8, {sub, static_cast<uint8_t>(hi), static_cast<uint8_t>(lo)}));
  }

  VirtualClock clock{500};
  FakeLink link;
  clsCmcEeprom image;
  clsCmcNbx3Drv drv;
};

TEST_F(DriverTest, EchoSplitOverReadsThenAnswerInTheSameChunk) {
  StartE8Request(0x94);
  const ByteStr echo = Echo();
  drv.read(ByteStr(echo.begin(), echo.begin() + 4));
  EXPECT_TRUE(drv.Running());
  drv.read(Concat(ByteStr(echo.begin() + 4, echo.end()), E8Answer(0x94, '7', 'B')));
  EXPECT_FALSE(drv.Running());
  EXPECT_EQ(drv.nowError(), 0);
  EXPECT_EQ(drv.varLastE8Answer(), Concat(kIdentity, {0x94, '7', 'B'}));
}

TEST_F(DriverTest, AnswerSplitIntoAnyChunksGivesTheSameResult) {
  drv.set_workMode(clsCmcNbx3Drv::kModeCloneRead);
  ASSERT_EQ(drv.Send(WithIdentity(0xE2)), 0);
  const ByteStr stream = Concat(Echo(), FromRadio(frame::CloneEndPayload()));
  for (size_t cut = 1; cut < stream.size(); ++cut) {
    drv.Reset();
    drv.set_workMode(clsCmcNbx3Drv::kModeCloneRead);
    ASSERT_EQ(drv.Send(WithIdentity(0xE2)), 0);
    drv.read(ByteStr(stream.begin(), stream.begin() + static_cast<long>(cut)));
    drv.read(ByteStr(stream.begin() + static_cast<long>(cut), stream.end()));
    EXPECT_FALSE(drv.Running()) << "cut at " << cut;
    EXPECT_EQ(drv.nowError(), 0) << "cut at " << cut;
  }
}

TEST_F(DriverTest, CloneDataGoesIntoTheImageAndBadBlocksAreRefusedWhole) {
  drv.set_workMode(clsCmcNbx3Drv::kModeCloneRead);
  ASSERT_EQ(drv.Send(WithIdentity(0xE2)), 0);
  drv.read(Concat(Echo(), FromRadio(frame::CloneDataPayload(0x0120, ByteStr(16, 0x42)))));
  EXPECT_EQ(image.ReadBlock(0x0120, 16), ByteStr(16, 0x42));
  EXPECT_EQ(drv.lastEeAdr(), 0x012F);
  EXPECT_TRUE(drv.Running()) << "more frames are awaited";

  drv.read(FromRadio(frame::CloneDataPayload(0x0FF8, ByteStr(16, 0x42))));
  EXPECT_EQ(drv.lastError(), clsCmcNbx3Drv::kErrBlockDoesNotFit);
  EXPECT_EQ(image.ReadBlock(0x0FF8, 8), ByteStr(8, 0)) << "nothing of the block is written";
  EXPECT_FALSE(drv.Running());
}

TEST_F(DriverTest, AnAddressFromTheHighHalfIsRefused) {
  drv.set_workMode(clsCmcNbx3Drv::kModeCloneRead);
  ASSERT_EQ(drv.Send(WithIdentity(0xE2)), 0);
  drv.read(Concat(Echo(), FromRadio(frame::CloneDataPayload(0x8000, ByteStr(16, 0x42)))));
  EXPECT_EQ(drv.lastError(), clsCmcNbx3Drv::kErrBlockDoesNotFit);
  EXPECT_EQ(image.ReadBlock(0, 4096), ByteStr(4096, 0));
}

TEST_F(DriverTest, EachPreambleRestartsTheFrameAndStrayBytesAreSkipped) {
  StartE8Request(0x94);
  // Noise before the answer, a lone preamble, then the answer's own preamble.
  drv.read(Concat(Concat(Echo(), {0x11, 0x22, 0xFE, 0x33}), E8Answer(0x94, '0', '5')));
  EXPECT_FALSE(drv.Running());
  EXPECT_EQ(drv.nowError(), 0);
  EXPECT_EQ(drv.varLastE8Answer().back(), '5');
}

TEST_F(DriverTest, BetweenFramesAnEndByteBeforeAnyPreambleDiscardsTheWholeChunk) {
  StartE8Request(0x94);
  drv.read(Echo());
  drv.read(Concat({0xFD, 0x10}, E8Answer(0x94, '1', '2')));
  EXPECT_TRUE(drv.Running()) << "the answer behind the stray FD is lost with the chunk";
  drv.read(E8Answer(0x94, '1', '2'));
  EXPECT_FALSE(drv.Running());
}

TEST_F(DriverTest, InvalidAnswersAndIgnoredFrames) {
  StartE8Request(0x94);
  drv.read(Echo());
  drv.read(FromRadio(WithIdentity(0xE1)));  // not what mode 5 waits for
  EXPECT_TRUE(drv.Running());
  drv.read(E8Answer(0x95, '1', '2'));  // sub-command not repeated
  EXPECT_FALSE(drv.Running());
  EXPECT_EQ(drv.lastError(), clsCmcNbx3Drv::kErrInvalidAnswer);
}

TEST_F(DriverTest, SendRules) {
  StartE8Request(0x94);
  EXPECT_EQ(drv.Send({0xE8}), 1) << "an exchange is open";
  EXPECT_EQ(link.written.size(), 1u);

  drv.Reset();
  drv.set_workMode(clsCmcNbx3Drv::kModeE8);
  EXPECT_EQ(drv.Send(WithIdentity(0xE8, {0x08, '3', 'F'})), 0);
  EXPECT_FALSE(drv.Running()) << "no answer wanted: sent and forgotten";
  drv.read(Echo());  // the late echo is dropped
  EXPECT_EQ(drv.nowError(), 0);

  link.queued = 1024 - 256;  // only 256 bytes free
  EXPECT_FALSE(drv.SendEnable());
  link.queued = 0;
  link.open = false;
  EXPECT_FALSE(drv.SendEnable());
}

TEST_F(DriverTest, SettingWorkModeClearsAnswerStateButNotErrorsOrIdentity) {
  drv.set_workMode(clsCmcNbx3Drv::kModeIdentify);
  ASSERT_EQ(drv.Send(kIdentifyRequest), 0);
  drv.read(Concat(Echo(), FromRadio(WithIdentity(0xE1))));
  ASSERT_FALSE(drv.ansInfo().empty());
  drv.set_nowError(clsCmcNbx3Drv::kErrInvalidAnswer);  // ends nothing: no exchange is open
  drv.set_workMode(clsCmcNbx3Drv::kModeE8);
  EXPECT_TRUE(drv.varLastE8Answer().empty());
  EXPECT_EQ(drv.lastEeAdr(), 0);
  EXPECT_FALSE(drv.ansInfo().empty());
  EXPECT_EQ(drv.lastError(), clsCmcNbx3Drv::kErrInvalidAnswer);
}

TEST_F(DriverTest, NoEchoWithin1000msIsError1) {
  StartE8Request(0x94);
  clock.Advance(999);
  drv.task();
  EXPECT_TRUE(drv.Running());
  clock.Advance(1);
  drv.task();
  EXPECT_EQ(drv.lastError(), clsCmcNbx3Drv::kErrNoEcho);
  EXPECT_FALSE(drv.Running());
}

TEST_F(DriverTest, AnUnansweredRequestIsSentThreeTimesThenError2) {
  StartE8Request(0x94);
  for (int transmission = 1; transmission <= 3; ++transmission) {
    EXPECT_EQ(link.written.size(), static_cast<size_t>(transmission));
    drv.read(Echo());
    clock.Advance(1199);
    drv.task();
    EXPECT_TRUE(drv.Running());
    clock.Advance(1);
    drv.task();
  }
  EXPECT_EQ(link.written.size(), 3u);
  EXPECT_EQ(drv.lastError(), clsCmcNbx3Drv::kErrNoAnswer);
}

}  // namespace
}  // namespace pw
