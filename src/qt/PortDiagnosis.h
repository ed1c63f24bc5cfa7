// Why a serial port could not be opened, in plain words for the status bar.
// The program's own message ("Cannot access COM 1.") stays as it is; this
// tells the technician what to do about it: plug the cable in, join the
// group that owns the device, close the other program, or have a stale lock
// file removed.
#pragma once

#include <QSerialPort>
#include <QString>
#include <QStringList>

namespace pw {

class PortDiagnosis {
 public:
  struct Facts {
    QString device;
    bool present = true;     // the device exists now
    bool accessible = true;  // this user may read and write it
    QString group;           // the group that owns the device
    QString lockFile;        // a lock file for the device, if there is one
    bool lockHolderAlive = true;
    QSerialPort::SerialPortError error = QSerialPort::UnknownError;
  };

  static QString Describe(const Facts& facts);
  // Looks at the system: the device, its owner and the lock files in
  // `lockFolders` (those QSerialPort uses, by default).
  static Facts Gather(const QString& device, QSerialPort::SerialPortError error,
                      const QStringList& lockFolders = LockFolders());
  // The folders QSerialPort keeps its lock files in, in its order.
  static QStringList LockFolders();
  // QSerialPort's lock file name for a device: "LCK..ttyUSB0".
  static QString LockFileName(const QString& device);
};

}  // namespace pw
