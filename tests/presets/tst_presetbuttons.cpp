#include "presets/PresetButtons.h"

#include "acquisition/FolderAddress.h"
#include "settings/MemorySettingsStore.h"
#include "support/FakePlatform.h"

#include <QAbstractButton>
#include <QSignalSpy>
#include <QtTest>

using namespace pluvix;
using platform::MessageButton;
using presets::PresetButtons;
using presets::PresetStore;
using presets::PresetView;

namespace {
const QString app = QStringLiteral("Pluvix");
}

class TestPresetButtons : public QObject {
    Q_OBJECT

private slots:
    void visibleButtons_data() {
        QTest::addColumn<int>("number");
        QTest::addColumn<int>("visible");
        QTest::newRow("negative") << -3 << 0;
        QTest::newRow("none") << 0 << 0;
        QTest::newRow("two") << 2 << 2;
        QTest::newRow("default") << 4 << 4;
        QTest::newRow("all") << 8 << 8;
        QTest::newRow("more than there are") << 9 << 8;
    }
    void visibleButtons() {
        QFETCH(int, number);
        QFETCH(int, visible);
        PresetButtons buttons;
        buttons.ShowPresetButtons(qint16(number));
        for (int i = 0; i < PresetButtons::Count; ++i)
            QCOMPARE(!buttons.ctrlPreset(i)->isHidden(), i < visible);
    }

    void buttonsSitInTwoRows() {
        PresetButtons buttons;
        const QRect area = PresetButtons::areaTwips();
        QCOMPARE(PresetButtons::buttonGeometryTwips(0), QRect(3660, 45, 240, 240));
        QCOMPARE(PresetButtons::buttonGeometryTwips(5), QRect(3660 + 480, 285, 240, 240));
        for (int i = 0; i < PresetButtons::Count; ++i) {
            QAbstractButton* b = buttons.ctrlPreset(i);
            QCOMPARE(b->objectName(), QStringLiteral("ctrlPreset_") + QString::number(i));
            QCOMPARE(b->size(), QSize(16, 16));
            QVERIFY(b->text().isEmpty());
            const QRect g = PresetButtons::buttonGeometryTwips(i);
            QCOMPARE(b->pos() * 15 + area.topLeft(), g.topLeft());
        }
        QCOMPARE(buttons.size() * 15, area.size());
    }

    void leftPressStaysCheckedAfterRelease() {
        PresetButtons buttons;
        QSignalSpy spy(&buttons, &PresetButtons::presetMouseDown);
        // The window's recall: release all, press the one clicked, freeze while loading.
        connect(&buttons, &PresetButtons::presetMouseDown, &buttons,
                [&](int index, Qt::MouseButton button) {
                    if (button != Qt::LeftButton)
                        return;
                    buttons.ResetPresetButtonSelect();
                    buttons.setChecked(index);
                    buttons.setButtonsEnabled(false);
                    buttons.setButtonsEnabled(true);
                });
        buttons.setChecked(1);
        QAbstractButton* third = buttons.ctrlPreset(2);
        QTest::mousePress(third, Qt::LeftButton);
        QTest::mouseRelease(third, Qt::LeftButton);
        QCOMPARE(spy.size(), 1);
        QCOMPARE(spy[0][0].toInt(), 2);
        QCOMPARE(spy[0][1].value<Qt::MouseButton>(), Qt::LeftButton);
        QVERIFY(third->isChecked());
        QCOMPARE(buttons.checkedIndex(), 2);

        // A second click on the pressed button recalls again and it stays pressed.
        QTest::mouseClick(third, Qt::LeftButton);
        QVERIFY(third->isChecked());
    }

