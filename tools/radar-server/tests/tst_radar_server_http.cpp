#include "support/RadarServerProcess.h"

#include <QDateTime>
#include <QFile>
#include <QImage>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimeZone>
#include <QtTest>

#include <memory>

using pluvix::testsupport::RadarServerProcess;
using namespace Qt::StringLiterals;

namespace {

const QStringList Frozen = {u"--start"_s, u"2024-05-01T15:32:10Z"_s, u"--frozen"_s};
const QString Folder = u"/radar/images/DS.p37cr/SI.kmlb/"_s;

QStringList links(const QByteArray& html) {
    static const QRegularExpression href(u"<a href=\"([^\"]*)\">"_s,
                                         QRegularExpression::CaseInsensitiveOption);
    QStringList out;
    for (const auto& m : href.globalMatch(QString::fromUtf8(html)))
        out.append(m.captured(1));
    return out;
}

// The names after the parent link.
QStringList imageLinks(const QByteArray& html) {
    return links(html).mid(1);
}

// UTC time from the fixed positions of an image name.
QDateTime nameTime(const QString& name) {
    const QDate d(name.mid(3, 4).toInt(), name.mid(7, 2).toInt(), name.mid(9, 2).toInt());
    const QTime t(name.mid(15, 2).toInt(), name.mid(17, 2).toInt());
    return QDateTime(d, t, QTimeZone::utc());
}

} // namespace

class TestRadarServerHttp : public QObject {
    Q_OBJECT

private slots:
    void listingForm_data();
    void listingForm();
    void imagesAreGifs_data();
    void imagesAreGifs();
    void sameArgumentsSameBytes();
    void notFound_data();
    void notFound();
    void folderNavigation();
    void advanceMakesNewNewest();
    void servesManyAtOnce();
    void realClient();
    void folderMode();
    void satelliteImages();
    void commandLine();

private:
    RadarServerProcess m_server; // frozen at 2024-05-01 15:32:10 UTC, upper-case listings
};

void TestRadarServerHttp::listingForm_data() {
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QString>("product");
    QTest::addColumn<QString>("station");
    QTest::addColumn<int>("interval");
    QTest::addColumn<QString>("newest");

    QTest::newRow("upper case") << QStringList() << u"p37cr"_s << u"kmlb"_s << 300
                                << u"MLB20240501_NCR1530.gif"_s;
    QTest::newRow("lower case") << QStringList{u"--lowercase-listing"_s} << u"p19r0"_s << u"ktlx"_s
                                << 300 << u"TLX20240501_N0R1530.gif"_s;
    QTest::newRow("ten-minute interval") << QStringList{u"--interval"_s, u"600"_s} << u"p20-r"_s
                                         << u"pabc"_s << 600 << u"ABC20240501_N0Z1530.gif"_s;
}

void TestRadarServerHttp::listingForm() {
    QFETCH(QStringList, options);
    QFETCH(QString, product);
    QFETCH(QString, station);
    QFETCH(int, interval);
    QFETCH(QString, newest);

    RadarServerProcess server;
    QVERIFY2(server.start(Frozen + options), qPrintable(server.errorString()));
    const auto reply = server.get(u"/radar/images/DS."_s + product + u"/SI."_s + station + u'/');
    QCOMPARE(reply.status, 200);
    QVERIFY(reply.header("Content-Type").startsWith("text/html"));

    const bool lower = options.contains(u"--lowercase-listing"_s);
    QCOMPARE(reply.body.contains("<A HREF=\""), !lower);
    QCOMPARE(reply.body.contains("<a href=\""), lower);
    const QStringList all = links(reply.body);
    QCOMPARE(all.size(), 11);
    QCOMPARE(all.first(), lower ? u"../"_s : u"/radar/images/DS."_s + product + u'/');

    const QStringList names = all.mid(1);
    QCOMPARE(names.last(), newest);
    for (qsizetype i = 0; i < names.size(); ++i) {
        QVERIFY(names[i].startsWith(station.mid(1).toUpper()));
        QVERIFY(names[i].endsWith(u".gif"_s));
        if (i > 0)
            QCOMPARE(nameTime(names[i - 1]).secsTo(nameTime(names[i])), interval);
    }
    // Each name is listed as its own link text too, with a date column.
    QVERIFY(reply.body.contains((names.first() + u"</"_s).toLatin1()));
    QVERIFY(reply.body.contains("01-May-2024 15:30"));
}

void TestRadarServerHttp::imagesAreGifs_data() {
    QTest::addColumn<QString>("product");
    for (const char* p : {"p19r0", "p37cr", "78ohp", "80stp", "p20-r", "p38cr"})
        QTest::newRow(p) << QString::fromLatin1(p);
}

