#include "qt/CommandLine.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <set>

#include "base/ProgramTitle.h"
#include "qt/PortMap.h"

#ifdef Q_OS_WIN
#include <windows.h>
#include <shellapi.h>
#endif

#ifndef PW_VERSION
#define PW_VERSION "unknown"
#endif

namespace pw {

namespace {

// Options that QApplication takes out of the argument list itself, with and
// without a value. They are only known once it has started, and starting it
// needs the window system, so they are set aside here by name.
const std::set<QString>& QtOptionsWithValue() {
  static const std::set<QString> names{QStringLiteral("platform"),        QStringLiteral("platformpluginpath"),
                                       QStringLiteral("platformtheme"),   QStringLiteral("plugin"),
                                       QStringLiteral("qwindowgeometry"), QStringLiteral("qwindowicon"),
                                       QStringLiteral("qwindowtitle"),    QStringLiteral("session"),
                                       QStringLiteral("display"),         QStringLiteral("geometry"),
                                       QStringLiteral("style"),           QStringLiteral("stylesheet")};
  return names;
}

const std::set<QString>& QtFlags() {
  static const std::set<QString> names{QStringLiteral("reverse"), QStringLiteral("widgetcount"),
                                       QStringLiteral("nograb"), QStringLiteral("dograb"), QStringLiteral("sync")};
  return names;
}

}  // namespace

QStringList CommandLine::FromWide(int argc, const wchar_t* const* argv) {
  QStringList args;
  for (int i = 0; i < argc; ++i) args << QString::fromWCharArray(argv[i]);
  return args;
}

QStringList CommandLine::Arguments(int argc, char** argv) {
#ifdef Q_OS_WIN
  int count = 0;
  if (LPWSTR* wide = ::CommandLineToArgvW(::GetCommandLineW(), &count)) {
    const QStringList args = FromWide(count, wide);
    ::LocalFree(wide);
    return args;
  }
#endif
  QStringList args;
  for (int i = 0; i < argc; ++i) args << QString::fromLocal8Bit(argv[i]);
  return args;
}

QString CommandLine::VersionText() {
  return QStringLiteral("%1\npwr4tadj %2\n").arg(QLatin1String(kProgramTitle), QLatin1String(PW_VERSION));
}

QStringList CommandLine::WithoutWindowSystemOptions(const QStringList& args) {
  QStringList kept;
  for (qsizetype i = 0; i < args.size(); ++i) {
    const QString& a = args[i];
    if (a == QLatin1String("--")) {  // everything after it is an argument
      kept << args.mid(i);
      break;
    }
    if (i == 0 || !a.startsWith(QLatin1Char('-'))) {
      kept << a;
      continue;
    }
    QString name = a.mid(a.startsWith(QLatin1String("--")) ? 2 : 1);
    const qsizetype eq = name.indexOf(QLatin1Char('='));
    const bool inlineValue = eq >= 0;
    if (inlineValue) name = name.left(eq);
    if (name == QLatin1String("qmljsdebugger") || QtFlags().count(name)) continue;
    if (QtOptionsWithValue().count(name)) {
      if (!inlineValue) ++i;  // its value
      continue;
    }
    kept << a;
  }
  return kept;
}

CommandLine::Outcome CommandLine::Fail(const QString& why) {
  text_ = QStringLiteral("pwr4tadj: %1\n(see pwr4tadj --help)\n").arg(why);
  return Outcome::UsageError;
}

CommandLine::Outcome CommandLine::Parse(const QStringList& args) {
  QCommandLineParser parser;
  parser.setApplicationDescription(
      QStringLiteral("%1: service-bench adjustment utility for the KQ-R4T.").arg(QLatin1String(kProgramTitle)));
  const QCommandLineOption helpOpt = parser.addHelpOption();
  const QCommandLineOption versionOpt(QStringLiteral("version"),
                                      QStringLiteral("Print the program's title and version."));
  const QCommandLineOption portOpt(
      QStringLiteral("port"),
      QStringLiteral("Use DEVICE as COM N (N from 1 to 10) for this run. Repeatable. Wins over the [PORTS] "
                     "section of the settings file (COM1=DEVICE ...) and over the default /dev/ttyS<N-1>."),
      QStringLiteral("N=DEVICE"));
  const QCommandLineOption simulateOpt(
      QStringLiteral("simulate"),
      QStringLiteral("Serve a simulated radio on pseudo-terminals behind COM 1 to 4 (unless --port names them). "
                     "Without any Const.ini it runs on the sample constants shipped with the program."));
  const QCommandLineOption settingsDirOpt(
      QStringLiteral("settings-dir"),
      QStringLiteral("Keep the settings file PWR4TADJ.rs in DIR (an existing folder) instead of the program's "
                     "folder or the per-user configuration folder."),
      QStringLiteral("DIR"));
  const QCommandLineOption tourOpt(
      QStringLiteral("tour"),
      QStringLiteral("Unattended tour: Connect, step MOD, reload, sweep BPF T3, show the dump; save a PNG of "
                     "each page and of the sweep curves and the service record (with its PDF) in DIR, print the "
                     "console and monitor lines, exit 0 (1 on failure or time-out)."),
      QStringLiteral("DIR"));
  const QCommandLineOption benchOpt(
      QStringLiteral("bench"),
      QStringLiteral("Read the bench instruments from FILE instead of Bench.ini beside the settings file; "
                     "Option > Bench instruments... saves into it."),
      QStringLiteral("FILE"));
  parser.addOptions({versionOpt, portOpt, simulateOpt, settingsDirOpt, tourOpt, benchOpt});

  const QStringList ours = WithoutWindowSystemOptions(args);
  if (!parser.parse(ours)) return Fail(parser.errorText());
  if (parser.isSet(helpOpt) || parser.isSet(QStringLiteral("help-all"))) {
    // Qt names the program after argv[0] of a running application, or a
    // placeholder when there is none (as here): it is called by one name.
    text_ = parser.helpText();
    const qsizetype usage = text_.indexOf(QLatin1String("Usage: "));
    const qsizetype rest = text_.indexOf(QLatin1String(" [options]"));
    if (usage >= 0 && rest > usage) text_.replace(usage + 7, rest - usage - 7, QLatin1String("pwr4tadj"));
    return Outcome::Help;
  }
  if (parser.isSet(versionOpt)) {
    text_ = VersionText();
    return Outcome::Version;
  }
  if (!parser.positionalArguments().isEmpty()) {
    return Fail(QStringLiteral("unexpected argument '%1'").arg(parser.positionalArguments().front()));
  }
  for (const QString& mapping : parser.values(portOpt)) {
    PortMap check;
    QString error;
    if (!check.AddOverride(mapping, &error)) return Fail(QStringLiteral("--port: ") + error);
    const int n = mapping.section(QLatin1Char('='), 0, 0).trimmed().toInt();
    ports.push_back({n, check.DeviceFor(n)});
  }
  simulate = parser.isSet(simulateOpt);
  if (parser.isSet(settingsDirOpt)) {
    settingsDir = parser.value(settingsDirOpt);
    if (settingsDir.isEmpty() || !QFileInfo(settingsDir).isDir()) {
      return Fail(QStringLiteral("--settings-dir: '%1' is not a folder").arg(settingsDir));
    }
  }
  if (parser.isSet(tourOpt)) {
    tourDir = parser.value(tourOpt);
    if (tourDir.isEmpty()) return Fail(QStringLiteral("--tour: the folder's name is empty"));
  }
  if (parser.isSet(benchOpt)) {
    benchFile = parser.value(benchOpt);
    // The file itself may be new (the dialog creates it), its folder not.
    if (benchFile.isEmpty() || QFileInfo(benchFile).isDir() || !QFileInfo(benchFile).dir().exists()) {
      return Fail(QStringLiteral("--bench: '%1' is no file in an existing folder").arg(benchFile));
    }
  }
  return Outcome::Run;
}

}  // namespace pw
