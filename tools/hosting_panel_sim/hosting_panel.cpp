#include "hosting_panel.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QTextStream>
#include <QUrl>

namespace kestrel::hostingsim {

namespace {

constexpr const char* SessionCookie = "panelsession";
constexpr const char* UserDirectory = "/~tolvenar";

QByteArray html(const QString& title, const QString& text) {
  return (QStringLiteral("<!DOCTYPE html>\n<html><head><title>") + title.toHtmlEscaped() +
          QStringLiteral("</title></head>\n<body><h1>") + title.toHtmlEscaped() +
          QStringLiteral("</h1>\n<p>") + text.toHtmlEscaped() + QStringLiteral("</p></body></html>\n"))
      .toUtf8();
}

HttpResponse pageOf(const QString& title, const QString& text, int status = 200) {
  HttpResponse r;
  r.status = status;
  r.body = html(title, text);
  return r;
}

HttpResponse json(const QJsonObject& object) {
  HttpResponse r;
  r.contentType = "application/json";
  r.body = QJsonDocument(object).toJson(QJsonDocument::Compact);
  return r;
}

HttpResponse redirect(const QByteArray& location) {
  HttpResponse r = pageOf(QStringLiteral("Moved"), QStringLiteral("This page has moved."), 302);
  r.extraHeaders << "Location: " + location;
  return r;
}

// A mailbox or alias name the panel takes: letters, digits, ".", "_", "-" and "+".
bool validLocalPart(const QString& name) {
  static const QRegularExpression allowed(QStringLiteral("^[a-z0-9._+-]+$"));
  return allowed.match(name).hasMatch();
}

bool validDomain(const QString& name) {
  static const QRegularExpression allowed(QStringLiteral("^[a-z0-9-]+(\\.[a-z0-9-]+)+$"));
  return allowed.match(name).hasMatch();
}

}  // namespace

QHash<QString, QString> ParseForm(const QByteArray& encoded) {
  QHash<QString, QString> form;
  for (const QByteArray& pair : encoded.split('&')) {
    if (pair.isEmpty())
      continue;
    const qsizetype eq = pair.indexOf('=');
    auto decode = [](QByteArray part) {
      return QString::fromUtf8(QByteArray::fromPercentEncoding(part.replace('+', ' ')));
    };
    form.insert(decode(eq < 0 ? pair : pair.left(eq)), eq < 0 ? QString() : decode(pair.mid(eq + 1)));
  }
  return form;
}

HostingPanel::HostingPanel(PanelOptions options)
    : options_(std::move(options)),
      scenario_(options_.scenario),
      random_(QRandomGenerator::securelySeeded()) {
  for (const QString& d : options_.domains) domains_ << d.trimmed().toLower();
}

void HostingPanel::note(const QString& line) const {
  if (options_.quiet)
    return;
  QTextStream out(stdout);
  out << line << Qt::endl;
}

HttpResponse HostingPanel::handle(const HttpRequest& request) {
  QByteArray path = request.path;
  if (path.startsWith("/sim/")) {
    const Form form = ParseForm(request.query);
    if (path == "/sim/state")
      return state();
    if (path == "/sim/reset")
      return reset();
    if (path == "/sim/scenario")
      return scenario(form);
  } else {
    if (path.startsWith(UserDirectory))
      path.remove(0, qsizetype(qstrlen(UserDirectory)));
    if (path == "/index.php" || path == "/addforwarder.php")
      return page(path.mid(1), request);
    if (path == "/login.php")
      return logIn(request);
  }
  return pageOf(QStringLiteral("Not Found"), QStringLiteral("No such page on this panel."), 404);
}

HttpResponse HostingPanel::page(const QByteArray& name, const HttpRequest& request) {
  ++pageRequests_;
  lastRequest_ =
      QJsonObject{{QStringLiteral("path"), QString::fromUtf8(request.path)},
                  {QStringLiteral("method"), QString::fromLatin1(request.method)},
                  {QStringLiteral("userAgent"), QString::fromUtf8(request.headers.value("user-agent"))}};
  HttpResponse r;
  if (scenario_.loginRedirect && !sessions_.contains(QString::fromLatin1(request.cookie(SessionCookie)))) {
    // The way back carries the whole request, form values and all, as a browser's login does.
    QByteArray target = request.path;
    if (!request.query.isEmpty())
      target += '?' + request.query;
    r = redirect("/login.php?return=" + QUrl::toPercentEncoding(QString::fromUtf8(target)));
  } else if (scenario_.status != 0) {
    r = pageOf(QStringLiteral("Error"), QStringLiteral("The panel could not handle the request."),
               scenario_.status);
  } else if (!scenario_.marker) {
    r = pageOf(QStringLiteral("Control Panel"),
               QStringLiteral("Your session has expired. Please log in again."));
  } else {
    Form form = ParseForm(request.query);
    if (request.method == "POST")
      form.insert(ParseForm(request.body));
    r = name == "index.php" ? createMailbox(form) : addForwarder(form);
  }
  r.delayMs = scenario_.delayMs;
  return r;
}

QString HostingPanel::refuseDomain(const QString& domain) {
  if (!validDomain(domain))
    return QStringLiteral("Error: \"%1\" is not a domain name.").arg(domain);
  if (domains_.contains(domain))
    return {};
  if (!options_.domains.isEmpty())
    return QStringLiteral("Error: the domain %1 does not belong to this account.").arg(domain);
  domains_ << domain;
  return {};
}

HttpResponse HostingPanel::createMailbox(const Form& form) {
  const QString title = QStringLiteral("Email Accounts");
  const QString user = form.value(QStringLiteral("user")).trimmed().toLower();
  const QString domain = form.value(QStringLiteral("email_domain")).trimmed().toLower();
  const QString password = form.value(QStringLiteral("pass"));
  if (!validLocalPart(user))
    return pageOf(title, QStringLiteral("Error: \"%1\" is not a valid mailbox name.").arg(user));
  if (const QString refused = refuseDomain(domain); !refused.isEmpty())
    return pageOf(title, refused);
  if (password.isEmpty())
    return pageOf(title, QStringLiteral("Error: a password is required."));
  if (password != form.value(QStringLiteral("vpass")))
    return pageOf(title, QStringLiteral("Error: the passwords you entered do not match."));

  const QString address = user + QLatin1Char('@') + domain;
  if (mailboxIndex_.contains(address)) {
    note(QStringLiteral("index.php %1: exists").arg(address));
    return pageOf(title, QStringLiteral("The account %1 already exists!").arg(address));
  }
  if (options_.dovecot) {
    const QString problem = options_.dovecot->addMailbox(user, domain, password);
    if (!problem.isEmpty()) {
      note(QStringLiteral("index.php %1: %2").arg(address, problem));
      return pageOf(title, QStringLiteral("Error: the mail server could not set up the mailbox."), 500);
    }
  }
  mailboxIndex_.insert(address, qsizetype(mailboxes_.size()));
  mailboxes_.push_back({user, domain, password});
  note(QStringLiteral("index.php %1: created").arg(address));
  return pageOf(title, QStringLiteral("Success: %1 account created.").arg(address));
}

HttpResponse HostingPanel::addForwarder(const Form& form) {
  const QString title = QStringLiteral("Forwarders");
  const QString alias = form.value(QStringLiteral("user")).trimmed().toLower();
  const QString domain = form.value(QStringLiteral("email_domain")).trimmed().toLower();
  const QString to = form.value(QStringLiteral("forward")).trimmed().toLower();
  if (!validLocalPart(alias))
    return pageOf(title, QStringLiteral("Error: \"%1\" is not a valid address to forward.").arg(alias));
  if (const QString refused = refuseDomain(domain); !refused.isEmpty())
    return pageOf(title, refused);
  if (!to.contains(QLatin1Char('@')))
    return pageOf(title, QStringLiteral("Error: \"%1\" is not an address to forward to.").arg(to));
  const QString address = alias + QLatin1Char('@') + domain;
  if (!mailboxIndex_.contains(to)) {
    note(QStringLiteral("addforwarder.php %1 -> %2: no such mailbox").arg(address, to));
    return pageOf(title, QStringLiteral("Error: %1 email not created on this account.").arg(to));
  }
  if (options_.dovecot) {
    const QString problem = options_.dovecot->addForwarder(address, to);
    if (!problem.isEmpty()) {
      note(QStringLiteral("addforwarder.php %1: %2").arg(address, problem));
      return pageOf(title, QStringLiteral("Error: the mail server could not set up the forwarder."), 500);
    }
  }
  // An alias may forward to several mailboxes; adding the same pair again changes nothing.
  if (!forwarderKeys_.contains(address + QLatin1Char('>') + to)) {
    forwarderKeys_.insert(address + QLatin1Char('>') + to);
    forwarders_.push_back({alias, domain, to});
  }
  note(QStringLiteral("addforwarder.php %1 -> %2").arg(address, to));
  return pageOf(title, QStringLiteral("All email sent to %1 will now forward to %2.").arg(address, to));
}

HttpResponse HostingPanel::logIn(const HttpRequest& request) {
  ++logins_;
  const QByteArray token = QByteArray::number(random_.generate64(), 36);
  sessions_.insert(QString::fromLatin1(token));
  // Only a way back into this panel is followed.
  QByteArray back = ParseForm(request.query).value(QStringLiteral("return")).toUtf8();
  if (!back.startsWith('/') || back.startsWith("//"))
    back = "/";
  HttpResponse r = redirect(back);
  r.extraHeaders << "Set-Cookie: " + QByteArray(SessionCookie) + '=' + token + "; Path=/; HttpOnly" +
                        (options_.secure ? "; Secure" : "");
  return r;
}

QJsonObject HostingPanel::scenarioJson() const {
  return {{QStringLiteral("delay"), scenario_.delayMs},
          {QStringLiteral("status"), scenario_.status},
          {QStringLiteral("marker"), scenario_.marker},
          {QStringLiteral("login"), scenario_.loginRedirect}};
}

HttpResponse HostingPanel::state() const {
  QJsonArray mailboxes;
  for (const Mailbox& m : mailboxes_)
    mailboxes.append(QJsonObject{{QStringLiteral("address"), m.user + QLatin1Char('@') + m.domain},
                                 {QStringLiteral("user"), m.user},
                                 {QStringLiteral("domain"), m.domain},
                                 {QStringLiteral("password"), m.password}});
  QJsonArray forwarders;
  for (const Forwarder& f : forwarders_)
    forwarders.append(QJsonObject{{QStringLiteral("address"), f.alias + QLatin1Char('@') + f.domain},
                                  {QStringLiteral("to"), f.to}});
  return json({{QStringLiteral("domains"), QJsonArray::fromStringList(domains_)},
               {QStringLiteral("mailboxes"), mailboxes},
               {QStringLiteral("forwarders"), forwarders},
               {QStringLiteral("logins"), logins_},
               {QStringLiteral("pageRequests"), pageRequests_},
               {QStringLiteral("lastRequest"), lastRequest_},
               {QStringLiteral("scenario"), scenarioJson()}});
}

HttpResponse HostingPanel::scenario(const Form& form) {
  auto number = [&](const char* key, int& target) {
    bool ok = false;
    const int value = form.value(QLatin1String(key)).toInt(&ok);
    if (ok && value >= 0)
      target = value;
  };
  auto flag = [&](const char* key, bool& target) {
    if (form.contains(QLatin1String(key)))
      target = form.value(QLatin1String(key)) == QLatin1String("1");
  };
  number("delay", scenario_.delayMs);
  number("status", scenario_.status);
  flag("marker", scenario_.marker);
  flag("login", scenario_.loginRedirect);
  return json(scenarioJson());
}

HttpResponse HostingPanel::reset() {
  scenario_ = options_.scenario;
  domains_.clear();
  for (const QString& d : options_.domains) domains_ << d.trimmed().toLower();
  mailboxes_.clear();
  mailboxIndex_.clear();
  forwarders_.clear();
  forwarderKeys_.clear();
  sessions_.clear();
  logins_ = 0;
  pageRequests_ = 0;
  lastRequest_ = {};
  return json(scenarioJson());
}

}  // namespace kestrel::hostingsim
