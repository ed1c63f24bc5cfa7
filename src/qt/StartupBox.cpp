#include "qt/StartupBox.h"

#include <QMessageBox>
#include <QTimer>
#include <cstdio>

#include "base/Common.h"
#include "base/ProgramTitle.h"

namespace pw {

bool AutoCloseStartupBoxes() { return qEnvironmentVariableIntValue("PW_AUTO_CLOSE_BOXES") == 1; }

void ShowStartupRefusal(const std::string& text, bool autoClose, const std::string& details) {
  QString shown = QString::fromStdString(StrExpandNewLine(text));
  shown.replace(QLatin1String("\r\n"), QLatin1String("\n"));
  const QString more = QString::fromUtf8(details.data(), static_cast<qsizetype>(details.size()));
  std::fprintf(stderr, "%s\n", shown.toLocal8Bit().constData());
  if (!more.isEmpty()) std::fprintf(stderr, "%s\n", more.toLocal8Bit().constData());
  std::fflush(stderr);
  QMessageBox box(QMessageBox::Warning, QString::fromLatin1(kProgramTitle), shown, QMessageBox::Ok);
  box.setObjectName(QStringLiteral("msgStartup"));
  if (!more.isEmpty()) box.setDetailedText(more);
  if (autoClose) QTimer::singleShot(0, &box, &QMessageBox::accept);
  box.exec();
}

}  // namespace pw
