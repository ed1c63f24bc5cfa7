// Runs one frame exchange at a time with the radio: send a payload as a frame,
// wait for its echo on the shared line, optionally wait for the answer, judge
// it, store clone data in the image, time out and retry. It owns no thread: the
// serial form feeds it received chunks through read() and calls task() on
// every heartbeat tick.
#pragma once

#include <cstdint>

#include "base/Common.h"
#include "clone/clsCmcEeprom.h"
#include "clone/INbx3Link.h"
#include "serial/clsCmcTick.h"

namespace pw {

class clsCmcNbx3Drv {
 public:
  // workMode values: what the current exchange is.
  static constexpr int16_t kModeNone = 0;
  static constexpr int16_t kModeIdentify = 1;     // E0, answered by E1
  static constexpr int16_t kModeCloneRead = 2;    // E2, answered by E4 frames and one E5
  static constexpr int16_t kModeCloneWrite = 3;   // E3 and E4 frames (never started here)
  static constexpr int16_t kModeCloneResult = 4;  // E5 sent after a clone write, E6 awaited
  static constexpr int16_t kModeE8 = 5;           // an adjustment command or reading

  // Error codes (nowError / lastError).
  static constexpr int16_t kErrNone = 0;
  static constexpr int16_t kErrNoEcho = 1;             // the frame's echo did not come back in time
  static constexpr int16_t kErrNoAnswer = 2;           // no answer, no retry left
  static constexpr int16_t kErrInvalidAnswer = 3;      // an answer of the expected command failed its checks
  static constexpr int16_t kErrBlockDoesNotFit = 4;    // a clone data block outside the image
  static constexpr int16_t kErrCloneWriteRefused = 6;  // the radio reported a failed clone write
  static constexpr int16_t kErrCloneWriteNotSent = 7;  // a clone-write frame could not be sent

  static constexpr int32_t kEchoTimeoutMs = 1000;
  static constexpr int32_t kAnswerTimeoutMs = 1200;
  static constexpr size_t kRxBufferMax = 256;
  static constexpr int kMinFreeOutput = 257;

  explicit clsCmcNbx3Drv(IClock& clock);

  INbx3Link* myObjCom = nullptr;
  clsCmcEeprom* myEep = nullptr;

  // Whether an answer frame is awaited after the echo. Setting the work
  // mode sets it for that mode; an E8 request that wants an answer sets it
  // after the mode.
  bool waitAnswer() const { return waitAnswer_; }
  void set_waitAnswer(bool on) { waitAnswer_ = on; }
  // How many times an unanswered frame may be sent again; taken by the next
  // Send, and back to 0 when an exchange ends, so it is set before each Send.
  int16_t retryCount() const { return retryCount_; }
  void set_retryCount(int16_t n) { retryCount_ = n; }
  // The last non-zero error code (kErr...); it stays until cleared, also
  // across exchanges, so an operation clears it before it starts.
  int16_t lastError() const { return lastError_; }
  void ClearLastError() { lastError_ = kErrNone; }

  // Also resets the answer state: waitAnswer for the mode, lastEeAdr 0, no
  // E8 answer kept.
  void set_workMode(int16_t mode);
  int16_t workMode() const { return workMode_; }
  bool waitEcho() const { return workMode_ >= 1 && workMode_ <= 5; }

  // True while an echo or an answer is awaited.
  bool Running() const { return waitState_ != WaitState::Idle; }
  // The error of the current exchange (kErr...). Setting it ends the
  // exchange; a non-zero code is also kept as lastError.
  int16_t nowError() const { return nowError_; }
  void set_nowError(int16_t code);

  const ByteStr& ansInfo() const { return ansInfo_; }
  int32_t lastEeAdr() const { return lastEeAdr_; }
  const ByteStr& varLastE8Answer() const { return varLastE8Answer_; }

  // Whether a frame may go out now: no exchange open, the port open and at
  // least 257 bytes free in its transmit buffer.
  bool SendEnable() const;
  // Sends payload as a frame (FE FE EE EF payload FD) and opens the exchange
  // the work mode calls for; retries left = retryCount. 0: sent; 1: refused
  // (an exchange is open or SendEnable is false), nothing written. A frame
  // that wants no answer is forgotten at once: the driver is idle again when
  // this returns and its echo is discarded when it arrives.
  int16_t Send(const ByteStr& payload);
  // After a time-out: ends the exchange and sends the last payload again,
  // using up one retry. 0: sent; 1: no retry left or the send was refused.
  int16_t RetrySend();
  // One transmission, as Send but without touching the retries.
  int16_t RealSend(const ByteStr& payload);

  // The receiver: every chunk of received bytes, in order. Finds the echo,
  // assembles answer frames, judges them, stores clone data in myEep, and
  // sets nowError for a bad answer or a block that does not fit.
  void read(const ByteStr& bytes);
  // Time-out supervision, every heartbeat tick: a missing echo gives error
  // 1, a missing answer a retry or, with none left, error 2.
  void task();
  // Ends any exchange, empties the receiver, nowError 0 (lastError stays).
  void Reset();
  // Drops the frame being assembled; reception starts again at the next
  // FE. The serial form calls it on every line error.
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
  bool waitAnswer_ = false;
  int16_t retryCount_ = 0;
  int16_t lastError_ = kErrNone;
  int16_t nowError_ = kErrNone;
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
