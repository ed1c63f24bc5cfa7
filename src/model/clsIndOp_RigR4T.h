// The KQ-R4T model: the fifteen console items and their events, the
// operation task that connects, reads monitors, sends changes and steps the
// guided procedures, and the procedures themselves.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "clone/clsCmcNbx3Sequence.h"
#include "clone/clsCmcRadio.h"
#include "console/clsConsole.h"
#include "console/IConsoleEvents.h"
#include "model/clsIndEep_RigR4T.h"
#include "model/ExtParameterFile.h"
#include "model/IModelOwner.h"
#include "model/IServiceLog.h"
#include "model/RigR4T_Events.h"
#include "model/RigR4T_States.h"
#include "platform/IWindow.h"
#include "serial/clsCmcTick.h"

namespace pw {

class clsCmcNbx3Drv;

class clsIndOp_RigR4T : public IConsoleEvents, public ISequencerOwner {
 public:
  struct Links {
    clsCmcNbx3Sequence& seq;
    clsCmcNbx3Drv& drv;
    clsCmcRadio& radio;
    clsConsole& console;
    IWindow& window;
    IClock& clock;
  };

  explicit clsIndOp_RigR4T(const Links& links);

  IModelOwner* myOwner = nullptr;
  // Told when a Connect has read a radio and how the procedures run.
  IServiceLog* serviceLog = nullptr;

  // Public surface used by the window, the sequencer and start-up.
  void RigOpFunc_ResetAll();
  void RigOpFunc_ClickCmd00(int16_t Index);
  void RigOpFunc_SetComPortNo(int16_t portNo);
  bool RigOpFunc_CheckSubNameLegal(const std::string& nameS) override;
  void MsgBoxCloneErr() override;
  bool RigR4TProp_EditEnabled() const { return opState_ > op::CloneRead && opState_ < op::DispPara; }
  bool RigR4TProp_DispPara() const { return opState_ == op::DispPara; }
  bool RigR4TProp_Shielding() const { return !RigR4TProp_EditEnabled() && !RigR4TProp_DispPara(); }
  bool RigR4TProp_ReadParametersFromExtFile(const std::string& path = "Const.ini");
  void RigOpFunc_FormResource();
  void RigOpFunc_FormLayout();
  // The model's share of every heartbeat: one pass of the operation task.
  // It waits while the sequencer is busy or a send's wait runs, then steps
  // through the states that finish at once, stopping at one that waits, at
  // the cycle's end or as soon as something went to the radio; then it
  // brings the window's frames and buttons into line with the state.
  void task();

  // Console events.
  std::string ConsEv_Disp(clsConsole& objConsole, int16_t& Index, int16_t evNo, int16_t& val) override;
  void ConsEv_Changed(clsConsole& objConsole, int16_t& Index, int16_t evNo, int16_t& val) override;
  void ConsEv_SendE8(clsConsole& objConsole, int16_t& Index, int16_t evNo, int16_t& val) override;
  void ConsEv_Enter(clsConsole& objConsole, int16_t& Index, int16_t evNo, int16_t& val) override;
  void set_WaitE8Required(int32_t waitMs) override { waitE8_ = waitMs; }

  clsIndEep_RigR4T& eep() { return eep_; }
  const ExtParameters& parameters() const { return params_; }
  ExtParameters& parameters() { return params_; }

  // Item indexes, set while the console is built.
  int16_t idxTxf() const { return idxTxf_; }
  int16_t idxSweepItem() const { return idxSweepItem_; }  // also the line whose Enter started a sweep
  int16_t idxBpfT1() const { return idxBpfT1_; }          // T2 to T4 follow it
  int16_t idxSql() const { return idxSql_; }
  int16_t idxAtis() const { return idxAtis_; }

  // Operation task state, read by the window and the tests.
  op::State opState() const { return opState_; }
  bool flgCommError() const { return flgCommError_; }
  bool flgReloadRequest() const { return flgReloadRequest_; }
  bool flgReloadCycle() const { return flgReloadCycle_; }
  bool flgAtisWait() const { return flgAtisWait_; }
  bool flgDispParaRequest() const { return flgDispParaRequest_; }
  bool flgAtisActive() const { return flgAtisActive_; }
  const ByteStr& varRadioId() const { return varRadioId_; }
  int32_t waitE8() const { return waitE8_; }

  // Channel selection.
  static constexpr int kDialTableSize = 5;
  static constexpr int kChListSize = 267;
  // The channel group of each dial position (the alignment picks its channel by it).
  const std::array<int16_t, kDialTableSize>& dialTable() const { return dialTable_; }
  int16_t curDialIndex() const { return curDialIndex_; }
  int16_t curChNo() const { return curChNo_; }
  const std::array<int16_t, kChListSize>& chList() const { return chList_; }

  // Procedures.
  proc::Step procStep() const { return procStep_; }
  bool flgAtisEnter() const { return flgAtisEnter_; }
  bool flgTxfEnter() const { return flgTxfEnter_; }
  bool flgSqlEnter() const { return flgSqlEnter_; }
  const std::array<bool, 4>& bpfSelect() const { return bpfSelect_; }

  // Monitor readings, -1 until read.
  const std::array<int16_t, 11>& lastAd() const { return lastAd_; }
  const std::array<int16_t, 6>& lastDa() const { return lastDa_; }
  const std::array<int16_t, 2>& lastSqlCalced() const { return lastSqlCalced_; }

