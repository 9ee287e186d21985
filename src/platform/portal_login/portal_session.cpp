#include "portal_session.h"

#include <QApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QMessageBox>
#include <QNetworkCookie>
#include <QNetworkCookieJar>
#include <QNetworkReply>
#include <QSslConfiguration>
#include <QSslError>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <utility>

namespace kestrel::portal {

namespace {

constexpr int CancelPollMs = 50;
constexpr int MaxRedirects = 5;

QString text(const QJsonValue& v) {
  if (v.isString())
    return v.toString();
  if (v.isDouble())
    return QString::number(v.toDouble(), 'g', 16);
  return {};
}

QList<Message> messagesOf(const QJsonObject& body) {
  QList<Message> list;
  const QJsonArray array = body.value(QStringLiteral("messages")).toArray();
  for (const QJsonValue& item : array) {
    const QJsonObject m = item.toObject();
    list.append({text(m.value(QStringLiteral("code"))), text(m.value(QStringLiteral("type"))),
                 text(m.value(QStringLiteral("desc")))});
  }
  return list;
}

// The texts of an answer's "errors" array: each entry's "desc" (or its code), or the entry
// itself when it is text.
QStringList errorsOf(const QJsonObject& body) {
  QStringList list;
  const QJsonValue errors = body.value(QStringLiteral("errors"));
  if (errors.isUndefined() || errors.isNull())
    return list;
  if (!errors.isArray()) {
    list << QStringLiteral("The e-filing portal's answer carried an error it did not describe");
    return list;
  }
  for (const QJsonValue& item : errors.toArray()) {
    const QJsonObject e = item.toObject();
    QString entry = item.isObject() ? text(e.value(QStringLiteral("desc"))).trimmed() : text(item).trimmed();
    if (entry.isEmpty() && item.isObject())
      entry = text(e.value(QStringLiteral("code"))).trimmed();
    list << (entry.isEmpty()
                 ? QStringLiteral("The e-filing portal's answer carried an error it did not describe")
                 : entry);
  }
  return list;
}

// Where a 3xx answer sends the request; empty when it names no place.
QUrl redirectTarget(QNetworkReply* reply) {
  const QByteArray location = reply->rawHeader("Location").trimmed();
  return location.isEmpty() ? QUrl() : reply->url().resolved(QUrl::fromEncoded(location));
}

bool sameOrigin(const QUrl& a, const QUrl& b) {
  return b.isValid() && a.scheme() == b.scheme() && a.host().compare(b.host(), Qt::CaseInsensitive) == 0 &&
         a.port(a.scheme() == QLatin1String("https") ? 443 : 80) ==
             b.port(b.scheme() == QLatin1String("https") ? 443 : 80);
}

QString redirectFailure(QNetworkReply* reply) {
  QUrl target = redirectTarget(reply);
  target.setQuery(QString());
  return QStringLiteral(
             "The e-filing portal sent the request on to %1 (HTTP %2); it was not followed, so that "
             "the client's credentials stay with the portal")
      .arg(target.isEmpty() ? QStringLiteral("another address") : target.toString(QUrl::RemoveUserInfo))
      .arg(reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt());
}

QString transportFailure(QNetworkReply* reply, const QStringList& sslErrors, const QUrl& base) {
  const QString where =
      base.host() + (base.port() > 0 ? QLatin1Char(':') + QString::number(base.port()) : QString());
  switch (reply->error()) {
    case QNetworkReply::SslHandshakeFailedError:
      return QStringLiteral("Secure connection to the e-filing portal failed: ") +
             (sslErrors.isEmpty() ? reply->errorString() : sslErrors.join(QStringLiteral("; ")));
    case QNetworkReply::ConnectionRefusedError:
      return QStringLiteral("Could not connect to the e-filing portal at %1: connection refused").arg(where);
    case QNetworkReply::HostNotFoundError:
      return QStringLiteral("Could not find the e-filing portal's server %1").arg(base.host());
    case QNetworkReply::RemoteHostClosedError:
      return QStringLiteral("The e-filing portal closed the connection before answering");
    default:
      return QStringLiteral("Could not reach the e-filing portal: ") + reply->errorString();
  }
}

QString tooLarge(qint64 limit) {
  const QString size = limit >= 1024 * 1024 ? QStringLiteral("%1 MB").arg(limit / (1024 * 1024))
                       : limit >= 1024      ? QStringLiteral("%1 KB").arg(limit / 1024)
                                            : QStringLiteral("%1 bytes").arg(limit);
  return QStringLiteral("The e-filing portal's answer was larger than ") + size;
}

}  // namespace

const Message* Answer::problem() const {
  for (const Message& m : messages) {
    if (m.code != QLatin1String(Success))
      return &m;
  }
  return nullptr;
}

const Message* Answer::message(const char* code) const {
  for (const Message& m : messages) {
    if (m.code == QLatin1String(code))
      return &m;
  }
  return nullptr;
}

bool Answer::refusesAccess() const {
  if (httpStatus == 403 || hasCode(AccessDenied))
    return true;
  const QLatin1String denied("Permission Denied");
  return std::any_of(messages.begin(), messages.end(),
                     [&](const Message& m) { return m.desc.contains(denied, Qt::CaseInsensitive); }) ||
         std::any_of(errors.begin(), errors.end(),
                     [&](const QString& e) { return e.contains(denied, Qt::CaseInsensitive); });
}

QString Answer::reason() const {
  if (!failure.isEmpty())
    return failure;
  if (const Message* m = problem()) {
    if (!m->desc.trimmed().isEmpty())
      return m->desc.trimmed();
    return QStringLiteral("The e-filing portal refused the request (%1)").arg(m->code);
  }
  if (!errors.isEmpty())
    return errors.first();
  if (!success2xx())
    return QStringLiteral("The e-filing portal answered with HTTP %1").arg(httpStatus);
  if (!hasCode(Success))
    return QStringLiteral("The e-filing portal's answer did not confirm the request");
  return {};
}

PortalSession::PortalSession(PortalLoginOptions options) : options_(std::move(options)) {
  network_.setCookieJar(new QNetworkCookieJar(&network_));
  network_.setAutoDeleteReplies(false);
}

PortalSession::~PortalSession() = default;

void PortalSession::InitMe(const QString& logFile, const QString& tmpPath, RunProgress* progress,
                           double /*screenRatX*/, double /*screenRatY*/, double screenRatFS) {
  logFile_ = logFile;
  tmpPath_ = tmpPath;
  progress_ = progress;
  fontScale_ = screenRatFS > 0 ? screenRatFS : 1.0;
}

bool PortalSession::cancelled() const {
  return progress_ && progress_->cancelRequested();
}

bool PortalSession::hasSessionCookie() const {
  const QList<QNetworkCookie> cookies = network_.cookieJar()->cookiesForUrl(options_.baseUrl);
  return std::any_of(cookies.begin(), cookies.end(),
                     [](const QNetworkCookie& c) { return c.name() == "AuthToken" && !c.value().isEmpty(); });
}

void PortalSession::resetSession() {
  network_.setCookieJar(new QNetworkCookieJar(&network_));
  loggedIn_ = false;
}

void PortalSession::progress(const QString& text) {
  if (progress_)
    progress_->showProgress(text);
}

QString PortalSession::scrub(QString text) const {
  for (const QString& secret : {password_, passwordB64_}) {
    if (!secret.isEmpty())
      text.replace(secret, QStringLiteral("***"));
  }
  return text;
}

void PortalSession::log(const QString& routine, const QString& subject, const QString& detail) const {
  if (logFile_.isEmpty())
    return;
  QFile file(logFile_);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text))
    return;
  QString clean = subject + scrub(detail);
  clean.replace(QLatin1Char('\n'), QLatin1Char(' ')).replace(QLatin1Char('\t'), QLatin1Char(' '));
  const QString entry = QDateTime::currentDateTime().toString(QStringLiteral("dd-MM-yyyy HH:mm:ss")) +
                        QStringLiteral("\t0\t") + clean + QLatin1Char('\t') + QString::fromLatin1(ProgId) +
                        QLatin1Char('\t') + routine + QLatin1Char('\n');
  file.write(entry.toUtf8());
}

