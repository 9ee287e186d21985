#pragma once

#include "portal/confirmed_updates.h"
#include "portal/portal_login.h"

#include <QColor>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

namespace kestrel {

namespace grid {
class FlexGridModel;
}

// Fetch reads each client's portal profile into the "As Per Login" columns; Update submits
// the "To be Changed" details.
enum class RunMode { Fetch, Update };

// The per-client portal session of the main window: walks the selected clients of the
// register, logs each one in through a fresh PortalLogin, and either reads the profile or
// submits the new details; the outcome goes into "Import Logs" and colours the row.
// Confirmed details are written back to OnlineRegInfo, by way of the journal of confirmed
// updates: a client whose details the store refused keeps them in the journal, its row is
// marked, and the user is told at the end of the run.
//
// The run knows no widget. It reports through its signals, which the window connects to the
// progress panel, and asks isCancelled before each client; the components it creates get the
// run itself as their RunProgress.
class PortalRun : public QObject, public RunProgress {
  Q_OBJECT

 public:
  PortalRun(grid::FlexGridModel& clients, std::function<bool()> isCancelled, QObject* parent = nullptr);

  // The client being processed (its register row) and its outcome text; both keep the last
  // client's values after a run.
  int currentRow = 0;
  QString statusText;
  // The portal login component of the client in progress; none after a run that processed a
  // client.
  std::shared_ptr<PortalLogin> portalLogin;

  // A portal login component prepared with the log file, scratch folder, this run as its
  // progress and the screen metrics. Raises when the component cannot be created.
  std::shared_ptr<PortalLogin> newPortalLogin();

  // The run over the selected clients.
  void runClients(RunMode mode);
  // After a successful login: fetches the profile; reads it (Fetch) or submits (Update).
  void openProfile(RunMode mode);
  // Submits the current row's "To be Changed" details through VerifyContactDet.
  void submitContactUpdate();
  // Copies the current row's confirmed details over the software and login groups and writes
  // them to the client's OnlineRegInfo record. A group without a contact leaves the row and the
  // store alone. False when the store does not hold the details (they stay in the journal).
  bool writeBackConfirmedDetails();

  bool isRunning() const { return running_; }
  // The clients of the last run that the portal confirmed and the store does not hold.
  const std::vector<ConfirmedUpdate>& unsavedClients() const { return unsaved_; }

  // The marking of a row whose confirmed details are not saved yet: the back colour over the
  // run's blue text, and the text its cells show on hovering.
  static QColor unsavedBackColour() { return QColor(255, 236, 179); }
  static QString unsavedToolTip();

  void showProgress(const QString& text) override;
  bool cancelRequested() const override;

 signals:
  // Before the first client; the window clears its cancel mark here, so that a cancel left by
  // an earlier run does not stop this one.
  void started();
  void clientStarted(const QString& partyName);
  // The run's own steps and those the portal login component reports.
  void progressText(const QString& text);
  // The outcome text written into the client's "Import Logs" cell.
  void clientFinished(int row, const QString& outcome);
  void finished();

 private:
  PortalLogin& activeLogin() const;
  void colourOutcome(int row);
  void confirmOutcome(int row);

  grid::FlexGridModel& clients_;
  std::function<bool()> isCancelled_;
  bool running_ = false;
  bool journaled_ = false;
  std::vector<ConfirmedUpdate> unsaved_;
};

}  // namespace kestrel
