#pragma once

#include "portal_login_component.h"

#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace kestrel::portal {

// Request paths and message codes of the e-filing portal.
inline constexpr const char* LoginPath = "/iec/loginapi/login";
inline constexpr const char* ProfilePath = "/iec/servicesapi/auth/saveEntity";
inline constexpr const char* Success = "EF00000";
inline constexpr const char* InvalidPassword = "EF00027";
inline constexpr const char* UnknownUser = "EF00035";
inline constexpr const char* AccountLocked = "EF00031";
inline constexpr const char* SessionOpen = "EF00177";
inline constexpr const char* AccessDenied = "EF00403";
inline constexpr const char* NotAuthenticated = "EF500023";

// ErrData of the refusals a run acts on (PortalLogin::refusal tells them apart too).
inline constexpr const char* BusyText =
    "Portal busy: the e-filing portal kept refusing requests as too fast; the client was given up";
inline constexpr const char* AccessRefusedText =
    "Permission Denied: the e-filing portal refuses automated access";
inline constexpr const char* LockedPrefix = "Account locked: ";
inline constexpr const char* LoggedInElsewhereText =
    "Skipped: the taxpayer is logged in to the e-filing portal elsewhere";

// Codes the portal's login answer carries when the client's contact details need attention
// instead of opening a session; each stands for one outcome text of the module.
inline constexpr const char* ContactNotVerified = "EFCNT01";
inline constexpr const char* ContactPinPending = "EFCNT02";
inline constexpr const char* ContactValidated = "EFCNT03";

struct Message {
  QString code, type, desc;
};

// One answer of the portal. `failure` is set when there was no usable answer at all
// (network, TLS, timeout, cancel, redirect, HTTP error, unreadable body); otherwise `body` is
// the JSON object received.
struct Answer {
  QString failure;
  int httpStatus = 0;
  QByteArray raw;
  // The body arrived with a 2xx status but is no JSON object; `raw` holds it as received.
  bool unreadable = false;
  QJsonObject body;
  QList<Message> messages;
  QStringList errors;  // the texts of the body's "errors" array

  bool ok() const { return failure.isEmpty(); }
  bool success2xx() const { return httpStatus >= 200 && httpStatus < 300; }
  // The first message that is not a success, if any.
  const Message* problem() const;
  const Message* message(const char* code) const;
  bool hasCode(const char* code) const { return message(code) != nullptr; }
  // The portal still answers "Request is not authenticated".
  bool busy() const { return ok() && hasCode(NotAuthenticated); }
  // The portal refuses automated access: its "Permission Denied" in any form, or HTTP 403.
  bool refusesAccess() const;
  // Transport usable and no message but success ones.
  bool succeeded() const { return ok() && success2xx() && problem() == nullptr && errors.isEmpty(); }
  // What the portal says it did: a 2xx answer whose messages carry EF00000 and nothing else,
  // and no errors. Anything else is no confirmation, whatever else it holds.
  bool confirmed() const { return succeeded() && hasCode(Success); }
  // The readable reason of an answer that is not a confirmation.
  QString reason() const;
};

// The component: one client's session on the portal.
class PortalSession final : public PortalLogin {
 public:
  explicit PortalSession(PortalLoginOptions options);
  ~PortalSession() override;

  void InitMe(const QString& logFile, const QString& tmpPath, RunProgress* progress, double screenRatX,
              double screenRatY, double screenRatFS) override;
  void setShowError(bool show) override { showError_ = show; }
  bool LoginWHR_CL(const QString& userId, const QString& password) override;
  QString ErrData() const override { return errData_; }
  QString GeteUserProfile() override;
  bool VerifyContactDet(const QString& isd, const QString& priMobile, const QString& priMobileRel,
                        const QString& priEmail, const QString& priEmailRel, const QString& secMobile,
                        const QString& secMobileRel, const QString& secEmail,
                        const QString& secEmailRel) override;
  void CheckForLogInCL(const QString& userId, bool logOut) override;
  PortalRefusal refusal() const override { return refusal_; }

 private:
  // Sends one request, again after EF500023 up to the configured number of times.
  Answer post(const char* path, const QString& serviceName, const QJsonObject& body);
  // One request; nothing is sent once the portal has refused automated access.
  Answer send(const char* path, const QString& serviceName, const QJsonObject& body);
  Answer roundTrip(const char* path, const QString& serviceName, const QJsonObject& body);
  // A request of the open session; while the portal stays busy through the back-off, the
  // client is logged in again afresh (as often as freshStarts allows) and the request repeated.
  std::optional<Answer> postInSession(const char* path, const QString& serviceName, const QJsonObject& body,
                                      const QString& routine);
  // The PAN and password steps, again from the start while the portal stays busy.
  bool logIn(const QString& routine);
  // One pass of them; nullopt when the portal stayed busy.
  std::optional<bool> logInOnce(const QString& routine);
  // Ends the session for a fresh start; false when no fresh start is left.
  bool startAfresh(const QString& routine);
  bool giveUp(const QString& routine);
  // Logs the session out, if one is held, and forgets it.
  void logOut(const QString& entity);
  // Waits portalMs (scaled) without blocking the window; false when cancelled. `countdown`, when
  // given, makes the progress text from the portal's seconds still to wait.
  bool pause(qint64 portalMs, const std::function<QString(qint64 seconds)>& countdown = {});
  qint64 scaled(qint64 ms) const;
  bool cancelled() const;
  bool hasSessionCookie() const;
  void progress(const QString& text);
  // One line in the log: `subject` as given (the PAN, the service), `detail` scrubbed of the
  // password, since portal texts and failures might echo it.
  void log(const QString& routine, const QString& subject, const QString& detail) const;
  QString scrub(QString text) const;
  bool fail(const QString& routine, const QString& reason, PortalRefusal why = PortalRefusal::None);
  // Replaces the cookie jar, forgetting any session.
  void resetSession();

  PortalLoginOptions options_;
  QNetworkAccessManager network_;
  QString logFile_;
  QString tmpPath_;
  RunProgress* progress_ = nullptr;
  double fontScale_ = 1.0;
  bool showError_ = true;
  QString errData_;
  QString userId_;
  bool loggedIn_ = false;
  PortalRefusal refusal_ = PortalRefusal::None;
  bool accessRefused_ = false;
  int freshStartsUsed_ = 0;
  // A logout the portal did not confirm: the session still open is this client's own, so a
  // fresh start takes it over whatever takeOverOpenSession says.
  bool ownSessionLeftOpen_ = false;
  // Kept only to keep them out of the log.
  QString password_;
  QString passwordB64_;
};

}  // namespace kestrel::portal
