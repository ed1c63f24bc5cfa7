// The hidden serial form: owns the one port to the cloning cable, the frame
// driver and the settings store, and runs the heartbeat tick that drives the
// whole program.
#pragma once

#include <cstdint>
#include <string>

#include "clone/clsCmcNbx3Drv.h"
#include "clone/INbx3Link.h"
#include "platform/IClock.h"
#include "platform/ISerialPort.h"
#include "settings/clsCmcProfileIO.h"

namespace pw {

// The main window's part in the heartbeat and in saving the settings.
class IComFormOwner {
 public:
  virtual ~IComFormOwner() = default;
  virtual void task() = 0;
  virtual void MsgBoxCloneErr() = 0;
  virtual void saveData(clsCmcProfileIO& objProf) = 0;
  virtual void loadData(clsCmcProfileIO& objProf) = 0;
};

class frmCom : public ISerialEvents, public INbx3Link {
 public:
  static constexpr int32_t kTimerIntervalMs = 50;
  static constexpr const char* kSettingsFileName = "PWR4TADJ.rs";

  frmCom(ISerialPort& port, IClock& clock, const std::string& programFolder);
  ~frmCom() override;
  frmCom(const frmCom&) = delete;
  frmCom& operator=(const frmCom&) = delete;

  clsCmcNbx3Drv nbx3D;
  clsCmcProfileIO profMain;
  IComFormOwner* myMain = nullptr;

  // Closes the port, COM 1 at 9600 baud, both error flags cleared.
  void Reset();
  bool comOpen() const;
  // Opens or closes the port. A port just opened starts clean (unsent bytes
  // discarded); one that stays open keeps everything written to it. A
  // failed open leaves the port closed and sets errCannotOpen. Every call,
  // whatever it changed, resets the frame driver.
  void set_comOpen(bool open);
  bool comSendEnable() const override { return comOpen(); }
  int16_t comPortNum() const { return comPortNum_; }
  std::string comDeviceName() const { return port_.DeviceName(comPortNum_); }
  void set_comPortNum(int16_t portNum);
  int32_t comBaud = 9600;
  bool errOverflow = false;
  bool errCannotOpen = false;
  bool totalError() const;

  // The heartbeat timer: off until start-up has loaded the settings.
  bool timSolidEnabled = false;
  // One heartbeat: received bytes to the driver, the driver's time-outs,
  // the main window's task, and a pending link error as the one message
  // (after which the port is closed).
  void timSolid_Timer();
  void mscom_OnComm(int eventCode);
  void OnComm(int eventCode) override { mscom_OnComm(eventCode); }
  void saveData(clsCmcProfileIO& objProf);
  void loadData(clsCmcProfileIO& objProf);
  void AllOver();
  void Unload();  // the form's unload handler

  // What the driver uses of the port.
  int OutBufferCount() const override { return port_.OutBufferCount(); }
  int OutBufferSize() const override { return port_.OutBufferSize(); }
  void Output(const ByteStr& bytes) override;

 private:
  void comReceived(const ByteStr& data) { nbx3D.read(data); }
  std::string LineSettings() const;

  ISerialPort& port_;
  int16_t comPortNum_ = 1;
};

}  // namespace pw