bool PortalSession::fail(const QString& routine, const QString& reason, PortalRefusal why) {
  errData_ = reason;
  refusal_ = accessRefused_ ? PortalRefusal::AccessRefused : why;
  log(routine, userId_ + QStringLiteral(": "), reason);
  if (showError_)
    QMessageBox::warning(QApplication::activeWindow(), QStringLiteral("e-filing portal"), reason);
  return false;
}

qint64 PortalSession::scaled(qint64 ms) const {
  return ms <= 0 ? 0 : qint64(std::ceil(double(ms) * std::max(0.0, options_.timeScale)));
}

bool PortalSession::pause(qint64 portalMs, const std::function<QString(qint64)>& countdown) {
  const qint64 ms = scaled(portalMs);
  if (ms <= 0)
    return !cancelled();
  // The countdown counts the portal's seconds, also when the pauses are scaled.
  QElapsedTimer clock;
  clock.start();
  qint64 shownSeconds = -1;
  auto showCountdown = [&] {
    const double left = double(ms - clock.elapsed()) / std::max(options_.timeScale, 1e-9);
    const qint64 seconds = std::max<qint64>(1, qint64(std::ceil(left / 1000.0)));
    if (countdown && seconds != shownSeconds)
      progress(countdown(shownSeconds = seconds));
  };
  showCountdown();
  QEventLoop loop;
  QTimer done;
  done.setSingleShot(true);
  // A coarse timer may end early, and the portal counts a password sent early as too fast.
  done.setTimerType(Qt::PreciseTimer);
  QObject::connect(&done, &QTimer::timeout, &loop, &QEventLoop::quit);
  QTimer watch;
  QObject::connect(&watch, &QTimer::timeout, &loop, [&] {
    if (cancelled())
      loop.quit();
    else
      showCountdown();
  });
  done.start(std::chrono::milliseconds(ms));
  watch.start(CancelPollMs);
  if (!cancelled())
    loop.exec();
  return !cancelled();
}

