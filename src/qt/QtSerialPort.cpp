#include "qt/QtSerialPort.h"

#include <QStringList>
#include <algorithm>
#include <climits>

#include "qt/Guard.h"

#ifdef Q_OS_UNIX
#include <sys/ioctl.h>
#include <termios.h>
#endif
#ifdef Q_OS_LINUX
#include <linux/serial.h>
#endif
#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace pw {

namespace {

#ifdef Q_OS_LINUX
// Asks the driver to mark bytes received with a framing or parity error and
// breaks (FF 00 X), doubling real FF bytes, instead of passing them on as
// data. Nothing is ignored or stripped, and a break raises no signal.
bool EnableLineMarks(int fd) {
  termios tio{};
  if (::tcgetattr(fd, &tio) != 0) return false;
  tio.c_iflag |= PARMRK | INPCK;
  tio.c_iflag &= ~static_cast<tcflag_t>(IGNPAR | IGNBRK | BRKINT | ISTRIP);
  return ::tcsetattr(fd, TCSANOW, &tio) == 0;
}
#endif

}  // namespace

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
  if (parity == QLatin1String("N"))
    s.parity = QSerialPort::NoParity;
  else if (parity == QLatin1String("E"))
    s.parity = QSerialPort::EvenParity;
  else if (parity == QLatin1String("O"))
    s.parity = QSerialPort::OddParity;
  else if (parity == QLatin1String("M"))
    s.parity = QSerialPort::MarkParity;
  else if (parity == QLatin1String("S"))
    s.parity = QSerialPort::SpaceParity;
  else
    return false;
  const int bits = f[2].trimmed().toInt(&ok);
  if (!ok || bits < 5 || bits > 8) return false;
  s.dataBits = static_cast<QSerialPort::DataBits>(bits);
  const QString stop = f[3].trimmed();
  if (stop == QLatin1String("1"))
    s.stopBits = QSerialPort::OneStop;
  else if (stop == QLatin1String("1.5"))
    s.stopBits = QSerialPort::OneAndHalfStop;
  else if (stop == QLatin1String("2"))
    s.stopBits = QSerialPort::TwoStop;
  else
    return false;
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
  decoded_.clear();
#ifdef Q_OS_LINUX
  marking_ = EnableLineMarks(static_cast<int>(port_.handle()));
#endif
  marks_.Reset(DriverErrorCounts());
  ++session_;
  return true;
}

void QtSerialPort::Close() {
  if (port_.isOpen()) port_.close();
  port_.clearError();
  inBuffer_.clear();
  decoded_.clear();
  marking_ = false;
  ++session_;
}

bool QtSerialPort::IsOpen() const { return port_.isOpen(); }

qint64 QtSerialPort::Held() const {
  qint64 held = static_cast<qint64>(inBuffer_.size());
  for (const auto& piece : decoded_) held += static_cast<qint64>(piece.bytes.size());
  return held;
}

QtSerialPort::Staged QtSerialPort::Measure(qint64 room) const {
  const qint64 waiting = port_.isOpen() ? port_.bytesAvailable() : 0;
  if (!marking_) return {waiting, std::min(waiting, room)};
  // With marks on, what waits holds the driver's marking bytes (a doubled FF,
  // a three-byte mark): the buffer holds what the program is handed.
  // peek() only copies; QIODevice does not offer it on a const device.
  const QByteArray raw = const_cast<QSerialPort&>(port_).peek(waiting);
  const auto m = marks_.MeasureRaw(ByteStr(raw.begin(), raw.end()), static_cast<size_t>(std::max<qint64>(0, room)));
  return {static_cast<qint64>(m.bytes), static_cast<qint64>(m.rawThatFits)};
}

int QtSerialPort::InBufferCount() const {
  const qint64 held = Held();
  const qint64 room = std::max<qint64>(0, kInBufferSize - held);
  return static_cast<int>(held + std::min(Measure(room).bytes, room));
}

bool QtSerialPort::Fill() {
  if (!port_.isOpen()) return false;
  const qint64 room = std::max<qint64>(0, kInBufferSize - Held());
  const Staged staged = Measure(room);
  const QByteArray bytes = port_.read(staged.rawThatFits);
  if (marking_) {
    for (auto& piece : marks_.Decode(ByteStr(bytes.begin(), bytes.end()), DriverErrorCounts())) {
      decoded_.push_back(std::move(piece));
    }
    Deliver();
  } else {
    inBuffer_.insert(inBuffer_.end(), bytes.begin(), bytes.end());
  }
  return staged.bytes > room;
}

