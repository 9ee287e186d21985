#pragma once

#include "portal/client_steps.h"
#include "portal/confirmed_updates.h"
#include "portal/portal_login.h"
#include "portal/portal_pace.h"

#include <QColor>
#include <QElapsedTimer>
#include <QObject>
#include <QSet>
#include <QString>
#include <QTimer>

#include <deque>
#include <functional>
#include <memory>
#include <vector>

class QEventLoop;

namespace kestrel {

namespace grid {
class FlexGridModel;
}
class SessionPool;

// The per-client portal session of the main window: walks the selected clients of the
// register, logs each one in through a fresh PortalLogin, and either reads the profile or
// submits the new details; the outcome goes into "Import Logs" and colours the row.
// Confirmed details are written back to OnlineRegInfo, by way of the journal of confirmed
// updates: a client whose details the store refused keeps them in the journal, its row is
// marked, and the user is told at the end of the run.
//
// With one portal session (the default) the clients take their turns one after another on the
// window's thread. With several, the clients are handed out in row order to sessions on threads
// of their own (SessionPool), never two with the same PAN at once, new logins spaced by the
// pace's login spacing; each row is written, coloured and written back when its client is done,
// one client at a time, on the window's thread.
//
// The portal's refusals steer the run: "Permission Denied" stops it after that client (the
// clients in progress finish); clients given up as "Portal busy" several times in a row rest
// it (no new client starts) for a while, which the user may cut short or cancel.
//
// The run knows no widget. It reports through its signals, which the window connects to the
// progress panel, and asks isCancelled before each client; the components it creates get the
// run (or their session) as their RunProgress.
class PortalRun : public QObject, public RunProgress {
  Q_OBJECT

 public:
  PortalRun(grid::FlexGridModel& clients, std::function<bool()> isCancelled, QObject* parent = nullptr);
  ~PortalRun() override;

  // The client being processed (its register row) and its outcome text; both keep the last
  // client's values after a run.
  int currentRow = 0;
  QString statusText;
  // The portal login component of the client in progress with one session; none after a run
  // that processed a client, and none with several sessions.
  std::shared_ptr<PortalLogin> portalLogin;
  // Where each run takes its pace from; the settings file and the environment by default.
  std::function<PortalPace()> readPace = ReadPortalPace;

  // A portal login component prepared with the log file, scratch folder, this run as its
  // progress and the screen metrics. Raises when the component cannot be created.
  std::shared_ptr<PortalLogin> newPortalLogin();

  // The run over the selected clients; returns when it is over.
  void runClients(RunMode mode);
  // Copies the current row's confirmed details over the software and login groups and writes
  // them to the client's OnlineRegInfo record. A group without a contact leaves the row and the
  // store alone. False when the store does not hold the details (they stay in the journal).
  bool writeBackConfirmedDetails();
  // Ends a rest of the run at once.
  void resumeNow();

  bool isRunning() const { return running_; }
  bool isResting() const { return resting_; }
  const PortalPace& pace() const { return pace_; }
  // The last run: its mode, the clients it was to process and how long it took.
  RunMode mode() const { return mode_; }
  int selectedCount() const { return selectedCount_; }
  qint64 elapsedMs() const { return elapsedMs_; }
  // The clients of the last run that the portal confirmed and the store does not hold.
  const std::vector<ConfirmedUpdate>& unsavedClients() const { return unsaved_; }

  // The marking of a row whose confirmed details are not saved yet: the back colour over the
  // run's blue text, and the text its cells show on hovering.
  static QColor unsavedBackColour() { return QColor(255, 236, 179); }
  static QString unsavedToolTip();
  // What the user is told when the portal refuses automated access.
  static QString accessRefusedMessage(const QString& partyName);

  void showProgress(const QString& text) override;
  bool cancelRequested() const override;
  std::optional<bool> takeOverOpenSession() const override { return pace_.takeOverOpenSession; }

 signals:
  // Before the first client; the window clears its cancel mark here, so that a cancel left by
  // an earlier run does not stop this one.
  void started();
  // With one session: the client whose turn it is, and each step (the run's own and those the
  // portal login component reports). With several, the sessions report through the session
  // signals and progressText carries only what the run reports itself.
  void clientStarted(const QString& partyName);
  void progressText(const QString& text);
  // How many of the selected clients are done: 0 before the first, then after each client.
  void clientsDone(int done, int total);
  // With several sessions (numbered from 0): a session took a client, reported a step, or is
  // free (partyName "").
  void sessionClient(int session, const QString& partyName);
  void sessionProgress(int session, const QString& text);
  // The run rests: the portal's seconds left (0 when the rest is over) and why.
  void resting(qint64 secondsLeft, const QString& reason);
  // The outcome text written into the client's "Import Logs" cell.
  void clientFinished(int row, const QString& outcome);
  void finished();

 private:
  bool selected(int row) const;
  int nextSelectedRow(int from) const;
  ClientJob prepareJob(int row, RunMode mode);
  void runOneByOne(RunMode mode);
  void runInSessions();
  void handOut();
  void sessionDone(const ClientOutcome& outcome);
  void finishClient(const ClientOutcome& outcome);
  void readProfileIntoRow(int row, const QString& profile);
  void steer(int row, PortalRefusal refusal);
  void startRest();
  void restTick();
  void endRest();
  void endIfDone();
  void colourOutcome(int row);
  void confirmOutcome(int row);

  grid::FlexGridModel& clients_;
  std::function<bool()> isCancelled_;
  bool running_ = false;
  bool journaled_ = false;
  std::vector<ConfirmedUpdate> unsaved_;

  PortalPace pace_;
  RunMode mode_ = RunMode::Fetch;
  int nextRow_ = 0;
  int selectedCount_ = 0;
  int doneCount_ = 0;
  QElapsedTimer runClock_;
  qint64 elapsedMs_ = 0;
  // No client starts any more: the user cancelled, or the portal refuses automated access.
  bool stopped_ = false;
  QString refusedClient_;  // the client the portal refused automated access, if any
  int busyInRow_ = 0;

  bool resting_ = false;
  QElapsedTimer restClock_;
  QTimer restTimer_;
  qint64 restShown_ = -1;
  QEventLoop* restLoop_ = nullptr;

  std::unique_ptr<SessionPool> pool_;
  QEventLoop* runLoop_ = nullptr;
  QTimer spacingTimer_;
  QTimer cancelWatch_;
  QElapsedTimer sinceLogin_;
  QSet<QString> pansInProgress_;
  std::deque<ClientOutcome> arrived_;
  bool applying_ = false;
};

}  // namespace kestrel
