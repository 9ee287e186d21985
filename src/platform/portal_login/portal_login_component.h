#pragma once

#include "portal/portal_login.h"

#include <QList>
#include <QSslCertificate>
#include <QString>
#include <QUrl>

#include <functional>
#include <memory>
#include <optional>

namespace kestrel {

// What the portal says when it has sent PINs to a client's new mobile and e-mail.
struct PinRequest {
  QString userId;
  QString mobile;         // where the mobile PIN went, as the portal shows it (may be masked)
  QString email;          // where the e-mail PIN went
  QString portalMessage;  // the portal's text; after a rejected PIN, why it was rejected
  int attempt = 1;        // 1 for the first request, 2 after one rejected PIN, ...
};

struct PinReply {
  QString mobilePin;
  QString emailPin;
};

// Asks for the two PINs while the portal waits for them. `cancelled` turns true when the user
// cancels the run; the provider then gives up. No reply leaves the submission pending.
using PinProvider =
    std::function<std::optional<PinReply>(const PinRequest& request, const std::function<bool()>& cancelled)>;

struct PortalLoginOptions {
  // The portal's address; every request path is appended to it.
  QUrl baseUrl = QUrl(QStringLiteral("http://127.0.0.1:18443"));
  // Trusted in addition to the system's certificate authorities.
  QList<QSslCertificate> extraCaCertificates;
  // The longest wait for one answer.
  int timeoutMs = 30000;
  // The pause between the PAN step's answer and the password step; the portal refuses a
  // password sent sooner ("Request is not authenticated").
  int loginPauseMs = 10000;
  // How often a request the portal refused as sent too fast (EF500023) is sent again. The
  // pause before the first new attempt is retryDelayMs and doubles for each further one, up to
  // maxRetryDelayMs. When the attempts are used up the client starts again from the PAN step
  // with a fresh session, freshStarts times; then it is given up as "busy".
  int notAuthenticatedRetries = 3;
  int retryDelayMs = 10000;
  int maxRetryDelayMs = 60000;
  int freshStarts = 1;
  // A session of the client already open elsewhere (EF00177): true takes it over, which logs
  // the taxpayer out there; false skips the client.
  bool takeOverOpenSession = true;
  // Multiplies the pauses above (not the timeout): 0.01 plays them a hundred times faster, to
  // match a simulator started with --time-scale 0.01.
  double timeScale = 1.0;
  // Answers beyond this size are abandoned.
  qint64 maxAnswerBytes = 4 * 1024 * 1024;
  // How many PIN pairs one contact update may try.
  int pinAttempts = 3;
  // Empty: the component does not wait for PINs (the submission stays pending on the portal).
  PinProvider pinProvider;
};

// The options from the environment:
//   KESTREL_PORTAL_URL         portal address (default http://127.0.0.1:18443, the local simulator)
//   KESTREL_PORTAL_CA          a PEM file of extra trusted certificate authorities
//   KESTREL_PORTAL_TIMEOUT_MS  the longest wait for one answer (default 30000)
//   KESTREL_PORTAL_PIN         "dialog" (default): ask for contact update PINs in a dialog;
//                              "none": do not wait for PINs
//   KESTREL_PORTAL_LOGIN_PAUSE_MS   pause before the password step (default 10000, 0 for none)
//   KESTREL_PORTAL_BACKOFF_MS       first pause after "Request is not authenticated" (default
//                                   10000; it doubles for each further try)
//   KESTREL_PORTAL_BACKOFF_TRIES    tries after "Request is not authenticated" (default 3)
//   KESTREL_PORTAL_SESSION_OPEN     "continue" (default): take over a session open elsewhere;
//                                   "skip": skip such clients
//   KESTREL_PORTAL_TIME_SCALE       multiplies the pauses (default 1)
// Problems (a CA file that cannot be read, a malformed value) are described in *problems, one
// line each; the rest of the options still apply.
PortalLoginOptions PortalLoginOptionsFromEnvironment(QStringList* problems = nullptr);

// Registers the component under PortalLogin::ProgId; every instance uses these options.
void registerPortalLogin(const PortalLoginOptions& options);

// One instance, without the registry (tests and benchmarks).
std::shared_ptr<PortalLogin> makePortalLogin(const PortalLoginOptions& options);

// The PIN provider that asks the user in a small modal dialog; it closes by itself after
// waitMs or when the run is cancelled.
PinProvider PinDialogProvider(int waitMs = 10 * 60 * 1000);

}  // namespace kestrel
