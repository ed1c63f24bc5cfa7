#include "qt/TcpInstrumentLink.h"

#include "qt/Guard.h"

namespace pw {

TcpInstrumentLink::TcpInstrumentLink(const std::string& host, int port, QObject* parent)
    : QObject(parent), host_(QString::fromStdString(host)), port_(static_cast<quint16>(port)) {
  connect(&socket_, &QTcpSocket::connected, this, &TcpInstrumentLink::OnConnected);
  connect(&socket_, &QTcpSocket::errorOccurred, this, &TcpInstrumentLink::OnError);
  connect(&socket_, &QTcpSocket::disconnected, this, &TcpInstrumentLink::OnDisconnected);
  connect(&socket_, &QTcpSocket::readyRead, this, &TcpInstrumentLink::Drain);
}

TcpInstrumentLink::~TcpInstrumentLink() {
  // The socket's last signals must not reach a half-destroyed link.
  socket_.disconnect(this);
  socket_.abort();
}

void TcpInstrumentLink::Open() {
  Close();
  error_.clear();
  state_ = State::Opening;
  // Returns at once; a host name is looked up in the background too.
  socket_.connectToHost(host_, port_);
}

void TcpInstrumentLink::Close() {
  // Closed first: abort() signals the disconnection at once, and a close
  // asked for is no failure.
  state_ = State::Closed;
  // abort(), not close(): close() would wait for unsent bytes to go first,
  // and an instrument that has stopped reading would keep the link alive.
  socket_.abort();
  received_.clear();
}

bool TcpInstrumentLink::Write(const std::string& bytes) {
  if (state_ != State::Open) return false;
  if (socket_.write(bytes.data(), static_cast<qint64>(bytes.size())) != static_cast<qint64>(bytes.size())) {
    return false;
  }
  // Hands the bytes to the system now rather than on a later turn of the
  // event loop; flush() never waits.
  socket_.flush();
  return true;
}

std::string TcpInstrumentLink::ReadAll() {
  Drain();
  std::string out;
  out.swap(received_);
  return out;
}

void TcpInstrumentLink::Drain() {
  if (!socket_.isReadable()) return;
  const QByteArray bytes = socket_.readAll();
  received_.append(bytes.constData(), static_cast<size_t>(bytes.size()));
}

void TcpInstrumentLink::OnConnected() {
  if (state_ == State::Opening) state_ = State::Open;
}

void TcpInstrumentLink::OnError(QAbstractSocket::SocketError error) {
  Guarded("instrument socket", [&] {
    Drain();
    switch (error) {
      case QAbstractSocket::ConnectionRefusedError:
        Fail(QStringLiteral("%1 refused the connection (no instrument listening on that port)").arg(Where()));
        break;
      case QAbstractSocket::RemoteHostClosedError:
        Fail(QStringLiteral("%1 closed the connection").arg(Where()));
        break;
      case QAbstractSocket::HostNotFoundError:
        Fail(QStringLiteral("host '%1' not found").arg(host_));
        break;
      case QAbstractSocket::SocketTimeoutError:
        Fail(QStringLiteral("%1 did not answer").arg(Where()));
        break;
      case QAbstractSocket::NetworkError:
        Fail(QStringLiteral("%1: the network failed (%2)").arg(Where(), socket_.errorString()));
        break;
      default:
        Fail(QStringLiteral("%1: %2").arg(Where(), socket_.errorString()));
        break;
    }
  });
}

void TcpInstrumentLink::OnDisconnected() {
  // A close without an error signal before it (the peer shut down cleanly).
  Drain();
  if (state_ == State::Open || state_ == State::Opening) {
    Fail(QStringLiteral("%1 closed the connection").arg(Where()));
  }
}

void TcpInstrumentLink::Fail(const QString& why) {
  // Only the first reason counts: a refused connection is followed by the
  // socket's own disconnection, which says less.
  if (state_ == State::Failed || state_ == State::Closed) return;
  state_ = State::Failed;
  error_ = why.toStdString();
}

QString TcpInstrumentLink::Where() const { return QStringLiteral("%1:%2").arg(host_).arg(port_); }

}  // namespace pw
