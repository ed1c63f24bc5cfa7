#include "clone/clsCmcNbx3Sequence.h"

#include "clone/Nbx3Frame.h"
#include "serial/frmCom.h"

namespace pw {

namespace {
constexpr int16_t kSubIdentify = 1;
constexpr int16_t kSubCloneRead = 2;
constexpr int16_t kSubE8 = 4;
constexpr int16_t kSubFail = 5;
constexpr int16_t kSubFinish = 6;
}  // namespace

clsCmcNbx3Sequence::clsCmcNbx3Sequence(frmCom& com, clsCmcRadio& radio, IClock& clock)
    : com_(com), radio_(radio), hold_(clock) {
  Reset();
  ComPortNo = 1;
  set_comHoldReload(0);
}

void clsCmcNbx3Sequence::Reset() {
  com_.nbx3D.Reset();
  com_.Reset();
  Standby();
}

void clsCmcNbx3Sequence::Standby() {
  operation_ = kOpNone;
  step_ = 0;
  e8HexStrToSend.clear();
}

void clsCmcNbx3Sequence::easyReset(int16_t portNo) {
  Reset();
  ComPortNo = portNo;
}

void clsCmcNbx3Sequence::set_Operation(int16_t op) {
  e8AnsRequired = false;
  operation_ = op;
}

void clsCmcNbx3Sequence::easyCloneRead() {
  set_Operation(kOpCloneRead);
  start();
}

bool clsCmcNbx3Sequence::easySendE8NoAnswer(const std::string& spE8) {
  set_Operation(kOpE8);
  e8HexStrToSend = spE8;
  start();
  return false;
}

bool clsCmcNbx3Sequence::easySendE8ReqAnswer(const std::string& spE8) {
  set_Operation(kOpE8);
  e8HexStrToSend = spE8;
  e8AnsRequired = true;
  start();
  return false;
}

void clsCmcNbx3Sequence::set_comHoldReload(int32_t ms) {
  comHoldReload_ = ms;
  hold_.set_counter(ms);
}

void clsCmcNbx3Sequence::start() {
  step_ = 0;
  task();
}

const ByteStr& clsCmcNbx3Sequence::ansInfo() const { return com_.nbx3D.ansInfo(); }

std::string clsCmcNbx3Sequence::ansNameM() const {
  const ByteStr& a = ansInfo();
  return a.size() >= 5 ? ByteStrToHexStr(ByteStr(a.begin() + 3, a.begin() + 5)) : std::string();
}

std::string clsCmcNbx3Sequence::ansNameS() const {
  const ByteStr& a = ansInfo();
  return a.size() >= 7 ? ByteStrToHexStr(ByteStr(a.begin() + 5, a.begin() + 7)) : std::string();
}

void clsCmcNbx3Sequence::IdentityCheck() {
  if (com_.nbx3D.lastError() != clsCmcNbx3Drv::kErrNone) {
    error_ = kErrIdentify;
    return;
  }
  if (ansNameM() != radio_.radioNameM) error_ = kErrModel;
  const std::string nameS = ansNameS();
  if (owner != nullptr && owner->RigOpFunc_CheckSubNameLegal(nameS)) {
    radio_.radionameS = nameS;
  } else {
    error_ = kErrSubName;
  }
}

int16_t clsCmcNbx3Sequence::ChooseNext() {
  const bool driverOk = com_.nbx3D.lastError() == clsCmcNbx3Drv::kErrNone;
  switch (operation_) {
    case kOpIdentify:
      return step_ == 0 ? kSubIdentify : kSubFinish;
    case kOpCloneRead:
      if (step_ == 0) return kSubIdentify;
      if (step_ == 1) {
        IdentityCheck();
        return error_ != 0 ? kSubFail : kSubCloneRead;
      }
      return driverOk ? kSubFinish : kSubFail;
    case kOpE8:
      if (step_ == 0) return kSubE8;
      return driverOk ? kSubFinish : kSubFail;
    default:
      return 0;
  }
}

void clsCmcNbx3Sequence::task() {
  const bool operationAtEntry = operation_ != kOpNone;
  if (operationAtEntry && !com_.nbx3D.Running()) {
    int16_t sub = ChooseNext();
    if (sub == kSubFail) {
      com_.set_comOpen(false);
      if (owner) owner->MsgBoxCloneErr();
      sub = kSubFinish;
    }
    ++step_;
    if (sub != 0) {
      subOperation_ = sub;
      RunSubOperation(sub);
    }
  }
  if (operationAtEntry) {
    hold_.set_counter(comHoldReload_);
  } else if (comHoldReload_ > 0 && hold_.counter() < 1 && com_.comOpen()) {
    Reset();
  }
}

void clsCmcNbx3Sequence::Prepare() {
  com_.nbx3D.ClearLastError();
  error_ = 0;
  com_.set_comPortNum(ComPortNo);
  com_.set_comOpen(true);
}

ByteStr clsCmcNbx3Sequence::IdentityBytes() const {
  ByteStr id = HexStrToByteStr(radio_.radioNameM);
  const ByteStr s = HexStrToByteStr(radio_.radionameS);
  id.insert(id.end(), s.begin(), s.end());
  return id;
}

void clsCmcNbx3Sequence::RunSubOperation(int16_t sub) {
  clsCmcNbx3Drv& drv = com_.nbx3D;
  ByteStr payload;
  switch (sub) {
    case kSubIdentify:
      Prepare();
      drv.set_workMode(clsCmcNbx3Drv::kModeIdentify);
      payload = {frame::kIdentify};
      for (uint8_t b : HexStrToByteStr(radio_.radioNameM)) payload.push_back(b);
      payload.push_back(0x00);
      payload.push_back(0x00);
      break;
    case kSubCloneRead:
      Prepare();
      drv.set_workMode(clsCmcNbx3Drv::kModeCloneRead);
      drv.myEep = &radio_.eepImage();
      payload = {frame::kCloneRead};
      for (uint8_t b : IdentityBytes()) payload.push_back(b);
      break;
    case kSubE8:
      Prepare();
      drv.set_workMode(clsCmcNbx3Drv::kModeE8);
      drv.set_waitAnswer(e8AnsRequired);
      drv.set_retryCount(2);
      payload = {frame::kAdjust};
      for (uint8_t b : IdentityBytes()) payload.push_back(b);
      for (uint8_t b : HexStrToByteStr(e8HexStrToSend)) payload.push_back(b);
      break;
    case kSubFinish:
      step_ = 0;
      Standby();
      return;
    default:
      return;
  }
  // A refused transmission leaves the driver idle; the next task ends the
  // operation and any port failure is reported by the serial form.
  drv.Send(payload);
}

}  // namespace pw
