#pragma once

#include <QFileDevice>
#include <QString>

namespace kestrel {

// Files and folders that hold clients' portal passwords and PANs (the store, the error log,
// the settings and scratch files) are readable by their owner only.
inline constexpr QFileDevice::Permissions OwnerOnlyFile = QFileDevice::ReadOwner | QFileDevice::WriteOwner;

enum class ExistingFolder {
  Tighten,  // a folder of Kestrel's own (the suite home and its folders): others lose their access
  Leave,    // a folder the user named for a file (the store, a settings file): left as it is
};

// Creates the folder and any missing parent owner-only (0700). A folder that exists already is
// made owner-only when `existing` says so and others may enter it, but never a shared folder
// (sticky, like /tmp), the user's home, the root or a folder someone else owns.
// False when it cannot be created.
bool MakeOwnerOnlyFolder(const QString& path, ExistingFolder existing = ExistingFolder::Tighten);

// Creates an empty owner-only file (0600) when none exists; an existing file is left as it is.
// False when it cannot be created.
bool CreateOwnerOnlyFile(const QString& path);

}  // namespace kestrel
