// The whole program with its real window, on virtual time, against the
// simulated radio in process. Time moves only in Run(); Qt's events are
// delivered at every heartbeat.
#pragma once

#include <QApplication>
#include <QTest>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>

#include "qt/MainWindow.h"
#include "shell/start.h"
#include "support/Bench.h"
#include "support/SimPort.h"
#include "support/TempDir.h"

namespace pw::test {

class GuiBench {
 public:
  explicit GuiBench(const sim::RadioOptions& options = {}) : radio(options), port(radio, clock) {
    std::ofstream(dir.path() / "Const.ini") << DefaultConstIni();
    app = std::make_unique<PwApp>(port, clock, window, dir.path().string(), (dir.path() / "Const.ini").string());
  }
  ~GuiBench() { window.Attach(nullptr); }
  GuiBench(const GuiBench&) = delete;
  GuiBench& operator=(const GuiBench&) = delete;

  // Start-up as the program does it; show=false leaves the window unshown,
  // as it is when the first layout sizes it.
  bool Start(bool show = true) {
    window.SetStartupPhase(true);
    const bool ok = app->Main();
    window.SetStartupPhase(false);
    if (!ok) return false;
    window.Attach(&app->main);
    if (show) {
      window.show();
      window.activateWindow();
      if (!QTest::qWaitForWindowExposed(&window)) return false;
    }
    Run(50);
    return true;
  }

  void Run(int ms) {
    for (int i = 0; i < ms; ++i) {
      clock.Advance(1);
      port.Pump();
      if (++sinceTick_ >= 50) {
        sinceTick_ = 0;
        app->Tick();
        QCoreApplication::processEvents();
      }
    }
  }
  bool RunUntil(const std::function<bool()>& cond, int limitMs) {
    for (int i = 0; i < limitMs; ++i) {
      if (cond()) return true;
      Run(1);
    }
    return cond();
  }
  bool ConnectAndSettle() {
    window.button(0)->click();
    return RunUntil([&] { return FirstCycleDone(*app); }, 30000) && RunUntil([&] { return Cycling(*app); }, 2000);
  }
  bool AllSent() { return test::AllSent(*app); }
  int16_t Line(const std::string& title) {
    for (int16_t i = 0; i < Console().ListCount(); ++i) {
      if (Console().Title(i) == title) return i;
    }
    return -1;
  }

  clsIndOp_RigR4T& Model() { return *app->gIndOp; }
  clsConsole& Console() { return app->gConsole; }
  int Px(int twips) const { return window.Scale().ToPixels(twips); }

  TempDir dir;
  VirtualClock clock{1000};
  sim::Radio radio;
  SimPort port;
  MainWindow window;
  std::unique_ptr<PwApp> app;

 private:
  int sinceTick_ = 0;
};

}  // namespace pw::test
