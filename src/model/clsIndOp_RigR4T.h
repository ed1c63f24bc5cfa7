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
#include "console/IConsoleEvents.h"
#include "console/clsConsole.h"
#include "model/ExtParameterFile.h"
#include "model/IModelOwner.h"
#include "model/RigR4T_Events.h"
#include "model/RigR4T_States.h"
#include "model/clsIndEep_RigR4T.h"
#include "serial/clsCmcTick.h"
#include "shell/IWindow.h"

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

  // Public surface used by the window, the sequencer and start-up.
  void RigOpFunc_ResetAll();
  void RigOpFunc_ClickCmd00(int16_t Index);
  void RigOpFunc_SetComPortNo(int16_t portNo);
  bool RigOpFunc_CheckSubNameLegal(const std::string& nameS) override;
  void MsgBoxCloneErr() override;
  bool RigR4TProp_EditEnabled() const { return opState > op::CloneRead && opState < op::DispPara; }
  bool RigR4TProp_DispPara() const { return opState == op::DispPara; }
  bool RigR4TProp_Shielding() const { return !RigR4TProp_EditEnabled() && !RigR4TProp_DispPara(); }
  bool RigR4TProp_ReadParametersFromExtFile(const std::string& path = "Const.ini");
  void RigOpFunc_FormResource();
  void RigOpFunc_FormLayout();
  void task();

  // Console events.
  std::string ConsEv_Disp(clsConsole& objConsole, int16_t& Index, int16_t evNo, int16_t& val) override;
  void ConsEv_Changed(clsConsole& objConsole, int16_t& Index, int16_t evNo, int16_t& val) override;
  void ConsEv_SendE8(clsConsole& objConsole, int16_t& Index, int16_t evNo, int16_t& val) override;
  void ConsEv_Enter(clsConsole& objConsole, int16_t& Index, int16_t evNo, int16_t& val) override;
  void set_WaitE8Required(int32_t waitMs) override { waitE8 = waitMs; }

  clsIndEep_RigR4T& eep() { return eep_; }
  const ExtParameters& parameters() const { return params_; }
  ExtParameters& parameters() { return params_; }

  // Item indexes, set while the console is built.
  int16_t idxDialMode = -1, idxChNo = -1, idxRfPower = -1, idxPowerHi = -1, idxPowerLo = -1,
          idxPowerEl = -1, idxTxf = -1, idxSweepItem = -1, idxBpfT1 = -1, idxSql = -1, idxAtis = -1;

  // Operation task state.
  op::State opState = op::Idle;
  bool flgStateEntry = true;
  bool flgCommError = false;
  bool flgReloadRequest = false;
  bool flgReloadCycle = false;
  bool flgAtisWait = false;
  bool flgDispParaRequest = false;
  bool flgAtisActive = false;
  ByteStr varRadioId;
  int32_t waitE8 = 0;

  // Channel selection.
  static constexpr int kDialTableSize = 5;
  static constexpr int kChListSize = 267;
  std::array<int16_t, kDialTableSize> dialTable{};
  int16_t dialCount = 0;
  int16_t curDialIndex = 0;
  int16_t curChNo = 0;
  std::array<int16_t, kChListSize> chList{};

  // Procedures.
  proc::Step procStep = proc::None;
  bool flgAtisEnter = false, flgTxfEnter = false, flgSqlEnter = false, flgAtisAbort = false;
  std::array<bool, 4> bpfSelect{};
  std::array<int16_t, 21> tempPoints{};

  // Monitor readings, -1 until read.
  std::array<int16_t, 11> lastAd{};
  std::array<int16_t, 6> lastDa{};
  std::array<int16_t, 2> lastSqlCalced{};

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
  void ProcedureReset();
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
  bool consoleWasVisible_ = false;
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
