#include "shell/start.h"

#include "shell/MsgBoxApp.h"

namespace pw {

PwApp::PwApp(ISerialPort& port, IClock& clock, IWindow& window, const std::string& programFolder,
             std::string constIniPath)
    : PwApp(port, clock, window, noLinks_, programFolder, std::move(constIniPath)) {}

PwApp::PwApp(ISerialPort& port, IClock& clock, IWindow& window, IInstrumentLinks& links,
             const std::string& programFolder, std::string constIniPath)
    : gCom(port, clock, programFolder),
      myObjNbx3Seq(gCom, gRadio, clock),
      main(frmMain::Links{gCom, myObjNbx3Seq, gConsole, window}),
      records(ServiceRecords::Links{gCom, gRadio, window, clock}),
      bench(links, clock),
      window_(window),
      clock_(clock),
      programFolder_(programFolder),
      constIniPath_(std::move(constIniPath)) {
  gCom.myMain = &main;
  main.AttachRecords(records);
  main.AttachBench(bench);
}

bool PwApp::Main() {
  gRadio.radioNameM = "2320";
  gRadio.radionameS = "0001";
  gRadio.cloneWriteAdrList_Clear();
  gRadio.cloneWriteAdrList_Add(0, 4095);
  gCom.set_comPortNum(1);
  gCom.nbx3D.Reset();
  gCom.Reset();

  // The window's first use creates the model, which builds the console.
  gIndOp = std::make_unique<clsIndOp_RigR4T>(
      clsIndOp_RigR4T::Links{myObjNbx3Seq, gCom.nbx3D, gRadio, gConsole, window_, clock_});
  gIndOp->myOwner = &main;
  gIndOp->serviceLog = &records;
  myObjNbx3Seq.owner = gIndOp.get();
  main.AttachModel(*gIndOp);
  if (!gIndOp->RigR4TProp_ReadParametersFromExtFile(constIniPath_) || !main.Form_Load(false)) {
    MsgBoxApp(window_, kConstIniMissing);
    // The stored settings have not been read yet: saving now would replace
    // the technician's port and release time with the start-up defaults.
    gCom.set_comOpen(false);
    gCom.Unload();
    return false;
  }
  main.set_ComPortNo(1);
  main.set_ComAutoRelease(0);
  gCom.loadData(gCom.profMain);
  settingsLoaded_ = true;
  // The bench file is optional: without one the program runs as it always has.
  std::string why;
  const std::string benchPath = benchFile.empty() ? DefaultBenchFilePath(programFolder_) : benchFile;
  if (!LoadBench(benchPath, why) && !benchFile.empty()) MsgBoxApp(window_, why);
  gCom.timSolidEnabled = true;
  return true;
}

bool PwApp::LoadBench(const std::string& path, std::string& why) {
  BenchConfig config;
  if (!ReadBenchFile(path, config, why)) return false;
  bench.Configure(config);
  return true;
}

void PwApp::ReleaseComForm() {
  // The transmitter released and the generator off before anything else goes.
  bench.MakeSafe();
  // A change made in the last moments is still owed to the kept report.
  records.Flush();
  if (settingsLoaded_) {
    gCom.AllOver();
  } else {
    gCom.set_comOpen(false);
  }
  gCom.Unload();
}

}  // namespace pw
