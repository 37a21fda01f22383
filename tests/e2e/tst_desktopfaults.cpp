// The real main window on a real desktop: openbox, trayer, real dialogs and X clicks.
#include "AppHarness.h"

#include "app/CloseDuringDownload.h"
#include "app/LinuxDesktop.h"
#include "app/TerminationSignals.h"
#include "platform/QtFileDialogs.h"
#include "platform/QtMessageBoxes.h"
#include "presets/PresetButtons.h"
#include "support/RecordingSettingsStore.h"
#include "support/XSession.h"
#include "view/ClockWidget.h"
#include "view/ColourScale.h"
#include "view/MapView.h"
#include "view/Playback.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDeadlineTimer>
#include <QFile>
#include <QFileDialog>
#include <QMenu>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <thread>

using namespace pluvix;
using testsupport::AppHarness;
using testsupport::XSession;
using namespace Qt::StringLiterals;

class TestDesktopFaults : public QObject {
    Q_OBJECT
public:
    explicit TestDesktopFaults(XSession& session) : x(session) {}

private:
    XSession& x;
    std::unique_ptr<AppHarness> h;
    std::unique_ptr<app::LinuxDesktop> desktop;
    platform::QtMessageBoxes realBoxes;
    platform::QtFileDialogs realDialogs;

    app::MainWindow& start(bool realBoxesToo = false, const QString& key = {},
                           const QString& value = {}, settings::SettingsStore* store = nullptr) {
        h = std::make_unique<AppHarness>(AppHarness::Server);
        h->storeOverride = store;
        if (!key.isEmpty())
            h->set(key, value);
        platform::MessageBoxes& boxes =
            realBoxesToo ? static_cast<platform::MessageBoxes&>(realBoxes) : h->boxes;
        desktop = std::make_unique<app::LinuxDesktop>(boxes, h->dir.filePath(u"tmp"_s), u"Pluvix"_s,
                                                      h->dir.filePath(u"bin"_s));
        h->desktopOverride = desktop.get();
        h->fileDialogsOverride = &realDialogs;
        if (realBoxesToo)
            h->boxesOverride = &realBoxes;
        auto& w = h->loadStill();
        [&] { QVERIFY(QTest::qWaitForWindowExposed(&w)); }();
        return w;
    }
    bool xdotool(const QStringList& args) { return x.runClient(u"xdotool"_s, args).has_value(); }
    bool pointerTo(QPoint global, const QStringList& then = {}) {
        return xdotool(
            QStringList{u"mousemove"_s, QString::number(global.x()), QString::number(global.y())} +
            then);
    }
    bool clickAt(QPoint global, const QString& button, int repeat = 1) {
        return xdotool(
                   {u"mousemove"_s, QString::number(global.x()), QString::number(global.y())}) &&
               xdotool({u"click"_s, u"--repeat"_s, QString::number(repeat), u"--delay"_s, u"80"_s,
                        button});
    }
    // The X state list of the window, as the window manager keeps it.
    QString netWmState(QWidget& w) {
        return x
            .runClient(u"xprop"_s,
                       {u"-id"_s, QString::number(w.windowHandle()->winId()), u"_NET_WM_STATE"_s})
            .value_or(u"<xprop failed>"_s);
    }
    // Calls `answer` on the next modal dialog or box in this test; the timer is gone once it has.
    QPointer<QTimer> onNextModal(std::function<void(QWidget*)> answer) {
        auto* poll = new QTimer(testScope.get());
        connect(poll, &QTimer::timeout, this, [poll, answer] {
            if (QWidget* modal = QApplication::activeModalWidget(); modal && modal->isVisible()) {
                poll->deleteLater();
                poll->stop();
                answer(modal);
            }
        });
        poll->start(50);
        return poll;
    }
    // Owns what a test leaves waiting; it ends with the test.
    std::unique_ptr<QObject> testScope;
    std::unique_ptr<testsupport::RecordingSettingsStore> failingStore;
    static QWidget* trayIcon() {
        for (QWidget* t : QApplication::topLevelWidgets())
            if (t->inherits("QSystemTrayIconSys") && t->isVisible() && t->windowHandle() &&
                t->windowHandle()->isExposed())
                return t;
        return nullptr;
    }
    static QImage look(QAbstractButton* b) {
        return b->grab().toImage().convertToFormat(QImage::Format_RGB32);
    }

