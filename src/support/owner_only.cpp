#include "support/owner_only.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>
#include <unistd.h>

namespace kestrel {

namespace {
constexpr QFileDevice::Permissions OwnerOnlyFolder =
    QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner;
constexpr QFileDevice::Permissions OthersAccess = QFileDevice::ReadGroup | QFileDevice::WriteGroup |
                                                  QFileDevice::ExeGroup | QFileDevice::ReadOther |
                                                  QFileDevice::WriteOther | QFileDevice::ExeOther;

// Folders others rely on keep their permissions whatever path a setting names.
bool IsSharedFolder(const QString& folder) {
  if (folder == QDir::rootPath() || folder == QDir::cleanPath(QDir::homePath()))
    return true;
  struct stat st {};
  if (::stat(QFile::encodeName(folder).constData(), &st) != 0)
    return true;
  return (st.st_mode & S_ISVTX) != 0 || st.st_uid != ::geteuid();
}
}  // namespace

bool MakeOwnerOnlyFolder(const QString& path, ExistingFolder existing) {
  const QString folder = QDir::cleanPath(QDir(path).absolutePath());
  const QFileInfo info(folder);
  if (info.isDir()) {
    if (existing == ExistingFolder::Tighten && (info.permissions() & OthersAccess) && !IsSharedFolder(folder))
      return QFile::setPermissions(folder, OwnerOnlyFolder);
    return true;
  }
  const QString parent = info.absolutePath();
  if (parent != folder && !QFileInfo(parent).isDir() && !MakeOwnerOnlyFolder(parent, ExistingFolder::Leave))
    return false;
  return QDir().mkdir(folder, OwnerOnlyFolder) || QFileInfo(folder).isDir();
}

bool CreateOwnerOnlyFile(const QString& path) {
  if (QFileInfo::exists(path))
    return true;
  QFile file(path);
  return file.open(QIODevice::WriteOnly | QIODevice::NewOnly, OwnerOnlyFile) || QFileInfo::exists(path);
}

}  // namespace kestrel
