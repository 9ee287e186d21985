#include "http_server.h"

#include <QFile>
#include <QSslCertificate>
#include <QSslKey>
#include <QSslSocket>
#include <QTimer>

#include <stdexcept>

namespace kestrel::simcommon {

namespace {

constexpr qsizetype MaxHeaderBytes = 32 * 1024;
constexpr qsizetype MaxBodyBytes = 1024 * 1024;

QByteArray reasonPhrase(int status) {
  switch (status) {
    case 200:
      return "OK";
    case 302:
      return "Found";
    case 400:
      return "Bad Request";
    case 401:
      return "Unauthorized";
    case 403:
      return "Forbidden";
    case 404:
      return "Not Found";
    case 405:
      return "Method Not Allowed";
    case 413:
      return "Payload Too Large";
    case 431:
      return "Request Header Fields Too Large";
    case 500:
      return "Internal Server Error";
    case 501:
      return "Not Implemented";
    case 503:
      return "Service Unavailable";
    default:
      return "Status";
  }
}

QByteArray serialise(const HttpResponse& r, const QByteArray& defaultType, bool keepAlive) {
  QByteArray out = "HTTP/1.1 " + QByteArray::number(r.status) + ' ' + reasonPhrase(r.status) + "\r\n";
  out += "Content-Type: " + (r.contentType.isEmpty() ? defaultType : r.contentType) + "; charset=utf-8\r\n";
  out += "Content-Length: " + QByteArray::number(r.body.size()) + "\r\n";
  for (const QByteArray& line : r.extraHeaders) out += line + "\r\n";
  out += keepAlive ? "Connection: keep-alive\r\n" : "Connection: close\r\n";
  out += "\r\n";
  return out + r.body;
}

HttpResponse plain(int status, const QByteArray& text) {
  HttpResponse r;
  r.status = status;
  r.contentType = "text/plain";
  r.body = text;
  return r;
}

// One client connection: reads a request, lets the handler answer, holds the answer back for
// its delay, and reads the next request only once the answer is out.
class Connection : public QObject {
 public:
  Connection(QTcpSocket* socket, const HttpServer& server)
      : QObject(socket), socket_(socket), server_(server) {
    connect(socket, &QTcpSocket::readyRead, this, &Connection::process);
    connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
  }

 private:
  void finish(const HttpResponse& r, bool keepAlive) {
    socket_->write(serialise(r, server_.defaultType(), keepAlive));
    if (!keepAlive)
      socket_->disconnectFromHost();
  }

  void process() {
    if (busy_)
      return;
    buffer_ += socket_->readAll();
    const qsizetype headerEnd = buffer_.indexOf("\r\n\r\n");
    if (headerEnd < 0) {
      if (buffer_.size() > MaxHeaderBytes)
        finish(plain(431, "request header too large"), false);
      return;
    }
    const QList<QByteArray> lines = buffer_.left(headerEnd).split('\n');
    const QList<QByteArray> requestLine = lines.first().trimmed().split(' ');
    if (requestLine.size() != 3 || !requestLine[2].startsWith("HTTP/1.")) {
      finish(plain(400, "malformed request line"), false);
      return;
    }
    HttpRequest request;
    request.method = requestLine[0];
    request.peer = socket_->peerAddress().toString();
    const QByteArray& target = requestLine[1];
    const qsizetype question = target.indexOf('?');
    request.path = target.left(question < 0 ? target.size() : question);
    request.query = question < 0 ? QByteArray() : target.mid(question + 1);
    for (qsizetype i = 1; i < lines.size(); ++i) {
      const qsizetype colon = lines[i].indexOf(':');
      if (colon > 0)
        request.headers.insert(lines[i].left(colon).trimmed().toLower(), lines[i].mid(colon + 1).trimmed());
    }
    if (request.headers.contains("transfer-encoding")) {
      finish(plain(501, "chunked requests are not supported"), false);
      return;
    }
    bool lengthOk = true;
    const qsizetype length = request.headers.contains("content-length")
                                 ? request.headers.value("content-length").toLongLong(&lengthOk)
                                 : 0;
    if (!lengthOk || length < 0 || length > MaxBodyBytes) {
      finish(plain(413, "request body too large"), false);
      return;
    }
    if (buffer_.size() < headerEnd + 4 + length)
      return;
    request.body = buffer_.mid(headerEnd + 4, length);
    buffer_.remove(0, headerEnd + 4 + length);

    const bool keepAlive =
        requestLine[2] == "HTTP/1.1" && request.headers.value("connection").toLower() != "close";
    const HttpResponse response = server_.handler()(request);
    busy_ = true;
    QTimer::singleShot(response.delayMs, this, [this, response, keepAlive] {
      busy_ = false;
      finish(response, keepAlive);
      if (keepAlive)
        process();
    });
  }