void TestRadarServerHttp::imagesAreGifs() {
    QFETCH(QString, product);
    if (!m_server.isRunning())
        QVERIFY2(m_server.start(Frozen), qPrintable(m_server.errorString()));
    const QString folder = u"/radar/images/DS."_s + product + u"/SI.kjax/"_s;
    const QStringList names = imageLinks(m_server.get(folder).body);
    QCOMPARE(names.size(), 10);
    for (const QString& name : {names.first(), names.last()}) {
        const auto reply = m_server.get(folder + name);
        QCOMPARE(reply.status, 200);
        QCOMPARE(reply.header("Content-Type"), QByteArray("image/gif"));
        QVERIFY(reply.body.startsWith("GIF89a"));
        QCOMPARE(reply.body.back(), char(0x3B));
        QImage img;
        QVERIFY(img.loadFromData(reply.body, "GIF"));
        QCOMPARE(img.size(), QSize(600, 550));
        QSet<QRgb> colours;
        for (int y = 0; y < img.height(); y += 3) {
            for (int x = 0; x < img.width(); x += 3)
                colours.insert(img.pixel(x, y));
        }
        QVERIFY2(colours.size() > 15, qPrintable(QString::number(colours.size())));
    }
}

void TestRadarServerHttp::sameArgumentsSameBytes() {
    RadarServerProcess a;
    RadarServerProcess b;
    RadarServerProcess otherSeed;
    QVERIFY2(a.start(Frozen + QStringList{u"--seed"_s, u"3"_s}), qPrintable(a.errorString()));
    QVERIFY2(b.start(Frozen + QStringList{u"--seed"_s, u"3"_s}), qPrintable(b.errorString()));
    QVERIFY2(otherSeed.start(Frozen + QStringList{u"--seed"_s, u"4"_s}),
             qPrintable(otherSeed.errorString()));
    const QString folder = u"/radar/images/DS.p19r0/SI.kbmx/"_s;
    const QStringList names = imageLinks(a.get(folder).body);
    QCOMPARE(names, imageLinks(b.get(folder).body));
    const QByteArray newest = a.get(folder + names.last()).body;
    QVERIFY(newest.startsWith("GIF89a"));
    QCOMPARE(b.get(folder + names.last()).body, newest);
    QCOMPARE(a.get(folder + names.last()).body, newest); // and again, from the cache
    QVERIFY(a.get(folder + names[8]).body != newest);
    QVERIFY(otherSeed.get(folder + names.last()).body != newest);
}

void TestRadarServerHttp::notFound_data() {
    QTest::addColumn<QString>("path");
    QTest::newRow("unknown station") << u"/radar/images/DS.p37cr/SI.kxyz/"_s;
    QTest::newRow("station in upper case") << u"/radar/images/DS.p37cr/SI.KMLB/"_s;
    QTest::newRow("unknown product") << u"/radar/images/DS.p99zz/SI.kmlb/"_s;
    QTest::newRow("image of another station") << Folder + u"TBW20240501_NCR1530.gif"_s;
    QTest::newRow("image of another product") << Folder + u"MLB20240501_N0R1530.gif"_s;
    QTest::newRow("image in the future") << Folder + u"MLB20240501_NCR1535.gif"_s;
    QTest::newRow("off the time grid") << Folder + u"MLB20240501_NCR1531.gif"_s;
    QTest::newRow("image of an unknown station")
        << u"/radar/images/DS.p37cr/SI.kxyz/XYZ20240501_NCR1530.gif"_s;
    QTest::newRow("not an image") << Folder + u"index.html"_s;
    QTest::newRow("satellite number too low") << u"/PS/TROP/DATA/RT/FLOAT/IR4/10.jpg"_s;
    QTest::newRow("satellite number too high") << u"/PS/TROP/DATA/RT/FLOAT/IR4/21.jpg"_s;
    QTest::newRow("elsewhere") << u"/cgi-bin/radar"_s;
}

void TestRadarServerHttp::notFound() {
    QFETCH(QString, path);
    if (!m_server.isRunning())
        QVERIFY2(m_server.start(Frozen), qPrintable(m_server.errorString()));
    QCOMPARE(m_server.get(path).status, 404);
}

