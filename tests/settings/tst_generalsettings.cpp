#include "acquisition/FolderAddress.h"
#include "settings/AppName.h"
#include "settings/FileSettingsStore.h"
#include "settings/GeneralSettings.h"
#include "settings/SettingsKeys.h"
#include "support/FakePlatform.h"
#include "support/FakeSettingsWindow.h"
#include "support/RecordingSettingsStore.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace pluvix;
using namespace pluvix::settings;
using namespace Qt::StringLiterals;

namespace {

const QString app = u"Pluvix"_s;
const QString general = u"SectionGeneral"_s;
const QString missing = u"<missing>"_s;

// The loader, the saver and everything they talk to, with an empty store.
struct Rig {
    testsupport::RecordingSettingsStore store;
    testsupport::FakeSettingsWindow window;
    testsupport::RecordingErrorSink errors;
    SettingsRecord record;
    std::optional<qint32> bias = 300;
    GeneralSettings settings{store, window, errors, app, [this] { return bias; }, record};

    void put(const QString& key, const QString& text) {
        store.backing.SaveSetting(app, general, key, text);
    }
    QString stored(const QString& key, const QString& section = general) const {
        return store.backing.GetSetting(app, section, key, missing);
    }
};

QStringList tableKeyNames() {
    QStringList names;
    for (const SettingsKey& k : generalKeys())
        names.append(k.name);
    return names;
}

} // namespace

class TestGeneralSettings : public QObject {
    Q_OBJECT

private slots:
    void firstRunLoadsEveryDefault() {
        Rig rig;
        rig.settings.LoadCheckINI();

        QVERIFY(rig.errors.reports.isEmpty());
        // Centred from the size the window had before the stored size was applied.
        QCOMPARE(rig.window.left, (19200.0f - 4800.0f) / 2);
        QCOMPARE(rig.window.top, (15360.0f - 3600.0f) / 2);
        QCOMPARE(rig.window.width, 5100.0f);
        QCOMPARE(rig.window.height, 5985.0f);
        QCOMPARE(rig.window.imageLeft, -7295.0f);
        QCOMPARE(rig.window.imageTop, -7550.0f);
        QCOMPARE(rig.window.imageWidth, 24800.0f);
        QCOMPARE(rig.window.imageHeight, 24800.0f);
        QCOMPARE(rig.window.zoom, 8);
        QCOMPARE(rig.window.wallpaper, false);

        const SettingsRecord& r = rig.record;
        QCOMPARE(r.LocalUTCTimeOffset, 5);
        QCOMPARE(r.BaseURL, acquisition::defaultBaseUrl());
        QVERIFY(r.BaseURL.endsWith(u"/radar/images/DS.p37cr/SI.kmlb/"_s));
        QCOMPARE(r.MaxImageNumber, 20);
        QCOMPARE(r.HidePanel, 0);
        QCOMPARE(r.PollInterval, 60);
        QCOMPARE(r.MinimizeToTray, 0);
        QCOMPARE(r.ShowBullseye, 1);
        QCOMPARE(r.BullsEyeGraduations, 10);
        QCOMPARE(r.BullsEyeX, 1000.0f);
        QCOMPARE(r.BullsEyeY, 1000.0f);
        QCOMPARE(r.RadarStationName, u"kmlb"_s);
        QCOMPARE(r.MapTypeShort, u"p37cr"_s);
        QCOMPARE(r.HistoryImageCount, 20);
        QCOMPARE(r.PlaySpeed, 5);
        QCOMPARE(r.PlayLoop, 0);
        QCOMPARE(r.BullsEyeTextSize, 8);
        QCOMPARE(r.HideTitleBar, 0);
        QCOMPARE(r.MapScaleShortRangeConstant, 0.721f);
        QCOMPARE(r.MapTypeIndex, 0);
        QCOMPARE(r.UTCFontSize, 10);
        QCOMPARE(r.LoopDelay, 4);
        QCOMPARE(r.AutoUTCOffset, 1);
        QCOMPARE(r.MapScaleLongRangeConstant, 0.319f);
        QCOMPARE(r.NumberOfPresets, 4);
        QCOMPARE(r.ShowUTCDateTime, 0);
        QCOMPARE(r.TopMostWindow, 0);

        // Loading writes nothing.
        QVERIFY(rig.store.writes.isEmpty());
    }

