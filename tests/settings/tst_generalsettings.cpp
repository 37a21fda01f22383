#include "acquisition/FolderAddress.h"
#include "settings/AppName.h"
#include "settings/GeneralSettings.h"
#include "support/FakePlatform.h"
#include "support/FakeSettingsWindow.h"
#include "support/RecordingSettingsStore.h"

#include <QTest>

using namespace pluvix;
using namespace pluvix::settings;
using namespace Qt::StringLiterals;

namespace {
const QString app = u"Pluvix"_s;
const QString general = u"SectionGeneral"_s;
const QString kmlb = u"SectionMap-p37cr-kmlb"_s;

// The loader and saver with everything they talk to, over an empty store.
struct Rig {
    testsupport::RecordingSettingsStore store;
    testsupport::FakeSettingsWindow window;
    testsupport::RecordingErrorSink errors;
    SettingsRecord record;
    std::optional<qint32> bias = 300;
    GeneralSettings settings{store, window, errors, app, [this] { return bias; }, record};

    void put(const QString& key, const QString& text, const QString& section = general) {
        store.backing.SaveSetting(app, section, key, text);
    }
    QString stored(const QString& key, const QString& section = general) const {
        return store.backing.GetSetting(app, section, key, u"<missing>"_s);
    }
    QString report() const {
        return errors.reports.isEmpty()
                   ? QString()
                   : QString::number(errors.reports[0].number) + u' ' + errors.reports[0].procedure;
    }
};
} // namespace

class TestGeneralSettings : public QObject {
    Q_OBJECT

private slots:
    // The default offset is the machine's bias in hours, stored as text and read back as 16 bits.
    void utcOffsetDefaultFollowsBias_data() {
        QTest::addColumn<std::optional<qint32>>("bias");
        QTest::addColumn<int>("offset");
        QTest::newRow("300 minutes") << std::optional<qint32>(300) << 5;
        QTest::newRow("-5.5 to even") << std::optional<qint32>(-330) << -6;
        QTest::newRow("cannot tell") << std::optional<qint32>() << 0;
    }
    void utcOffsetDefaultFollowsBias() {
        QFETCH(std::optional<qint32>, bias);
        Rig rig;
        rig.bias = bias;
        rig.settings.LoadCheckINI();
        QTEST(int(rig.record.LocalUTCTimeOffset), "offset");
    }

    // A stored text goes through the loader and the saver; what is saved back shows what loaded.
    void storedTextLoadsAndSavesBack_data() {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("savedBack");
        QTest::newRow("digits then letters, key case")
            << u"pollINTERVAL"_s << u"12abc"_s << u"12"_s;
        QTest::newRow("wallpaper non-zero") << u"SetWallPaper"_s << u"0.4"_s << u"1"_s;
        QTest::newRow("station trimmed") << u"RadarStationName"_s << u" kbyx "_s << u"kbyx"_s;
        QTest::newRow("title bar from the window") << u"HideTitleBar"_s << u"1"_s << u"0"_s;
        QTest::newRow("colour scale off") << u"ShowColourScale"_s << u"0"_s << u"0"_s;
        QTest::newRow("colour scale non-zero") << u"showcolourscale"_s << u"2"_s << u"1"_s;
    }
    void storedTextLoadsAndSavesBack() {
        QFETCH(QString, key);
        QFETCH(QString, text);
        Rig rig;
        rig.put(key, text);
        rig.settings.LoadCheckINI();
        rig.settings.UnloadINI();
        QCOMPARE(rig.report(), QString());
        QTEST(rig.stored(key), "savedBack");
    }

