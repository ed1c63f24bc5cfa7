#include "qt/SettingsLocation.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>

#include "serial/frmCom.h"

namespace pw {

SettingsLocation SettingsLocation::Choose(const Places& places, const CanCreateFileIn& canCreate) {
  if (!places.settingsDirOption.isEmpty()) return {places.settingsDirOption, {}};
  if (canCreate(places.programFolder)) return {places.programFolder, {}};
  SettingsLocation user{places.userFolder, {}};
  const QString adminFile = QDir(places.programFolder).filePath(QString::fromLatin1(frmCom::kSettingsFileName));
  if (QFileInfo(adminFile).isFile()) user.seedFile = adminFile;
  return user;
}

bool SettingsLocation::CanCreateFile(const QString& folder) {
  if (folder.isEmpty() || !QFileInfo(folder).isDir()) return false;
  QTemporaryFile probe(QDir(folder).filePath(QStringLiteral(".pwr4tadj-probe-XXXXXX")));
  return probe.open();  // removed again when probe goes
}

QString SettingsLocation::UserFolder() { return QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation); }

QStringList SettingsLocation::SystemFolders() {
#ifdef Q_OS_WIN
  return {};
#else
  // Qt lists the user's folder first, then the system's.
  QStringList bases = QStandardPaths::standardLocations(QStandardPaths::GenericConfigLocation);
  bases.removeAll(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation));
  QStringList folders;
  for (const QString& base : bases) folders << QDir(base).filePath(QStringLiteral("pwr4tadj"));
  return folders;
#endif
}

SettingsLocation SettingsLocation::ForThisRun(const QString& settingsDirOption) {
  const Places places{settingsDirOption, QCoreApplication::applicationDirPath(), UserFolder()};
  SettingsLocation chosen = Choose(places, CanCreateFile);
  // The store writes into an existing folder only.
  if (chosen.folder == places.userFolder) QDir().mkpath(chosen.folder);
  return chosen;
}

}  // namespace pw
