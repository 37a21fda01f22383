// Ending by a termination signal, and ticks and closes that arrive while images load.
#include "AppHarness.h"

#include "app/TerminationSignals.h"

#include <QSignalSpy>
#include <QtTest>

#include <csignal>

using namespace Qt::StringLiterals;
using namespace pluvix;
using testsupport::AppHarness;

namespace {

const QString kFolder = u"http://radar.test/radar/images/DS.p37cr/SI.kmlb/"_s;

// As the program wires it: a termination request closes the window.
void closeOnTermination(app::TerminationSignals& termination, app::MainWindow& w) {
    QObject::connect(&termination, &app::TerminationSignals::terminationRequested, &w,
                     [&w](int) { w.close(); });
}

} // namespace

class TestShutDown : public QObject {
    Q_OBJECT
private slots:
    void signalsBecomeTerminationRequests_data() {
        QTest::addColumn<int>("number");
        QTest::addColumn<bool>("ignoredBefore");
        QTest::newRow("SIGTERM") << int(SIGTERM) << false;
        QTest::newRow("SIGINT") << int(SIGINT) << false;
        QTest::newRow("SIGHUP") << int(SIGHUP) << false;
        QTest::newRow("SIGHUP under nohup") << int(SIGHUP) << true;
    }

    void signalsBecomeTerminationRequests() {
        QFETCH(int, number);
        QFETCH(bool, ignoredBefore);
        std::signal(number, ignoredBefore ? SIG_IGN : SIG_DFL);
        {
            app::TerminationSignals termination;
            QSignalSpy spy(&termination, &app::TerminationSignals::terminationRequested);
            QCOMPARE(::raise(number), 0);
            QCOMPARE(spy.wait(ignoredBefore ? 200 : 5000), !ignoredBefore);
            if (!ignoredBefore) {
                QCOMPARE(spy.at(0).at(0).toInt(), number);
                // Each signal is one request, also when they come quickly.
                QCOMPARE(::raise(number), 0);
                QCOMPARE(::raise(number), 0);
                QTRY_COMPARE(spy.count(), 3);
            }
        }
        // Left as it was found.
        QCOMPARE(std::signal(number, SIG_DFL) == SIG_IGN, ignoredBefore);
    }

    void terminationSavesLikeAClose_data() {
        QTest::addColumn<bool>("inTray");
        QTest::newRow("window") << false;
        QTest::newRow("in the tray") << true;
    }

    void terminationSavesLikeAClose() {
        QFETCH(bool, inTray);
        AppHarness h;
        testsupport::FakeDownloadService fake;
        h.useFakeFolder(fake, kFolder, testsupport::tenImageNamesUpTo(10, 0));
        h.set(u"MinimizeToTray"_s, u"1"_s);
        auto& w = h.loadStill();
        app::TerminationSignals termination;
        closeOnTermination(termination, w);
        if (inTray) {
            w.setWindowState(Qt::WindowMinimized);
            QTRY_VERIFY(w.inTray() && h.desktop.iconShown);
        }
        w.viewer().playback().setSpeed(4);
        const auto stored = [&h](const char* key) {
            return h.stored(u"SectionGeneral"_s, QLatin1String(key));
        };
        QCOMPARE(stored("PlaySpeed"), u"<missing>"_s);

        QCOMPARE(::raise(SIGTERM), 0);
        QTRY_VERIFY(w.shutDownDone());
        QVERIFY(!w.isVisible() && !w.inTray() && !h.desktop.iconShown);
        QCOMPARE(stored("PlaySpeed"), u"4"_s);
        QCOMPARE(stored("BaseURL"), kFolder);
        // A window in the tray keeps the stored geometry.
        QCOMPARE(stored("FormWidth") == u"<missing>"_s, inTray);
        QCOMPARE(h.desktop.restored, 1);
        QCOMPARE(h.programEnd.endCount, 0);
    }
};

QTEST_MAIN(TestShutDown)
#include "tst_shutdown.moc"