    void loaderReadsInTableOrder() {
        Rig rig;
        rig.settings.LoadCheckINI();
        QStringList readKeys;
        for (const testsupport::StoreAccess& a : rig.store.reads) {
            QCOMPARE(a.section, general);
            readKeys.append(a.key);
        }
        QStringList expected = tableKeyNames();
        expected.removeAll(u"Bullseye"_s); // written, never read
        QCOMPARE(readKeys, expected);
    }

    void utcOffsetDefaultFollowsBias_data() {
        QTest::addColumn<std::optional<qint32>>("bias");
        QTest::addColumn<int>("offset");
        QTest::newRow("300 minutes") << std::optional<qint32>(300) << 5;
        QTest::newRow("-330 gives -5.5, loads as -6") << std::optional<qint32>(-330) << -6;
        QTest::newRow("330 gives 5.5, loads as 6") << std::optional<qint32>(330) << 6;
        QTest::newRow("270 gives 4.5, loads as 4") << std::optional<qint32>(270) << 4;
        QTest::newRow("-345 gives -5.75") << std::optional<qint32>(-345) << -6;
        QTest::newRow("cannot tell") << std::optional<qint32>() << 0;
    }

    void utcOffsetDefaultFollowsBias() {
        QFETCH(std::optional<qint32>, bias);
        QFETCH(int, offset);
        Rig rig;
        rig.bias = bias;
        rig.settings.LoadCheckINI();
        QCOMPARE(rig.record.LocalUTCTimeOffset, offset);

        // A stored value wins over the system's.
        Rig stored;
        stored.bias = bias;
        stored.put(u"LocalUTCTimeOffset"_s, u"-3"_s);
        stored.settings.LoadCheckINI();
        QCOMPARE(stored.record.LocalUTCTimeOffset, -3);
    }

    void utcOffsetDefaultText_data() {
        QTest::addColumn<int>("bias");
        QTest::addColumn<QString>("text");
        QTest::newRow("300") << 300 << u"5"_s;
        QTest::newRow("-330") << -330 << u"-5.5"_s;
        QTest::newRow("0") << 0 << u"0"_s;
        QTest::newRow("-60") << -60 << u"-1"_s;
    }

    void utcOffsetDefaultText() {
        QFETCH(int, bias);
        QFETCH(QString, text);
        QCOMPARE(localUtcOffsetDefaultText(bias), text);
    }

    void withoutBiasSourceTheOffsetIsZero() {
        testsupport::RecordingSettingsStore store;
        testsupport::FakeSettingsWindow window;
        testsupport::RecordingErrorSink errors;
        SettingsRecord record;
        GeneralSettings settings(store, window, errors, app, {}, record);
        record.LocalUTCTimeOffset = 9;
        settings.LoadCheckINI();
        QVERIFY(errors.reports.isEmpty());
        QCOMPARE(record.LocalUTCTimeOffset, 0);
    }

