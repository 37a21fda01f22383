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

#include <QLocalSocket>
#include <QTimer>

#include <future>
#include <optional>

#include <sys/stat.h>
#include <unistd.h>

using namespace pluvix;
using namespace Qt::StringLiterals;
using namespace std::chrono_literals;
using Action = app::CommandLine::Action;
using Claim = platform::SingleInstance::Claim;

namespace {

// Settings, runtime and temporary folders of one test, with TMPDIR pointed at its own.
struct GuardFolders {
    QTemporaryDir root;
    GuardFolders() {
        QDir().mkpath(temp());
        qputenv("TMPDIR", QFile::encodeName(temp()));
    }
    QString lockFile() const { return root.filePath(u"config/pluvix/pluvix.instance"_s); }
    QString temp() const { return root.filePath(u"tmp"_s); }
    void useRuntime(const QString& name) const {
        if (name.isEmpty())
            qunsetenv("XDG_RUNTIME_DIR");
        else if (QDir().mkpath(root.filePath(name)))
            qputenv("XDG_RUNTIME_DIR", QFile::encodeName(root.filePath(name)));
    }
};

bool isPrivateFolder(const QString& path) {
    struct stat st {};
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 && S_ISDIR(st.st_mode) &&
           st.st_uid == ::geteuid() && (st.st_mode & 0777) == 0700;
}

// A later start's claim on another thread, while this one's event loop lets the first answer.
Claim claimFromAnotherThread(const QString& lockFile) {
    auto later = std::async(std::launch::async, [lockFile] {
        platform::SingleInstance s(lockFile);
        return s.claim(5000);
    });
    while (later.wait_for(5ms) != std::future_status::ready)
        QCoreApplication::processEvents();
    return later.get();
}

} // namespace

// Command line, server hosts for one run, help page lookup and one copy per settings file.
class TestInstallation : public QObject {
    Q_OBJECT

private:
    QByteArray m_tmpdir;

private slots:
    void initTestCase() { m_tmpdir = qgetenv("TMPDIR"); }
    void cleanup() {
        acquisition::useServerHosts(acquisition::buildTimeHosts());
        qunsetenv("XDG_RUNTIME_DIR");
        qputenv("TMPDIR", m_tmpdir);
    }

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
        row("ours with one dash and =", {u"-satellite-host=h"_s, u"x"_s}, Action::Error);
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

    // The lock beside the settings decides whatever the environment of each start, and the
    // socket never lies in a folder that anyone else can reach.
    void oneCopyPerSettingsFile_data() {
        QTest::addColumn<QString>("firstRuntime"); // XDG_RUNTIME_DIR; empty: not set
        QTest::addColumn<QString>("laterRuntime");
        QTest::addColumn<QString>("squatter"); // what holds TMPDIR/pluvix-<uid> beforehand
        QTest::newRow("same environment") << u"runA"_s << u"runA"_s << QString();
        QTest::newRow("later start without it") << u"runA"_s << QString() << QString();
        QTest::newRow("first start without it") << QString() << u"runA"_s << QString();
        QTest::newRow("other runtime folders") << u"runA"_s << u"runB"_s << QString();
        QTest::newRow("shared name is a link") << QString() << QString() << u"link"_s;
        QTest::newRow("shared name is another user's") << QString() << QString() << u"user"_s;
    }
    void oneCopyPerSettingsFile() {
        QFETCH(QString, firstRuntime);
        QFETCH(QString, laterRuntime);
        QFETCH(QString, squatter);
        const GuardFolders f;
        const QString shared = f.temp() + u"/pluvix-%1"_s.arg(::geteuid());
        if (squatter == u"link") {
            QVERIFY(QDir().mkpath(f.root.filePath(u"elsewhere"_s)));
            QVERIFY(QFile::link(f.root.filePath(u"elsewhere"_s), shared));
        } else if (squatter == u"user") {
            if (::geteuid() != 0)
                QSKIP("only root can make a folder of another user");
            QVERIFY(QDir().mkpath(shared + u"/stale"_s));
            QVERIFY(::chown(QFile::encodeName(shared).constData(), 65534, 65534) == 0);
        }
        f.useRuntime(firstRuntime);
        platform::SingleInstance first(f.lockFile());
        QCOMPARE(first.claim(), Claim::First);
        QVERIFY2(isPrivateFolder(QFileInfo(first.serverName()).path()),
                 qPrintable(first.serverName()));
        QSignalSpy activated(&first, &platform::SingleInstance::activationRequested);
        f.useRuntime(laterRuntime);
        QCOMPARE(claimFromAnotherThread(f.lockFile()), Claim::Forwarded);
        QTRY_COMPARE(activated.size(), 1);
    }

