// "Option > Sweep curves": shows or hides the sweep curves window beside
// the main window, and remembers the choice in the settings file in a
// section of its own, written the moment it changes.
#pragma once

#include <QObject>
#include <QPointer>

#include "qt/SweepCurvesWindow.h"

namespace pw {

class MainWindow;
class PwApp;

class SweepCurvesOption : public QObject {
  Q_OBJECT

 public:
  static constexpr const char* kSection = "SWEEP CURVES";
  static constexpr const char* kKey = "Show";

  // Reads the setting and, when it is on, opens the window.
  SweepCurvesOption(PwApp& app, MainWindow& window);
  ~SweepCurvesOption() override;

  // The heartbeat's share: the window follows the record.
  void Follow();
  bool shown() const { return shown_; }
  SweepCurvesWindow* curvesWindow() const { return curves_; }

 private:
  void Set(bool show);
  void Save() const;

  PwApp& app_;
  MainWindow& window_;
  QPointer<SweepCurvesWindow> curves_;
  bool shown_ = false;
  bool placed_ = false;
};

}  // namespace pw
