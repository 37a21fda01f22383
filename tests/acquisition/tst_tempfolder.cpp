#include "platform/TempFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

#include <sys/stat.h>
#include <unistd.h>

using pluvix::platform::userTempPath;

namespace {

int modeOf(const QString& path) {
    struct stat st {};
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0)
        return -1;
    return int(st.st_mode & 07777);
}

} // namespace

class TempFolderTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void privateFolderInTheCache();
    void widerModeIsNarrowed();
    void relativeCacheHomeIsIgnored();
    void linkIsNotFollowed();
    void foreignFolderIsNotUsed();

private:
    std::unique_ptr<QTemporaryDir> m_fresh;
    QString root(const QString& rel) const { return m_fresh->filePath(rel); }
    QByteArray m_oldCache;
    QByteArray m_oldHome;
};

void TempFolderTest::init() {
    m_fresh = std::make_unique<QTemporaryDir>();
    m_oldCache = qgetenv("XDG_CACHE_HOME");
    m_oldHome = qgetenv("HOME");
    qputenv("XDG_CACHE_HOME", QFile::encodeName(root(QStringLiteral("cache"))));
}

void TempFolderTest::cleanup() {
    qputenv("XDG_CACHE_HOME", m_oldCache);
    qputenv("HOME", m_oldHome);
}

void TempFolderTest::privateFolderInTheCache() {
    const QString path = userTempPath(QStringLiteral("Pluvix"));
    QCOMPARE(path, root(QStringLiteral("cache/pluvix/tmp/")));
    QVERIFY(QFileInfo(path).isDir());
    QCOMPARE(modeOf(path), 0700);
    // Kept: a second start finds the same folder.
    QCOMPARE(userTempPath(QStringLiteral("Pluvix")), path);
    QCOMPARE(userTempPath(QStringLiteral("Pluvix2")), root(QStringLiteral("cache/pluvix2/tmp/")));
}

void TempFolderTest::widerModeIsNarrowed() {
    const QString dir = root(QStringLiteral("cache/pluvix/tmp"));
    QVERIFY(QDir().mkpath(dir));
    QVERIFY(::chmod(QFile::encodeName(dir).constData(), 0777) == 0);
    QCOMPARE(userTempPath(QStringLiteral("Pluvix")), dir + u'/');
    QCOMPARE(modeOf(dir), 0700);
}

void TempFolderTest::relativeCacheHomeIsIgnored() {
    qputenv("XDG_CACHE_HOME", "relative/cache");
    qputenv("HOME", QFile::encodeName(root(QStringLiteral("home"))));
    QCOMPARE(userTempPath(QStringLiteral("Pluvix")),
             root(QStringLiteral("home/.cache/pluvix/tmp/")));
}

void TempFolderTest::linkIsNotFollowed() {
    const QString elsewhere = root(QStringLiteral("elsewhere"));
    QVERIFY(QDir().mkpath(elsewhere));
    QVERIFY(::chmod(QFile::encodeName(elsewhere).constData(), 0755) == 0);
    const QString link = root(QStringLiteral("cache/pluvix/tmp"));
    QVERIFY(QDir().mkpath(root(QStringLiteral("cache/pluvix"))));
    QVERIFY(QFile::link(elsewhere, link));

    const QString path = userTempPath(QStringLiteral("Pluvix"));
    QVERIFY(!path.startsWith(link));
    QVERIFY(path.endsWith(u'/'));
    QCOMPARE(modeOf(path), 0700);
    QCOMPARE(QFileInfo(path).ownerId(), uint(::geteuid()));
    QCOMPARE(modeOf(elsewhere), 0755);
    QDir(path).removeRecursively();
}

void TempFolderTest::foreignFolderIsNotUsed() {
    if (::geteuid() != 0)
        QSKIP("handing a folder to another user needs root");
    const QString dir = root(QStringLiteral("cache/pluvix/tmp"));
    QVERIFY(QDir().mkpath(dir));
    QVERIFY(::chown(QFile::encodeName(dir).constData(), 65534, 65534) == 0);
    const QString path = userTempPath(QStringLiteral("Pluvix"));
    QVERIFY(!path.startsWith(dir));
    QCOMPARE(QFileInfo(path).ownerId(), 0u);
    QDir(path).removeRecursively();
}

QTEST_GUILESS_MAIN(TempFolderTest)
#include "tst_tempfolder.moc"
