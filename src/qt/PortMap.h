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

  // The settings file's folder (and the file read in its place while it is
  // missing, see clsCmcProfileIO::SeedFile). The file is read afresh at
  // every lookup so that an edit takes effect at the next open.
  void SetSettingsFolder(const std::string& folder, const std::string& seedFile = {}) {
    settingsFolder_ = folder;
    seedFile_ = seedFile;
  }

  // "N=DEVICE" with N from 1 to 10 and a device name that is not empty.
  // False, with a reason, for anything else.
  bool AddOverride(const QString& mapping, QString* error = nullptr);
  // A device for this run only; `origin` says who chose it ("--port").
  void Set(int portNum, const QString& device, const QString& origin = QStringLiteral("--port")) {
    overrides_[portNum] = {device, origin};
  }

  // The device for COM portNum; empty for a number outside 1 to 10.
  QString DeviceFor(int portNum) const;
  static QString DefaultDevice(int portNum);
  // The device chosen for this run only, and by whom; empty when none.
  QString OverrideFor(int portNum) const;
  QString OverrideOrigin(int portNum) const;
  // The device the settings file's [PORTS] section names; empty for none.
  QString FromSettings(int portNum) const;
  // Writes COMn=device into [PORTS] (an empty device: back to the default)
  // with the store's safe save; every other line of the file is kept.
  bool SaveToSettings(int portNum, const QString& device) const;

 private:
  struct Override {
    QString device;
    QString origin;
  };
  std::map<int, Override> overrides_;
  std::string settingsFolder_;
  std::string seedFile_;
};

}  // namespace pw
