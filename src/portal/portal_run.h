#pragma once

#include "portal/portal_login.h"

#include <QObject>
#include <QString>

#include <functional>
#include <memory>

namespace kestrel {

namespace grid {
class FlexGridModel;
}
class ProgressPanel;

// The per-client portal session of the main window: walks the selected clients of the
// register, logs each one in through a fresh PortalLogin, and either reads the profile into
// the "As Per Login" columns or submits the "To be Changed" details; the outcome goes into
// "Import Logs" and colours the row. Confirmed details are written back to OnlineRegInfo.
class PortalRun : public QObject {
  Q_OBJECT

 public:
  // setRunning(true) shows the progress panel in front and disables the main panel;
  // setRunning(false) hides it and enables the main panel again.
  PortalRun(grid::FlexGridModel& vsCL, ProgressPanel& FraProgress,
            std::function<void(bool running)> setRunning, QObject* parent = nullptr);

  // The client being processed (its register row) and its outcome text; both keep the last
  // client's values after a run.
  int CurrentRow = 0;
  QString StatusText;
  // The portal login component of the client in progress; none after a run that processed a
  // client.
  std::shared_ptr<PortalLogin> Portal;

  // A portal login component prepared with the log file, scratch folder, this panel's
  // progress label and Cancel button, and the screen metrics. Raises when the component
  // cannot be created.
  std::shared_ptr<PortalLogin> NewPortalLogin();

  // The run over the selected clients: updateMode false reads profiles, true submits the
  // "To be Changed" details.
  void LoginToITR(bool updateMode);
  // After a successful login: fetches the profile; reads it (fetch) or submits (update).
  void OPENMYPROFILEWHR(bool updateMode);
  // Submits the current row's "To be Changed" details through VerifyContactDet.
  void UPDATECONTDETWHR();
  // Copies the current row's confirmed details over the software and login groups and writes
  // them to the client's OnlineRegInfo record.
  void UpdateITRDetails();

  bool isRunning() const { return running_; }

 private:
  PortalLogin& portal() const;
  QString cell(int col) const;
  void colourOutcome(int row);

  grid::FlexGridModel& vsCL_;
  ProgressPanel& FraProgress_;
  std::function<void(bool)> setRunning_;
  bool running_ = false;
};

}  // namespace kestrel
