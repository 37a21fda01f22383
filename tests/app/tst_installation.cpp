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
#include <QTemporaryDir>
#include <QtTest>

#include <QLocalSocket>

#include <future>

#include <sys/stat.h>
#include <unistd.h>

using namespace pluvix;
using namespace Qt::StringLiterals;
using namespace std::chrono_literals;
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
        row("ours with one dash", {u"-radar-host"_s, u"127.0.0.1:9"_s}, Action::Error);
        row("Qt flag, Qt option with =", {u"-reverse"_s, u"-style=fusion"_s, u"--radar-host=h"_s},
            Action::Run, u"h"_s);
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

    // Another user's leftovers in the shared temporary folder do not stop us or receive the
    // socket; what other programs of the user send costs little: idle and junk connections
    // are dropped, and show requests arriving while the window comes forward do not nest
    // (a flood of them overflowed the stack).
    void hostileLocalClients() {
        QTemporaryDir home;
        const QString shared = home.filePath(u"pluvix-%1"_s.arg(::geteuid()));
        QVERIFY(::geteuid() == 0 ? QDir().mkpath(shared + u"/stale"_s) &&
                                       ::chown(QFile::encodeName(shared).constData(), 1, 1) == 0
                                 : QFile::link(home.path(), shared));
        qunsetenv("XDG_RUNTIME_DIR");
        qputenv("TMPDIR", QFile::encodeName(home.path()));
        platform::SingleInstance first(home.filePath(u"pluvix/pluvix.instance"_s));
        QCOMPARE(first.claim(), platform::SingleInstance::Claim::First);
        struct stat st {};
        QVERIFY(::lstat(QFile::encodeName(QFileInfo(first.serverName()).path()), &st) == 0);
        QVERIFY(S_ISDIR(st.st_mode) && st.st_uid == ::geteuid() && (st.st_mode & 0777) == 0700);

        std::vector<std::unique_ptr<QLocalSocket>> clients(40);
        for (auto& c : clients) {
            c = std::make_unique<QLocalSocket>();
            c->connectToServer(first.serverName());
            QVERIFY(c->waitForConnected(1000));
        }
        clients.front()->write(QByteArray(1 << 20, 'x'));
        const auto dropped = [&] {
            return std::count_if(clients.begin(), clients.end(), [](const auto& c) {
                return c->state() == QLocalSocket::UnconnectedState;
            });
        };
        // Before the deadline, all but a few at once, the junk sender among them.
        QTRY_VERIFY_WITH_TIMEOUT(
            dropped() >= 32 && clients.front()->state() == QLocalSocket::UnconnectedState, 1000);
        QTRY_COMPARE_WITH_TIMEOUT(dropped(), 40, 5000);

        int depth = 0, deepest = 0, shown = 0;
        connect(&first, &platform::SingleInstance::activationRequested, this, [&] {
            ++shown;
            deepest = std::max(deepest, ++depth);
            QTest::qWait(50);
            --depth;
        });
        auto flood = std::async(std::launch::async, [name = first.serverName()] {
            int answered = 0;
            for (int i = 0; i < 200; ++i) {
                QLocalSocket s;
                s.connectToServer(name);
                answered += s.waitForConnected(2000) && s.write("show\n") == 5 &&
                            s.waitForReadyRead(2000) && s.readAll() == "ok\n";
            }
            return answered;
        });
        QTRY_VERIFY_WITH_TIMEOUT(flood.wait_for(0s) == std::future_status::ready, 60000);
        QCOMPARE(flood.get(), 200);
        QCOMPARE(deepest, 1);
        QVERIFY2(shown < 50, qPrintable(QString::number(shown)));
        qunsetenv("TMPDIR");
    }
};

QTEST_MAIN(TestInstallation)
#include "tst_installation.moc"
