#include "acquisition/Catalogue.h"
#include "acquisition/FolderAddress.h"
#include "app/CommandLine.h"
#include "desktop/HelpPage.h"
#include "dialogs/OptionsDialog.h"
#include "platform/SingleInstance.h"
#include "support/FakeDesktop.h"
#include "support/FakeOptionsHost.h"
#include "support/FakePlatform.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <future>

using namespace pluvix;
using namespace Qt::StringLiterals;
using Action = app::CommandLine::Action;

// Command line, server hosts for one run, help page lookup and one copy per settings file.
class TestInstallation : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { acquisition::useServerHosts(acquisition::buildTimeHosts()); }

    void commandLine_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<Action>("action");
        QTest::addColumn<QString>("radar"); // empty: the build-time host
        QTest::addColumn<QString>("satellite");
        const auto row = [](const char* name, QStringList a, Action act, QString r = {},
                            QString s = {}) {
            QTest::newRow(name) << (QStringList{u"/usr/bin/pluvix"_s} + a) << act << r << s;
        };
        row("nothing", {}, Action::Run);
        row("both, = form, IPv6", {u"--satellite-host=[::1]:9000"_s, u"--radar-host=h"_s},
            Action::Run, u"h"_s, u"[::1]:9000"_s);
        row("Qt option left to Qt",
            {u"-platform"_s, u"offscreen"_s, u"--radar-host"_s, u"example.org:8080"_s}, Action::Run,
            u"example.org:8080"_s);
        row("help", {u"--radar-host"_s, u"h"_s, u"--help"_s}, Action::Help);
        row("version", {u"-v"_s}, Action::Version);
        row("scheme and path", {u"--radar-host"_s, u"http://h/x"_s}, Action::Error);
    }
    void commandLine() {
        QFETCH(QStringList, args);
        QFETCH(Action, action);
        QFETCH(QString, radar);
        QFETCH(QString, satellite);
        const app::CommandLine c = app::parseCommandLine(args);
        QCOMPARE(c.action, action);
        if (action == Action::Run) {
            const auto built = acquisition::buildTimeHosts();
            QCOMPARE(c.hosts.radar, radar.isEmpty() ? built.radar : radar);
            QCOMPARE(c.hosts.satellite, satellite.isEmpty() ? built.satellite : satellite);
        }
        QVERIFY(action != Action::Version || c.message.contains(u"3.0.868"_s));
    }

    // A run-time host reaches every address that carries the build-time host; stored
    // addresses keep the build-time host and a hand-edited host is fetched as it is.
    void serverUrl_data() {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("fetched");
        QTest::newRow("default folder")
            << acquisition::defaultBaseUrl() + u"a.gif"_s
            << u"http://radar.test:81/radar/images/DS.p37cr/SI.kmlb/a.gif"_s;
        QTest::newRow("station choice") << acquisition::addressForStationChoice(0)
                                        << u"http://radar.test:81/radar/images/DS.p37cr/SI.kbmx/"_s;
        QTest::newRow("satellite") << acquisition::satelliteFolder() + u"20.jpg"_s
                                   << u"http://sat.test/PS/TROP/DATA/RT/FLOAT/IR4/20.jpg"_s;
        QTest::newRow("edited by hand") << u"https://mirror.test:8443/radar/images/DS.p19r0/"_s
                                        << u"https://mirror.test:8443/radar/images/DS.p19r0/"_s;
    }
    void serverUrl() {
        QFETCH(QString, address);
        QFETCH(QString, fetched);
        acquisition::useServerHosts({u"radar.test:81"_s, u"sat.test"_s});
        QCOMPARE(acquisition::serverUrl(address), QUrl(fetched));
    }

    // Choosing another station and product in the options keeps a hand-edited server.
    void optionsKeepTheEditedServer() {
        testsupport::FakeOptionsHost host;
        host.record.BaseURL = u"https://mirror.test:8443/radar/images/DS.p37cr/SI.kmlb/"_s;
        testsupport::RecordingErrorSink errors;
        testsupport::FakeMessageBoxes boxes;
        testsupport::FakeProgramEnd end;
        dialogs::OptionsDialog d(host, errors, boxes, end, QRect(0, 0, 1280, 1024));
        d.findChild<QComboBox*>(u"Combo1"_s)->setCurrentText(u"TX Houston"_s);
        d.findChild<QComboBox*>(u"Combo6"_s)->setCurrentIndex(5);
        QVERIFY(d.ApplyChanges());
        QCOMPARE(host.record.BaseURL, u"https://mirror.test:8443/radar/images/DS.p38cr/SI.khgx/"_s);
    }

    // One lookup: share/pluvix/help of the installation, else help/ beside the program.
    void helpPageLookup_data() {
        QTest::addColumn<QString>("page");
        QTest::newRow("installed") << u"share/pluvix/help/index.html"_s;
        QTest::newRow("build tree") << u"bin/help/index.html"_s;
    }
    void helpPageLookup() {
        QFETCH(QString, page);
        QTemporaryDir root;
        QVERIFY(QDir(root.path()).mkpath(QFileInfo(page).path()));
        QVERIFY(QDir(root.path()).mkpath(u"bin"_s));
        QFile file(root.filePath(page));
        QVERIFY(file.open(QIODevice::WriteOnly));
        testsupport::FakeUrlOpener opener;
        QCOMPARE(desktop::HelpPage(opener, root.filePath(u"bin"_s)).url(),
                 QUrl::fromLocalFile(root.filePath(page)));
    }

    // A copy under another name runs beside the first: see tests/install.
    void singleInstance() {
        QTemporaryDir runtime;
        qputenv("XDG_RUNTIME_DIR", runtime.path().toUtf8());
        const QString key = u"/home/u/.config/pluvix/pluvix"_s;
        // A crashed copy's socket file must not keep the next one from starting.
        QFile stale(platform::SingleInstance::socketPath(key));
        QVERIFY(stale.open(QIODevice::WriteOnly));
        stale.close();

        platform::SingleInstance first(key);
        QVERIFY(first.claim());
        QSignalSpy activated(&first, &platform::SingleInstance::activationRequested);
        // The second copy blocks while it waits for the first; the first answers from its
        // event loop here.
        auto second = std::async(std::launch::async, [&] {
            platform::SingleInstance s(key);
            return s.claim(5000);
        });
        QTRY_VERIFY(second.wait_for(std::chrono::seconds(0)) == std::future_status::ready);
        QVERIFY(!second.get());
        QCOMPARE(activated.size(), 1);
        qunsetenv("XDG_RUNTIME_DIR");
    }
};

QTEST_MAIN(TestInstallation)
#include "tst_installation.moc"
