#include "acquisition/Listing.h"
#include "core/RuntimeError.h"

#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QtTest>

using pluvix::acquisition::cutImageNames;
using pluvix::acquisition::ImageNameList;

namespace {

QStringList imageNames(int first, int count) {
    QStringList names;
    for (int i = first; i < first + count; ++i)
        names << QStringLiteral("MLB20050915_N0R%1.gif").arg(1500 + i, 4, 10, QLatin1Char('0'));
    return names;
}

QStringList asList(const ImageNameList& names) {
    return QStringList(names.begin(), names.end());
}

QByteArray serverListing(const QStringList& names) {
    QByteArray t =
        "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 3.2 Final//EN\">\n<HTML>\n <HEAD>\n"
        "  <TITLE>Index of /radar/images/DS.p37cr/SI.kmlb</TITLE>\n </HEAD>\n <BODY>\n"
        "<H1>Index of /radar/images/DS.p37cr/SI.kmlb</H1>\n"
        "<PRE>Name                           Last modified       Size  Description\n<HR>\n"
        "<A HREF=\"/radar/images/DS.p37cr/\">Parent Directory</A>"
        "                                 -\n";
    for (const QString& n : names)
        t += "<A HREF=\"" + n.toLatin1() + "\">" + n.toLatin1() +
             "</A>        15-Sep-2005 15:03   23K\n";
    return t + "<HR></PRE>\n<ADDRESS>radar server</ADDRESS>\n</BODY></HTML>\n";
}

QByteArray autoIndexListing(const QStringList& names) {
    QByteArray t = "<html>\n<head><title>Index of /x/</title></head>\n<body>\n"
                   "<h1>Index of /x/</h1><hr><pre><a href=\"../\">../</a>\n";
    for (const QString& n : names)
        t += "<a href=\"" + n.toLatin1() + "\">" + n.toLatin1() +
             "</a>                    15-Sep-2005 15:03               23110\n";
    return t + "</pre><hr></body>\n</html>\n";
}

// An independent reading of the same cut on Latin-1 text, for the differential fuzz check.
QStringList referenceCut(const QByteArray& bytes) {
    const QString t = QString::fromLatin1(bytes);
    auto inStr = [&t](qsizetype start, QLatin1String what) -> qsizetype {
        if (start > t.size())
            return 0;
        return t.indexOf(what, start - 1, Qt::CaseInsensitive) + 1;
    };
    QStringList names;
    qsizetype p = inStr(1, QLatin1String("HREF="));
    for (int k = 0; k < 10; ++k) {
        p = inStr(p + 1, QLatin1String("HREF=")) + 6;
        const qsizetype e = inStr(p, QLatin1String(".GIF")) + 4;
        if (e - p < 0)
            return {QStringLiteral("error")};
        names << (p > t.size() ? QString() : t.mid(p - 1, e - p));
    }
    return names;
}

} // namespace

class ListingCutTest : public QObject {
    Q_OBJECT

private slots:
    void cutsNames_data();
    void cutsNames();
    void linkWithoutGifIsInvalidCall_data();
    void linkWithoutGifIsInvalidCall();
    void bytesStayBytes();
    void fuzzNeverCrashesOrHangs();
};

void ListingCutTest::cutsNames_data() {
    QTest::addColumn<QByteArray>("listing");
    QTest::addColumn<QStringList>("expected");

    const QStringList ten = imageNames(0, 10);
    QTest::newRow("server form") << serverListing(ten) << ten;
    QTest::newRow("automatic index, parent first") << autoIndexListing(ten) << ten;

    QByteArray mixed = serverListing(ten);
    mixed.replace("HREF=", "hReF=");
    mixed.replace(".gif", ".GIF");
    QStringList mixedNames;
    for (const QString& n : ten)
        mixedNames << QString(n).replace(QStringLiteral(".gif"), QStringLiteral(".GIF"));
    QTest::newRow("letter case ignored, kept in names") << mixed << mixedNames;

    QByteArray unquoted = serverListing(ten);
    unquoted.replace("HREF=\"", "HREF=");
    unquoted.replace(".gif\">", ".gif>");
    QStringList clipped;
    for (const QString& n : ten)
        clipped << n.mid(1);
    QTest::newRow("unquoted links lose their first character") << unquoted << clipped;

    QTest::newRow("only the first eleven links count")
        << serverListing(imageNames(0, 15)) << imageNames(0, 10);

    // After the last link the search starts again at position 6, then finds the first link.
    const QByteArray two = "<A HREF=\"a.gif\"><A HREF=\"b.gif\">";
    const QString wrapped = QStringLiteral("EF=\"a.gif");
    QTest::newRow("too few links wrap around")
        << two << QStringList{QStringLiteral("b.gif"), wrapped, QStringLiteral("b.gif"), wrapped,
                              QStringLiteral("b.gif"), wrapped, QStringLiteral("b.gif"), wrapped,
                              QStringLiteral("b.gif"), wrapped};

    // No link at all: every cut starts at position 6 and runs to the first ".gif".
    QStringList sameTen;
    for (int i = 0; i < 10; ++i)
        sameTen << QStringLiteral("6789.gif");
    QTest::newRow("no link") << QByteArray("123456789.gif tail") << sameTen;

    // A link right at position 1: the wrapped cut starts on its quotation mark.
    QStringList endings;
    for (int i = 0; i < 5; ++i)
        endings << QStringLiteral(".gif") << QStringLiteral("\".gif");
    QTest::newRow("bare endings") << QByteArray("HREF=\".gif HREF=\".gif") << endings;
}

