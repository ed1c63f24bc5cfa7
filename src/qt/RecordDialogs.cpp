#include "qt/RecordDialogs.h"

#include <QDir>
#include <QFileDialog>
#include <QMessageBox>

#include "base/Common.h"
#include "base/ProgramTitle.h"
#include "qt/Guard.h"

namespace pw {

namespace {

QString FromUtf8(const std::string& s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

std::string ToCore(const QString& path) { return QDir::toNativeSeparators(path).toStdString(); }

QString StartFolder(const std::string& folder) {
  const QString f = FromUtf8(folder);
  return !f.isEmpty() && QDir(f).exists() ? f : QDir::homePath();
}

}  // namespace

void RecordDialogs::Show(QDialog* dialog) {
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  dialog->setWindowModality(Qt::WindowModal);
  dialog->open();  // not exec(): no second event loop around the heartbeat
}

QFileDialog* RecordDialogs::SaveDialog(QWidget* parent, const QString& title, const std::string& folder,
                                       const std::string& name, const QString& filter, const QString& suffix) {
  auto* d = new QFileDialog(parent, title, StartFolder(folder));
  d->setAcceptMode(QFileDialog::AcceptSave);
  d->setFileMode(QFileDialog::AnyFile);
  d->setOption(QFileDialog::DontConfirmOverwrite);
  d->setNameFilter(filter);
  d->setDefaultSuffix(suffix);
  d->selectFile(FromUtf8(name));
  return d;
}

void RecordDialogs::AskSaveFile(const std::string& folder, const std::string& name, PathReply reply) {
  // The program asks once about the report and its image together.
  QFileDialog* d = SaveDialog(parent_, QStringLiteral("Save service record"), folder, name,
                              QStringLiteral("Service records (*.txt)"), QStringLiteral("txt"));
  d->setObjectName(QStringLiteral("dlgSaveRecord"));
  QObject::connect(d, &QFileDialog::fileSelected, d,
                   [reply](const QString& file) { Guarded("save record", [&] { reply(ToCore(file)); }); });
  Show(d);
}

void RecordDialogs::AskFolder(const std::string& folder, PathReply reply) {
  auto* d = new QFileDialog(parent_, QStringLiteral("Folder for service records"), StartFolder(folder));
  d->setObjectName(QStringLiteral("dlgRecordFolder"));
  d->setFileMode(QFileDialog::Directory);
  d->setOption(QFileDialog::ShowDirsOnly);
  QObject::connect(d, &QFileDialog::fileSelected, d,
                   [reply](const QString& dir) { Guarded("record folder", [&] { reply(ToCore(dir)); }); });
  Show(d);
}

void RecordDialogs::AskOverwrite(const std::vector<std::string>& paths, std::function<void(bool)> reply) {
  QString text = paths.size() == 1 ? QStringLiteral("This file exists already:\n")
                                   : QStringLiteral("These files exist already:\n");
  for (const std::string& p : paths) text += QLatin1Char('\n') + FromUtf8(p);
  text += QStringLiteral("\n\nReplace %1?").arg(paths.size() == 1 ? QStringLiteral("it") : QStringLiteral("them"));
  auto* box = new QMessageBox(QMessageBox::Question, QString::fromLatin1(kProgramTitle), text,
                              QMessageBox::Yes | QMessageBox::No, parent_);
  box->setObjectName(QStringLiteral("msgReplaceRecord"));
  box->setDefaultButton(QMessageBox::No);
  QObject::connect(box, &QMessageBox::finished, box, [box, reply](int) {
    const bool yes = box->clickedButton() == box->button(QMessageBox::Yes);
    Guarded("replace record", [&] { reply(yes); });
  });
  Show(box);
}

}  // namespace pw
