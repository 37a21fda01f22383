// The built program started while another copy of it holds the same settings.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

// One user's home with settings, cache and temporary folders, and the program copied into it
// (its log lands beside it). Each start may see its own XDG_RUNTIME_DIR, as from ssh or cron.
struct Home {
    QTemporaryDir dir;
    // Where the program fetches its listing: connections are accepted and closed at once, so
    // a copy that connected has settled its guard and waits in its connection box.
    QTcpServer server;
    std::vector<std::unique_ptr<QProcess>> copies;

    Home() {
        QFile::copy(qEnvironmentVariable("PLUVIX_PROGRAM"), dir.filePath(u"pluvix"_s));
        server.listen(QHostAddress::LocalHost);
        QObject::connect(&server, &QTcpServer::newConnection, &server, [this] {
            while (QTcpSocket* s = server.nextPendingConnection())
                s->abort();
        });
    }
    ~Home() {
        for (auto& p : copies) {
            ::kill(pid_t(p->processId()), SIGCONT);
            p->kill();
            p->waitForFinished(5000);
        }
    }

    QProcess& start(const QString& runtime, const QStringList& args = {}) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name :
             {"HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME", "XDG_STATE_HOME", "TMPDIR"}) {
            QDir().mkpath(dir.filePath(QString::fromLatin1(name)));
            env.insert(QString::fromLatin1(name), dir.filePath(QString::fromLatin1(name)));
        }
        env.remove(u"XDG_RUNTIME_DIR"_s);
        if (!runtime.isEmpty() && QDir().mkpath(dir.filePath(runtime))) {
            QFile::setPermissions(dir.filePath(runtime),
                                  QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
            env.insert(u"XDG_RUNTIME_DIR"_s, dir.filePath(runtime));
        }
        env.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
        copies.push_back(std::make_unique<QProcess>());
        copies.back()->setProcessEnvironment(env);
        copies.back()->start(
            dir.filePath(u"pluvix"_s),
            args.isEmpty()
                ? QStringList{u"--radar-host"_s, u"127.0.0.1:%1"_s.arg(server.serverPort())}
                : args);
        return *copies.back();
    }
    // Started, and holding the guard.
    QProcess* startHolder(const QString& runtime) {
        QProcess& p = start(runtime);
        return p.waitForStarted() && server.waitForNewConnection(30000) ? &p : nullptr;
    }
};

} // namespace

class TestOneCopy : public QObject {
    Q_OBJECT
private slots:
    void laterStartReachesTheRunningCopy_data();
    void laterStartReachesTheRunningCopy();
    void refusedStarts_data();
    void refusedStarts();
};

void TestOneCopy::laterStartReachesTheRunningCopy_data() {
    QTest::addColumn<QString>("firstRuntime"); // XDG_RUNTIME_DIR; empty: not set
    QTest::addColumn<QString>("laterRuntime");
    QTest::newRow("later start without XDG_RUNTIME_DIR") << u"runA"_s << QString();
    QTest::newRow("first start without it") << QString() << u"runA"_s;
    QTest::newRow("other runtime folders") << u"runA"_s << u"runB"_s;
}

void TestOneCopy::laterStartReachesTheRunningCopy() {
    QFETCH(QString, firstRuntime);
    QFETCH(QString, laterRuntime);
    Home home;
    QProcess* first = home.startHolder(firstRuntime);
    QVERIFY(first);
    QProcess& later = home.start(laterRuntime);
    QVERIFY2(later.waitForFinished(15000), "a second copy runs on the same settings");
    QCOMPARE(later.exitCode(), 0);
    QCOMPARE(first->state(), QProcess::Running);
}

void TestOneCopy::refusedStarts_data() {
    QTest::addColumn<QString>("situation");
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("message");
    QTest::newRow("running copy stopped")
        << u"stopped holder"_s << QStringList() << 1 << QByteArray("is not answering");
    QTest::newRow("lock cannot be taken")
        << u"lock is a folder"_s << QStringList() << 1 << QByteArray("cannot make sure");
    QTest::newRow("our option with one dash")
        << QString() << QStringList{u"-radar-host"_s, u"127.0.0.1:1"_s} << 2
        << QByteArray("unknown argument '-radar-host'");
}

void TestOneCopy::refusedStarts() {
    QFETCH(QString, situation);
    QFETCH(QStringList, args);
    QFETCH(int, status);
    QFETCH(QByteArray, message);
    Home home;
    if (situation == u"stopped holder") {
        QProcess* first = home.startHolder(u"runA"_s);
        QVERIFY(first);
        QCOMPARE(::kill(pid_t(first->processId()), SIGSTOP), 0);
    } else if (situation == u"lock is a folder") {
        QVERIFY(QDir().mkpath(home.dir.filePath(u"XDG_CONFIG_HOME/pluvix/pluvix.instance"_s)));
    }
    QProcess& p = home.start(u"runA"_s, args);
    QVERIFY(p.waitForFinished(15000));
    QCOMPARE(p.exitStatus(), QProcess::NormalExit);
    QCOMPARE(p.exitCode(), status);
    const QByteArray err = p.readAllStandardError();
    QVERIFY2(err.contains(message), err.constData());
}

QTEST_GUILESS_MAIN(TestOneCopy)
#include "tst_onecopy.moc"