    // A stored text goes through the loader and the saver; the text saved back shows what
    // was loaded.
    void storedTextLoadsAndSavesBack_data() {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("savedBack");
        QTest::newRow("digits then letters") << u"PollInterval"_s << u"12abc"_s << u"12"_s;
        QTest::newRow("no number") << u"PollInterval"_s << u"abc"_s << u"0"_s;
        QTest::newRow("leading blank") << u"PollInterval"_s << u" 7"_s << u"7"_s;
        QTest::newRow("2.5 to even") << u"PollInterval"_s << u"2.5"_s << u"2"_s;
        QTest::newRow("3.5 to even") << u"PlaySpeed"_s << u"3.5"_s << u"4"_s;
        QTest::newRow("negative half") << u"LocalUTCTimeOffset"_s << u"-5.5"_s << u"-6"_s;
        QTest::newRow("key spelled otherwise") << u"pollINTERVAL"_s << u"45"_s << u"45"_s;
        QTest::newRow("single without zero")
            << u"MapScaleShortRangeConstant"_s << u".5"_s << u"0.5"_s;
        QTest::newRow("single trailing zeros")
            << u"MapScaleLongRangeConstant"_s << u"0.3190000"_s << u"0.319"_s;
        QTest::newRow("single exponent") << u"BullsEyeX"_s << u"1e3"_s << u"1000"_s;
        QTest::newRow("map left fraction") << u"MapLeft"_s << u"-7295.25"_s << u"-7295.25"_s;
        QTest::newRow("window width with text") << u"FormWidth"_s << u"6000twips"_s << u"6000"_s;
        QTest::newRow("zoom rounds to even") << u"ZoomLevel"_s << u"10.5"_s << u"10"_s;
        QTest::newRow("wallpaper on") << u"SetWallPaper"_s << u"1"_s << u"1"_s;
        QTest::newRow("wallpaper any non-zero") << u"SetWallPaper"_s << u"0.4"_s << u"1"_s;
        QTest::newRow("wallpaper no number") << u"SetWallPaper"_s << u"yes"_s << u"0"_s;
        QTest::newRow("station trimmed") << u"RadarStationName"_s << u" kbyx "_s << u"kbyx"_s;
        QTest::newRow("address as read")
            << u"BaseURL"_s << u"http://h/radar/images/DS.p19r0/SI.kbyx/"_s
            << u"http://h/radar/images/DS.p19r0/SI.kbyx/"_s;
        QTest::newRow("title bar from check mark") << u"HideTitleBar"_s << u"1"_s << u"0"_s;
        QTest::newRow("panel from its height") << u"HidePanel"_s << u"1"_s << u"0"_s;
        QTest::newRow("targets always 0") << u"TargetLeft"_s << u"224"_s << u"0"_s;
    }

    void storedTextLoadsAndSavesBack() {
        QFETCH(QString, key);
        QFETCH(QString, stored);
        QFETCH(QString, savedBack);
        Rig rig;
        rig.put(key, stored);
        rig.settings.LoadCheckINI();
        QVERIFY(rig.errors.reports.isEmpty());
        rig.settings.UnloadINI();
        QVERIFY(rig.errors.reports.isEmpty());
        QCOMPARE(rig.stored(key), savedBack);
    }

    void overflowStopsTheLoadAtThatKey() {
        Rig rig;
        rig.put(u"FormWidth"_s, u"6000"_s);
        rig.put(u"ZoomLevel"_s, u"3"_s);
        rig.put(u"MaxImageNumber"_s, u"7"_s);
        rig.put(u"HidePanel"_s, u"1"_s);
        rig.put(u"PollInterval"_s, u"40000"_s);
        rig.put(u"PlaySpeed"_s, u"9"_s);
        rig.put(u"SetWallPaper"_s, u"1"_s);
        rig.put(u"TopMostWindow"_s, u"1"_s);

        rig.settings.LoadCheckINI();

        QCOMPARE(rig.errors.reports.size(), 1);
        QCOMPARE(rig.errors.reports[0].number, 6);
        QCOMPARE(rig.errors.reports[0].description, u"Overflow"_s);
        QCOMPARE(rig.errors.reports[0].procedure, u"Module1.LoadCheckINI"_s);
        // Read before the failing key.
        QCOMPARE(rig.window.width, 6000.0f);
        QCOMPARE(rig.window.zoom, 3);
        QCOMPARE(rig.record.MaxImageNumber, 7);
        QCOMPARE(rig.record.HidePanel, 1);
        // The failing key and everything after it take their defaults, not the stored values.
        QCOMPARE(rig.record.PollInterval, 60);
        QCOMPARE(rig.record.ShowBullseye, 1);
        QCOMPARE(rig.record.PlaySpeed, 5);
        QCOMPARE(rig.record.RadarStationName, u"kmlb"_s);
        QCOMPARE(rig.record.MapScaleLongRangeConstant, 0.319f);
        QCOMPARE(rig.record.TopMostWindow, 0);
        QCOMPARE(rig.window.wallpaper, false);
    }

