// Where the settings file PWR4TADJ.rs lives for this run, chosen once at
// start so that reading and saving always agree:
//  - the folder given with --settings-dir;
//  - else the program's folder, when a file can be created there (a copy
//    unpacked into a folder of its own keeps its settings beside it);
//  - else the user's configuration folder (e.g. ~/.config/pwr4tadj). While
//    no file exists there yet, a file in the program's folder (defaults an
//    administrator left) is read in its place; saves go to the user's file.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>

namespace pw {

struct SettingsLocation {
  QString folder;    // the settings file is read from and saved in this folder
  QString seedFile;  // read in its place while that file does not exist; empty for none

  struct Places {
    QString settingsDirOption;  // empty when not given
    QString programFolder;
    QString userFolder;
  };
  using CanCreateFileIn = std::function<bool(const QString& folder)>;

  static SettingsLocation Choose(const Places& places, const CanCreateFileIn& canCreate);
  // Whether this user can create a file in `folder`: tried, not guessed
  // from permission bits, which say nothing about ACLs or read-only mounts.
  static bool CanCreateFile(const QString& folder);
  // The choice for this process: the program's folder and the per-user
  // configuration folder of the running application (created when chosen).
  static SettingsLocation ForThisRun(const QString& settingsDirOption);
  // The per-user configuration folder (Qt's AppConfigLocation).
  static QString UserFolder();
  // The system's configuration folders of the program, where an administrator
  // puts files for every user: on Linux each of $XDG_CONFIG_DIRS (/etc/xdg
  // when unset) with "pwr4tadj", in order. None on Windows, whose places
  // stay as they were.
  static QStringList SystemFolders();
};

}  // namespace pw
