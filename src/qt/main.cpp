// pwr4tadj: start-up of the desktop program. Wires the window, the serial
// port and the clock to the program's object graph and runs the heartbeat.
#include <QApplication>
#include <QDir>
#include <QLockFile>
#include <QTimer>
#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <vector>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

#include "qt/AssignDevicesDialog.h"
#include "qt/BenchDialog.h"
#include "qt/CommandLine.h"
#include "qt/ExitSignals.h"
#include "qt/Guard.h"
#include "qt/MainWindow.h"
#include "qt/PortDiagnosis.h"
#include "qt/PortMap.h"
#include "qt/QtClock.h"
#include "qt/QtInstrumentLinks.h"
#include "qt/QtSerialPort.h"
#include "qt/RecordDialogs.h"
#include "qt/RecordPrintMenu.h"
#include "qt/SerialDevices.h"
#include "qt/SettingsLocation.h"
#include "qt/SimulatedBench.h"
#include "qt/StartupBox.h"
#include "qt/SweepCurvesOption.h"
#include "qt/Tour.h"
#include "shell/ConstIniSearch.h"
#include "instruments/BenchFile.h"
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

}  // namespace

int main(int argc, char** argv) {
  // Options first: --help, --version and mistakes need no display.
  pw::CommandLine options;
  switch (options.Parse(pw::CommandLine::Arguments(argc, argv))) {
    case pw::CommandLine::Outcome::Help:
    case pw::CommandLine::Outcome::Version:
      std::fputs(options.text().toLocal8Bit().constData(), stdout);
      return 0;
    case pw::CommandLine::Outcome::UsageError:
      std::fputs(options.text().toLocal8Bit().constData(), stderr);
      return 2;
    case pw::CommandLine::Outcome::Run:
      break;
  }

  QApplication qapp(argc, argv);
  QCoreApplication::setApplicationName(QStringLiteral("pwr4tadj"));
  QCoreApplication::setApplicationVersion(QStringLiteral(PW_VERSION));
  // Ties the window to its desktop entry (icon and name on Wayland).
  QGuiApplication::setDesktopFileName(QStringLiteral("pwr4tadj"));
  // The program decides when it ends: always through its shutdown path.
  qapp.setQuitOnLastWindowClosed(false);

  // An unattended tour must never wait for a technician's OK.
  const bool autoClose = pw::AutoCloseStartupBoxes() || !options.tourDir.isEmpty();

  pw::PortMap portMap;
  std::set<int> namedPorts;
  for (const pw::CommandLine::PortOverride& p : options.ports) {
    portMap.Set(p.portNum, p.device);
    namedPorts.insert(p.portNum);
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
  const bool simulate = options.simulate;
  std::set<int> inProcessPorts;
#ifndef Q_OS_WIN
  std::vector<std::unique_ptr<sim::PtyLink>> radios;
  std::map<int, sim::PtyLink*> radioOnPort;
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
      portMap.Set(n, QString::fromLocal8Bit(link->slavePath().c_str()), QStringLiteral("--simulate"));
      radioOnPort[n] = link.get();
      radios.push_back(std::move(link));
#endif
    }
  }

  // Paths travel as UTF-8: the core turns them into wide paths on Windows.
  const pw::SettingsLocation settings = pw::SettingsLocation::ForThisRun(options.settingsDir);
  const std::string settingsFolder = QDir::toNativeSeparators(settings.folder).toStdString();
  const std::string settingsSeed = QDir::toNativeSeparators(settings.seedFile).toStdString();
  portMap.SetSettingsFolder(settingsFolder, settingsSeed);

  std::vector<std::string> constIniFolders{QDir::currentPath().toStdString(),
                                           QCoreApplication::applicationDirPath().toStdString(),
                                           pw::SettingsLocation::UserFolder().toStdString()};
  for (const QString& folder : pw::SettingsLocation::SystemFolders()) constIniFolders.push_back(folder.toStdString());
  pw::ConstIniSearch constIni(constIniFolders);
  // The simulated radio needs no workshop constants: the sample shipped
  // beside the program (an unpacked package finds it too) stands in.
  if (simulate) {
    constIni.AllowSample(
        QDir::cleanPath(QCoreApplication::applicationDirPath() + QStringLiteral("/../share/pwr4tadj/Const.ini"))
            .toStdString());
  }

  pw::QtSerialPort realPort(portMap);
  pw::QtClock clock;
  std::unique_ptr<sim::InProcessPort> simulatedPort;
  if (!inProcessPorts.empty()) simulatedPort = std::make_unique<sim::InProcessPort>(clock, realPort, inProcessPorts);
  pw::ISerialPort& port = simulatedPort ? static_cast<pw::ISerialPort&>(*simulatedPort) : realPort;
  pw::MainWindow window;
  pw::QtInstrumentLinks instrumentLinks;
  pw::PwApp app(port, clock, window, instrumentLinks, settingsFolder, constIni.Chosen());
  app.gCom.profMain.SeedFile = settingsSeed;
  pw::RecordDialogs recordDialogs(&window);
  app.records.SetDialogs(&recordDialogs);
  app.records.SetProgramVersion(PW_VERSION);
  // The box of a kept write failing on the way out closes with the program.
  app.records.SetExitNotice([](const std::string& message) { std::fprintf(stderr, "%s\n", message.c_str()); });

  // When the system refuses a port, the status bar says why; the program's
  // own message about it stays as it is.
  bool reasonShown = false;
  QObject::connect(&realPort, &pw::QtSerialPort::openFailed, &window,
                   [&](const QString& device, QSerialPort::SerialPortError error) {
                     window.ShowReason(pw::PortDiagnosis::Describe(pw::PortDiagnosis::Gather(device, error)));
                     reasonShown = true;
                   });
  window.SetPortDevices([&](int portNo) {
    const QString device = portMap.DeviceFor(portNo);
    return pw::MainWindow::PortDevice{device, pw::SerialDevicePresent(device)};
  });
  QObject::connect(&window, &pw::MainWindow::assignDevicesRequested, &window, [&] {
    auto* dialog = new pw::AssignDevicesDialog(portMap, pw::SystemSerialDevices, &window);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowModality(Qt::WindowModal);
    dialog->open();  // not exec(): no second event loop around the heartbeat
  });

  // --simulate's radio test set, coupled to the simulated radio on the port
  // the program uses, with a bench file of its own unless --bench names one.
  std::unique_ptr<pw::SimulatedBench> testSet;
  if (simulate) {
    testSet = std::make_unique<pw::SimulatedBench>([&](const std::function<void(sim::Radio&)>& fn) {
      const int n = app.main.ComPortNo();
#ifndef Q_OS_WIN
      if (const auto it = radioOnPort.find(n); it != radioOnPort.end()) {
        it->second->withRadio(fn);
        return true;
      }
#endif
      sim::Radio* radio = simulatedPort ? simulatedPort->radio(n) : nullptr;
      if (radio) fn(*radio);
      return radio != nullptr;
    });
    std::string why;
    if (!testSet->Start(why)) {
      std::fprintf(stderr, "pwr4tadj: no simulated test set (%s)\n", why.c_str());
      testSet.reset();
    } else if (options.benchFile.isEmpty()) {
      app.benchFile = testSet->benchFile();
    }
  }
  if (!options.benchFile.isEmpty()) app.benchFile = QDir::toNativeSeparators(options.benchFile).toStdString();
  QObject::connect(&window, &pw::MainWindow::benchInstrumentsRequested, &window, [&] {
    const std::string file = app.benchFile.empty() ? pw::DefaultBenchFilePath(settingsFolder) : app.benchFile;
    auto* dialog = new pw::BenchDialog(app.bench, file, &window);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowModality(Qt::WindowModal);
    dialog->open();  // not exec(): the heartbeat runs on while it is open
  });

  window.SetStartupPhase(true);
  bool started = false;
  pw::Guarded("start-up", [&] { started = app.Main(); });
  window.SetStartupPhase(false);
  if (!started) {
    for (const std::string& message : window.TakeStartupMessages()) {
      std::string places;
      if (message == pw::PwApp::kConstIniMissing) {
        places = std::string("Looked for ") + pw::ConstIniSearch::kFileName + " in this order:";
        for (const std::string& line : constIni.Report(true)) places += "\n" + line;
      }
      pw::ShowStartupRefusal(message, autoClose, places);
    }
    return 1;
  }

  pw::SweepCurvesOption sweepCurves(app, window);
  pw::RecordPrintMenu printMenu(app, window);

  int exitCode = 0;
  QTimer heartbeat;
  QTimer radioPump;
  heartbeat.setInterval(pw::frmCom::kTimerIntervalMs);
  QObject::connect(&heartbeat, &QTimer::timeout, &window, [&] {
    pw::Guarded("heartbeat", [&] {
      app.Tick();
      sweepCurves.Follow();
    });
    // A reason for a failed open is old news once a port is open.
    if (reasonShown && port.IsOpen()) {
      window.ShowReason({});
      reasonShown = false;
    }
  });
  window.SetCloseHandler([&] {
    heartbeat.stop();
    radioPump.stop();
    pw::Guarded("shutdown", [&] { app.ReleaseComForm(); });
    window.Attach(nullptr);
    QCoreApplication::exit(exitCode);
  });
  window.Attach(&app.main);
  // Logout, shutdown and Ctrl+C leave by File > Exit too; the exit status
  // says which signal it was, as a shell would.
  pw::ExitSignals exitSignals;
  exitSignals.Install([&](int sig) {
    exitCode = 128 + sig;
    window.exitAction()->trigger();
  });
  if (simulatedPort) {
    radioPump.setInterval(kSimulatedPumpMs);
    QObject::connect(&radioPump, &QTimer::timeout, &window,
                     [&] { pw::Guarded("simulated radio", [&] { simulatedPort->Pump(); }); });
    radioPump.start();
  }
  heartbeat.start();
  if (simulate) {
    QString sample;
    if (constIni.SampleChosen()) {
      sample = QDir::toNativeSeparators(QString::fromStdString(constIni.Chosen()));
      std::fprintf(stderr, "pwr4tadj: no Const.ini found; the simulated radio runs on the sample constants in %s\n",
                   sample.toLocal8Bit().constData());
    }
    window.ShowSimulatedNotice(sample);
  }
  window.show();
  window.activateWindow();

  std::unique_ptr<pw::Tour> tour;
  if (!options.tourDir.isEmpty()) {
    tour = std::make_unique<pw::Tour>(app, window, options.tourDir, [&](int code) {
      exitCode = code;
      window.exitAction()->trigger();  // File > Exit, the technician's way out
    });
    tour->Start();
  }

  qapp.exec();
  return exitCode;
}
