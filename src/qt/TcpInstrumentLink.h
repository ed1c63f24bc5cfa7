// A bench instrument on the network: a raw SCPI socket on QTcpSocket.
//
// Open only starts connecting; the socket's signals move the state on from
// the event loop, which the heartbeat runs in, so neither a host that takes
// its time to answer nor a silent instrument ever holds up the window.
#pragma once

#include <QObject>
#include <QTcpSocket>
#include <string>

#include "platform/IInstrumentLink.h"

namespace pw {

class TcpInstrumentLink : public QObject, public IInstrumentLink {
  Q_OBJECT

 public:
  TcpInstrumentLink(const std::string& host, int port, QObject* parent = nullptr);
  ~TcpInstrumentLink() override;

  void Open() override;
  void Close() override;
  State GetState() const override { return state_; }
  std::string ErrorText() const override { return error_; }
  bool Write(const std::string& bytes) override;
  std::string ReadAll() override;

 private:
  void OnConnected();
  void OnError(QAbstractSocket::SocketError error);
  void OnDisconnected();
  void Fail(const QString& why);
  // Moves what the socket holds into our own buffer, so that bytes that
  // came just before the instrument closed are still read.
  void Drain();
  QString Where() const;

  QString host_;
  quint16 port_;
  QTcpSocket socket_;
  State state_ = State::Closed;
  std::string error_;
  std::string received_;
};

}  // namespace pw
