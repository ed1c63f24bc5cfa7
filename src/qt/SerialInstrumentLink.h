// A bench instrument or a transmit key on a serial line, on QSerialPort:
// SCPI over RS-232, a USB-to-GPIB adapter, or only the RTS or DTR line
// that keys the transmitter. 8 data bits, no parity, 1 stop bit, no flow
// control (a handshake would take over the lines a key drives).
//
// Opening a serial device does not wait for the other end, so Open reaches
// Open or Failed at once.
#pragma once

#include <QObject>
#include <QSerialPort>
#include <string>

#include "platform/IInstrumentLink.h"

namespace pw {

class SerialInstrumentLink : public QObject, public IInstrumentLink {
  Q_OBJECT

 public:
  SerialInstrumentLink(const std::string& device, int baud, QObject* parent = nullptr);
  ~SerialInstrumentLink() override;

  void Open() override;
  void Close() override;
  State GetState() const override { return state_; }
  std::string ErrorText() const override { return error_; }
  bool Write(const std::string& bytes) override;
  std::string ReadAll() override;
  bool SetLine(Line line, bool active) override;

 private:
  void OnError(QSerialPort::SerialPortError error);

  QString device_;
  qint32 baud_;
  QSerialPort port_;
  State state_ = State::Closed;
  std::string error_;
  // Counts opens and closes, so that a deferred error handler can tell
  // whether the port it was raised for is still the one that is open.
  quint64 session_ = 0;
};

}  // namespace pw
