#include "qt/TestSetServer.h"

#include <QTcpSocket>
#include <algorithm>

#include "qt/Guard.h"

namespace pw {

TestSetServer::TestSetServer(RadioAccess withRadio, const sim::TestSetOptions& options, QObject* parent)
    : QObject(parent), withRadio_(std::move(withRadio)), ownRadio_(std::make_unique<sim::Radio>()), testSet_(options) {
  due_.setSingleShot(true);
  connect(&due_, &QTimer::timeout, this, [this] { Guarded("simulated test set", [&] { Transmit(); }); });
  connect(&server_, &QTcpServer::newConnection, this,
          [this] { Guarded("simulated test set", [&] { OnNewConnection(); }); });
  clock_.start();
}

TestSetServer::~TestSetServer() {
  server_.disconnect(this);
  if (client_) {
    client_->disconnect(this);
    client_->abort();
  }
}

bool TestSetServer::Start(quint16 port, QString* error) {
  if (server_.listen(QHostAddress::LocalHost, port)) return true;
  if (error) *error = server_.errorString();
  return false;
}

void TestSetServer::OnNewConnection() {
  while (QTcpSocket* socket = server_.nextPendingConnection()) {
    socket->setParent(this);
    if (!testSet_.Connect()) {
      // Turned away as an instrument that takes one client does it.
      socket->abort();
      socket->deleteLater();
      continue;
    }
    CloseClient();  // an accepted connection takes the place of the open one
    client_ = socket;
    socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    connect(socket, &QTcpSocket::readyRead, this,
            [this, socket] { Guarded("simulated test set", [&] { OnReadyRead(socket); }); });
    connect(socket, &QTcpSocket::disconnected, this,
            [this, socket] { Guarded("simulated test set", [&] { OnDisconnected(socket); }); });
  }
}

void TestSetServer::OnReadyRead(QTcpSocket* socket) {
  if (socket != client_) return;
  const QByteArray bytes = socket->readAll();
  WithRadio([&](sim::Radio& radio) {
    testSet_.Receive(std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())), NowMs(), radio);
  });
  if (!testSet_.Connected()) {
    CloseClient();  // a dropped connection, on request
    return;
  }
  ScheduleTransmit();
}

void TestSetServer::OnDisconnected(QTcpSocket* socket) {
  if (socket != client_) return;
  testSet_.Disconnect();
  CloseClient();
}

void TestSetServer::Transmit() {
  const std::string out = testSet_.Transmit(NowMs());
  if (client_ && !out.empty()) {
    client_->write(out.data(), static_cast<qint64>(out.size()));
    client_->flush();
  }
  ScheduleTransmit();
}

void TestSetServer::ScheduleTransmit() {
  const int64_t due = testSet_.NextDueMs();
  if (due < 0) return;
  due_.start(static_cast<int>(std::clamp<int64_t>(due - NowMs(), 0, 60000)));
}

void TestSetServer::CloseClient() {
  due_.stop();
  if (!client_) return;
  QTcpSocket* old = client_;
  client_ = nullptr;
  old->disconnect(this);
  old->abort();
  old->deleteLater();
}

void TestSetServer::WithRadio(const std::function<void(sim::Radio&)>& fn) {
  if (!withRadio_ || !withRadio_(fn)) fn(*ownRadio_);
}

}  // namespace pw
