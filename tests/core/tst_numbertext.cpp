#include "core/NumberText.h"
#include "support/ErrorOf.h"

#include <QLocale>
#include <QTest>

#include <clocale>

using namespace pluvix::core;
using namespace Qt::StringLiterals;

using pluvix::testsupport::errorOf;

// Every rule runs under the C locale and under a decimal-comma locale, which must change nothing.
class TestNumberText : public QObject {
    Q_OBJECT

private slots:
    void initTestCase_data() {
        QTest::addColumn<bool>("decimalComma");
        QTest::newRow("C locale") << false;
        QTest::newRow("German locale") << true;
    }
    void init() {
        QFETCH_GLOBAL(bool, decimalComma);
        if (!decimalComma)
            return;
        std::setlocale(LC_ALL, "de_DE.UTF-8"); // where generated; Qt's own data always has it
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    }
    void cleanup() {
        std::setlocale(LC_ALL, "C");
        QLocale::setDefault(QLocale::c());
    }

    // kind: d = leading number, h = 16-bit, i = 32-bit, s = single, t = timer interval for a
    // play speed; error 6 is overflow, 11 division by zero.
    void textToNumber_data() {
        QTest::addColumn<char>("kind");
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("expected");
        QTest::addColumn<int>("error");
        const auto row = [](const char* name, char k, const QString& t, double v, int e = 0) {
            QTest::newRow(name) << k << t << v << e;
        };
        row("digits then letters", 'd', u"12abc"_s, 12);
        row("leading blanks", 'd', u"\t  7"_s, 7);
        row("no zero before point", 'd', u"-.5"_s, -0.5);
        row("comma stops", 'd', u"1,5"_s, 1);
        row("beyond double", 'd', u"-1e400"_s, 0, 6);
        row("2.5 to even", 'h', u"2.5"_s, 2);
        row("3.5 to even", 'h', u"3.5"_s, 4);
        row("rounds past 16-bit", 'h', u"32767.5"_s, 0, 6);
        row("rounds back into 16-bit", 'h', u"-32768.5"_s, -32768);
        row("rounds past 32-bit", 'i', u"2147483647.5"_s, 0, 6);
        row("single with text", 's', u"24800twips"_s, 24800);
        row("largest single", 's', u"3.4028235e38"_s, double(3.4028235e38f));
        row("beyond single", 's', u"-1e39"_s, 0, 6);
        row("1000 / 3", 't', u"3"_s, 333);
        row("62.5 to even", 't', u"16"_s, 62);
        row("speed zero", 't', u"0"_s, 0, 11);
    }
    void textToNumber() {
        QFETCH(char, kind);
        QFETCH(QString, text);
        double value = 0;
        QTEST(errorOf([&] {
                  value = kind == 'd'   ? leadingNumber(text)
                          : kind == 'h' ? textToInt16(text)
                          : kind == 'i' ? textToInt32(text)
                          : kind == 's' ? textToSingle(text)
                                        : timerIntervalForSpeed(textToInt16(text));
              }),
              "error");
        QTEST(value, "expected");
    }

    void numberToText_data() {
        QTest::addColumn<float>("value");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("preset");
        QTest::addColumn<QString>("display");
        QTest::newRow("0.721") << 0.721f << u"0.721"_s << u".721"_s << u" .721"_s;
        QTest::newRow("-0.5") << -0.5f << u"-0.5"_s << u"-.5"_s << u"-.5"_s;
        QTest::newRow("negative zero") << -0.0f << u"0"_s << u"0"_s << u" 0"_s;
        QTest::newRow("seven digits")
            << 2.0f / 3.0f << u"0.6666667"_s << u".6666667"_s << u" .6666667"_s;
    }
    void numberToText() {
        QFETCH(float, value);
        QFETCH(QString, stored);
        QCOMPARE(singleToText(value), stored);
        QTEST(singleToPresetText(value), "preset");
        QTEST(singleToDisplayText(value), "display");
        QCOMPARE(textToSingle(stored), value);
        QCOMPARE(intToDisplayText(9) + intToDisplayText(-1) + intToText(-7), u" 9-1-7"_s);
    }
};

QTEST_GUILESS_MAIN(TestNumberText)
#include "tst_numbertext.moc"