  // Sets up a case for the tests without running the program up to it.
  struct TestAccess;
  friend struct TestAccess;

  // Monitor readings and their lines (also used by the procedures).
  bool RigOpFunc_ReadAdMonitor(int16_t index, bool firstPass);
  bool RigOpFunc_ReadDaMonitor(int16_t index, bool firstPass);
  bool RigOpFunc_ReadSqlCalcedMonitor(int16_t index, bool firstPass);
  bool RigOpFunc_AtisStatus(int16_t mode);
  bool RigOpFunc_AnswerIsBad(const ByteStr& answer) const;
  int16_t RigOpFunc_AnswerValue(const ByteStr& answer) const;
  static std::string AdLine(int16_t index, int16_t v);
  static std::string DaLine(int16_t index, int16_t v);
  static std::string SqlCalcedLine(int16_t index, int16_t v);
  static uint8_t AdSubCommand(int16_t index);

  // Procedure formulas, exposed for their tests.
  int32_t RigOpFunc_SqlControlCurve(int16_t& x) const;
  int16_t RigOpFunc_TempIndex(int16_t adValue) const;
  int16_t RigOpFunc_RefTableValue(int16_t i, int16_t base) const;

 private:
  // Ends the running procedure, if any, telling the service log why.
  void ProcedureReset(ProcedureEnd why);
  // A procedure reached its end: the beep, and the log is told.
  void ProcedureFinished();
  void LogProcedureWrite(int32_t eeAdr, int16_t value);
  void BuildConsole();
  bool RunState();
  bool RigOpFunc_RunProcedure();
  void RigOpFunc_UpdateWindow();
  // After a clone read: every line from the image, every line to be sent,
  // the monitors to be read, the generator to be confirmed off.
  void LoadConsoleFromImage();
  void ShowCloneProgress();
  bool SendChangedItems();
  void ExecuteOneEnter();
  void SendE8Command(uint8_t subCommand, int16_t value, bool answer);
  std::string FreqText(int32_t hz) const;
  std::string ChannelLine(const std::string& title, int16_t val);
  bool ReadMonitor(int family, int16_t index, bool firstPass);

  // Procedure step routines.
  bool RigOpProc_Atis();
  bool RigOpProc_Txf();
  bool RigOpProc_SqlCalc();
  bool RigOpProc_BpfSweep();
  void SetProcStep(proc::Step step);
  void AtisSetLine(int32_t eeAdr, int16_t e8Command, bool load);

  // Item indexes.
  int16_t idxDialMode_ = -1, idxChNo_ = -1, idxRfPower_ = -1, idxPowerHi_ = -1, idxPowerLo_ = -1, idxPowerEl_ = -1,
          idxTxf_ = -1, idxSweepItem_ = -1, idxBpfT1_ = -1, idxSql_ = -1, idxAtis_ = -1;

  // Operation task state.
  op::State opState_ = op::Idle;
  bool flgStateEntry_ = true;
  bool flgCommError_ = false;
  bool flgReloadRequest_ = false;
  bool flgReloadCycle_ = false;
  bool flgAtisWait_ = false;
  bool flgDispParaRequest_ = false;
  bool flgAtisActive_ = false;
  ByteStr varRadioId_;
  int32_t waitE8_ = 0;

  // Channel selection.
  std::array<int16_t, kDialTableSize> dialTable_{};
  int16_t dialCount_ = 0;
  int16_t curDialIndex_ = 0;
  int16_t curChNo_ = 0;
  std::array<int16_t, kChListSize> chList_{};

  // Procedures.
  proc::Step procStep_ = proc::None;
  bool flgAtisEnter_ = false, flgTxfEnter_ = false, flgSqlEnter_ = false, flgAtisAbort_ = false;
  std::array<bool, 4> bpfSelect_{};
  std::array<int16_t, 21> tempPoints_{};

  // Monitor readings.
  std::array<int16_t, 11> lastAd_{};
  std::array<int16_t, 6> lastDa_{};
  std::array<int16_t, 2> lastSqlCalced_{};

  clsCmcNbx3Sequence& seq_;
  clsCmcNbx3Drv& drv_;
  clsCmcRadio& radio_;
  clsConsole& console_;
  IWindow& window_;
  IClock& clock_;
  clsIndEep_RigR4T eep_;
  ExtParameters params_;

  int16_t comPortNo_ = 1;
  clsCmcTick tickWait_;
  clsCmcTick powerSelectTimer_;
  bool firstLayoutDone_ = false;
  int16_t lastAtisMode_ = 0;

  // Per-procedure state kept between calls.
  int16_t passCount_ = 0;
  struct TxfState {
    int16_t lastBand = -1, lastValue = 0, first = 0, last = -1;
    bool enterLatch = false;
  } txf_;
  struct SqlState {
    int16_t noise1 = 0, noise2 = 0, tempCode = 0;
    // 32 bits like K: extreme offsets in "Const.ini" need more than 16.
    int32_t T = 0, K = 0, shift = 0;
  } sql_;
  struct BpfState {
    int16_t k = 0, best = -1, low = 0, high = 0, subStep = 0;
  } bpf_;
};

}  // namespace pw
