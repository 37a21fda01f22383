#include "support/RadarServerProcess.h"

#include <QElapsedTimer>
#include <QRegularExpression>
#include <QTcpSocket>
#include <QtTest>

using pluvix::testsupport::RadarServerProcess;
using namespace Qt::StringLiterals;

namespace {

const QStringList Frozen = {u"--start"_s, u"2024-05-01T15:32:10Z"_s, u"--frozen"_s};
const QString Folder = u"/radar/images/DS.p37cr/SI.kmlb/"_s;

QStringList imageLinks(const QByteArray& html) {
    static const QRegularExpression href(u"<a href=\"([^\"]*)\">"_s,
                                         QRegularExpression::CaseInsensitiveOption);
    QStringList out;
    for (const auto& m : href.globalMatch(QString::fromUtf8(html)))
        out.append(m.captured(1));
    return out.mid(1);
}

struct RawAnswer {
    QByteArray head;
    QByteArray body;
    bool closed = false; // the server closed the connection
};

// One request on a plain socket, reading until the server closes or `waitMs` pass.
RawAnswer rawGet(quint16 port, const QByteArray& target, int waitMs) {
    QTcpSocket socket;
    socket.connectToHost(u"127.0.0.1"_s, port);
    RawAnswer a;
    if (!socket.waitForConnected(5000))
        return a;
    socket.write("GET " + target + " HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n");
    QByteArray all;
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < waitMs) {
        if (socket.state() != QAbstractSocket::ConnectedState && socket.bytesAvailable() == 0) {
            a.closed = true;
            break;
        }
        socket.waitForReadyRead(50);
        all += socket.readAll();
    }
    const qsizetype split = all.indexOf("\r\n\r\n");
    a.head = split < 0 ? all : all.left(split);
    a.body = split < 0 ? QByteArray() : all.mid(split + 4);
    return a;
}

qint64 contentLength(const QByteArray& head) {
    static const QRegularExpression length(u"Content-Length: (\\d+)"_s);
    return length.match(QString::fromLatin1(head)).captured(1).toLongLong();
}

} // namespace

class TestRadarServerFaults : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void latency();
    void failNext();
    void stallNext();
    void listing404();
    void truncatedBodies();
    void oversizeListing();
    void listingWithoutGif();
    void resetClearsEverything();
    void controlIsNeverFaulted();
    void controlRejectsBadRequests_data();
    void controlRejectsBadRequests();
    void faultsFromCommandLine();

private:
    RadarServerProcess m_server;
    QStringList m_names;
};

void TestRadarServerFaults::initTestCase() {
    QVERIFY2(m_server.start(Frozen), qPrintable(m_server.errorString()));
    m_names = imageLinks(m_server.get(Folder).body);
    QCOMPARE(m_names.size(), 10);
}

void TestRadarServerFaults::init() {
    QVERIFY(m_server.control(u"reset"_s));
}

void TestRadarServerFaults::latency() {
    QVERIFY(m_server.control(u"faults?latency=600"_s));
    QElapsedTimer timer;
    timer.start();
    QCOMPARE(m_server.get(Folder + m_names.last()).status, 200);
    QVERIFY(timer.elapsed() >= 600);
}

void TestRadarServerFaults::failNext() {
    QVERIFY(m_server.control(u"faults?fail-next=2&fail-status=503"_s));
    QCOMPARE(m_server.get(Folder).status, 503);
    QCOMPARE(m_server.get(Folder + m_names.last()).status, 503);
    QCOMPARE(m_server.get(Folder).status, 200);

    QVERIFY(m_server.control(u"faults?fail-next=1&fail-status=404"_s));
    QCOMPARE(m_server.get(Folder + m_names.last()).status, 404);
    QCOMPARE(m_server.get(Folder + m_names.last()).status, 200);
}

void TestRadarServerFaults::stallNext() {
    QVERIFY(m_server.control(u"faults?stall-next=1"_s));
    QTcpSocket stalled;
    stalled.connectToHost(u"127.0.0.1"_s, m_server.port());
    QVERIFY(stalled.waitForConnected(5000));
    stalled.write("GET " + Folder.toLatin1() + " HTTP/1.1\r\nHost: x\r\n\r\n");
    QVERIFY(!stalled.waitForReadyRead(800));
    QCOMPARE(stalled.state(), QAbstractSocket::ConnectedState);

    // Only that one: others are answered meanwhile.
    QCOMPARE(m_server.get(Folder).status, 200);
    QVERIFY(!stalled.waitForReadyRead(100));

    // A reset lets go of it without an answer.
    QVERIFY(m_server.control(u"reset"_s));
    QTRY_COMPARE(stalled.state(), QAbstractSocket::UnconnectedState);
    QVERIFY(stalled.readAll().isEmpty());
}

