// pwr4tadj: start-up of the desktop program. Wires the window, the serial
// port and the clock to the program's object graph and runs the heartbeat.
#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QLockFile>
#include <QTimer>
#include <cstdio>
#include <memory>
#include <set>
#include <vector>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

#include "qt/Guard.h"
#include "qt/MainWindow.h"
#include "qt/PortMap.h"
#include "qt/QtClock.h"
#include "qt/QtSerialPort.h"
#include "qt/StartupBox.h"
#include "qt/Tour.h"
#include "shell/start.h"
#include "sim/InProcessPort.h"
#ifndef Q_OS_WIN
#include "sim/PtyLink.h"
#endif

namespace {

constexpr int kSimulatedPorts = 4;
// How often the in-process radio hands its bytes over: a few milliseconds,
// like a serial driver's receive notification.
constexpr int kSimulatedPumpMs = 5;

// One running copy per user: a lock file in the temporary folder, released
// by the system if the holder dies.
QString InstanceLockPath() {
#ifdef Q_OS_UNIX
  const QString user = QString::number(::getuid());
#else
  const QString user = qEnvironmentVariable("USERNAME", QStringLiteral("user"));
#endif
  return QDir(QDir::tempPath()).filePath(QStringLiteral("pwr4tadj-%1.lock").arg(user));
}

int UsageError(const QString& message) {
  std::fprintf(stderr, "pwr4tadj: %s\n(see --help)\n", message.toLocal8Bit().constData());
  return 2;
}

// The program's options; --help lists them all.
struct Options {
  QCommandLineOption port{QStringLiteral("port"),
                          QStringLiteral("Use DEVICE as COM N (N from 1 to 10). Repeatable. Wins over the [PORTS] "
                                         "section of the settings file (COM1=DEVICE ...) and over the default "
                                         "/dev/ttyS<N-1>."),
                          QStringLiteral("N=DEVICE")};
  QCommandLineOption simulate{
      QStringLiteral("simulate"),
      QStringLiteral("Serve a simulated radio on pseudo-terminals behind COM 1 to 4 (unless --port names them).")};
  QCommandLineOption settingsDir{
      QStringLiteral("settings-dir"),
      QStringLiteral("Keep the settings file PWR4TADJ.rs in DIR instead of the program's folder."),
      QStringLiteral("DIR")};
  QCommandLineOption tour{
      QStringLiteral("tour"),
      QStringLiteral("Unattended tour: Connect, step MOD, reload, show the dump; save a PNG of each page in DIR, "
                     "print the console and monitor lines, exit 0 (1 on failure or time-out)."),
      QStringLiteral("DIR")};

  void AddTo(QCommandLineParser& parser) const {
    parser.setApplicationDescription(QStringLiteral("PW-R4T ADJ: service-bench adjustment utility for the KQ-R4T."));
    parser.addHelpOption();
    parser.addOptions({port, simulate, settingsDir, tour});
  }
};

bool AsksForHelp(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    const QByteArray a(argv[i]);
    if (a == "-h" || a == "--help" || a == "-?" || a == "--help-all") return true;
  }
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  const Options options;
  if (AsksForHelp(argc, argv)) {
    // Help needs no display: answered before any window system is touched.
    QCoreApplication core(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("pwr4tadj"));
    QCommandLineParser parser;
    options.AddTo(parser);
    parser.process(core);
    return 0;
  }

  QApplication qapp(argc, argv);
  QCoreApplication::setApplicationName(QStringLiteral("pwr4tadj"));
  QCoreApplication::setApplicationVersion(QStringLiteral("1.1"));
  // The program decides when it ends: always through its shutdown path.
  qapp.setQuitOnLastWindowClosed(false);

  QCommandLineParser parser;
  options.AddTo(parser);
  parser.process(qapp);
  if (!parser.positionalArguments().isEmpty()) {
    return UsageError(QStringLiteral("unexpected argument '%1'").arg(parser.positionalArguments().front()));
  }

  // An unattended tour must never wait for a technician's OK.
  const bool autoClose = pw::AutoCloseStartupBoxes() || parser.isSet(options.tour);

  pw::PortMap portMap;
  std::set<int> namedPorts;
  for (const QString& mapping : parser.values(options.port)) {
    QString error;
    if (!portMap.AddOverride(mapping, &error)) return UsageError(QStringLiteral("--port: ") + error);
    namedPorts.insert(mapping.section(QLatin1Char('='), 0, 0).trimmed().toInt());
  }

