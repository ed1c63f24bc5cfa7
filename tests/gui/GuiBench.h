// The whole program with its real window, on virtual time, against the
// simulated radio in process. Time moves only in Run(); Qt's events are
// delivered at every heartbeat.
#pragma once

#include <QApplication>
#include <QPushButton>
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

class GuiBench : public VirtualBench<MainWindow> {
 public:
  explicit GuiBench(const sim::RadioOptions& options = {}) : VirtualBench(options) {}
  ~GuiBench() override { window.Attach(nullptr); }

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

  // Connect through the window's own button.
  bool ConnectAndSettle() {
    window.button(frm::kButtonConnect)->click();
    return Settle();
  }
  int16_t Line(const std::string& title) {
    for (int16_t i = 0; i < Console().ListCount(); ++i) {
      if (Console().Title(i) == title) return i;
    }
    return -1;
  }
  int Px(int twips) const { return window.Scale().ToPixels(twips); }

 protected:
  void AfterTick() override { QCoreApplication::processEvents(); }
};

}  // namespace pw::test
