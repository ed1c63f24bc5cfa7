// The four list operations the console and the monitor rows need.
#pragma once

#include <string>

namespace pw {

class IListBox {
 public:
  virtual ~IListBox() = default;
  virtual int ListCount() const = 0;
  virtual std::string List(int index) const = 0;
  virtual void AddItem(const std::string& text) = 0;
  virtual void SetList(int index, const std::string& text) = 0;
  virtual void Clear() = 0;
  virtual int ListIndex() const = 0;  // selected line, -1 for none
  virtual void SetListIndex(int index) = 0;
};

}  // namespace pw