    void zoomOutsideTheSliderStopsTheLoad() {
        Rig rig;
        rig.put(u"MapTop"_s, u"-100"_s);
        rig.put(u"ZoomLevel"_s, u"13"_s);
        rig.settings.LoadCheckINI();

        QCOMPARE(rig.errors.reports.size(), 1);
        QCOMPARE(rig.errors.reports[0].number, 380);
        QCOMPARE(rig.errors.reports[0].procedure, u"Module1.LoadCheckINI"_s);
        QCOMPARE(rig.window.imageTop, -100.0f);
        QCOMPARE(rig.window.zoom, 8);
        QCOMPARE(rig.record.MaxImageNumber, 20);
    }

    void unloadWritesEveryKey() {
        Rig rig;
        rig.settings.LoadCheckINI();
        rig.window.wallpaper = true;
        rig.window.titleBarHidden = true;
        rig.window.panelHeight = 15.0f;
        rig.window.imageLeft = -7295.0f;
        rig.record.BaseURL = u"  "_s + acquisition::defaultBaseUrl() + u" "_s;
        rig.store.writes.clear();

        rig.settings.UnloadINI();

        QVERIFY(rig.errors.reports.isEmpty());
        QStringList written = rig.store.keysWritten(general);
        QStringList expected = tableKeyNames();
        written.sort();
        expected.sort();
        QCOMPARE(written, expected);

        QCOMPARE(rig.stored(u"MapLeft"_s), u"-7295"_s);
        QCOMPARE(rig.stored(u"MapWidth"_s), u"24800"_s);
        QCOMPARE(rig.stored(u"ZoomLevel"_s), u"8"_s);
        QCOMPARE(rig.stored(u"MapScaleShortRangeConstant"_s), u"0.721"_s);
        QCOMPARE(rig.stored(u"BullsEyeX"_s), u"1000"_s);
        QCOMPARE(rig.stored(u"PollInterval"_s), u"60"_s);
        QCOMPARE(rig.stored(u"LocalUTCTimeOffset"_s), u"5"_s);
        QCOMPARE(rig.stored(u"SetWallPaper"_s), u"1"_s);
        QCOMPARE(rig.stored(u"HideTitleBar"_s), u"1"_s);
        QCOMPARE(rig.stored(u"HidePanel"_s), u"1"_s);
        QCOMPARE(rig.stored(u"Bullseye"_s), u"0"_s);
        QCOMPARE(rig.stored(u"TargetSize"_s), u"0"_s);
        QCOMPARE(rig.stored(u"BaseURL"_s), acquisition::defaultBaseUrl());
        // The record follows the switches written from the window.
        QCOMPARE(rig.record.HideTitleBar, 1);
        QCOMPARE(rig.record.HidePanel, 1);

        // And the view of the current station and product.
        const QString map = u"SectionMap-p37cr-kmlb"_s;
        QCOMPARE(rig.stored(u"MapLeft"_s, map), u"-7295"_s);
        QCOMPARE(rig.stored(u"MapTop"_s, map), u"-7550"_s);
        QCOMPARE(rig.stored(u"ZoomLevel"_s, map), u"8"_s);
        QCOMPARE(rig.stored(u"BullsEyeGraduations"_s, map), u"10"_s);

        rig.window.wallpaper = false;
        rig.window.panelHeight = 16.0f;
        rig.settings.UnloadINI();
        QCOMPARE(rig.stored(u"SetWallPaper"_s), u"0"_s);
        QCOMPARE(rig.stored(u"HidePanel"_s), u"0"_s);
        QCOMPARE(rig.record.HidePanel, 0);
    }

