#include "serial/frmCom.h"

namespace pw {

frmCom::frmCom(ISerialPort& port, IClock& clock, const std::string& programFolder) : nbx3D(clock), port_(port) {
  profMain.SetCurrentPath(programFolder);
  profMain.Name = kSettingsFileName;
  nbx3D.myObjCom = this;
  port_.SetListener(this);
  Reset();
}

frmCom::~frmCom() { port_.SetListener(nullptr); }

void frmCom::Reset() {
  set_comOpen(false);
  comPortNum_ = 1;
  comBaud = 9600;
  errCannotOpen = false;
  errOverflow = false;
}

bool frmCom::comOpen() const { return port_.IsOpen(); }

std::string frmCom::LineSettings() const { return std::to_string(comBaud) + ",N,8,1"; }

void frmCom::set_comOpen(bool open) {
  // No failure of the port leaves this setter: it is recorded and the
  // sequence goes on, so the driver is always reset at the end.
  bool failed = false;
  if (port_.IsOpen() != open) {
    if (open) {
      failed = !port_.Open(comPortNum_, LineSettings());
      // Unsent bytes are discarded only for a clean start on a port just
      // opened. On a port that stays open every byte waiting to go out was
      // counted as sent, a frame whose exchange has ended (an E8 command
      // without an answer is forgotten as soon as it is written), and the
      // radio must receive it: the line needs 14 ms for such a frame, and
      // the next operation may start in the same tick.
      if (!failed && !port_.DiscardOutput()) failed = true;
    } else {
      port_.Close();
    }
  }
  if (failed && open) {
    port_.Close();
    errCannotOpen = true;
  }
  nbx3D.Reset();
}

void frmCom::set_comPortNum(int16_t portNum) {
  if (portNum >= 1 && portNum <= 10) comPortNum_ = portNum;
}

bool frmCom::totalError() const { return nbx3D.nowError() != 0 || errOverflow || errCannotOpen; }

void frmCom::Output(const ByteStr& bytes) { port_.Write(bytes); }

void frmCom::mscom_OnComm(int eventCode) {
  switch (eventCode) {
    case comEv::kReceive:
      if (port_.InBufferCount() > 0) timSolid_Timer();
      break;
    case comEv::kRxOver:
      errOverflow = true;
      set_comOpen(false);
      break;
    case comEv::kBreak:
    case comEv::kCtsTimeout:
    case comEv::kDsrTimeout:
    case comEv::kFrame:
    case comEv::kOverrun:
    case comEv::kCdTimeout:
    case comEv::kRxParity:
    case comEv::kTxFull:
    case comEv::kDcb:
      // Line errors are not the technician's concern: the frame assembly
      // simply starts afresh with the next byte.
      nbx3D.ClearRxBuffer();
      break;
    default:
      break;
  }
}

void frmCom::timSolid_Timer() {
  if (port_.InBufferCount() > 0) comReceived(port_.ReadAll());
  nbx3D.task();
  if (myMain) myMain->task();
  if (totalError() && myMain) myMain->MsgBoxCloneErr();
  if (totalError() && comOpen()) set_comOpen(false);
}

void frmCom::saveData(clsCmcProfileIO& objProf) {
  if (myMain) myMain->saveData(objProf);
}

void frmCom::loadData(clsCmcProfileIO& objProf) {
  if (myMain) myMain->loadData(objProf);
}

void frmCom::AllOver() {
  set_comOpen(false);
  saveData(profMain);
}

void frmCom::Unload() {
  set_comOpen(false);
  timSolidEnabled = false;
}

}  // namespace pw
