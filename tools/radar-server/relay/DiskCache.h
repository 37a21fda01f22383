#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace pluvix::radarserver::relay {

// Files by name in a folder private to the user, the oldest dropped past a total size. A folder
// that is a link, is not ours or cannot be made private is not used (the cache is then off).
class DiskCache {
public:
    DiskCache(const QString& folder, qint64 maxBytes, qint64 maxFileBytes);

    bool isUsable() const { return m_usable; }
    std::optional<QByteArray> find(const QString& name) const;
    void insert(const QString& name, const QByteArray& data);

private:
    void trim();

    QString m_folder;
    qint64 m_maxBytes;
    qint64 m_maxFileBytes;
    qint64 m_total = 0;
    bool m_usable = false;
};

} // namespace pluvix::radarserver::relay
