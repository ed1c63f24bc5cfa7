// A scripted walk through the program for machines without a technician:
// Connect, wait for the console, step MOD once, reload the monitor readings,
// sweep BPF T3 with the sweep curves beside the window, show the parameter
// dump; a picture of the window at each page and of the curves, the console
// and monitor lines on stdout, and the session's service record (the text,
// the image as read and the PDF) in the same folder. It runs on a timer like everything else, and gives up
// (code 1) rather than hang.
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>
#include <QPointer>
#include <functional>

#include "shell/start.h"

namespace pw {

class MainWindow;
class SweepCurvesWindow;

class Tour : public QObject {
  Q_OBJECT

 public:
  static constexpr int kPollMs = 100;
  static constexpr int kConsoleLimitMs = 60000;
  static constexpr int kTotalLimitMs = 180000;
  static constexpr int kSweepLimitMs = 60000;

  // finish gets the exit code: 0 when every page was reached.
  Tour(PwApp& app, MainWindow& window, QString folder, std::function<void(int)> finish, QObject* parent = nullptr);
  void Start();

 private:
  enum class Step { Connect, WaitConsole, WaitSettled, WaitSweep, WaitDump, Done };

  void Poll();
  bool Grab(const QString& name);
  bool Grab(QWidget* widget, const QString& name);
  bool Settled() const;
  void StepMod();
  void StartSweep();
  bool SweepDone() const;
  void PressKey(QWidget* target, int key);
  // Selects the console line whose text starts with `title` and presses a key on it.
  void PressOnLine(const QString& title, int key);
  void PrintLists() const;
  // The session's service record into the tour's folder, beside the pictures.
  bool SaveRecord();
  void Finish(int code, const QString& why = {});

  PwApp& app_;
  MainWindow& window_;
  QString folder_;
  std::function<void(int)> finish_;
  QTimer timer_;
  QElapsedTimer total_;
  QElapsedTimer stepClock_;
  Step step_ = Step::Connect;
  bool connectGrabbed_ = false;
  QPointer<SweepCurvesWindow> curves_;
};

}  // namespace pw
