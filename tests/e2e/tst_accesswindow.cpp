// Access for everyone through the real main window: colours from the palette, keyboard focus,
// and the names assistive technology reads from outside the process.
#include "AppHarness.h"

#include "presets/PresetButtons.h"
#include "support/XSession.h"
#include "view/MapView.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QtTest>

using namespace pluvix;
using namespace Qt::StringLiterals;
using testsupport::AppHarness;
using Widgets = std::initializer_list<QWidget*>;

namespace {

QImage grabOf(QWidget* w) {
    return w->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

int lightest(const QImage& image) {
    int most = 0;
    for (int i = 0; i < image.width() * image.height(); ++i)
        most =
            std::max(most, QColor(image.pixel(i % image.width(), i / image.width())).lightness());
    return most;
}

} // namespace

class TestAccessWindow : public QObject {
    Q_OBJECT
private slots:
    // The references in data/ are grabs taken before the colours came from the palette.
    void lightPaletteKeepsTheLookDarkPaletteDarkensIt() {
        AppHarness h(AppHarness::Server);
        auto& w = h.loadStill();
        const Widgets parts{w.statusPanel(), w.timeLabel(), w.connectionNotice()};
        const auto looksAsBefore = [&] {
            QCoreApplication::processEvents(); // the new palette reaches every widget
            for (QWidget* part : parts)
                if (part->show(),
                    grabOf(part) !=
                        QImage(QFINDTESTDATA(u"data/"_s + part->objectName() + u".png"_s))
                            .convertToFormat(QImage::Format_RGB32))
                    return false;
            return true;
        };
        QVERIFY(looksAsBefore());
        const QPalette light = QApplication::palette();
        QPalette dark = light;
        dark.setColor(QPalette::Window, QColor(0x30, 0x30, 0x30));
        dark.setColor(QPalette::WindowText, QColor(0xe0, 0xe0, 0xe0));
        QApplication::setPalette(dark);
        QCoreApplication::processEvents();
        for (QWidget* part : Widgets{w.statusPanel()->findChild<QLabel*>(u"Label1_0"_s),
                                     w.statusPanel()->presetButtons()->button(0), w.timeLabel(),
                                     w.connectionNotice()}) {
            const QImage look = grabOf(part); // dark ground, light text
            QVERIFY2(QColor(look.pixel(look.width() - 3, 2)).lightness() < 80 &&
                         lightest(look) > 180,
                     qPrintable(part->objectName()));
        }
        QApplication::setPalette(light);
        QVERIFY(looksAsBefore());
    }

