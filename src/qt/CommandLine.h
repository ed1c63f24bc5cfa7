// The program's options, checked before anything touches the window system:
// --help, --version and every mistake are answered on a machine without a
// display, and a mistake never opens a window first.
#pragma once

#include <QString>
#include <QStringList>
#include <vector>

namespace pw {

class CommandLine {
 public:
  enum class Outcome { Run, Help, Version, UsageError };

  struct PortOverride {
    int portNum = 0;
    QString device;
  };

  // args[0] is the program's name. Qt's own window-system options
  // (-platform, -style, ...) are left for QApplication and not checked here.
  Outcome Parse(const QStringList& args);

  // What to print for Help, Version and UsageError (usage errors say what
  // was wrong and point to --help).
  QString text() const { return text_; }

  std::vector<PortOverride> ports;
  bool simulate = false;
  QString settingsDir;  // empty: chosen at start
  QString tourDir;      // empty: no tour
  QString benchFile;    // empty: "Bench.ini" beside the settings file

  // The first line of --version; the second names the build.
  static QString VersionText();
  // The program's arguments. On Windows they are taken from the wide command
  // line (argv there is in the ANSI code page, which turns a folder's name
  // outside it into "?"); elsewhere argv in the locale's encoding.
  static QStringList Arguments(int argc, char** argv);
  // Wide argument strings (UTF-16 on Windows) as the program's arguments.
  static QStringList FromWide(int argc, const wchar_t* const* argv);

 private:
  Outcome Fail(const QString& why);
  static QStringList WithoutWindowSystemOptions(const QStringList& args);

  QString text_;
};

}  // namespace pw
