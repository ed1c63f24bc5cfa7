#include "qt/SerialDevices.h"

#include <QDir>
#include <QFileInfo>
#include <QSerialPortInfo>

namespace pw {

std::vector<SerialDevice> SystemSerialDevices() {
  // Every link under by-id, by the device it points to.
  QList<QFileInfo> links;
#ifdef Q_OS_UNIX
  links = QDir(QStringLiteral("/dev/serial/by-id"))
              .entryInfoList(QDir::System | QDir::Files | QDir::NoDotAndDotDot, QDir::Name);
#endif
  std::vector<SerialDevice> devices;
  for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
    SerialDevice d;
    d.systemLocation = info.systemLocation();
    d.description = info.description();
    d.manufacturer = info.manufacturer();
    d.serialNumber = info.serialNumber();
    if (info.hasVendorIdentifier() && info.hasProductIdentifier()) {
      d.usbId = QStringLiteral("%1:%2")
                    .arg(info.vendorIdentifier(), 4, 16, QLatin1Char('0'))
                    .arg(info.productIdentifier(), 4, 16, QLatin1Char('0'));
    }
    const QString target = QFileInfo(d.systemLocation).canonicalFilePath();
    for (const QFileInfo& link : links) {
      if (!target.isEmpty() && link.canonicalFilePath() == target) {
        d.stableName = link.absoluteFilePath();
        break;
      }
    }
    devices.push_back(d);
  }
  return devices;
}

bool SerialDevicePresent(const QString& device) {
#ifdef Q_OS_WIN
  for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
    if (info.portName().compare(device, Qt::CaseInsensitive) == 0) return true;
  }
  return false;
#else
  return QFileInfo::exists(device);  // follows links: a dangling by-id name is absent
#endif
}

}  // namespace pw