Answer PortalSession::roundTrip(const char* path, const QString& serviceName, const QJsonObject& body) {
  Answer answer;
  if (cancelled()) {
    answer.failure = QStringLiteral("Cancelled by the user");
    return answer;
  }
  QUrl url = options_.baseUrl;
  url.setPath(url.path().chopped(url.path().endsWith(QLatin1Char('/')) ? 1 : 0) + QLatin1String(path));
  const QByteArray payload = QJsonDocument(body).toJson(QJsonDocument::Compact);

  enum class Stop { None, Timeout, Cancel, TooLarge };
  Stop stop = Stop::None;
  QStringList sslErrors;
  std::unique_ptr<QNetworkReply> reply;
  // Every request carries the PAN, the password or the session cookie, so redirects are
  // followed here and only within the portal's own origin.
  for (int hop = 0;; ++hop) {
    QNetworkRequest request(url);
    request.setHeader(QNetworkRequest::ContentTypeHeader, QStringLiteral("application/json"));
    request.setRawHeader("Accept", "application/json, text/plain, */*");
    request.setRawHeader("sn", serviceName.toUtf8());
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    if (url.scheme() == QLatin1String("https")) {
      QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
      if (!options_.extraCaCertificates.isEmpty())
        tls.addCaCertificates(options_.extraCaCertificates);
      request.setSslConfiguration(tls);
    }

    reply.reset(network_.post(request, payload));
    QEventLoop loop;
    QObject::connect(reply.get(), &QNetworkReply::finished, &loop, &QEventLoop::quit);
    QObject::connect(reply.get(), &QNetworkReply::sslErrors, &loop, [&](const QList<QSslError>& errors) {
      for (const QSslError& e : errors) sslErrors << e.errorString();
    });
    auto abortWith = [&](Stop why) {
      if (stop == Stop::None) {
        stop = why;
        reply->abort();
      }
    };
    QObject::connect(reply.get(), &QNetworkReply::downloadProgress, &loop,
                     [&](qint64 received, qint64 total) {
                       if (received > options_.maxAnswerBytes || total > options_.maxAnswerBytes)
                         abortWith(Stop::TooLarge);
                     });
    QTimer timeout;
    timeout.setSingleShot(true);
    QObject::connect(&timeout, &QTimer::timeout, &loop, [&] { abortWith(Stop::Timeout); });
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, &loop, [&] {
      if (cancelled())
        abortWith(Stop::Cancel);
    });
    timeout.start(options_.timeoutMs);
    watch.start(CancelPollMs);
    if (!reply->isFinished())
      loop.exec();
    timeout.stop();
    watch.stop();
    reply->disconnect(&loop);

    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const QUrl target = redirectTarget(reply.get());
    if (stop != Stop::None || (status != 307 && status != 308) || hop >= MaxRedirects ||
        !sameOrigin(url, target))
      break;
    url = target;
  }

  answer.httpStatus = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
  switch (stop) {
    case Stop::Timeout:
      answer.failure = QStringLiteral("The e-filing portal did not answer within %1 s")
                           .arg(QString::number(options_.timeoutMs / 1000.0, 'g', 3));
      break;
    case Stop::Cancel:
      answer.failure = QStringLiteral("Cancelled by the user");
      break;
    case Stop::TooLarge:
      answer.failure = tooLarge(options_.maxAnswerBytes);
      break;
    case Stop::None:
      break;
  }
  if (answer.failure.isEmpty()) {
    answer.raw = reply->readAll();
    if (answer.httpStatus >= 400) {
      const QString phrase = reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString();
      answer.failure = QStringLiteral("The e-filing portal answered with an error (HTTP %1%2)")
                           .arg(answer.httpStatus)
                           .arg(phrase.isEmpty() ? QString() : QLatin1Char(' ') + phrase);
      // A refusal the portal explains in its own words is reported in them; an error status
      // with a success message is no answer at all.
      Answer refusal;
      refusal.body = QJsonDocument::fromJson(answer.raw).object();
      refusal.messages = messagesOf(refusal.body);
      refusal.errors = errorsOf(refusal.body);
      const Message* problem = refusal.problem();
      if ((problem && !problem->desc.trimmed().isEmpty()) || !refusal.errors.isEmpty()) {
        answer.failure.clear();
        answer.body = refusal.body;
        answer.messages = refusal.messages;
        answer.errors = refusal.errors;
      }
    } else if (answer.httpStatus >= 300 && reply->error() == QNetworkReply::NoError) {
      answer.failure = redirectFailure(reply.get());
    } else if (reply->error() != QNetworkReply::NoError) {
      answer.failure = transportFailure(reply.get(), sslErrors, options_.baseUrl);
    } else if (answer.raw.size() > options_.maxAnswerBytes) {
      answer.failure = tooLarge(options_.maxAnswerBytes);
    } else {
      QJsonParseError error{};
      const QJsonDocument doc = QJsonDocument::fromJson(answer.raw, &error);
      if (error.error != QJsonParseError::NoError || !doc.isObject()) {
        answer.failure = QStringLiteral("The e-filing portal's answer could not be read");
        answer.unreadable = answer.success2xx();
      } else {
        answer.body = doc.object();
        answer.messages = messagesOf(answer.body);
        answer.errors = errorsOf(answer.body);
      }
    }
  }
  // The log is the suite's error log: only what went wrong goes there.
  // A page that is no strict JSON is left to the caller to judge.
  if (const Message* problem = answer.problem(); (problem || !answer.succeeded()) && !answer.unreadable)
    log(QString::fromLatin1(path),
        QStringLiteral("%1 %2: HTTP %3, ").arg(userId_, serviceName).arg(answer.httpStatus),
        problem ? problem->code + QLatin1Char(' ') + problem->desc : answer.reason());
  return answer;
}

