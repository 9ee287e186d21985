#include "dovecot_files.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

namespace kestrel::hostingsim {

namespace {

// Holds an exclusive lock on a side file for as long as it lives.
class FileLock {
 public:
  explicit FileLock(const QString& path) {
    fd_ = ::open(QFile::encodeName(path).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd_ >= 0 && ::flock(fd_, LOCK_EX) != 0) {
      ::close(fd_);
      fd_ = -1;
    }
  }
  ~FileLock() {
    if (fd_ >= 0) {
      ::flock(fd_, LOCK_UN);
      ::close(fd_);
    }
  }
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;
  bool held() const { return fd_ >= 0; }

 private:
  int fd_ = -1;
};

QString passwordField(const QString& password) {
  const bool plain = std::none_of(password.begin(), password.end(), [](QChar c) {
    return c == QLatin1Char(':') || c.unicode() < 0x20 || c.unicode() == 0x7f;
  });
  if (plain)
    return QStringLiteral("{PLAIN}") + password;
  return QStringLiteral("{PLAIN.HEX}") + QString::fromLatin1(password.toUtf8().toHex());
}

// Run as root, a new Maildir belongs to the owner of the mail folder, as whom the mail server
// reads it.
void handOver(const QString& root, const QStringList& paths) {
  struct stat owner {};
  if (::geteuid() != 0 || ::stat(QFile::encodeName(root).constData(), &owner) != 0 || owner.st_uid == 0)
    return;
  for (const QString& path : paths)
    if (::chown(QFile::encodeName(path).constData(), owner.st_uid, owner.st_gid) != 0)
      return;
}

// Replaces `file` with `bytes` in one step, readable by its owner only.
QString replaceFile(const QString& path, const QByteArray& bytes) {
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly))
    return QStringLiteral("cannot write %1: %2").arg(path, file.errorString());
  file.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
  file.write(bytes);
  if (!file.flush() || ::fsync(file.handle()) != 0 || !file.commit())
    return QStringLiteral("cannot write %1: %2").arg(path, file.errorString());
  return {};
}

}  // namespace

DovecotFiles::DovecotFiles(QString passwdFile, QString maildirRoot)
    : passwdFile_(std::move(passwdFile)), maildirRoot_(std::move(maildirRoot)) {}

QString DovecotFiles::addMailbox(const QString& user, const QString& domain, const QString& password) const {
  const QString address = user + QLatin1Char('@') + domain;
  const QString home = QDir(maildirRoot_).absoluteFilePath(domain + QLatin1Char('/') + user);
  for (const char* sub : {"cur", "new", "tmp"}) {
    if (!QDir().mkpath(home + QLatin1Char('/') + QLatin1String(sub)))
      return QStringLiteral("cannot create the Maildir ") + home;
  }
  QFile::setPermissions(home, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  handOver(maildirRoot_, {home, home + QStringLiteral("/cur"), home + QStringLiteral("/new"),
                          home + QStringLiteral("/tmp")});

  const FileLock lock(passwdFile_ + QStringLiteral(".lock"));
  if (!lock.held())
    return QStringLiteral("cannot lock ") + passwdFile_;
  QByteArray kept;
  QFile current(passwdFile_);
  if (current.exists()) {
    if (!current.open(QIODevice::ReadOnly))
      return QStringLiteral("cannot read %1: %2").arg(passwdFile_, current.errorString());
    const QByteArray prefix = address.toUtf8() + ':';
    for (const QByteArray& line : current.readAll().split('\n')) {
      if (!line.isEmpty() && !line.startsWith(prefix))
        kept += line + '\n';
    }
    current.close();
  }
  const QString line = address + QLatin1Char(':') + passwordField(password) + QStringLiteral("::::") + home +
                       QStringLiteral("::userdb_mail=maildir:") + home + QLatin1Char('\n');
  return replaceFile(passwdFile_, kept + line.toUtf8());
}

QString DovecotFiles::addForwarder(const QString& alias, const QString& to) const {
  if (!QDir().mkpath(maildirRoot_))
    return QStringLiteral("cannot create ") + maildirRoot_;
  const QString map = QDir(maildirRoot_).absoluteFilePath(QStringLiteral("virtual"));
  const FileLock lock(map + QStringLiteral(".lock"));
  if (!lock.held())
    return QStringLiteral("cannot lock ") + map;
  QByteArray lines;
  QFile current(map);
  if (current.exists()) {
    if (!current.open(QIODevice::ReadOnly))
      return QStringLiteral("cannot read %1: %2").arg(map, current.errorString());
    lines = current.readAll();
    current.close();
  }
  const QByteArray line = (alias + QLatin1Char(' ') + to).toUtf8();
  if (lines.split('\n').contains(line))
    return {};
  return replaceFile(map, lines + line + '\n');
}

}  // namespace kestrel::hostingsim
