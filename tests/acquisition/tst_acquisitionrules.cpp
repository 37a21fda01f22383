#include "acquisition/Catalogue.h"
#include "acquisition/HistoryTrim.h"
#include "acquisition/ImageHistory.h"
#include "acquisition/ImageTime.h"
#include "support/ErrorOf.h"
#include "support/GifFixtures.h"

#include <QBuffer>
#include <QTemporaryDir>

#include <QTimeZone>
#include <QtTest>

#include <ctime>

using namespace pluvix::acquisition;
using namespace Qt::StringLiterals;
using pluvix::testsupport::errorOf;
using pluvix::testsupport::makeRadarGif;

namespace {
QByteArray jpeg() {
    QImage photo(64, 48, QImage::Format_RGB32);
    photo.fill(Qt::darkCyan);
    QByteArray out;
    QBuffer buffer(&out);
    buffer.open(QIODevice::WriteOnly);
    photo.save(&buffer, "JPG");
    return out;
}
} // namespace

// Station and product catalogue, image time texts, the zone bias, the history trim and the
// image history's elements.
class TestAcquisitionRules : public QObject {
    Q_OBJECT

private slots:
    void stationTable() {
        StationTable table;
        table.AddStation(u"FL Melbourne"_s, u"kmlb"_s);
        QCOMPARE(table.findStation(u"kmlb"_s), -1); // the row being filled is not counted yet
        table.FillStationTable();
        QCOMPARE(table.StationCount(), qint16(178));
        QCOMPARE(table.name(38) + table.code(38), u"FL Melbournekmlb"_s);
        StationTable full;
        for (int row = 0; row <= StationTable::LastRow; ++row)
            full.AddStation(u"XX Row"_s, u"kxxx"_s);
        QCOMPARE(errorOf([&] { full.AddStation(u"XX Over"_s, u"kovr"_s); }), 9);
        QVERIFY(errorOf([&] { addressForStationChoice(178); }) != 0);
        // Shared codes take the first row.
        QCOMPARE(fixedStations().labelForCode(u"kokx"_s), u"New York City, NY"_s);
    }

    void captions_data() {
        QTest::addColumn<QString>("baseUrl");
        QTest::addColumn<QString>("product");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("description");
        QTest::newRow("known") << u"http://h/radar/images/ds.p37cr/si.KMLB/"_s << u"p37cr"_s
                               << u"Cirrusworks Pluvix - Melbourne, FL  (SRC)"_s
                               << u"KMLB - Melbourne, FL - Short Range Composite"_s;
        QTest::newRow("unknown") << u"http://h/radar/images/DS.p37cr/SI.kxyz/"_s << u"zzzzz"_s
                                 << u"Cirrusworks Pluvix -   ()"_s << u"KXYZ -  - "_s;
    }
    void captions() {
        QFETCH(QString, baseUrl);
        QFETCH(QString, product);
        QTEST(stationTitle(u"Pluvix"_s, baseUrl, product), "caption");
        QTEST(presetDescription(baseUrl, product), "description");
    }