Answer PortalSession::send(const char* path, const QString& serviceName, const QJsonObject& body) {
  Answer answer;
  if (!accessRefused_) {
    answer = roundTrip(path, serviceName, body);
    accessRefused_ = answer.refusesAccess();
  }
  if (accessRefused_)
    answer.failure = QString::fromLatin1(AccessRefusedText);
  return answer;
}

Answer PortalSession::post(const char* path, const QString& serviceName, const QJsonObject& body) {
  Answer answer = send(path, serviceName, body);
  const qint64 cap = std::max(0, options_.maxRetryDelayMs);
  qint64 delay = std::min<qint64>(std::max(0, options_.retryDelayMs), cap);
  for (int retry = 1; retry <= options_.notAuthenticatedRetries && answer.busy();
       ++retry, delay = std::min(delay * 2, cap)) {
    const auto countdown = [&](qint64 seconds) {
      return QStringLiteral("The e-filing portal is busy; trying again in %1 s (%2 of %3) ...")
          .arg(seconds)
          .arg(retry)
          .arg(options_.notAuthenticatedRetries);
    };
    if (!pause(delay, countdown)) {
      answer = Answer{};
      answer.failure = QStringLiteral("Cancelled by the user");
      break;
    }
    answer = send(path, serviceName, body);
  }
  return answer;
}

