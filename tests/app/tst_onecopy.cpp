// The built program started while another copy of it may hold the same settings, each start
// with its own XDG_RUNTIME_DIR (as from ssh, su or cron) or none.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

using namespace Qt::StringLiterals;

class TestOneCopy : public QObject {
    Q_OBJECT
private slots:
    void laterStart_data();
    void laterStart();
};

void TestOneCopy::laterStart_data() {
    QTest::addColumn<QString>("holder"); // the first copy: none, "running" or "stopped"
    QTest::addColumn<QString>("firstRuntime");
    QTest::addColumn<QString>("laterRuntime"); // empty: not set
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("message");
    QTest::newRow("later start without XDG_RUNTIME_DIR")
        << u"running"_s << u"a"_s << QString() << 0 << QByteArray();
    QTest::newRow("first start without it")
        << u"running"_s << QString() << u"a"_s << 0 << QByteArray();
    QTest::newRow("running copy stopped")
        << u"stopped"_s << u"a"_s << u"a"_s << 1 << QByteArray("is not answering");
    QTest::newRow("lock cannot be taken")
        << QString() << QString() << u"a"_s << 1 << QByteArray("cannot make sure");
}

void TestOneCopy::laterStart() {
    QFETCH(QString, holder);
    QFETCH(QString, firstRuntime);
    QFETCH(QString, laterRuntime);
    QFETCH(int, status);
    QFETCH(QByteArray, message);
    QTemporaryDir home;
    const QString exe = home.filePath(u"pluvix"_s); // its log lands beside it
    QVERIFY(QFile::copy(qEnvironmentVariable("PLUVIX_PROGRAM"), exe));
    // Connections are closed at once: a copy that connected holds the guard and waits in its
    // connection box.
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost));
    const auto start = [&](QProcess& p, const QString& runtime) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME", "TMPDIR"})
            env.insert(QString::fromLatin1(name), home.filePath(QString::fromLatin1(name)));
        env.remove(u"XDG_RUNTIME_DIR"_s);
        if (!runtime.isEmpty() && QDir(home.path()).mkpath(u"run/"_s + runtime))
            env.insert(u"XDG_RUNTIME_DIR"_s, home.filePath(u"run/"_s + runtime));
        QDir(home.path()).mkpath(u"TMPDIR"_s);
        p.setProcessEnvironment(env);
        p.start(exe, {u"--radar-host"_s, u"127.0.0.1:%1"_s.arg(server.serverPort())});
    };
    QProcess first, later;
    if (holder.isEmpty()) {
        QVERIFY(QDir(home.path()).mkpath(u"XDG_CONFIG_HOME/pluvix/pluvix.instance"_s));
    } else {
        start(first, firstRuntime);
        QVERIFY(first.waitForStarted() && server.waitForNewConnection(30000));
        server.nextPendingConnection()->abort();
        if (holder == u"stopped")
            QCOMPARE(::kill(pid_t(first.processId()), SIGSTOP), 0);
    }
    start(later, laterRuntime);
    QVERIFY2(later.waitForFinished(15000), "a second copy runs on the same settings");
    if (first.state() == QProcess::Running)
        ::kill(pid_t(first.processId()), SIGCONT);
    QCOMPARE(later.exitStatus(), QProcess::NormalExit);
    QCOMPARE(later.exitCode(), status);
    QVERIFY2(later.readAllStandardError().contains(message), message.constData());
    QCOMPARE(first.state(), holder.isEmpty() ? QProcess::NotRunning : QProcess::Running);
}

QTEST_GUILESS_MAIN(TestOneCopy)
#include "tst_onecopy.moc"
