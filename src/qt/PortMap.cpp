#include "qt/PortMap.h"

#include "serial/PortName.h"
#include "serial/frmCom.h"
#include "shell/clsCmcProfileIO.h"

namespace pw {

bool PortMap::AddOverride(const QString& mapping, QString* error) {
  const qsizetype eq = mapping.indexOf(QLatin1Char('='));
  bool ok = false;
  const int n = eq > 0 ? mapping.left(eq).trimmed().toInt(&ok) : 0;
  const QString device = eq > 0 ? mapping.mid(eq + 1).trimmed() : QString();
  if (!ok || n < kFirstPort || n > kLastPort || device.isEmpty()) {
    if (error) {
      *error = QStringLiteral("'%1' is not N=DEVICE with N from %2 to %3")
                   .arg(mapping)
                   .arg(kFirstPort)
                   .arg(kLastPort);
    }
    return false;
  }
  overrides_[n] = device;
  return true;
}

QString PortMap::DeviceFor(int portNum) const {
  if (portNum < kFirstPort || portNum > kLastPort) return {};
  if (const auto it = overrides_.find(portNum); it != overrides_.end()) return it->second;
  const QString fromFile = FromSettings(portNum);
  return fromFile.isEmpty() ? DefaultDevice(portNum) : fromFile;
}

QString PortMap::DefaultDevice(int portNum) { return QString::fromStdString(DefaultPortName(portNum)); }

QString PortMap::FromSettings(int portNum) const {
  if (settingsFolder_.empty()) return {};
  clsCmcProfileIO prof;
  prof.SetCurrentPath(settingsFolder_);
  prof.Name = frmCom::kSettingsFileName;
  prof.Section = "PORTS";
  std::string device;
  if (!prof.loadData("COM" + std::to_string(portNum), device, std::string())) return {};
  return QString::fromUtf8(device.data(), static_cast<qsizetype>(device.size()));
}

}  // namespace pw