void QtSerialPort::Deliver() {
  while (!decoded_.empty()) {
    LineMarkDecoder::Piece& front = decoded_.front();
    inBuffer_.insert(inBuffer_.end(), front.bytes.begin(), front.bytes.end());
    front.bytes.clear();
    if (front.event != 0) return;  // the error waits until these bytes are read
    decoded_.pop_front();
  }
}

ByteStr QtSerialPort::ReadAll() {
  // Bytes beyond the buffer's size stay staged for the next read.
  Fill();
  ByteStr out;
  out.swap(inBuffer_);
  // This runs inside a tick: a line error behind these bytes is raised from
  // the event loop, after the tick has handed them on.
  if (!decoded_.empty()) RaiseLaterInOrder();
  return out;
}

bool QtSerialPort::Write(const ByteStr& bytes) {
  if (!port_.isOpen()) return false;
  if (bytes.empty()) return true;
  const qint64 size = static_cast<qint64>(bytes.size());
  if (port_.write(reinterpret_cast<const char*>(bytes.data()), size) != size) return false;
  // QSerialPort would write its buffer on a later turn of the event loop;
  // a tick that comes first must find the frame already with the device.
  // flush() hands over what the device takes now and never blocks.
  port_.flush();
  return true;
}

int QtSerialPort::DriverOutQueue() const {
#if defined(Q_OS_UNIX)
  int queued = 0;
  if (::ioctl(static_cast<int>(port_.handle()), TIOCOUTQ, &queued) == 0 && queued > 0) return queued;
#elif defined(Q_OS_WIN)
  DWORD errors = 0;
  COMSTAT status{};
  if (::ClearCommError(port_.handle(), &errors, &status)) return static_cast<int>(status.cbOutQue);
#endif
  return 0;
}

std::optional<LineErrorCounts> QtSerialPort::DriverErrorCounts() const {
#ifdef Q_OS_LINUX
  // Not every driver keeps counters (a pseudo-terminal does not).
  serial_icounter_struct counts{};
  if (port_.isOpen() && ::ioctl(static_cast<int>(port_.handle()), TIOCGICOUNT, &counts) == 0) {
    return LineErrorCounts{static_cast<uint64_t>(counts.frame), static_cast<uint64_t>(counts.parity),
                           static_cast<uint64_t>(counts.brk),
                           static_cast<uint64_t>(counts.overrun) + static_cast<uint64_t>(counts.buf_overrun)};
  }
#endif
  return std::nullopt;
}

int QtSerialPort::OutBufferCount() const {
  if (!port_.isOpen()) return 0;
  return static_cast<int>(std::min<qint64>(port_.bytesToWrite() + DriverOutQueue(), INT_MAX));
}

bool QtSerialPort::DiscardOutput() {
  if (!port_.isOpen()) return true;
  return port_.clear(QSerialPort::Output);
}

void QtSerialPort::RaiseInOrder() {
  const quint64 session = session_;
  while (session == session_) {
    if (!inBuffer_.empty()) Notify(comEv::kReceive);
    if (session != session_ || decoded_.empty()) return;
    const int event = decoded_.front().event;
    decoded_.pop_front();
    Notify(event);
    Deliver();
    if (inBuffer_.empty() && decoded_.empty()) return;
  }
}

void QtSerialPort::RaiseLaterInOrder() {
  if (raiseQueued_) return;
  raiseQueued_ = true;
  const quint64 session = session_;
  QMetaObject::invokeMethod(
      this,
      [this, session] {
        raiseQueued_ = false;
        if (session == session_) Guarded("serial line error", [this] { RaiseInOrder(); });
      },
      Qt::QueuedConnection);
}

void QtSerialPort::OnReadyRead() {
  Guarded("serial receive", [this] {
    if (Fill()) {
      // What did not fit is lost, as on a control whose buffer overflowed.
      port_.readAll();
      Notify(comEv::kRxOver);
    } else {
      RaiseInOrder();
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
      QMetaObject::invokeMethod(
          this, [this, session] { HandleLostDevice(session); }, Qt::QueuedConnection);
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
