// The main window's logic: its two settings, the key map, the buttons, the
// per-tick refresh of menus and the port indicator, and the one place where
// link failures become a message. The desktop front end owns the widgets and
// forwards their events here.
#pragma once

#include <cstdint>
#include <string>

#include "model/IModelOwner.h"
#include "platform/IWindow.h"
#include "serial/frmCom.h"

namespace pw {

class clsIndOp_RigR4T;
class clsCmcNbx3Sequence;
class clsConsole;
class ServiceRecords;
class BenchInstruments;

namespace keys {
inline constexpr int kReturn = 13;
inline constexpr int kLeft = 37;
inline constexpr int kUp = 38;
inline constexpr int kRight = 39;
inline constexpr int kDown = 40;
inline constexpr int kSeparator = 108;
inline constexpr int kF5 = 116;
}  // namespace keys

class frmMain : public IComFormOwner, public IModelOwner {
 public:
  struct Links {
    frmCom& com;
    clsCmcNbx3Sequence& seq;
    clsConsole& console;
    IWindow& window;
  };

  explicit frmMain(const Links& links);

  // The model is created on the window's first use; start-up hands it over.
  void AttachModel(clsIndOp_RigR4T& model) { model_ = &model; }
  void AttachRecords(ServiceRecords& records) { records_ = &records; }
  void AttachBench(BenchInstruments& bench) { bench_ = &bench; }

  int16_t ComPortNo() const { return comPortNo_; }
  void set_ComPortNo(int16_t portNo);
  int16_t ComAutoRelease() const { return comAutoRelease_; }
  void set_ComAutoRelease(int16_t seconds);
  const std::string& keyBuffer() const { return keyBuffer_; }

  // The window's load. readConstIni is false when the caller has read the
  // procedures' constants already; false means "Const.ini" is unreadable.
  bool Form_Load(bool readConstIni = true);
  void Form_Resize();

  void mnuFileSaveRecord_Click();
  void mnuOptionKeepRecords_Click();
  void mnuOptSelCom_Click(int16_t index) { set_ComPortNo(index); }
  void mnuOptionSelAutoRelease_Click(int16_t index) { set_ComAutoRelease(index); }
  void lboConsole_GotFocus();
  // Returns true when the key was consumed and must not reach the list box.
  bool Form_KeyDown(int keyCode, bool shift);
  bool lboConsole_KeyDown(int keyCode, bool shift);
  void cmd00_Click(int16_t index);
  void cmd00_KeyPress(int16_t index, int charCode);

  void task() override;
  void MsgBoxCloneErr() override;
  void saveData(clsCmcProfileIO& objProf) override;
  void loadData(clsCmcProfileIO& objProf) override;

  static std::string ComposeCloneErrorText(const frmCom& com, int16_t lastError, int16_t seqError);

 private:
  frmCom& com_;
  clsCmcNbx3Sequence& seq_;
  clsConsole& console_;
  IWindow& window_;
  clsIndOp_RigR4T* model_ = nullptr;
  ServiceRecords* records_ = nullptr;
  BenchInstruments* bench_ = nullptr;
  int16_t comPortNo_ = 1;
  int16_t comAutoRelease_ = 0;
  std::string keyBuffer_;
};

}  // namespace pw
