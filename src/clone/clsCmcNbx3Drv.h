// Runs one frame exchange at a time with the radio: send a payload as a frame,
// wait for its echo on the shared line, optionally wait for the answer, judge
// it, store clone data in the image, time out and retry. It owns no thread: the
// serial form feeds it received chunks through read() and calls task() on
// every heartbeat tick.
#pragma once

#include <cstdint>

#include "clone/INbx3Link.h"
#include "clone/clsCmcEeprom.h"
#include "serial/clsCmcTick.h"
#include "shell/Common.h"

namespace pw {

class clsCmcNbx3Drv {
 public:
  // workMode values.
  static constexpr int16_t kModeNone = 0;
  static constexpr int16_t kModeIdentify = 1;
  static constexpr int16_t kModeCloneRead = 2;
  static constexpr int16_t kModeE8 = 5;

  // Error codes (nowError / lastError).
  static constexpr int16_t kErrNoEcho = 1;
  static constexpr int16_t kErrNoAnswer = 2;
  static constexpr int16_t kErrInvalidAnswer = 3;
  static constexpr int16_t kErrBlockDoesNotFit = 4;

  static constexpr int32_t kEchoTimeoutMs = 1000;
  static constexpr int32_t kAnswerTimeoutMs = 1200;
  static constexpr size_t kRxBufferMax = 256;
  static constexpr int kMinFreeOutput = 257;

  explicit clsCmcNbx3Drv(IClock& clock);

  INbx3Link* myObjCom = nullptr;
  clsCmcEeprom* myEep = nullptr;
  bool waitAnswer = false;
  int16_t retryCount = 0;
  int16_t lastError = 0;

  void set_workMode(int16_t mode);
  int16_t workMode() const { return workMode_; }
  bool waitEcho() const { return workMode_ >= 1 && workMode_ <= 5; }

  bool Running() const { return waitState_ != WaitState::Idle; }
  int16_t nowError() const { return nowError_; }
  void set_nowError(int16_t code);

  const ByteStr& ansInfo() const { return ansInfo_; }
  int32_t lastEeAdr() const { return lastEeAdr_; }
  const ByteStr& varLastE8Answer() const { return varLastE8Answer_; }

  bool SendEnable() const;
  int16_t Send(const ByteStr& payload);
  int16_t RetrySend();
  int16_t RealSend(const ByteStr& payload);

  void read(const ByteStr& bytes);
  void task();
  void Reset();
  void ClearRxBuffer();

 private:
  enum class WaitState { Idle, Echo, Answer };

  void EndExchange();
  void EnterWait(WaitState state);
  void EchoFound();
  void FrameComplete(const ByteStr& frame);
  // Returns true when the exchange is finished.
  bool HandleAnswer(const ByteStr& frame);
  bool StoreCloneData(const ByteStr& frame);
  void AppendToRx(ByteStr::const_iterator first, ByteStr::const_iterator last);
  bool Fail(int16_t code);  // sets the error, ends the exchange

  clsCmcTick waitTimer_;
  int16_t workMode_ = kModeNone;
  int16_t nowError_ = 0;
  WaitState waitState_ = WaitState::Idle;
  ByteStr echoPattern_;
  ByteStr lastPayload_;
  int16_t retriesLeft_ = 0;
  ByteStr rxBuffer_;
  bool betweenFrames_ = false;
  bool ready_ = true;
  uint8_t e8SubCommand_ = 0;
  ByteStr ansInfo_;
  int32_t lastEeAdr_ = 0;
  ByteStr varLastE8Answer_;
};

}  // namespace pw