  // A second copy would fight the first over the port and the settings file:
  // it only says so and ends, touching neither.
  QLockFile instanceLock(InstanceLockPath());
  instanceLock.setStaleLockTime(0);
  if (!instanceLock.tryLock(0)) {
    if (instanceLock.error() == QLockFile::LockFailedError) {
      pw::ShowStartupRefusal(pw::PwApp::kAlreadyRunning, autoClose);
      return 1;
    }
    std::fprintf(stderr, "pwr4tadj: cannot create %s; not guarding against a second copy\n",
                 InstanceLockPath().toLocal8Bit().constData());
  }

  // --simulate puts the simulated radio on a pseudo-terminal where there is
  // one, so the real port path is exercised; elsewhere (Windows, or no free
  // pseudo-terminal) it serves the radio in process behind the same port
  // interface.
  const bool simulate = parser.isSet(options.simulate);
  std::set<int> inProcessPorts;
#ifndef Q_OS_WIN
  std::vector<std::unique_ptr<sim::PtyLink>> radios;
#endif
  if (simulate) {
    for (int n = 1; n <= kSimulatedPorts; ++n) {
      if (namedPorts.count(n)) continue;
#ifdef Q_OS_WIN
      inProcessPorts.insert(n);
#else
      auto link = std::make_unique<sim::PtyLink>();
      std::string error;
      if (!link->start({}, &error)) {
        std::fprintf(stderr, "pwr4tadj: no pseudo-terminal for the simulated radio (%s); serving it in process\n",
                     error.c_str());
        inProcessPorts.insert(n);
        continue;
      }
      portMap.Set(n, QString::fromLocal8Bit(link->slavePath().c_str()));
      radios.push_back(std::move(link));
#endif
    }
  }

  const QString folder =
      parser.isSet(options.settingsDir) ? parser.value(options.settingsDir) : QCoreApplication::applicationDirPath();
  // UTF-8: the core turns it into a wide path on Windows.
  const std::string programFolder = QDir::toNativeSeparators(folder).toStdString();
  portMap.SetSettingsFolder(programFolder);

  pw::QtSerialPort realPort(portMap);
  pw::QtClock clock;
  std::unique_ptr<sim::InProcessPort> simulatedPort;
  if (!inProcessPorts.empty()) simulatedPort = std::make_unique<sim::InProcessPort>(clock, realPort, inProcessPorts);
  pw::ISerialPort& port = simulatedPort ? static_cast<pw::ISerialPort&>(*simulatedPort) : realPort;
  pw::MainWindow window;
  pw::PwApp app(port, clock, window, programFolder, "Const.ini");

  window.SetStartupPhase(true);
  bool started = false;
  pw::Guarded("start-up", [&] { started = app.Main(); });
  window.SetStartupPhase(false);
  if (!started) {
    for (const std::string& message : window.TakeStartupMessages()) pw::ShowStartupRefusal(message, autoClose);
    return 1;
  }

  int exitCode = 0;
  QTimer heartbeat;
  QTimer radioPump;
  heartbeat.setInterval(pw::frmCom::kTimerIntervalMs);
  QObject::connect(&heartbeat, &QTimer::timeout, &window, [&] { pw::Guarded("heartbeat", [&] { app.Tick(); }); });
  window.SetCloseHandler([&] {
    heartbeat.stop();
    radioPump.stop();
    pw::Guarded("shutdown", [&] { app.ReleaseComForm(); });
    window.Attach(nullptr);
    QCoreApplication::exit(exitCode);
  });
  window.Attach(&app.main);
  if (simulatedPort) {
    radioPump.setInterval(kSimulatedPumpMs);
    QObject::connect(&radioPump, &QTimer::timeout, &window,
                     [&] { pw::Guarded("simulated radio", [&] { simulatedPort->Pump(); }); });
    radioPump.start();
  }
  heartbeat.start();
  if (simulate) window.ShowSimulatedNotice();
  window.show();
  window.activateWindow();

  std::unique_ptr<pw::Tour> tour;
  if (parser.isSet(options.tour)) {
    tour = std::make_unique<pw::Tour>(app, window, parser.value(options.tour), [&](int code) {
      exitCode = code;
      window.exitAction()->trigger();  // File > Exit, the technician's way out
    });
    tour->Start();
  }

  qapp.exec();
  return exitCode;
}
