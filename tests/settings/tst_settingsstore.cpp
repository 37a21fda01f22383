#include "core/RuntimeError.h"
#include "settings/FileSettingsStore.h"
#include "settings/MemorySettingsStore.h"

#include <QTemporaryDir>
#include <QTest>

#include <memory>

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

const QString app = u"Pluvix"_s;

} // namespace

// The rules every store keeps: names ignore case, missing keys give the default, a section is
// deleted whole and alone, and texts come back exactly as written.
class TestStoreRules : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<SettingsStore> m_store;

private slots:
    void initTestCase_data() {
        QTest::addColumn<bool>("onDisk");
        QTest::newRow("memory") << false;
        QTest::newRow("file") << true;
    }

    void init() {
        QFETCH_GLOBAL(bool, onDisk);
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        if (onDisk)
            m_store = std::make_unique<FileSettingsStore>(m_dir->path());
        else
            m_store = std::make_unique<MemorySettingsStore>();
    }

    void missingGivesDefault() {
        QCOMPARE(m_store->GetSetting(app, u"SectionGeneral"_s, u"PollInterval"_s, u"60"_s),
                 u"60"_s);
        m_store->SaveSetting(app, u"SectionGeneral"_s, u"PlaySpeed"_s, u"5"_s);
        QCOMPARE(m_store->GetSetting(app, u"SectionGeneral"_s, u"PollInterval"_s, u"60"_s),
                 u"60"_s);
        QCOMPARE(m_store->GetSetting(app, u"SectionPreset0"_s, u"PlaySpeed"_s, u"x"_s), u"x"_s);
        QCOMPARE(m_store->GetSetting(u"radar"_s, u"SectionGeneral"_s, u"PlaySpeed"_s, u"x"_s),
                 u"x"_s);
        // A stored empty text is a value, not a missing key.
        m_store->SaveSetting(app, u"SectionGeneral"_s, u"BaseURL"_s, QString());
        QCOMPARE(m_store->GetSetting(app, u"SectionGeneral"_s, u"BaseURL"_s, u"d"_s), QString());
    }

    void namesIgnoreCase_data() {
        QTest::addColumn<QString>("writeApp");
        QTest::addColumn<QString>("writeSection");
        QTest::addColumn<QString>("writeKey");
        QTest::addColumn<QString>("readApp");
        QTest::addColumn<QString>("readSection");
        QTest::addColumn<QString>("readKey");
        QTest::newRow("section") << u"Pluvix"_s << u"SectionMap-p37cr-KMLB"_s << u"ZoomLevel"_s
                                 << u"Pluvix"_s << u"SectionMap-p37cr-kmlb"_s << u"ZoomLevel"_s;
        QTest::newRow("key") << u"Pluvix"_s << u"SectionGeneral"_s << u"PollInterval"_s
                             << u"Pluvix"_s << u"SectionGeneral"_s << u"POLLINTERVAL"_s;
        QTest::newRow("application") << u"Pluvix"_s << u"SectionGeneral"_s << u"PlaySpeed"_s
                                     << u"PLUVIX"_s << u"sectiongeneral"_s << u"playspeed"_s;
        QTest::newRow("non-ASCII") << u"Pluvix"_s << u"SectionÄ"_s << u"Größe"_s << u"Pluvix"_s
                                   << u"sectionä"_s << u"GRÖßE"_s;
    }

    void namesIgnoreCase() {
        QFETCH(QString, writeApp);
        QFETCH(QString, writeSection);
        QFETCH(QString, writeKey);
        QFETCH(QString, readApp);
        QFETCH(QString, readSection);
        QFETCH(QString, readKey);
        m_store->SaveSetting(writeApp, writeSection, writeKey, u"first"_s);
        QCOMPARE(m_store->GetSetting(readApp, readSection, readKey, u"none"_s), u"first"_s);
        // Writing under the other spelling replaces the one value.
        m_store->SaveSetting(readApp, readSection, readKey, u"second"_s);
        QCOMPARE(m_store->GetSetting(writeApp, writeSection, writeKey, u"none"_s), u"second"_s);
        m_store->DeleteSetting(readApp, readSection);
        QCOMPARE(m_store->GetSetting(writeApp, writeSection, writeKey, u"none"_s), u"none"_s);
    }

    void deleteRemovesOneWholeSection() {
        m_store->SaveSetting(app, u"SectionGeneral"_s, u"PollInterval"_s, u"30"_s);
        m_store->SaveSetting(app, u"SectionGeneral"_s, u"PlaySpeed"_s, u"9"_s);
        m_store->SaveSetting(app, u"SectionPreset3"_s, u"PlaySpeed"_s, u"7"_s);
        m_store->SaveSetting(app, u"SectionMap-p37cr-kmlb"_s, u"ZoomLevel"_s, u"4"_s);
        m_store->SaveSetting(u"Pluvix2"_s, u"SectionGeneral"_s, u"PlaySpeed"_s, u"3"_s);

        m_store->DeleteSetting(app, u"sectionGENERAL"_s);

        QCOMPARE(m_store->GetSetting(app, u"SectionGeneral"_s, u"PollInterval"_s, u"d"_s), u"d"_s);
        QCOMPARE(m_store->GetSetting(app, u"SectionGeneral"_s, u"PlaySpeed"_s, u"d"_s), u"d"_s);
        QCOMPARE(m_store->GetSetting(app, u"SectionPreset3"_s, u"PlaySpeed"_s, u"d"_s), u"7"_s);
        QCOMPARE(m_store->GetSetting(app, u"SectionMap-p37cr-kmlb"_s, u"ZoomLevel"_s, u"d"_s),
                 u"4"_s);
        QCOMPARE(m_store->GetSetting(u"Pluvix2"_s, u"SectionGeneral"_s, u"PlaySpeed"_s, u"d"_s),
                 u"3"_s);

        // Deleting what is not there is no error.
        m_store->DeleteSetting(app, u"SectionGeneral"_s);
        m_store->DeleteSetting(u"neverUsed"_s, u"SectionGeneral"_s);
    }

    void textsRoundTrip_data() {
        QTest::addColumn<QString>("text");
        for (const QString& t :
             {u"a,b"_s, u"1,2"_s, u"@Invalid()"_s, u"@@"_s, u" lead"_s, u"trail "_s, u"ümlaut"_s,
              u"="_s, u"a=b"_s, u"[x]"_s, u"true"_s, u"a;b"_s, u"#comment"_s, u"\"quoted\""_s,
              u"back\\slash"_s, u"two\nlines"_s, u"%41"_s, u"\t"_s,
              u"http://127.0.0.1:8573/radar/images/DS.p37cr/SI.kmlb/"_s})
            QTest::newRow(qPrintable(t)) << t;
    }

    void textsRoundTrip() {
        QFETCH(QString, text);
        m_store->SaveSetting(app, u"SectionGeneral"_s, u"BaseURL"_s, text);
        QCOMPARE(m_store->GetSetting(app, u"SectionGeneral"_s, u"BaseURL"_s, u"d"_s), text);
    }

    void separatorsInNamesStayOneLevel() {
        // A station code cut from an odd address can hold "/" or "\".
        const QString slash = u"SectionMap-p37cr-tp:/"_s;
        const QString backslash = u"SectionMap-p37cr-a\\b"_s;
        m_store->SaveSetting(app, slash, u"ZoomLevel"_s, u"3"_s);
        m_store->SaveSetting(app, backslash, u"Zoom/Level"_s, u"5"_s);
        m_store->SaveSetting(app, u"SectionMap-p37cr-tp:"_s, u"ZoomLevel"_s, u"9"_s);
        QCOMPARE(m_store->GetSetting(app, slash, u"ZoomLevel"_s, u"d"_s), u"3"_s);
        QCOMPARE(m_store->GetSetting(app, backslash, u"Zoom/Level"_s, u"d"_s), u"5"_s);
        QCOMPARE(m_store->GetSetting(app, u"SectionMap-p37cr-a"_s, u"b/Zoom/Level"_s, u"d"_s),
                 u"d"_s);
        m_store->DeleteSetting(app, u"SectionMap-p37cr-tp:"_s);
        QCOMPARE(m_store->GetSetting(app, slash, u"ZoomLevel"_s, u"d"_s), u"3"_s);
    }

    void emptyNamesCannotBeWritten() {
        QCOMPARE(errorOf([&] { m_store->SaveSetting(app, QString(), u"k"_s, u"v"_s); }), 5);
        QCOMPARE(errorOf([&] { m_store->SaveSetting(app, u"s"_s, QString(), u"v"_s); }), 5);
        QCOMPARE(errorOf([&] { m_store->SaveSetting(QString(), u"s"_s, u"k"_s, u"v"_s); }), 5);
    }
};

QTEST_GUILESS_MAIN(TestStoreRules)
#include "tst_settingsstore.moc"