    // A bad value stops the read at its key: what came before is applied, nothing after. The
    // general section's case runs through the real window in tests/app.
    void badValueStopsTheRead() {
        Rig rig;
        rig.put(u"MapTop"_s, u"-100"_s, kmlb);
        rig.put(u"BullsEyeX"_s, u"0.37"_s, kmlb);
        rig.put(u"ZoomLevel"_s, u"13"_s, kmlb);
        rig.settings.ReadMapCoord(u"sectionmap-P37CR-KMLB"_s);
        QCOMPARE(rig.report(), u"380 Module1.ReadMapCoord"_s);
        QCOMPARE(rig.window.imageTop, -100.0f);
        QCOMPARE(rig.window.zoom, 1);
        QCOMPARE(rig.record.BullsEyeX, 0.0f);
    }

    // Centred from the size the window had before the stored size was applied; the view is
    // kept per station and product.
    void firstRunThenSavedSettingsLoadBack() {
        Rig first;
        first.settings.LoadCheckINI();
        const auto& w = first.window;
        QCOMPARE(QRectF(w.left, w.top, w.width, w.height), QRectF(7200, 5880, 5100, 5985));
        QCOMPARE(QRectF(w.imageLeft, w.imageTop, w.imageWidth, w.imageHeight),
                 QRectF(-7295, -7550, 24800, 24800));
        first.window.imageLeft = -1234.5f;
        first.window.zoom = 11;
        first.record.BaseURL = u"  "_s + acquisition::defaultBaseUrl() + u" "_s;
        first.settings.UnloadINI();
        QCOMPARE(first.report(), QString());
        QCOMPARE(first.stored(u"BaseURL"_s), acquisition::defaultBaseUrl());
        // Stored files from before the colour scale show it.
        QCOMPARE(first.stored(u"ShowColourScale"_s), u"1"_s);

        Rig second;
        second.store.backing = first.store.backing;
        second.settings.LoadCheckINI();
        QCOMPARE(second.window.imageLeft, -1234.5f);
        QCOMPARE(second.window.zoom, 11);
        second.settings.ReadMapCoord(u"SectionMap-p19r0-kmlb"_s);
        QCOMPARE(second.window.zoom, 8);
        second.settings.ReadMapCoord(kmlb);
        QCOMPARE(second.window.imageLeft, -1234.5f);
    }

    // A failed write stops the save there, except in the map-view record.
    void failedWrite_data() {
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("failing");
        QTest::addColumn<QString>("report");
        QTest::addColumn<QString>("hidePanel");
        QTest::newRow("general") << general << u"MaxImageNumber"_s << u"75 Module1.UnloadINI"_s
                                 << u"<missing>"_s;
        QTest::newRow("map record")
            << kmlb << u"ZoomLevel"_s << u"75 Module1.AddMapCoord"_s << u"1"_s;
    }
    void failedWrite() {
        QFETCH(QString, section);
        QFETCH(QString, failing);
        Rig rig;
        rig.settings.LoadCheckINI();
        rig.window.panelHeight = 15.0f;
        rig.record.PollInterval = 30;
        rig.store.failWrite = [&](const QString& s, const QString& key) {
            return s.compare(section, Qt::CaseInsensitive) == 0 && key == failing;
        };
        rig.settings.UnloadINI();
        QTEST(rig.report(), "report");
        QCOMPARE(rig.stored(u"PollInterval"_s), u"30"_s);
        QTEST(rig.stored(u"HidePanel"_s), "hidePanel");
    }

    void names_data() {
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("name");
        QTest::newRow("program with suffix") << u"/opt/PLUVIXbeta.exe"_s << u"Pluvixbeta"_s;
        QTest::newRow("section") << u"http://h/radar/images/DS.p19r0/si.KBYX/"_s
                                 << u"SectionMap-p37cr-KBYX"_s;
        QTest::newRow("section without SI.") << u"http://h/radar/"_s << u"SectionMap-p37cr-tp:/"_s;
    }
    void names() {
        QFETCH(QString, input);
        QTEST(input.startsWith(u"http"_s) ? GeneralSettings::mapSectionName(u"p37cr"_s, input)
                                          : appNameFromProgramFile(input),
              "name");
    }
};

QTEST_GUILESS_MAIN(TestGeneralSettings)
#include "tst_generalsettings.moc"