    // The map, then the panel column by column, as the preset digits count; a frame shows where.
    void tabWalksTheControlsInTheOrderTheyAreSeen() {
        AppHarness h(AppHarness::Server);
        auto& w = h.loadStill();
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        auto* frame = w.findChild<QWidget*>(u"focusFrame"_s);
        QVERIFY(frame && !frame->isVisible()); // until the keyboard moves the focus
        const app::StatusPanel* panel = w.statusPanel();
        const auto preset = [&](int i) { return panel->presetButtons()->button(i); };
        for (QWidget* next :
             Widgets{panel->historySlider(), panel->zoomSlider(), panel->optionsButton(),
                     panel->loopSwitch(), preset(0), preset(1), preset(2), preset(3), w.mapView(),
                     panel->historySlider()}) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), next);
            const QRect control(next->mapTo(&w, QPoint(0, 0)), next->size());
            QVERIFY(frame->isVisible() && frame->geometry().intersects(control) &&
                    frame->geometry().contains(control & frame->geometry()));
            QCOMPARE(grabOf(&w).pixel(frame->geometry().topLeft() + QPoint(1, 1)),
                     w.palette().color(QPalette::Highlight).rgb());
        }
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
        QCOMPARE(QApplication::focusWidget(), w.mapView());
        QTest::mouseClick(w.mapView(), Qt::LeftButton, {}, QPoint(40, 40));
        QVERIFY(!frame->isVisible());

        // Space and Enter on a focused preset recall it, as a left press does, and never toggle.
        h.boxes.answers = {platform::MessageButton::Yes};
        w.viewer().presetRecall().press(2, Qt::RightButton);
        const int zoom = w.viewer().mapState().zoom();
        for (int key : {Qt::Key_Space, Qt::Key_Return, Qt::Key_Enter, Qt::Key_Space}) {
            w.action(u"mnuZoomNum_%1"_s.arg(zoom == 6 ? 5 : 6))->trigger();
            preset(2)->setFocus(Qt::TabFocusReason);
            QTest::keyClick(preset(2), Qt::Key(key));
            QVERIFY(w.viewer().mapState().zoom() == zoom && preset(2)->isChecked());
        }
    }

    // Read from outside the process through AT-SPI, as a screen reader reads it.
    void screenReaderReadsNamesThatFollowThePicture() {
        const QString launcher = u"/usr/libexec/at-spi-bus-launcher"_s;
        if (QProcess::execute(u"/usr/bin/python3"_s,
                              {u"-c"_s, u"import gi; gi.require_version('Atspi', '2.0')"_s}) != 0 ||
            !QFile::exists(launcher) || QStandardPaths::findExecutable(u"dbus-daemon"_s).isEmpty())
            QSKIP("AT-SPI missing: at-spi2-core, gir1.2-atspi-2.0, python3-gi, dbus-daemon");
        const testsupport::XSession x({.windowManager = true});
        if (!x.isRunning())
            QSKIP(qPrintable(x.problem()));
        testsupport::RadarServerProcess server;
        QVERIFY(server.start({u"--start"_s, u"2026-12-06T10:00:00Z"_s, u"--frozen"_s}));

        QTemporaryDir dir; // home, settings, caches and the buses' sockets
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name :
             {"HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME", "XDG_STATE_HOME", "XDG_RUNTIME_DIR"})
            env.insert(QLatin1String(name), dir.path());
        env.insert(u"DISPLAY"_s, x.display());
        env.insert(u"QT_QPA_PLATFORM"_s, u"xcb"_s);
        env.insert(u"QT_LINUX_ACCESSIBILITY_ALWAYS_ON"_s, u"1"_s);
        QProcess bus, atspi, app; // a private session bus, its accessibility bus, the program
        const auto stop = qScopeGuard([&] {
            for (QProcess* p : {&app, &atspi, &bus})
                p->terminate(), p->waitForFinished(5000);
        });
        const auto start = [&](QProcess& p, const QString& program, const QStringList& args) {
            p.setProcessEnvironment(env);
            p.start(program, args);
            return p.waitForStarted();
        };
        QVERIFY(
            start(bus, u"dbus-daemon"_s, {u"--session"_s, u"--nofork"_s, u"--print-address=1"_s}));
        QVERIFY(bus.waitForReadyRead(10000));
        env.insert(u"DBUS_SESSION_BUS_ADDRESS"_s, QString::fromUtf8(bus.readLine().trimmed()));
        QVERIFY(start(atspi, launcher, {u"--launch-immediately"_s}));
        const QString program = dir.filePath(u"bin/pluvix"_s); // its log lands beside it
        QVERIFY(QDir(dir.path()).mkpath(u"bin"_s) &&
                QFile::copy(qEnvironmentVariable("PLUVIX_PROGRAM"), program));
        QVERIFY(start(app, program, {u"--radar-host"_s, u"127.0.0.1:%1"_s.arg(server.port())}));

        QString tree; // as text, or why the reader failed
        // Reads until `name` is in the output (or a minute passed); with `args` it sets a value.
        const auto read = [&](const QString& name, const QStringList& args = {}) {
            for (QDeadlineTimer end(60000);; QTest::qWait(200)) {
                QProcess p;
                p.setProcessEnvironment(env);
                p.start(u"/usr/bin/python3"_s,
                        QStringList{QFINDTESTDATA("../support/atspi-tree.py")} + args);
                p.waitForFinished(10000);
                tree = QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError());
                if (tree.contains(name) || end.hasExpired())
                    return tree.contains(name);
            }
        };
        QVERIFY2(read(u"History: picture 10 of 10, 10:00 UTC"_s), qPrintable(tree));
        for (const QString& node :
             {u"scroll bar|History: picture 10 of 10, 10:00 UTC|Chooses"_s,
              u"scroll bar|Zoom level 8 of 12|Sets"_s,
              u"check box|Preset 1: Melbourne, FL short-range composite|"_s,
              u"|Radar map of Melbourne, FL, picture of 10:00 UTC|The radar"_s,
              u"|Clock showing "_s, u"label|Picture 10 of 10|"_s})
            QVERIFY2(tree.contains(node), qPrintable(node + u"\n"_s + tree));
        // The server's pictures are from 2026-12-06 10:00: hours old by the machine's clock.
        QVERIFY2(tree.contains(QRegularExpression(u"label\\|Picture \\d.* old\\|"_s)),
                 qPrintable(tree));
        QVERIFY2(read(u"set History:"_s, {u"--set"_s, u"History:"_s, u"9"_s}), qPrintable(tree));
        QVERIFY2(read(u"History: picture 9 of 10, 09:55 UTC"_s), qPrintable(tree));
        QVERIFY(tree.contains(u"Radar map of Melbourne, FL, picture of 09:55 UTC"_s));
    }
};

QTEST_MAIN(TestAccessWindow)
#include "tst_accesswindow.moc"
