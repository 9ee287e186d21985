#include "hosting_requests.h"

#include "register/edit_rules.h"

#include <QUrl>

namespace kestrel::mail {

namespace {

// A query value: UTF-8, everything but letters, digits and "-._~" percent-encoded.
QString encoded(const QString& value) {
  return QString::fromLatin1(QUrl::toPercentEncoding(value));
}

QString lowered(const QString& value) {
  return encoded(value.trimmed().toLower());
}

}  // namespace

bool IsHostingSuccess(const QString& result) {
  return result.startsWith(QLatin1String("SUCCESS:"));
}

QString HostingBaseAddress(const QString& hostField) {
  QString base = hostField.trimmed();
  if (!base.endsWith(QLatin1Char('/')))
    base += QLatin1Char('/');
  // On a numeric address the pages lie in the hosting account's user directory.
  if (LeadingNumber(QStringView(base).left(3)) > 0)
    base += QLatin1String("~tolvenar/");
  const QString upper = base.toUpper();
  if (!upper.startsWith(QLatin1String("HTTP://")) && !upper.startsWith(QLatin1String("HTTPS://")))
    base.prepend(QLatin1String("http://"));
  return base;
}

QString NewMailboxRequest(const QString& base, const QString& mailbox, const QString& password,
                          const QString& retypedPassword, const QString& domain) {
  return base + QLatin1String("index.php?user=") + lowered(mailbox) + QLatin1String("&pass=") +
         encoded(password) + QLatin1String("&vpass=") + encoded(retypedPassword) +
         QLatin1String("&email_domain=") + lowered(domain) + QLatin1String("&forward=&submit=Create+Email");
}

QString ForwarderRequest(const QString& base, const QString& alias, const QString& forwardUser,
                         const QString& domain) {
  return base + QLatin1String("addforwarder.php?user=") + lowered(alias) + QLatin1String("&email_domain=") +
         lowered(domain) + QLatin1String("&forward=") + lowered(forwardUser) + QLatin1Char('@') +
         encoded(domain) + QLatin1String("&submit=ADD+Forwarder");
}

QString JudgeMailboxAnswer(const QString& page, const QString& mailbox, const QString& domain) {
  const QString text = page.toLower();
  const QString address = mailbox + QLatin1Char('@') + domain;
  if (text.contains(QLatin1String("account created")))
    return QLatin1String("SUCCESS: ") + address + QLatin1String(" created.");
  if (text.contains(QLatin1String("already exists!")))
    return QLatin1String("FAILED: The ") + address + QLatin1String(" already exists!");
  return {};
}

QString JudgeForwarderAnswer(const QString& page, const QString& alias, const QString& forwardUser,
                             const QString& domain) {
  const QString text = page.toLower();
  const QString target = forwardUser + QLatin1Char('@') + domain;
  if (text.contains((QLatin1String("forward to ") + target).toLower()))
    return QLatin1String("SUCCESS: ") + alias + QLatin1Char('@') + domain + QLatin1String(" forward to ") +
           target;
  if (text.contains(QLatin1String("email not created")))
    return QLatin1String("FAILED: The ") + target + QLatin1String(" email not created!");
  return {};
}

}  // namespace kestrel::mail
