// The list operations the core needs, on a QListWidget. Lines are the core's
// 8-bit text; selection follows the widget's current row.
#pragma once

#include <QListWidget>

#include "platform/IListBox.h"

namespace pw {

class QtListBox : public IListBox {
 public:
  explicit QtListBox(QListWidget* widget) : widget_(widget) {}

  int ListCount() const override;
  std::string List(int index) const override;
  void AddItem(const std::string& text) override;
  void SetList(int index, const std::string& text) override;
  void Clear() override;
  int ListIndex() const override;
  void SetListIndex(int index) override;

  QListWidget* widget() const { return widget_; }

 private:
  QListWidget* widget_;
};

}  // namespace pw
