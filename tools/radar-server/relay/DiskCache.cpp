#include "DiskCache.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSaveFile>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pluvix::radarserver::relay {

namespace {

bool safeName(const QString& name) {
    static const QRegularExpression allowed(QStringLiteral("^[A-Za-z0-9_.-]{1,100}$"));
    return allowed.match(name).hasMatch() && !name.startsWith(u'.');
}

} // namespace

DiskCache::DiskCache(const QString& folder, qint64 maxBytes, qint64 maxFileBytes)
    : m_folder(folder), m_maxBytes(maxBytes), m_maxFileBytes(maxFileBytes) {
    if (folder.isEmpty() || !QDir().mkpath(folder))
        return;
    const QByteArray path = QFile::encodeName(folder);
    struct stat st {};
    if (::lstat(path.constData(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::geteuid())
        return;
    if ((st.st_mode & 077) != 0 && ::chmod(path.constData(), 0700) != 0)
        return;
    m_usable = true;
    for (const QFileInfo& f : QDir(folder).entryInfoList(QDir::Files | QDir::Hidden))
        m_total += f.size();
    trim();
}

std::optional<QByteArray> DiskCache::find(const QString& name) const {
    if (!m_usable || !safeName(name))
        return std::nullopt;
    const int fd = ::open(QFile::encodeName(m_folder + u'/' + name).constData(),
                          O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    struct stat st {};
    QByteArray data;
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size <= m_maxFileBytes) {
        data.resize(st.st_size);
        qsizetype got = 0;
        while (got < data.size()) {
            const ssize_t n = ::read(fd, data.data() + got, size_t(data.size() - got));
            if (n <= 0)
                break;
            got += n;
        }
        data.truncate(got == data.size() ? got : 0);
    }
    ::close(fd);
    if (data.isEmpty())
        return std::nullopt;
    return data;
}

void DiskCache::insert(const QString& name, const QByteArray& data) {
    if (!m_usable || !safeName(name) || data.size() > m_maxFileBytes)
        return;
    QSaveFile file(m_folder + u'/' + name);
    if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size() || !file.commit())
        return; // a full disk only costs a later fetch
    m_total += data.size();
    trim();
}

void DiskCache::trim() {
    if (m_total <= m_maxBytes)
        return;
    // Oldest first, down to three quarters, so trimming is not done on every insert.
    const QFileInfoList files =
        QDir(m_folder).entryInfoList(QDir::Files, QDir::Time | QDir::Reversed);
    m_total = 0;
    for (const QFileInfo& f : files)
        m_total += f.size();
    for (const QFileInfo& f : files) {
        if (m_total <= m_maxBytes * 3 / 4)
            break;
        if (QFile::remove(f.filePath()))
            m_total -= f.size();
    }
}

} // namespace pluvix::radarserver::relay