    // The map's accessible children as a screen reader gets them: the texts of the shown ones.
    static QStringList accessibleTexts(QWidget* widget) {
        QStringList texts;
        QAccessibleInterface* map = QAccessible::queryAccessibleInterface(widget);
        for (int i = 0; map && i < map->childCount(); ++i)
            if (QAccessibleInterface* c = map->child(i); c && !c->state().invisible)
                texts.append(c->text(QAccessible::Name));
        return texts;
    }
    // How many pixels of each of `colours` a grab of the map shows inside `part`.
    static QHash<QRgb, int> coloursIn(QWidget* map, const QRect& part, const QList<QRgb>& colours) {
        const QImage grab = map->grab().toImage().convertToFormat(QImage::Format_RGB32);
        QHash<QRgb, int> seen;
        for (int y = part.top(); y <= part.bottom(); ++y)
            for (int x = part.left(); x <= part.right(); ++x)
                if (colours.contains(grab.pixel(x, y)))
                    ++seen[grab.pixel(x, y)];
        return seen;
    }

private slots:
    void init() {
        if (!x.isRunning())
            QSKIP(qPrintable(x.problem()));
        testScope = std::make_unique<QObject>();
    }
    void cleanup() {
        testScope.reset();
        h.reset();
        failingStore.reset();
        desktop.reset();
    }

    // A late minimised report while the window maps again must not send it back to the tray.
    void trayRestoresEveryTime_data() {
        QTest::addColumn<bool>("byMenu");
        QTest::addColumn<int>("rounds");
        QTest::newRow("double click") << false << 20;
        QTest::newRow("Show Pluvix") << true << 10;
    }
    void trayRestoresEveryTime() {
        QFETCH(bool, byMenu);
        QFETCH(int, rounds);
        auto& w = start(false, u"MinimizeToTray"_s, u"1"_s);
        for (int round = 0; round < rounds; ++round) {
            w.action(u"mnuMinimize"_s)->trigger();
            QTRY_VERIFY(w.inTray() && !w.isVisible());
            QWidget* icon = nullptr;
            QTRY_VERIFY_WITH_TIMEOUT((icon = trayIcon()) != nullptr, 10000);
            QTest::qWait(200);
            const QPoint centre = icon->mapToGlobal(icon->rect().center());
            if (byMenu) {
                QVERIFY(clickAt(centre, u"3"_s));
                QTRY_VERIFY(w.trayMenu()->isVisible());
                QMenu* menu = w.trayMenu();
                QVERIFY(clickAt(
                    menu->mapToGlobal(menu->actionGeometry(w.action(u"mnuShowPluvix"_s)).center()),
                    u"1"_s));
            } else {
                QVERIFY(clickAt(centre, u"1"_s, 2));
            }
            QTRY_VERIFY_WITH_TIMEOUT(w.isVisible() && !w.isMinimized(), 5000);
            QTest::qWait(500);
            QVERIFY2(w.isVisible() && !w.inTray() && w.mapView()->isMapVisible(),
                     qPrintable(u"round %1"_s.arg(round)));
        }
    }

