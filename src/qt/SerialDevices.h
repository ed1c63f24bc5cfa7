// The serial devices the system reports, with the stable name under
// /dev/serial/by-id/ where there is one: that name survives unplugging and
// replugging, while /dev/ttyUSB0 may come back as /dev/ttyUSB1.
#pragma once

#include <QString>
#include <functional>
#include <vector>

namespace pw {

struct SerialDevice {
  QString systemLocation;  // /dev/ttyUSB0, COM7
  QString stableName;      // /dev/serial/by-id/usb-..., empty when none
  QString description;
  QString manufacturer;
  QString serialNumber;
  QString usbId;  // vendor:product as four hex digits each, empty when not USB

  // The name to store: the stable one where there is one.
  QString PreferredName() const { return stableName.isEmpty() ? systemLocation : stableName; }
};

using SerialDeviceLister = std::function<std::vector<SerialDevice>()>;

// Now, from Qt's QSerialPortInfo and the /dev/serial/by-id/ links.
std::vector<SerialDevice> SystemSerialDevices();
// Whether a device name stands for something that is there now.
bool SerialDevicePresent(const QString& device);

}  // namespace pw
