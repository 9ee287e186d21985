#pragma once

#include <QByteArray>
#include <QCommandLineParser>
#include <QHash>
#include <QList>
#include <QSslConfiguration>
#include <QString>
#include <QTcpServer>

#include <functional>
#include <optional>

namespace kestrel::simcommon {

struct HttpRequest {
  QByteArray method;
  QByteArray path;                        // as sent, still percent-encoded
  QByteArray query;                       // as sent, without "?"
  QHash<QByteArray, QByteArray> headers;  // names in lower case
  QByteArray body;
  QString peer;  // the client's address
  QByteArray cookie(const QByteArray& name) const;
};

struct HttpResponse {
  int status = 200;
  QByteArray contentType;  // the server's default when empty
  QByteArray body;
  QList<QByteArray> extraHeaders;  // complete lines without CRLF ("Location: /x")
  int delayMs = 0;                 // how long to hold the answer back
};

// A small HTTP/1.1 server (keep-alive, Content-Length bodies, one request at a time per
// connection), optionally over TLS, answering every request through one handler. The
// simulators of the portal and of the hosting panel both stand behind it.
class HttpServer : public QTcpServer {
 public:
  using Handler = std::function<HttpResponse(const HttpRequest&)>;
  HttpServer(Handler handler, QByteArray defaultType, std::optional<QSslConfiguration> tls,
             QObject* parent = nullptr);
  const Handler& handler() const { return handler_; }
  const QByteArray& defaultType() const { return defaultType_; }

 protected:
  void incomingConnection(qintptr descriptor) override;

 private:
  Handler handler_;
  QByteArray defaultType_;
  std::optional<QSslConfiguration> tls_;
};

// Shared start-up of the simulators: a file read whole, a bounded whole number from the command
// line, and the TLS set-up from a PEM certificate chain and an RSA or EC key. Each throws
// std::runtime_error with a message for the user.
QByteArray ReadWholeFile(const QString& path);
int NumberOption(const QCommandLineParser& cli, const QString& name, int low, int high);
QSslConfiguration ServerTls(const QString& certFile, const QString& keyFile);
// --tls-cert and --tls-key: both or neither.
std::optional<QSslConfiguration> TlsFromOptions(const QCommandLineParser& cli);

}  // namespace kestrel::simcommon
