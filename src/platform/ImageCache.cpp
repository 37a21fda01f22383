#include "platform/ImageCache.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace pluvix::platform {

namespace {
constexpr auto privateFile = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
constexpr int keyLength = 40; // hex SHA-1
// Each file is the body's MD5 and then the body. Files are not forced to disk (that would cost
// more than the transfer), so a copy that a crash left damaged must be recognised.
constexpr qsizetype sumLength = 16;

QByteArray sumOf(QByteArrayView body) {
    return QCryptographicHash::hash(body, QCryptographicHash::Md5);
}
} // namespace

ImageCache::ImageCache(const QString& directory, qint64 capBytes)
    : m_dir(directory), m_cap(capBytes) {
    QDir().mkpath(m_dir);
    QFile::setPermissions(m_dir, privateFile | QFileDevice::ExeOwner);

    // The order of use survives a restart in the files' modification times.
    std::vector<std::pair<QDateTime, QFileInfo>> found;
    for (const QFileInfo& info : QDir(m_dir).entryInfoList(QDir::Files | QDir::Hidden)) {
        if (info.fileName().size() != keyLength) {
            QFile::remove(info.filePath()); // left over from a write that never finished
            continue;
        }
        found.emplace_back(info.lastModified(), info);
    }
    std::sort(found.begin(), found.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    for (const auto& [time, info] : found) {
        Entry e{info.size(), ++m_uses};
        m_entries.insert(info.fileName(), e);
        m_byUse.emplace(e.lastUse, info.fileName());
        m_total += e.size;
    }
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

void ImageCache::drop(const QString& key) {
    const auto it = m_entries.find(key);
    if (it == m_entries.end())
        return;
    m_byUse.erase(it->lastUse);
    m_total -= it->size;
    m_entries.erase(it);
    QFile::remove(m_dir + QLatin1Char('/') + key);
}

std::optional<QByteArray> ImageCache::find(const QUrl& url) {
    const QString key = keyOf(url);
    const auto it = m_entries.find(key);
    if (it == m_entries.end())
        return std::nullopt;
    QFile file(m_dir + QLatin1Char('/') + key);
    if (!file.open(QIODevice::ReadWrite)) {
        drop(key);
        return std::nullopt;
    }
    QByteArray body = file.readAll();
    if (body.size() != it->size || body.size() < sumLength ||
        sumOf(QByteArrayView(body).sliced(sumLength)) != QByteArrayView(body).first(sumLength)) {
        file.close();
        drop(key);
        return std::nullopt;
    }
    body.remove(0, sumLength);
    file.setFileTime(QDateTime::currentDateTimeUtc(), QFileDevice::FileModificationTime);
    touch(key, *it);
    return body;
}

void ImageCache::insert(const QUrl& url, const QByteArray& body) {
    const qint64 size = sumLength + body.size();
    if (size > m_cap)
        return;
    const QString key = keyOf(url);
    const QString path = m_dir + QLatin1Char('/') + key;
    drop(key);
    // Written whole under its name or not at all; a kept copy is a convenience, so a full disk
    // only costs a download next time.
    QTemporaryFile file(path + QStringLiteral(".XXXXXX")); // created readable by the user only
    if (!file.open() || file.write(sumOf(body) + body) != size || !file.flush() ||
        std::rename(QFile::encodeName(file.fileName()).constData(),
                    QFile::encodeName(path).constData()) != 0)
        return;
    file.setAutoRemove(false);
    Entry e{size, ++m_uses};
    m_entries.insert(key, e);
    m_byUse.emplace(e.lastUse, key);
    m_total += e.size;
    while (m_total > m_cap && !m_byUse.empty()) {
        // A copy: dropping erases the node that holds the name.
        const QString oldest = m_byUse.begin()->second;
        drop(oldest);
    }
}

void ImageCache::remove(const QUrl& url) {
    drop(keyOf(url));
}

} // namespace pluvix::platform