std::optional<Answer> PortalSession::postInSession(const char* path, const QString& serviceName,
                                                   const QJsonObject& body, const QString& routine) {
  Answer answer = post(path, serviceName, body);
  while (answer.busy()) {
    if (!startAfresh(routine)) {
      giveUp(routine);
      return std::nullopt;
    }
    if (!logIn(routine))
      return std::nullopt;
    answer = post(path, serviceName, body);
  }
  return answer;
}

bool PortalSession::startAfresh(const QString& routine) {
  if (freshStartsUsed_ >= options_.freshStarts)
    return false;
  ++freshStartsUsed_;
  log(routine,
      userId_ + QStringLiteral(": the e-filing portal stayed busy; starting again with a fresh session"), {});
  progress(QStringLiteral("The e-filing portal is busy; starting %1 again ...").arg(userId_));
  logOut(userId_);
  return true;
}

bool PortalSession::giveUp(const QString& routine) {
  return fail(routine, QString::fromLatin1(BusyText), PortalRefusal::Busy);
}

bool PortalSession::LoginWHR_CL(const QString& userId, const QString& password) {
  const QString routine = QStringLiteral("LoginWHR_CL");
  errData_.clear();
  refusal_ = PortalRefusal::None;
  resetSession();
  freshStartsUsed_ = 0;
  ownSessionLeftOpen_ = false;
  userId_ = userId.trimmed().toUpper();
  password_ = password;
  passwordB64_ = QString::fromLatin1(password.toUtf8().toBase64());
  if (userId_.isEmpty())
    return fail(routine, QStringLiteral("No PAN to log in with"));
  if (password.isEmpty())
    return fail(routine, QStringLiteral("No password for this client"));
  return logIn(routine);
}

bool PortalSession::logIn(const QString& routine) {
  for (;;) {
    if (const std::optional<bool> in = logInOnce(routine))
      return *in;
    if (!startAfresh(routine))
      return giveUp(routine);
  }
}

