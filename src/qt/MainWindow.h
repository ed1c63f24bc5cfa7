// The program's only visible window. It owns the widgets, shows what the
// window logic (frmMain) and the model ask for through IWindow, and forwards
// the technician's keys, clicks and menu choices to the window logic.
//
// Controls carry the names the window logic uses, as Qt object names too:
// lboConsole, lbo01_0/1, fra01_0..3, cmd00_0..2, linSepa_0/1, lblTitle,
// lblProgress, lblComBusy, txtDispPara, txtRigR4T_AtisWaiting; every control
// of an array also has an "index" property.
#pragma once

#include <QMainWindow>
#include <QMessageBox>
#include <QPointer>
#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "layout/FormLayout.h"
#include "platform/IWindow.h"
#include "qt/QtListBox.h"
#include "qt/Twips.h"

class QAction;
class QFrame;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QPlainTextEdit;
class QPushButton;

namespace pw {

class frmMain;

class MainWindow : public QMainWindow, public IWindow {
  Q_OBJECT

 public:
  static constexpr int kPorts = 4;
  static constexpr int kReleaseChoices = 6;  // OFF, 1 to 5 seconds

  explicit MainWindow(QWidget* parent = nullptr);
  ~MainWindow() override;

  // From here on the window's events reach the window logic; before (and
  // with nullptr) they only do what the widgets do by themselves.
  void Attach(frmMain* logic) { logic_ = logic; }
  // Runs once when the window closes, by the close box or File > Exit: the
  // program's one way out.
  void SetCloseHandler(std::function<void()> handler) { closeHandler_ = std::move(handler); }
  // While start-up runs there is no window to hang a message on: messages
  // are kept for the start-up code to show.
  void SetStartupPhase(bool on) { startupPhase_ = on; }
  std::vector<std::string> TakeStartupMessages();
  // A discreet note that the radio behind the ports is simulated, naming the
  // sample constants it runs on when no "Const.ini" of the workshop was found.
  void ShowSimulatedNotice(const QString& sampleConstants = {});
  // Pretend the screen has this size; for tests of the first layout.
  void SetScreenTwipsOverride(int width, int height) { screenOverride_ = QSize(width, height); }

  TwipScale Scale() const;

  // What COM n stands for, for the Port menu's captions ("COM 1" and the
  // device beside it, "(not present)" when it is not there now). Asked
  // afresh every time the menu opens, so a cable plugged in shows.
  struct PortDevice {
    QString device;
    bool present = true;
  };
  void SetPortDevices(std::function<PortDevice(int portNo)> lookup);
  void RefreshPortCaptions();
  // Says in the status bar why something failed (a port that would not open).
  void ShowReason(const QString& text);

  // IWindow
  IListBox& lboConsole() override { return consoleBox_; }
  IListBox& lbo01(int index) override { return monitorBoxes_[index == 0 ? 0 : 1]; }
  void SetCaption(const std::string& text) override;
  void SetTitleText(const std::string& text) override;
  void SetProgressText(const std::string& text) override;
  void SetComBusy(const std::string& text, ColorRole color) override;
  void SetMenuChecks(int comPortNo, int autoRelease) override;
  void SetRecordMenu(bool saveEnabled, bool keepChecked) override;
  void SetFrameVisible(int index, bool visible) override;
  bool FrameVisible(int index) const override;
  void SetButtonCaption(int index, const std::string& text) override;
  void SetButtonEnabled(int index, bool enabled) override;
  void SetButtonDefaultCancel(int index, bool on) override;
  void FocusConsole() override;
  void FocusButton(int index) override;
  void SetDispParaText(const std::string& text) override;
  void SetAtisWaitingVisible(bool visible) override;
  void Beep() override;
  int MsgBox(const std::string& text, const std::string& title) override;
  void GetScreenTwips(int& width, int& height) const override;
  void GetInnerTwips(int& width, int& height) const override;
  void ApplyLayout(const FormLayoutResult& layout) override;

