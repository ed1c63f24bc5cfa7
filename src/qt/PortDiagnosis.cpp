#include "qt/PortDiagnosis.h"

#include <QDir>
#include <QFileInfo>
#include <QLockFile>
#include <QStandardPaths>

#ifdef Q_OS_UNIX
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#endif

namespace pw {

namespace {

// Whether the process that wrote a lock file still runs. A process of
// another user counts as running (the system only says it may not be
// signalled); an unreadable file counts as held.
bool HolderAlive(const QString& lockFile) {
  qint64 pid = 0;
  QString host;
  QString app;
  if (!QLockFile(lockFile).getLockInfo(&pid, &host, &app) || pid <= 0) return true;
#ifdef Q_OS_UNIX
  if (!host.isEmpty() && host != QSysInfo::machineHostName()) return true;
  return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
#else
  return true;
#endif
}

}  // namespace

QString PortDiagnosis::Describe(const Facts& f) {
  if (!f.present) return QStringLiteral("%1: not present").arg(f.device);
  if (!f.lockFile.isEmpty() && !f.lockHolderAlive) {
    return QStringLiteral(
               "%1: blocked by the stale lock file %2, left by a program that has ended. "
               "It may be deleted (by its owner or an administrator).")
        .arg(f.device, f.lockFile);
  }
  if (!f.lockFile.isEmpty()) return QStringLiteral("%1: in use by another program").arg(f.device);
  if (!f.accessible) {
    const QString group = f.group.isEmpty() ? QStringLiteral("dialout") : f.group;
    return QStringLiteral("%1: permission denied. Add your user to the '%2' group, then log in again.")
        .arg(f.device, group);
  }
  // The device is there and ours to open: the system's only other reason
  // for refusing it is another program holding it exclusively.
  if (f.error == QSerialPort::PermissionError) return QStringLiteral("%1: in use by another program").arg(f.device);
  return QStringLiteral("%1: cannot be opened").arg(f.device);
}

PortDiagnosis::Facts PortDiagnosis::Gather(const QString& device, QSerialPort::SerialPortError error,
                                           const QStringList& lockFolders) {
  Facts f;
  f.device = device;
  f.error = error;
  const QFileInfo info(device);
#ifdef Q_OS_UNIX
  f.present = info.exists();
  if (f.present) {
    const QByteArray path = QFile::encodeName(device);
    f.accessible = ::access(path.constData(), R_OK | W_OK) == 0;
    f.group = info.group();
  }
#else
  f.present = error != QSerialPort::DeviceNotFoundError;
  f.accessible = true;
#endif
  const QString name = LockFileName(device);
  for (const QString& folder : lockFolders) {
    const QString candidate = QDir(folder).filePath(name);
    if (QFileInfo::exists(candidate)) {
      f.lockFile = candidate;
      f.lockHolderAlive = HolderAlive(candidate);
      break;
    }
  }
  return f;
}

QStringList PortDiagnosis::LockFolders() {
  return {QStringLiteral("/var/lock"),
          QStringLiteral("/etc/locks"),
          QStringLiteral("/var/spool/locks"),
          QStringLiteral("/var/spool/uucp"),
          QStringLiteral("/tmp"),
          QStringLiteral("/var/tmp"),
          QStringLiteral("/var/lock/lockdev"),
          QStringLiteral("/run/lock"),
          QStandardPaths::writableLocation(QStandardPaths::TempLocation)};
}

QString PortDiagnosis::LockFileName(const QString& device) {
  QString name = device.startsWith(QLatin1String("/dev/")) ? device.mid(5) : device;
  name.replace(QLatin1Char('/'), QLatin1Char('_'));
  return QStringLiteral("LCK..") + name;
}

}  // namespace pw
