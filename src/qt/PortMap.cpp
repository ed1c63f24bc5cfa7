#include "qt/PortMap.h"

#include "serial/frmCom.h"
#include "serial/PortName.h"
#include "settings/clsCmcProfileIO.h"

namespace pw {

bool PortMap::AddOverride(const QString& mapping, QString* error) {
  const qsizetype eq = mapping.indexOf(QLatin1Char('='));
  bool ok = false;
  const int n = eq > 0 ? mapping.left(eq).trimmed().toInt(&ok) : 0;
  const QString device = eq > 0 ? mapping.mid(eq + 1).trimmed() : QString();
  if (!ok || n < kFirstPort || n > kLastPort || device.isEmpty()) {
    if (error) {
      *error = QStringLiteral("'%1' is not N=DEVICE with N from %2 to %3").arg(mapping).arg(kFirstPort).arg(kLastPort);
    }
    return false;
  }
  Set(n, device);
  return true;
}

QString PortMap::DeviceFor(int portNum) const {
  if (portNum < kFirstPort || portNum > kLastPort) return {};
  if (const auto it = overrides_.find(portNum); it != overrides_.end()) return it->second.device;
  const QString fromFile = FromSettings(portNum);
  return fromFile.isEmpty() ? DefaultDevice(portNum) : fromFile;
}

QString PortMap::DefaultDevice(int portNum) { return QString::fromStdString(DefaultPortName(portNum)); }

namespace {

clsCmcProfileIO PortsSection(const std::string& folder, const std::string& seedFile) {
  clsCmcProfileIO prof;
  prof.SetCurrentPath(folder);
  prof.Name = frmCom::kSettingsFileName;
  prof.SeedFile = seedFile;
  prof.Section = "PORTS";
  return prof;
}

std::string KeyFor(int portNum) { return "COM" + std::to_string(portNum); }

}  // namespace

QString PortMap::OverrideFor(int portNum) const {
  const auto it = overrides_.find(portNum);
  return it == overrides_.end() ? QString() : it->second.device;
}

QString PortMap::OverrideOrigin(int portNum) const {
  const auto it = overrides_.find(portNum);
  return it == overrides_.end() ? QString() : it->second.origin;
}

QString PortMap::FromSettings(int portNum) const {
  if (settingsFolder_.empty()) return {};
  std::string device;
  if (!PortsSection(settingsFolder_, seedFile_).loadData(KeyFor(portNum), device, std::string())) return {};
  return QString::fromUtf8(device.data(), static_cast<qsizetype>(device.size()));
}

bool PortMap::SaveToSettings(int portNum, const QString& device) const {
  if (settingsFolder_.empty() || portNum < kFirstPort || portNum > kLastPort) return false;
  clsCmcProfileIO prof = PortsSection(settingsFolder_, seedFile_);
  return prof.saveData(KeyFor(portNum), device.toUtf8().toStdString());
}

}  // namespace pw
