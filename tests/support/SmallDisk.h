#pragma once

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStorageInfo>

#include <unistd.h>

namespace pluvix::testsupport {

// A tmpfs of `kib` KiB mounted on a folder for the life of the object, for runs on a small or full
// disk. Mounting needs root.
class SmallDisk {
public:
    SmallDisk(const QString& folder, int kib) : m_folder(folder) {
        m_mounted = ::geteuid() == 0 && QDir().mkpath(folder) &&
                    QProcess::execute(QStringLiteral("mount"),
                                      {QStringLiteral("-t"), QStringLiteral("tmpfs"),
                                       QStringLiteral("-o"), QStringLiteral("size=%1k").arg(kib),
                                       QStringLiteral("tmpfs"), folder}) == 0;
    }
    ~SmallDisk() {
        if (m_mounted)
            QProcess::execute(QStringLiteral("umount"), {QStringLiteral("-l"), m_folder});
    }
    bool mounted() const { return m_mounted; }
    QString path(const QString& name) const { return m_folder + QLatin1Char('/') + name; }
    // Someone else's file takes the free room but about `leave` bytes.
    void fill(qint64 leave) {
        QFile filler(path(QStringLiteral("filler%1").arg(++m_fillers)));
        const QByteArray page(4096, 'f');
        if (filler.open(QIODevice::WriteOnly))
            while (QStorageInfo(m_folder).bytesAvailable() > leave &&
                   filler.write(page) == page.size() && filler.flush()) {
            }
    }

private:
    QString m_folder;
    bool m_mounted = false;
    int m_fillers = 0;
};

} // namespace pluvix::testsupport