    // Three hours without a new picture: the badge is on the map, read by accessibility tools and
    // in the tray's tip; a failing poll adds the silent server; a fresh picture clears both.
    void pictureAgeOnMapAndInTray() {
        auto& w = start(false, u"MinimizeToTray"_s, u"1"_s);
        view::MapView* map = w.mapView();
        const QRect corner(0, 0, map->width() / 2, 40);
        const QRgb light = qRgb(255, 255, 255);
        const auto white = [&] { return coloursIn(map, corner, {light}).value(light); };
        const int whiteBefore = white();
        QVERIFY(!accessibleTexts(map).join(u'|').contains(u"Picture"_s));

        h->clock.fixed = QDateTime(QDate(2026, 12, 6), QTime(13, 5), QTimeZone::utc());
        w.viewer().feed().pollTick();
        QVERIFY(accessibleTexts(map).contains(u"Picture 3 h 05 min old"_s));
        QVERIFY(map->ageBadgePlate().toRect().intersects(corner));
        QVERIFY(white() > whiteBefore + 20);

        w.action(u"mnuMinimize"_s)->trigger();
        QWidget* icon = nullptr;
        QTRY_VERIFY_WITH_TIMEOUT((icon = trayIcon()) != nullptr, 10000);
        const QString tip = u"Cirrusworks Pluvix\nKMLB - Melbourne, FL - Short Range Composite\n"
                            u"Picture of 10:00 UTC\n3 h %1 min old"_s;
        QCOMPARE(icon->toolTip(), tip.arg(u"05"_s));
        // It ages in the tray too.
        h->clock.fixed = h->clock.fixed.addSecs(60);
        w.viewer().feed().pollTick();
        QCOMPARE(icon->toolTip(), tip.arg(u"06"_s));
        w.restoreFromTray();

        QVERIFY(h->server.control(u"faults?fail-next=3"_s));
        testsupport::tickUntilPoll(w);
        const QString since = h->clock.fixed.toLocalTime().toString(u"HH:mm"_s);
        QVERIFY(accessibleTexts(map).contains(
            u"Picture 3 h 06 min old, server not answering since "_s + since));

        QVERIFY(h->server.control(u"reset"_s));
        QVERIFY(h->server.control(u"advance?seconds=11160"_s));
        testsupport::tickUntilPoll(w);
        QVERIFY(!accessibleTexts(map).join(u'|').contains(u"Picture"_s));
        QCOMPARE(white(), whiteBefore);
    }

    // The legend sits in the corner above the panel at every zoom and pan; its menu item switches
    // it and the general section keeps the choice.
    void colourScaleStaysInTheCorner_data() {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<bool>("shown");
        QTest::newRow("no key: shown") << QString() << true;
        QTest::newRow("stored off") << u"0"_s << false;
    }
    void colourScaleStaysInTheCorner() {
        QFETCH(QString, stored);
        QFETCH(bool, shown);
        auto& w = start(false, stored.isNull() ? QString() : u"ShowColourScale"_s, stored);
        view::MapView* map = w.mapView();
        QAction* item = w.action(u"mnuShowColourScale"_s);
        QList<QRgb> legend;
        for (const view::ScaleStep& step : view::colourScaleFor(u"p37cr"_s).steps)
            legend.append(step.colour | 0xff000000U);
        const auto checkLegend = [&](bool expected, const char* step) {
            QCOMPARE(item->isChecked(), expected);
            const QRect plate = map->colourScalePlate().toAlignedRect();
            QCOMPARE(!plate.isEmpty(), expected);
            const QRect corner(0, w.statusPanel()->y() - plate.height() - 12, 12 + plate.width(),
                               plate.height() + 12);
            QVERIFY2(!expected || corner.contains(plate), step);
            QVERIFY2((coloursIn(map, corner, legend).size() == 15) == expected, step);
        };
        checkLegend(shown, "loaded");
        item->trigger();
        checkLegend(!shown, "switched");
        for (const char* zoom : {"mnuZoomNum_1", "mnuZoomNum_12"}) {
            w.action(QLatin1String(zoom))->trigger();
            checkLegend(!shown, zoom);
        }
        const view::MapRect r = w.viewer().mapState().rect();
        w.viewer().mapState().setRect({r.Left - 4000, r.Top + 3000, r.Width, r.Height});
        checkLegend(!shown, "panned");
        w.close();
        QCOMPARE(h->stored(u"SectionGeneral"_s, u"ShowColourScale"_s), shown ? u"0"_s : u"1"_s);
    }

