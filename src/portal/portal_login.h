#pragma once

#include "support/object_registry.h"

#include <QString>

#include <optional>

namespace kestrel {

// What a portal run offers the portal login component while it works for a client: a place
// for progress text, the user's request to cancel the run, and the practitioner's choices for
// the run. The component may ask for the cancel while it waits on the portal, to give up
// waiting. With several portal sessions a run, these are called on the session's thread.
class RunProgress {
 public:
  virtual ~RunProgress() = default;
  virtual void showProgress(const QString& text) = 0;
  virtual bool cancelRequested() const = 0;
  // Whether a session of the client open elsewhere is taken over (which logs the taxpayer out
  // there) or the client skipped; nullopt leaves it to the component's own setting.
  virtual std::optional<bool> takeOverOpenSession() const { return std::nullopt; }
};

// Refusals of the portal that a run acts on beyond writing ErrData into the client's row.
enum class PortalRefusal {
  None,
  Busy,               // "Request is not authenticated" through the whole back-off and a fresh start
  AccessRefused,      // the portal refuses automated access ("Permission Denied")
  AccountLocked,      // locked after too many wrong passwords
  LoggedInElsewhere,  // skipped: the taxpayer has a session open elsewhere
};

// The portal login component: logs one client in to the e-filing portal and carries out the
// portal steps of that client's session. Created by programmatic identifier, one instance per
// client; it reports failures through its results (false, "" or ErrData), never by raising.
//
// Calling order for one client: InitMe, setShowError(false), LoginWHR_CL; after true
// GeteUserProfile and, when updating, VerifyContactDet; after false ErrData; always
// CheckForLogInCL; then the instance is released.
class PortalLogin : public Component {
 public:
  static constexpr const char* ProgId = "prjPortAct.clsMain";

  // logFile: the program folder's VelLog.log; tmpPath: a folder ending with a separator;
  // progress: the run the instance works for, which outlives it (may be null).
  virtual void InitMe(const QString& logFile, const QString& tmpPath, RunProgress* progress,
                      double screenRatX, double screenRatY, double screenRatFS) = 0;
  // false: no dialogs of the component's own; failures come back through ErrData.
  virtual void setShowError(bool show) = 0;

  // true when the client is logged in; otherwise ErrData holds the outcome:
  // "NON Verified Details", "Validate PIN Details", "Validate Contact Success" or the reason.
  virtual bool LoginWHR_CL(const QString& userId, const QString& password) = 0;
  virtual QString ErrData() const = 0;

  // The logged-in client's profile as JSON text; "" on failure.
  virtual QString GeteUserProfile() = 0;

  // Submits new contact details; relations are already the portal's codes ("-1" or "" for
  // none). true when the portal accepted them.
  virtual bool VerifyContactDet(const QString& isd, const QString& priMobile, const QString& priMobileRel,
                                const QString& priEmail, const QString& priEmailRel, const QString& secMobile,
                                const QString& secMobileRel, const QString& secEmail,
                                const QString& secEmailRel) = 0;

  // The last call on a client's instance (logs the session out).
  virtual void CheckForLogInCL(const QString& userId, bool logOut) = 0;

  // The refusal behind the last false or "" result; None for every other outcome.
  virtual PortalRefusal refusal() const { return PortalRefusal::None; }
};

}  // namespace kestrel
