#include "presets/PresetStore.h"

#include "acquisition/FolderAddress.h"
#include "settings/MemorySettingsStore.h"
#include "support/ErrorOf.h"

#include <QtTest>

using namespace Qt::StringLiterals;
using namespace pluvix;
using presets::PresetStore;
using presets::PresetView;

namespace {
const QString app = u"Pluvix"_s;
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
        v.BaseURL = u"  "_s + v.BaseURL + u' ';
        v.RadarStationName = u" ktlx "_s;
        v.MapTop = -0.5f; // each form of the texts is in tests/core
        presets.write(2, v);
        const auto stored = [&](const QString& key) {
            return store.GetSetting(app, u"SectionPreset2"_s, key, {});
        };
        QCOMPARE(stored(u"MapTop"_s) + u'|' + stored(u"RadarStationName"_s), u"-.5|ktlx"_s);
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
            << acquisition::defaultBaseUrl() << u"P37CR"_s << u"KMLB - Melbourne, FL - "_s;
        QTest::newRow("lower-case si.") << u"http://h/radar/images/DS.p19r0/si.kffc/"_s
                                        << u"p19r0"_s << u"KFFC - Atlanta, GA - Short Range Base"_s;
    }
    void tooltip() {
        QFETCH(QString, baseUrl);
        QFETCH(QString, product);
        settings::MemorySettingsStore store;
        const QString s = u"SectionPreset7"_s;
        store.SaveSetting(app, s, u"BaseURL"_s, baseUrl);
        store.SaveSetting(app, s, u"MapTypeShort"_s, product);
        QTEST(PresetStore(store, app).tooltip(7), "expected");
    }
};

QTEST_GUILESS_MAIN(TestPresets)
#include "tst_presets.moc"
