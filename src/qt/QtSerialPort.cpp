#include "qt/QtSerialPort.h"

#include <QStringList>
#include <algorithm>
#include <climits>

#include "qt/Guard.h"

namespace pw {

QtSerialPort::QtSerialPort(const PortMap& map, QObject* parent) : QObject(parent), map_(map) {
  connect(&port_, &QSerialPort::readyRead, this, &QtSerialPort::OnReadyRead);
  connect(&port_, &QSerialPort::errorOccurred, this, &QtSerialPort::OnError);
}

QtSerialPort::~QtSerialPort() {
  // Nobody listens any more: closing must not call back into the program.
  SetListener(nullptr);
  if (port_.isOpen()) port_.close();
}

bool QtSerialPort::ParseLineSettings(const std::string& text, LineSettings& out) {
  const QStringList f = QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size())).split(QLatin1Char(','));
  if (f.size() != 4) return false;
  bool ok = false;
  LineSettings s;
  s.baud = f[0].trimmed().toInt(&ok);
  if (!ok || s.baud <= 0) return false;
  const QString parity = f[1].trimmed().toUpper();
  if (parity == QLatin1String("N")) s.parity = QSerialPort::NoParity;
  else if (parity == QLatin1String("E")) s.parity = QSerialPort::EvenParity;
  else if (parity == QLatin1String("O")) s.parity = QSerialPort::OddParity;
  else if (parity == QLatin1String("M")) s.parity = QSerialPort::MarkParity;
  else if (parity == QLatin1String("S")) s.parity = QSerialPort::SpaceParity;
  else return false;
  const int bits = f[2].trimmed().toInt(&ok);
  if (!ok || bits < 5 || bits > 8) return false;
  s.dataBits = static_cast<QSerialPort::DataBits>(bits);
  const QString stop = f[3].trimmed();
  if (stop == QLatin1String("1")) s.stopBits = QSerialPort::OneStop;
  else if (stop == QLatin1String("1.5")) s.stopBits = QSerialPort::OneAndHalfStop;
  else if (stop == QLatin1String("2")) s.stopBits = QSerialPort::TwoStop;
  else return false;
  out = s;
  return true;
}

bool QtSerialPort::Open(int portNum, const std::string& settings) {
  Close();
  LineSettings line;
  if (!ParseLineSettings(settings, line)) return false;
  const QString device = map_.DeviceFor(portNum);
  if (device.isEmpty()) return false;

  port_.setPortName(device);
  port_.setBaudRate(line.baud);
  port_.setParity(line.parity);
  port_.setDataBits(line.dataBits);
  port_.setStopBits(line.stopBits);
  port_.setFlowControl(QSerialPort::NoFlowControl);
  // QSerialPort takes the port for itself (a lock file and an exclusive
  // open), so a port another program holds fails here as "in use".
  if (!port_.open(QIODevice::ReadWrite)) {
    const QSerialPort::SerialPortError error = port_.error();
    port_.clearError();
    emit openFailed(device, error);
    return false;
  }
  // The cable is powered from DTR and RTS. A pseudo-terminal has no modem
  // lines and refuses to set them while carrying data perfectly well, so a
  // refusal here is not an open failure.
  port_.setDataTerminalReady(true);
  port_.setRequestToSend(true);
  port_.clearError();
  inBuffer_.clear();
  ++session_;
  return true;
}

void QtSerialPort::Close() {
  if (port_.isOpen()) port_.close();
  port_.clearError();
  inBuffer_.clear();
  ++session_;
}

bool QtSerialPort::IsOpen() const { return port_.isOpen(); }

int QtSerialPort::InBufferCount() const {
  const qint64 room = kInBufferSize - static_cast<qint64>(inBuffer_.size());
  const qint64 staged = port_.isOpen() ? std::min(port_.bytesAvailable(), room) : 0;
  return static_cast<int>(static_cast<qint64>(inBuffer_.size()) + staged);
}

bool QtSerialPort::Fill() {
  if (!port_.isOpen()) return false;
  const qint64 room = kInBufferSize - static_cast<qint64>(inBuffer_.size());
  const qint64 waiting = port_.bytesAvailable();
  const QByteArray bytes = port_.read(std::min(room, waiting));
  inBuffer_.insert(inBuffer_.end(), bytes.begin(), bytes.end());
  return waiting > room;
}

ByteStr QtSerialPort::ReadAll() {
  // Bytes beyond the buffer's size stay staged for the next read.
  Fill();
  ByteStr out;
  out.swap(inBuffer_);
  return out;
}

bool QtSerialPort::Write(const ByteStr& bytes) {
  if (!port_.isOpen()) return false;
  if (bytes.empty()) return true;
  const qint64 size = static_cast<qint64>(bytes.size());
  return port_.write(reinterpret_cast<const char*>(bytes.data()), size) == size;
}

int QtSerialPort::OutBufferCount() const {
  if (!port_.isOpen()) return 0;
  return static_cast<int>(std::min<qint64>(port_.bytesToWrite(), INT_MAX));
}

bool QtSerialPort::DiscardOutput() {
  if (!port_.isOpen()) return true;
  return port_.clear(QSerialPort::Output);
}

void QtSerialPort::OnReadyRead() {
  Guarded("serial receive", [this] {
    if (Fill()) {
      // What did not fit is lost, as on a control whose buffer overflowed.
      port_.readAll();
      Notify(comEv::kRxOver);
    } else if (!inBuffer_.empty()) {
      Notify(comEv::kReceive);
    }
  });
}

void QtSerialPort::OnError(QSerialPort::SerialPortError error) {
  // This signal can fire inside our own calls into QSerialPort (open, write),
  // that is in the middle of a heartbeat step, so anything that reaches the
  // program is deferred to the event loop.
  const quint64 session = session_;
  switch (error) {
    case QSerialPort::ResourceError:
    case QSerialPort::ReadError:
      // The device went away (a USB adapter pulled out, the far end of a
      // pseudo-terminal closed). QSerialPort leaves the port open and a read
      // that failed this way fails again at once; we close it, and the
      // program sees a closed port.
      QMetaObject::invokeMethod(this, [this, session] { HandleLostDevice(session); }, Qt::QueuedConnection);
      break;
    case QSerialPort::WriteError:
      // Bytes were lost on the line: the frame being assembled is garbage.
      QMetaObject::invokeMethod(
          this,
          [this, session] {
            if (session == session_ && port_.isOpen()) SafeNotify(comEv::kFrame);
          },
          Qt::QueuedConnection);
      break;
    default:
      // NoError fires on every open; open failures are Open's result;
      // UnsupportedOperationError is the modem lines of a pseudo-terminal.
      break;
  }
}

void QtSerialPort::HandleLostDevice(quint64 session) {
  Guarded("serial device lost", [&] {
    if (session != session_ || !port_.isOpen()) return;
    Close();
    // A line error makes the driver drop its half-assembled frame.
    Notify(comEv::kCdTimeout);
  });
}

void QtSerialPort::SafeNotify(int eventCode) {
  Guarded("serial event", [&] { Notify(eventCode); });
}

}  // namespace pw
