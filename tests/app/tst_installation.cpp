#include "acquisition/Catalogue.h"
#include "acquisition/FolderAddress.h"
#include "app/CommandLine.h"
#include "desktop/HelpPage.h"
#include "dialogs/OptionsDialog.h"
#include "platform/SingleInstance.h"
#include "support/FakeDesktop.h"
#include "support/FakeOptionsHost.h"
#include "support/FakePlatform.h"
#include "support/GifFixtures.h"
#include "support/RadarServerProcess.h"
#include "support/XSession.h"

#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLocalSocket>
#include <QLockFile>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <future>

#include <sys/stat.h>
#include <unistd.h>

using namespace pluvix;
using namespace Qt::StringLiterals;
using namespace std::chrono_literals;
using Action = app::CommandLine::Action;
using testsupport::fileBytes;
using testsupport::RadarServerProcess;
using testsupport::XSession;

namespace {

// A port where nobody listens.
quint16 closedPort() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost);
    return probe.serverPort();
}

// Copies of the program in a folder of their own (their log lands beside them), with their own
// home, settings, cache, state, temporary and runtime folders.
struct Program {
    QTemporaryDir dir;
    QProcess process;
    QString settingsFile() const { return dir.filePath(u"XDG_CONFIG_HOME/pluvix/Pluvix.conf"_s); }
    QByteArray log() const { return fileBytes(dir.filePath(u"Log.txt"_s)); }

    // Starts `process`, or `copy` on the same folders; runtime: a folder for XDG_RUNTIME_DIR, or
    // empty for none.
    void start(quint16 port, const QByteArray& settings = {}, const XSession* x = nullptr,
               QProcess* copy = nullptr, const QString& runtime = u"run"_s) {
        const QString exe = dir.filePath(u"pluvix"_s);
        QVERIFY(QFile::exists(exe) || QFile::copy(qEnvironmentVariable("PLUVIX_PROGRAM"), exe));
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name :
             {"HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME", "XDG_STATE_HOME", "TMPDIR"})
            env.insert(QString::fromLatin1(name), dir.filePath(QString::fromLatin1(name)));
        QDir(dir.path()).mkpath(u"TMPDIR"_s);
        env.remove(u"XDG_RUNTIME_DIR"_s);
        if (!runtime.isEmpty() && QDir(dir.path()).mkpath(runtime))
            env.insert(u"XDG_RUNTIME_DIR"_s, dir.filePath(runtime));
        env.insert(u"QT_QPA_PLATFORM"_s, x ? u"xcb"_s : u"offscreen"_s);
        env.insert(u"DISPLAY"_s, x ? x->display() : QString());
        if (!settings.isEmpty()) {
            QDir().mkpath(QFileInfo(settingsFile()).path());
            QFile f(settingsFile());
            QVERIFY(f.open(QIODevice::WriteOnly) && f.write(settings) == settings.size());
        }
        QProcess& p = copy ? *copy : process;
        p.setProcessEnvironment(env);
        p.start(exe, {u"--radar-host"_s, u"127.0.0.1:%1"_s.arg(port)});
        QVERIFY(p.waitForStarted());
    }
    // Milliseconds from SIGTERM to the end; -1 when it took more than 2 s.
    qint64 terminate() {
        QElapsedTimer t;
        t.start();
        ::kill(pid_t(process.processId()), SIGTERM);
        return process.waitForFinished(2000) ? t.elapsed() : -1;
    }
};

// Sends `key` to the first visible window whose name matches `name`.
void keyTo(const XSession& x, const QString& name, const QString& key) {
    const auto ids = x.runClient(
        u"xdotool"_s, {u"search"_s, u"--sync"_s, u"--onlyvisible"_s, u"--name"_s, name}, 30000);
    QVERIFY(ids && !ids->trimmed().isEmpty());
    x.runClient(u"xdotool"_s,
                {u"windowactivate"_s, u"--sync"_s, ids->split(u'\n').first(), u"key"_s, key});
}

const QByteArray kBadPollInterval = "[SectionGeneral]\nPollInterval=40000\n";

} // namespace

