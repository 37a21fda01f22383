#include "presets/PresetStore.h"

#include "acquisition/FolderAddress.h"
#include "core/RuntimeError.h"
#include "settings/MemorySettingsStore.h"

#include <QtTest>

using namespace pluvix;
using presets::PresetStore;
using presets::PresetView;

namespace {

const QString app = QStringLiteral("Pluvix");

// Keeps the order in which values were written.
class OrderedStore final : public settings::SettingsStore {
public:
    settings::MemorySettingsStore inner;
    QList<QStringList> writes; // section, key, value

    QString GetSetting(const QString& a, const QString& s, const QString& k,
                       const QString& d) const override {
        return inner.GetSetting(a, s, k, d);
    }
    void SaveSetting(const QString& a, const QString& s, const QString& k,
                     const QString& v) override {
        writes.append({s, k, v});
        inner.SaveSetting(a, s, k, v);
    }
    void DeleteSetting(const QString& a, const QString& s) override { inner.DeleteSetting(a, s); }
};

QString folder(const QString& product, const QString& station) {
    return acquisition::productSubstituted(acquisition::stationPrefix() + station + u'/', product);
}

} // namespace

class TestPresetStore : public QObject {
    Q_OBJECT

private slots:
    void neverStoredSlotRecallsDefaults() {
        OrderedStore store;
        PresetStore presets(store, app);
        const PresetView v = presets.read(5);
        QCOMPARE(v.BaseURL, acquisition::defaultBaseUrl());
        QCOMPARE(v.RadarStationName, QStringLiteral("kmlb"));
        QCOMPARE(v.MapTypeShort, QStringLiteral("p37cr"));
        QCOMPARE(v.MapLeft, -7295.0f);
        QCOMPARE(v.MapTop, -7550.0f);
        QCOMPARE(v.MapWidth, 24800.0f);
        QCOMPARE(v.MapHeight, 24800.0f);
        QCOMPARE(v.ZoomLevel, 8);
        QCOMPARE(v.BullsEyeGraduations, qint16(10));
        QCOMPARE(v.BullsEyeX, 1000.0f);
        QCOMPARE(v.BullsEyeY, 1000.0f);
        QCOMPARE(presets.tooltip(5),
                 QStringLiteral("KMLB - Melbourne, FL - Short Range Composite"));
        QVERIFY(store.writes.isEmpty());
    }

    void writeStoresEveryKeyInOrder() {
        OrderedStore store;
        PresetStore presets(store, app);
        PresetView v;
        v.BaseURL = QStringLiteral("  ") + folder(QStringLiteral("p38cr"), QStringLiteral("ktlx")) +
                    QStringLiteral(" ");
        v.RadarStationName = QStringLiteral(" ktlx ");
        v.MapTypeShort = QStringLiteral("p38cr");
        v.MapLeft = -7295.0f;
        v.MapTop = -0.5f;
        v.MapWidth = 24800.0f;
        v.MapHeight = 12345.67f;
        v.ZoomLevel = 11;
        v.BullsEyeGraduations = 25;
        v.BullsEyeY = 0.721f;
        v.BullsEyeX = 1000.0f;
        presets.write(2, v);

        const QString s = QStringLiteral("SectionPreset2");
        const QList<QStringList> expected{
            {s, QStringLiteral("BaseURL"), folder(QStringLiteral("p38cr"), QStringLiteral("ktlx"))},
            {s, QStringLiteral("RadarStationName"), QStringLiteral("ktlx")},
            {s, QStringLiteral("MapTypeShort"), QStringLiteral("p38cr")},
            {s, QStringLiteral("MapLeft"), QStringLiteral("-7295")},
            {s, QStringLiteral("MapTop"), QStringLiteral("-.5")},
            {s, QStringLiteral("MapWidth"), QStringLiteral("24800")},
            {s, QStringLiteral("MapHeight"), QStringLiteral("12345.67")},
            {s, QStringLiteral("ZoomLevel"), QStringLiteral("11")},
            {s, QStringLiteral("TargetLeft"), QStringLiteral("0")},
            {s, QStringLiteral("TargetTop"), QStringLiteral("0")},
            {s, QStringLiteral("TargetSize"), QStringLiteral("0")},
            {s, QStringLiteral("BullsEyeGraduations"), QStringLiteral("25")},
            {s, QStringLiteral("BullsEyeY"), QStringLiteral(".721")},
            {s, QStringLiteral("BullsEyeX"), QStringLiteral("1000")},
        };
        QCOMPARE(store.writes, expected);

        PresetView trimmed = v;
        trimmed.BaseURL = v.BaseURL.trimmed();
        trimmed.RadarStationName = v.RadarStationName.trimmed();
        QCOMPARE(presets.read(2), trimmed);
        QCOMPARE(presets.read(3), PresetStore::defaultView());
        QCOMPARE(presets.tooltip(2),
                 QStringLiteral("KTLX - Oklahoma City, OK - Long Range Composite"));
    }

    void tooltipOfStoredAddress_data() {
        QTest::addColumn<QString>("baseUrl");
        QTest::addColumn<QString>("product");
        QTest::addColumn<QString>("expected");
        QTest::newRow("unknown station")
            << folder(QStringLiteral("p37cr"), QStringLiteral("kxyz")) << QStringLiteral("p37cr")
            << QStringLiteral("KXYZ -  - Short Range Composite");
        QTest::newRow("unknown product")
            << folder(QStringLiteral("p37cr"), QStringLiteral("kmlb")) << QStringLiteral("P37CR")
            << QStringLiteral("KMLB - Melbourne, FL - ");
        QTest::newRow("lower-case si.")
            << QStringLiteral("http://h/radar/images/DS.p19r0/si.kffc/") << QStringLiteral("p19r0")
            << QStringLiteral("KFFC - Atlanta, GA - Short Range Base");
    }
    void tooltipOfStoredAddress() {
        QFETCH(QString, baseUrl);
        QFETCH(QString, product);
        QFETCH(QString, expected);
        settings::MemorySettingsStore store;
        store.SaveSetting(app, QStringLiteral("SectionPreset7"), QStringLiteral("BaseURL"),
                          baseUrl);
        store.SaveSetting(app, QStringLiteral("SectionPreset7"), QStringLiteral("MapTypeShort"),
                          product);
        QCOMPARE(PresetStore(store, app).tooltip(7), expected);
    }

    void slotsOutsideTheEightAreErrors() {
        settings::MemorySettingsStore store;
        PresetStore presets(store, app);
        QCOMPARE(PresetStore::sectionName(0), QStringLiteral("SectionPreset0"));
        QCOMPARE(PresetStore::sectionName(7), QStringLiteral("SectionPreset7"));
        for (int slot : {-1, 8}) {
            try {
                presets.write(slot, PresetStore::defaultView());
                QFAIL("slot accepted");
            } catch (const core::RuntimeError& e) {
                QCOMPARE(e.number(), 9);
            }
        }
    }
};

QTEST_MAIN(TestPresetStore)
#include "tst_presetstore.moc"