void ListingCutTest::cutsNames() {
    QFETCH(QByteArray, listing);
    QFETCH(QStringList, expected);
    QCOMPARE(asList(cutImageNames(listing)), expected);
}

void ListingCutTest::linkWithoutGifIsInvalidCall_data() {
    QTest::addColumn<QByteArray>("listing");
    QTest::newRow("empty text") << QByteArray();
    QTest::newRow("no gif after the second link")
        << QByteArray("<a href=\"../\">up</a><a href=\"x.png\">x</a>");
    QTest::newRow("gif only before the links")
        << QByteArray("logo.gif <a href=\"../\">up</a><a href=\"x.png\">x</a>");
    QTest::newRow("fifth image is a png")
        << serverListing(imageNames(0, 4) + QStringList{QStringLiteral("x.png")});
}

void ListingCutTest::linkWithoutGifIsInvalidCall() {
    QFETCH(QByteArray, listing);
    try {
        cutImageNames(listing);
        QFAIL("no error raised");
    } catch (const pluvix::core::RuntimeError& e) {
        QCOMPARE(e.number(), 5);
    }
}

void ListingCutTest::bytesStayBytes() {
    const QByteArray name = "\xE9t\xE9\xFF\x80.gif";
    QByteArray t = "<a href=\"../\">";
    for (int i = 0; i < 10; ++i)
        t += "<a href=\"" + name + "\">";
    const ImageNameList names = cutImageNames(t);
    QCOMPARE(names[9].toLatin1(), name);
    QCOMPARE(names[9].size(), name.size());
}

void ListingCutTest::fuzzNeverCrashesOrHangs() {
    static const QList<QByteArray> pieces = {
        "HREF=", "href=", "HrEf=", ".gif", ".GIF", ".gi",  "\"", "<a ",
        ">",     "HREF",  "=",     "\r\n", "\xE9", "\x00", "g",
    };
    const QStringList ten = imageNames(0, 10);
    const QList<QByteArray> seeds = {serverListing(ten), autoIndexListing(ten), QByteArray()};

    QRandomGenerator random(20050915);
    QElapsedTimer clock;
    clock.start();
    int runs = 0;
    int errors = 0;
    while (clock.elapsed() < 2000) {
        QByteArray t = seeds[random.bounded(int(seeds.size()))];
        const int edits = random.bounded(1, 12);
        for (int i = 0; i < edits; ++i) {
            const qsizetype at = t.isEmpty() ? 0 : random.bounded(int(t.size() + 1));
            switch (random.bounded(3)) {
            case 0:
                t.insert(at, pieces[random.bounded(int(pieces.size()))]);
                break;
            case 1:
                t.remove(at, random.bounded(1, 40));
                break;
            default:
                if (at < t.size())
                    t[at] = char(random.bounded(256));
            }
        }
        const QStringList expected = referenceCut(t);
        try {
            const QStringList got = asList(cutImageNames(t));
            QCOMPARE(got, expected);
        } catch (const pluvix::core::RuntimeError& e) {
            QCOMPARE(e.number(), 5);
            QCOMPARE(expected, QStringList{QStringLiteral("error")});
            ++errors;
        }
        ++runs;
    }
    qInfo("%d listings, %d cut errors", runs, errors);
    QVERIFY(runs > 100);
    QVERIFY(errors > 0 && errors < runs);
}

QTEST_GUILESS_MAIN(ListingCutTest)
#include "tst_listingcut.moc"
