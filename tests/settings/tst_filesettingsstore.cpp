#include "core/RuntimeError.h"
#include "settings/FileSettingsStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

#include <sys/stat.h>
#include <unistd.h>

using namespace pluvix::settings;
using namespace Qt::StringLiterals;

namespace {

template <class F> int errorOf(F&& f) {
    try {
        f();
    } catch (const pluvix::core::RuntimeError& e) {
        return e.number();
    }
    return 0;
}

QByteArray fileContent(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

const QString app = u"Pluvix"_s;

} // namespace

// What only the file store promises: where the files are, that a value is on disk when the
// call returns, and that a failed write is an error rather than a silent loss.
class TestFileStore : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;

    QString folder() const { return m_dir->path() + u"/pluvix"_s; }

private slots:
    void init() {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
    }

    void cleanup() {
        // Give the temporary folder back its rights so it can be removed.
        QFile::setPermissions(folder(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        m_dir.reset();
    }

    void oneFilePerApplicationUnderConfigHome() {
        const QByteArray saved = qgetenv("XDG_CONFIG_HOME");
        qputenv("XDG_CONFIG_HOME", m_dir->path().toLocal8Bit());
        FileSettingsStore store;
        store.SaveSetting(u"Pluvix"_s, u"SectionGeneral"_s, u"PlaySpeed"_s, u"5"_s);
        store.SaveSetting(u"radar"_s, u"SectionGeneral"_s, u"PlaySpeed"_s, u"7"_s);
        qputenv("XDG_CONFIG_HOME", "relative/path");
        const QString relativeIgnored = FileSettingsStore::defaultConfigHome();
        qunsetenv("XDG_CONFIG_HOME");
        const QString unset = FileSettingsStore::defaultConfigHome();
        if (saved.isNull())
            qunsetenv("XDG_CONFIG_HOME");
        else
            qputenv("XDG_CONFIG_HOME", saved);

        QVERIFY(QFileInfo::exists(folder() + u"/Pluvix.conf"_s));
        QVERIFY(QFileInfo::exists(folder() + u"/radar.conf"_s));
        QCOMPARE(relativeIgnored, QDir::homePath() + u"/.config"_s);
        QCOMPARE(unset, QDir::homePath() + u"/.config"_s);
    }

    void applicationNameCaseKeepsOneFile() {
        FileSettingsStore store(m_dir->path());
        store.SaveSetting(u"Pluvix"_s, u"SectionGeneral"_s, u"PlaySpeed"_s, u"5"_s);
        store.SaveSetting(u"PLUVIX"_s, u"SectionGeneral"_s, u"PollInterval"_s, u"60"_s);
        QCOMPARE(QDir(folder()).entryList({u"*.conf"_s}), QStringList{u"Pluvix.conf"_s});
        QCOMPARE(store.GetSetting(u"pluvix"_s, u"SectionGeneral"_s, u"pollinterval"_s, u"d"_s),
                 u"60"_s);
    }

    void firstSpellingOfASectionIsKept() {
        FileSettingsStore store(m_dir->path());
        store.SaveSetting(app, u"SectionMap-p37cr-KMLB"_s, u"ZoomLevel"_s, u"8"_s);
        store.SaveSetting(app, u"SectionMap-p37cr-kmlb"_s, u"zoomlevel"_s, u"9"_s);
        QSettings raw(folder() + u"/Pluvix.conf"_s, QSettings::IniFormat);
        QCOMPARE(raw.childGroups(), QStringList{u"SectionMap-p37cr-KMLB"_s});
        raw.beginGroup(u"SectionMap-p37cr-KMLB"_s);
        QCOMPARE(raw.childKeys(), QStringList{u"ZoomLevel"_s});
        QCOMPARE(raw.value(u"ZoomLevel"_s).toString(), u"9"_s);
    }

    void writesAreOnDiskBeforeReturn() {
        FileSettingsStore writer(m_dir->path());
        writer.SaveSetting(app, u"SectionGeneral"_s, u"PollInterval"_s, u"45"_s);
        writer.SaveSetting(app, u"SectionPreset3"_s, u"PlaySpeed"_s, u"7"_s);
        // Read the bytes, not through QSettings, whose cache is shared within the process.
        const QByteArray afterSave = fileContent(folder() + u"/Pluvix.conf"_s);
        QVERIFY(afterSave.contains("[SectionGeneral]"));
        QVERIFY(afterSave.contains("PollInterval=45"));

        // Writing the value already there is still a good write, not a failure.
        writer.SaveSetting(app, u"SectionGeneral"_s, u"PollInterval"_s, u"45"_s);

        FileSettingsStore reader(m_dir->path());
        QCOMPARE(reader.GetSetting(app, u"SectionGeneral"_s, u"PollInterval"_s, u"d"_s), u"45"_s);

        writer.DeleteSetting(app, u"SectionGeneral"_s);
        const QByteArray afterDelete = fileContent(folder() + u"/Pluvix.conf"_s);
        QVERIFY(!afterDelete.contains("SectionGeneral"));
        QVERIFY(afterDelete.contains("[SectionPreset3]"));
        QCOMPARE(reader.GetSetting(app, u"SectionGeneral"_s, u"PollInterval"_s, u"d"_s), u"d"_s);
    }

    void batchReplacesTheFileOnceAtItsEnd() {
        FileSettingsStore store(m_dir->path());
        store.SaveSetting(app, u"SectionGeneral"_s, u"PollInterval"_s, u"45"_s);
        const QString path = folder() + u"/Pluvix.conf"_s;
        const auto inode = [&path] {
            struct stat st {};
            return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_ino : 0;
        };
        const auto before = inode();
        {
            SettingsBatch batch(store);
            store.SaveSetting(app, u"SectionGeneral"_s, u"PollInterval"_s, u"30"_s);
            store.SaveSetting(app, u"SectionMap-p37cr-kmlb"_s, u"ZoomLevel"_s, u"9"_s);
            QCOMPARE(store.GetSetting(app, u"SectionGeneral"_s, u"PollInterval"_s, u"d"_s),
                     u"30"_s);
            QCOMPARE(inode(), before);
            QVERIFY(fileContent(path).contains("PollInterval=45"));
            batch.commit();
        }
        QVERIFY(inode() != before);
        const QByteArray after = fileContent(path);
        QVERIFY(after.contains("PollInterval=30") && after.contains("ZoomLevel=9"));
    }

    void handEditedListReadsAsWritten() {
        QVERIFY(QDir().mkpath(folder()));
        QFile f(folder() + u"/Pluvix.conf"_s);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("[SectionGeneral]\nRadarStationName=a,b\n");
        f.close();
        FileSettingsStore store(m_dir->path());
        QCOMPARE(store.GetSetting(app, u"SectionGeneral"_s, u"RadarStationName"_s, u"d"_s),
                 u"a,b"_s);
    }

    void unwritableFolderIsAnError() {
        FileSettingsStore store(m_dir->path());
        store.SaveSetting(app, u"SectionGeneral"_s, u"PollInterval"_s, u"45"_s);
        QVERIFY(QFile::setPermissions(folder(), QFile::ReadOwner | QFile::ExeOwner));
        const int saveError = errorOf(
            [&] { store.SaveSetting(app, u"SectionGeneral"_s, u"PollInterval"_s, u"9"_s); });
        if (saveError == 0 && ::geteuid() == 0)
            QSKIP("permissions do not bind the superuser");
        QCOMPARE(saveError, 75);
        QCOMPARE(errorOf([&] { store.DeleteSetting(app, u"SectionGeneral"_s); }), 75);
        // The failed calls changed nothing that was stored.
        QCOMPARE(FileSettingsStore(m_dir->path())
                     .GetSetting(app, u"SectionGeneral"_s, u"PollInterval"_s, u"d"_s),
                 u"45"_s);
    }

    void unreadableFileIsAnError() {
        FileSettingsStore store(m_dir->path());
        store.SaveSetting(app, u"SectionGeneral"_s, u"PollInterval"_s, u"45"_s);
        QVERIFY(QFile::setPermissions(folder() + u"/Pluvix.conf"_s, QFile::WriteOwner));
        FileSettingsStore other(m_dir->path());
        const int readError =
            errorOf([&] { other.GetSetting(app, u"SectionGeneral"_s, u"PollInterval"_s, u"d"_s); });
        if (readError == 0 && ::geteuid() == 0)
            QSKIP("permissions do not bind the superuser");
        QCOMPARE(readError, 75);
        // Writing now would replace the file with this one value.
        QCOMPARE(
            errorOf([&] { other.SaveSetting(app, u"SectionGeneral"_s, u"PlaySpeed"_s, u"5"_s); }),
            75);
    }

    void folderBelowARegularFileIsAnError() {
        // Fails for every user, the superuser included.
        QFile blocker(m_dir->path() + u"/file"_s);
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        FileSettingsStore store(blocker.fileName());
        QCOMPARE(errorOf([&] {
                     store.SaveSetting(app, u"SectionGeneral"_s, u"PollInterval"_s, u"9"_s);
                 }),
                 75);
        QCOMPARE(store.GetSetting(app, u"SectionGeneral"_s, u"PollInterval"_s, u"d"_s), u"d"_s);
        store.DeleteSetting(app, u"SectionGeneral"_s); // nothing there to delete
    }

    void applicationNameCannotLeaveTheFolder() {
        FileSettingsStore store(m_dir->path());
        QCOMPARE(errorOf([&] { store.SaveSetting(u"../evil"_s, u"S"_s, u"k"_s, u"v"_s); }), 5);
        QCOMPARE(errorOf([&] { store.SaveSetting(u".."_s, u"S"_s, u"k"_s, u"v"_s); }), 5);
        QVERIFY(!QFileInfo::exists(m_dir->path() + u"/evil.conf"_s));
    }
};

QTEST_GUILESS_MAIN(TestFileStore)
#include "tst_filesettingsstore.moc"
