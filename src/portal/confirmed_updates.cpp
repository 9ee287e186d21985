#include "portal/confirmed_updates.h"

#include "entry/error_log.h"
#include "entry/mod_it_main.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLockFile>
#include <QSet>
#include <QUuid>

#include <fcntl.h>
#include <unistd.h>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace kestrel {

namespace {

// How many clients a message names before it only counts the rest.
constexpr int NamedInMessage = 25;

constexpr QFileDevice::Permissions OwnerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
constexpr QFileDevice::Permissions GroupOrOthers = QFileDevice::ReadGroup | QFileDevice::WriteGroup |
                                                   QFileDevice::ExeGroup | QFileDevice::ReadOther |
                                                   QFileDevice::WriteOther | QFileDevice::ExeOther;

[[noreturn]] void raiseFileError(const QString& path, const QString& reason) {
  throw RuntimeError(errnum::PathFileAccess, path + QStringLiteral(": ") + reason, QStringLiteral("Kestrel"));
}

[[noreturn]] void raiseFileError(const QFile& file) {
  raiseFileError(file.fileName(), file.errorString());
}

[[noreturn]] void raiseErrno(const QString& path) {
  raiseFileError(path, QString::fromLocal8Bit(std::strerror(errno)));
}

void syncToDisk(QFile& file) {
  if (!file.flush() || ::fsync(file.handle()) != 0)
    raiseFileError(file);
}

// A rename is on disk once the folder that holds the name is.
void syncFolder(const QString& path) {
  const int fd =
      ::open(QFile::encodeName(QFileInfo(path).absolutePath()).constData(), O_RDONLY | O_DIRECTORY);
  if (fd >= 0) {
    ::fsync(fd);
    ::close(fd);
  }
}

void openForWriting(QFile& file, QIODevice::OpenMode mode) {
  QDir().mkpath(QFileInfo(file.fileName()).absolutePath());
  if (!file.open(mode | QIODevice::WriteOnly, OwnerOnly))
    raiseFileError(file);
  // A journal left by an older version, or copied in, is made private as well.
  if ((file.permissions() & GroupOrOthers) && !file.setPermissions(OwnerOnly))
    raiseFileError(file);
}

// Another instance of the module on the same suite home must not compact away a record this
// one is appending.
void lockJournal(QLockFile& lock) {
  QDir().mkpath(QFileInfo(lock.fileName()).absolutePath());
  if (!lock.lock())
    raiseFileError(lock.fileName(), QStringLiteral("cannot be locked"));
}

QByteArray confirmedLine(const ConfirmedUpdate& u) {
  const QJsonObject record{{QStringLiteral("confirmed"), u.id},
                           {QStringLiteral("code"), u.code},
                           {QStringLiteral("name"), u.name},
                           {QStringLiteral("EmailID"), u.values.eMail},
                           {QStringLiteral("MobNo"), u.values.mobile},
                           {QStringLiteral("EmailId1"), u.values.secondaryDetails},
                           {QStringLiteral("MobNo1"), u.values.secondaryMobile}};
  return QJsonDocument(record).toJson(QJsonDocument::Compact) + '\n';
}

}  // namespace

ConfirmedUpdateJournal::ConfirmedUpdateJournal(QString path) : path_(std::move(path)) {}

QString ConfirmedUpdateJournal::pathIn(const QString& suiteHome) {
  return suiteHome + QStringLiteral("/Data/confirmed-updates.journal");
}

ConfirmedUpdateJournal ConfirmedUpdateJournal::ofSuite() {
  return ConfirmedUpdateJournal(pathIn(Base().ExePath()));
}

void ConfirmedUpdateJournal::append(const QByteArray& line) {
  QLockFile lock(path_ + QStringLiteral(".lock"));
  lockJournal(lock);
  QFile file(path_);
  openForWriting(file, QIODevice::Append);
  QByteArray data = line;
  // A line cut off by a crash must not swallow the record written after it.
  if (file.size() > 0) {
    QFile tail(path_);
    if (tail.open(QIODevice::ReadOnly) && tail.seek(tail.size() - 1) && tail.read(1) != "\n")
      data.prepend('\n');
  }
  if (file.write(data) != data.size())
    raiseFileError(file);
  syncToDisk(file);
}

void ConfirmedUpdateJournal::addConfirmed(ConfirmedUpdate& update) {
  update.id = QUuid::createUuid().toString(QUuid::WithoutBraces);
  append(confirmedLine(update));
}

