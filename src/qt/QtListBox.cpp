#include "qt/QtListBox.h"

namespace pw {

int QtListBox::ListCount() const { return widget_->count(); }

std::string QtListBox::List(int index) const {
  const QListWidgetItem* item = widget_->item(index);
  return item ? item->text().toStdString() : std::string();
}

void QtListBox::AddItem(const std::string& text) {
  widget_->addItem(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
}

void QtListBox::SetList(int index, const std::string& text) {
  // A line the list does not have is ignored, as the list control would.
  if (QListWidgetItem* item = widget_->item(index)) {
    item->setText(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
  }
}

void QtListBox::Clear() { widget_->clear(); }

int QtListBox::ListIndex() const {
  const int row = widget_->currentRow();
  return (row >= 0 && row < widget_->count()) ? row : -1;
}

void QtListBox::SetListIndex(int index) {
  if (index >= 0 && index < widget_->count()) {
    widget_->setCurrentRow(index);
  } else {
    widget_->setCurrentRow(-1);
    widget_->clearSelection();
  }
}

}  // namespace pw