  QTcpSocket* socket_;
  const HttpServer& server_;
  QByteArray buffer_;
  bool busy_ = false;
};

}  // namespace

QByteArray HttpRequest::cookie(const QByteArray& name) const {
  for (const QByteArray& pair : headers.value("cookie").split(';')) {
    const qsizetype eq = pair.indexOf('=');
    if (eq > 0 && pair.left(eq).trimmed() == name)
      return pair.mid(eq + 1).trimmed();
  }
  return {};
}

HttpServer::HttpServer(Handler handler, QByteArray defaultType, std::optional<QSslConfiguration> tls,
                       QObject* parent)
    : QTcpServer(parent),
      handler_(std::move(handler)),
      defaultType_(std::move(defaultType)),
      tls_(std::move(tls)) {}

void HttpServer::incomingConnection(qintptr descriptor) {
  QTcpSocket* socket = nullptr;
  if (tls_) {
    auto* secure = new QSslSocket(this);
    if (!secure->setSocketDescriptor(descriptor)) {
      delete secure;
      return;
    }
    secure->setSslConfiguration(*tls_);
    // A client that refuses the certificate just goes away.
    connect(secure, &QSslSocket::errorOccurred, secure, [secure] { secure->abort(); });
    secure->startServerEncryption();
    socket = secure;
  } else {
    socket = new QTcpSocket(this);
    if (!socket->setSocketDescriptor(descriptor)) {
      delete socket;
      return;
    }
  }
  new Connection(socket, *this);
}

QByteArray ReadWholeFile(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly))
    throw std::runtime_error(
        QStringLiteral("cannot read %1: %2").arg(path, file.errorString()).toStdString());
  return file.readAll();
}

int NumberOption(const QCommandLineParser& cli, const QString& name, int low, int high) {
  bool ok = false;
  const int value = cli.value(name).toInt(&ok);
  if (!ok || value < low || value > high)
    throw std::runtime_error(
        QStringLiteral("--%1 must be a number from %2 to %3").arg(name).arg(low).arg(high).toStdString());
  return value;
}

QSslConfiguration ServerTls(const QString& certFile, const QString& keyFile) {
  const QList<QSslCertificate> chain = QSslCertificate::fromData(ReadWholeFile(certFile), QSsl::Pem);
  const QByteArray keyPem = ReadWholeFile(keyFile);
  QSslKey key(keyPem, QSsl::Rsa, QSsl::Pem);
  if (key.isNull())
    key = QSslKey(keyPem, QSsl::Ec, QSsl::Pem);
  if (chain.isEmpty() || key.isNull())
    throw std::runtime_error("the TLS certificate or key could not be read");
  QSslConfiguration conf = QSslConfiguration::defaultConfiguration();
  conf.setLocalCertificateChain(chain);
  conf.setPrivateKey(key);
  conf.setPeerVerifyMode(QSslSocket::VerifyNone);
  return conf;
}

std::optional<QSslConfiguration> TlsFromOptions(const QCommandLineParser& cli) {
  const QString cert = QStringLiteral("tls-cert"), key = QStringLiteral("tls-key");
  if (cli.isSet(cert) != cli.isSet(key))
    throw std::runtime_error("--tls-cert and --tls-key go together");
  if (!cli.isSet(cert))
    return std::nullopt;
  return ServerTls(cli.value(cert), cli.value(key));
}

}  // namespace kestrel::simcommon
