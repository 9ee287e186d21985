#include "http_web_session.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QLoggingCategory>
#include <QNetworkCookieJar>
#include <QNetworkReply>
#include <QSslConfiguration>
#include <QSslError>
#include <QStringDecoder>
#include <QTimer>

#include <atomic>

namespace kestrel::websession {

Q_LOGGING_CATEGORY(lcWebSession, "kestrel.websession", QtWarningMsg)

namespace {

// What the "IE" engine says it is: the page is served as to a desktop browser.
constexpr const char* BrowserAgent =
    "Mozilla/5.0 (Windows NT 10.0; Win64; x64; Trident/7.0; rv:11.0) like Gecko";
constexpr const char* PlainAgent = "Mozilla/4.0 (compatible; Kestrel web session)";

// Set while a request of any instance runs: the mail window sends one request at a time, and a
// second one started from the waiting window must not nest inside the first.
std::atomic<bool> requestRunning{false};

class RunningMark {
 public:
  RunningMark() {
    bool expected = false;
    taken_ = requestRunning.compare_exchange_strong(expected, true);
  }
  ~RunningMark() {
    if (taken_)
      requestRunning = false;
  }
  RunningMark(const RunningMark&) = delete;
  RunningMark& operator=(const RunningMark&) = delete;
  bool taken() const { return taken_; }

