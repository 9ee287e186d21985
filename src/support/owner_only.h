#pragma once

#include <QFileDevice>
#include <QString>

namespace kestrel {

// Files and folders that hold clients' portal passwords and PANs (the store, the error log,
// the settings and scratch files) are readable by their owner only.
inline constexpr QFileDevice::Permissions OwnerOnlyFile = QFileDevice::ReadOwner | QFileDevice::WriteOwner;

// Creates the folder and any missing parent owner-only (0700); a folder that exists already is
// made owner-only when others may enter it. False when it cannot be created.
bool MakeOwnerOnlyFolder(const QString& path);

// Creates an empty owner-only file (0600) when none exists; an existing file is left as it is.
// False when it cannot be created.
bool CreateOwnerOnlyFile(const QString& path);

}  // namespace kestrel
