#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QSslConfiguration>
#include <QString>
#include <QTcpServer>

#include <functional>
#include <optional>

namespace kestrel::hostingsim {

struct HttpRequest {
  QByteArray method;
  QByteArray path;                        // as sent, still percent-encoded
  QByteArray query;                       // as sent, without "?"
  QHash<QByteArray, QByteArray> headers;  // names in lower case
  QByteArray body;
  QByteArray cookie(const QByteArray& name) const;
};

struct HttpResponse {
  int status = 200;
  QByteArray contentType = "text/html";
  QByteArray body;
  QList<QByteArray> extraHeaders;  // complete lines without CRLF ("Location: /x")
  int delayMs = 0;                 // how long to hold the answer back
};

// A small HTTP/1.1 server (keep-alive, Content-Length bodies, one request at a time per
// connection), optionally over TLS, answering every request through one handler.
class HttpServer : public QTcpServer {
 public:
  using Handler = std::function<HttpResponse(const HttpRequest&)>;
  HttpServer(Handler handler, std::optional<QSslConfiguration> tls, QObject* parent = nullptr);

 protected:
  void incomingConnection(qintptr descriptor) override;

 private:
  Handler handler_;
  std::optional<QSslConfiguration> tls_;
};

}  // namespace kestrel::hostingsim
