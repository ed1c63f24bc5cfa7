// A list box that only keeps its lines, for tests of anything that draws into
// one (the console, the monitor lists).
#pragma once

#include <string>
#include <vector>

#include "platform/IListBox.h"

namespace pw::test {

class RecordingListBox : public IListBox {
 public:
  std::vector<std::string> lines;
  int selected = -1;

  int ListCount() const override { return static_cast<int>(lines.size()); }
  std::string List(int index) const override { return InRange(index) ? lines[static_cast<size_t>(index)] : ""; }
  void AddItem(const std::string& text) override { lines.push_back(text); }
  // A real control refuses a line it does not have; here that is simply ignored.
  void SetList(int index, const std::string& text) override {
    if (InRange(index)) lines[static_cast<size_t>(index)] = text;
  }
  void Clear() override {
    lines.clear();
    selected = -1;
  }
  int ListIndex() const override { return selected; }
  void SetListIndex(int index) override { selected = InRange(index) ? index : -1; }

 private:
  bool InRange(int index) const { return index >= 0 && index < ListCount(); }
};

}  // namespace pw::test
