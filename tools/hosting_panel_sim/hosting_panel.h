#pragma once

#include "dovecot_files.h"
#include "http_server.h"

#include <QHash>
#include <QJsonObject>
#include <QRandomGenerator>
#include <QSet>
#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

namespace kestrel::hostingsim {

using simcommon::HttpRequest;
using simcommon::HttpResponse;

// How the panel misbehaves; set at start and through /sim/scenario.
struct Scenario {
  int delayMs = 0;             // panel pages answer after this long
  int status = 0;              // not 0: panel pages answer with this HTTP status
  bool marker = true;          // false: panel pages say nothing the module recognises
  bool loginRedirect = false;  // panel pages first send the browser through the login page
};

struct PanelOptions {
  QStringList domains;  // the account's domains; empty: every domain asked for is the account's
  Scenario scenario;
  bool secure = false;  // served over TLS: cookies get the Secure flag
  bool quiet = false;   // no line per request on stdout
  std::shared_ptr<DovecotFiles> dovecot;
};

// The hosting control panel's two pages, "index.php" (create a mailbox) and "addforwarder.php"
// (add a forwarder), also under the account's user directory "/~tolvenar/", plus the login page
// of the login-redirect scenario and the simulator's own pages:
//   GET /sim/state      domains, mailboxes, forwarders and counters as JSON
//   GET /sim/reset      forgets them and returns to the starting scenario
//   GET /sim/scenario   ?delay=ms&status=code&marker=0|1&login=0|1 (each optional)
class HostingPanel {
 public:
  explicit HostingPanel(PanelOptions options);
  HttpResponse handle(const HttpRequest& request);

 private:
  struct Mailbox {
    QString user, domain, password;
  };
  struct Forwarder {
    QString alias, domain, to;
  };
  using Form = QHash<QString, QString>;

  HttpResponse page(const QByteArray& name, const HttpRequest& request);
  HttpResponse createMailbox(const Form& form);
  HttpResponse addForwarder(const Form& form);
  HttpResponse logIn(const HttpRequest& request);
  HttpResponse state() const;
  HttpResponse scenario(const Form& form);
  HttpResponse reset();
  // "" when the account has the domain (adding it when any domain is welcome).
  QString refuseDomain(const QString& domain);
  QJsonObject scenarioJson() const;
  void note(const QString& line) const;

  PanelOptions options_;
  Scenario scenario_;
  QRandomGenerator random_;
  QStringList domains_;
  std::vector<Mailbox> mailboxes_;
  QHash<QString, qsizetype> mailboxIndex_;  // address -> index in mailboxes_
  std::vector<Forwarder> forwarders_;
  QSet<QString> forwarderKeys_;  // "alias@domain>target"
  QSet<QString> sessions_;
  int logins_ = 0;
  int pageRequests_ = 0;
  QJsonObject lastRequest_;
};

// A query string or form body read as PHP reads it: "+" is a blank, %XX a byte of UTF-8; the
// last of repeated keys wins.
QHash<QString, QString> ParseForm(const QByteArray& encoded);

}  // namespace kestrel::hostingsim
