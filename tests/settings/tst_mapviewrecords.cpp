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
const QString kmlbShort = u"SectionMap-p37cr-kmlb"_s;
const QString kmlbPrecip = u"SectionMap-p19r0-kmlb"_s;

struct Rig {
    testsupport::RecordingSettingsStore store;
    testsupport::FakeSettingsWindow window;
    testsupport::RecordingErrorSink errors;
    SettingsRecord record;
    GeneralSettings settings{store, window, errors, app, {}, record};

    void showView(float left, float top, float width, float height, qint32 zoom) {
        window.imageLeft = left;
        window.imageTop = top;
        window.imageWidth = width;
        window.imageHeight = height;
        window.zoom = zoom;
    }
    QString stored(const QString& section, const QString& key) const {
        return store.backing.GetSetting(app, section, key, u"<missing>"_s);
    }
};

} // namespace

class TestMapViewRecords : public QObject {
    Q_OBJECT

private slots:
    void neverStoredCombinationGivesDefaults() {
        Rig rig;
        rig.showView(10, 20, 30, 40, 3);
        rig.record.BullsEyeGraduations = 50;
        rig.record.BullsEyeX = 0.5f;
        rig.record.BullsEyeY = 0.25f;

        rig.settings.ReadMapCoord(kmlbPrecip);

        QVERIFY(rig.errors.reports.isEmpty());
        QCOMPARE(rig.window.imageLeft, -7295.0f);
        QCOMPARE(rig.window.imageTop, -7550.0f);
        QCOMPARE(rig.window.imageWidth, 24800.0f);
        QCOMPARE(rig.window.imageHeight, 24800.0f);
        QCOMPARE(rig.window.zoom, 8);
        QCOMPARE(rig.record.BullsEyeGraduations, 10);
        QCOMPARE(rig.record.BullsEyeX, 1000.0f);
        QCOMPARE(rig.record.BullsEyeY, 1000.0f);
    }

    void storedViewComesBack() {
        Rig rig;
        rig.showView(-1234.5f, 250, 30000, 29000, 11);
        rig.record.BullsEyeGraduations = 25;
        rig.record.BullsEyeX = 0.25f;
        rig.record.BullsEyeY = 0.721f;

        rig.settings.AddMapCoord(kmlbShort);

        QVERIFY(rig.errors.reports.isEmpty());
        QCOMPARE(rig.store.keysWritten(kmlbShort),
                 QStringList({u"MapLeft"_s, u"MapTop"_s, u"MapWidth"_s, u"MapHeight"_s,
                              u"ZoomLevel"_s, u"TargetLeft"_s, u"TargetTop"_s, u"TargetSize"_s,
                              u"BullsEyeGraduations"_s, u"BullsEyeY"_s, u"BullsEyeX"_s}));
        QCOMPARE(rig.stored(kmlbShort, u"MapLeft"_s), u"-1234.5"_s);
        QCOMPARE(rig.stored(kmlbShort, u"ZoomLevel"_s), u"11"_s);
        QCOMPARE(rig.stored(kmlbShort, u"TargetLeft"_s), u"0"_s);
        QCOMPARE(rig.stored(kmlbShort, u"BullsEyeY"_s), u"0.721"_s);

        rig.showView(0, 0, 1, 1, 1);
        rig.record.BullsEyeGraduations = 1;
        rig.record.BullsEyeX = 1;
        rig.record.BullsEyeY = 1;
        rig.settings.ReadMapCoord(u"sectionmap-P37CR-KMLB"_s);

        QVERIFY(rig.errors.reports.isEmpty());
        QCOMPARE(rig.window.imageLeft, -1234.5f);
        QCOMPARE(rig.window.imageTop, 250.0f);
        QCOMPARE(rig.window.imageWidth, 30000.0f);
        QCOMPARE(rig.window.imageHeight, 29000.0f);
        QCOMPARE(rig.window.zoom, 11);
        QCOMPARE(rig.record.BullsEyeGraduations, 25);
        QCOMPARE(rig.record.BullsEyeX, 0.25f);
        QCOMPARE(rig.record.BullsEyeY, 0.721f);
    }

    void eachCombinationKeepsItsOwnView() {
        Rig rig;
        rig.showView(-100, -200, 24800, 24800, 8);
        rig.settings.AddMapCoord(kmlbShort);
        rig.showView(-300, -400, 49600, 49600, 10);
        rig.settings.AddMapCoord(kmlbPrecip);

        rig.settings.ReadMapCoord(kmlbShort);
        QCOMPARE(rig.window.imageLeft, -100.0f);
        QCOMPARE(rig.window.zoom, 8);
        rig.settings.ReadMapCoord(kmlbPrecip);
        QCOMPARE(rig.window.imageLeft, -300.0f);
        QCOMPARE(rig.window.imageWidth, 49600.0f);
        QCOMPARE(rig.window.zoom, 10);
        QVERIFY(rig.errors.reports.isEmpty());
    }