    void savedSettingsLoadBack() {
        Rig first;
        first.settings.LoadCheckINI();
        first.window.width = 7000.5f;
        first.window.height = 6000.0f;
        first.window.left = -30.0f;
        first.window.top = 450.0f;
        first.window.imageLeft = -1234.5f;
        first.window.imageWidth = 49600.0f;
        first.window.zoom = 11;
        first.window.wallpaper = true;
        first.record.PollInterval = 120;
        first.record.BullsEyeX = 0.37f;
        first.record.MapScaleShortRangeConstant = 0.6543211f;
        first.record.RadarStationName = u"kbyx"_s;
        first.record.TopMostWindow = -1;
        first.settings.UnloadINI();

        Rig second;
        second.store.backing = first.store.backing;
        second.settings.LoadCheckINI();
        QVERIFY(second.errors.reports.isEmpty());
        QCOMPARE(second.window.width, 7000.5f);
        QCOMPARE(second.window.height, 6000.0f);
        QCOMPARE(second.window.left, -30.0f);
        QCOMPARE(second.window.top, 450.0f);
        QCOMPARE(second.window.imageLeft, -1234.5f);
        QCOMPARE(second.window.imageWidth, 49600.0f);
        QCOMPARE(second.window.zoom, 11);
        QCOMPARE(second.window.wallpaper, true);
        QCOMPARE(second.record.PollInterval, 120);
        QCOMPARE(second.record.BullsEyeX, 0.37f);
        QCOMPARE(second.record.MapScaleShortRangeConstant, 0.6543211f);
        QCOMPARE(second.record.RadarStationName, u"kbyx"_s);
        QCOMPARE(second.record.TopMostWindow, -1);
    }

    void minimisedOrMaximisedWindowKeepsStoredGeometry() {
        Rig rig;
        rig.put(u"FormLeft"_s, u"100"_s);
        rig.put(u"FormTop"_s, u"200"_s);
        rig.put(u"FormWidth"_s, u"6000"_s);
        rig.put(u"FormHeight"_s, u"7000"_s);
        rig.settings.LoadCheckINI();
        rig.window.left = -32000.0f; // where a minimised window sits
        rig.window.top = -32000.0f;
        rig.window.width = 19200.0f;
        rig.window.height = 15360.0f;
        rig.window.normalState = false;

        rig.settings.UnloadINI();
        QVERIFY(rig.errors.reports.isEmpty());
        QCOMPARE(rig.stored(u"FormLeft"_s), u"100"_s);
        QCOMPARE(rig.stored(u"FormTop"_s), u"200"_s);
        QCOMPARE(rig.stored(u"FormWidth"_s), u"6000"_s);
        QCOMPARE(rig.stored(u"FormHeight"_s), u"7000"_s);

        rig.window.normalState = true;
        rig.settings.UnloadINI();
        QCOMPARE(rig.stored(u"FormLeft"_s), u"-32000"_s);
        QCOMPARE(rig.stored(u"FormWidth"_s), u"19200"_s);
    }

    void failedWriteStopsTheSave() {
        Rig rig;
        rig.settings.LoadCheckINI();
        rig.record.PollInterval = 30;
        rig.record.MaxImageNumber = 99;
        rig.record.BullsEyeGraduations = 25;
        rig.window.panelHeight = 15.0f;
        rig.store.failWrite = [](const QString& section, const QString& key) {
            return section == general && key == u"MaxImageNumber"_s;
        };

        rig.settings.UnloadINI();

        QCOMPARE(rig.errors.reports.size(), 1);
        QCOMPARE(rig.errors.reports[0].number, 75);
        QCOMPARE(rig.errors.reports[0].procedure, u"Module1.UnloadINI"_s);
        QCOMPARE(rig.stored(u"PollInterval"_s), u"30"_s);
        QCOMPARE(rig.stored(u"TargetSize"_s), u"0"_s);
        QCOMPARE(rig.stored(u"MaxImageNumber"_s), missing);
        QCOMPARE(rig.stored(u"BullsEyeGraduations"_s), missing);
        QCOMPARE(rig.stored(u"HidePanel"_s), missing);
        QCOMPARE(rig.stored(u"ZoomLevel"_s, u"SectionMap-p37cr-kmlb"_s), missing);
        QCOMPARE(rig.record.HidePanel, 0);
    }

    void failedMapRecordDoesNotStopTheSave() {
        Rig rig;
        rig.settings.LoadCheckINI();
        rig.window.panelHeight = 15.0f;
        rig.store.failWrite = [](const QString& section, const QString&) {
            return section.startsWith(u"SectionMap-"_s);
        };

        rig.settings.UnloadINI();

        QCOMPARE(rig.errors.reports.size(), 1);
        QCOMPARE(rig.errors.reports[0].number, 75);
        QCOMPARE(rig.errors.reports[0].procedure, u"Module1.AddMapCoord"_s);
        QCOMPARE(rig.stored(u"HidePanel"_s), u"1"_s);
    }

