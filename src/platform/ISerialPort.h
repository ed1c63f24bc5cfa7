// The serial port as the serial form needs it. The desktop front end wraps a
// real port; tests wrap the simulated radio on virtual time.
#pragma once

#include <string>

#include "base/Common.h"

namespace pw {

// Event codes of the port, as the serial form's event table knows them.
namespace comEv {
inline constexpr int kReceive = 2;
inline constexpr int kBreak = 1001;
inline constexpr int kCtsTimeout = 1002;
inline constexpr int kDsrTimeout = 1003;
inline constexpr int kFrame = 1004;
inline constexpr int kOverrun = 1006;
inline constexpr int kCdTimeout = 1007;
inline constexpr int kRxOver = 1008;
inline constexpr int kRxParity = 1009;
inline constexpr int kTxFull = 1010;
inline constexpr int kDcb = 1011;
}  // namespace comEv

class ISerialEvents {
 public:
  virtual ~ISerialEvents() = default;
  virtual void OnComm(int eventCode) = 0;
};

class ISerialPort {
 public:
  static constexpr int kInBufferSize = 4096;
  static constexpr int kOutBufferSize = 1024;

  virtual ~ISerialPort() = default;

  // Opens COM portNum with settings such as "9600,N,8,1", DTR and RTS
  // asserted. False when the port cannot be opened.
  virtual bool Open(int portNum, const std::string& settings) = 0;
  virtual void Close() = 0;
  virtual bool IsOpen() const = 0;

  virtual int InBufferCount() const = 0;
  virtual ByteStr ReadAll() = 0;
  virtual bool Write(const ByteStr& bytes) = 0;
  virtual int OutBufferCount() const = 0;
  virtual int OutBufferSize() const { return kOutBufferSize; }
  virtual bool DiscardOutput() = 0;
  // What COM portNum stands for on this machine (a device's name), for
  // people to read; empty when there is nothing more to say than "COM n".
  virtual std::string DeviceName(int /*portNum*/) const { return {}; }

  // Received data, line errors and overflow are reported here, on the
  // window thread.
  void SetListener(ISerialEvents* listener) { listener_ = listener; }

 protected:
  void Notify(int eventCode) {
    if (listener_) listener_->OnComm(eventCode);
  }

 private:
  ISerialEvents* listener_ = nullptr;
};

}  // namespace pw
