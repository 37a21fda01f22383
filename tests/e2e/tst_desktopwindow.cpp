// Window chrome and tray driven through the real main window.
#include "AppHarness.h"

#include <QAction>
#include <QtTest>

using namespace Qt::StringLiterals;
using namespace pluvix;
using testsupport::AppHarness;

class TestDesktopWindow : public QObject {
    Q_OBJECT
private slots:
    void startUpAppliesStoredChrome() {
        AppHarness h(AppHarness::Server);
        const auto keys = {"HideTitleBar", "HidePanel", "TopMostWindow"};
        for (const char* key : keys)
            h.set(QLatin1String(key), u"1"_s);
        auto& w = h.load();

        QCOMPARE(h.desktop.titleBarCalls, QList<bool>{false});
        QCOMPARE(h.desktop.keepOnTopCalls, QList<bool>{true});
        QCOMPARE(w.statusPanelHeight(), 15.0f);
        for (const char* item : {"mnuHideTitleBar", "mnuHideStatusBar", "mnuKeepOnTop"})
            QVERIFY2(w.action(QLatin1String(item))->isChecked(), item);
        // The caption names the station also while the title bar is hidden.
        QVERIFY(w.windowTitle().contains(u"Melbourne"_s));
        w.close();
        for (const char* key : keys)
            QCOMPARE(h.stored(u"SectionGeneral"_s, QLatin1String(key)), u"1"_s);
    }

    // Without any tray the window must stay reachable on the task bar.
    void minimiseGoesToTheTrayOnlyWhenAsked_data() {
        QTest::addColumn<QString>("toTray");
        QTest::newRow("not asked") << u"0"_s;
        QTest::newRow("asked, no tray") << u"1"_s;
    }
    void minimiseGoesToTheTrayOnlyWhenAsked() {
        QFETCH(QString, toTray);
        AppHarness h(AppHarness::Server);
        h.set(u"MinimizeToTray"_s, toTray);
        h.desktop.trayExists = toTray == u"0"_s;
        auto& w = h.load();
        w.action(u"mnuMinimize"_s)->trigger();
        QVERIFY(!w.inTray());
        QCOMPARE(h.desktop.iconsAdded, 0);
    }
};

QTEST_MAIN(TestDesktopWindow)
#include "tst_desktopwindow.moc"
