#include "settings/FileSettingsStore.h"
#include "settings/MemorySettingsStore.h"
#include "support/ErrorOf.h"
#include "support/GifFixtures.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace pluvix::settings;
using namespace Qt::StringLiterals;
using pluvix::testsupport::errorOf;

namespace {
const QString app = u"Pluvix"_s;
const QString general = u"SectionGeneral"_s;
} // namespace

// The rules every store keeps, then what only the file store promises.
class TestStoreRules : public QObject {
    Q_OBJECT
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<SettingsStore> m_store;
    bool m_onDisk = false;

    QString get(const QString& section, const QString& key, const QString& appName = app) const {
        return m_store->GetSetting(appName, section, key, u"d"_s);
    }
    QByteArray fileBytes() const {
        return pluvix::testsupport::fileBytes(m_dir->path() + u"/pluvix/Pluvix.conf"_s);
    }

private slots:
    void initTestCase_data() {
        QTest::addColumn<bool>("onDisk");
        QTest::newRow("memory") << false;
        QTest::newRow("file") << true;
    }
    void init() {
        QFETCH_GLOBAL(bool, onDisk);
        m_onDisk = onDisk;
        m_dir = std::make_unique<QTemporaryDir>();
        if (onDisk)
            m_store = std::make_unique<FileSettingsStore>(m_dir->path());
        else
            m_store = std::make_unique<MemorySettingsStore>();
    }

    void missingGivesDefaultAndEmptyIsAValue() {
        m_store->SaveSetting(app, general, u"PlaySpeed"_s, u"5"_s);
        QCOMPARE(get(general, u"PollInterval"_s), u"d"_s);
        QCOMPARE(get(u"SectionPreset0"_s, u"PlaySpeed"_s), u"d"_s);
        m_store->SaveSetting(app, general, u"BaseURL"_s, QString());
        QCOMPARE(get(general, u"BaseURL"_s), QString());
        QCOMPARE(errorOf([&] { m_store->SaveSetting(app, QString(), u"k"_s, u"v"_s); }), 5);
        QCOMPARE(errorOf([&] { m_store->SaveSetting(app, general, QString(), u"v"_s); }), 5);
    }

    // Written under one spelling, read, replaced and deleted under another.
    void namesIgnoreCase_data() {
        QTest::addColumn<QStringList>("written");
        QTest::addColumn<QStringList>("read");
        QTest::newRow("key and application")
            << QStringList{app, general, u"PollInterval"_s}
            << QStringList{u"PLUVIX"_s, general, u"pollINTERVAL"_s};
        QTest::newRow("non-ASCII") << QStringList{app, u"SectionÄ"_s, u"Größe"_s}
                                   << QStringList{app, u"sectionä"_s, u"GRÖßE"_s};
    }
    void namesIgnoreCase() {
        QFETCH(QStringList, written);
        QFETCH(QStringList, read);
        m_store->SaveSetting(written[0], written[1], written[2], u"first"_s);
        QCOMPARE(get(read[1], read[2], read[0]), u"first"_s);
        m_store->SaveSetting(read[0], read[1], read[2], u"second"_s);
        QCOMPARE(get(written[1], written[2], written[0]), u"second"_s);
        m_store->DeleteSetting(read[0], read[1]);
        QCOMPARE(get(written[1], written[2], written[0]), u"d"_s);
    }

    // Deleted whole and alone, and on disk when the call returns (read the bytes, not through
    // QSettings, whose cache is shared within the process).
    void deleteRemovesOneWholeSection() {
        m_store->SaveSetting(app, general, u"PollInterval"_s, u"30"_s);
        m_store->SaveSetting(app, general, u"PlaySpeed"_s, u"9"_s);
        m_store->SaveSetting(app, u"SectionPreset3"_s, u"PlaySpeed"_s, u"7"_s);
        QVERIFY(!m_onDisk || fileBytes().contains("PollInterval=30"));
        m_store->DeleteSetting(app, u"sectionGENERAL"_s);
        QCOMPARE(get(general, u"PollInterval"_s) + get(general, u"PlaySpeed"_s), u"dd"_s);
        QCOMPARE(get(u"SectionPreset3"_s, u"PlaySpeed"_s), u"7"_s);
        QVERIFY(!m_onDisk || !fileBytes().contains("General"));
    }

    void textsRoundTrip_data() {
        QTest::addColumn<QString>("text");
        for (const QString& t : {u"a,b"_s, u"@Invalid()"_s, u" lead"_s, u"#comment"_s,
                                 u"back\\slash"_s, u"two\nlines"_s, u"ümlaut"_s})
            QTest::newRow(qPrintable(t)) << t;
    }
    void textsRoundTrip() {
        QFETCH(QString, text);
        m_store->SaveSetting(app, general, u"BaseURL"_s, text);
        QCOMPARE(get(general, u"BaseURL"_s), text);
    }

