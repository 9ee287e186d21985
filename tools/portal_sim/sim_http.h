#pragma once

#include "sim_portal.h"

#include <QSslConfiguration>
#include <QTcpServer>

#include <optional>

namespace kestrel::sim {

// A small HTTP/1.1 server (keep-alive, Content-Length bodies, one request at a time per
// connection) in front of the simulated portal, optionally over TLS.
class HttpServer : public QTcpServer {
  Q_OBJECT
 public:
  HttpServer(Portal& portal, std::optional<QSslConfiguration> tls, QObject* parent = nullptr);

 protected:
  void incomingConnection(qintptr descriptor) override;

 private:
  void serve(QTcpSocket* socket);

  Portal& portal_;
  std::optional<QSslConfiguration> tls_;
};

}  // namespace kestrel::sim
