// Which device stands behind "COM n". The technician's choice on the command
// line wins; then the settings file's [PORTS] section (COM1=..., COM10=...);
// then the platform's own name for the n-th serial port.
#pragma once

#include <QString>
#include <map>
#include <string>

namespace pw {

class PortMap {
 public:
  static constexpr int kFirstPort = 1;
  static constexpr int kLastPort = 10;

  // The folder of the settings file, read afresh at every lookup so that an
  // edit takes effect at the next open.
  void SetSettingsFolder(const std::string& folder) { settingsFolder_ = folder; }

  // "N=DEVICE" with N from 1 to 10 and a device name that is not empty.
  // False, with a reason, for anything else.
  bool AddOverride(const QString& mapping, QString* error = nullptr);
  void Set(int portNum, const QString& device) { overrides_[portNum] = device; }

  // The device for COM portNum; empty for a number outside 1 to 10.
  QString DeviceFor(int portNum) const;
  static QString DefaultDevice(int portNum);

 private:
  QString FromSettings(int portNum) const;

  std::map<int, QString> overrides_;
  std::string settingsFolder_;
};

}  // namespace pw
