#pragma once

#include "portal_login_component.h"

#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QString>
#include <QStringList>

namespace kestrel::portal {

// Request paths and message codes of the e-filing portal.
inline constexpr const char* LoginPath = "/iec/loginapi/login";
inline constexpr const char* ProfilePath = "/iec/servicesapi/auth/saveEntity";
inline constexpr const char* Success = "EF00000";
inline constexpr const char* InvalidPassword = "EF00027";
inline constexpr const char* UnknownUser = "EF00035";
inline constexpr const char* SessionOpen = "EF00177";
inline constexpr const char* NotAuthenticated = "EF500023";

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
  bool hasCode(const char* code) const;
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

 private:
  // Sends one request, again after EF500023 up to the configured number of times.
  Answer post(const char* path, const QString& serviceName, const QJsonObject& body);
  Answer roundTrip(const char* path, const QString& serviceName, const QJsonObject& body);
  // Waits without blocking the window; false when cancelled.
  bool pause(int ms);
  bool cancelled() const;
  bool hasSessionCookie() const;
  void progress(const QString& text);
  // One line in the log: `subject` as given (the PAN, the service), `detail` scrubbed of the
  // password, since portal texts and failures might echo it.
  void log(const QString& routine, const QString& subject, const QString& detail) const;
  QString scrub(QString text) const;
  bool fail(const QString& routine, const QString& reason);
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
  // Kept only to keep them out of the log.
  QString password_;
  QString passwordB64_;
};

}  // namespace kestrel::portal