 private:
  bool taken_ = false;
};

// host, or host:port when the address names a port.
QString placeOf(const QUrl& url) {
  return url.port() > 0 ? url.host() + QLatin1Char(':') + QString::number(url.port()) : url.host();
}

// An address as an error text may show it: no query (it may hold passwords), no user info.
QString shown(const QUrl& url) {
  return url.adjusted(QUrl::RemoveQuery | QUrl::RemoveUserInfo | QUrl::RemoveFragment).toDisplayString();
}

QString seconds(int ms) {
  return QString::number(ms / 1000.0, 'g', 3);
}

QString sizeText(qint64 bytes) {
  if (bytes >= 1024 * 1024)
    return QStringLiteral("%1 MB").arg(bytes / (1024 * 1024));
  if (bytes >= 1024)
    return QStringLiteral("%1 KB").arg(bytes / 1024);
  return QStringLiteral("%1 bytes").arg(bytes);
}

QString transportFailure(const QNetworkReply& reply, const QStringList& sslErrors, const QUrl& url) {
  switch (reply.error()) {
    case QNetworkReply::HostNotFoundError:
      return QStringLiteral("The hosting panel's server %1 was not found").arg(url.host());
    case QNetworkReply::ConnectionRefusedError:
      return QStringLiteral("Could not connect to the hosting panel at %1: connection refused")
          .arg(placeOf(url));
    case QNetworkReply::RemoteHostClosedError:
      return QStringLiteral("The hosting panel at %1 closed the connection before answering")
          .arg(placeOf(url));
    case QNetworkReply::SslHandshakeFailedError:
      return QStringLiteral("The hosting panel's certificate was refused: ") +
             (sslErrors.isEmpty() ? RedactPasswords(reply.errorString())
                                  : sslErrors.join(QStringLiteral("; ")));
    default:
      return QStringLiteral("Could not reach the hosting panel at %1: %2")
          .arg(placeOf(url), RedactPasswords(reply.errorString()));
  }
}

// The page as text, in the character set the answer names (UTF-8 when it names none it knows).
QString decodePage(const QByteArray& data, const QByteArray& contentType) {
  QByteArray charset;
  for (const QByteArray& part : contentType.split(';')) {
    const QByteArray item = part.trimmed();
    if (item.toLower().startsWith("charset="))
      charset = item.mid(8).trimmed().replace('"', QByteArray());
  }
  QStringDecoder decoder(charset.isEmpty() ? "UTF-8" : charset.constData());
  if (!decoder.isValid())
    decoder = QStringDecoder(QStringDecoder::Utf8);
  return decoder.decode(data);
}

QString RedactedForLog(const QUrl& url) {
  return RedactPasswords(url.toString(QUrl::RemoveUserInfo));
}

}  // namespace

HttpWebSession::HttpWebSession(WebSessionOptions options) : options_(std::move(options)) {
  network_.setCookieJar(new QNetworkCookieJar(&network_));
  network_.setAutoDeleteReplies(false);
}

HttpWebSession::~HttpWebSession() = default;

bool HttpWebSession::fail(const QString& reason) {
  lastError_ = reason;
  qCInfo(lcWebSession).noquote() << "failed:" << reason;
  return false;
}

// The component keeps no files, so the temporary folder is not needed.
bool HttpWebSession::InitComponent(const QString& engine, const QString& /*tmpFolder*/, bool /*showBrowser*/,
                                   int /*option*/) {
  if (ended_)
    return fail(QStringLiteral("The component has ended (Quit) and cannot be used again"));
  if (running_)
    return fail(QStringLiteral("A request to the hosting panel is still running; wait for it to finish"));
  const QString name = engine.trimmed().toUpper();
  if (name == QLatin1String("WHR"))
    engine_ = Engine::Plain;
  else if (name == QLatin1String("IE"))
    engine_ = Engine::Browser;
  else
    return fail(QStringLiteral("Unknown engine \"%1\": the component offers \"IE\" and \"WHR\"").arg(engine));
  html_.clear();
  lastError_.clear();
  return true;
}

bool HttpWebSession::OpenWHR(const QString& method, const QString& url, const QString& body) {
  const QByteArray verb = method.trimmed().toUpper().toLatin1();
  return load(verb.isEmpty() ? QByteArray("GET") : verb, url, body.toUtf8());
}

bool HttpWebSession::OpenURL(const QString& url) {
  return load("GET", url, {});
}

void HttpWebSession::Quit() {
  ended_ = true;
  if (running_) {
    stop_ = Stop::Quit;
    running_->abort();
  }
}

bool HttpWebSession::load(QByteArray method, const QString& address, QByteArray body) {
  if (ended_)
    return fail(QStringLiteral("The component has ended (Quit) and cannot be used again"));
  if (engine_ == Engine::None)
    return fail(QStringLiteral("The component was not initialised (InitComponent)"));
  const RunningMark mark;
  if (!mark.taken())
    return fail(QStringLiteral("A request to the hosting panel is still running; wait for it to finish"));
  // The module may drop its reference while the window waits; the request finishes first.
  const std::shared_ptr<HttpWebSession> keepAlive = weak_from_this().lock();

  QUrl url(address.trimmed(), QUrl::TolerantMode);
  if (!url.isValid() || url.host().isEmpty() ||
      (url.scheme() != QLatin1String("http") && url.scheme() != QLatin1String("https")))
    return fail(QStringLiteral("Not a web address: ") + RedactPasswords(address.trimmed()));

  html_.clear();
  lastError_.clear();
  stop_ = Stop::None;
  const QDeadlineTimer deadline(options_.timeoutMs);
  for (int redirects = 0;; ++redirects) {
    const Exchange answer = exchange(method, url, body, deadline);
    if (!answer.failure.isEmpty())
      return fail(answer.failure);
    if (answer.status >= 300 && answer.status < 400 && answer.location.isValid()) {
      const QString hop = QStringLiteral("The hosting panel sent the request on to %1 (HTTP %2)")
                              .arg(shown(answer.location))
                              .arg(answer.status);
      if (engine_ == Engine::Plain)
        return fail(hop + QStringLiteral("; the WHR engine does not follow redirects"));
      if (redirects >= options_.maxRedirects)
        return fail(hop + QStringLiteral(" after %1 redirects already; giving up").arg(redirects));
      if (answer.location.scheme() != QLatin1String("http") &&
          answer.location.scheme() != QLatin1String("https"))
        return fail(hop + QStringLiteral(", which is not a web address"));
      // As browsers do: a redirect after a form post fetches the new page; 307 and 308 repeat
      // the request as it was.
      if (answer.status != 307 && answer.status != 308 && method != "HEAD") {
        method = "GET";
        body.clear();
      }
      url = answer.location;
      continue;
    }
    html_ = decodePage(answer.data, answer.contentType);
    if (answer.status >= 400)
      return fail(QStringLiteral("The hosting panel answered with an error (HTTP %1%2)")
                      .arg(answer.status)
                      .arg(answer.phrase.isEmpty() ? QString() : QLatin1Char(' ') + answer.phrase));
    return true;
  }
}

Exchange HttpWebSession::exchange(const QByteArray& method, const QUrl& url, const QByteArray& body,
                                  const QDeadlineTimer& deadline) {
  Exchange answer;
  QNetworkRequest request(url);
  request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
  const bool browser = engine_ == Engine::Browser;
  request.setHeader(QNetworkRequest::UserAgentHeader,
                    QString::fromLatin1(browser ? BrowserAgent : PlainAgent));
  if (browser) {
    request.setRawHeader("Accept", "text/html, application/xhtml+xml, */*");
    request.setRawHeader("Accept-Language", "en-IN, en;q=0.8");
  }
  if (!body.isEmpty())
    request.setHeader(QNetworkRequest::ContentTypeHeader,
                      QStringLiteral("application/x-www-form-urlencoded"));
  if (url.scheme() == QLatin1String("https")) {
    QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
    if (!options_.extraCaCertificates.isEmpty())
      tls.addCaCertificates(options_.extraCaCertificates);
    request.setSslConfiguration(tls);
  }

  QElapsedTimer clock;
  clock.start();
  std::unique_ptr<QNetworkReply> reply;
  if (method == "GET")
    reply.reset(network_.get(request));
  else if (method == "POST")
    reply.reset(network_.post(request, body));
  else
    reply.reset(network_.sendCustomRequest(request, method, body));
  running_ = reply.get();

  QStringList sslErrors;
  QEventLoop loop;
  QObject::connect(reply.get(), &QNetworkReply::finished, &loop, &QEventLoop::quit);
  QObject::connect(reply.get(), &QNetworkReply::sslErrors, &loop, [&](const QList<QSslError>& errors) {
    for (const QSslError& e : errors) sslErrors << e.errorString();
  });
  auto stopWith = [&](Stop why) {
    if (stop_ == Stop::None) {
      stop_ = why;
      reply->abort();
    }
  };
  QObject::connect(reply.get(), &QNetworkReply::downloadProgress, &loop, [&](qint64 received, qint64 total) {
    if (received > options_.maxAnswerBytes || total > options_.maxAnswerBytes)
      stopWith(Stop::TooLarge);
  });
  QTimer timeout;
  timeout.setSingleShot(true);
  QObject::connect(&timeout, &QTimer::timeout, &loop, [&] { stopWith(Stop::Timeout); });
  timeout.start(std::max<qint64>(0, deadline.remainingTime()));
  if (!reply->isFinished())
    loop.exec();
  timeout.stop();
  reply->disconnect(&loop);
  running_ = nullptr;

  answer.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
  answer.phrase = reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString();
  switch (stop_) {
    case Stop::Timeout:
      answer.failure = QStringLiteral("The hosting panel at %1 did not answer within %2 s")
                           .arg(placeOf(url), seconds(options_.timeoutMs));
      break;
    case Stop::TooLarge:
      answer.failure =
          QStringLiteral("The hosting panel's answer was larger than ") + sizeText(options_.maxAnswerBytes);
      break;
    case Stop::Quit:
      answer.failure = QStringLiteral("The request was stopped: the component was ended (Quit)");
      break;
    case Stop::None:
      // An HTTP error status still brings a page; only a missing answer is a transport failure.
      if (reply->error() != QNetworkReply::NoError && answer.status == 0)
        answer.failure = transportFailure(*reply, sslErrors, url);
      break;
  }
  if (answer.failure.isEmpty()) {
    answer.data = reply->readAll();
    answer.contentType = reply->header(QNetworkRequest::ContentTypeHeader).toByteArray();
    const QByteArray location = reply->rawHeader("Location");
    if (!location.isEmpty())
      answer.location = url.resolved(QUrl::fromEncoded(location, QUrl::TolerantMode));
  }
  qCDebug(lcWebSession).noquote() << method << RedactedForLog(url) << "->"
                                  << (answer.failure.isEmpty() ? QStringLiteral("HTTP %1").arg(answer.status)
                                                               : answer.failure)
                                  << answer.data.size() << "bytes" << clock.elapsed() << "ms";
  return answer;
}

}  // namespace kestrel::websession