    void pressAloneNeverToggles_data() {
        QTest::addColumn<Qt::MouseButton>("mouse");
        QTest::addColumn<int>("reports");
        QTest::newRow("left") << Qt::LeftButton << 1;
        QTest::newRow("right") << Qt::RightButton << 1;
        QTest::newRow("middle") << Qt::MiddleButton << 0;
    }
    void pressAloneNeverToggles() {
        QFETCH(Qt::MouseButton, mouse);
        QFETCH(int, reports);
        PresetButtons buttons;
        QSignalSpy spy(&buttons, &PresetButtons::presetMouseDown);
        buttons.setChecked(4);
        for (int i : {4, 5}) {
            QTest::mouseClick(buttons.ctrlPreset(i), mouse);
        }
        QCOMPARE(spy.size(), 2 * reports);
        QCOMPARE(buttons.checkedIndex(), 4);
        QVERIFY(!buttons.ctrlPreset(5)->isChecked());
    }

    void frozenButtonsReportNothing() {
        PresetButtons buttons;
        QSignalSpy spy(&buttons, &PresetButtons::presetMouseDown);
        buttons.setChecked(0);
        buttons.setButtonsEnabled(false);
        QTest::mouseClick(buttons.ctrlPreset(3), Qt::LeftButton);
        QCOMPARE(spy.size(), 0);
        buttons.ResetPresetButtonSelect();
        for (int i = 0; i < PresetButtons::Count; ++i) {
            QVERIFY(buttons.ctrlPreset(i)->isEnabled());
            QVERIFY(!buttons.ctrlPreset(i)->isChecked());
        }
    }

    void toolTipsFromTheSlots() {
        settings::MemorySettingsStore store;
        store.SaveSetting(app, QStringLiteral("SectionPreset3"), QStringLiteral("BaseURL"),
                          QStringLiteral("http://h/radar/images/DS.78ohp/SI.kbox/"));
        store.SaveSetting(app, QStringLiteral("SectionPreset3"), QStringLiteral("MapTypeShort"),
                          QStringLiteral("78ohp"));
        PresetButtons buttons;
        buttons.RefreshPresetButtons(PresetStore(store, app));
        QCOMPARE(buttons.toolTip(3), QStringLiteral("KBOX - Boston, MA - 1 HR Precipitation"));
        QCOMPARE(buttons.toolTip(0),
                 QStringLiteral("KMLB - Melbourne, FL - Short Range Composite"));
    }

    void storePrompt_data() {
        QTest::addColumn<MessageButton>("answer");
        QTest::newRow("yes") << MessageButton::Yes;
        QTest::newRow("no") << MessageButton::No;
    }
    void storePrompt() {
        QFETCH(MessageButton, answer);
        settings::MemorySettingsStore store;
        PresetStore presets(store, app);
        PresetButtons buttons;
        buttons.setToolTip(2, QStringLiteral("old"));
        buttons.setChecked(1);
        testsupport::FakeMessageBoxes boxes;
        boxes.answers = {answer};
        PresetView current = PresetStore::defaultView();
        current.MapLeft = -1234.5f;
        current.ZoomLevel = 3;

        const bool stored = presets::storePresetPrompt(2, current, presets, buttons, boxes);

        QCOMPARE(boxes.shown.size(), 1);
        QCOMPARE(boxes.shown[0].kind, QStringLiteral("yesNo"));
        QCOMPARE(boxes.shown[0].title, QStringLiteral("Apply PreSet"));
        QCOMPARE(boxes.shown[0].text,
                 QStringLiteral("Add KMLB - Melbourne, FL - Short Range Composite To PreSet# 3?"));
        const bool yes = answer == MessageButton::Yes;
        QCOMPARE(stored, yes);
        QCOMPARE(buttons.toolTip(2), yes ? QStringLiteral("KMLB - Melbourne, FL - Short Range "
                                                          "Composite")
                                         : QStringLiteral("old"));
        QCOMPARE(store.GetSetting(app, QStringLiteral("SectionPreset2"), QStringLiteral("MapLeft"),
                                  QStringLiteral("none")),
                 yes ? QStringLiteral("-1234.5") : QStringLiteral("none"));
        if (yes)
            QCOMPARE(presets.read(2), current);
        QCOMPARE(buttons.checkedIndex(), 1);
    }
};

QTEST_MAIN(TestPresetButtons)
#include "tst_presetbuttons.moc"
