#include "platform/TempFolder.h"

#include "core/RuntimeError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pluvix::platform {

namespace {

QString folderName(const QString& appName) {
    QString name = appName.toLower();
    name.replace(u'/', u'_');
    if (name.isEmpty() || name == u"." || name == u"..")
        return QStringLiteral("pluvix");
    return name;
}

QString cacheHome() {
    // Relative values are invalid and must be ignored.
    const QString xdg = qEnvironmentVariable("XDG_CACHE_HOME");
    if (!xdg.isEmpty() && QDir::isAbsolutePath(xdg))
        return xdg;
    return QDir::homePath() + QStringLiteral("/.cache");
}

} // namespace

int openPrivateFolder(const QString& path) {
    const QByteArray native = QFile::encodeName(path);
    if (::mkdir(native.constData(), 0700) != 0 && errno != EEXIST)
        return -1;
    const int fd = ::open(native.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return -1;
    struct stat st {};
    bool ok = ::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid();
    if (ok && (st.st_mode & 07777) != 0700)
        ok = ::fchmod(fd, 0700) == 0;
    if (!ok) {
        ::close(fd);
        return -1;
    }
    return fd;
}

bool makePrivateFolder(const QString& path) {
    const int fd = openPrivateFolder(path);
    if (fd < 0)
        return false;
    ::close(fd);
    return true;
}

QString userTempPath(const QString& appName) {
    const QString base = cacheHome() + u'/' + folderName(appName);
    if (QDir().mkpath(base)) {
        const QString path = base + QStringLiteral("/tmp");
        if (makePrivateFolder(path))
            return path + u'/';
    }

    // With TMPDIR naming a missing folder the system's folder is empty or not there; the root
    // folder is never a fallback.
    const QString systemTemp = QDir::tempPath();
    if (systemTemp.isEmpty() || !QDir::isAbsolutePath(systemTemp) || QDir(systemTemp).isRoot() ||
        !QFileInfo(systemTemp).isDir())
        throw core::RuntimeError::pathFileAccess();
    QByteArray pattern =
        QFile::encodeName(systemTemp + u'/' + folderName(appName) + QStringLiteral("-XXXXXX"));
    if (::mkdtemp(pattern.data()))
        return QFile::decodeName(pattern) + u'/';
    throw core::RuntimeError::pathFileAccess();
}

} // namespace pluvix::platform
