#include "clone/clsCmcNbx3Drv.h"

#include <algorithm>

#include "clone/Nbx3Frame.h"

namespace pw {

clsCmcNbx3Drv::clsCmcNbx3Drv(IClock& clock) : waitTimer_(clock) { Reset(); }

void clsCmcNbx3Drv::set_workMode(int16_t mode) {
  workMode_ = mode;
  waitAnswer_ = (mode == kModeIdentify || mode == kModeCloneRead || mode == kModeCloneResult);
  lastEeAdr_ = 0;
  varLastE8Answer_.clear();
}

void clsCmcNbx3Drv::set_nowError(int16_t code) {
  nowError_ = code;
  if (code != kErrNone) lastError_ = code;
  EndExchange();
}

void clsCmcNbx3Drv::EndExchange() {
  waitState_ = WaitState::Idle;
  echoPattern_.clear();
  retryCount_ = 0;
  ready_ = true;
}

void clsCmcNbx3Drv::EnterWait(WaitState state) {
  waitState_ = state;
  waitTimer_.set_counter(state == WaitState::Echo ? kEchoTimeoutMs : kAnswerTimeoutMs);
}

void clsCmcNbx3Drv::Reset() {
  EndExchange();
  ClearRxBuffer();
  nowError_ = 0;
}

void clsCmcNbx3Drv::ClearRxBuffer() {
  rxBuffer_.clear();
  betweenFrames_ = true;
}

bool clsCmcNbx3Drv::SendEnable() const {
  if (!ready_ || myObjCom == nullptr || !myObjCom->comSendEnable()) return false;
  return myObjCom->OutBufferSize() - myObjCom->OutBufferCount() >= kMinFreeOutput;
}

int16_t clsCmcNbx3Drv::Send(const ByteStr& payload) {
  const int16_t result = RealSend(payload);
  retriesLeft_ = retryCount_;
  return result;
}

int16_t clsCmcNbx3Drv::RetrySend() {
  if (retriesLeft_ < 1) return 1;
  EndExchange();
  const int16_t result = RealSend(lastPayload_);
  --retriesLeft_;
  return result;
}

int16_t clsCmcNbx3Drv::RealSend(const ByteStr& payload) {
  if (!echoPattern_.empty() || !SendEnable()) return 1;
  lastPayload_ = payload;
  echoPattern_ = frame::Build(payload);
  if (workMode_ == kModeE8 && payload.size() >= 6) e8SubCommand_ = payload[5];
  myObjCom->Output(echoPattern_);
  ready_ = false;
  if (waitEcho()) {
    EnterWait(WaitState::Echo);
  } else if (waitAnswer_) {
    EnterWait(WaitState::Answer);
  } else {
    EndExchange();
  }
  // A frame that wants no answer is sent and forgotten; its echo is dropped
  // when it arrives because the driver is idle by then.
  if (!waitAnswer_) EndExchange();
  return 0;
}

void clsCmcNbx3Drv::AppendToRx(ByteStr::const_iterator first, ByteStr::const_iterator last) {
  rxBuffer_.insert(rxBuffer_.end(), first, last);
  if (rxBuffer_.size() > kRxBufferMax) {
    rxBuffer_.erase(rxBuffer_.begin(), rxBuffer_.end() - static_cast<long>(kRxBufferMax));
  }
}

void clsCmcNbx3Drv::read(const ByteStr& bytes) {
  ByteStr chunk = bytes;
  size_t pos = 0;  // bytes before pos are consumed
  while (pos < chunk.size()) {
    const auto begin = chunk.cbegin() + static_cast<long>(pos);
    const auto end = chunk.cend();
    switch (waitState_) {
      case WaitState::Idle:
        return;
      case WaitState::Echo: {
        AppendToRx(begin, end);
        const auto hit = std::search(rxBuffer_.begin(), rxBuffer_.end(), echoPattern_.begin(), echoPattern_.end());
        if (hit == rxBuffer_.end()) return;
        // An answer that came in the same chunk as the echo's tail is handled now.
        chunk.assign(hit + static_cast<long>(echoPattern_.size()), rxBuffer_.end());
        pos = 0;
        rxBuffer_.clear();
        EchoFound();
        betweenFrames_ = true;
        break;
      }
      case WaitState::Answer: {
        const auto fe = std::find(begin, end, frame::kPreamble);
        const auto fd = std::find(begin, end, frame::kEnd);
        if (fe != end && fe < fd) {
          // Every preamble byte restarts the frame, so FE FE leaves it empty.
          pos = static_cast<size_t>(fe - chunk.cbegin()) + 1;
          rxBuffer_.clear();
          betweenFrames_ = false;
        } else if (betweenFrames_) {
          return;
        } else if (fd == end) {
          AppendToRx(begin, end);
          return;
        } else {
          AppendToRx(begin, fd);
          pos = static_cast<size_t>(fd - chunk.cbegin()) + 1;
          const ByteStr complete = rxBuffer_;
          rxBuffer_.clear();
          betweenFrames_ = true;
          FrameComplete(complete);
        }
        break;
      }
    }
  }
}

void clsCmcNbx3Drv::EchoFound() {
  if (waitAnswer_) {
    EnterWait(WaitState::Answer);
  } else {
    EndExchange();
  }
}

void clsCmcNbx3Drv::FrameComplete(const ByteStr& frame) {
  varLastE8Answer_ = frame;
  if (HandleAnswer(frame)) EndExchange();
}

bool clsCmcNbx3Drv::Fail(int16_t code) {
  set_nowError(code);
  return false;
}

bool clsCmcNbx3Drv::HandleAnswer(const ByteStr& f) {
  if (f.size() < 3 || f[0] != frame::kController || f[1] != frame::kRadio) return false;
  const uint8_t command = f[2];
  const bool valid = frame::IsValid(f, e8SubCommand_);
  if (command == frame::kIdentifyAnswer && workMode_ == kModeIdentify) {
    if (!valid) return Fail(kErrInvalidAnswer);
    ansInfo_ = f;
    return true;
  }
  if (command == frame::kCloneData && workMode_ == kModeCloneRead) {
    if (!valid) return Fail(kErrInvalidAnswer);
    waitTimer_.set_counter(kAnswerTimeoutMs);
    if (!StoreCloneData(f)) return Fail(kErrBlockDoesNotFit);
    return false;
  }
  if (command == frame::kCloneEnd && workMode_ == kModeCloneRead) {
    if (!valid) return Fail(kErrInvalidAnswer);
    return true;
  }
  if (command == frame::kAdjust && workMode_ == kModeE8) {
    if (!valid) return Fail(kErrInvalidAnswer);
    varLastE8Answer_.assign(f.begin() + 3, f.end());
    return true;
  }
  return false;
}

bool clsCmcNbx3Drv::StoreCloneData(const ByteStr& f) {
  const auto block = frame::DecodeCloneData(f);
  if (!block || myEep == nullptr) return false;
  if (myEep->WriteBlock(block->adr, block->bytes) != 0) return false;
  lastEeAdr_ = block->adr + static_cast<int32_t>(block->bytes.size()) - 1;
  return true;
}

void clsCmcNbx3Drv::task() {
  if (waitState_ == WaitState::Idle) return;
  if (waitTimer_.counter() >= 1) return;
  if (waitState_ == WaitState::Echo) {
    set_nowError(kErrNoEcho);
  } else if (RetrySend() == 1) {
    set_nowError(kErrNoAnswer);
  }
}

}  // namespace pw