    void keepOnTopSurvivesTitleBarToggles() {
        auto& w = start();
        w.action(u"mnuKeepOnTop"_s)->trigger();
        for (int toggle = 0; toggle < 18; ++toggle) {
            if (toggle == 16)
                w.action(u"mnuKeepOnTop"_s)->trigger();
            w.action(u"mnuHideTitleBar"_s)->trigger();
            const bool onTop = w.action(u"mnuKeepOnTop"_s)->isChecked();
            QTRY_VERIFY2_WITH_TIMEOUT(netWmState(w).contains(u"_NET_WM_STATE_ABOVE"_s) == onTop,
                                      qPrintable(u"toggle %1: "_s.arg(toggle) + netWmState(w)),
                                      5000);
        }
    }

    // Save dialogs and boxes stay above a window kept on top; with no browser the help tells
    // where its page is.
    void dialogsBelongToTheWindow() {
        auto& w = start(true);
        w.action(u"mnuKeepOnTop"_s)->trigger();
        // What each dialog was, recorded while it is open.
        bool rightKind = false;
        QWidget* parent = nullptr;
        QWindow* transientParent = nullptr;
        onNextModal([&](QWidget* d) {
            rightKind = qobject_cast<QFileDialog*>(d) != nullptr;
            parent = d->parentWidget();
            transientParent = d->windowHandle()->transientParent();
            static_cast<QDialog*>(d)->reject();
        });
        w.action(u"mnuSaveMap"_s)->trigger();
        QVERIFY(rightKind);
        QCOMPARE(parent, &w);
        QCOMPARE(transientParent, w.windowHandle());

        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", h->dir.path().toLocal8Bit()); // no browser to be found
        QString text;
        parent = nullptr;
        onNextModal([&](QWidget* d) {
            parent = d->parentWidget();
            text = static_cast<QMessageBox*>(d)->text();
            static_cast<QMessageBox*>(d)->button(QMessageBox::Ok)->click();
        });
        w.action(u"mnuHelp"_s)->trigger();
        qputenv("PATH", path);
        QCOMPARE(parent, &w);
        QVERIFY2(text.contains(u"help/index.html"_s), qPrintable(text));
    }

    // Releases that the disabled button or a modal box swallowed leave nothing drawn pressed.
    void onlyTheShownPresetLooksPressed() {
        auto& w = start(true);
        presets::PresetButtons* p = w.statusPanel()->presetButtons();
        h->store.SaveSetting(u"Pluvix"_s, u"SectionPreset0"_s, u"BaseURL"_s, h->folderUrl());
        QVERIFY(clickAt(p->button(0)->mapToGlobal(QPoint(8, 8)), u"1"_s));
        // Else the store prompt's click may land on a button that the recall disables.
        QTRY_VERIFY(p->button(0)->isChecked());
        QTRY_VERIFY_WITH_TIMEOUT(!w.statusPanel()->progressBar()->isVisible() &&
                                     w.statusPanel()->historySlider()->isEnabled(),
                                 20000);
        const auto prompt = onNextModal(
            [](QWidget* d) { static_cast<QMessageBox*>(d)->button(QMessageBox::No)->click(); });
        QVERIFY(clickAt(p->button(1)->mapToGlobal(QPoint(8, 8)), u"3"_s));
        QTRY_VERIFY_WITH_TIMEOUT(!prompt, 20000);
        QTest::qWait(300); // the release that the box swallowed
        for (int i = 0; i < 4; ++i) {
            presets::PresetButton fresh(i + 1);
            fresh.setChecked(i == 0);
            QCOMPARE(look(p->button(i)), look(&fresh));
        }
        presets::PresetButton released(1);
        QVERIFY(look(p->button(0)) != look(&released));
    }

