#include "acquisition/Catalogue.h"

#include "acquisition/FolderAddress.h"
#include "core/RuntimeError.h"

#include <QtTest>

using namespace pluvix;
using namespace pluvix::acquisition;

namespace {
QString address(const QString& product, const QString& station) {
    return QStringLiteral("http://radar.example/radar/images/DS.") + product +
           QStringLiteral("/SI.") + station + QLatin1Char('/');
}
} // namespace

class TestCatalogue : public QObject {
    Q_OBJECT

private slots:
    void fillGivesTheFixedRowsInOrder() {
        StationTable table;
        QCOMPARE(table.StationCount(), qint16(-1));
        table.FillStationTable();
        QCOMPARE(table.StationCount(), qint16(178));
        QCOMPARE(table.name(0), QStringLiteral("AL Birmingham"));
        QCOMPARE(table.code(0), QStringLiteral("kbmx"));
        QCOMPARE(table.name(38), QStringLiteral("FL Melbourne"));
        QCOMPARE(table.code(38), QStringLiteral("kmlb"));
        QCOMPARE(table.name(129), QStringLiteral("PR Puerto Rico/V.I."));
        QCOMPARE(table.name(177), QStringLiteral("WY Riverton"));
        QCOMPARE(table.code(177), QStringLiteral("kriw"));
        QCOMPARE(table.name(178), QString());
        QCOMPARE(table.names().size(), 178);

        for (int row = 0; row < 178; ++row) {
            const QString name = table.name(row);
            QVERIFY2(name.size() > 3 && name[2] == QLatin1Char(' ') &&
                         name.left(2) == name.left(2).toUpper(),
                     qPrintable(name));
            const QString code = table.code(row);
            QVERIFY2(code.size() == 4 && code == code.toLower(), qPrintable(code));
        }

        // Filling again starts over rather than growing the table.
        table.FillStationTable();
        QCOMPARE(table.StationCount(), qint16(178));
    }

    void addStationStopsAtTheLastRow() {
        StationTable table;
        for (int row = 0; row <= StationTable::LastRow; ++row)
            table.AddStation(QStringLiteral("XX Row"), QStringLiteral("kxxx"));
        QCOMPARE(table.StationCount(), qint16(400));
        try {
            table.AddStation(QStringLiteral("XX Over"), QStringLiteral("kovr"));
            QFAIL("row 401 was accepted");
        } catch (const core::RuntimeError& e) {
            QCOMPARE(e.number(), 9);
        }
        QCOMPARE(table.StationCount(), qint16(400));
        QVERIFY_THROWS_EXCEPTION(core::RuntimeError, table.name(401));
        QVERIFY_THROWS_EXCEPTION(core::RuntimeError, table.code(-1));
    }

    void sharedCodesTakeTheFirstRow_data() {
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("label");
        QTest::newRow("kffc") << QStringLiteral("kffc") << QStringLiteral("Atlanta, GA");
        QTest::newRow("kokx") << QStringLiteral("kokx") << QStringLiteral("New York City, NY");
        QTest::newRow("kiln") << QStringLiteral("kiln") << QStringLiteral("Cincinnati, OH");
        QTest::newRow("kmpx") << QStringLiteral("kmpx") << QStringLiteral("Duluth, MN");
        QTest::newRow("klwx") << QStringLiteral("klwx") << QStringLiteral("Baltimore, MD");
        QTest::newRow("upper case") << QStringLiteral("KMLB") << QStringLiteral("Melbourne, FL");
        QTest::newRow("last row") << QStringLiteral("kriw") << QStringLiteral("Riverton, WY");
        QTest::newRow("unknown") << QStringLiteral("kxyz") << QString();
        QTest::newRow("empty") << QString() << QString();
    }
    void sharedCodesTakeTheFirstRow() {
        QFETCH(QString, code);
        QFETCH(QString, label);
        QCOMPARE(fixedStations().labelForCode(code), label);
    }

    void lookupIsLimitedToFilledRows() {
        StationTable table;
        QCOMPARE(table.findStation(QString()), -1);
        table.AddStation(QStringLiteral("FL Melbourne"), QStringLiteral("kmlb"));
        // While filling, the last row added is not yet counted.
        QCOMPARE(table.findStation(QStringLiteral("kmlb")), -1);
        table.AddStation(QStringLiteral("GA Atlanta"), QStringLiteral("kffc"));
        QCOMPARE(table.findStation(QStringLiteral("kmlb")), 0);
    }

    void stationChoiceRoundTrip() {
        const StationTable& stations = fixedStations();
        const int upton = static_cast<int>(stations.names().indexOf(QStringLiteral("NY Upton")));
        QVERIFY(upton >= 0);
        const QString url = addressForStationChoice(upton);
        QCOMPARE(url, stationPrefix() + QStringLiteral("kokx/"));
        const int preselected = stations.findStation(stationCodeFromAddress(url));
        QCOMPARE(stations.name(preselected), QStringLiteral("NY New York City"));

        QVERIFY_THROWS_EXCEPTION(core::RuntimeError, addressForStationChoice(178));
        QVERIFY_THROWS_EXCEPTION(core::RuntimeError, addressForStationChoice(-1));
    }

