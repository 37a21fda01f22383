#pragma once

#include <QString>

namespace pluvix::platform {

// The user's own folder for downloads and other temporary files, kept across log-outs:
// $XDG_CACHE_HOME (else ~/.cache) + "/<app>/tmp/", private to the user (mode 0700). A folder
// that is a symbolic link or belongs to someone else is never used; a fresh private folder in
// the system's temporary folder is made instead. Ends in "/". Throws core::RuntimeError 75
// when no usable folder can be made.
QString userTempPath(const QString& appName);

// Makes path (made if missing) a folder of this user that only this user can enter (mode 0700).
// False for a link, someone else's folder, or anything but a folder.
bool makePrivateFolder(const QString& path);

} // namespace pluvix::platform