    void withoutTitleBarDoubleClickTogglesPanelAndDragMoves() {
        auto& w = start();
        w.action(u"mnuHideTitleBar"_s)->trigger();
        const QPoint centre = w.mapToGlobal(QPoint(w.width() / 2, w.height() / 3));
        QVERIFY(clickAt(centre, u"1"_s, 2));
        QTRY_COMPARE(w.statusPanelHeight(), 15.0f);

        // Twice: the first move must leave the window ready for the next.
        for (int drag = 0; drag < 2; ++drag) {
            QTest::qWait(QApplication::doubleClickInterval() + 200);
            const QPoint before = w.pos();
            const QPoint from = w.mapToGlobal(QPoint(w.width() / 2, w.height() / 3));
            QVERIFY(xdotool({u"mousemove"_s, QString::number(from.x()), QString::number(from.y()),
                             u"mousedown"_s, u"1"_s}));
            for (int step = 1; step <= 5; ++step) {
                QVERIFY(xdotool({u"mousemove"_s, QString::number(from.x() + 12 * step),
                                 QString::number(from.y() + 8 * step)}));
                QTest::qWait(60);
            }
            QVERIFY(xdotool({u"mouseup"_s, u"1"_s}));
            // The whole way of the pointer, the part before the move began too.
            QTRY_COMPARE(w.pos() - before, QPoint(60, 40));
            QCOMPARE(w.statusPanelHeight(), 15.0f);
        }
    }

    // The map follows a held button, and the drop rules stay: dropped on the clock, nothing has
    // moved. Each wheel notch zooms one level keeping the map point under the pointer within
    // 2 px, and the slider and the menu's mark follow.
    void mouseZoomsAndDragsTheMap() {
        auto& w = start();
        const view::MapRect old = w.viewer().mapState().rect();
        for (const bool onClock : {true, false}) {
            QTest::qWait(QApplication::doubleClickInterval() + 200);
            const QPoint from = w.mapView()->mapToGlobal(QPoint(150, 100));
            QVERIFY(pointerTo(from, {u"mousedown"_s, u"1"_s}));
            for (int step = 1; step <= 4; ++step)
                QVERIFY(pointerTo(from + QPoint(10, 5) * step));
            QTRY_COMPARE(w.viewer().mapState().rect().Left, old.Left + 600.0f);
            QCOMPARE(w.viewer().mapState().rect().Top, old.Top + 300.0f);
            QVERIFY(
                pointerTo(onClock ? w.clock()->mapToGlobal(QPoint(17, 17)) : from + QPoint(40, 20),
                          {u"mouseup"_s, u"1"_s}));
            QTRY_VERIFY(!w.mapView()->isDragging());
            QCOMPARE(w.viewer().mapState().rect().Left, old.Left + (onClock ? 0.0f : 600.0f));
        }
        const QPoint at(90, 110);
        const QPointF p = view::pxToTwips(QPointF(at));
        for (const auto& [button, notches] : {std::pair{u"4"_s, 1}, {u"5"_s, -2}}) {
            const view::MapRect before = w.viewer().mapState().rect();
            const int level = w.viewer().mapState().zoom() + notches;
            QVERIFY(pointerTo(w.mapView()->mapToGlobal(at),
                              {u"click"_s, u"--repeat"_s, QString::number(qAbs(notches)), button}));
            QTRY_COMPARE(w.statusPanel()->zoomSlider()->value(), level);
            const view::MapRect r = w.viewer().mapState().rect();
            QCOMPARE(r.Width, 3000.0f * float(level));
            QVERIFY(QLineF(QPointF(r.Left + (p.x() - before.Left) * r.Width / before.Width,
                                   r.Top + (p.y() - before.Top) * r.Height / before.Height),
                           p)
                        .length() <= 2 * 15);
            QVERIFY(w.action(u"mnuZoomNum_%1"_s.arg(level))->isChecked());
        }
    }

