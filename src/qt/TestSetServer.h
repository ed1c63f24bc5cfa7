// Serves the simulated radio test set as raw SCPI on a loopback TCP port,
// on Qt's event loop: what --simulate gives the bench instruments to talk
// to. One client at a time, as the test set decides (a new connection takes
// the place of the open one, or is turned away when a fault says so).
//
// The test set is coupled to a simulated radio; `withRadio` lends it the
// radio the program talks to now, under whatever lock that radio needs, and
// says whether it had one. Without one the test set works against a radio of
// its own.
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QTcpServer>
#include <QTimer>
#include <functional>
#include <memory>

#include "sim/Radio.h"
#include "sim/TestSet.h"

class QTcpSocket;

namespace pw {

class TestSetServer : public QObject {
  Q_OBJECT

 public:
  using RadioAccess = std::function<bool(const std::function<void(sim::Radio&)>&)>;

  explicit TestSetServer(RadioAccess withRadio = {}, const sim::TestSetOptions& options = {},
                         QObject* parent = nullptr);
  ~TestSetServer() override;

  // Listens on 127.0.0.1:port (0: a free port, see port()).
  bool Start(quint16 port, QString* error = nullptr);
  quint16 port() const { return server_.serverPort(); }

  // For faults and checks.
  sim::TestSet& testSet() { return testSet_; }

 private:
  void OnNewConnection();
  void OnReadyRead(QTcpSocket* socket);
  void OnDisconnected(QTcpSocket* socket);
  void Transmit();
  void ScheduleTransmit();
  void CloseClient();
  void WithRadio(const std::function<void(sim::Radio&)>& fn);
  int64_t NowMs() const { return clock_.elapsed(); }

  RadioAccess withRadio_;
  std::unique_ptr<sim::Radio> ownRadio_;
  sim::TestSet testSet_;
  QTcpServer server_;
  QPointer<QTcpSocket> client_;
  QTimer due_;
  QElapsedTimer clock_;
};

}  // namespace pw
