// build/kqr4t-sim as a separate process on a pseudo-terminal, reached
// through a symlink of the test's choosing, and the helpers to wait for and
// end the processes a test started. Real time: only for tests of the built
// programs on a real port.
#pragma once

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFileInfo>
#include <QProcess>
#include <QStringList>
#include <QThread>
#include <functional>

namespace pw::test {

// Polls `cond` until it holds or `limitMs` has passed, letting this
// process's own events run meanwhile.
inline bool WaitFor(const std::function<bool()>& cond, int limitMs) {
  QDeadlineTimer deadline(limitMs);
  while (!cond()) {
    if (deadline.hasExpired()) return false;
    if (QCoreApplication::instance()) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    QThread::msleep(10);
  }
  return true;
}

// Ends a process this test started: politely, then for good.
inline void End(QProcess& p) {
  if (p.state() == QProcess::NotRunning) return;
  p.terminate();
  if (!p.waitForFinished(5000)) {
    p.kill();
    p.waitForFinished(5000);
  }
}

// Starts the simulator with its device linked at `link`; true once the
// link is there to be opened.
inline bool StartSim(QProcess& radio, const QString& link, QStringList extra = {}) {
  extra << QStringLiteral("--link") << link;
  radio.start(QStringLiteral(PW_SIM_PATH), extra);
  return radio.waitForStarted(10000) && WaitFor([&] { return QFileInfo(link).exists(); }, 10000);
}

}  // namespace pw::test