    // Every key pressed on the desktop moves its model, or runs once the menu item that shows
    // it; a key pressed while a dialog is open does nothing.
    void keysRunTheirCommands() {
        auto& w = start();
        h->store.SaveSetting(u"Pluvix"_s, u"SectionPreset1"_s, u"BaseURL"_s, h->folderUrl());
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        view::Playback& play = w.viewer().playback();
        view::MapState& map = w.viewer().mapState();
        map.moveZoom(5);
        const auto at = [&play](int i) { return [&play, i] { return play.position() == i; }; };
        const auto zoom = [&map](int z) { return [&map, z] { return map.zoom() == z; }; };
        const view::ClientArea client{w.width() * 15.0f, w.height() * 15.0f, w.statusPanelHeight()};
        const QPointF centre(client.Width / 2, (client.Height - client.StatusBarHeight) / 2);
        const auto menuAtCentre = [&] {
            return w.imageMenu()->isVisible() &&
                   map.popupPoint() + QPointF(map.rect().Left, map.rect().Top) == centre;
        };
        QSignalSpy recalls(&w.viewer().presetRecall(), &presets::PresetRecall::recallBegins);
        int dialogs = 0;
        QPointer<QTimer> answer;
        const std::tuple<const char*, const char*, const char*, std::function<bool()>> rows[] = {
            {"Left", {}, {}, at(9)},
            {"Home", {}, {}, at(1)},
            {"Right", {}, {}, at(2)},
            {"End", {}, {}, at(10)},
            {"space", "mnuPlayNow", "Space", [&] { return play.isLooping(); }},
            {"space", "mnuPlayNow", "Space", [&] { return !play.isLooping(); }},
            {"plus", "mnuZoomIn", "+", zoom(6)},
            {"minus", "mnuZoomOut", "-", zoom(5)},
            {"ctrl+plus", "mnuZoomIn", "+", zoom(6)},
            {"ctrl+minus", "mnuZoomOut", "-", zoom(5)},
            {"f", {}, {}, [&] { return map.rect() == view::fittedMap(client).map; }},
            {"c", {}, {}, [&] { return map.rect() == view::centredOn(client, map.rect()); }},
            {"8", {}, {}, [&] { return recalls.isEmpty(); }}, // no such button shown
            {"2", {}, {}, [&] { return recalls.size() == 1 && !w.statusPanel()->frozen(); }},
            {"ctrl+s", "mnuSaveMap", "Ctrl+S", [&] { return dialogs == 1 && at(10)(); }},
            {"ctrl+shift+s", "mnuSaveLoop", "Ctrl+Shift+S", [&] { return dialogs == 2; }},
            {"ctrl+c", "mnuCopyView", "Ctrl+C",
             [] { return !QGuiApplication::clipboard()->image().isNull(); }},
            {"Menu", {}, {}, menuAtCentre},
            {"shift+F10", {}, {}, menuAtCentre},
            {"ctrl+q", "mnuExit", "Ctrl+Q", [&] { return w.shutDownDone(); }},
        };
        for (const auto& [keys, name, shown, done] : rows) {
            QAction* item = name ? w.action(QLatin1String(name)) : nullptr;
            std::optional<QSignalSpy> ran;
            if (item) {
                ran.emplace(item, &QAction::triggered);
                QCOMPARE(item->shortcut(), QKeySequence(QLatin1String(shown)));
            }
            if (!answer)
                answer = onNextModal([&](QWidget* d) {
                    ++dialogs;
                    xdotool({u"key"_s, u"Home"_s});
                    QTest::qWait(300);
                    static_cast<QDialog*>(d)->reject();
                });
            QVERIFY2(xdotool({u"key"_s, QLatin1String(keys)}), keys);
            QTRY_VERIFY2(done(), keys);
            QTRY_COMPARE(ran ? ran->size() : 1, 1);
            w.imageMenu()->hide();
        }
    }

    void helpTellsWhereThePageIsWhenNoViewerOpensIt_data() {
        QTest::addColumn<int>("openerStatus");
        QTest::newRow("opener fails") << 3;
        QTest::newRow("opener succeeds") << 0;
    }

    void helpTellsWhereThePageIsWhenNoViewerOpensIt() {
        QFETCH(int, openerStatus);
        QTemporaryDir bin;
        QFile opener(bin.filePath(u"xdg-open"_s));
        QVERIFY(opener.open(QIODevice::WriteOnly));
        opener.write("#!/bin/sh\nexit " + QByteArray::number(openerStatus) + "\n");
        opener.close();
        QVERIFY(opener.setPermissions(QFile::ReadOwner | QFile::ExeOwner));
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", QFile::encodeName(bin.path()) + ':' + path);
        auto& w = start();
        w.action(u"mnuHelp"_s)->trigger();
        qputenv("PATH", path);
        QCOMPARE(h->boxes.shown.size(), openerStatus == 0 ? 0 : 1);
        if (openerStatus != 0)
            QVERIFY(h->boxes.shown[0].text.contains(h->dir.path()));
    }

