#pragma once

// A portal that answers from a script, for answers the simulator never gives. Each request is
// answered by `answer(path, service)` with a status, a body and extra header lines.
#include <QTcpServer>
#include <QTcpSocket>

#include <functional>

namespace kestrel::testing {

struct ScriptedReply {
  int status = 200;
  QByteArray body, headers;
};

class ScriptedPortal : public QTcpServer {
 public:
  std::function<ScriptedReply(const QByteArray& path, const QByteArray& service)> answer;
  int connections = 0;

  ScriptedPortal() {
    listen(QHostAddress::LocalHost);
    connect(this, &QTcpServer::newConnection, this, [this] {
      QTcpSocket* socket = nextPendingConnection();
      ++connections;
      connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
        buffer_ += socket->readAll();
        const qsizetype end = buffer_.indexOf("\r\n\r\n");
        const QByteArray head = buffer_.left(end).toLower();
        const qsizetype length =
            head.mid(head.indexOf("content-length:") + 15).split('\r').first().toLongLong();
        if (end < 0 || buffer_.size() < end + 4 + length)
          return;
        const qsizetype sn = head.indexOf("\nsn:");
        const ScriptedReply r =
            answer(buffer_.split(' ').value(1), head.mid(sn + 4).split('\r').first().trimmed());
        buffer_.clear();
        socket->write("HTTP/1.1 " + QByteArray::number(r.status) + " Scripted\r\n" + r.headers +
                      "Content-Length: " + QByteArray::number(r.body.size()) +
                      "\r\nConnection: close\r\n\r\n" + r.body);
        socket->disconnectFromHost();
      });
    });
  }
  QString url() const { return QStringLiteral("http://127.0.0.1:%1").arg(serverPort()); }

 private:
  QByteArray buffer_;  // one request at a time: every answer closes its connection
};

// A portal that takes the PAN and the password and opens a session.
inline ScriptedReply loginStep(const QByteArray& service) {
  if (service == "wloginservice")
    return {200, R"({"reqId":"r1","messages":[{"code":"EF00000","desc":"Success"}]})", {}};
  return {200, R"({"messages":[{"code":"EF00000","desc":"Login successful"}]})",
          "Set-Cookie: AuthToken=t1; Path=/\r\n"};
}

}  // namespace kestrel::testing
