// The operation task: a cyclic state machine run on every heartbeat tick. It
// connects, loads the console, keeps the ATIS generator off, reads monitors on
// request, sends changed items, executes Enter presses, steps the running
// procedure and switches to and from the parameter dump.
#include "clone/clsCmcNbx3Drv.h"
#include "model/clsIndOp_RigR4T.h"

namespace pw {

namespace {
constexpr int16_t kStateCount = 29;
constexpr int16_t kStateCycleEnd = 27;
constexpr int16_t kStateDispPara = 28;
// One pass runs at most one full cycle; the cap only guards against a
// handler that would keep advancing without ever sending or waiting.
constexpr int kMaxStepsPerPass = 2 * kStateCount;
}  // namespace

void clsIndOp_RigR4T::task() {
  if (seq_.OpRunning()) {
    if (opState == 2) {
      const int n = static_cast<int>(static_cast<int64_t>(drv_.lastEeAdr()) * 33 / 4096);
      const int filled = n < 0 ? 0 : (n > 32 ? 32 : n);
      window_.SetProgressText(std::string(static_cast<size_t>(filled), 'o') +
                              std::string(static_cast<size_t>(32 - filled), '.'));
    }
    return;
  }
  if (waitE8 > 0) {
    tickWait_.set_counter(waitE8);
    waitE8 = 0;
  }
  if (tickWait_.counter() > 0) return;

  for (int steps = 0; steps < kMaxStepsPerPass; ++steps) {
    const bool advanced = RunState();
    if (flgCommError) {
      MsgBoxCloneErr();
      RigOpFunc_ResetAll();
      break;
    }
    if (opState == kStateCycleEnd || !advanced || seq_.OpRunning()) break;
  }
  RigOpFunc_UpdateWindow();
}

// Runs the handler of the current state and commits the move; returns
// whether the state finished.
bool clsIndOp_RigR4T::RunState() {
  int16_t next = static_cast<int16_t>((opState + 1) % kStateCount);
  bool advance = false;
  const bool first = flgStateEntry;
  switch (opState) {
    case 0:
      break;
    case 1:
      advance = true;
      break;
    case 2:
      if (first) {
        seq_.easyCloneRead();
      } else {
        State2ConsoleLoad();
        advance = true;
      }
      break;
    case 3:
      flgReloadCycle = flgReloadRequest;
      flgReloadRequest = false;
      advance = true;
      break;
    case 4:
      if (!flgAtisWait) {
        advance = true;
      } else if (first) {
        RigOpFunc_AtisStatus(0);
      } else if (RigOpFunc_AtisStatus(-1)) {
        flgAtisWait = false;
        advance = true;
      } else {
        window_.SetAtisWaitingVisible(true);
        next = 4;  // the next pass is a first pass again and repeats the request
        advance = true;
      }
      break;
    case 24: {
      advance = true;
      for (int16_t i = 0; i < console_.ListCount(); ++i) {
        if (!console_.flgChanged(i)) continue;
        console_.set_flgChanged(i, false);
        console_.SendE8(i);
        if (seq_.OpRunning()) {
          advance = false;
          break;
        }
      }
      break;
    }
    case 25:
      for (int16_t i = 0; i < console_.ListCount(); ++i) {
        if (console_.flgEnterOn(i) && console_.Event_Enter(i) >= 0) {
          console_.set_flgEnterOn(i, false);
          console_.EnterExec(i);
          break;
        }
      }
      advance = true;
      break;
    case 26:
      advance = flgAtisWait ? true : RigOpFunc_RunProcedure();
      break;
    case kStateCycleEnd:
      advance = true;
      if (flgDispParaRequest) {
        ProcedureReset();
        next = kStateDispPara;
      } else {
        next = 3;
      }
      break;
    case kStateDispPara:
      if (first) eep_.RigR4TEep_DispPara(window_);
      if (!flgDispParaRequest) {
        next = kStateCycleEnd;
        advance = true;
        window_.FocusButton(2);
      }
      break;
    default:
      if (opState >= 5 && opState <= 23) {
        if (!flgReloadCycle) {
          advance = true;
        } else if (opState <= 15) {
          advance = RigOpFunc_ReadAdMonitor(static_cast<int16_t>(opState - 5), first);
        } else if (opState <= 21) {
          advance = RigOpFunc_ReadDaMonitor(static_cast<int16_t>(opState - 16), first);
        } else {
          advance = RigOpFunc_ReadSqlCalcedMonitor(static_cast<int16_t>(opState - 22), first);
        }
      }
      break;
  }
  if (advance) {
    opState = next;
    flgStateEntry = true;
  } else {
    flgStateEntry = false;
  }
  return advance;
}

void clsIndOp_RigR4T::State2ConsoleLoad() {
  varRadioId = HexStrToByteStr(radio_.radioNameM + radio_.radionameS);
  for (int16_t i = 0; i < console_.ListCount(); ++i) {
    console_.ReadFromEe(i);
    console_.set_flgChanged(i, true);
  }
  flgReloadRequest = true;
  flgAtisWait = true;
  console_.set_Value(idxRfPower, 0);
  dialTable.fill(0);
  dialCount = 0;
  for (int16_t g = 0; g <= 3; ++g) {
    if (eep_.RigR4TEep_GetChGroupAppear(g)) dialTable[static_cast<size_t>(dialCount++)] = g;
  }
  console_.set_Max(idxDialMode, static_cast<int16_t>(dialCount > 0 ? dialCount - 1 : 0));
}

bool clsIndOp_RigR4T::RigOpFunc_RunProcedure() {
  const int16_t s = procStep;
  bool result = true;
  if (s >= 1 && s <= 11) {
    result = RigOpProc_Atis();
  } else if (s >= 12 && s <= 15) {
    result = RigOpProc_Txf();
  } else if (s >= 16 && s <= 21) {
    result = RigOpProc_SqlCalc();
  } else if (s >= 22 && s <= 26) {
    result = RigOpProc_BpfSweep();
  }
  if (s != 0 && procStep == 0) ProcedureReset();
  return result;
}

void clsIndOp_RigR4T::RigOpFunc_UpdateWindow() {
  const bool edit = RigR4TProp_EditEnabled();
  const bool dump = RigR4TProp_DispPara();
  const bool shielding = RigR4TProp_Shielding();
  window_.SetFrameVisible(0, shielding);
  const bool consoleWasVisible = window_.FrameVisible(1);
  window_.SetFrameVisible(1, edit);
  if (edit && !consoleWasVisible) window_.FocusConsole();
  window_.SetFrameVisible(3, dump);
  window_.SetButtonEnabled(0, !dump);
  window_.SetButtonEnabled(1, edit);
  window_.SetButtonEnabled(2, !shielding);
  window_.SetButtonDefaultCancel(2, dump);
  if (opState != 4) window_.SetAtisWaitingVisible(false);
}

}  // namespace pw