    // A close during a stalled reload ends the download and runs the shut-down at once, without
    // the connection box; outside the wait, which would hold back the input to a box it shows.
    void closeDuringAStalledReloadShutsDownAtOnce_data() {
        QTest::addColumn<QString>("close");
        QTest::addColumn<bool>("fromOptions");
        QTest::addColumn<bool>("unwritable");
        QTest::newRow("window button") << u"button"_s << false << false;
        QTest::newRow("window button, OK in the options") << u"button"_s << true << false;
        QTest::newRow("window button, settings not writable") << u"button"_s << false << true;
        QTest::newRow("Exit") << u"Exit"_s << false << false;
        QTest::newRow("SIGTERM") << u"SIGTERM"_s << false << false;
    }

    void closeDuringAStalledReloadShutsDownAtOnce() {
        QFETCH(QString, close);
        QFETCH(bool, fromOptions);
        QFETCH(bool, unwritable);
        app::TerminationSignals termination;
        failingStore = std::make_unique<testsupport::RecordingSettingsStore>();
        auto& w = start(unwritable, {}, {}, failingStore.get());
        app::CloseDuringDownload closing(*h->downloads, w);
        failingStore->failWrite = [unwritable](const QString&, const QString&) {
            return unwritable;
        };
        QVERIFY(h->server.control(u"faults?stall-next=20"_s));
        QString asked;
        const auto answer = onNextModal([&asked](QWidget* d) {
            if (asked = d->property("text").toString(); !asked.isEmpty())
                return static_cast<QMessageBox*>(d)->button(QMessageBox::Retry)->click();
            auto* product = d->findChild<QComboBox*>(u"Combo6"_s);
            product->setCurrentIndex(product->currentIndex() == 0 ? 1 : 0);
            d->findChild<QPushButton*>(u"cmdOK"_s)->click();
        });
        const QDeadlineTimer due(3000);
        std::jthread closer([&, id = w.winId(), exit = w.action(u"mnuExit"_s)] {
            QThread::sleep(1); // the listing has stalled
            if (close == u"button"_s)
                x.askToClose(id);
            else if (close == u"Exit"_s)
                QMetaObject::invokeMethod(exit, &QAction::trigger, Qt::QueuedConnection);
            else
                ::raise(SIGTERM);
        });
        if (fromOptions)
            w.statusPanel()->findChild<QPushButton*>(u"Command1"_s)->click();
        else
            w.viewer().feed().reload();
        closer.join();
        QTRY_COMPARE(answer.isNull(), fromOptions || unwritable);
        QCOMPARE(asked.contains(u"Module1.UnloadINI"_s), unwritable);
        QVERIFY(w.shutDownDone());
        QVERIFY(!due.hasExpired());
        QVERIFY(h->boxes.shown.isEmpty());
        QCOMPARE(h->programEnd.endCount, 0);
    }

    // The item never stays checked where the wallpaper cannot be set, nor is it saved so.
    void unsupportedDesktopKeepsWallpaperOff() {
        qunsetenv("XDG_CURRENT_DESKTOP");
        auto& w = start(false, u"SetWallPaper"_s, u"1"_s);
        QVERIFY(!w.viewer().wallpaperFollows());
        for (int click = 0; click < 2; ++click) {
            w.action(u"mnuSetImageWallpaper"_s)->trigger();
            QVERIFY(!w.viewer().wallpaperFollows());
        }
        QCOMPARE(h->boxes.shown.size(), 1);
        w.close();
        QCOMPARE(h->stored(u"SectionGeneral"_s, u"SetWallPaper"_s), u"0"_s);
    }
};

PLUVIX_XSESSION_TEST_MAIN(TestDesktopFaults, {.windowManager = true, .tray = true})
#include "tst_desktopfaults.moc"
