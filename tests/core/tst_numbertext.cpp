#include "core/NumberText.h"
#include "core/RuntimeError.h"

#include <QLocale>
#include <QTest>

#include <clocale>
#include <cmath>
#include <limits>

using namespace pluvix::core;
using namespace Qt::StringLiterals;

namespace {

// Runs a conversion; gives the run-time error number it threw, or 0.
template <class F> int errorOf(F&& f) {
    try {
        f();
    } catch (const RuntimeError& e) {
        return e.number();
    }
    return 0;
}

} // namespace

// Every rule runs twice: under the C locale and under a decimal-comma locale, whose setting
// must change nothing.
class TestNumberText : public QObject {
    Q_OBJECT

private:
    QByteArray m_savedCLocale;

private slots:
    void initTestCase() { m_savedCLocale = std::setlocale(LC_ALL, nullptr); }

    void initTestCase_data() {
        QTest::addColumn<bool>("decimalComma");
        QTest::newRow("C locale") << false;
        QTest::newRow("German locale") << true;
    }

    void init() {
        QFETCH_GLOBAL(bool, decimalComma);
        if (!decimalComma)
            return;
        // The C library may not have the German locale generated; Qt's own locale data
        // always gives a comma, so that part is always exercised.
        for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "de_DE"}) {
            if (std::setlocale(LC_ALL, name))
                break;
        }
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        QCOMPARE(QLocale().decimalPoint(), QStringLiteral(","));
    }

    void cleanup() {
        std::setlocale(LC_ALL, m_savedCLocale.constData());
        QLocale::setDefault(QLocale::c());
    }

    void leadingNumber_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("expected");
        QTest::newRow("digits then letters") << u"12abc"_s << 12.0;
        QTest::newRow("no number") << u"abc"_s << 0.0;
        QTest::newRow("empty") << QString() << 0.0;
        QTest::newRow("leading blank") << u" 7"_s << 7.0;
        QTest::newRow("leading tab and blanks") << u"\t  7"_s << 7.0;
        QTest::newRow("fraction") << u"2.5"_s << 2.5;
        QTest::newRow("negative") << u"-7295"_s << -7295.0;
        QTest::newRow("plus sign") << u"+3"_s << 3.0;
        QTest::newRow("no zero before point") << u".721"_s << 0.721;
        QTest::newRow("negative no zero") << u"-.5"_s << -0.5;
        QTest::newRow("point at end") << u"5."_s << 5.0;
        QTest::newRow("point only") << u"."_s << 0.0;
        QTest::newRow("sign only") << u"-"_s << 0.0;
        QTest::newRow("sign then blank") << u"- 5"_s << 0.0;
        QTest::newRow("second point stops") << u"1.2.3"_s << 1.2;
        QTest::newRow("comma stops") << u"1,5"_s << 1.0;
        QTest::newRow("blank inside stops") << u"1 2"_s << 1.0;
        QTest::newRow("leading zeros") << u"007"_s << 7.0;
        QTest::newRow("exponent") << u"1e3"_s << 1000.0;
        QTest::newRow("upper-case exponent") << u"2.5E2"_s << 250.0;
        QTest::newRow("negative exponent") << u"1e-2"_s << 0.01;
        QTest::newRow("exponent with plus") << u"1e+2x"_s << 100.0;
        QTest::newRow("exponent without digits") << u"1e"_s << 1.0;
        QTest::newRow("exponent sign without digits") << u"1e+"_s << 1.0;
        QTest::newRow("hex prefix is not a number") << u"0x10"_s << 0.0;
        QTest::newRow("tiny underflows to zero") << u"1e-400"_s << 0.0;
        QTest::newRow("huge exponent of zero") << u"0e99999"_s << 0.0;
        QTest::newRow("long fraction") << u"0.30000000000000000000001"_s << 0.3;
        QTest::newRow("arabic-indic digit stops") << u"4\u0663"_s << 4.0;
    }

    void leadingNumber() {
        QFETCH(QString, text);
        QFETCH(double, expected);
        QCOMPARE(pluvix::core::leadingNumber(text), expected);
    }

    void leadingNumberBeyondDoubleRange_data() {
        QTest::addColumn<QString>("text");
        QTest::newRow("large exponent") << u"1e400"_s;
        QTest::newRow("negative") << u"-1e400"_s;
        QTest::newRow("many digits") << QString(400, u'9');
        QTest::newRow("exponent past clamp") << u"1e99999999999999999999"_s;
    }

    void leadingNumberBeyondDoubleRange() {
        QFETCH(QString, text);
        QCOMPARE(errorOf([&] { pluvix::core::leadingNumber(text); }), 6);
    }

    void roundHalfEven_data() {
        QTest::addColumn<double>("value");
        QTest::addColumn<double>("expected");
        QTest::newRow("0.5") << 0.5 << 0.0;
        QTest::newRow("1.5") << 1.5 << 2.0;
        QTest::newRow("2.5") << 2.5 << 2.0;
        QTest::newRow("3.5") << 3.5 << 4.0;
        QTest::newRow("-0.5") << -0.5 << 0.0;
        QTest::newRow("-2.5") << -2.5 << -2.0;
        QTest::newRow("-5.5") << -5.5 << -6.0;
        QTest::newRow("just below half") << 2.4999999 << 2.0;
        QTest::newRow("just above half") << 2.5000001 << 3.0;
        QTest::newRow("negative above half") << -2.6 << -3.0;
        QTest::newRow("large") << 1e300 << 1e300;
    }

    void roundHalfEven() {
        QFETCH(double, value);
        QFETCH(double, expected);
        QCOMPARE(pluvix::core::roundHalfEven(value), expected);
    }

    void textToInt16_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("expected");
        QTest::addColumn<int>("error");
        QTest::newRow("12abc") << u"12abc"_s << 12 << 0;
        QTest::newRow("abc") << u"abc"_s << 0 << 0;
        QTest::newRow("blank 7") << u" 7"_s << 7 << 0;
        QTest::newRow("2.5") << u"2.5"_s << 2 << 0;
        QTest::newRow("3.5") << u"3.5"_s << 4 << 0;
        QTest::newRow("-5.5") << u"-5.5"_s << -6 << 0;
        QTest::newRow("exponent") << u"1e3"_s << 1000 << 0;
        QTest::newRow("-7295") << u"-7295"_s << -7295 << 0;
        QTest::newRow(".721") << u".721"_s << 1 << 0;
        QTest::newRow("largest") << u"32767"_s << 32767 << 0;
        QTest::newRow("smallest") << u"-32768"_s << -32768 << 0;
        QTest::newRow("largest plus half rounds up") << u"32767.5"_s << 0 << 6;
        QTest::newRow("smallest minus half rounds to even") << u"-32768.5"_s << -32768 << 0;
        QTest::newRow("40000") << u"40000"_s << 0 << 6;
        QTest::newRow("-32769") << u"-32769"_s << 0 << 6;
        QTest::newRow("beyond double") << u"1e999"_s << 0 << 6;
    }

    void textToInt16() {
        QFETCH(QString, text);
        QFETCH(int, expected);
        QFETCH(int, error);
        qint16 value = 0;
        QCOMPARE(errorOf([&] { value = pluvix::core::textToInt16(text); }), error);
        if (error == 0)
            QCOMPARE(value, expected);
    }

    void textToInt32_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<qint32>("expected");
        QTest::addColumn<int>("error");
        QTest::newRow("40000") << u"40000"_s << 40000 << 0;
        QTest::newRow("8") << u"8"_s << 8 << 0;
        QTest::newRow("-5.5") << u"-5.5"_s << -6 << 0;
        QTest::newRow("largest") << u"2147483647"_s << std::numeric_limits<qint32>::max() << 0;
        QTest::newRow("smallest minus half")
            << u"-2147483648.5"_s << std::numeric_limits<qint32>::min() << 0;
        QTest::newRow("largest plus one") << u"2147483648"_s << 0 << 6;
        QTest::newRow("largest plus half") << u"2147483647.5"_s << 0 << 6;
        QTest::newRow("exponent overflow") << u"1e10"_s << 0 << 6;
        QTest::newRow("negative overflow") << u"-3000000000"_s << 0 << 6;
    }

    void textToInt32() {
        QFETCH(QString, text);
        QFETCH(qint32, expected);
        QFETCH(int, error);
        qint32 value = 0;
        QCOMPARE(errorOf([&] { value = pluvix::core::textToInt32(text); }), error);
        if (error == 0)
            QCOMPARE(value, expected);
    }

    void textToSingle_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<float>("expected");
        QTest::addColumn<int>("error");
        QTest::newRow("0.721") << u"0.721"_s << 0.721f << 0;
        QTest::newRow(".721") << u".721"_s << 0.721f << 0;
        QTest::newRow("-7295") << u"-7295"_s << -7295.0f << 0;
        QTest::newRow("24800 with text") << u"24800twips"_s << 24800.0f << 0;
        QTest::newRow("largest single")
            << u"3.4028235e38"_s << std::numeric_limits<float>::max() << 0;
        QTest::newRow("beyond single") << u"1e39"_s << 0.0f << 6;
        QTest::newRow("negative beyond single") << u"-1e39"_s << 0.0f << 6;
    }

    void textToSingle() {
        QFETCH(QString, text);
        QFETCH(float, expected);
        QFETCH(int, error);
        float value = 0;
        QCOMPARE(errorOf([&] { value = pluvix::core::textToSingle(text); }), error);
        if (error == 0)
            QCOMPARE(value, expected);
    }

    void singleTexts_data() {
        QTest::addColumn<float>("value");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("preset");
        QTest::addColumn<QString>("display");
        QTest::newRow("0.721") << 0.721f << u"0.721"_s << u".721"_s << u" .721"_s;
        QTest::newRow("0.319") << 0.319f << u"0.319"_s << u".319"_s << u" .319"_s;
        QTest::newRow("1000") << 1000.0f << u"1000"_s << u"1000"_s << u" 1000"_s;
        QTest::newRow("-7295") << -7295.0f << u"-7295"_s << u"-7295"_s << u"-7295"_s;
        QTest::newRow("24800") << 24800.0f << u"24800"_s << u"24800"_s << u" 24800"_s;
        QTest::newRow("0.5") << 0.5f << u"0.5"_s << u".5"_s << u" .5"_s;
        QTest::newRow("-0.5") << -0.5f << u"-0.5"_s << u"-.5"_s << u"-.5"_s;
        QTest::newRow("5") << 5.0f << u"5"_s << u"5"_s << u" 5"_s;
        QTest::newRow("zero") << 0.0f << u"0"_s << u"0"_s << u" 0"_s;
        QTest::newRow("negative zero") << -0.0f << u"0"_s << u"0"_s << u" 0"_s;
        QTest::newRow("seven digits")
            << 1234567.0f << u"1234567"_s << u"1234567"_s << u" 1234567"_s;
        QTest::newRow("third") << 1.0f / 3.0f << u"0.3333333"_s << u".3333333"_s << u" .3333333"_s;
        QTest::newRow("rounded to seven")
            << 2.0f / 3.0f << u"0.6666667"_s << u".6666667"_s << u" .6666667"_s;
        QTest::newRow("fraction of thousands")
            << 1234.5f << u"1234.5"_s << u"1234.5"_s << u" 1234.5"_s;
        QTest::newRow("small") << 0.001f << u"0.001"_s << u".001"_s << u" .001"_s;
        QTest::newRow("-5.5") << -5.5f << u"-5.5"_s << u"-5.5"_s << u"-5.5"_s;
    }

    void singleTexts() {
        QFETCH(float, value);
        QFETCH(QString, stored);
        QFETCH(QString, preset);
        QFETCH(QString, display);
        QCOMPARE(singleToText(value), stored);
        QCOMPARE(singleToPresetText(value), preset);
        QCOMPARE(singleToDisplayText(value), display);
        // What is stored reads back as the value, to seven significant digits.
        const float back = pluvix::core::textToSingle(stored);
        QVERIFY(std::fabs(back - value) <= std::fabs(value) * 1e-6f);
    }

    void intTexts_data() {
        QTest::addColumn<qint64>("value");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("display");
        QTest::newRow("9") << qint64(9) << u"9"_s << u" 9"_s;
        QTest::newRow("-1") << qint64(-1) << u"-1"_s << u"-1"_s;
        QTest::newRow("0") << qint64(0) << u"0"_s << u" 0"_s;
        QTest::newRow("group-sized") << qint64(1234567) << u"1234567"_s << u" 1234567"_s;
        QTest::newRow("-7295") << qint64(-7295) << u"-7295"_s << u"-7295"_s;
    }

    void intTexts() {
        QFETCH(qint64, value);
        QFETCH(QString, stored);
        QFETCH(QString, display);
        QCOMPARE(intToText(value), stored);
        QCOMPARE(intToDisplayText(value), display);
    }

    void timerInterval_data() {
        QTest::addColumn<int>("speed");
        QTest::addColumn<qint32>("interval");
        QTest::newRow("5") << 5 << 200;
        QTest::newRow("3") << 3 << 333;
        QTest::newRow("6") << 6 << 167;
        QTest::newRow("7") << 7 << 143;
        QTest::newRow("9") << 9 << 111;
        QTest::newRow("1") << 1 << 1000;
        QTest::newRow("62.5 rounds to even") << 16 << 62;
        QTest::newRow("0.5 rounds to even") << 2000 << 0;
        QTest::newRow("negative half rounds to even") << -16 << -62;
        QTest::newRow("400 gives 2.5") << 400 << 2;
        QTest::newRow("largest speed") << 32767 << 0;
    }

    void timerInterval() {
        QFETCH(int, speed);
        QFETCH(qint32, interval);
        QCOMPARE(timerIntervalForSpeed(static_cast<qint16>(speed)), interval);
    }

    void timerIntervalOfZeroSpeedIsDivisionByZero() {
        QCOMPARE(errorOf([] { timerIntervalForSpeed(0); }), 11);
    }
};

QTEST_GUILESS_MAIN(TestNumberText)
#include "tst_numbertext.moc"
