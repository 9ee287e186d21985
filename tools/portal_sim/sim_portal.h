#pragma once

#include "sim_accounts.h"

#include <QByteArray>
#include <QHash>
#include <QJsonArray>
#include <QList>
#include <QRandomGenerator>
#include <QString>

namespace kestrel::sim {

struct HttpRequest {
  QByteArray method;
  QString path;
  QString query;
  QHash<QByteArray, QByteArray> headers;  // names in lower case
  QByteArray body;
  QByteArray cookie(const QByteArray& name) const;
};

struct HttpResponse {
  int status = 200;
  QByteArray contentType = "application/json";
  QByteArray body;
  QList<QByteArray> setCookies;
  int delayMs = 0;  // how long to hold the answer back
};

struct PortalOptions {
  int latencyMs = 0;    // added to every answer
  int slowMs = 8000;    // added to every answer of a "slow" account
  bool secure = false;  // served over TLS: cookies get the Secure flag
  QString recordFile;   // updates are appended here as JSON lines
  bool announcePins = true;
};

// The e-filing portal's JSON interface as the simulator plays it: login, profile, contact
// update with PINs, logout; plus GET /sim/updates (every contact update that reached it) and
// GET /sim/health.
class Portal {
 public:
  Portal(Accounts accounts, PortalOptions options);
  HttpResponse handle(const HttpRequest& request);
  const QJsonArray& updates() const { return updates_; }
  int accountCount() const { return int(accounts_.size()); }

 private:
  struct LoginAttempt {
    QString pan;
    bool passwordChecked = false;
  };
  struct PendingUpdate {
    QString pan;
    QJsonObject details;
    QString mobilePin, emailPin;
    int refused = 0;
    qsizetype record = 0;  // index in updates_
  };

  HttpResponse lookUp(const QJsonObject& body);
  HttpResponse logIn(const QJsonObject& body);
  HttpResponse logOut(const HttpRequest& request);
  HttpResponse profile(const QString& pan);
  HttpResponse saveContacts(const QString& pan, const QJsonObject& body);
  HttpResponse validatePins(const QString& pan, const QJsonObject& body);
  HttpResponse openSession(const QString& pan);
  QString sessionPan(const HttpRequest& request) const;
  const Account* account(const QString& pan) const;
  int delayFor(const QString& pan) const;
  QString token(int bytes);
  QString pin();
  void record(qsizetype index);

  Accounts accounts_;
  PortalOptions options_;
  QRandomGenerator random_;
  QHash<QString, LoginAttempt> attempts_;  // by reqId
  QHash<QString, QString> sessions_;       // AuthToken -> PAN
  QHash<QString, int> busyTries_;          // PAN -> refusals of the login in progress
  QHash<QString, PendingUpdate> pending_;  // reqId -> update awaiting its PINs
  QJsonArray updates_;
};

}  // namespace kestrel::sim
