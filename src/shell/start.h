// The program's long-lived objects and its start-up and shutdown paths. One
// PwApp is the whole object graph; the desktop front end makes one per run
// and tests make a fresh one per case, so no state is shared between them.
#pragma once

#include <memory>
#include <string>

#include "clone/clsCmcNbx3Sequence.h"
#include "clone/clsCmcRadio.h"
#include "console/clsConsole.h"
#include "instruments/BenchInstruments.h"
#include "model/clsIndOp_RigR4T.h"
#include "record/ServiceRecords.h"
#include "serial/frmCom.h"
#include "shell/frmMain.h"

namespace pw {

class PwApp {
 public:
  static constexpr const char* kConstIniMissing = "Cannot read 'Const.ini'.";
  static constexpr const char* kAlreadyRunning =
      "Cannot execute PW-R4T ADJ Rev.1.1 repeatedly.\r\nPW-R4T ADJ Rev.1.1 is already executing.";

  // programFolder holds the settings file; constIniPath is where the
  // procedures' constants are read from ("Const.ini" in the working folder).
  PwApp(ISerialPort& port, IClock& clock, IWindow& window, const std::string& programFolder,
        std::string constIniPath = "Const.ini");
  // With the links the bench's instruments are reached through.
  PwApp(ISerialPort& port, IClock& clock, IWindow& window, IInstrumentLinks& links, const std::string& programFolder,
        std::string constIniPath = "Const.ini");

  // Start-up after the single-instance check. False when "Const.ini" could
  // not be read: the message has been shown, the port closed, and the program
  // must end without showing its window.
  bool Main();
  // Takes the bench file's roles; false with the reason when it cannot be
  // read (the bench then has no instruments). Main() reads "Bench.ini" beside
  // the settings file when it exists and benchFile names no other.
  bool LoadBench(const std::string& path, std::string& why);
  // Every way out passes here: port closed, settings saved, heartbeat off.
  void ReleaseComForm();
  // The heartbeat: the front end's 50 ms timer calls this while it is enabled.
  void Tick() {
    if (gCom.timSolidEnabled) gCom.timSolid_Timer();
  }

  // The links of a run without instruments; declared first so that the bench can use them.
  NoInstrumentLinks noLinks_;
  frmCom gCom;
  clsCmcRadio gRadio;
  clsCmcNbx3Sequence myObjNbx3Seq;
  clsConsole gConsole;
  frmMain main;
  ServiceRecords records;
  BenchInstruments bench;
  std::string benchFile;  // empty: "Bench.ini" beside the settings file
  std::unique_ptr<clsIndOp_RigR4T> gIndOp;

 private:
  IWindow& window_;
  IClock& clock_;
  std::string programFolder_;
  std::string constIniPath_;
  bool settingsLoaded_ = false;
};

}  // namespace pw
