#include "platform/ImageCache.h"

#include "platform/TempFolder.h"

#include <QCryptographicHash>
#include <QRandomGenerator>

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <limits>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <tuple>
#include <unistd.h>
#include <vector>

namespace pluvix::platform {

namespace {
constexpr int keyLength = 40; // hex SHA-1
// Each file is the body's MD5 and then the body. Files are not forced to disk (that would cost
// more than the transfer), so a copy that a crash left damaged must be recognised.
constexpr qsizetype sumLength = 16;

QByteArray sumOf(QByteArrayView body) {
    return QCryptographicHash::hash(body, QCryptographicHash::Md5);
}

// Repeats a read or write call until all bytes moved; an end of file or an error other than EINTR
// fails it.
template <typename Pointer, typename Call> bool moveAll(Pointer data, qint64 size, Call call) {
    while (size > 0) {
        const ssize_t n = call(data, std::size_t(size));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        size -= n;
    }
    return true;
}

bool readExactly(int fd, char* data, qint64 size) {
    return moveAll(data, size, [fd](char* d, std::size_t n) { return ::read(fd, d, n); });
}

bool writeAll(int fd, QByteArrayView bytes) {
    return moveAll(bytes.data(), bytes.size(),
                   [fd](const char* d, std::size_t n) { return ::write(fd, d, n); });
}
} // namespace

ImageCache::ImageCache(const QString& directory, Limits limits) : m_limits(limits) {
    m_dirFd = openPrivateFolder(directory);
    if (m_dirFd < 0)
        return;
    struct statvfs disk {};
    if (::fstatvfs(m_dirFd, &disk) == 0)
        m_limits.freeMargin =
            std::min(m_limits.freeMargin, qint64(disk.f_blocks) * qint64(disk.f_frsize) / 4);

    // Everything is looked at through the opened folder, never through its name again.
    const int listFd = ::dup(m_dirFd);
    DIR* dir = listFd >= 0 ? ::fdopendir(listFd) : nullptr;
    if (!dir) {
        if (listFd >= 0)
            ::close(listFd);
        return;
    }
    // The order of use survives a restart in the files' modification times.
    std::vector<std::tuple<qint64, qint64, QString, qint64>> found;
    while (const dirent* e = ::readdir(dir)) {
        const QByteArray name(e->d_name);
        if (name == "." || name == "..")
            continue;
        struct stat st {};
        if (::fstatat(m_dirFd, e->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0)
            continue;
        const bool kept = name.size() == keyLength && S_ISREG(st.st_mode) &&
                          st.st_uid == ::geteuid() && st.st_size >= sumLength &&
                          st.st_size <= sumLength + m_limits.entryBytes;
        if (!kept) {
            // Left over from a write that never finished, or nothing of ours.
            if (!S_ISDIR(st.st_mode))
                ::unlinkat(m_dirFd, e->d_name, 0);
            continue;
        }
        found.emplace_back(st.st_mtim.tv_sec, st.st_mtim.tv_nsec, QString::fromLatin1(name),
                           st.st_size);
    }
    ::closedir(dir);
    std::sort(found.begin(), found.end());
    for (const auto& [seconds, nanoseconds, key, size] : found)
        add(key, size);
    while (m_total > m_limits.totalBytes && !m_byUse.empty())
        drop(QString(m_byUse.begin()->second));
    giveBack(0);
}

ImageCache::~ImageCache() {
    if (m_dirFd >= 0)
        ::close(m_dirFd);
}

QString ImageCache::keyOf(const QUrl& url) {
    return QString::fromLatin1(
        QCryptographicHash::hash(url.toEncoded(), QCryptographicHash::Sha1).toHex());
}

void ImageCache::touch(const QString& key, Entry& entry) {
    m_byUse.erase(entry.lastUse);
    entry.lastUse = ++m_uses;
    m_byUse.emplace(entry.lastUse, key);
}

void ImageCache::add(const QString& key, qint64 size) {
    Entry e{size, ++m_uses};
    m_entries.insert(key, e);
    m_byUse.emplace(e.lastUse, key);
    m_total += e.size;
}

void ImageCache::drop(const QString& key) {
    const auto it = m_entries.find(key);
    if (it == m_entries.end())
        return;
    m_byUse.erase(it->lastUse);
    m_total -= it->size;
    m_entries.erase(it);
    ::unlinkat(m_dirFd, key.toLatin1().constData(), 0);
}

qint64 ImageCache::freeBytes() const {
    struct statvfs disk {};
    if (::fstatvfs(m_dirFd, &disk) != 0)
        return std::numeric_limits<qint64>::max();
    return qint64(disk.f_bavail) * qint64(disk.f_frsize);
}

void ImageCache::giveBack(qint64 bytes) {
    while (!m_byUse.empty() && freeBytes() < m_limits.freeMargin + bytes)
        drop(QString(m_byUse.begin()->second)); // a copy: dropping erases the node holding it
}

std::optional<QByteArray> ImageCache::find(const QUrl& url) {
    const QString key = keyOf(url);
    const auto it = m_entries.find(key);
    if (it == m_entries.end())
        return std::nullopt;
    const qint64 expected = it->size;
    // Non-blocking, so that a pipe put in its place cannot hold the open.
    const int fd = ::openat(m_dirFd, key.toLatin1().constData(),
                            O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    QByteArray body;
    struct stat st {};
    // The size is checked before anything is read.
    bool sound = fd >= 0 && ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) &&
                 st.st_uid == ::geteuid() && st.st_size == expected &&
                 st.st_size <= sumLength + m_limits.entryBytes;
    if (sound) {
        body.resize(qsizetype(st.st_size));
        sound =
            readExactly(fd, body.data(), st.st_size) &&
            sumOf(QByteArrayView(body).sliced(sumLength)) == QByteArrayView(body).first(sumLength);
    }
    if (sound)
        ::futimens(fd, nullptr); // the order of use for the next start
    if (fd >= 0)
        ::close(fd);
    if (!sound) {
        drop(key);
        return std::nullopt;
    }
    body.remove(0, sumLength);
    touch(key, *m_entries.find(key));
    return body;
}

void ImageCache::insert(const QUrl& url, const QByteArray& body) {
    const qint64 size = sumLength + body.size();
    if (m_dirFd < 0 || body.size() > m_limits.entryBytes || size > m_limits.totalBytes)
        return;
    const QString key = keyOf(url);
    drop(key);
    while (!m_byUse.empty() && m_total + size > m_limits.totalBytes)
        drop(QString(m_byUse.begin()->second));
    giveBack(size);
    // A kept copy is a convenience: a disk without room for it and the margin only costs a
    // download next time.
    if (freeBytes() < m_limits.freeMargin + size)
        return;
    // Written whole under its name or not at all.
    const QByteArray temp =
        key.toLatin1() + '.' + QByteArray::number(QRandomGenerator::global()->generate(), 16);
    const int fd = ::openat(m_dirFd, temp.constData(),
                            O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0)
        return;
    bool written = writeAll(fd, sumOf(body)) && writeAll(fd, body);
    written = ::close(fd) == 0 && written;
    if (!written ||
        ::renameat(m_dirFd, temp.constData(), m_dirFd, key.toLatin1().constData()) != 0) {
        ::unlinkat(m_dirFd, temp.constData(), 0);
        return;
    }
    add(key, size);
}

void ImageCache::remove(const QUrl& url) {
    drop(keyOf(url));
}

} // namespace pluvix::platform
