// Window chrome, tray, wallpaper and map files driven through the real main window.
#include "AppHarness.h"

#include "view/ClockWidget.h"
#include "view/MapView.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QScrollBar>
#include <QtTest>

using namespace pluvix;
using testsupport::AppHarness;

class TestDesktopWindow : public QObject {
    Q_OBJECT
private slots:
    void startUpAppliesStoredChrome();
    void statusPanelTogglesAndKeepsItsHeightRules();
    void minimiseGoesToTheTrayOnlyWhenAsked();
    void wallpaperFollowsEveryLoopStep();
    void seriesSaveWritesEveryPictureAsItCame();
};

void TestDesktopWindow::startUpAppliesStoredChrome() {
    AppHarness h;
    QVERIFY(h.startServer());
    h.set(QStringLiteral("HideTitleBar"), QStringLiteral("1"));
    h.set(QStringLiteral("HidePanel"), QStringLiteral("1"));
    h.set(QStringLiteral("TopMostWindow"), QStringLiteral("1"));
    auto& w = h.load();

    QCOMPARE(h.desktop.titleBarCalls, QList<bool>{false});
    QVERIFY(w.action(QStringLiteral("mnuHideTitleBar"))->isChecked());
    QCOMPARE(w.statusPanelHeight(), 15.0f);
    QVERIFY(w.action(QStringLiteral("mnuHideStatusBar"))->isChecked());
    QCOMPARE(h.desktop.keepOnTopCalls, QList<bool>{true});
    QVERIFY(w.action(QStringLiteral("mnuKeepOnTop"))->isChecked());
    // The caption names the station also while the title bar is hidden.
    QVERIFY(w.windowTitle().contains(QStringLiteral("Melbourne")));

    w.close();
    const QString g = QStringLiteral("SectionGeneral");
    QCOMPARE(h.stored(g, QStringLiteral("HideTitleBar")), QStringLiteral("1"));
    QCOMPARE(h.stored(g, QStringLiteral("HidePanel")), QStringLiteral("1"));
    QCOMPARE(h.stored(g, QStringLiteral("TopMostWindow")), QStringLiteral("1"));
}

void TestDesktopWindow::statusPanelTogglesAndKeepsItsHeightRules() {
    AppHarness h;
    QVERIFY(h.startServer());
    auto& w = h.load();
    const int height = w.height();

    w.action(QStringLiteral("mnuHideStatusBar"))->trigger();
    QCOMPARE(w.statusPanelHeight(), 15.0f);
    QVERIFY(!w.statusPanel()->isVisible());
    QCOMPARE(w.height(), height - 41);
    QCOMPARE(w.clock()->geometry().bottom(), w.height() - 1);

    w.ToggleStatusBar(true);
    QCOMPARE(w.statusPanelHeight(), 615.0f);
    QVERIFY(w.statusPanel()->isVisible());
    QCOMPARE(w.height(), height);
    QCOMPARE(w.statusPanel()->geometry().bottom(), w.height() - 1);

    // A window no higher than the panel is not shrunk, but the panel still collapses.
    w.resize(w.width(), 40);
    w.ToggleStatusBar(true);
    QCOMPARE(w.statusPanelHeight(), 15.0f);
    QCOMPARE(w.height(), 40);
}

void TestDesktopWindow::minimiseGoesToTheTrayOnlyWhenAsked() {
    AppHarness h;
    QVERIFY(h.startServer());
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
    QVERIFY(w.mapView()->isMapVisible());
    QCOMPARE(h.desktop.iconsAdded, 0);

    // Shut-down while in the tray removes the icon and keeps the stored geometry.
    w.showNormal();
    h.desktop.trayExists = true;
    w.action(QStringLiteral("mnuMinimize"))->trigger();
    QVERIFY(w.inTray() && !w.isVisible());
    QVERIFY(h.desktop.iconShown);
    w.requestClose();
    QVERIFY(w.shutDownDone());
    QVERIFY(!h.desktop.iconShown);
    QCOMPARE(h.stored(QStringLiteral("SectionGeneral"), QStringLiteral("FormWidth")),
             QStringLiteral("<missing>"));
}

void TestDesktopWindow::wallpaperFollowsEveryLoopStep() {
    AppHarness h;
    QVERIFY(h.startServer());
    auto& w = h.load();
    QCOMPARE(h.desktop.followed, 0);

    w.action(QStringLiteral("mnuSetImageWallpaper"))->trigger();
    QVERIFY(w.wallpaperChecked());
    QCOMPARE(h.desktop.followed, 1);
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

void TestDesktopWindow::seriesSaveWritesEveryPictureAsItCame() {
    AppHarness h;
    QVERIFY(h.startServer());
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
    QVERIFY(w.historySlider()->isEnabled());
    QCOMPARE(w.PollCounter, 0);
}

QTEST_MAIN(TestDesktopWindow)
#include "tst_desktopwindow.moc"
