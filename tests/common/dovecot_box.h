#pragma once

// The private Dovecot server that scripts/test.sh starts (scripts/dovecot.sh), as the tests and
// benchmarks use it: add a user with an empty mailbox, deliver messages into it.
#include <QByteArray>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QString>

#include <optional>

#include <sys/stat.h>
#include <unistd.h>

namespace kestrel::testing {

struct DovecotBox {
  QString dir;
  int pop3Port = 0;
  int pop3sPort = 0;

  QString caFile() const { return dir + QStringLiteral("/ca.crt"); }
  QString mailDir(const QString& user) const {
    return dir + QStringLiteral("/mail/") + user + QStringLiteral("/Maildir");
  }
  // Lines the server wrote about logins, for counting them.
  QString infoLog() const { return dir + QStringLiteral("/log/info.log"); }

  // KESTREL_TEST_DOVECOT (the server's folder), KESTREL_TEST_POP3_PORT, KESTREL_TEST_POP3S_PORT;
  // nothing when the server is not configured.
  static std::optional<DovecotBox> fromEnvironment() {
    DovecotBox box{qEnvironmentVariable("KESTREL_TEST_DOVECOT"),
                   qEnvironmentVariableIntValue("KESTREL_TEST_POP3_PORT"),
                   qEnvironmentVariableIntValue("KESTREL_TEST_POP3S_PORT")};
    if (box.dir.isEmpty() || box.pop3Port <= 0 || box.pop3sPort <= 0 ||
        !QDir(box.dir + QStringLiteral("/users")).exists())
      return std::nullopt;
    return box;
  }

  // Adds the user, or gives an existing one this password and an empty mailbox.
  bool addUser(const QString& user, const QString& password) const {
    const QByteArray entry = user.toUtf8() + ":{PLAIN.b64}" + password.toUtf8().toBase64() + "::::::\n";
    // Replaced in one step, so the server never reads half a file.
    QSaveFile file(dir + QStringLiteral("/users/") + user);
    if (!file.open(QIODevice::WriteOnly) || file.write(entry) != entry.size() || !file.commit())
      return false;
    const QString home = dir + QStringLiteral("/mail/") + user;
    QDir(home).removeRecursively();
    for (const char* sub : {"/new", "/cur", "/tmp"})
      if (!QDir().mkpath(mailDir(user) + QLatin1String(sub)))
        return false;
    return handOver(home) && handOver(mailDir(user)) && handOver(mailDir(user) + QStringLiteral("/new")) &&
           handOver(mailDir(user) + QStringLiteral("/cur")) &&
           handOver(mailDir(user) + QStringLiteral("/tmp"));
  }

  // Delivers one message: written under tmp/, then moved into new/ in one step.
  bool deliver(const QString& user, const QByteArray& message) const {
    static int counter = 0;
    const QDateTime now = QDateTime::currentDateTimeUtc();
    const QString name = QStringLiteral("%1.M%2P%3Q%4.kestrel")
                             .arg(now.toSecsSinceEpoch())
                             .arg(now.time().msec())
                             .arg(QCoreApplication::applicationPid())
                             .arg(++counter);
    const QString tmp = mailDir(user) + QStringLiteral("/tmp/") + name;
    QFile file(tmp);
    if (!file.open(QIODevice::WriteOnly) || file.write(message) != message.size())
      return false;
    file.close();
    return handOver(tmp) && QFile::rename(tmp, mailDir(user) + QStringLiteral("/new/") + name);
  }

 private:
  // The mail belongs to whoever owns the server's mail folder (see scripts/dovecot.sh).
  bool handOver(const QString& path) const {
    struct stat owner {};
    if (::stat(QFile::encodeName(dir + QStringLiteral("/mail")).constData(), &owner) != 0)
      return false;
    return ::chown(QFile::encodeName(path).constData(), owner.st_uid, owner.st_gid) == 0;
  }
};

}  // namespace kestrel::testing
