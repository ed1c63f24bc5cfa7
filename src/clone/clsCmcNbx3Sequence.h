// Turns the program's requests (read the radio's memory, send one adjustment
// command with or without an answer) into a short series of frame exchanges,
// checks the radio's identity, reports failures and releases the port after
// a chosen idle time.
#pragma once

#include <cstdint>
#include <string>

#include "clone/IE8Sequencer.h"
#include "clone/clsCmcRadio.h"
#include "serial/clsCmcTick.h"

namespace pw {

class frmCom;

// The model's sub-name rule and the window's error message, seen from here.
class ISequencerOwner {
 public:
  virtual ~ISequencerOwner() = default;
  virtual bool RigOpFunc_CheckSubNameLegal(const std::string& nameS) = 0;
  virtual void MsgBoxCloneErr() = 0;
};

class clsCmcNbx3Sequence : public IE8Sequencer {
 public:
  // Operation codes. A clone write exists in the protocol but the program
  // never starts one, so it is not offered here.
  static constexpr int16_t kOpNone = 0;
  static constexpr int16_t kOpIdentify = 1;
  static constexpr int16_t kOpCloneRead = 2;
  static constexpr int16_t kOpE8 = 4;

  // Identification errors.
  static constexpr int16_t kErrNone = 0;
  static constexpr int16_t kErrModel = 1;
  static constexpr int16_t kErrSubName = 2;
  static constexpr int16_t kErrIdentify = 3;

  clsCmcNbx3Sequence(frmCom& com, clsCmcRadio& radio, IClock& clock);

  ISequencerOwner* owner = nullptr;
  int16_t ComPortNo = 1;
  std::string e8HexStrToSend;
  bool e8AnsRequired = false;

  void Reset();
  void Standby();
  // Reset, then every operation uses COM portNo.
  void easyReset(int16_t portNo);
  // Identify the radio (E0), check its model and sub name, then read its
  // memory into the radio object's image (E2 ... E5). Follow it with
  // OpRunning; a failure closes the port and shows the clone error message
  // once, with error() or the driver's lastError() telling which.
  void easyCloneRead();
  // One E8 command (hex text: command byte, then the value as ASCII hex),
  // sent before the call returns when the driver is idle; the exchange ends
  // with the frame and its echo is discarded. Always returns false (the
  // result is kept for the callers written against it); the outcome is the
  // driver's lastError() once OpRunning is false.
  bool easySendE8NoAnswer(const std::string& spE8) override;
  // As easySendE8NoAnswer, but the radio's answer is awaited (three sends at
  // most); it is the driver's varLastE8Answer() once OpRunning is false.
  bool easySendE8ReqAnswer(const std::string& spE8) override;

  // The operation code (kOp...); setting it also clears e8AnsRequired.
  void set_Operation(int16_t op);
  int16_t Operation() const { return operation_; }
  // Idle time in ms after which an open port is released; 0: never.
  // Setting it restarts the hold countdown.
  void set_comHoldReload(int32_t ms);
  int32_t comHoldReload() const { return comHoldReload_; }

  // Starts the operation set in Operation from its first step, running its
  // first step at once.
  void start();
  // One step of the operation each heartbeat (nothing while the driver is
  // busy), then the port hold: an open port is released after
  // comHoldReload ms without an operation.
  void task();
  // True from start until the operation has ended, successfully or not.
  bool OpRunning() const override { return step_ != 0; }
  // The identification error of the last operation (kErr...).
  int16_t error() const { return error_; }
  int16_t subOperation() const { return subOperation_; }

  // The radio's last identification answer, and the model and sub name it
  // reported as four hex digits each.
  const ByteStr& ansInfo() const;
  std::string ansNameM() const;
  std::string ansNameS() const;

 private:
  int16_t ChooseNext();
  void IdentityCheck();
  void RunSubOperation(int16_t sub);
  void Prepare();
  ByteStr IdentityBytes() const;

  frmCom& com_;
  clsCmcRadio& radio_;
  clsCmcTick hold_;
  int16_t operation_ = kOpNone;
  int16_t step_ = 0;
  int16_t subOperation_ = 0;
  int32_t comHoldReload_ = 0;
  int16_t error_ = 0;
};

}  // namespace pw
