// A main window that only records what the core asks of it.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "layout/FormLayout.h"
#include "platform/IWindow.h"
#include "support/RecordingListBox.h"

namespace pw::test {

class RecordingWindow : public IWindow {
 public:
  RecordingListBox console;
  std::array<RecordingListBox, 2> monitors;
  std::string caption, title, progress, comBusy, dispPara;
  ColorRole comBusyColor = ColorRole::GrayText;
  int checkedPort = 0, checkedRelease = -1;
  std::array<bool, 4> frames{};
  std::array<std::string, 3> buttonCaptions;
  std::array<bool, 3> buttonEnabled{};
  std::array<bool, 3> buttonDefault{};
  bool atisWaiting = false;
  bool recordSaveEnabled = false, recordKeepChecked = false;
  int beeps = 0;
  int consoleFocus = 0;
  int focusedButton = -1;
  std::vector<std::string> messages;
  int screenWidth = 28800, screenHeight = 11520;
  int innerWidth = 9405, innerHeight = 7800;
  std::vector<FormLayoutResult> layouts;

  IListBox& lboConsole() override { return console; }
  IListBox& lbo01(int index) override { return monitors[index == 0 ? 0 : 1]; }
  void SetCaption(const std::string& text) override { caption = text; }
  void SetTitleText(const std::string& text) override { title = text; }
  void SetProgressText(const std::string& text) override { progress = text; }
  void SetComBusy(const std::string& text, ColorRole color) override {
    comBusy = text;
    comBusyColor = color;
  }
  void SetMenuChecks(int comPortNo, int autoRelease) override {
    checkedPort = comPortNo;
    checkedRelease = autoRelease;
  }
  void SetRecordMenu(bool saveEnabled, bool keepChecked) override {
    recordSaveEnabled = saveEnabled;
    recordKeepChecked = keepChecked;
  }
  void SetFrameVisible(int index, bool visible) override { frames.at(static_cast<size_t>(index)) = visible; }
  bool FrameVisible(int index) const override { return frames.at(static_cast<size_t>(index)); }
  void SetButtonCaption(int index, const std::string& text) override {
    buttonCaptions.at(static_cast<size_t>(index)) = text;
  }
  void SetButtonEnabled(int index, bool enabled) override { buttonEnabled.at(static_cast<size_t>(index)) = enabled; }
  void SetButtonDefaultCancel(int index, bool on) override { buttonDefault.at(static_cast<size_t>(index)) = on; }
  void FocusConsole() override { ++consoleFocus; }
  void FocusButton(int index) override { focusedButton = index; }
  void SetDispParaText(const std::string& text) override { dispPara = text; }
  void SetAtisWaitingVisible(bool visible) override { atisWaiting = visible; }
  void Beep() override { ++beeps; }
  int MsgBox(const std::string& text, const std::string& /*title*/) override {
    messages.push_back(text);
    return 1;
  }
  void GetScreenTwips(int& width, int& height) const override {
    width = screenWidth;
    height = screenHeight;
  }
  void GetInnerTwips(int& width, int& height) const override {
    width = innerWidth;
    height = innerHeight;
  }
  void ApplyLayout(const FormLayoutResult& layout) override { layouts.push_back(layout); }
};

}  // namespace pw::test