    void zoomOutsideTheSliderStopsTheRead() {
        Rig rig;
        rig.store.backing.SaveSetting(app, kmlbShort, u"MapWidth"_s, u"9000"_s);
        rig.store.backing.SaveSetting(app, kmlbShort, u"ZoomLevel"_s, u"13"_s);
        rig.store.backing.SaveSetting(app, kmlbShort, u"BullsEyeGraduations"_s, u"5"_s);
        rig.showView(0, 0, 100, 100, 4);
        rig.record.BullsEyeGraduations = 10;
        rig.record.BullsEyeX = 0.5f;

        rig.settings.ReadMapCoord(kmlbShort);

        QCOMPARE(rig.errors.reports.size(), 1);
        QCOMPARE(rig.errors.reports[0].number, 380);
        QCOMPARE(rig.errors.reports[0].description, u"Invalid property value"_s);
        QCOMPARE(rig.errors.reports[0].procedure, u"Module1.ReadMapCoord"_s);
        // Applied before the zoom level.
        QCOMPARE(rig.window.imageWidth, 9000.0f);
        QCOMPARE(rig.window.imageLeft, -7295.0f);
        // The slider and the bullseye are as they were.
        QCOMPARE(rig.window.zoom, 4);
        QCOMPARE(rig.record.BullsEyeGraduations, 10);
        QCOMPARE(rig.record.BullsEyeX, 0.5f);
    }

    void overflowInGraduationsIsReported() {
        Rig rig;
        rig.store.backing.SaveSetting(app, kmlbShort, u"BullsEyeGraduations"_s, u"40000"_s);
        rig.record.BullsEyeY = 0.5f;
        rig.settings.ReadMapCoord(kmlbShort);
        QCOMPARE(rig.errors.reports.size(), 1);
        QCOMPARE(rig.errors.reports[0].number, 6);
        QCOMPARE(rig.errors.reports[0].procedure, u"Module1.ReadMapCoord"_s);
        QCOMPARE(rig.window.zoom, 8);
        QCOMPARE(rig.record.BullsEyeY, 0.5f);
    }

    void failedWriteIsReportedAndKeepsEarlierValues() {
        Rig rig;
        rig.showView(-5, -6, 7, 8, 9);
        rig.store.failWrite = [](const QString&, const QString& key) {
            return key == u"ZoomLevel"_s;
        };
        rig.settings.AddMapCoord(kmlbShort);
        QCOMPARE(rig.errors.reports.size(), 1);
        QCOMPARE(rig.errors.reports[0].number, 75);
        QCOMPARE(rig.errors.reports[0].procedure, u"Module1.AddMapCoord"_s);
        QCOMPARE(rig.stored(kmlbShort, u"MapHeight"_s), u"8"_s);
        QCOMPARE(rig.stored(kmlbShort, u"TargetLeft"_s), u"<missing>"_s);
    }

    void sectionName_data() {
        QTest::addColumn<QString>("product");
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("section");
        QTest::newRow("default address")
            << u"p37cr"_s << u"http://127.0.0.1:8573/radar/images/DS.p37cr/SI.kmlb/"_s
            << u"SectionMap-p37cr-kmlb"_s;
        QTest::newRow("lower-case si.")
            << u"p19r0"_s << u"http://h/radar/images/DS.p19r0/si.kbyx/"_s
            << u"SectionMap-p19r0-kbyx"_s;
        QTest::newRow("code keeps its case")
            << u"p37cr"_s << u"http://h/DS.p37cr/Si.KAMX/"_s << u"SectionMap-p37cr-KAMX"_s;
        QTest::newRow("product from the record, not the address")
            << u"p20-r"_s << u"http://h/radar/images/DS.p37cr/SI.kmlb/"_s
            << u"SectionMap-p20-r-kmlb"_s;
        QTest::newRow("first SI. counts")
            << u"p37cr"_s << u"http://h/SI.abcd/SI.wxyz/"_s << u"SectionMap-p37cr-abcd"_s;
        QTest::newRow("short code")
            << u"p37cr"_s << u"http://h/SI.ab"_s << u"SectionMap-p37cr-ab"_s;
        QTest::newRow("no SI. takes characters 3 to 6")
            << u"p37cr"_s << u"http://h/radar/"_s << u"SectionMap-p37cr-tp:/"_s;
    }

    void sectionName() {
        QFETCH(QString, product);
        QFETCH(QString, address);
        QFETCH(QString, section);
        QCOMPARE(GeneralSettings::mapSectionName(product, address), section);
    }
};

QTEST_GUILESS_MAIN(TestMapViewRecords)
#include "tst_mapviewrecords.moc"