    void imageTimeTexts_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("hourMinute");
        QTest::addColumn<QString>("dateTime");
        QTest::newRow("full") << u"xxx20050915yyyy1503.gif"_s << u"15:03"_s
                              << u"09/15/2005  15:03 UTC"_s;
        QTest::newRow("empty") << QString() << u":"_s << u"//  : UTC"_s;
    }
    void imageTimeTexts() {
        QFETCH(QString, name);
        QString hourMinute;
        FormatImageTime(name, hourMinute);
        QTEST(hourMinute, "hourMinute");
        QTEST(name, "dateTime");
    }

    // bias -1 stands for none; hour -1 for no clock time.
    void pastImageTime_data() {
        QTest::addColumn<QString>("hourMinute");
        QTest::addColumn<int>("autoOffset");
        QTest::addColumn<int>("localOffset");
        QTest::addColumn<int>("bias");
        QTest::addColumn<float>("hour");
        QTest::addColumn<int>("minute");
        QTest::newRow("fixed offset") << u"02:30"_s << 0 << 5 << 600 << -3.0f << 30;
        QTest::newRow("half hour zone") << u"10:00"_s << 1 << 0 << -630 << 20.5f << 0;
        QTest::newRow("no bias") << u"10:00"_s << 1 << 5 << -1 << 10.0f << 0;
        QTest::newRow("minute 60") << u"12:60"_s << 0 << 0 << 0 << -1.0f << 0;
    }
    void pastImageTime() {
        QFETCH(QString, hourMinute);
        QFETCH(int, autoOffset);
        QFETCH(int, localOffset);
        QFETCH(int, bias);
        const auto t = PastImageTimeValues(hourMinute, qint16(autoOffset), qint16(localOffset),
                                           bias == -1 ? std::nullopt : std::optional<qint32>(bias));
        QTEST(t ? t->hour : -1.0f, "hour");
        QTEST(t ? t->minute : 0, "minute");
    }

    void zoneBias() {
        const QDateTime january(QDate(2024, 1, 15), QTime(12, 0), QTimeZone::utc());
        const QDateTime july = january.addMonths(6);
        QCOMPARE(GetTimeZoneBias(QTimeZone("America/New_York"), july), std::optional(240));
        // A half-hour daylight shift still counts as a whole hour.
        QCOMPARE(GetTimeZoneBias(QTimeZone("Australia/Lord_Howe"), january), std::optional(-690));
        QVERIFY(!GetTimeZoneBias(QTimeZone(), july));
        const QByteArray saved = qgetenv("TZ");
        qputenv("TZ", "Asia/Kolkata");
        tzset();
        QCOMPARE(GetTimeZoneBias(), std::optional(-330));
        saved.isNull() ? qunsetenv("TZ") : qputenv("TZ", saved);
        tzset();
    }

    void trimStep_data() {
        QTest::addColumn<int>("u");
        QTest::addColumn<int>("first");
        QTest::addColumn<int>("limit");
        QTest::addColumn<QList<int>>("step"); // limit, first, destroyed
        QTest::newRow("room left") << 21 << 0 << 20 << QList<int>{20, 0, -1};
        QTest::newRow("element 0 stays") << 22 << 0 << 20 << QList<int>{20, 1, -1};
        QTest::newRow("one at a time") << 60 << 3 << 20 << QList<int>{20, 4, 3};
        QTest::newRow("larger limit kept") << 52 << 0 << 50 << QList<int>{50, 1, -1};
    }
    void trimStep() {
        QFETCH(int, u);
        QFETCH(int, first);
        QFETCH(int, limit);
        const TrimStep s = trimBeforeAppend(qint16(u), qint16(first), qint16(limit));
        QTEST((QList<int>{s.maxImageNumber, s.firstHistoryIndex, s.destroyIndex}), "step");
        QCOMPARE(errorOf([] { trimBeforeAppend(100, 0, 32767); }), 6);
    }

    void elementsComeAndGo() {
        ImageHistory h;
        for (int i = 1; i <= 9; ++i)
            h.create(i);
        QCOMPARE(errorOf([&] { h.create(4); }), 360);
        QCOMPARE(errorOf([&] { h.destroy(0); }), 362);
        QCOMPARE(errorOf([&] { h.tag(10); }), 340);
        h.setTag(9, u"x.gif"_s);
        h.setPicture(9, makeRadarGif(60, 50, 1));
        h.destroy(9);
        QCOMPARE(h.UBound(), 8);
        h.create(9);
        QVERIFY(h.tag(9).isEmpty() && h.picture(9).isNull()); // a new element starts empty
        h.destroyAllButFirst();
        QCOMPARE(h.count(), 1);
    }

    // Satellite pictures are JPEG whatever the file is called; a bad picture changes nothing.
    void picturesAreCheckedAndKeptAsSent() {
        ImageHistory h;
        const QByteArray gif = makeRadarGif(600, 550, 1);
        h.setPicture(0, gif);
        // Cut-off GIF and JPEG data that a decoder would pad silently is refused too.
        for (const QByteArray& bad : {QByteArray("not a picture"), gif.chopped(1),
                                      gif.left(gif.size() / 2), jpeg().chopped(2)})
            QCOMPARE(errorOf([&] { h.setPicture(0, bad); }), 481);
        QCOMPARE(h.encoded(0), gif);
        QCOMPARE(h.picture(0).size(), QSize(600, 550));
        QTemporaryDir dir;
        QFile file(dir.filePath(u"tempIMG.gif"_s));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(jpeg()) > 0);
        file.close();
        h.setPictureFromFile(0, file.fileName());
        QCOMPARE(h.picture(0).size(), QSize(64, 48));
        QCOMPARE(errorOf([&] { h.setPictureFromFile(0, dir.filePath(u"none"_s)); }), 53);
    }

    // Decoded frames are few, and a replaced picture is never served from the old decoding.
    void decodedFramesAreBoundedAndCurrent() {
        ImageHistory h(4);
        for (int i = 0; i < 8; ++i) {
            if (i > 0)
                h.create(i);
            h.setPicture(i, makeRadarGif(100, 80, quint32(10 + i)));
            QVERIFY(!h.picture(i).isNull());
        }
        QCOMPARE(h.decodedFramesHeld(), 4);
        const QImage first = h.picture(0);
        h.setPicture(0, h.encoded(5));
        QCOMPARE(h.picture(0), h.picture(5));
        QVERIFY(h.picture(0) != first);
    }
};

QTEST_GUILESS_MAIN(TestAcquisitionRules)
#include "tst_acquisitionrules.moc"
