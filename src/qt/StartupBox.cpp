#include "qt/StartupBox.h"

#include <QMessageBox>
#include <QTimer>
#include <cstdio>

#include "base/Common.h"
#include "base/ProgramTitle.h"

namespace pw {

bool AutoCloseStartupBoxes() { return qEnvironmentVariableIntValue("PW_AUTO_CLOSE_BOXES") == 1; }

void ShowStartupRefusal(const std::string& text, bool autoClose) {
  QString shown = QString::fromLatin1(StrExpandNewLine(text).c_str());
  shown.replace(QLatin1String("\r\n"), QLatin1String("\n"));
  std::fprintf(stderr, "%s\n", shown.toLocal8Bit().constData());
  std::fflush(stderr);
  QMessageBox box(QMessageBox::Warning, QString::fromLatin1(kProgramTitle), shown, QMessageBox::Ok);
  box.setObjectName(QStringLiteral("msgStartup"));
  if (autoClose) QTimer::singleShot(0, &box, &QMessageBox::accept);
  box.exec();
}

}  // namespace pw
