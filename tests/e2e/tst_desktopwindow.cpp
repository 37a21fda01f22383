// Window chrome, tray, wallpaper and map files driven through the real main window.
#include "AppHarness.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QtTest>

using namespace Qt::StringLiterals;
using namespace pluvix;
using testsupport::AppHarness;

class TestDesktopWindow : public QObject {
    Q_OBJECT
private slots:
    void startUpAppliesStoredChrome() {
        AppHarness h(AppHarness::Server);
        h.set(u"HideTitleBar"_s, u"1"_s);
        h.set(u"HidePanel"_s, u"1"_s);
        h.set(u"TopMostWindow"_s, u"1"_s);
        auto& w = h.load();

        QCOMPARE(h.desktop.titleBarCalls, QList<bool>{false});
        QCOMPARE(h.desktop.keepOnTopCalls, QList<bool>{true});
        QCOMPARE(w.statusPanelHeight(), 15.0f);
        for (const char* item : {"mnuHideTitleBar", "mnuHideStatusBar", "mnuKeepOnTop"})
            QVERIFY2(w.action(QLatin1String(item))->isChecked(), item);
        // The caption names the station also while the title bar is hidden.
        QVERIFY(w.windowTitle().contains(u"Melbourne"_s));
        w.close();
        for (const char* key : {"HideTitleBar", "HidePanel", "TopMostWindow"})
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

    void wallpaperFollowsEveryLoopStep() {
        AppHarness h(AppHarness::Server);
        auto& w = h.load();
        QCOMPARE(h.desktop.followed, 0);

        w.action(u"mnuSetImageWallpaper"_s)->trigger();
        QVERIFY(w.viewer().wallpaperFollows());
        w.statusPanel()->loopSwitch()->setChecked(true);
        const int before = h.desktop.followed;
        for (int i = 0; i < 5; ++i)
            w.viewer().playback().loopTick();
        QCOMPARE(h.desktop.followed - before, 5);

        w.action(u"mnuSetImageWallpaper"_s)->trigger();
        QVERIFY(!w.viewer().wallpaperFollows());
        QCOMPARE(h.desktop.restored, 1);
        w.close();
        QCOMPARE(h.desktop.restored, 2);
        QCOMPARE(h.stored(u"SectionGeneral"_s, u"SetWallPaper"_s), u"0"_s);
    }

    void seriesSaveWritesEveryPictureAsItCame() {
        AppHarness h(AppHarness::Server);
        auto& w = h.load();
        QTemporaryDir out;
        h.fileDialogs.answers = {out.filePath(u"typed name ignored.gif"_s)};
        w.action(u"mnuSaveSeriesMap"_s)->trigger();

        QCOMPARE(h.fileDialogs.requests.size(), 1);
        QCOMPARE(h.fileDialogs.requests[0].proposedName, w.viewer().feed().history().tag(9));
        const QStringList files = QDir(out.path()).entryList(QDir::Files, QDir::Name);
        QCOMPARE(files.size(), 10);
        for (int i = 0; i < 10; ++i) {
            const QString name = u"Melbourne, FL  (SRC) - "_s + w.viewer().feed().history().tag(i);
            QVERIFY2(files.contains(name), qPrintable(name));
            QFile f(out.filePath(name));
            QVERIFY(f.open(QIODevice::ReadOnly));
            QCOMPARE(f.readAll(), w.viewer().feed().history().encoded(i));
        }
    }
};

QTEST_MAIN(TestDesktopWindow)
#include "tst_desktopwindow.moc"