std::optional<bool> PortalSession::logInOnce(const QString& routine) {
  // A locked account is told apart from other refusals: only the helpline opens it again, and
  // every further password counts against it.
  auto locked = [&](const Answer& answer) {
    const Message* m = answer.message(AccountLocked);
    const QString portalText = m ? m->desc.trimmed() : QString();
    return fail(
        routine,
        QLatin1String(LockedPrefix) +
            (portalText.isEmpty()
                 ? QStringLiteral("the e-filing portal locked this account after repeated wrong passwords")
                 : portalText),
        PortalRefusal::AccountLocked);
  };

  progress(QStringLiteral("Connecting to the e-filing portal for %1 ...").arg(userId_));
  const QString lookup = QStringLiteral("wLoginService");
  const Answer first =
      post(LoginPath, lookup,
           QJsonObject{{QStringLiteral("entity"), userId_}, {QStringLiteral("serviceName"), lookup}});
  if (first.busy())
    return std::nullopt;
  if (first.ok() && first.hasCode(AccountLocked))
    return locked(first);
  // The password goes out only after the portal has explicitly taken the PAN.
  if (!first.confirmed())
    return fail(routine, first.reason());

  // The portal refuses a password step that follows the PAN step too soon.
  const auto countdown = [&](qint64 seconds) {
    return QStringLiteral("Waiting %1 s before the password step of %2 ...").arg(seconds).arg(userId_);
  };
  if (!pause(options_.loginPauseMs, countdown))
    return fail(routine, QStringLiteral("Cancelled by the user"));

  progress(QStringLiteral("Logging in %1 ...").arg(userId_));
  QJsonObject second = first.body;
  second.remove(QStringLiteral("messages"));
  second.remove(QStringLiteral("errors"));
  second.insert(QStringLiteral("entity"), userId_);
  second.insert(QStringLiteral("pass"), passwordB64_);
  second.insert(QStringLiteral("dtoService"), QStringLiteral("LOGIN"));
  const QString service = QStringLiteral("loginService");
  second.insert(QStringLiteral("serviceName"), service);
  Answer answer = post(LoginPath, service, second);

  if (answer.ok() && answer.hasCode(SessionOpen)) {
    // The portal keeps one session per user. Taking it over logs the taxpayer out wherever it
    // was opened, unless the session is this client's own from before a fresh start.
    const std::optional<bool> runChoice = progress_ ? progress_->takeOverOpenSession() : std::nullopt;
    if (!runChoice.value_or(options_.takeOverOpenSession) && !ownSessionLeftOpen_)
      return fail(routine, QString::fromLatin1(LoggedInElsewhereText), PortalRefusal::LoggedInElsewhere);
    log(routine, userId_ + QStringLiteral(": a session was open; continuing in this one"), {});
    second.insert(QStringLiteral("pass"), QJsonValue::Null);
    second.insert(QStringLiteral("remark"), QStringLiteral("Continue"));
    answer = post(LoginPath, service, second);
  }
  if (answer.busy())
    return std::nullopt;
  if (answer.ok()) {
    if (answer.hasCode(AccountLocked))
      return locked(answer);
    if (answer.hasCode(ContactNotVerified))
      return fail(routine, QStringLiteral("NON Verified Details"));
    if (answer.hasCode(ContactPinPending))
      return fail(routine, QStringLiteral("Validate PIN Details"));
    if (answer.hasCode(ContactValidated))
      return fail(routine, QStringLiteral("Validate Contact Success"));
  }
  if (!answer.confirmed())
    return fail(routine, answer.reason());
  if (!hasSessionCookie())
    return fail(routine, QStringLiteral("The e-filing portal did not open a session"));
  loggedIn_ = true;
  return true;
}

QString PortalSession::GeteUserProfile() {
  const QString routine = QStringLiteral("GeteUserProfile");
  if (!loggedIn_) {
    fail(routine, QStringLiteral("Not logged in to the e-filing portal"));
    return {};
  }
  refusal_ = PortalRefusal::None;
  progress(QStringLiteral("Reading the profile of %1 ...").arg(userId_));
  const QString service = QStringLiteral("userProfileService");
  const std::optional<Answer> served =
      postInSession(ProfilePath, service, QJsonObject{{QStringLiteral("serviceName"), service}}, routine);
  if (!served)
    return {};
  const Answer& answer = *served;
  // The page is handed over as received, also when it is not strict JSON: reading it is the
  // caller's business. Only no page at all, or the portal's refusal, gives "".
  if ((answer.ok() || answer.unreadable) && answer.success2xx() && answer.problem() == nullptr &&
      !answer.raw.isEmpty())
    return QString::fromUtf8(answer.raw);
  fail(routine, answer.reason());
  return {};
}

void PortalSession::logOut(const QString& entity) {
  if (loggedIn_ || hasSessionCookie()) {
    progress(QStringLiteral("Logging out %1 ...").arg(entity));
    const QString service = QStringLiteral("logoutService");
    const QJsonObject body{{QStringLiteral("serviceName"), service},
                           {QStringLiteral("entity"), entity},
                           {QStringLiteral("userType"), QStringLiteral("IND")}};
    // Logging out is tidying up: after a cancel it still goes ahead, once, without pauses.
    const bool stopped = cancelled();
    RunProgress* const run = stopped ? std::exchange(progress_, nullptr) : progress_;
    const Answer answer = stopped ? send(LoginPath, service, body) : post(LoginPath, service, body);
    progress_ = run;
    if (!answer.succeeded()) {
      ownSessionLeftOpen_ = true;
      if (!accessRefused_)
        log(QStringLiteral("CheckForLogInCL"), entity + QStringLiteral(": logout not confirmed: "),
            answer.reason());
    }
  }
  resetSession();
}

void PortalSession::CheckForLogInCL(const QString& userId, bool logOut) {
  if (logOut)
    this->logOut(userId.trimmed().isEmpty() ? userId_ : userId.trimmed().toUpper());
  resetSession();
  password_.clear();
  passwordB64_.clear();
}

}  // namespace kestrel::portal
