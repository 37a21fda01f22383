// Window chrome, tray, wallpaper and map files driven through the real main window.
#include "AppHarness.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QtTest>

using namespace pluvix;
using testsupport::AppHarness;

class TestDesktopWindow : public QObject {
    Q_OBJECT
private slots:
    void startUpAppliesStoredChrome() {
        AppHarness h(AppHarness::Server);
        h.set(QStringLiteral("HideTitleBar"), QStringLiteral("1"));
        h.set(QStringLiteral("HidePanel"), QStringLiteral("1"));
        h.set(QStringLiteral("TopMostWindow"), QStringLiteral("1"));
        auto& w = h.load();

        QCOMPARE(h.desktop.titleBarCalls, QList<bool>{false});
        QCOMPARE(h.desktop.keepOnTopCalls, QList<bool>{true});
        QCOMPARE(w.statusPanelHeight(), 15.0f);
        for (const char* item : {"mnuHideTitleBar", "mnuHideStatusBar", "mnuKeepOnTop"})
            QVERIFY2(w.action(QLatin1String(item))->isChecked(), item);
        // The caption names the station also while the title bar is hidden.
        QVERIFY(w.windowTitle().contains(QStringLiteral("Melbourne")));
        w.close();
        for (const char* key : {"HideTitleBar", "HidePanel", "TopMostWindow"})
            QCOMPARE(h.stored(QStringLiteral("SectionGeneral"), QLatin1String(key)),
                     QStringLiteral("1"));
    }

    void minimiseGoesToTheTrayOnlyWhenAsked() {
        AppHarness h(AppHarness::Server);
        auto& w = h.load();

        w.action(QStringLiteral("mnuMinimize"))->trigger();
        QCOMPARE(h.desktop.iconsAdded, 0);
        QVERIFY(!w.inTray());
        w.showNormal();

        // Without any tray the window must stay reachable on the task bar.
        w.Settings.MinimizeToTray = 1;
        h.desktop.trayExists = false;
        w.action(QStringLiteral("mnuMinimize"))->trigger();
        QVERIFY(!w.inTray());
        QCOMPARE(h.desktop.iconsAdded, 0);

        // Shut-down while in the tray removes the icon and keeps the stored geometry.
        w.showNormal();
        h.desktop.trayExists = true;
        w.action(QStringLiteral("mnuMinimize"))->trigger();
        QVERIFY(w.inTray() && !w.isVisible() && h.desktop.iconShown);
        w.requestClose();
        QVERIFY(w.shutDownDone());
        QVERIFY(!h.desktop.iconShown);
        QCOMPARE(h.stored(QStringLiteral("SectionGeneral"), QStringLiteral("FormWidth")),
                 QStringLiteral("<missing>"));
    }

    void wallpaperFollowsEveryLoopStep() {
        AppHarness h(AppHarness::Server);
        auto& w = h.load();
        QCOMPARE(h.desktop.followed, 0);

        w.action(QStringLiteral("mnuSetImageWallpaper"))->trigger();
        QVERIFY(w.wallpaperChecked());
        w.loopSwitch()->setChecked(true);
        const int before = h.desktop.followed;
        for (int i = 0; i < 5; ++i)
            w.PlayImages();
        QCOMPARE(h.desktop.followed - before, 5);

        w.action(QStringLiteral("mnuSetImageWallpaper"))->trigger();
        QVERIFY(!w.wallpaperChecked());
        QCOMPARE(h.desktop.restored, 1);
        w.close();
        QCOMPARE(h.desktop.restored, 2);
        QCOMPARE(h.stored(QStringLiteral("SectionGeneral"), QStringLiteral("SetWallPaper")),
                 QStringLiteral("0"));
    }

    void seriesSaveWritesEveryPictureAsItCame() {
        AppHarness h(AppHarness::Server);
        auto& w = h.load();
        QTemporaryDir out;
        h.fileDialogs.answers = {out.filePath(QStringLiteral("typed name ignored.gif"))};
        w.action(QStringLiteral("mnuSaveSeriesMap"))->trigger();

        QCOMPARE(h.fileDialogs.requests.size(), 1);
        QCOMPARE(h.fileDialogs.requests[0].proposedName, w.Image2.tag(9));
        const QStringList files = QDir(out.path()).entryList(QDir::Files, QDir::Name);
        QCOMPARE(files.size(), 10);
        for (int i = 0; i < 10; ++i) {
            const QString name = QStringLiteral("Melbourne, FL  (SRC) - ") + w.Image2.tag(i);
            QVERIFY2(files.contains(name), qPrintable(name));
            QFile f(out.filePath(name));
            QVERIFY(f.open(QIODevice::ReadOnly));
            QCOMPARE(f.readAll(), w.Image2.encoded(i));
        }
    }
};

QTEST_MAIN(TestDesktopWindow)
#include "tst_desktopwindow.moc"
