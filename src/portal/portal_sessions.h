#pragma once

#include "portal/client_steps.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <memory>
#include <vector>

class QThread;

namespace kestrel {

class SessionWorker;

// The portal sessions of a run that works for several clients at once. Each session is a
// thread of its own with an event loop: the client's portal login component is created there,
// waits on the portal there (its local event loops block nothing but that session) and is
// released there. The run hands a session a client and hears of the outcome through queued
// calls on the window's thread, which alone touches the grid and the store. A component asks
// for PINs on the application's thread, one prompt at a time (see the component).
//
// The window's thread never waits for a session while a client is in progress: a session may
// be waiting for the window's thread to show a PIN prompt.
class SessionPool : public QObject {
  Q_OBJECT

 public:
  // What every session's component is given.
  struct Setup {
    QString logFile;
    QString tmpPath;
    double screenRatX = 1, screenRatY = 1, screenRatFS = 1;
    bool takeOverOpenSession = true;
  };

  SessionPool(int sessions, const Setup& setup, QObject* parent = nullptr);
  // Ends the threads; call it only when no session is busy.
  ~SessionPool() override;

  int size() const { return int(busy_.size()); }
  // A session without a client, or -1.
  int idleSession() const;
  int busyCount() const;
  // Hands the session a client; the session is busy until `finished`.
  void start(int session, const ClientJob& job);
  // The user's cancel, as the sessions' components ask for it.
  void setCancelled(bool cancelled) { cancelled_.store(cancelled); }

 signals:
  // A step of the session's client, as its component or the steps report it.
  void progress(int session, const QString& text);
  // The session is done with its client and free again.
  void finished(int session, const ClientOutcome& outcome);

 private:
  friend class SessionWorker;
  void deliver(int session, const ClientOutcome& outcome);

  Setup setup_;
  std::atomic<bool> cancelled_{false};
  std::vector<bool> busy_;
  std::vector<QThread*> threads_;
  std::vector<SessionWorker*> workers_;
};

}  // namespace kestrel
