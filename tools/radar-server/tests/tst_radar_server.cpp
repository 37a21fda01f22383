#include "support/GifFixtures.h"
#include "support/RadarServerProcess.h"

#include <QElapsedTimer>
#include <QImage>
#include <QRegularExpression>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimeZone>
#include <QtTest>

using pluvix::testsupport::cutNames;
using pluvix::testsupport::RadarServerProcess;
using namespace Qt::StringLiterals;

namespace {

const QStringList Frozen = {u"--start"_s, u"2024-05-01T15:32:10Z"_s, u"--frozen"_s};
const QString Folder = u"/radar/images/DS.p37cr/SI.kmlb/"_s;

QStringList links(const QByteArray& html) {
    static const QRegularExpression href(u"<a href=\"([^\"]*)\">"_s,
                                         QRegularExpression::CaseInsensitiveOption);
    QStringList out;
    for (const auto& m : href.globalMatch(QString::fromLatin1(html)))
        out.append(m.captured(1));
    return out;
}

QDateTime nameTime(const QString& name) {
    return QDateTime(QDate(name.mid(3, 4).toInt(), name.mid(7, 2).toInt(), name.mid(9, 2).toInt()),
                     QTime(name.mid(15, 2).toInt(), name.mid(17, 2).toInt()), QTimeZone::utc());
}

} // namespace

// The bundled server as a program: what it serves, and the faults tests make it produce.
class TestRadarServer : public QObject {
    Q_OBJECT
    RadarServerProcess m_server; // frozen, upper-case listings, faults reset before each test
    QStringList m_names;

private slots:
    void initTestCase() {
        QVERIFY2(m_server.start(Frozen), qPrintable(m_server.errorString()));
        m_names = cutNames(m_server.get(Folder).body);
    }
    void init() { QVERIFY(m_server.control(u"reset"_s)); }

    void listingForm_data() {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QString>("folder");
        QTest::addColumn<int>("interval");
        QTest::addColumn<QString>("newest");
        QTest::newRow("upper case")
            << QStringList() << Folder << 300 << u"MLB20240501_NCR1530.gif"_s;
        QTest::newRow("lower case, ten minutes")
            << QStringList{u"--lowercase-listing"_s, u"--interval"_s, u"600"_s}
            << u"/radar/images/DS.p20-r/SI.pabc/"_s << 600 << u"ABC20240501_N0Z1530.gif"_s;
    }
    void listingForm() {
        QFETCH(QStringList, options);
        QFETCH(QString, folder);
        QFETCH(int, interval);
        RadarServerProcess server;
        QVERIFY2(server.start(Frozen + options), qPrintable(server.errorString()));
        const auto reply = server.get(folder);
        QVERIFY(reply.status == 200 && reply.header("Content-Type").startsWith("text/html"));
        QCOMPARE(reply.body.contains("<a href=\""), !options.isEmpty());
        const QStringList names = cutNames(reply.body);
        QCOMPARE(names, links(reply.body).mid(1));
        QTEST(names.last(), "newest");
        for (qsizetype i = 1; i < names.size(); ++i)
            QCOMPARE(nameTime(names[i - 1]).secsTo(nameTime(names[i])), interval);
        QVERIFY(reply.body.contains("01-May-2024 15:30"));
    }

    void imagesAreGifsAndRepeatable() {
        RadarServerProcess same, otherSeed;
        QVERIFY2(same.start(Frozen), qPrintable(same.errorString()));
        QVERIFY2(otherSeed.start(Frozen + QStringList{u"--seed"_s, u"4"_s}),
                 qPrintable(otherSeed.errorString()));
        for (const QString& product : {u"p19r0"_s, u"80stp"_s, u"p38cr"_s}) {
            const QString folder = u"/radar/images/DS."_s + product + u"/SI.kjax/"_s;
            const QStringList names = cutNames(m_server.get(folder).body);
            const auto reply = m_server.get(folder + names.last());
            QCOMPARE(reply.header("Content-Type"), QByteArray("image/gif"));
            QImage img;
            QVERIFY(img.loadFromData(reply.body, "GIF"));
            QCOMPARE(img.size(), QSize(600, 550));
            QSet<QRgb> colours;
            for (int y = 0; y < img.height(); y += 3)
                for (int x = 0; x < img.width(); x += 3)
                    colours.insert(img.pixel(x, y));
            QVERIFY2(colours.size() > 15, qPrintable(QString::number(colours.size())));
            QCOMPARE(same.get(folder + names.last()).body, reply.body);
            QVERIFY(otherSeed.get(folder + names.last()).body != reply.body);
            QVERIFY(m_server.get(folder + names[8]).body != reply.body);
        }
    }

    void notFound_data() {
        QTest::addColumn<QString>("path");
        QTest::newRow("unknown station") << u"/radar/images/DS.p37cr/SI.kxyz/"_s;
        QTest::newRow("another product's image") << Folder + u"MLB20240501_N0R1530.gif"_s;
        QTest::newRow("image in the future") << Folder + u"MLB20240501_NCR1535.gif"_s;
    }
    void notFound() {
        QFETCH(QString, path);
        QCOMPARE(m_server.get(path).status, 404);
    }