// Command line, server hosts for one run, help page lookup and one copy per settings file; the
// built program against hostile servers and other copies of itself: how fast, and with which
// status, each ending comes.
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

    void sigtermEndsAStalledListing() {
        QTcpServer silent; // the kernel accepts; nobody ever answers
        QVERIFY(silent.listen(QHostAddress::LocalHost));
        Program p;
        p.start(silent.serverPort());
        QVERIFY(silent.waitForNewConnection(30000));
        QVERIFY(p.terminate() >= 0);
        QCOMPARE(p.process.exitCode(), 0);
    }

    void sigtermInTheErrorBoxSavesNothing_data() {
        QTest::addColumn<QByteArray>("settings");
        QTest::addColumn<QByteArray>("logged");
        QTest::newRow("bad number") << kBadPollInterval << QByteArray("LoadCheckINI");
        // Refused unparsed, naming the file: the box is up at once.
        QByteArray sections;
        for (int i = 0; i < 200000; ++i)
            sections += "[SectionMap-p37cr-" + QByteArray::number(i) + "]\nZoomLevel=8\n";
        QTest::newRow("200,000 sections") << sections << QByteArray("/pluvix/Pluvix.conf");
    }

    void sigtermInTheErrorBoxSavesNothing() {
        QFETCH(QByteArray, settings);
        QFETCH(QByteArray, logged);
        Program p;
        p.start(closedPort(), settings);
        QTRY_VERIFY_WITH_TIMEOUT(p.log().contains(logged), 30000); // logged, then the box
        QVERIFY(p.terminate() >= 0);
        QCOMPARE(p.process.exitCode(), 128 + SIGTERM);
        QVERIFY(fileBytes(p.settingsFile()) == settings);
        QVERIFY(!p.log().contains(" App TERMINATED "));
    }

    void failingEndingsExitNonZero_data() {
        QTest::addColumn<QByteArray>("settings");
        QTest::addColumn<QString>("boxTitle");
        QTest::newRow("cannot connect") << QByteArray() << u"Pluvix"_s;
        QTest::newRow("cancel in the error box") << kBadPollInterval << u"Pluvix Error!"_s;
    }

    void failingEndingsExitNonZero() {
        QFETCH(QByteArray, settings);
        QFETCH(QString, boxTitle);
        const XSession x({.windowManager = true});
        if (!x.isRunning())
            QSKIP(qPrintable(x.problem()));
        Program p;
        p.start(closedPort(), settings, &x);
        // Escape answers the box with its escape button: OK, or Cancel.
        keyTo(x, u"^%1$"_s.arg(boxTitle), u"Escape"_s);
        QVERIFY(p.process.waitForFinished(10000));
        QCOMPARE(p.process.exitStatus(), QProcess::NormalExit); // not killed by a signal
        QCOMPARE(p.process.exitCode(), 1);
    }

    void unsavableSettingsAtTheEnd_data() {
        QTest::addColumn<bool>("bySignal");
        QTest::newRow("termination signal: no box") << true;
        QTest::newRow("close, then Retry in the box") << false;
    }

    // Another process holds the settings file's lock, so the save at the end fails.
    void unsavableSettingsAtTheEnd() {
        QFETCH(bool, bySignal);
        const XSession x({.windowManager = true});
        if (!x.isRunning())
            QSKIP(qPrintable(x.problem()));
        RadarServerProcess server;
        QVERIFY2(server.start(), qPrintable(server.errorString()));
        Program p;
        const QByteArray settings = "[SectionGeneral]\nPollInterval=45\n";
        p.start(server.port(), settings, &x);
        QLockFile lock(p.settingsFile() + u".lock"_s);
        QVERIFY(lock.tryLock(0));
        keyTo(x, u"Pluvix - "_s, bySignal ? u"shift"_s : u"alt+F4"_s);
        if (bySignal)
            ::kill(pid_t(p.process.processId()), SIGTERM);
        else
            keyTo(x, u"^Pluvix Error!$"_s, u"Return"_s); // Retry
        QVERIFY(p.process.waitForFinished(15000));
        QCOMPARE(p.process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.process.exitCode(), 1);
        QVERIFY(p.process.readAllStandardError().contains("nothing was saved"));
        QVERIFY(p.log().contains("Module1.UnloadINI"));
        QCOMPARE(fileBytes(p.settingsFile()), settings);
    }

    // A start while another copy may hold the same settings, each with its own XDG_RUNTIME_DIR
    // (as from ssh, su or cron) or none.
    void laterStart_data() {
        QTest::addColumn<QString>("holder"); // the first copy: none, "running" or "stopped"
        QTest::addColumn<QString>("firstRuntime");
        QTest::addColumn<QString>("laterRuntime"); // empty: not set
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("message");
        QTest::newRow("later start without XDG_RUNTIME_DIR")
            << u"running"_s << u"run"_s << QString() << 0 << QByteArray();
        QTest::newRow("first start without it")
            << u"running"_s << QString() << u"run"_s << 0 << QByteArray();
        QTest::newRow("running copy stopped")
            << u"stopped"_s << u"run"_s << u"run"_s << 1 << QByteArray("is not answering");
        QTest::newRow("lock cannot be taken")
            << QString() << QString() << u"run"_s << 1 << QByteArray("cannot make sure");
    }

    void laterStart() {
        QFETCH(QString, holder);
        QFETCH(QString, firstRuntime);
        QFETCH(QString, laterRuntime);
        QFETCH(int, status);
        QFETCH(QByteArray, message);
        // Connections are closed at once: a copy that connected holds the guard and waits in its
        // connection box.
        QTcpServer server;
        QVERIFY(server.listen(QHostAddress::LocalHost));
        Program p;
        QProcess later;
        if (holder.isEmpty()) {
            QVERIFY(QDir(p.dir.path()).mkpath(u"XDG_CONFIG_HOME/pluvix/pluvix.instance"_s));
        } else {
            p.start(server.serverPort(), {}, nullptr, nullptr, firstRuntime);
            QVERIFY(server.waitForNewConnection(30000));
            server.nextPendingConnection()->abort();
            if (holder == u"stopped")
                QCOMPARE(::kill(pid_t(p.process.processId()), SIGSTOP), 0);
        }
        p.start(server.serverPort(), {}, nullptr, &later, laterRuntime);
        QVERIFY2(later.waitForFinished(15000), "a second copy runs on the same settings");
        QCOMPARE(later.exitStatus(), QProcess::NormalExit);
        QCOMPARE(later.exitCode(), status);
        QVERIFY2(later.readAllStandardError().contains(message), message.constData());
        QCOMPARE(p.process.state(), holder.isEmpty() ? QProcess::NotRunning : QProcess::Running);
    }
};

QTEST_MAIN(TestInstallation)
#include "tst_installation.moc"