    void unwritableSettingsFileIsReported() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QFile blocker(dir.path() + u"/file"_s);
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        FileSettingsStore store(blocker.fileName());
        testsupport::FakeSettingsWindow window;
        testsupport::RecordingErrorSink errors;
        SettingsRecord record;
        GeneralSettings settings(store, window, errors, app, {}, record);
        settings.LoadCheckINI();
        QVERIFY(errors.reports.isEmpty());

        settings.UnloadINI();
        QCOMPARE(errors.reports.size(), 1);
        QCOMPARE(errors.reports[0].number, 75);
        QCOMPARE(errors.reports[0].description, u"Path/File access error"_s);
        QCOMPARE(errors.reports[0].procedure, u"Module1.UnloadINI"_s);
    }

    void resetDeletesOnlyTheGeneralSection() {
        Rig rig;
        rig.settings.LoadCheckINI();
        rig.record.PollInterval = 120;
        rig.store.backing.SaveSetting(app, u"SectionPreset3"_s, u"MapTypeShort"_s, u"p19r0"_s);
        rig.settings.UnloadINI();

        GeneralSettings::ResetGeneralSettings(rig.store, app);

        QCOMPARE(rig.stored(u"PollInterval"_s), missing);
        QCOMPARE(rig.stored(u"MapTypeShort"_s, u"SectionPreset3"_s), u"p19r0"_s);
        QCOMPARE(rig.stored(u"ZoomLevel"_s, u"SectionMap-p37cr-kmlb"_s), u"8"_s);

        Rig next;
        next.store.backing = rig.store.backing;
        next.settings.LoadCheckINI();
        QCOMPARE(next.record.PollInterval, 60);
    }

    void keyTableDefaults_data() {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("text");
        QTest::newRow("fixed") << u"PollInterval"_s << u"60"_s;
        QTest::newRow("name case ignored") << u"mapscaleshortrangeconstant"_s << u"0.721"_s;
        QTest::newRow("address") << u"BaseURL"_s << acquisition::defaultBaseUrl();
        QTest::newRow("unused target") << u"TargetTop"_s << u"245"_s;
        QTest::newRow("computed from the window") << u"FormLeft"_s << QString();
        QTest::newRow("computed from the time zone") << u"LocalUTCTimeOffset"_s << QString();
        QTest::newRow("unknown") << u"NoSuchKey"_s << QString();
    }

    void keyTableDefaults() {
        QFETCH(QString, key);
        QFETCH(QString, text);
        QCOMPARE(defaultText(key), text);
    }

    void appNameFromProgramFile_data() {
        QTest::addColumn<QString>("programPath");
        QTest::addColumn<QString>("appName");
        QTest::newRow("lower case") << u"/usr/bin/pluvix"_s << u"Pluvix"_s;
        QTest::newRow("upper case with digit") << u"PLUVIX2.EXE"_s << u"Pluvix2"_s;
        QTest::newRow("suffix keeps its case") << u"/opt/PLUVIXbeta.exe"_s << u"Pluvixbeta"_s;
        QTest::newRow("mixed case") << u"pLuViX"_s << u"Pluvix"_s;
        QTest::newRow("other program") << u"/home/u/radar"_s << u"radar"_s;
        QTest::newRow("other with extension") << u"viewer.exe"_s << u"viewer"_s;
        QTest::newRow("shorter than six") << u"pluvi"_s << u"pluvi"_s;
        QTest::newRow("windows folder") << u"C:\\Programs\\PLUVIX.EXE"_s << u"Pluvix"_s;
        QTest::newRow("dot in folder") << u"/opt/app.d/pluvix"_s << u"Pluvix"_s;
        QTest::newRow("only last extension") << u"my.viewer.bin"_s << u"my.viewer"_s;
    }

    void appNameFromProgramFile() {
        QFETCH(QString, programPath);
        QFETCH(QString, appName);
        QCOMPARE(settings::appNameFromProgramFile(programPath), appName);
    }
};

QTEST_GUILESS_MAIN(TestGeneralSettings)
#include "tst_generalsettings.moc"