    void products() {
        const ProductCodes codes = FillProductCodes();
        QCOMPARE(codes[0], QStringLiteral("p19r0"));
        QCOMPARE(codes[4], QStringLiteral("p20-r"));
        QCOMPARE(codes[5], QStringLiteral("p38cr"));
        QCOMPARE(codes[6], QString());
        QCOMPARE(productListEntries().size(), 6);
        QCOMPARE(productListEntries()[2], QStringLiteral("1HR - 1-Hour Precipitation"));

        QCOMPARE(productSlotForCode(QStringLiteral("p20-r")), 4);
        QCOMPARE(productSlotForCode(QStringLiteral("P20-R")), -1);
        QCOMPARE(productSlotForCode(QString()), -1);
        QCOMPARE(shortLabelFor(QStringLiteral("p20-r")), QStringLiteral("LRB"));
        QCOMPARE(longLabelFor(QStringLiteral("80stp")),
                 QStringLiteral("Storm Total Precipitation"));
        QCOMPARE(shortLabelFor(QString()), QString());
        QVERIFY_THROWS_EXCEPTION(core::RuntimeError, productSlot(7));
        QCOMPARE(productSlot(6).range, RangeClass::None);
    }

    void scaleConstantByRangeClass_data() {
        QTest::addColumn<QString>("code");
        QTest::addColumn<float>("constant");
        QTest::newRow("short base") << QStringLiteral("p19r0") << 0.721f;
        QTest::newRow("storm total") << QStringLiteral("80stp") << 0.721f;
        QTest::newRow("long base") << QStringLiteral("p20-r") << 0.319f;
        QTest::newRow("long composite") << QStringLiteral("p38cr") << 0.319f;
        QTest::newRow("unknown") << QStringLiteral("p99zz") << 0.0f;
        QTest::newRow("other case") << QStringLiteral("P37CR") << 0.0f;
    }
    void scaleConstantByRangeClass() {
        QFETCH(QString, code);
        QFETCH(float, constant);
        QCOMPARE(scaleConstantFor(code, 0.721f, 0.319f), constant);
    }

    void captionAndPresetTexts_data() {
        QTest::addColumn<QString>("baseUrl");
        QTest::addColumn<QString>("product");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("description");
        QTest::newRow("kmlb src") << address(QStringLiteral("p37cr"), QStringLiteral("kmlb"))
                                  << QStringLiteral("p37cr")
                                  << QStringLiteral("Cirrusworks Pluvix - Melbourne, FL  (SRC)")
                                  << QStringLiteral("KMLB - Melbourne, FL - Short Range Composite");
        QTest::newRow("unknown station")
            << address(QStringLiteral("p37cr"), QStringLiteral("kxyz")) << QStringLiteral("p37cr")
            << QStringLiteral("Cirrusworks Pluvix -   (SRC)")
            << QStringLiteral("KXYZ -  - Short Range Composite");
        QTest::newRow("long range base")
            << address(QStringLiteral("p20-r"), QStringLiteral("kffc")) << QStringLiteral("p20-r")
            << QStringLiteral("Cirrusworks Pluvix - Atlanta, GA  (LRB)")
            << QStringLiteral("KFFC - Atlanta, GA - Long Range Base");
        QTest::newRow("unknown product")
            << address(QStringLiteral("p37cr"), QStringLiteral("kmlb")) << QStringLiteral("zzzzz")
            << QStringLiteral("Cirrusworks Pluvix - Melbourne, FL  ()")
            << QStringLiteral("KMLB - Melbourne, FL - ");
        QTest::newRow("lower-case marker")
            << QStringLiteral("http://h/radar/images/ds.p37cr/si.kmlb/") << QStringLiteral("p37cr")
            << QStringLiteral("Cirrusworks Pluvix - Melbourne, FL  (SRC)")
            << QStringLiteral("KMLB - Melbourne, FL - Short Range Composite");
    }
    void captionAndPresetTexts() {
        QFETCH(QString, baseUrl);
        QFETCH(QString, product);
        QFETCH(QString, caption);
        QFETCH(QString, description);
        QCOMPARE(stationTitle(QStringLiteral("Pluvix"), baseUrl, product), caption);
        QCOMPARE(presetDescription(baseUrl, product), description);
    }

    void productSubstitutionKeepsStation() {
        const QString before = address(QStringLiteral("p37cr"), QStringLiteral("kmlb"));
        QCOMPARE(productSubstituted(before, QStringLiteral("p38cr")),
                 address(QStringLiteral("p38cr"), QStringLiteral("kmlb")));
    }
};

QTEST_GUILESS_MAIN(TestCatalogue)
#include "tst_catalogue.moc"
