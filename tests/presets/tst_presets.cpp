#include "presets/PresetButtons.h"
#include "presets/PresetStore.h"

#include "acquisition/FolderAddress.h"
#include "core/RuntimeError.h"
#include "settings/MemorySettingsStore.h"

#include <QAbstractButton>
#include <QSignalSpy>
#include <QtTest>

using namespace pluvix;
using presets::PresetButtons;
using presets::PresetStore;
using presets::PresetView;

namespace {
const QString app = QStringLiteral("Pluvix");
}

// Recall, the store prompt, tooltips and the visible count are driven through the real window
// in tests/e2e; here the number texts of a slot and what the buttons report on their own.
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
        QCOMPARE(stored("MapTop"), QStringLiteral("-.5"));
        QCOMPARE(stored("MapHeight"), QStringLiteral("12345.67"));
        QCOMPARE(stored("BullsEyeY"), QStringLiteral(".721"));
        QCOMPARE(stored("RadarStationName"), QStringLiteral("ktlx"));
        v.BaseURL = v.BaseURL.trimmed();
        v.RadarStationName = v.RadarStationName.trimmed();
        QCOMPARE(presets.read(2), v);
        QCOMPARE(presets.read(3), PresetStore::defaultView());
        for (int slot : {-1, 8}) {
            try {
                presets.write(slot, v);
                QFAIL("slot accepted");
            } catch (const core::RuntimeError& e) {
                QCOMPARE(e.number(), 9);
            }
        }
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

    // Only a recall presses a button; clicks alone toggle nothing, frozen buttons report nothing.
    void clicksReportButToggleNothing() {
        PresetButtons buttons;
        QSignalSpy spy(&buttons, &PresetButtons::presetMouseDown);
        buttons.setChecked(4);
        for (Qt::MouseButton mouse : {Qt::LeftButton, Qt::RightButton, Qt::MiddleButton})
            QTest::mouseClick(buttons.ctrlPreset(5), mouse);
        QCOMPARE(spy.size(), 2);
        QCOMPARE(spy[1][0].toInt(), 5);
        QCOMPARE(spy[1][1].value<Qt::MouseButton>(), Qt::RightButton);
        QCOMPARE(buttons.checkedIndex(), 4);
        QVERIFY(!buttons.ctrlPreset(5)->isChecked());

        buttons.setButtonsEnabled(false);
        QTest::mouseClick(buttons.ctrlPreset(3), Qt::LeftButton);
        QCOMPARE(spy.size(), 2);
    }
};

QTEST_MAIN(TestPresets)
#include "tst_presets.moc"
