#include "sim_portal.h"

#include "pin_mail.h"

#include <QDateTime>
#include <QFile>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QTextStream>

#include <cmath>

namespace kestrel::sim {

namespace {

constexpr int BusyRefusals = 2;
constexpr int PinRefusalsAllowed = 3;
constexpr qsizetype MaxJournal = 200000;

const QStringList& portalRelations() {
  static const QStringList codes = {QStringLiteral("1"),  QStringLiteral("2"),  QStringLiteral("7"),
                                    QStringLiteral("8"),  QStringLiteral("20"), QStringLiteral("21"),
                                    QStringLiteral("22"), QStringLiteral("24"), QStringLiteral("25"),
                                    QStringLiteral("26")};
  return codes;
}

QJsonArray message(const char* code, const char* type, const QString& desc) {
  return QJsonArray{QJsonObject{{QStringLiteral("code"), QLatin1String(code)},
                                {QStringLiteral("type"), QLatin1String(type)},
                                {QStringLiteral("desc"), desc}}};
}

HttpResponse json(const QJsonObject& body, int status = 200) {
  HttpResponse r;
  r.status = status;
  r.body = QJsonDocument(body).toJson(QJsonDocument::Compact);
  return r;
}

HttpResponse answer(const char* code, const char* type, const QString& desc, int status = 200) {
  return json(QJsonObject{{QStringLiteral("messages"), message(code, type, desc)},
                          {QStringLiteral("errors"), QJsonArray()}},
              status);
}

HttpResponse badRequest(const QString& desc) {
  return answer("EF00301", "ERROR", desc, 400);
}

HttpResponse notLoggedIn() {
  return answer("EF00005", "ERROR", QStringLiteral("Your session has expired. Please login again."), 401);
}

HttpResponse notAuthenticated() {
  return answer("EF500023", "ERROR", QStringLiteral("Request is not authenticated"));
}

HttpResponse pinPendingAnswer() {
  return answer("EFCNT02", "INFO",
                QStringLiteral("The PINs sent to verify your new contact details are awaiting validation."));
}

HttpResponse html(int status, const QByteArray& page) {
  HttpResponse r;
  r.status = status;
  r.contentType = "text/html";
  r.body = page;
  return r;
}

QString text(const QJsonObject& o, const char* key) {
  return o.value(QLatin1String(key)).toString().trimmed();
}

QString mask(const QString& value, bool email) {
  if (email) {
    const qsizetype at = value.indexOf(QLatin1Char('@'));
    return at <= 2 ? value : value.left(2) + QString(at - 2, QLatin1Char('*')) + value.mid(at);
  }
  return value.size() <= 4 ? value : QString(value.size() - 4, QLatin1Char('X')) + value.right(4);
}

// Why the portal would not take these contact details, or "".
QString contactProblem(const QJsonObject& d) {
  static const QRegularExpression digits(QStringLiteral("^\\d+$"));
  static const QRegularExpression mail(QStringLiteral("^[^@\\s]+@[^@\\s]+\\.[^@\\s]+$"));
  const QString isd = text(d, "countryCd");
  const bool indian = isd.isEmpty() || isd == QLatin1String("91");
  auto mobileOk = [&](const QString& m, bool primary) {
    if (!digits.match(m).hasMatch())
      return false;
    return primary && !indian ? m.size() >= 4 && m.size() <= 15 : m.size() == 10 && m[0] >= QLatin1Char('6');
  };
  struct Contact {
    const char* value;
    const char* relation;
    bool mobile, primary;
    const char* name;
  };
  static constexpr Contact contacts[] = {
      {"priMobileNum", "priMobBelongsTo", true, true, "primary mobile number"},
      {"priEmailId", "priEmailRelationId", false, true, "primary e-mail ID"},
      {"secMobileNum", "secMobRelationId", true, false, "secondary mobile number"},
      {"secEmailId", "secEmailRelationId", false, false, "secondary e-mail ID"},
  };
  if (!digits.match(isd).hasMatch() && !isd.isEmpty())
    return QStringLiteral("Invalid country code.");
  for (const Contact& c : contacts) {
    const QString value = text(d, c.value);
    const QString relation = text(d, c.relation);
    const QString name = QLatin1String(c.name);
    if (value.isEmpty()) {
      if (c.primary)
        return QStringLiteral("Please enter the %1.").arg(name);
      continue;
    }
    if (c.mobile ? !mobileOk(value, c.primary) : !mail.match(value).hasMatch())
      return QStringLiteral("Please enter a valid %1.").arg(name);
    if (!portalRelations().contains(relation))
      return QStringLiteral("Please select to whom the %1 belongs.").arg(name);
  }
  return {};
}

}  // namespace

void UsePortalPace(PortalOptions& options) {
  options.loginPauseMs = 10000;
  options.rateLimit = 30;
  options.rateWindowMs = 60000;
}

Portal::Portal(Accounts accounts, PortalOptions options)
    : accounts_(std::move(accounts)),
      options_(std::move(options)),
      random_(QRandomGenerator::system()->generate()) {
  clock_.start();
}

qint64 Portal::scaled(qint64 ms) const {
  return ms <= 0 ? 0 : std::max<qint64>(1, std::llround(double(ms) * options_.timeScale));
}

const Account* Portal::account(const QString& pan) const {
  const auto it = accounts_.constFind(pan.trimmed().toUpper());
  return it == accounts_.cend() ? nullptr : &*it;
}

int Portal::delayFor(const QString& pan) const {
  const Account* a = account(pan);
  return int(scaled(options_.latencyMs) + (a && a->scenario == Scenario::Slow ? scaled(options_.slowMs) : 0));
}

QString Portal::token(int bytes) {
  QByteArray raw(bytes, Qt::Uninitialized);
  for (char& c : raw) c = char(random_.bounded(256));
  return QString::fromLatin1(raw.toHex());
}

QString Portal::pin() {
  return QStringLiteral("%1").arg(random_.bounded(1000000), 6, 10, QLatin1Char('0'));
}

QString Portal::sessionPan(const HttpRequest& request) {
  const auto it = sessions_.find(QString::fromLatin1(request.cookie("AuthToken")));
  if (it == sessions_.end())
    return {};
  if (options_.sessionIdleMs > 0 && now() - it->lastUse >= scaled(options_.sessionIdleMs)) {
    sessions_.erase(it);
    return {};
  }
  it->lastUse = now();
  return it->pan;
}

bool Portal::hasOpenSession(const QString& pan) {
  const qint64 idle = scaled(options_.sessionIdleMs);
  for (auto s = sessions_.begin(); s != sessions_.end();) {
    if (idle > 0 && now() - s->lastUse >= idle)
      s = sessions_.erase(s);
    else if (s->pan == pan)
      return true;
    else
      ++s;
  }
  return false;
}

bool Portal::pinsPending(const QString& pan) {
  bool pending = false;
  for (auto p = pending_.begin(); p != pending_.end();) {
    if (options_.pinValidityMs > 0 && now() - p->sent >= scaled(options_.pinValidityMs)) {
      setStatus(p->record, QStringLiteral("pin-expired"));
      p = pending_.erase(p);
      continue;
    }
    pending = pending || p->pan == pan;
    ++p;
  }
  return pending;
}

bool Portal::withinRate(const QString& peer) {
  if (options_.rateLimit <= 0)
    return true;
  QList<qint64>& times = served_[peer];
  const qint64 window = scaled(options_.rateWindowMs);
  while (!times.isEmpty() && now() - times.first() >= window) times.removeFirst();
  if (times.size() >= options_.rateLimit)
    return false;
  times.append(now());
  return true;
}

HttpResponse Portal::handle(const HttpRequest& request) {
  HttpResponse r = serve(request);
  if (request.method == "POST")
    journal(request, r);
  return r;
}

void Portal::journal(const HttpRequest& request, const HttpResponse& response) {
  const QJsonObject body = QJsonDocument::fromJson(request.body).object();
  QString pan = text(body, "entity").toUpper();
  if (pan.isEmpty())
    pan = sessions_.value(QString::fromLatin1(request.cookie("AuthToken"))).pan;
  const QJsonArray messages =
      QJsonDocument::fromJson(response.body).object().value(QStringLiteral("messages")).toArray();
  const QString code = messages.isEmpty()
                           ? QStringLiteral("HTTP %1").arg(response.status)
                           : messages.first().toObject().value(QStringLiteral("code")).toString();
  if (requests_.size() >= MaxJournal)
    requests_.removeFirst();
  requests_.append(QJsonObject{{QStringLiteral("at"), now()},
                               {QStringLiteral("service"), QString::fromUtf8(request.headers.value("sn"))},
                               {QStringLiteral("pan"), pan},
                               {QStringLiteral("code"), code}});
}

HttpResponse Portal::serve(const HttpRequest& request) {
  if (request.method == "GET") {
    if (request.path == "/sim/updates")
      return json(QJsonObject{{QStringLiteral("updates"), updates_}});
    if (request.path == "/sim/requests")
      return json(QJsonObject{{QStringLiteral("requests"), requests_}});
    if (request.path == "/sim/health")
      return json(QJsonObject{{QStringLiteral("accounts"), accountCount()}});
    return answer("EF00404", "ERROR", QStringLiteral("Not found"), 404);
  }
  if (request.method != "POST")
    return answer("EF00405", "ERROR", QStringLiteral("Method not allowed"), 405);
  if (!withinRate(request.peer)) {
    HttpResponse r = notAuthenticated();
    r.delayMs = int(scaled(options_.latencyMs));
    return r;
  }

  QJsonParseError error{};
  const QJsonDocument doc = QJsonDocument::fromJson(request.body, &error);
  if (error.error != QJsonParseError::NoError || !doc.isObject())
    return badRequest(QStringLiteral("The request could not be read."));
  const QJsonObject body = doc.object();
  const QString service = text(body, "serviceName");
  if (QString::fromUtf8(request.headers.value("sn")) != service)
    return badRequest(QStringLiteral("Invalid service."));

  HttpResponse r;
  QString pan;
  if (request.path == "/iec/loginapi/login") {
    pan = text(body, "entity").toUpper();
    if (service == QLatin1String("wLoginService"))
      r = lookUp(body);
    else if (service == QLatin1String("loginService"))
      r = logIn(body);
    else if (service == QLatin1String("logoutService"))
      r = logOut(request);
    else
      r = badRequest(QStringLiteral("Invalid service."));
  } else {
    pan = sessionPan(request);
    if (pan.isEmpty())
      r = notLoggedIn();
    else if (request.path == "/iec/servicesapi/auth/saveEntity" &&
             service == QLatin1String("userProfileService"))
      r = profile(pan);
    else if (request.path == "/iec/verificationservices/auth/saveEntity" &&
             service == QLatin1String("contactDetailsService"))
      r = saveContacts(pan, body);
    else if (request.path == "/iec/verificationservices/auth/validateOTP" &&
             service == QLatin1String("contactOtpService"))
      r = validatePins(pan, body);
    else
      r = badRequest(QStringLiteral("Invalid service."));
  }
  r.delayMs = delayFor(pan);
  return r;
}

void Portal::mailPin(const PendingUpdate& update) {
  const QString to = update.details.value(QStringLiteral("priEmailId")).toString();
  if (options_.mailRoot.isEmpty() || to.isEmpty())
    return;
  QString problem;
  const QStringList reached =
      MailDrop(options_.mailRoot)
          .deliver(to,
                   PinMessage(to, update.pan, update.emailPin, options_.pinValidityMs / 60000,
                              QDateTime::currentDateTime()),
                   &problem);
  QTextStream out(stdout);
  if (!problem.isEmpty())
    out << "PIN mail to " << to << ": " << problem << Qt::endl;
  else if (options_.announcePins && !reached.isEmpty())
    out << "PIN mail to " << to << " delivered to " << reached.join(QStringLiteral(", ")) << Qt::endl;
}

HttpResponse Portal::lookUp(const QJsonObject& body) {
  const QString pan = text(body, "entity").toUpper();
  const Account* a = account(pan);
  if (a && a->scenario == Scenario::ServerError)
    return html(500, "<html><body><h1>500 Internal Server Error</h1></body></html>");
  if (a && a->scenario == Scenario::PermissionDenied)
    return answer("EF00403", "ERROR", QStringLiteral("Permission Denied"), 403);
  if (a && a->scenario == Scenario::Busy) {
    int& tries = busyTries_[pan];
    if (tries < BusyRefusals) {
      ++tries;
      return notAuthenticated();
    }
    tries = 0;
  }
  if (!a || a->scenario == Scenario::UnknownUser)
    return answer("EF00035", "ERROR",
                  QStringLiteral("PAN does not exist, please register this PAN or try with some other PAN."));

  const QString reqId = token(12);
  attempts_.insert(reqId, LoginAttempt{pan, now(), false});
  return json(QJsonObject{
      {QStringLiteral("reqId"), reqId},
      {QStringLiteral("entity"), pan},
      {QStringLiteral("entityType"), QStringLiteral("PAN")},
      {QStringLiteral("role"),
       pan.size() > 3 && pan[3] == QLatin1Char('P') ? QStringLiteral("IND") : QStringLiteral("ORG")},
      {QStringLiteral("secAccssMsg"), QStringLiteral("Welcome to the e-filing portal")},
      {QStringLiteral("secLoginOptions"), QStringLiteral("DEFAULT")},
      {QStringLiteral("aadhaarMobileValidated"), QStringLiteral("false")},
      {QStringLiteral("exemptedPan"), QStringLiteral("false")},
      {QStringLiteral("userConsent"), QStringLiteral("N")},
      {QStringLiteral("pass"), QJsonValue::Null},
      {QStringLiteral("passValdtnFlg"), QJsonValue::Null},
      {QStringLiteral("remark"), QJsonValue::Null},
      {QStringLiteral("dtoService"), QJsonValue::Null},
      {QStringLiteral("messages"), message("EF00000", "INFO", QStringLiteral("Success"))},
      {QStringLiteral("errors"), QJsonArray()},
  });
}

HttpResponse Portal::logIn(const QJsonObject& body) {
  const QString reqId = text(body, "reqId");
  const QString pan = text(body, "entity").toUpper();
  auto it = attempts_.find(reqId);
  if (it == attempts_.end() || it->pan != pan || text(body, "dtoService") != QLatin1String("LOGIN"))
    return badRequest(QStringLiteral("Invalid login request. Please start again."));
  const Account* a = account(pan);
  if (!a)
    return badRequest(QStringLiteral("Invalid login request. Please start again."));
  // A password step that follows its PAN step too soon is not taken; the attempt stays open.
  if (now() - it->started < scaled(options_.loginPauseMs))
    return notAuthenticated();
  if (a->scenario == Scenario::Garbage) {
    HttpResponse r;
    r.body =
        QByteArray("{\"reqId\":\"") + reqId.toLatin1() + "\",\"messages\":[{\"code\":\"EF0\x01\xfe<html>\r\n";
    return r;
  }

  const bool continuing =
      it->passwordChecked && body.value(QStringLiteral("remark")).toString() == QLatin1String("Continue");
  if (!continuing) {
    Lock& lock = locks_[pan];
    if (lock.until > 0 && now() >= lock.until)
      lock = Lock{};
    if (lock.until > 0)
      return locked();
    const QByteArray pass = QByteArray::fromBase64(body.value(QStringLiteral("pass")).toString().toLatin1());
    if (a->scenario == Scenario::WrongPassword || a->password.isEmpty() ||
        QString::fromUtf8(pass) != a->password) {
      if (options_.lockoutAttempts > 0 && ++lock.wrongPasswords >= options_.lockoutAttempts) {
        lock.until = now() + scaled(options_.lockoutMs);
        attempts_.erase(it);
        return locked();
      }
      return answer("EF00027", "ERROR", QStringLiteral("Invalid Password, Please retry."));
    }
    lock = Lock{};
    it->passwordChecked = true;
  }

  // A contact update whose PINs were not validated holds the account until they expire.
  if (pinsPending(pan)) {
    attempts_.erase(it);
    return pinPendingAnswer();
  }
  switch (a->scenario) {
    case Scenario::Unverified:
      attempts_.erase(it);
      return answer("EFCNT01", "INFO",
                    QStringLiteral("Your contact details are not verified. Please verify them to continue."));
    case Scenario::PinPending:
      attempts_.erase(it);
      return pinPendingAnswer();
    case Scenario::ContactValidated:
      attempts_.erase(it);
      return answer("EFCNT03", "INFO", QStringLiteral("Your new contact details have been validated."));
    default:
      break;
  }
  const bool open = a->scenario == Scenario::SessionOpen || hasOpenSession(pan);
  if (open && !continuing)
    return answer("EF00177", "INFO",
                  QStringLiteral("You are already logged in from another session. Continue here to end it."));
  attempts_.erase(it);
  return openSession(pan);
}

HttpResponse Portal::openSession(const QString& pan) {
  for (auto s = sessions_.begin(); s != sessions_.end();)
    s = s->pan == pan ? sessions_.erase(s) : std::next(s);
  const QString authToken = token(24);
  sessions_.insert(authToken, Session{pan, now()});
  HttpResponse r = answer("EF00000", "INFO", QStringLiteral("Login successful"));
  r.extraHeaders << "Set-Cookie: AuthToken=" + authToken.toLatin1() + "; Path=/; HttpOnly" +
                        (options_.secure ? "; Secure" : "");
  return r;
}

HttpResponse Portal::logOut(const HttpRequest& request) {
  sessions_.remove(QString::fromLatin1(request.cookie("AuthToken")));
  HttpResponse r = answer("EF00000", "INFO", QStringLiteral("Logged out successfully"));
  r.extraHeaders << "Set-Cookie: AuthToken=; Path=/; Max-Age=0";
  return r;
}

HttpResponse Portal::profile(const QString& pan) {
  const Account* a = account(pan);
  if (!a)
    return notLoggedIn();
  QJsonObject p = a->profile;
  if (a->scenario == Scenario::EmptyProfile) {
    for (const char* key : {"priMobileNum", "priMobBelongsTo", "priEmailId", "priEmailRelationId",
                            "secMobileNum", "secMobRelationId", "secEmailId", "secEmailRelationId"})
      p.insert(QLatin1String(key), QString());
  }
  p.insert(QStringLiteral("pan"), pan);
  return profileAnswer(*a, p);
}

HttpResponse Portal::profileAnswer(const Account& a, const QJsonObject& profile) const {
  HttpResponse r = json(profile);
  switch (a.scenario) {
    case Scenario::MalformedProfile:  // a stray comma before the closing brace
      r.body.insert(r.body.size() - 1, ',');
      break;
    case Scenario::TruncatedProfile: {  // cut off inside the key that follows the primary mobile
      const qsizetype cut = r.body.indexOf("\"residentialStatusCd\"");
      r.body.truncate(cut < 0 ? r.body.size() / 2 : cut + 8);
      break;
    }
    case Scenario::HtmlProfile:
      return html(200, "<html><body><h1>myProfile</h1><p>The page could not be shown.</p></body></html>");
    case Scenario::ProfileError:
      return html(503, "<html><body><h1>503 Service Unavailable</h1></body></html>");
    default:
      break;
  }
  return r;
}

HttpResponse Portal::locked() const {
  const qint64 minutes = (options_.lockoutMs + 59999) / 60000;
  return answer("EF00031", "ERROR",
                QStringLiteral("Your account is locked after %1 unsuccessful login attempts. Please try "
                               "again after %2 %3 or reset your password.")
                    .arg(options_.lockoutAttempts)
                    .arg(minutes)
                    .arg(minutes == 1 ? QStringLiteral("minute") : QStringLiteral("minutes")));
}

HttpResponse Portal::saveContacts(const QString& pan, const QJsonObject& body) {
  const Account* a = account(pan);
  if (!a)
    return notLoggedIn();
  if (a->scenario == Scenario::VerificationRefused)
    return answer("EF00210", "ERROR",
                  QStringLiteral("Contact details cannot be updated at present. Please try again later."));
  if (text(body, "entity").toUpper() != pan)
    return badRequest(QStringLiteral("The request does not belong to this session."));
  const QString problem = contactProblem(body);
  if (!problem.isEmpty())
    return answer("EF00211", "ERROR", problem);

  PendingUpdate update;
  update.pan = pan;
  for (const char* key : {"countryCd", "priMobileNum", "priMobBelongsTo", "priEmailId", "priEmailRelationId",
                          "secMobileNum", "secMobRelationId", "secEmailId", "secEmailRelationId"})
    update.details.insert(QLatin1String(key), text(body, key));
  update.mobilePin = pin();
  update.emailPin = pin();
  update.sent = now();
  QJsonObject entry = update.details;
  entry.insert(QStringLiteral("pan"), pan);
  entry.insert(QStringLiteral("status"), QStringLiteral("pin-sent"));
  entry.insert(QStringLiteral("time"), QDateTime::currentDateTime().toString(Qt::ISODateWithMs));
  entry.insert(QStringLiteral("mobilePin"), update.mobilePin);
  entry.insert(QStringLiteral("emailPin"), update.emailPin);
  updates_.append(entry);
  update.record = updates_.size() - 1;
  record(update.record);
  if (options_.announcePins)
    QTextStream(stdout) << "PINs for " << pan << ": mobile " << update.mobilePin << ", e-mail "
                        << update.emailPin << Qt::endl;
  mailPin(update);

  // A new submission replaces one still waiting for its PINs.
  for (auto p = pending_.begin(); p != pending_.end();) {
    if (p->pan == pan) {
      setStatus(p->record, QStringLiteral("replaced"));
      p = pending_.erase(p);
    } else {
      ++p;
    }
  }
  const QString reqId = token(12);
  const QString mobile = mask(text(body, "priMobileNum"), false);
  const QString email = mask(text(body, "priEmailId"), true);
  pending_.insert(reqId, update);
  return json(QJsonObject{
      {QStringLiteral("reqId"), reqId},
      {QStringLiteral("otpRequired"), true},
      {QStringLiteral("mobileNum"), mobile},
      {QStringLiteral("emailId"), email},
      {QStringLiteral("messages"),
       message("EF00000", "INFO",
               QStringLiteral("PINs have been sent to the new mobile number %1 and e-mail ID %2.")
                   .arg(mobile, email))},
  });
}

HttpResponse Portal::validatePins(const QString& pan, const QJsonObject& body) {
  const QString expired = QStringLiteral("The PIN request has expired. Please update again.");
  auto it = pending_.find(text(body, "reqId"));
  if (it == pending_.end() || it->pan != pan)
    return answer("EF00212", "ERROR", expired);
  if (options_.pinValidityMs > 0 && now() - it->sent >= scaled(options_.pinValidityMs)) {
    setStatus(it->record, QStringLiteral("pin-expired"));
    pending_.erase(it);
    return answer("EF00212", "ERROR", expired);
  }
  if (text(body, "mobileOtp") != it->mobilePin || text(body, "emailOtp") != it->emailPin) {
    if (++it->refused >= PinRefusalsAllowed) {
      setStatus(it->record, QStringLiteral("pin-refused"));
      pending_.erase(it);
      return answer("EF00212", "ERROR", QStringLiteral("Too many invalid PINs. Please update again."));
    }
    return answer("EF00213", "ERROR", QStringLiteral("Invalid PIN. Please enter the PINs that were sent."));
  }
  // Only now do the new details become the account's.
  Account& a = accounts_[pan];
  for (auto d = it->details.begin(); d != it->details.end(); ++d) a.profile.insert(d.key(), d.value());
  const QString isd = text(it->details, "countryCd");
  a.profile.insert(QStringLiteral("residentialStatusCd"), isd.isEmpty() || isd == QLatin1String("91")
                                                              ? QStringLiteral("RES")
                                                              : QStringLiteral("NRI"));
  setStatus(it->record, QStringLiteral("validated"));
  pending_.erase(it);
  return answer("EF00000", "INFO", QStringLiteral("Contact details updated successfully."));
}

void Portal::setStatus(qsizetype index, const QString& status) {
  QJsonObject entry = updates_[index].toObject();
  entry.insert(QStringLiteral("status"), status);
  updates_[index] = entry;
  record(index);
}

void Portal::record(qsizetype index) {
  if (options_.recordFile.isEmpty())
    return;
  QFile file(options_.recordFile);
  if (file.open(QIODevice::WriteOnly | QIODevice::Append))
    file.write(QJsonDocument(updates_[index].toObject()).toJson(QJsonDocument::Compact) + '\n');
}

}  // namespace kestrel::sim
