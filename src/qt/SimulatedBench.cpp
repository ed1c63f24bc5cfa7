#include "qt/SimulatedBench.h"

#include <QDir>

namespace pw {

SimulatedBench::SimulatedBench(TestSetServer::RadioAccess withRadio) : server_(std::move(withRadio)) {}

BenchConfig SimulatedBench::ConfigFor(quint16 port) {
  BenchConfig config;
  const std::string address = "tcp:127.0.0.1:" + std::to_string(port);
  for (Role role : kRoles) config[role].Address = address;
  config[Role::Ptt].Commands[command::kOn] = ":PTT ON";
  config[Role::Ptt].Commands[command::kOff] = ":PTT OFF";
  config[Role::Ptt].TransmitPathSafe = true;
  return config;
}

bool SimulatedBench::Start(std::string& why) {
  QString error;
  if (!server_.Start(0, &error)) {
    why = "cannot serve the simulated test set: " + error.toStdString();
    return false;
  }
  if (!dir_.isValid()) {
    why = "no temporary folder for the simulated bench file: " + dir_.errorString().toStdString();
    return false;
  }
  benchFile_ = QDir::toNativeSeparators(dir_.filePath(QStringLiteral("Bench.ini"))).toStdString();
  return WriteBenchChanges(benchFile_, BenchConfig{}, ConfigFor(server_.port()), why);
}

}  // namespace pw
