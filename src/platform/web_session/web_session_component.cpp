#include "web_session_component.h"

#include "http_web_session.h"

#include <QFile>
#include <QRegularExpression>

namespace kestrel {

WebSessionOptions WebSessionOptionsFromEnvironment(QStringList* problems) {
  WebSessionOptions options;
  auto problem = [&](const QString& text) {
    if (problems)
      problems->append(text);
  };

  const QString caFile = qEnvironmentVariable("KESTREL_HOSTING_CA").trimmed();
  if (!caFile.isEmpty()) {
    QFile file(caFile);
    if (!file.open(QIODevice::ReadOnly)) {
      problem(QStringLiteral("KESTREL_HOSTING_CA: cannot read %1: %2").arg(caFile, file.errorString()));
    } else {
      options.extraCaCertificates = QSslCertificate::fromData(file.readAll(), QSsl::Pem);
      if (options.extraCaCertificates.isEmpty())
        problem(QStringLiteral("KESTREL_HOSTING_CA: no PEM certificate in ") + caFile);
    }
  }

  const QString timeout = qEnvironmentVariable("KESTREL_HOSTING_TIMEOUT_MS").trimmed();
  if (!timeout.isEmpty()) {
    bool ok = false;
    const int ms = timeout.toInt(&ok);
    if (ok && ms > 0)
      options.timeoutMs = ms;
    else
      problem(QStringLiteral("KESTREL_HOSTING_TIMEOUT_MS is not a positive number: ") + timeout);
  }
  return options;
}

std::shared_ptr<WebSession> makeWebSession(const WebSessionOptions& options) {
  return std::make_shared<websession::HttpWebSession>(options);
}

void registerWebSession(const WebSessionOptions& options) {
  ObjectRegistry::instance().registerFactory(QString::fromLatin1(WebSession::ProgId),
                                             [options] { return makeWebSession(options); });
}

QString RedactPasswords(QString text) {
  // A key starts the text or follows a character that cannot be part of a longer name ("&",
  // "?", a blank), in an address given plainly or percent-encoded once or twice (a redirect's
  // way back carries the request inside its own query).
  static const QRegularExpression key(
      QStringLiteral("(?:^|[^a-z0-9_%]|%26|%2526|%3f|%253f)v?pass(=|%3d|%253d)"),
      QRegularExpression::CaseInsensitiveOption);
  static const QRegularExpression plainEnd(QStringLiteral("[&\\s#\"'<>]"));
  qsizetype from = 0;
  for (QRegularExpressionMatch m = key.match(text, from); m.hasMatch(); m = key.match(text, from)) {
    const qsizetype valueStart = m.capturedEnd();
    // The value ends where its own encoding's "&" begins.
    const QString equals = m.captured(1).toLower();
    qsizetype valueEnd = text.indexOf(plainEnd, valueStart);
    if (valueEnd < 0)
      valueEnd = text.size();
    if (equals != QLatin1String("=")) {
      const QString ampersand =
          equals == QLatin1String("%3d") ? QStringLiteral("%26") : QStringLiteral("%2526");
      const qsizetype encodedEnd = text.indexOf(ampersand, valueStart, Qt::CaseInsensitive);
      if (encodedEnd >= 0 && encodedEnd < valueEnd)
        valueEnd = encodedEnd;
    }
    text.replace(valueStart, valueEnd - valueStart, QStringLiteral("***"));
    from = valueStart + 3;
  }
  return text;
}

}  // namespace kestrel