    void advanceMakesNewImages() {
        RadarServerProcess server;
        QVERIFY2(server.start(Frozen), qPrintable(server.errorString()));
        const QString satellite = u"/PS/TROP/DATA/RT/FLOAT/IR4/"_s;
        const QByteArray newestPhoto = server.get(satellite + u"20.jpg"_s).body;
        QVERIFY(QImage::fromData(newestPhoto, "JPG").size() == QSize(640, 480));
        QByteArray time;
        QVERIFY(server.control(u"advance?images=1"_s, &time));
        QCOMPARE(time.trimmed(), QByteArray("2024-05-01T15:37:10Z"));
        const QStringList after = cutNames(server.get(Folder).body);
        QCOMPARE(after.mid(0, 9), m_names.mid(1, 9));
        QCOMPARE(nameTime(m_names.last()).secsTo(nameTime(after.last())), 300);
        QCOMPARE(server.get(Folder + m_names.first()).status, 200); // dropped out, still there
        QCOMPARE(server.get(satellite + u"19.jpg"_s).body, newestPhoto);
        QVERIFY(server.get(satellite + u"20.jpg"_s).body != newestPhoto);
        QVERIFY(server.control(u"advance?seconds=60"_s));
        QCOMPARE(cutNames(server.get(Folder).body), after);
    }

    void folderMode() {
        QTemporaryDir dir;
        QStringList names;
        for (int i = 0; i < 12; ++i) {
            names.append(u"XYZ20240501_NCR10%1.gif"_s.arg(i * 5, 2, 10, QLatin1Char('0')));
            QFile f(dir.filePath(names.last()));
            QVERIFY(f.open(QIODevice::WriteOnly) && f.write("GIF89a " + QByteArray::number(i)));
        }
        RadarServerProcess server;
        QVERIFY2(server.start({u"--dir"_s, dir.path()}), qPrintable(server.errorString()));
        QCOMPARE(cutNames(server.get(u"/radar/images/DS.80stp/SI.kokx/"_s).body), names.mid(2));
        QCOMPARE(server.get(Folder + names[3]).body, QByteArray("GIF89a 3"));
        QCOMPARE(server.get(Folder + u"..%2F"_s + names[3]).status, 404);
    }

    // fault: query for /control/faults; then the statuses of listing, image, listing. A missing
    // listing and one without images are seen through the fetch in tests/acquisition.
    void faults_data() {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QList<int>>("statuses");
        QTest::newRow("fail next two")
            << u"fail-next=2&fail-status=503"_s << QList<int>{503, 503, 200};
        QTest::newRow("oversize") << u"oversize-mib=3"_s << QList<int>{200, 200, 200};
    }
    void faults() {
        QFETCH(QString, fault);
        QVERIFY(m_server.control(u"faults?"_s + fault));
        QList<int> statuses;
        RadarServerProcess::Reply listing;
        for (const QString& path : QStringList{Folder, Folder + m_names.last(), Folder}) {
            const auto reply = m_server.get(path);
            statuses << reply.status;
            if (path == Folder && reply.status == 200)
                listing = reply;
        }
        QTEST(statuses, "statuses");
        QCOMPARE(cutNames(listing.body), m_names);
        QCOMPARE(listing.body.size() > 3 * 1024 * 1024, fault.startsWith(u"oversize"_s));
    }

    void latencyTruncationAndBadControl() {
        QVERIFY(m_server.control(u"faults?latency=600&truncate=1"_s));
        QElapsedTimer timer;
        timer.start();
        const auto cut = m_server.get(Folder);
        QVERIFY(timer.elapsed() >= 600);
        QVERIFY2(!cut.error.isEmpty(), "a short listing must not look complete");
        QCOMPARE(m_server.get(u"/control/faults?latency=soon"_s).status, 400);
        QCOMPARE(m_server.get(u"/control/faults?wobble=1"_s).status, 400);
        QByteArray state; // bad requests changed nothing
        QVERIFY(m_server.control(u"faults"_s, &state) && state.startsWith("latency=600\n"));
        QVERIFY(m_server.control(u"reset"_s));
        timer.restart();
        QCOMPARE(cutNames(m_server.get(Folder).body), m_names);
        QVERIFY(timer.elapsed() < 600);
    }

    // One request hangs; the others are answered meanwhile, and a reset lets go of it.
    void stallNext() {
        QVERIFY(m_server.control(u"faults?stall-next=1"_s));
        QTcpSocket stalled;
        stalled.connectToHost(u"127.0.0.1"_s, m_server.port());
        QVERIFY(stalled.waitForConnected(5000));
        stalled.write("GET " + Folder.toLatin1() + " HTTP/1.1\r\nHost: x\r\n\r\n");
        QVERIFY(!stalled.waitForReadyRead(800));
        QCOMPARE(m_server.get(Folder).status, 200);
        QVERIFY(m_server.control(u"reset"_s));
        QTRY_COMPARE(stalled.state(), QAbstractSocket::UnconnectedState);
        QVERIFY(stalled.readAll().isEmpty());
    }

    // A client that pipelines thousands of requests and never reads the answers.
    void unreadPipelineStaysBounded() {
        RadarServerProcess server;
        QVERIFY2(server.start(Frozen + QStringList{u"--quiet"_s}),
                 qPrintable(server.errorString()));
        const QByteArray request =
            "GET " + (Folder + m_names.last()).toLatin1() + " HTTP/1.1\r\nHost: x\r\n\r\n";
        QTcpSocket client;
        client.setReadBufferSize(1024); // leaves the answers in the kernel
        client.connectToHost(u"127.0.0.1"_s, server.port());
        QVERIFY(client.waitForConnected(5000));
        const qint64 before = server.peakMemoryMiB();
        // Just under what the server accepts unanswered: 12,000 requests.
        client.write(request.repeated(12000));
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < 5000)
            client.waitForBytesWritten(50);
        const qint64 after = server.peakMemoryMiB();
        QVERIFY2(before > 0 && after - before < 64,
                 qPrintable(u"%1 -> %2 MiB"_s.arg(before).arg(after)));
        QCOMPARE(server.get(Folder).status, 200);
    }
};

QTEST_GUILESS_MAIN(TestRadarServer)
#include "tst_radar_server.moc"
