// SIGTERM, SIGINT and SIGHUP (logout, shutdown, Ctrl+C in a terminal, the
// terminal the program was started from closed) end the program through its
// one way out, like File > Exit: port closed, its lock file gone, settings
// saved. A signal handler may do almost nothing, so it
// only writes the signal's number into a pipe; the event loop reads it there
// and runs the exit on the window thread.
#pragma once

#include <QObject>
#include <functional>
#include <memory>

class QSocketNotifier;

namespace pw {

class ExitSignals : public QObject {
  Q_OBJECT

 public:
  explicit ExitSignals(QObject* parent = nullptr);
  ~ExitSignals() override;

  // onSignal runs on the event loop with the signal's number, once per
  // signal. False when the signals could not be routed (they then keep
  // their default action). Only one object may be installed at a time.
  bool Install(std::function<void(int)> onSignal);

 private:
  void OnReadable();

  std::function<void(int)> onSignal_;
  std::unique_ptr<QSocketNotifier> notifier_;
  bool installed_ = false;
};

}  // namespace pw
