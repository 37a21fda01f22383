// Access for everyone through the real main window: colours from the palette, keyboard focus,
// and the names assistive technology reads from outside the process.
#include "AppHarness.h"

#include "presets/PresetButtons.h"
#include "support/XSession.h"
#include "view/MapView.h"

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QPainter>
#include <QProcess>
#include <QPushButton>
#include <QScrollBar>
#include <QStyle>
#include <QtTest>

#include <csignal>
#include <map>

using namespace pluvix;
using namespace Qt::StringLiterals;
using testsupport::AppHarness;

namespace {

QImage grabOf(QWidget* w) {
    return w->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

// The panel, the time label and the connection notice, one below the other.
QImage panelLook(app::MainWindow& w) {
    QList<QImage> grabs;
    QSize size(0, 0);
    for (QWidget* part :
         {static_cast<QWidget*>(w.statusPanel()), static_cast<QWidget*>(w.timeLabel()),
          static_cast<QWidget*>(w.connectionNotice())}) {
        part->show();
        grabs.append(grabOf(part));
        size = {std::max(size.width(), grabs.last().width()),
                size.height() + grabs.last().height()};
    }
    QImage look(size, QImage::Format_RGB32);
    look.fill(Qt::magenta);
    QPainter p(&look);
    int top = 0;
    for (const QImage& g : grabs) {
        p.drawImage(0, top, g);
        top += g.height();
    }
    return look;
}

// Lightness of the most common colour (the background) and of the lightest pixel.
std::pair<int, int> backgroundAndLightest(const QImage& image) {
    std::map<QRgb, int> counts;
    int lightest = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            ++counts[image.pixel(x, y)];
            lightest = std::max(lightest, QColor(image.pixel(x, y)).lightness());
        }
    const auto most = std::max_element(counts.begin(), counts.end(),
                                       [](auto& a, auto& b) { return a.second < b.second; });
    return {QColor(most->first).lightness(), lightest};
}

} // namespace

class TestAccessWindow : public QObject {
    Q_OBJECT
private slots:
    // The reference is the panel as it looked before its colours came from the palette.
    void lightPaletteKeepsTheLookDarkPaletteDarkensIt() {
        AppHarness h(AppHarness::Server);
        auto& w = h.loadStill();
        const QImage before =
            QImage(QFINDTESTDATA("data/panel-light.png")).convertToFormat(QImage::Format_RGB32);
        QVERIFY(!before.isNull());
        QVERIFY(panelLook(w) == before);

        const QPalette light = QApplication::palette();
        QPalette dark = light;
        for (auto [role, colour] : {std::pair{QPalette::Window, QColor(0x30, 0x30, 0x30)},
                                    {QPalette::WindowText, QColor(0xe0, 0xe0, 0xe0)},
                                    {QPalette::Button, QColor(0x40, 0x40, 0x40)},
                                    {QPalette::ButtonText, QColor(0xe0, 0xe0, 0xe0)}})
            dark.setColor(role, colour);
        QApplication::setPalette(dark);
        QCoreApplication::processEvents();
        const QList<QWidget*> parts{w.statusPanel(), w.findChild<QLabel*>(u"Label1_0"_s),
                                    w.timeLabel(), w.connectionNotice()};
        for (QWidget* part : parts) {
            const auto [background, lightest] = backgroundAndLightest(grabOf(part));
            QVERIFY2(
                background < 80 && lightest > 180,
                qPrintable(u"%1: %2 %3"_s.arg(part->objectName()).arg(background).arg(lightest)));
        }
        QApplication::setPalette(light);
        QCoreApplication::processEvents();
        QVERIFY(panelLook(w) == before);
    }

