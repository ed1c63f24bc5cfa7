// File > "Print service record..." and "Save service record as PDF...":
// the record of the radio on the bench, as it is when the item is chosen,
// through the system's print dialog or into a PDF file. The dialogs open
// window-modal with open(), so the heartbeat and the radio go on meanwhile.
#pragma once

#include <QObject>
#include <QString>
#include <memory>

#include "qt/RecordPrintout.h"

class QPrinter;

namespace pw {

class MainWindow;
class PwApp;
class ServiceRecord;

class RecordPrintMenu : public QObject {
  Q_OBJECT

 public:
  RecordPrintMenu(PwApp& app, MainWindow& window);

  // The PDF at `path` (".pdf" added unless it has it), replacing a file
  // there only after the technician said so (`confirmed`). False, after the
  // message, when it could not be written; an old file is left whole.
  bool SavePdfTo(const ServiceRecord& record, const QString& path, bool confirmed = false);

 private:
  void Print();
  void AskPdfPath();
  std::shared_ptr<const ServiceRecord> Snapshot() const;

  PwApp& app_;
  MainWindow& window_;
};

}  // namespace pw
