#pragma once

#include "http_server.h"
#include "sim_accounts.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QHash>
#include <QJsonArray>
#include <QList>
#include <QRandomGenerator>
#include <QString>

namespace kestrel::sim {

using simcommon::HttpRequest;
using simcommon::HttpResponse;

struct PortalOptions {
  int latencyMs = 0;    // added to every answer
  int slowMs = 8000;    // added to every answer of a "slow" account
  bool secure = false;  // served over TLS: cookies get the Secure flag
  QString recordFile;   // updates are appended here as JSON lines
  bool announcePins = true;
  // The firm's mail (the hosting panel simulator's --maildir): the PIN mail of a contact update
  // goes to the mailbox behind its new e-mail address. "" for none.
  QString mailRoot;

  // How the portal pushes back. Durations are in the portal's time; timeScale multiplies all of
  // them (latency and slow included), so 0.01 plays the portal a hundred times faster. A zero
  // turns a rule off.
  qint64 loginPauseMs = 0;  // least time between a login's PAN step and its password step
  int rateLimit = 0;        // requests served per rate window and client address
  qint64 rateWindowMs = 60000;
  qint64 sessionIdleMs = 15 * 60000;  // a session unused this long has expired
  int lockoutAttempts = 5;            // wrong passwords in a row that lock an account
  qint64 lockoutMs = 30 * 60000;      // how long it stays locked
  qint64 pinValidityMs = 15 * 60000;  // how long the PINs of a contact update stay valid
  double timeScale = 1.0;
};

// The portal's own pace, for --pace: a 10 s pause before the password step and at most 30
// requests a minute from one address.
void UsePortalPace(PortalOptions& options);

// The e-filing portal's JSON interface as the simulator plays it: login, profile, contact
// update with PINs, logout; plus GET /sim/updates (every contact update that reached it),
// GET /sim/requests (every request and its answer's code) and GET /sim/health.
class Portal {
 public:
  Portal(Accounts accounts, PortalOptions options);
  HttpResponse handle(const HttpRequest& request);
  const QJsonArray& updates() const { return updates_; }
  int accountCount() const { return int(accounts_.size()); }

 private:
  struct LoginAttempt {
    QString pan;
    qint64 started = 0;
    bool passwordChecked = false;
  };
  struct Session {
    QString pan;
    qint64 lastUse = 0;
  };
  struct Lock {
    int wrongPasswords = 0;  // in a row
    qint64 until = 0;        // locked while the clock is before this
  };
  struct PendingUpdate {
    QString pan;
    QJsonObject details;
    QString mobilePin, emailPin;
    int refused = 0;
    qint64 sent = 0;
    qsizetype record = 0;  // index in updates_
  };

  HttpResponse serve(const HttpRequest& request);
  // Notes a request and the code it was answered with in requests_.
  void journal(const HttpRequest& request, const HttpResponse& response);
  HttpResponse lookUp(const QJsonObject& body);
  HttpResponse logIn(const QJsonObject& body);
  HttpResponse logOut(const HttpRequest& request);
  HttpResponse profile(const QString& pan);
  HttpResponse saveContacts(const QString& pan, const QJsonObject& body);
  HttpResponse validatePins(const QString& pan, const QJsonObject& body);
  HttpResponse openSession(const QString& pan);
  HttpResponse profileAnswer(const Account& a, const QJsonObject& profile) const;
  HttpResponse locked() const;
  // The PAN of the request's session; an expired session is closed on the way.
  QString sessionPan(const HttpRequest& request);
  bool hasOpenSession(const QString& pan);
  bool pinsPending(const QString& pan);
  // false when the request's address has used up its requests of the rate window.
  bool withinRate(const QString& peer);
  const Account* account(const QString& pan) const;
  int delayFor(const QString& pan) const;
  qint64 scaled(qint64 ms) const;
  qint64 now() const { return clock_.elapsed(); }
  QString token(int bytes);
  QString pin();
  void setStatus(qsizetype record, const QString& status);
  // Mails the e-mail PIN to the update's new primary e-mail address, when the firm's mail knows it.
  void mailPin(const PendingUpdate& update);
  void record(qsizetype index);

  Accounts accounts_;
  PortalOptions options_;
  QRandomGenerator random_;
  QHash<QString, LoginAttempt> attempts_;  // by reqId
  QHash<QString, Session> sessions_;       // by AuthToken
  QHash<QString, int> busyTries_;          // PAN -> refusals of the login in progress
  QHash<QString, Lock> locks_;             // by PAN
  QHash<QString, QList<qint64>> served_;   // client address -> times of the requests in the window
  QHash<QString, PendingUpdate> pending_;  // reqId -> update awaiting its PINs
  QJsonArray updates_;
  QJsonArray requests_;  // the latest MaxJournal requests, oldest first
  QElapsedTimer clock_;
};

}  // namespace kestrel::sim
