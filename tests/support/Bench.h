// A whole program on virtual time against the simulated radio: the object
// graph, a recording window, the in-memory cable and a heartbeat that fires
// every 50 ms. Nothing sleeps; time moves only in Run().
#pragma once

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "base/Utf8Path.h"
#include "shell/start.h"
#include "support/RecordingWindow.h"
#include "support/SimPort.h"
#include "support/TempDir.h"

namespace pw::test {

// A "Const.ini" with the shipped production constants.
std::string DefaultConstIni();

// Nothing waits to go to the radio: no changed item, no operation running.
inline bool AllSent(PwApp& app) {
  for (int16_t i = 0; i < app.gConsole.ListCount(); ++i) {
    if (app.gConsole.flgChanged(i)) return false;
  }
  return !app.myObjNbx3Seq.OpRunning();
}
// After Connect: the console is live, ATIS is confirmed off, every item sent.
inline bool FirstCycleDone(PwApp& app) {
  return app.gIndOp->opState() >= op::CycleStart && !app.gIndOp->flgAtisWait() && AllSent(app);
}
// The operation task is in its monitor cycle.
inline bool Cycling(PwApp& app) {
  return app.gIndOp->opState() == op::CycleEnd || app.gIndOp->opState() == op::Procedure;
}
// Connected and at rest: the first cycle is done and the task cycles.
inline bool Settled(PwApp& app) { return FirstCycleDone(app) && Cycling(app); }

// The object graph on virtual time against the simulated radio, with the
// window of the caller's choice: a recorder for the core's tests, the real
// window for the front end's.
template <class Window>
class VirtualBench {
 public:
  explicit VirtualBench(const sim::RadioOptions& options = {}, const std::string& constIni = DefaultConstIni())
      : radio(options), port(radio, clock) {
    // Binary, so a CR LF text stays CR LF on every platform.
    std::ofstream(dir.path() / "Const.ini", std::ios::binary) << constIni;
    app = std::make_unique<PwApp>(port, clock, window, PathToUtf8(dir.path()), PathToUtf8(dir.path() / "Const.ini"));
  }
  virtual ~VirtualBench() = default;
  VirtualBench(const VirtualBench&) = delete;
  VirtualBench& operator=(const VirtualBench&) = delete;

  // Advances virtual time by ms, one millisecond at a time: received bytes
  // raise the port's event, and the heartbeat runs every 50 ms.
  void Run(int ms) {
    for (int i = 0; i < ms; ++i) {
      clock.Advance(1);
      port.Pump();
      if (++sinceTick_ >= 50) {
        sinceTick_ = 0;
        app->Tick();
        AfterTick();
      }
    }
  }
  // Runs until cond holds or limitMs has passed; true when it held.
  bool RunUntil(const std::function<bool()>& cond, int limitMs) {
    for (int i = 0; i < limitMs; ++i) {
      if (cond()) return true;
      Run(1);
    }
    return cond();
  }
  // After a Connect: waits for the first full cycle (console live, ATIS
  // confirmed off, every item sent) and for the task to be at rest.
  bool Settle(int limitMs = 30000) {
    return RunUntil([&] { return FirstCycleDone(*app); }, limitMs) && RunUntil([&] { return Settled(*app); }, 2000);
  }
  bool AllSent() { return test::AllSent(*app); }

  clsIndOp_RigR4T& Model() { return *app->gIndOp; }
  clsConsole& Console() { return app->gConsole; }
  clsCmcEeprom& Image() { return app->gRadio.eepImage(); }

  TempDir dir;
  VirtualClock clock{1000};
  sim::Radio radio;
  SimPort port;
  Window window;
  std::unique_ptr<PwApp> app;

 protected:
  // What the window needs between heartbeats (the real one: its events).
  virtual void AfterTick() {}

 private:
  int sinceTick_ = 0;
};

class Bench : public VirtualBench<RecordingWindow> {
 public:
  using VirtualBench::VirtualBench;

  bool Start() { return app->Main(); }
  void Connect() { app->main.cmd00_Click(frm::kButtonConnect); }
  // Connect and wait for the first full cycle (console live, ATIS confirmed off).
  bool ConnectAndSettle(int limitMs = 30000) {
    Connect();
    return Settle(limitMs);
  }
  void Key(int code, bool shift = false) {
    if (!app->main.Form_KeyDown(code, shift)) app->main.lboConsole_KeyDown(code, shift);
  }
  void Select(int line) { window.console.SetListIndex(line); }
};

}  // namespace pw::test
