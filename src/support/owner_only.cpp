#include "support/owner_only.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace kestrel {

namespace {
constexpr QFileDevice::Permissions OwnerOnlyFolder =
    QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner;
constexpr QFileDevice::Permissions OthersAccess = QFileDevice::ReadGroup | QFileDevice::WriteGroup |
                                                  QFileDevice::ExeGroup | QFileDevice::ReadOther |
                                                  QFileDevice::WriteOther | QFileDevice::ExeOther;
}  // namespace

bool MakeOwnerOnlyFolder(const QString& path) {
  const QString folder = QDir::cleanPath(QDir(path).absolutePath());
  const QFileInfo info(folder);
  if (info.isDir()) {
    if (info.permissions() & OthersAccess)
      return QFile::setPermissions(folder, OwnerOnlyFolder);
    return true;
  }
  const QString parent = info.absolutePath();
  if (parent != folder && !QFileInfo(parent).isDir() && !MakeOwnerOnlyFolder(parent))
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