  // The widgets, for the tour and for tests.
  QWidget* client() const { return client_; }
  QListWidget* consoleList() const { return consoleList_; }
  QListWidget* monitorList(int index) const { return monitorLists_[index == 0 ? 0 : 1]; }
  QPushButton* button(int index) const { return cmd00_.at(static_cast<size_t>(index)); }
  QFrame* frame(int index) const { return fra01_.at(static_cast<size_t>(index)); }
  QLabel* comBusyLabel() const { return lblComBusy_; }
  QLabel* progressLabel() const { return lblProgress_; }
  QPlainTextEdit* dispParaText() const { return txtDispPara_; }
  QLineEdit* atisWaiting() const { return txtAtisWaiting_; }
  QAction* portAction(int portNo) const { return mnuOptSelCom_.at(static_cast<size_t>(portNo - 1)); }
  QAction* releaseAction(int seconds) const { return mnuOptionSelAutoRelease_.at(static_cast<size_t>(seconds)); }
  QAction* exitAction() const { return mnuFileExit_; }
  QAction* saveRecordAction() const { return mnuFileSaveRecord_; }
  QAction* keepRecordsAction() const { return mnuOptionKeepRecords_; }
  QAction* assignDevicesAction() const { return mnuOptAssignDevices_; }
  QAction* printRecordAction() const { return mnuFilePrintRecord_; }
  QAction* saveRecordPdfAction() const { return mnuFileSaveRecordPdf_; }
  QAction* sweepCurvesAction() const { return mnuOptionSweepCurves_; }
  QAction* benchAction() const { return mnuOptionBench_; }
  QMenu* portMenu() const { return mnuOptionComPort_; }
  // The message box on screen, if any.
  QMessageBox* messageBox() const { return box_; }

 signals:
  // Option > Port > "Assign devices...".
  void assignDevicesRequested();
  // File > "Print service record..." and "Save service record as PDF...".
  void printRecordRequested();
  void saveRecordPdfRequested();
  // Option > "Bench instruments...".
  void benchInstrumentsRequested();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildControls();
  void BuildMenus();
  bool OnKeyPress(QWidget* target, QKeyEvent* key);
  void OnClientResized();
  void PlaceControls(const FormLayoutResult& layout);
  void PlaceSeparators();
  void PlaceProgressLabels();
  void CentreAtisWaiting();
  void RestoreMenuChecks();
  QRect ToPixels(const TwipRect& r) const;

  frmMain* logic_ = nullptr;
  std::function<void()> closeHandler_;
  bool closing_ = false;
  bool startupPhase_ = false;
  std::vector<std::string> startupMessages_;
  std::optional<QSize> screenOverride_;

  QWidget* client_ = nullptr;
  std::array<QFrame*, 2> linSepa_{};
  QLabel* lblComBusy_ = nullptr;
  std::array<QPushButton*, 3> cmd00_{};
  std::array<QFrame*, 4> fra01_{};
  QLabel* lblTitle_ = nullptr;
  QLabel* lblProgress_ = nullptr;
  QListWidget* consoleList_ = nullptr;
  std::array<QListWidget*, 2> monitorLists_{};
  QPlainTextEdit* txtDispPara_ = nullptr;
  QLineEdit* txtAtisWaiting_ = nullptr;
  QtListBox consoleBox_{nullptr};
  std::array<QtListBox, 2> monitorBoxes_{QtListBox{nullptr}, QtListBox{nullptr}};
  int defaultCancelIndex_ = -1;  // the button Enter and Esc press, -1 for none
  int titleTop_ = 240;           // twips, from the last layout
  int progressGap_ = 240;

  QAction* mnuFileSaveRecord_ = nullptr;
  QAction* mnuFilePrintRecord_ = nullptr;
  QAction* mnuFileSaveRecordPdf_ = nullptr;
  QAction* mnuFileExit_ = nullptr;
  QAction* mnuOptionSweepCurves_ = nullptr;
  QAction* mnuOptionKeepRecords_ = nullptr;
  bool keepChecked_ = false;
  QMenu* mnuOptionComPort_ = nullptr;
  QAction* mnuOptAssignDevices_ = nullptr;
  QAction* mnuOptionBench_ = nullptr;
  std::function<PortDevice(int)> portDevices_;
  std::array<QAction*, kPorts> mnuOptSelCom_{};
  std::array<QAction*, kReleaseChoices> mnuOptionSelAutoRelease_{};
  int checkedPort_ = 0;
  int checkedRelease_ = -1;

  QPointer<QMessageBox> box_;
};

}  // namespace pw
