// The service record's questions as desktop dialogs. Each opens
// window-modal with open() and answers from the event loop, so the
// heartbeat and the radio go on while the technician chooses.
#pragma once

#include <QWidget>

#include "platform/IRecordDialogs.h"

class QDialog;
class QFileDialog;

namespace pw {

class RecordDialogs : public IRecordDialogs {
 public:
  explicit RecordDialogs(QWidget* parent) : parent_(parent) {}

  void AskSaveFile(const std::string& folder, const std::string& name, PathReply reply) override;
  void AskFolder(const std::string& folder, PathReply reply) override;
  void AskOverwrite(const std::vector<std::string>& paths, std::function<void(bool)> reply) override;

  // Opens a dialog window-modal, deleted when it closes.
  static void Show(QDialog* dialog);
  // A save dialog in `folder` (home when it is gone) proposing `name`; it
  // asks nothing about an existing file: the program asks that itself.
  static QFileDialog* SaveDialog(QWidget* parent, const QString& title, const std::string& folder,
                                 const std::string& name, const QString& filter, const QString& suffix);

 private:
  QWidget* parent_;
};

}  // namespace pw