void TestRadarServerFaults::listing404() {
    QVERIFY(m_server.control(u"faults?listing-404=1"_s));
    QCOMPARE(m_server.get(Folder).status, 404);
    QCOMPARE(m_server.get(Folder).status, 404);
    QCOMPARE(m_server.get(u"/radar/images/DS.p37cr/"_s).status, 404);
    QCOMPARE(m_server.get(Folder + m_names.last()).status, 200);
}

void TestRadarServerFaults::truncatedBodies() {
    QVERIFY(m_server.control(u"faults?truncate=1"_s));
    const RawAnswer a = rawGet(m_server.port(), (Folder + m_names.last()).toLatin1(), 20000);
    QVERIFY(a.closed);
    QVERIFY(a.head.startsWith("HTTP/1.1 200"));
    const qint64 promised = contentLength(a.head);
    QVERIFY(promised > 1000);
    QCOMPARE(a.body.size(), promised / 2);

    const auto reply = m_server.get(Folder);
    QVERIFY2(!reply.error.isEmpty(), "a short listing must not look complete");
}

void TestRadarServerFaults::oversizeListing() {
    QVERIFY(m_server.control(u"faults?oversize-mib=3"_s));
    const auto reply = m_server.get(Folder);
    QCOMPARE(reply.status, 200);
    QVERIFY(reply.body.size() > 3 * 1024 * 1024);
    QCOMPARE(imageLinks(reply.body), m_names);
}

void TestRadarServerFaults::listingWithoutGif() {
    QVERIFY(m_server.control(u"faults?no-gif=1"_s));
    const auto reply = m_server.get(Folder);
    QCOMPARE(reply.status, 200);
    QVERIFY(!reply.body.toLower().contains(".gif"));
    QCOMPARE(imageLinks(reply.body).size(), 10);
}

void TestRadarServerFaults::resetClearsEverything() {
    QVERIFY(m_server.control(
        u"faults?latency=50&fail-next=3&listing-404=1&truncate=1&oversize-mib=2&no-gif=1"_s));
    QByteArray state;
    QVERIFY(m_server.control(u"reset"_s, &state));
    QCOMPARE(state, QByteArray("latency=0\nfail-next=0\nfail-status=500\nstall-next=0\n"
                               "listing-404=0\ntruncate=0\noversize-mib=0\nno-gif=0\n"));
    const auto reply = m_server.get(Folder);
    QCOMPARE(reply.status, 200);
    QVERIFY(reply.error.isEmpty());
    QCOMPARE(imageLinks(reply.body), m_names);
    QVERIFY(reply.body.size() < 100000);
}

void TestRadarServerFaults::controlIsNeverFaulted() {
    QVERIFY(m_server.control(u"faults?fail-next=1&stall-next=1&listing-404=1"_s));
    QByteArray state;
    QVERIFY(m_server.control(u"time"_s));
    QVERIFY(m_server.control(u"faults"_s, &state));
    QVERIFY(state.contains("fail-next=1\n"));
    QVERIFY(state.contains("stall-next=1\n"));
}

void TestRadarServerFaults::controlRejectsBadRequests_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<int>("status");
    QTest::newRow("unknown fault") << u"faults?wobble=1"_s << 400;
    QTest::newRow("bad number") << u"faults?latency=soon"_s << 400;
    QTest::newRow("bad switch") << u"faults?truncate=maybe"_s << 400;
    QTest::newRow("bad advance") << u"advance?images=x"_s << 400;
    QTest::newRow("advance by what") << u"advance?years=1"_s << 400;
    QTest::newRow("unknown command") << u"explode"_s << 404;
}

void TestRadarServerFaults::controlRejectsBadRequests() {
    QFETCH(QString, command);
    QFETCH(int, status);
    QCOMPARE(m_server.get(u"/control/"_s + command).status, status);
    QByteArray state;
    QVERIFY(m_server.control(u"faults"_s, &state));
    QVERIFY(state.contains("latency=0\n"));
    QVERIFY(state.contains("truncate=0\n"));
}

void TestRadarServerFaults::faultsFromCommandLine() {
    RadarServerProcess server;
    QVERIFY2(server.start(Frozen + QStringList{u"--fail-next"_s, u"1"_s, u"--fail-status"_s,
                                               u"502"_s, u"--no-gif"_s}),
             qPrintable(server.errorString()));
    QCOMPARE(server.get(Folder).status, 502);
    const auto reply = server.get(Folder);
    QCOMPARE(reply.status, 200);
    QVERIFY(!reply.body.contains(".gif"));
    QVERIFY(server.control(u"reset"_s));
    QCOMPARE(imageLinks(server.get(Folder).body), m_names);
}

QTEST_GUILESS_MAIN(TestRadarServerFaults)
#include "tst_radar_server_faults.moc"