void TestRadarServerHttp::folderNavigation() {
    if (!m_server.isRunning())
        QVERIFY2(m_server.start(Frozen), qPrintable(m_server.errorString()));
    const auto moved = m_server.get(u"/radar/images/DS.p37cr/SI.kmlb"_s);
    QCOMPARE(moved.status, 301);
    QCOMPARE(moved.header("Location"), QByteArray("/radar/images/DS.p37cr/SI.kmlb/"));
    const auto parent = m_server.get(u"/radar/images/DS.p37cr/"_s);
    QCOMPARE(parent.status, 200);
    QVERIFY(links(parent.body).contains(u"SI.kmlb/"_s));
    QVERIFY(links(m_server.get(u"/radar/images/"_s).body).contains(u"DS.p38cr/"_s));

    // The log names each request with its status, size and time.
    const auto listing = m_server.get(Folder);
    const QRegularExpression line(u"^GET /radar/images/DS\\.p37cr/SI\\.kmlb/ 200 "_s +
                                  QString::number(listing.body.size()) + u" \\d+ms$"_s);
    QTRY_VERIFY(!m_server.requestLog().filter(line).isEmpty());
}

void TestRadarServerHttp::advanceMakesNewNewest() {
    RadarServerProcess server;
    QVERIFY2(server.start(Frozen), qPrintable(server.errorString()));
    const QStringList before = imageLinks(server.get(Folder).body);
    QByteArray time;
    QVERIFY(server.control(u"time"_s, &time));
    QCOMPARE(time.trimmed(), QByteArray("2024-05-01T15:32:10Z"));

    QVERIFY(server.control(u"advance?images=1"_s, &time));
    QCOMPARE(time.trimmed(), QByteArray("2024-05-01T15:37:10Z"));
    const QStringList after = imageLinks(server.get(Folder).body);
    QCOMPARE(after.mid(0, 9), before.mid(1, 9));
    QCOMPARE(nameTime(before.last()).secsTo(nameTime(after.last())), 300);
    // The image that dropped out of the listing can still be fetched.
    QCOMPARE(server.get(Folder + before.first()).status, 200);
    QCOMPARE(server.get(Folder + after.last()).status, 200);

    // Less than an interval brings no new image; POST works as well as GET.
    QVERIFY(server.control(u"advance?seconds=60"_s));
    QCOMPARE(imageLinks(server.get(Folder).body), after);
    QNetworkAccessManager nam;
    QNetworkRequest request(server.url(u"/control/advance?images=2"_s));
    request.setHeader(QNetworkRequest::ContentTypeHeader, u"text/plain"_s);
    std::unique_ptr<QNetworkReply> post(nam.post(request, QByteArray()));
    QSignalSpy done(post.get(), &QNetworkReply::finished);
    QVERIFY(done.wait(10000));
    QCOMPARE(post->readAll().trimmed(), QByteArray("2024-05-01T15:48:10Z"));
    QCOMPARE(nameTime(imageLinks(server.get(Folder).body).last()).secsTo(nameTime(after.last())),
             -600);
}

void TestRadarServerHttp::servesManyAtOnce() {
    if (!m_server.isRunning())
        QVERIFY2(m_server.start(Frozen), qPrintable(m_server.errorString()));
    const QStringList names = imageLinks(m_server.get(Folder).body);
    QCOMPARE(names.size(), 10);

    // Several managers, because one opens at most six connections to a host.
    std::vector<std::unique_ptr<QNetworkAccessManager>> managers;
    for (int i = 0; i < 10; ++i)
        managers.push_back(std::make_unique<QNetworkAccessManager>());
    std::vector<std::unique_ptr<QNetworkReply>> replies;
    int finished = 0;
    for (int i = 0; i < 100; ++i) {
        QString path = Folder + names[i % 10];
        if (i % 10 == 0)
            path = Folder;
        else if (i % 10 == 5)
            path = u"/PS/TROP/DATA/RT/FLOAT/IR4/"_s + QString::number(11 + i % 10) + u".jpg"_s;
        replies.emplace_back(
            managers[std::size_t(i % 10)]->get(QNetworkRequest(m_server.url(path))));
        connect(replies.back().get(), &QNetworkReply::finished, this, [&finished] { ++finished; });
    }
    QTRY_COMPARE_WITH_TIMEOUT(finished, 100, 120000);
    for (const auto& r : replies) {
        QCOMPARE(r->error(), QNetworkReply::NoError);
        QCOMPARE(r->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), 200);
        QVERIFY(!r->readAll().isEmpty());
    }
}

void TestRadarServerHttp::realClient() {
    const QString curl = QStandardPaths::findExecutable(u"curl"_s);
    if (curl.isEmpty())
        QSKIP("curl is not installed");
    if (!m_server.isRunning())
        QVERIFY2(m_server.start(Frozen), qPrintable(m_server.errorString()));
    auto run = [&curl](const QStringList& args) {
        QProcess p;
        p.start(curl, QStringList{u"-sf"_s, u"--max-time"_s, u"60"_s} + args);
        p.waitForFinished(90000);
        return std::make_pair(p.exitCode(), p.readAllStandardOutput());
    };
    const QString folder = m_server.url(Folder).toString();
    const auto [listingExit, listing] = run({folder});
    QCOMPARE(listingExit, 0);
    const QStringList names = imageLinks(listing);
    QCOMPARE(names, imageLinks(m_server.get(Folder).body));
    const auto [imageExit, image] = run({folder + names.last()});
    QCOMPARE(imageExit, 0);
    QCOMPARE(image, m_server.get(Folder + names.last()).body);
    QCOMPARE(run({folder + u"nothing.gif"_s}).first, 22); // curl's code for an HTTP error
}

