#include "acquisition/ImageTime.h"

#include <QDateTime>
#include <QTimeZone>
#include <QtTest>

#include <ctime>

using namespace pluvix::acquisition;

class TestImageTime : public QObject {
    Q_OBJECT

private slots:
    void formatImageTime_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("hourMinute");
        QTest::addColumn<QString>("dateTime");
        QTest::newRow("full") << QStringLiteral("xxx20050915yyyy1503.gif")
                              << QStringLiteral("15:03") << QStringLiteral("09/15/2005  15:03 UTC");
        QTest::newRow("exactly 19")
            << QStringLiteral("KML20231231_0012359") << QStringLiteral("23:59")
            << QStringLiteral("12/31/2023  23:59 UTC");
        QTest::newRow("cut in minute")
            << QStringLiteral("xxx20050915yyyy150") << QStringLiteral("15:0")
            << QStringLiteral("09/15/2005  15:0 UTC");
        QTest::newRow("cut in day") << QStringLiteral("xxx200509151") << QStringLiteral(":")
                                    << QStringLiteral("09/15/2005  : UTC");
        QTest::newRow("cut in year")
            << QStringLiteral("xxx20") << QStringLiteral(":") << QStringLiteral("//20  : UTC");
        QTest::newRow("empty") << QString() << QStringLiteral(":") << QStringLiteral("//  : UTC");
    }
    void formatImageTime() {
        QFETCH(QString, name);
        QFETCH(QString, hourMinute);
        QFETCH(QString, dateTime);
        QString text = name;
        QString hm = QStringLiteral("stale");
        FormatImageTime(text, hm);
        QCOMPARE(hm, hourMinute);
        QCOMPARE(text, dateTime);
    }

    void pastImageTimeValues_data() {
        QTest::addColumn<QString>("hourMinute");
        QTest::addColumn<int>("autoOffset");
        QTest::addColumn<int>("localOffset");
        QTest::addColumn<int>("bias"); // -1 stands for no bias
        QTest::addColumn<bool>("valid");
        QTest::addColumn<float>("hour");
        QTest::addColumn<int>("minute");
        QTest::newRow("fixed offset")
            << QStringLiteral("02:30") << 0 << 5 << 0 << true << -3.0f << 30;
        QTest::newRow("bias ignored")
            << QStringLiteral("02:30") << 2 << 5 << 600 << true << -3.0f << 30;
        QTest::newRow("machine daylight")
            << QStringLiteral("15:03") << 1 << 7 << 240 << true << 11.0f << 3;
        QTest::newRow("half hour zone")
            << QStringLiteral("10:00") << 1 << 0 << -630 << true << 20.5f << 0;
        QTest::newRow("no bias") << QStringLiteral("10:00") << 1 << 5 << -1 << true << 10.0f << 0;
        QTest::newRow("east of UTC")
            << QStringLiteral("23:59") << 0 << -3 << 0 << true << 26.0f << 59;
        QTest::newRow("single digits") << QStringLiteral("5:3") << 0 << 0 << 0 << true << 5.0f << 3;
        QTest::newRow("blanks around")
            << QStringLiteral(" 07:45 ") << 0 << 0 << 0 << true << 7.0f << 45;
        QTest::newRow("cut name") << QStringLiteral("15:") << 0 << 0 << 0 << false << 0.0f << 0;
        QTest::newRow("empty") << QStringLiteral(":") << 0 << 0 << 0 << false << 0.0f << 0;
        QTest::newRow("hour 24") << QStringLiteral("24:00") << 0 << 0 << 0 << false << 0.0f << 0;
        QTest::newRow("minute 60") << QStringLiteral("12:60") << 0 << 0 << 0 << false << 0.0f << 0;
        QTest::newRow("letters") << QStringLiteral("ab:cd") << 0 << 0 << 0 << false << 0.0f << 0;
        QTest::newRow("sign") << QStringLiteral("-1:30") << 0 << 0 << 0 << false << 0.0f << 0;
        QTest::newRow("three digits")
            << QStringLiteral("123:4") << 0 << 0 << 0 << false << 0.0f << 0;
    }
    void pastImageTimeValues() {
        QFETCH(QString, hourMinute);
        QFETCH(int, autoOffset);
        QFETCH(int, localOffset);
        QFETCH(int, bias);
        QFETCH(bool, valid);
        QFETCH(float, hour);
        QFETCH(int, minute);
        const auto values = PastImageTimeValues(
            hourMinute, static_cast<qint16>(autoOffset), static_cast<qint16>(localOffset),
            bias == -1 ? std::nullopt : std::optional<qint32>(bias));
        QCOMPARE(values.has_value(), valid);
        if (valid) {
            QCOMPARE(values->hour, hour);
            QCOMPARE(values->minute, minute);
        }
    }

    void zoneBias_data() {
        QTest::addColumn<QByteArray>("zone");
        QTest::addColumn<QDateTime>("at");
        QTest::addColumn<int>("bias");
        const QDateTime january(QDate(2024, 1, 15), QTime(12, 0), Qt::UTC);
        const QDateTime july(QDate(2024, 7, 15), QTime(12, 0), Qt::UTC);
        QTest::newRow("New York winter") << QByteArray("America/New_York") << january << 300;
        QTest::newRow("New York summer") << QByteArray("America/New_York") << july << 240;
        // Half-hour daylight shift still counts as a whole hour.
        QTest::newRow("Lord Howe summer") << QByteArray("Australia/Lord_Howe") << january << -690;
        QTest::newRow("Lord Howe winter") << QByteArray("Australia/Lord_Howe") << july << -630;
        QTest::newRow("Kolkata") << QByteArray("Asia/Kolkata") << july << -330;
        QTest::newRow("UTC") << QByteArray("UTC") << july << 0;
    }
    void zoneBias() {
        QFETCH(QByteArray, zone);
        QFETCH(QDateTime, at);
        QFETCH(int, bias);
        const QTimeZone tz(zone);
        QVERIFY2(tz.isValid(), zone.constData());
        QCOMPARE(GetTimeZoneBias(tz, at), std::optional<qint32>(bias));
    }

    void zoneBiasUnknown() {
        QCOMPARE(GetTimeZoneBias(QTimeZone(), QDateTime::currentDateTimeUtc()), std::nullopt);
    }

    void systemZoneFollowsTZ() {
        const QByteArray saved = qgetenv("TZ");
        const bool hadTz = qEnvironmentVariableIsSet("TZ");
        const auto restore = qScopeGuard([&] {
            if (hadTz)
                qputenv("TZ", saved);
            else
                qunsetenv("TZ");
            tzset();
        });
        qputenv("TZ", "Asia/Kolkata");
        tzset();
        QCOMPARE(GetTimeZoneBias(), std::optional<qint32>(-330));
        qputenv("TZ", "UTC");
        tzset();
        QCOMPARE(GetTimeZoneBias(), std::optional<qint32>(0));
        qputenv("TZ", "Nowhere/Atlantis");
        tzset();
        QCOMPARE(GetTimeZoneBias(), std::nullopt);
    }
};

QTEST_GUILESS_MAIN(TestImageTime)
#include "tst_imagetime.moc"