void ConfirmedUpdateJournal::markSaved(const QString& id) {
  append(QJsonDocument(QJsonObject{{QStringLiteral("saved"), id}}).toJson(QJsonDocument::Compact) + '\n');
}

std::vector<ConfirmedUpdate> ConfirmedUpdateJournal::pending() const {
  QFile file(path_);
  if (!file.exists())
    return {};
  if (!file.open(QIODevice::ReadOnly))
    raiseFileError(file);
  std::vector<ConfirmedUpdate> confirmed;
  QHash<QString, size_t> latestOfCode;
  QSet<QString> saved;
  while (!file.atEnd()) {
    const QJsonObject record = QJsonDocument::fromJson(file.readLine()).object();
    const auto text = [&](const char* key) { return record.value(QLatin1String(key)).toString(); };
    if (record.contains(QLatin1String("saved"))) {
      saved.insert(text("saved"));
    } else if (record.contains(QLatin1String("confirmed"))) {
      latestOfCode.insert(text("code"), confirmed.size());
      confirmed.push_back({text("confirmed"),
                           text("code"),
                           text("name"),
                           {text("EmailID"), text("MobNo"), text("EmailId1"), text("MobNo1")}});
    }
  }
  std::vector<ConfirmedUpdate> open;
  for (size_t i = 0; i < confirmed.size(); ++i) {
    if (latestOfCode.value(confirmed[i].code) == i && !saved.contains(confirmed[i].id))
      open.push_back(std::move(confirmed[i]));
  }
  return open;
}

void ConfirmedUpdateJournal::compact() {
  QLockFile lock(path_ + QStringLiteral(".lock"));
  lockJournal(lock);
  const std::vector<ConfirmedUpdate> open = pending();
  if (open.empty()) {
    QFile file(path_);
    if (file.exists() && !file.remove())
      raiseFileError(file);
    return;
  }
  // Written aside and renamed over the journal, so that a crash leaves the old or the new one.
  const QString fresh = path_ + QStringLiteral(".new");
  {
    QFile file(fresh);
    openForWriting(file, QIODevice::Truncate);
    for (const ConfirmedUpdate& u : open) {
      const QByteArray line = confirmedLine(u);
      if (file.write(line) != line.size())
        raiseFileError(file);
    }
    syncToDisk(file);
  }
  if (std::rename(QFile::encodeName(fresh).constData(), QFile::encodeName(path_).constData()) != 0)
    raiseErrno(path_);
  syncFolder(path_);
}

bool SaveConfirmedUpdate(ConfirmedUpdateJournal& journal, const ConfirmedUpdate& update) {
  ErrorTrap trap(u"frmKestrel", u"UpdateITRDetails");
  const QString sql =
      trap.value([&] { return RegistrationUpdateSql(Base(), update.code, update.values); }, QString());
  if (sql.isEmpty() || !trap([&] { Base().ConQuery(sql); }) ||
      !trap([] { Base().ConQuery(QStringLiteral("Flush Tables")); }))
    return false;
  // Not marked, the record is written once more later, with the same values.
  if (!update.id.isEmpty())
    trap([&] { journal.markSaved(update.id); });
  return true;
}

PendingSaveResult SavePendingConfirmations(ConfirmedUpdateJournal& journal) {
  ErrorTrap trap(u"frmKestrel", u"SaveConfirmedDetails");
  PendingSaveResult result;
  const std::vector<ConfirmedUpdate> open =
      trap.value([&] { return journal.pending(); }, std::vector<ConfirmedUpdate>{});
  for (const ConfirmedUpdate& update : open)
    (SaveConfirmedUpdate(journal, update) ? result.saved : result.unsaved).push_back(update);
  trap([&] { journal.compact(); });
  return result;
}

QString UnsavedConfirmationsMessage(const std::vector<ConfirmedUpdate>& unsaved) {
  QString text = QStringLiteral(
      "The portal confirmed the new contact details of these clients, but they could not be saved in "
      "the software:\n\n");
  const int count = int(unsaved.size());
  for (int i = 0; i < count && i < NamedInMessage; ++i)
    text += unsaved[size_t(i)].code + QStringLiteral("  ") + unsaved[size_t(i)].name + QLatin1Char('\n');
  if (count > NamedInMessage)
    text += QStringLiteral("... and %1 more\n").arg(count - NamedInMessage);
  text += QStringLiteral(
      "\nThey are kept, and saved when the clients are loaded again or with \"Save Confirmed Details\".");
  return text;
}

}  // namespace kestrel
