#pragma once

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QString>

#include <sys/statvfs.h>
#include <unistd.h>

namespace pluvix::testsupport {

// A size-limited file system (tmpfs) mounted on a folder for the life of the object, for runs on
// a small or full disk. Mounting needs root; otherwise problem() says why there is none.
class SmallDisk {
public:
    SmallDisk(const QString& folder, int kib) : m_folder(folder) {
        if (::geteuid() != 0) {
            m_problem = QStringLiteral("a size-limited file system needs root");
            return;
        }
        QDir().mkpath(folder);
        const int status = QProcess::execute(
            QStringLiteral("mount"),
            {QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"),
             QStringLiteral("size=%1k,mode=0700").arg(kib), QStringLiteral("tmpfs"), folder});
        m_mounted = status == 0;
        if (!m_mounted)
            m_problem = QStringLiteral("mount -t tmpfs failed");
    }
    ~SmallDisk() {
        if (m_mounted)
            QProcess::execute(QStringLiteral("umount"), {QStringLiteral("-l"), m_folder});
    }
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;

    bool mounted() const { return m_mounted; }
    QString problem() const { return m_problem; }
    QString path(const QString& name) const { return m_folder + QLatin1Char('/') + name; }

    qint64 freeBytes() const {
        struct statvfs disk {};
        return ::statvfs(QFile::encodeName(m_folder).constData(), &disk) == 0
                   ? qint64(disk.f_bavail) * qint64(disk.f_frsize)
                   : -1;
    }
    // Someone else's file takes the free room but `leave` bytes.
    void fill(qint64 leave) {
        QFile filler(path(QStringLiteral("filler.%1").arg(++m_fillers)));
        if (!filler.open(QIODevice::WriteOnly))
            return;
        const QByteArray page(4096, 'f');
        while (freeBytes() > leave && filler.write(page) == page.size() && filler.flush()) {
        }
    }

private:
    QString m_folder;
    QString m_problem;
    bool m_mounted = false;
    int m_fillers = 0;
};

} // namespace pluvix::testsupport
