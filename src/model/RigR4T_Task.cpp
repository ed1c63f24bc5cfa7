// The operation task: a cyclic state machine run on every heartbeat tick. It
// connects, loads the console, keeps the ATIS generator off, reads monitors on
// request, sends changed items, executes Enter presses, steps the running
// procedure and switches to and from the parameter dump.
#include <cassert>

#include "clone/clsCmcNbx3Drv.h"
#include "model/clsIndOp_RigR4T.h"

namespace pw {

namespace {
// One pass runs at most one full cycle; the cap only guards against a
// handler that would keep advancing without ever sending or waiting.
constexpr int kMaxStepsPerPass = 2 * op::Count;
}  // namespace

void clsIndOp_RigR4T::task() {
  if (seq_.OpRunning()) {
    if (opState_ == op::CloneRead) ShowCloneProgress();
    return;
  }
  if (waitE8_ > 0) {
    tickWait_.set_counter(waitE8_);
    waitE8_ = 0;
  }
  if (tickWait_.counter() > 0) return;

  for (int steps = 0; steps < kMaxStepsPerPass; ++steps) {
    const bool advanced = RunState();
    if (flgCommError_) {
      MsgBoxCloneErr();
      RigOpFunc_ResetAll();
      break;
    }
    if (opState_ == op::CycleEnd || !advanced || seq_.OpRunning()) break;
  }
  RigOpFunc_UpdateWindow();
}

void clsIndOp_RigR4T::ShowCloneProgress() {
  const int n = static_cast<int>(static_cast<int64_t>(drv_.lastEeAdr()) * 33 / 4096);
  const int filled = n < 0 ? 0 : (n > 32 ? 32 : n);
  window_.SetProgressText(std::string(static_cast<size_t>(filled), 'o') +
                          std::string(static_cast<size_t>(32 - filled), '.'));
}

// Runs the handler of the current state and commits the move; returns
// whether the state finished.
bool clsIndOp_RigR4T::RunState() {
  op::State next = op::Next(opState_);
  bool advance = false;
  const bool first = flgStateEntry_;
  switch (opState_) {
    case op::Idle:
      break;
    case op::Start:
      advance = true;
      break;
    case op::CloneRead:
      if (first) {
        seq_.easyCloneRead();
      } else {
        LoadConsoleFromImage();
        advance = true;
      }
      break;
    case op::CycleStart:
      flgReloadCycle_ = flgReloadRequest_;
      flgReloadRequest_ = false;
      advance = true;
      break;
    case op::AtisOff:
      if (!flgAtisWait_) {
        advance = true;
      } else if (first) {
        RigOpFunc_AtisStatus(0);
      } else if (RigOpFunc_AtisStatus(-1)) {
        flgAtisWait_ = false;
        advance = true;
      } else {
        window_.SetAtisWaitingVisible(true);
        next = op::AtisOff;  // the next pass is a first pass again and repeats the request
        advance = true;
      }
      break;
    case op::AdMkey:
    case op::AdSwA:
    case op::AdSwB:
    case op::AdLvin:
    case op::AdTemps:
    case op::AdSqlv:
    case op::AdTxdet:
    case op::AdSd:
    case op::AdNois:
    case op::AdBtype:
    case op::AdBatt:
      advance = !flgReloadCycle_ || RigOpFunc_ReadAdMonitor(static_cast<int16_t>(opState_ - op::AdMkey), first);
      break;
    case op::DaFrqcon:
    case op::DaPowcon:
    case op::DaT1:
    case op::DaT2:
    case op::DaT3:
    case op::DaT4:
      advance = !flgReloadCycle_ || RigOpFunc_ReadDaMonitor(static_cast<int16_t>(opState_ - op::DaFrqcon), first);
      break;
    case op::SqlOpen:
    case op::SqlClose:
      advance = !flgReloadCycle_ || RigOpFunc_ReadSqlCalcedMonitor(static_cast<int16_t>(opState_ - op::SqlOpen), first);
      break;
    case op::SendChanged:
      advance = SendChangedItems();
      break;
    case op::Enter:
      ExecuteOneEnter();
      advance = true;
      break;
    case op::Procedure:
      advance = flgAtisWait_ ? true : RigOpFunc_RunProcedure();
      break;
    case op::CycleEnd:
      advance = true;
      if (flgDispParaRequest_) {
        ProcedureReset(ProcedureEnd::DispPara);
        next = op::DispPara;
      } else {
        next = op::CycleStart;
      }
      break;
    case op::DispPara:
      if (first) eep_.RigR4TEep_DispPara(window_);
      if (!flgDispParaRequest_) {
        next = op::CycleEnd;
        advance = true;
        window_.FocusButton(frm::kButtonDispPara);
      }
      break;
    case op::Count:
    default:
      // A state outside the table is a programming error: loud where it is
      // looked for, and otherwise a reset as after a communication error
      // rather than a task that silently stops.
      assert(!"operation task in a state outside its table");
      flgCommError_ = true;
      break;
  }
  if (advance) {
    opState_ = next;
    flgStateEntry_ = true;
  } else {
    flgStateEntry_ = false;
  }
  return advance;
}

// Sends the changed items in line order; true when every line has been
// looked at, false when a send started an operation and the rest must wait.
bool clsIndOp_RigR4T::SendChangedItems() {
  for (int16_t i = 0; i < console_.ListCount(); ++i) {
    if (!console_.flgChanged(i)) continue;
    console_.set_flgChanged(i, false);
    console_.SendE8(i);
    if (seq_.OpRunning()) return false;
  }
  return true;
}

// The first pending Enter whose line has an action runs; lines without one
// keep their flag.
void clsIndOp_RigR4T::ExecuteOneEnter() {
  for (int16_t i = 0; i < console_.ListCount(); ++i) {
    if (console_.flgEnterOn(i) && console_.Event_Enter(i) >= 0) {
      console_.set_flgEnterOn(i, false);
      console_.EnterExec(i);
      return;
    }
  }
}

void clsIndOp_RigR4T::LoadConsoleFromImage() {
  varRadioId_ = HexStrToByteStr(radio_.radioNameM + radio_.radionameS);
  for (int16_t i = 0; i < console_.ListCount(); ++i) {
    console_.ReadFromEe(i);
    console_.set_flgChanged(i, true);
  }
  flgReloadRequest_ = true;
  flgAtisWait_ = true;
  console_.set_Value(idxRfPower_, 0);
  dialTable_.fill(0);
  dialCount_ = 0;
  for (int16_t g = 0; g <= 3; ++g) {
    if (eep_.RigR4TEep_GetChGroupAppear(g)) dialTable_[static_cast<size_t>(dialCount_++)] = g;
  }
  console_.set_Max(idxDialMode_, static_cast<int16_t>(dialCount_ > 0 ? dialCount_ - 1 : 0));
  // The image is as the radio sent it: nothing has gone back yet.
  if (serviceLog) serviceLog->RadioRead();
}

bool clsIndOp_RigR4T::RigOpFunc_RunProcedure() {
  const proc::Step s = procStep_;
  bool result = true;
  if (proc::InAtis(s)) {
    result = RigOpProc_Atis();
  } else if (proc::InTxf(s)) {
    result = RigOpProc_Txf();
  } else if (proc::InSql(s)) {
    result = RigOpProc_SqlCalc();
  } else if (proc::InBpf(s)) {
    result = RigOpProc_BpfSweep();
  }
  // Finished runs were logged at their beep; this only tidies the lines.
  if (s != proc::None && procStep_ == proc::None) ProcedureReset(ProcedureEnd::Finished);
  return result;
}

void clsIndOp_RigR4T::RigOpFunc_UpdateWindow() {
  const bool edit = RigR4TProp_EditEnabled();
  const bool dump = RigR4TProp_DispPara();
  const bool shielding = RigR4TProp_Shielding();
  window_.SetFrameVisible(frm::kFrameConnect, shielding);
  const bool consoleWasVisible = window_.FrameVisible(frm::kFrameConsole);
  window_.SetFrameVisible(frm::kFrameConsole, edit);
  if (edit && !consoleWasVisible) window_.FocusConsole();
  window_.SetFrameVisible(frm::kFrameDispPara, dump);
  window_.SetButtonEnabled(frm::kButtonConnect, !dump);
  window_.SetButtonEnabled(frm::kButtonReload, edit);
  window_.SetButtonEnabled(frm::kButtonDispPara, !shielding);
  window_.SetButtonDefaultCancel(frm::kButtonDispPara, dump);
  if (opState_ != op::AtisOff) window_.SetAtisWaitingVisible(false);
}

}  // namespace pw
