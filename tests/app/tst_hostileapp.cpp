// The built program against hostile servers and other copies of itself: how fast, and with which
// status, each ending comes.
#include "support/GifFixtures.h"
#include "support/RadarServerProcess.h"
#include "support/XSession.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLockFile>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

using namespace Qt::StringLiterals;
using pluvix::testsupport::fileBytes;
using pluvix::testsupport::RadarServerProcess;
using pluvix::testsupport::XSession;

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

class TestHostileApp : public QObject {
    Q_OBJECT
private slots:
    void sigtermEndsAStalledListing() {
        QTcpServer silent; // the kernel accepts; nobody ever answers
        QVERIFY(silent.listen(QHostAddress::LocalHost));
        Program p;
        p.start(silent.serverPort());
        QVERIFY(silent.waitForNewConnection(30000));
        const qint64 ms = p.terminate();
        qInfo("ended %lld ms after SIGTERM, status %d", ms, p.process.exitCode());
        QVERIFY(ms >= 0);
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
        QProcess& first = p.process;
        QProcess later;
        if (holder.isEmpty()) {
            QVERIFY(QDir(p.dir.path()).mkpath(u"XDG_CONFIG_HOME/pluvix/pluvix.instance"_s));
        } else {
            p.start(server.serverPort(), {}, nullptr, nullptr, firstRuntime);
            QVERIFY(server.waitForNewConnection(30000));
            server.nextPendingConnection()->abort();
            if (holder == u"stopped")
                QCOMPARE(::kill(pid_t(first.processId()), SIGSTOP), 0);
        }
        p.start(server.serverPort(), {}, nullptr, &later, laterRuntime);
        QVERIFY2(later.waitForFinished(15000), "a second copy runs on the same settings");
        QCOMPARE(later.exitStatus(), QProcess::NormalExit);
        QCOMPARE(later.exitCode(), status);
        QVERIFY2(later.readAllStandardError().contains(message), message.constData());
        QCOMPARE(first.state(), holder.isEmpty() ? QProcess::NotRunning : QProcess::Running);
    }
};

QTEST_GUILESS_MAIN(TestHostileApp)
#include "tst_hostileapp.moc"