    // A later start never runs beside a copy it cannot reach, nor without the lock.
    void noSecondWriter_data() {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<Claim>("later");
        QTest::newRow("holder does not answer") << u"stopped"_s << Claim::NotAnswering;
        QTest::newRow("holder has no socket") << u"no socket"_s << Claim::NotAnswering;
        QTest::newRow("lock file is a folder") << u"folder"_s << Claim::Failed;
        QTest::newRow("lock file is a link") << u"link"_s << Claim::Failed;
    }
    void noSecondWriter() {
        QFETCH(QString, fault);
        QFETCH(Claim, later);
        const GuardFolders f;
        f.useRuntime({});
        std::optional<platform::SingleInstance> holder;
        if (fault == u"folder") {
            QVERIFY(QDir().mkpath(f.lockFile()));
        } else if (fault == u"link") {
            QVERIFY(QDir().mkpath(QFileInfo(f.lockFile()).path()));
            QVERIFY(QFile::link(f.root.filePath(u"target"_s), f.lockFile()));
        } else {
            if (fault == u"no socket")
                qputenv("TMPDIR", QFile::encodeName(f.root.filePath(u"missing"_s)));
            holder.emplace(f.lockFile());
            QCOMPARE(holder->claim(), Claim::First);
            QCOMPARE(holder->serverName().isEmpty(), fault == u"no socket");
        }
        // On this thread the holder's event loop does not run meanwhile, as when it is stopped.
        platform::SingleInstance second(f.lockFile());
        QCOMPARE(second.claim(300), later);
        QVERIFY(later != Claim::Failed || !second.problem().isEmpty());
    }

    // What another program of the user sends costs little: idle and junk connections are
    // dropped, and the copy still answers a later start.
    void hostileConnections_data() {
        QTest::addColumn<int>("clients");
        QTest::addColumn<QByteArray>("payload");
        QTest::addColumn<int>("droppedAtOnce"); // within a second, before the deadline
        QTest::newRow("idle beyond the limit") << 40 << QByteArray() << 32;
        QTest::newRow("junk without a newline") << 1 << QByteArray(1 << 20, 'x') << 1;
    }
    void hostileConnections() {
        QFETCH(int, clients);
        QFETCH(QByteArray, payload);
        QFETCH(int, droppedAtOnce);
        const GuardFolders f;
        platform::SingleInstance first(f.lockFile());
        QCOMPARE(first.claim(), Claim::First);
        std::vector<std::unique_ptr<QLocalSocket>> sockets;
        for (int i = 0; i < clients; ++i) {
            sockets.push_back(std::make_unique<QLocalSocket>());
            sockets.back()->connectToServer(first.serverName());
            QVERIFY(sockets.back()->waitForConnected(1000));
            sockets.back()->write(payload);
        }
        const auto dropped = [&] {
            return std::count_if(sockets.begin(), sockets.end(), [](const auto& s) {
                return s->state() == QLocalSocket::UnconnectedState;
            });
        };
        QTRY_VERIFY_WITH_TIMEOUT(dropped() >= droppedAtOnce, 1000);
        QTRY_VERIFY_WITH_TIMEOUT(dropped() == clients, 5000);
        QCOMPARE(claimFromAnotherThread(f.lockFile()), Claim::Forwarded);
    }

    // Bringing the window forward runs the event loop; requests meanwhile must not nest it
    // (a flood of them overflowed the stack).
    void showRequestsDoNotNest() {
        const GuardFolders f;
        platform::SingleInstance first(f.lockFile());
        QCOMPARE(first.claim(), Claim::First);
        int depth = 0, deepest = 0, shown = 0;
        connect(&first, &platform::SingleInstance::activationRequested, this, [&] {
            ++shown;
            deepest = std::max(deepest, ++depth);
            QEventLoop wait;
            QTimer::singleShot(50, &wait, &QEventLoop::quit);
            wait.exec();
            --depth;
        });
        constexpr int requests = 200;
        auto flood = std::async(std::launch::async, [name = first.serverName()] {
            int answered = 0;
            for (int i = 0; i < requests; ++i) {
                QLocalSocket s;
                s.connectToServer(name);
                if (s.waitForConnected(2000) && s.write("show\n") == 5 &&
                    s.waitForBytesWritten(2000) && s.waitForReadyRead(2000))
                    answered += s.readAll() == "ok\n";
            }
            return answered;
        });
        QTRY_VERIFY_WITH_TIMEOUT(flood.wait_for(0s) == std::future_status::ready, 60000);
        QCOMPARE(flood.get(), requests);
        QTRY_COMPARE(depth, 0);
        QCOMPARE(deepest, 1);
        QVERIFY2(shown >= 1 && shown < requests / 4, qPrintable(QString::number(shown)));
    }
};

QTEST_MAIN(TestInstallation)
#include "tst_installation.moc"
