#include "pin_mail.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRandomGenerator>

#include <sys/stat.h>
#include <unistd.h>

namespace kestrel::sim {

namespace {

constexpr int AliasDepth = 5;

// The alias map: address -> the addresses it forwards to.
QMultiHash<QString, QString> readAliasMap(const QString& file) {
  QMultiHash<QString, QString> map;
  QFile f(file);
  if (!f.open(QIODevice::ReadOnly))
    return map;
  for (const QByteArray& line : f.readAll().split('\n')) {
    const QStringList parts = QString::fromUtf8(line).simplified().split(QLatin1Char(' '));
    if (parts.size() == 2)
      map.insert(parts[0].toLower(), parts[1].toLower());
  }
  return map;
}

// Run as root, a delivered message belongs to the owner of its Maildir, as whom the mail
// server reads it.
void handOver(const QString& maildir, const QString& file) {
  struct stat owner {};
  if (::geteuid() == 0 && ::stat(QFile::encodeName(maildir).constData(), &owner) == 0 && owner.st_uid != 0)
    (void)::chown(QFile::encodeName(file).constData(), owner.st_uid, owner.st_gid);
}

bool safePart(const QString& part) {
  return !part.isEmpty() && part != QLatin1String(".") && part != QLatin1String("..") &&
         !part.contains(QLatin1Char('/')) && !part.contains(QLatin1Char('\\'));
}

QByteArray encodedWords(const QString& text) {
  return "=?UTF-8?B?" + text.toUtf8().toBase64() + "?=";
}

}  // namespace

MailDrop::MailDrop(QString root) : root_(std::move(root)) {}

QStringList MailDrop::maildirsFor(const QString& address) const {
  const QMultiHash<QString, QString> aliases = readAliasMap(root_ + QStringLiteral("/virtual"));
  QStringList found;
  QStringList level{address.trimmed().toLower()};
  QStringList seen;
  for (int depth = 0; depth <= AliasDepth && !level.isEmpty(); ++depth) {
    QStringList next;
    for (const QString& a : std::as_const(level)) {
      if (seen.contains(a))
        continue;
      seen << a;
      const QString user = a.section(QLatin1Char('@'), 0, 0);
      const QString domain = a.section(QLatin1Char('@'), 1);
      const QString maildir = root_ + QLatin1Char('/') + domain + QLatin1Char('/') + user;
      if (safePart(user) && safePart(domain) && QFileInfo(maildir + QStringLiteral("/new")).isDir() &&
          !found.contains(maildir))
        found << maildir;
      next += aliases.values(a);
    }
    level = next;
  }
  return found;
}

QStringList MailDrop::deliver(const QString& address, const QByteArray& message, QString* problem) const {
  QStringList reached;
  static int counter = 0;
  for (const QString& maildir : maildirsFor(address)) {
    const QString name = QStringLiteral("%1.M%2P%3Q%4R%5.portal-sim")
                             .arg(QDateTime::currentSecsSinceEpoch())
                             .arg(QDateTime::currentDateTime().time().msec())
                             .arg(QCoreApplication::applicationPid())
                             .arg(++counter)
                             .arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'));
    const QString tmp = maildir + QStringLiteral("/tmp/") + name;
    QFile file(tmp);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly) || file.write(message) != message.size() ||
        !file.flush()) {
      *problem = QStringLiteral("cannot write %1: %2").arg(tmp, file.errorString());
      continue;
    }
    file.close();
    handOver(maildir, tmp);
    if (!QFile::rename(tmp, maildir + QStringLiteral("/new/") + name)) {
      *problem = QStringLiteral("cannot move %1 into new/").arg(tmp);
      QFile::remove(tmp);
      continue;
    }
    reached << maildir;
  }
  return reached;
}

QByteArray PinMessage(const QString& to, const QString& pan, const QString& emailPin, qint64 validMinutes,
                      const QDateTime& sent) {
  const QByteArray boundary = "pin-" + QByteArray::number(QRandomGenerator::global()->generate64(), 36);
  const QByteArray masked = (pan.left(2) + QStringLiteral("XXXXX") + pan.right(3)).toUtf8();
  const QByteArray minutes = QByteArray::number(validMinutes);
  const QByteArray text = "Dear Taxpayer,\r\n\r\nA request to update the contact details of PAN " + masked +
                          " was received on the e-Filing portal.\r\n\r\nThe PIN for this e-mail ID is " +
                          emailPin.toUtf8() + ". It is valid for " + minutes +
                          " minutes. Do not share it with anyone.\r\n\r\nThe PIN for the mobile number was "
                          "sent by SMS.\r\n\r\nRegards,\r\ne-Filing Portal (simulated)\r\n";
  const QByteArray html =
      "<html><body style=\"font-family:sans-serif\"><p>Dear Taxpayer,</p><p>A request to update the contact "
      "details of PAN <b>" +
      masked +
      "</b> was received on the e-Filing portal.</p><p>The PIN for this e-mail ID is</p>"
      "<p style=\"font-size:20px\"><b>" +
      emailPin.toUtf8() + "</b></p><p>It is valid for " + minutes +
      " minutes. Do not share it with anyone. The PIN for the mobile number was sent by SMS.</p>"
      "<p>Regards,<br>e-Filing Portal (simulated)</p></body></html>\r\n";
  return "From: " + encodedWords(QStringLiteral("e-Filing Portal")) +
         " <donotreply@efiling.invalid>\r\nTo: " + to.toUtf8() +
         "\r\nSubject: PIN for updating contact details of PAN " + masked +
         "\r\nDate: " + sent.toString(Qt::RFC2822Date).toUtf8() + "\r\nMessage-ID: <" + boundary +
         "@efiling.invalid>\r\nMIME-Version: 1.0\r\nContent-Type: multipart/alternative; boundary=\"" +
         boundary + "\"\r\n\r\n--" + boundary + "\r\nContent-Type: text/plain; charset=utf-8\r\n\r\n" + text +
         "--" + boundary + "\r\nContent-Type: text/html; charset=utf-8\r\n\r\n" + html + "--" + boundary +
         "--\r\n";
}

}  // namespace kestrel::sim
