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
  void easyReset(int16_t portNo);
  void easyCloneRead();
  bool easySendE8NoAnswer(const std::string& spE8) override;
  bool easySendE8ReqAnswer(const std::string& spE8) override;

  void set_Operation(int16_t op);
  int16_t Operation() const { return operation_; }
  void set_comHoldReload(int32_t ms);
  int32_t comHoldReload() const { return comHoldReload_; }

  void start();
  void task();
  bool OpRunning() const override { return step_ != 0; }
  int16_t error() const { return error_; }
  int16_t subOperation() const { return subOperation_; }

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
