#pragma once

#include <QString>

namespace pluvix::platform {

// The user's own folder for downloads and other temporary files, kept across log-outs:
// $XDG_CACHE_HOME (else ~/.cache) + "/<app>/tmp/", private to the user (mode 0700). A folder
// that is a symbolic link or belongs to someone else is never used; a fresh private folder in
// the system's temporary folder is made instead. Ends in "/". Throws core::RuntimeError 75
// when no usable folder can be made.
QString userTempPath(const QString& appName);

// Makes path (its parent must exist) a folder of the user's alone, mode 0700, and opens it. A
// link, another user's folder or anything but a folder is refused, untouched: -1. The checks
// and the change of mode work on the opened folder, so a link swapped in between cannot
// redirect them.
int openPrivateFolder(const QString& path);
// The same without keeping the folder open.
bool makePrivateFolder(const QString& path);

} // namespace pluvix::platform
