#include "presets/PresetStore.h"

#include "acquisition/FolderAddress.h"
#include "settings/MemorySettingsStore.h"
#include "support/ErrorOf.h"

#include <QtTest>

using namespace pluvix;
using presets::PresetStore;
using presets::PresetView;

namespace {
const QString app = QStringLiteral("Pluvix");
}

// Recall, the store prompt, tooltips, the buttons and the visible count are driven through the
// real window in tests/e2e; here the number texts of a slot and the tooltip's lookup rules.
class TestPresets : public QObject {
    Q_OBJECT

private slots:
    void slotRoundTripsWithItsNumberTexts() {
        settings::MemorySettingsStore store;
        PresetStore presets(store, app);
        PresetView v = PresetStore::defaultView();
        v.BaseURL = QStringLiteral("  ") + v.BaseURL + u' ';
        v.RadarStationName = QStringLiteral(" ktlx ");
        v.MapTop = -0.5f;
        v.MapHeight = 12345.67f;
        v.BullsEyeY = 0.721f;
        presets.write(2, v);
        const auto stored = [&](const char* key) {
            return store.GetSetting(app, QStringLiteral("SectionPreset2"), QLatin1String(key), {});
        };
        QCOMPARE(QStringList({stored("MapTop"), stored("MapHeight"), stored("BullsEyeY"),
                              stored("RadarStationName")}),
                 QString::fromLatin1("-.5 12345.67 .721 ktlx").split(u' '));
        v.BaseURL = v.BaseURL.trimmed();
        v.RadarStationName = v.RadarStationName.trimmed();
        QCOMPARE(presets.read(2), v);
        QCOMPARE(presets.read(3), PresetStore::defaultView());
        for (int slot : {-1, 8})
            QCOMPARE(testsupport::errorOf([&] { presets.write(slot, v); }), 9);
    }

    void tooltip_data() {
        QTest::addColumn<QString>("baseUrl");
        QTest::addColumn<QString>("product");
        QTest::addColumn<QString>("expected");
        QTest::newRow("product matched exactly")
            << acquisition::defaultBaseUrl() << QStringLiteral("P37CR")
            << QStringLiteral("KMLB - Melbourne, FL - ");
        QTest::newRow("lower-case si.")
            << QStringLiteral("http://h/radar/images/DS.p19r0/si.kffc/") << QStringLiteral("p19r0")
            << QStringLiteral("KFFC - Atlanta, GA - Short Range Base");
    }
    void tooltip() {
        QFETCH(QString, baseUrl);
        QFETCH(QString, product);
        QFETCH(QString, expected);
        settings::MemorySettingsStore store;
        const QString s = QStringLiteral("SectionPreset7");
        store.SaveSetting(app, s, QStringLiteral("BaseURL"), baseUrl);
        store.SaveSetting(app, s, QStringLiteral("MapTypeShort"), product);
        QCOMPARE(PresetStore(store, app).tooltip(7), expected);
    }
};

QTEST_GUILESS_MAIN(TestPresets)
#include "tst_presets.moc"
