#include "qt/SerialInstrumentLink.h"

#include "qt/Guard.h"
#include "qt/PortDiagnosis.h"

namespace pw {

SerialInstrumentLink::SerialInstrumentLink(const std::string& device, int baud, QObject* parent)
    : QObject(parent), device_(QString::fromStdString(device)), baud_(baud) {
  connect(&port_, &QSerialPort::errorOccurred, this, &SerialInstrumentLink::OnError);
}

SerialInstrumentLink::~SerialInstrumentLink() {
  port_.disconnect(this);
  if (port_.isOpen()) port_.close();
}

void SerialInstrumentLink::Open() {
  Close();
  ++session_;
  error_.clear();
  port_.setPortName(device_);
  port_.setBaudRate(baud_);
  port_.setDataBits(QSerialPort::Data8);
  port_.setParity(QSerialPort::NoParity);
  port_.setStopBits(QSerialPort::OneStop);
  port_.setFlowControl(QSerialPort::NoFlowControl);
  if (!port_.open(QIODevice::ReadWrite)) {
    const QSerialPort::SerialPortError error = port_.error();
    QString why = PortDiagnosis::Describe(PortDiagnosis::Gather(device_, error));
    // The diagnosis knows the usual reasons; for the rest the system's own
    // words say more than "cannot be opened".
    if (why.endsWith(QLatin1String("cannot be opened"))) why += QStringLiteral(" (%1)").arg(port_.errorString());
    port_.clearError();
    state_ = State::Failed;
    error_ = why.toStdString();
    return;
  }
  state_ = State::Open;
}

void SerialInstrumentLink::Close() {
  ++session_;
  state_ = State::Closed;
  if (port_.isOpen()) port_.close();
  port_.clearError();
}

bool SerialInstrumentLink::Write(const std::string& bytes) {
  if (state_ != State::Open) return false;
  if (port_.write(bytes.data(), static_cast<qint64>(bytes.size())) != static_cast<qint64>(bytes.size())) return false;
  // Into the driver now, not on a later turn of the event loop; never waits.
  port_.flush();
  return true;
}

std::string SerialInstrumentLink::ReadAll() {
  if (!port_.isOpen()) return {};
  const QByteArray bytes = port_.readAll();
  return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
}

bool SerialInstrumentLink::SetLine(Line line, bool active) {
  if (state_ != State::Open) return false;
  return line == Line::Rts ? port_.setRequestToSend(active) : port_.setDataTerminalReady(active);
}

void SerialInstrumentLink::OnError(QSerialPort::SerialPortError error) {
  if (error != QSerialPort::ResourceError && error != QSerialPort::ReadError && error != QSerialPort::WriteError)
    return;
  if (state_ != State::Open) return;
  // The device went away (a USB adapter pulled out) or the line failed.
  // QSerialPort keeps such a port open and fails again on every read, so
  // it is closed, from the event loop: this signal may come from inside our
  // own call into QSerialPort.
  state_ = State::Failed;
  error_ = (error == QSerialPort::WriteError ? QStringLiteral("%1: writing failed (%2)")
                                             : QStringLiteral("%1: the device went away (%2)"))
               .arg(device_, port_.errorString())
               .toStdString();
  const quint64 session = session_;
  QMetaObject::invokeMethod(
      this,
      [this, session] {
        Guarded("instrument serial line", [&] {
          if (session == session_ && port_.isOpen()) port_.close();
        });
      },
      Qt::QueuedConnection);
}

}  // namespace pw
