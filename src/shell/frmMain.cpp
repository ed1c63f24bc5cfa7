#include "shell/frmMain.h"

#include <algorithm>
#include <cctype>

#include "base/ProgramTitle.h"
#include "clone/clsCmcNbx3Sequence.h"
#include "console/clsConsole.h"
#include "instruments/BenchInstruments.h"
#include "model/clsIndOp_RigR4T.h"
#include "record/ServiceRecords.h"
#include "shell/MsgBoxApp.h"

namespace pw {

namespace {

constexpr const char* kCrLf = "\r\n";

// The typed-key watch keeps both of its texts only in shifted form: each
// trigger character is the typed one plus 1, upper-cased; the caption is
// stored reversed with every code raised by 1.
constexpr const char* kTriggerShifted = "USJNBSBSCFODI";
constexpr const char* kCaptionShifted = "mmfx!efovu!idofC";

// The longest release time whose millisecond count still fits 16 bits.
constexpr int16_t kMaxAutoReleaseSeconds = 32;

}  // namespace

frmMain::frmMain(const Links& links)
    : com_(links.com), seq_(links.seq), console_(links.console), window_(links.window) {}

void frmMain::set_ComPortNo(int16_t portNo) {
  // Another port means another radio: the record of this one is complete.
  if (records_ && portNo != comPortNo_) records_->SessionEnds();
  comPortNo_ = portNo;
  if (model_) model_->RigOpFunc_SetComPortNo(portNo);
}

void frmMain::set_ComAutoRelease(int16_t seconds) {
  comAutoRelease_ = seconds;
  // The hold time is a 16-bit millisecond count; longer times cannot be kept
  // and fall back to no release rather than to a wrapped value.
  const int32_t ms = (seconds >= 0 && seconds <= kMaxAutoReleaseSeconds) ? seconds * 1000 : 0;
  seq_.set_comHoldReload(ms);
}

bool frmMain::Form_Load(bool readConstIni) {
  if (!model_) return false;
  if (readConstIni && !model_->RigR4TProp_ReadParametersFromExtFile()) return false;
  window_.SetCaption(kProgramTitle);
  window_.SetTitleText(std::string(kProgramTitle) + kCrLf + "Adjust Utility for KQ-R4T" + kCrLf +
                       "(C) PW-R4T ADJ developers. For authorised service use.");
  model_->RigOpFunc_FormResource();
  model_->RigOpFunc_FormLayout();
  return true;
}

void frmMain::Form_Resize() {
  window_.SetComBusy("", ColorRole::GrayText);
  if (model_) model_->RigOpFunc_FormLayout();
}

void frmMain::lboConsole_GotFocus() {
  IListBox& list = window_.lboConsole();
  if (list.ListIndex() < 0 && list.ListCount() > 0) {
    list.SetListIndex(0);
  }
}

bool frmMain::Form_KeyDown(int keyCode, bool /*shift*/) {
  if (keyCode == keys::kF5 && model_) model_->RigOpFunc_ClickCmd00(frm::kButtonReload);
  return false;  // F5 still reaches the control that has the focus
}

bool frmMain::lboConsole_KeyDown(int keyCode, bool shift) {
  int16_t step = 0;
  bool consumed = false;
  const int16_t index = static_cast<int16_t>(window_.lboConsole().ListIndex());
  switch (keyCode) {
    case keys::kLeft:
      step = shift ? -5 : -1;
      consumed = true;
      break;
    case keys::kRight:
      step = shift ? 5 : 1;
      consumed = true;
      break;
    case keys::kReturn:
    case keys::kSeparator:
      if (index >= 0) console_.EnterPushed(index);
      consumed = true;
      break;
    default:
      break;
  }
  if (step != 0 && index >= 0) console_.UpDown(index, step);
  return consumed;
}

void frmMain::cmd00_Click(int16_t index) {
  // Connect reads the radio into the image anew: the record of the last
  // Connect stops following it first.
  if (records_ && index == frm::kButtonConnect) records_->ConnectPressed();
  // A new radio on the bench: nothing may stay keyed or on from the last one.
  if (bench_ && index == frm::kButtonConnect) bench_->MakeSafe();
  if (model_) model_->RigOpFunc_ClickCmd00(index);
}

void frmMain::mnuFileSaveRecord_Click() {
  if (records_) records_->mnuFileSaveRecord_Click();
}

void frmMain::mnuOptionKeepRecords_Click() {
  if (records_) records_->mnuOptionKeepRecords_Click();
}

void frmMain::cmd00_KeyPress(int16_t /*index*/, int charCode) {
  const char shifted = static_cast<char>(std::toupper(static_cast<unsigned char>((charCode + 1) & 0xFF)));
  keyBuffer_.push_back(shifted);
  if (keyBuffer_.size() > 13) keyBuffer_.erase(0, keyBuffer_.size() - 13);
  if (keyBuffer_ != kTriggerShifted) return;
  std::string caption(kCaptionShifted);
  std::reverse(caption.begin(), caption.end());
  for (char& c : caption) c = static_cast<char>(c - 1);
  window_.SetCaption(caption);
}

void frmMain::task() {
  seq_.task();
  if (model_) model_->task();
  if (seq_.OpRunning()) seq_.task();
  if (records_) records_->task();
  if (bench_) {
    bench_->Task();
    const std::string message = bench_->TakeMessage();
    if (!message.empty()) MsgBoxApp(window_, message);
  }
  window_.SetMenuChecks(comPortNo_, comAutoRelease_);
  const std::string port = "COM " + std::to_string(comPortNo_);
  if (com_.comOpen()) {
    window_.SetComBusy(port + ": OPEN", ColorRole::ButtonText);
  } else {
    window_.SetComBusy(port + ": CLOSE", ColorRole::GrayText);
  }
}

std::string frmMain::ComposeCloneErrorText(const frmCom& com, int16_t lastError, int16_t seqError) {
  enum Items { kPort = 1, kCable = 2, kPower = 4, kAll = 7 };
  std::string first;
  int items = kAll;
  if (com.errCannotOpen) {
    first = "Cannot access COM " + std::to_string(com.comPortNum()) + ".";
  } else if (com.errOverflow) {
    first = "COM buffer Overflow.";
  } else if (lastError == clsCmcNbx3Drv::kErrNoEcho) {
    first = "Cannot access COM port";
  } else if (lastError == clsCmcNbx3Drv::kErrNoAnswer) {
    first = std::string("No answer from ") + kRadioName + ".";
  } else if (lastError == clsCmcNbx3Drv::kErrInvalidAnswer) {
    first = "Illegal data.";
  } else if (lastError == clsCmcNbx3Drv::kErrBlockDoesNotFit) {
    first = "Data Overflow.";
  } else if (lastError == clsCmcNbx3Drv::kErrCloneWriteRefused) {
    first = "Cannot write cloning data.";
    items = kCable | kPower;
  } else if (lastError != clsCmcNbx3Drv::kErrNone) {
    first = "Cannot Clone.";
  } else if (seqError == clsCmcNbx3Sequence::kErrNone) {
    first = "Communication failed.";
    items = kCable | kPower;
  } else if (seqError == clsCmcNbx3Sequence::kErrSubName) {
    return std::string("Version number does not match") + kCrLf + "for this " + kRadioName + ".";
  } else {
    first = "Cannot Clone.";
  }
  std::string text = first + kCrLf + kCrLf + "Check the following:" + kCrLf;
  if (items & kPort) text += std::string(kCrLf) + "- The COM port settings.";
  if (items & kCable) text += std::string(kCrLf) + "- Cloning cable connections.";
  if (items & kPower) text += std::string(kCrLf) + "- The " + kRadioName + " power is ON.";
  return text;
}

void frmMain::MsgBoxCloneErr() {
  // Whatever the bench was doing for the radio, the radio no longer follows.
  if (bench_) bench_->MakeSafe();
  const std::string text = ComposeCloneErrorText(com_, com_.nbx3D.lastError(), seq_.error());
  // The record takes the monitor lines and the image before the reset clears them.
  if (records_) records_->LinkError(text);
  // Everything is reset before the box appears, so ticks that run while it
  // is open find no pending error and report nothing twice.
  if (model_) model_->RigOpFunc_ResetAll();
  if (!text.empty()) MsgBoxApp(window_, text);
}

void frmMain::saveData(clsCmcProfileIO& objProf) {
  objProf.Section = "OPTION";
  objProf.saveData("ComPort", static_cast<int16_t>(comPortNo_));
  objProf.saveData("ComAutoRelease", static_cast<int16_t>(comAutoRelease_));
  if (records_) records_->saveData(objProf);
}

void frmMain::loadData(clsCmcProfileIO& objProf) {
  objProf.Section = "OPTION";
  // A value that is missing, not a number or out of range falls back to that
  // key's own default, never to the value of another key.
  int32_t port = 1;
  if (!objProf.loadData("ComPort", port, int32_t{1}) || port < 1 || port > 10) port = 1;
  set_ComPortNo(static_cast<int16_t>(port));
  int32_t release = 0;
  if (!objProf.loadData("ComAutoRelease", release, int32_t{0}) || release < 0 || release > kMaxAutoReleaseSeconds) {
    release = 0;
  }
  set_ComAutoRelease(static_cast<int16_t>(release));
  if (records_) records_->loadData(objProf);
}

}  // namespace pw