    // Visual order: the map, then the panel column by column (the preset digits count that way).
    void tabWalksTheControlsInTheOrderTheyAreSeenWithAFrame() {
        AppHarness h(AppHarness::Server);
        auto& w = h.loadStill();
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        auto* frame = w.findChild<QWidget*>(u"focusFrame"_s);
        QVERIFY(frame && !frame->isVisible()); // nothing framed until the keyboard moves the focus
        const app::StatusPanel* panel = w.statusPanel();
        QList<QWidget*> expected{panel->historySlider(), panel->zoomSlider(),
                                 panel->optionsButton(), panel->loopSwitch()};
        for (int i = 0; i < 4; ++i) // the shown preset buttons
            expected.append(panel->presetButtons()->ctrlPreset(i));
        expected.append(w.mapView());
        expected.append(panel->historySlider());
        for (QWidget* next : expected) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), next);
            QVERIFY(frame->isVisible());
            const QRect seen = QRect(next->mapTo(&w, QPoint(0, 0)), next->size()) & w.rect();
            QVERIFY(frame->geometry().contains(seen.intersected(frame->geometry())) &&
                    frame->geometry().intersects(seen));
            const QRgb corner = grabOf(&w).pixel(frame->geometry().topLeft() + QPoint(1, 1));
            QCOMPARE(corner, w.palette().color(QPalette::Highlight).rgb());
        }
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
        QCOMPARE(QApplication::focusWidget(), w.mapView());
        QTest::mouseClick(w.mapView(), Qt::LeftButton, {}, QPoint(40, 40));
        QVERIFY(!frame->isVisible());
    }

    void spaceAndEnterRecallTheFocusedPreset_data() {
        QTest::addColumn<int>("key");
        QTest::newRow("space") << int(Qt::Key_Space);
        QTest::newRow("enter") << int(Qt::Key_Return);
        QTest::newRow("keypad enter") << int(Qt::Key_Enter);
    }

    void spaceAndEnterRecallTheFocusedPreset() {
        QFETCH(int, key);
        AppHarness h(AppHarness::Server);
        auto& w = h.loadStill();
        h.boxes.answers = {platform::MessageButton::Yes};
        w.viewer().presetRecall().press(2, Qt::RightButton);
        const int zoom = w.viewer().mapState().zoom();
        w.action(u"mnuZoomNum_%1"_s.arg(zoom == 6 ? 5 : 6))->trigger();
        QAbstractButton* button = w.statusPanel()->presetButtons()->ctrlPreset(2);
        button->setFocus(Qt::TabFocusReason);
        QTest::keyClick(button, Qt::Key(key));
        QCOMPARE(w.viewer().mapState().zoom(), zoom);
        QVERIFY(button->isChecked());
        QTest::keyClick(button, Qt::Key(key)); // a second press recalls again, never releases
        QVERIFY(button->isChecked());
        QCOMPARE(h.boxes.shown.size(), 1); // only the store question
    }

    // Read from outside the process through AT-SPI, as a screen reader reads it.
    void screenReaderReadsNamesThatFollowThePicture() {
        const QString reader = QFINDTESTDATA("../support/atspi-tree.py");
        const QString launcher = u"/usr/libexec/at-spi-bus-launcher"_s;
        QProcess probe;
        probe.start(u"/usr/bin/python3"_s,
                    {u"-c"_s, u"import gi; gi.require_version('Atspi', '2.0')"_s});
        if (!probe.waitForFinished() || probe.exitCode() != 0 || !QFile::exists(launcher) ||
            QStandardPaths::findExecutable(u"dbus-daemon"_s).isEmpty())
            QSKIP("AT-SPI is not installed (at-spi2-core, gir1.2-atspi-2.0, python3-gi, "
                  "dbus-daemon)");
        const testsupport::XSession x({.windowManager = true});
        if (!x.isRunning())
            QSKIP(qPrintable(x.problem()));
        testsupport::RadarServerProcess server;
        QVERIFY2(server.start({u"--start"_s, u"2026-12-06T10:00:00Z"_s, u"--frozen"_s}),
                 qPrintable(server.errorString()));

        QTemporaryDir dir;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name :
             {"HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME", "XDG_STATE_HOME", "XDG_RUNTIME_DIR"}) {
            QVERIFY(QDir().mkpath(dir.filePath(QLatin1String(name))));
            env.insert(QLatin1String(name), dir.filePath(QLatin1String(name)));
        }
        QFile(dir.filePath(u"XDG_RUNTIME_DIR"_s))
            .setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        env.insert(u"DISPLAY"_s, x.display());
        env.insert(u"QT_QPA_PLATFORM"_s, u"xcb"_s);
        env.insert(u"QT_LINUX_ACCESSIBILITY_ALWAYS_ON"_s, u"1"_s);
        // A private session bus and accessibility bus, ended in reverse order.
        std::vector<std::unique_ptr<QProcess>> running;
        const auto start = [&](const QString& program, const QStringList& args) {
            auto& p = *running.emplace_back(std::make_unique<QProcess>());
            p.setProcessEnvironment(env);
            p.start(program, args);
            return p.waitForStarted();
        };
        const auto stopAll = qScopeGuard([&] {
            for (auto it = running.rbegin(); it != running.rend(); ++it) {
                (*it)->terminate();
                (*it)->waitForFinished(5000);
            }
        });
        QVERIFY(start(u"dbus-daemon"_s, {u"--session"_s, u"--nofork"_s, u"--print-address=1"_s}));
        QVERIFY(running.back()->waitForReadyRead(10000));
        env.insert(u"DBUS_SESSION_BUS_ADDRESS"_s,
                   QString::fromUtf8(running.back()->readLine().trimmed()));
        QVERIFY(start(launcher, {u"--launch-immediately"_s}));
        const QString program = dir.filePath(u"pluvix"_s); // its log lands beside it
        QVERIFY(QFile::copy(qEnvironmentVariable("PLUVIX_PROGRAM"), program));
        QVERIFY(start(program, {u"--radar-host"_s, u"127.0.0.1:%1"_s.arg(server.port())}));

        // The tree as text, or why the reader failed.
        const auto read = [&](const QStringList& args = {}) {
            QProcess p;
            p.setProcessEnvironment(env);
            p.start(u"/usr/bin/python3"_s, QStringList{reader} + args);
            p.waitForFinished(20000);
            const QString out = QString::fromUtf8(p.readAllStandardOutput());
            return p.exitCode() == 0 ? out
                                     : u"exit %1: "_s.arg(p.exitCode()) + out +
                                           QString::fromUtf8(p.readAllStandardError());
        };
        QString tree;
        QTRY_VERIFY_WITH_TIMEOUT(
            (tree = read()).contains(u"History: picture 10 of 10, 10:00 UTC"_s), 60000);
        for (const QString& node :
             {u"scroll bar|History: picture 10 of 10, 10:00 UTC|Chooses"_s,
              u"scroll bar|Zoom level 8 of 12|Sets"_s,
              u"check box|Preset 1: Melbourne, FL short-range composite|"_s,
              u"|Radar map of Melbourne, FL, picture of 10:00 UTC|The radar"_s,
              u"|Clock showing "_s, u"push button|Options|Opens"_s, u"check box|Loop|Plays"_s,
              u"label|Picture 10 of 10|"_s, u"label|Picture time: 12/06/2026 10:00 UTC|"_s})
            QVERIFY2(tree.contains(node), qPrintable(node + u"\n"_s + tree));

        const QString set = read({u"--set"_s, u"History:"_s, u"9"_s});
        QVERIFY2(set.startsWith(u"set History: picture "_s), qPrintable(set));
        QTRY_VERIFY_WITH_TIMEOUT((tree = read()).contains(u"History: picture 9 of 10, 09:55 UTC"_s),
                                 20000);
        QVERIFY2(tree.contains(u"Radar map of Melbourne, FL, picture of 09:55 UTC"_s),
                 qPrintable(tree));
    }
};

QTEST_MAIN(TestAccessWindow)
#include "tst_accesswindow.moc"
