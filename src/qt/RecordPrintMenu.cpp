#include "qt/RecordPrintMenu.h"

#include <QAction>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QPrintDialog>
#include <QPrinter>

#include "base/ProgramTitle.h"
#include "qt/Guard.h"
#include "qt/MainWindow.h"
#include "qt/RecordDialogs.h"
#include "shell/start.h"

namespace pw {

namespace {

QString WithPdfSuffix(QString path) {
  if (!path.endsWith(QStringLiteral(".pdf"), Qt::CaseInsensitive)) path += QStringLiteral(".pdf");
  return path;
}

}  // namespace

RecordPrintMenu::RecordPrintMenu(PwApp& app, MainWindow& window) : app_(app), window_(window) {
  connect(&window_, &MainWindow::printRecordRequested, this, [this] { Guarded("print record", [&] { Print(); }); });
  connect(&window_, &MainWindow::saveRecordPdfRequested, this,
          [this] { Guarded("record as PDF", [&] { AskPdfPath(); }); });
}

std::shared_ptr<const ServiceRecord> RecordPrintMenu::Snapshot() const {
  // The record as it is now: a Connect while the dialog is open starts
  // another one, and this one must not change or go meanwhile.
  const ServiceRecord* record = app_.records.record();
  return record ? std::make_shared<const ServiceRecord>(*record) : nullptr;
}

void RecordPrintMenu::Print() {
  std::shared_ptr<const ServiceRecord> record = Snapshot();
  if (!record) return;
  auto printer = std::make_shared<QPrinter>(QPrinter::HighResolution);
  printer->setPageSize(RecordPrintout::LocalePaper());
  printer->setDocName(RecordPrintout::Title(*record));
  auto* dialog = new QPrintDialog(printer.get(), &window_);
  dialog->setObjectName(QStringLiteral("dlgPrintRecord"));
  dialog->setWindowTitle(QStringLiteral("Print service record"));
  // The printer lives as long as the dialog's connection holds it.
  connect(dialog, &QDialog::accepted, dialog, [this, printer, record] {
    Guarded("print record", [&] { RecordPrintout::Paint(*printer, *record, RecordPrintout::ThisRun()); });
  });
  RecordDialogs::Show(dialog);
}

void RecordPrintMenu::AskPdfPath() {
  std::shared_ptr<const ServiceRecord> record = Snapshot();
  if (!record) return;
  // An existing file is asked about below, window-modal like the dialog itself.
  QFileDialog* d = RecordDialogs::SaveDialog(&window_, QStringLiteral("Save service record as PDF"),
                                             app_.records.lastFolder(), record->BaseName() + ".pdf",
                                             QStringLiteral("PDF documents (*.pdf)"), QStringLiteral("pdf"));
  d->setObjectName(QStringLiteral("dlgSaveRecordPdf"));
  connect(d, &QFileDialog::fileSelected, this,
          [this, record](const QString& file) { Guarded("record as PDF", [&] { SavePdfTo(*record, file); }); });
  RecordDialogs::Show(d);
}

bool RecordPrintMenu::SavePdfTo(const ServiceRecord& record, const QString& chosen, bool confirmed) {
  const QString path = QDir::toNativeSeparators(WithPdfSuffix(chosen));
  if (!confirmed && QFileInfo::exists(path)) {
    auto kept = std::make_shared<const ServiceRecord>(record);
    RecordDialogs(&window_).AskOverwrite({path.toStdString()}, [this, kept, path](bool replace) {
      if (replace) SavePdfTo(*kept, path, true);
    });
    return false;
  }
  if (!RecordPrintout::SavePdf(record, path)) {
    window_.MsgBox(std::string(ServiceRecords::kCannotWrite) + path.toStdString() + ".", kProgramTitle);
    return false;
  }
  return true;
}

}  // namespace pw
