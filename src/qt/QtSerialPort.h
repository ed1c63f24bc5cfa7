// The cloning cable's serial port on QSerialPort.
//
// Received bytes are kept in a 4096-byte receive buffer of our own, as the
// serial control the program was written for had one: more than that waiting
// at once is an overflow. QSerialPort's own buffer is only the staging area
// between the device and that buffer.
//
// A write goes to the device at once, and the transmit fill level counts
// what the system still holds (Qt's buffer and the driver's output queue),
// so a frame counted as sent is on its way and the driver's room check
// means what it says.
//
// On Linux the driver marks line errors in the received data (termios PARMRK
// with INPCK); the marks become the port's line-error events at their place in
// the stream. Qt reports none of them itself, so elsewhere a damaged byte
// reaches the program as data.
#pragma once

#include <QObject>
#include <QSerialPort>
#include <cstdint>
#include <deque>
#include <optional>

#include "platform/ISerialPort.h"
#include "qt/PortMap.h"
#include "serial/LineMarkDecoder.h"

namespace pw {

class QtSerialPort : public QObject, public ISerialPort {
  Q_OBJECT

 public:
  explicit QtSerialPort(const PortMap& map, QObject* parent = nullptr);
  ~QtSerialPort() override;

  bool Open(int portNum, const std::string& settings) override;
  void Close() override;
  bool IsOpen() const override;
  int InBufferCount() const override;
  ByteStr ReadAll() override;
  bool Write(const ByteStr& bytes) override;
  int OutBufferCount() const override;
  bool DiscardOutput() override;
  std::string DeviceName(int portNum) const override { return map_.DeviceFor(portNum).toStdString(); }

  // The device the last Open used, for the technician and for tests.
  QString deviceName() const { return port_.portName(); }
  // Whether the open port's driver marks line errors in the data.
  bool marksLineErrors() const { return marking_; }

  struct LineSettings {
    qint32 baud = 9600;
    QSerialPort::Parity parity = QSerialPort::NoParity;
    QSerialPort::DataBits dataBits = QSerialPort::Data8;
    QSerialPort::StopBits stopBits = QSerialPort::OneStop;
  };
  // "9600,N,8,1": speed, parity (N, E, O, M, S), data bits (5 to 8), stop
  // bits (1, 1.5, 2). False for anything else.
  static bool ParseLineSettings(const std::string& text, LineSettings& out);

 signals:
  // The system refused to open `device`; `error` is QSerialPort's reason.
  // The program's own message stays as it is; this is for saying why.
  void openFailed(const QString& device, QSerialPort::SerialPortError error);

 private:
  void OnReadyRead();
  void OnError(QSerialPort::SerialPortError error);
  void HandleLostDevice(quint64 session);
  // Bytes in the receive buffer, those behind a line error not yet raised
  // included.
  qint64 Held() const;
  // What waits with the system, in bytes the program will be handed, and how
  // many of the raw bytes fit into room.
  struct Staged {
    qint64 bytes = 0;
    qint64 rawThatFits = 0;
  };
  Staged Measure(qint64 room) const;
  // Moves waiting bytes into the receive buffer, up to the next line error
  // when marks are on; true when they did not fit.
  bool Fill();
  // Moves decoded bytes into the receive buffer up to the next line error.
  void Deliver();
  // Raises the receive event for what waits in the receive buffer and each
  // line error after the bytes before it. Never from inside a tick.
  void RaiseInOrder();
  void RaiseLaterInOrder();
  int DriverOutQueue() const;
  std::optional<LineErrorCounts> DriverErrorCounts() const;
  void SafeNotify(int eventCode);

  const PortMap& map_;
  QSerialPort port_;
  ByteStr inBuffer_;
  bool marking_ = false;
  LineMarkDecoder marks_;
  // Decoded bytes and line errors that wait behind a line error not yet raised.
  std::deque<LineMarkDecoder::Piece> decoded_;
  bool raiseQueued_ = false;
  // Counts opens and closes, so that a deferred error handler can tell
  // whether the port it was raised for is still the one that is open.
  quint64 session_ = 0;
};

}  // namespace pw
