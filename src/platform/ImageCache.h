#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QUrl>

#include <map>
#include <optional>

namespace pluvix::platform {

// Picture bodies kept on disk by address. A radar image never changes under its name, so a kept
// copy answers for it whatever cache headers the server sent or left out. The total stays under a
// cap: the copies used longest ago go first. The folder and its files are the user's alone: a
// folder that is a link or someone else's keeps nothing and is left alone, and only regular
// files of the user's within the size limit are read. Not thread-safe; one thread owns it.
class ImageCache {
public:
    struct Limits {
        qint64 totalBytes = 0; // all copies together
        qint64 entryBytes = 0; // one body; a larger one is never kept nor read
        // Free room the copies leave on their disk for everything else (at most a quarter of
        // the disk), so that a temporary file never finds it full because of them.
        qint64 freeMargin = 0;
    };

    ImageCache(const QString& directory, Limits limits);
    ~ImageCache();
    ImageCache(const ImageCache&) = delete;
    ImageCache& operator=(const ImageCache&) = delete;

    std::optional<QByteArray> find(const QUrl& url);
    void insert(const QUrl& url, const QByteArray& body);
    void remove(const QUrl& url);
    // Drops the copies used longest ago until `bytes` and the margin are free on the disk, or
    // nothing is kept.
    void giveBack(qint64 bytes);
    qint64 totalBytes() const { return m_total; }
    bool usable() const { return m_dirFd >= 0; }

private:
    struct Entry {
        qint64 size = 0;
        quint64 lastUse = 0;
    };
    static QString keyOf(const QUrl& url);
    void touch(const QString& key, Entry& entry);
    void drop(const QString& key);
    void add(const QString& key, qint64 size);
    qint64 freeBytes() const;

    int m_dirFd = -1;
    Limits m_limits;
    qint64 m_total = 0;
    quint64 m_uses = 0;
    QHash<QString, Entry> m_entries;
    std::map<quint64, QString> m_byUse; // oldest use first
};

} // namespace pluvix::platform
