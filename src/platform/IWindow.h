// The main window as the core sees it. The desktop front end implements it
// with real controls; tests implement it with recorders. Control names follow
// the window's own: lboConsole, lbo01, fra01, cmd00, lblProgress, ...
// Every text, in either direction and in the list boxes too, is UTF-8.
#pragma once

#include <string>

#include "platform/IListBox.h"

namespace pw {

enum class ColorRole { ButtonText, GrayText };

// A rectangle in twips (1/1440 inch), the unit the layout rules are written in.
struct TwipRect {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  bool operator==(const TwipRect&) const = default;
};

struct FormLayoutResult;

// The window's frames (fra01), command buttons (cmd00) and monitor lists
// (lbo01), by index.
namespace frm {
inline constexpr int kFrameConnect = 0;   // title lines and the clone progress
inline constexpr int kFrameConsole = 1;   // the console and the monitor lists
inline constexpr int kFrameDispPara = 3;  // the parameter dump
inline constexpr int kButtonConnect = 0;
inline constexpr int kButtonReload = 1;
inline constexpr int kButtonDispPara = 2;
inline constexpr int kListAd = 0;  // A/D readings
inline constexpr int kListDa = 1;  // D/A readings and the calculated squelch points
}  // namespace frm

class IWindow {
 public:
  virtual ~IWindow() = default;

  virtual IListBox& lboConsole() = 0;
  virtual IListBox& lbo01(int index) = 0;  // 0: A/D list, 1: D/A and squelch list

  virtual void SetCaption(const std::string& text) = 0;
  virtual void SetTitleText(const std::string& text) = 0;     // lblTitle
  virtual void SetProgressText(const std::string& text) = 0;  // lblProgress
  virtual void SetComBusy(const std::string& text, ColorRole color) = 0;
  virtual void SetMenuChecks(int comPortNo, int autoRelease) = 0;
  // File > Save service record... and the check of Option > Keep service records.
  virtual void SetRecordMenu(bool saveEnabled, bool keepChecked) = 0;

  virtual void SetFrameVisible(int index, bool visible) = 0;  // fra01
  virtual bool FrameVisible(int index) const = 0;
  virtual void SetButtonCaption(int index, const std::string& text) = 0;  // cmd00
  virtual void SetButtonEnabled(int index, bool enabled) = 0;
  // Default and cancel button at once: Enter and Esc both close the dump.
  virtual void SetButtonDefaultCancel(int index, bool on) = 0;
  virtual void FocusConsole() = 0;
  virtual void FocusButton(int index) = 0;

  virtual void SetDispParaText(const std::string& text) = 0;  // txtDispPara
  // Shows "Waiting ATIS..." in front, centred in the client area, or hides it.
  virtual void SetAtisWaitingVisible(bool visible) = 0;

  virtual void Beep() = 0;
  // A modal warning box with one OK button. It must not re-enter the heartbeat.
  virtual int MsgBox(const std::string& text, const std::string& title) = 0;

  // Window geometry in twips, for the layout rules.
  virtual void GetScreenTwips(int& width, int& height) const = 0;
  virtual void GetInnerTwips(int& width, int& height) const = 0;
  virtual void ApplyLayout(const FormLayoutResult& layout) = 0;
};

}  // namespace pw
