#pragma once

#include "mail/web_session.h"

#include <QList>
#include <QSslCertificate>
#include <QString>
#include <QStringList>

#include <memory>

namespace kestrel {

struct WebSessionOptions {
  // Trusted in addition to the system's certificate authorities.
  QList<QSslCertificate> extraCaCertificates;
  // The longest wait for one page, redirects included.
  int timeoutMs = 30000;
  // How many redirects the "IE" engine follows for one page.
  int maxRedirects = 10;
  // Answers beyond this size are abandoned.
  qint64 maxAnswerBytes = 8 * 1024 * 1024;
};

// The options from the environment:
//   KESTREL_HOSTING_CA          a PEM file of extra trusted certificate authorities
//   KESTREL_HOSTING_TIMEOUT_MS  the longest wait for one page (default 30000)
// Problems (a CA file that cannot be read, a malformed value) are described in *problems, one
// line each; the rest of the options still apply.
WebSessionOptions WebSessionOptionsFromEnvironment(QStringList* problems = nullptr);

// Registers the component under WebSession::ProgId; every instance uses these options.
void registerWebSession(const WebSessionOptions& options);

// One instance, without the registry (tests and benchmarks).
std::shared_ptr<WebSession> makeWebSession(const WebSessionOptions& options);

// The text with the values of "pass=" and "vpass=" (plain or percent-encoded, as in a
// redirect's return address) replaced by "***".
QString RedactPasswords(QString text);

}  // namespace kestrel
