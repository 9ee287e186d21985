#include "portal_login_component.h"

#include "portal_session.h"

#include <QFile>

namespace kestrel {

PortalLoginOptions PortalLoginOptionsFromEnvironment(QStringList* problems) {
  PortalLoginOptions options;
  auto problem = [&](const QString& text) {
    if (problems)
      problems->append(text);
  };

  const QString url = qEnvironmentVariable("KESTREL_PORTAL_URL").trimmed();
  if (!url.isEmpty()) {
    const QUrl parsed(url, QUrl::StrictMode);
    if (parsed.isValid() &&
        (parsed.scheme() == QLatin1String("http") || parsed.scheme() == QLatin1String("https")) &&
        !parsed.host().isEmpty())
      options.baseUrl = parsed;
    else
      problem(QStringLiteral("KESTREL_PORTAL_URL is not an http or https address: ") + url);
  }

  const QString caFile = qEnvironmentVariable("KESTREL_PORTAL_CA").trimmed();
  if (!caFile.isEmpty()) {
    QFile file(caFile);
    if (!file.open(QIODevice::ReadOnly)) {
      problem(QStringLiteral("KESTREL_PORTAL_CA: cannot read %1: %2").arg(caFile, file.errorString()));
    } else {
      const QList<QSslCertificate> certificates = QSslCertificate::fromData(file.readAll(), QSsl::Pem);
      if (certificates.isEmpty())
        problem(QStringLiteral("KESTREL_PORTAL_CA: no PEM certificate in ") + caFile);
      options.extraCaCertificates = certificates;
    }
  }

  // A whole number from the environment, at least `least`; the default stays otherwise.
  auto number = [&](const char* name, int least, int& into) {
    const QString value = qEnvironmentVariable(name).trimmed();
    if (value.isEmpty())
      return;
    bool ok = false;
    const int n = value.toInt(&ok);
    if (ok && n >= least)
      into = n;
    else
      problem(QStringLiteral("%1 is not a number of at least %2: %3")
                  .arg(QLatin1String(name))
                  .arg(least)
                  .arg(value));
  };
  number("KESTREL_PORTAL_TIMEOUT_MS", 1, options.timeoutMs);
  number("KESTREL_PORTAL_LOGIN_PAUSE_MS", 0, options.loginPauseMs);
  number("KESTREL_PORTAL_BACKOFF_MS", 0, options.retryDelayMs);
  number("KESTREL_PORTAL_BACKOFF_TRIES", 0, options.notAuthenticatedRetries);

  const QString open = qEnvironmentVariable("KESTREL_PORTAL_SESSION_OPEN").trimmed().toLower();
  if (open == QLatin1String("skip"))
    options.takeOverOpenSession = false;
  else if (!open.isEmpty() && open != QLatin1String("continue"))
    problem(QStringLiteral("KESTREL_PORTAL_SESSION_OPEN is neither \"continue\" nor \"skip\": ") + open);

  const QString scale = qEnvironmentVariable("KESTREL_PORTAL_TIME_SCALE").trimmed();
  if (!scale.isEmpty()) {
    bool ok = false;
    const double factor = scale.toDouble(&ok);
    if (ok && factor > 0 && factor <= 1000)
      options.timeScale = factor;
    else
      problem(QStringLiteral("KESTREL_PORTAL_TIME_SCALE is not a factor above 0 and at most 1000: ") + scale);
  }

  const QString pin = qEnvironmentVariable("KESTREL_PORTAL_PIN").trimmed().toLower();
  if (pin.isEmpty() || pin == QLatin1String("dialog"))
    options.pinProvider = PinDialogProvider();
  else if (pin != QLatin1String("none"))
    problem(QStringLiteral("KESTREL_PORTAL_PIN is neither \"dialog\" nor \"none\": ") + pin);
  return options;
}

std::shared_ptr<PortalLogin> makePortalLogin(const PortalLoginOptions& options) {
  return std::make_shared<portal::PortalSession>(options);
}

void registerPortalLogin(const PortalLoginOptions& options) {
  ObjectRegistry::instance().registerFactory(QString::fromLatin1(PortalLogin::ProgId),
                                             [options] { return makePortalLogin(options); });
}

}  // namespace kestrel