    // A station code cut from an odd address can hold "/" or "\".
    void separatorsInNamesStayOneLevel() {
        m_store->SaveSetting(app, u"SectionMap-p37cr-tp:/"_s, u"ZoomLevel"_s, u"3"_s);
        m_store->SaveSetting(app, u"SectionMap-p37cr-a\\b"_s, u"Zoom/Level"_s, u"5"_s);
        m_store->DeleteSetting(app, u"SectionMap-p37cr-tp:"_s);
        QCOMPARE(get(u"SectionMap-p37cr-tp:/"_s, u"ZoomLevel"_s), u"3"_s);
        QCOMPARE(get(u"SectionMap-p37cr-a\\b"_s, u"Zoom/Level"_s), u"5"_s);
        QCOMPARE(get(u"SectionMap-p37cr-a"_s, u"b/Zoom/Level"_s), u"d"_s);
    }

    void fileStoreOnly() {
        if (!m_onDisk)
            QSKIP("file store");
        QVERIFY(QDir().mkpath(m_dir->path() + u"/pluvix"_s));
        QFile edited(m_dir->path() + u"/pluvix/Pluvix.conf"_s);
        QVERIFY(edited.open(QIODevice::WriteOnly) &&
                edited.write("[SectionGeneral]\nRadarStationName=a,b\n") > 0);
        edited.close();
        QCOMPARE(
            FileSettingsStore(m_dir->path()).GetSetting(app, general, u"radarstationname"_s, {}),
            u"a,b"_s);
        QCOMPARE(errorOf([&] { m_store->SaveSetting(u"../evil"_s, u"S"_s, u"k"_s, u"v"_s); }), 5);

        // A folder below a regular file fails for every user, the superuser included.
        FileSettingsStore blocked(edited.fileName());
        QCOMPARE(errorOf([&] { blocked.SaveSetting(app, general, u"PollInterval"_s, u"9"_s); }),
                 75);
        QCOMPARE(blocked.GetSetting(app, general, u"PollInterval"_s, u"d"_s), u"d"_s);
    }

    // A refused file is reported once, then reads as missing and is never written over.
    void oversizedFileStaysAsItIs_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("error");
        const QByteArray line = "\nk=" + QByteArray(FileSettingsStore::maxLineBytes - 2, 'x');
        QTest::newRow("line at the limit") << line << 0;
        QTest::newRow("line over the limit") << line + 'x' << 75;
        QTest::newRow("file over the limit")
            << QByteArray(FileSettingsStore::maxFileBytes, '\n') << 75;
    }
    void oversizedFileStaysAsItIs() {
        QFETCH(QByteArray, bytes);
        QFETCH(int, error);
        if (!m_onDisk)
            QSKIP("file store");
        m_store->SaveSetting(app, general, u"PollInterval"_s, u"45"_s);
        QFile file(m_dir->path() + u"/pluvix/Pluvix.conf"_s);
        QVERIFY(file.open(QIODevice::Append) && file.write(bytes) == bytes.size());
        file.close();
        const QByteArray stored = fileBytes();
        QCOMPARE(errorOf([&] { get(general, u"PollInterval"_s); }), error);
        QCOMPARE(get(general, u"PollInterval"_s), error ? u"d"_s : u"45"_s);
        QCOMPARE(errorOf([&] { m_store->SaveSetting(app, general, u"k"_s, u"v"_s); }), error);
        QCOMPARE(fileBytes() == stored, error != 0);
    }

    // A save sequence replaces the file once, at its end; reads inside it see its writes.
    void batchReplacesTheFileOnce() {
        m_store->SaveSetting(app, general, u"PollInterval"_s, u"45"_s);
        {
            SettingsBatch batch(*m_store);
            m_store->SaveSetting(app, general, u"PollInterval"_s, u"30"_s);
            m_store->SaveSetting(app, u"SectionMap-p37cr-kmlb"_s, u"ZoomLevel"_s, u"9"_s);
            QCOMPARE(get(general, u"PollInterval"_s), u"30"_s);
            if (m_onDisk)
                QVERIFY(fileBytes().contains("PollInterval=45"));
            batch.commit();
        }
        QCOMPARE(get(u"SectionMap-p37cr-kmlb"_s, u"ZoomLevel"_s), u"9"_s);
        if (m_onDisk)
            QVERIFY(fileBytes().contains("PollInterval=30") && fileBytes().contains("ZoomLevel=9"));
    }
};

QTEST_GUILESS_MAIN(TestStoreRules)
#include "tst_settingsstore.moc"