void TestRadarServerHttp::folderMode() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    auto write = [&dir](const QString& name, const QByteArray& bytes) {
        QFile f(dir.filePath(name));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    };
    QStringList names;
    for (int i = 0; i < 12; ++i) {
        names.append(u"XYZ20240501_NCR10%1.gif"_s.arg(i * 5, 2, 10, QLatin1Char('0')));
        write(names.last(), "GIF89a image " + QByteArray::number(i));
    }
    write(u"notes.txt"_s, "not an image");

    RadarServerProcess server;
    QVERIFY2(server.start({u"--dir"_s, dir.path()}), qPrintable(server.errorString()));
    QCOMPARE(imageLinks(server.get(Folder).body), names.mid(2));
    // Any folder lists the same files.
    QCOMPARE(imageLinks(server.get(u"/radar/images/DS.80stp/SI.kokx/"_s).body), names.mid(2));
    QCOMPARE(server.get(Folder + names[3]).body, QByteArray("GIF89a image 3"));
    QCOMPARE(server.get(Folder + names[0]).status, 200); // not listed, but there
    QCOMPARE(server.get(Folder + u"notes.txt"_s).status, 404);
    QCOMPARE(server.get(Folder + u"..%2Fsecret.gif"_s).status, 404);

    write(u"XYZ20240501_NCR1100.gif"_s, "newest");
    const QStringList now = imageLinks(server.get(Folder).body);
    QCOMPARE(now.last(), u"XYZ20240501_NCR1100.gif"_s);
    QCOMPARE(now.first(), names[3]);
}

void TestRadarServerHttp::satelliteImages() {
    RadarServerProcess server;
    QVERIFY2(server.start(Frozen), qPrintable(server.errorString()));
    const QString folder = u"/PS/TROP/DATA/RT/FLOAT/IR4/"_s;
    QList<QByteArray> before;
    for (int k = 11; k <= 20; ++k) {
        const auto reply = server.get(folder + QString::number(k) + u".jpg"_s);
        QCOMPARE(reply.status, 200);
        QCOMPARE(reply.header("Content-Type"), QByteArray("image/jpeg"));
        QImage img;
        QVERIFY(img.loadFromData(reply.body, "JPG"));
        QCOMPARE(img.size(), QSize(640, 480));
        before.append(reply.body);
    }
    QCOMPARE(QSet<QByteArray>(before.begin(), before.end()).size(), 10);

    QVERIFY(server.control(u"advance?images=1"_s));
    const QByteArray newest = server.get(folder + u"20.jpg"_s).body;
    QVERIFY(newest != before.last());
    QCOMPARE(server.get(folder + u"19.jpg"_s).body, before.last());
    QCOMPARE(links(server.get(folder).body).mid(1).last(), u"20.jpg"_s);
}

void TestRadarServerHttp::commandLine() {
    const QString program = RadarServerProcess::executable();
    QVERIFY(!program.isEmpty());
    QProcess help;
    help.start(program, {u"--help"_s});
    QVERIFY(help.waitForFinished(20000));
    QCOMPARE(help.exitCode(), 0);
    const QByteArray text = help.readAllStandardOutput();
    for (const char* option : {"--port", "--interval", "--start", "--frozen", "--seed", "--dir",
                               "--lowercase-listing", "--latency", "--fail-next", "--stall-next",
                               "--listing-404", "--truncate", "--oversize-mib", "--no-gif"})
        QVERIFY2(text.contains(option), option);

    for (const QStringList& bad :
         {QStringList{u"--interval"_s, u"90"_s}, QStringList{u"--start"_s, u"yesterday"_s},
          QStringList{u"--fail-status"_s, u"42"_s}, QStringList{u"--bogus"_s}}) {
        QProcess p;
        p.start(program, QStringList{u"--port"_s, u"0"_s} + bad);
        QVERIFY(p.waitForFinished(20000));
        QCOMPARE(p.exitCode(), 2);
        QVERIFY(!p.readAllStandardError().isEmpty());
    }
}

QTEST_GUILESS_MAIN(TestRadarServerHttp)
#include "tst_radar_server_http.moc"
