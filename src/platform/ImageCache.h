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
// cap: the copies used longest ago go first. The folder and its files are the user's alone. Not
// thread-safe; one thread owns it.
class ImageCache {
public:
    ImageCache(const QString& directory, qint64 capBytes);

    std::optional<QByteArray> find(const QUrl& url);
    void insert(const QUrl& url, const QByteArray& body);
    void remove(const QUrl& url);
    qint64 totalBytes() const { return m_total; }

private:
    struct Entry {
        qint64 size = 0;
        quint64 lastUse = 0;
    };
    static QString keyOf(const QUrl& url);
    void touch(const QString& key, Entry& entry);
    void drop(const QString& key);

    QString m_dir;
    qint64 m_cap;
    qint64 m_total = 0;
    quint64 m_uses = 0;
    QHash<QString, Entry> m_entries;
    std::map<quint64, QString> m_byUse; // oldest use first
};

} // namespace pluvix::platform
