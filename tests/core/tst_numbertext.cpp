#include "core/NumberText.h"
#include "diagnostics/ErrorReporter.h"
#include "support/ErrorOf.h"
#include "support/FakePlatform.h"

#include <QLocale>
#include <QTemporaryDir>
#include <QTest>

#include <clocale>

using namespace pluvix;
using namespace pluvix::core;
using namespace Qt::StringLiterals;

using platform::MessageButton;
using testsupport::errorOf;

// The text and number rules and the error report with its log; each runs under the C locale and
// under a decimal-comma locale, which must change nothing.
class TestNumberText : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    testsupport::FakeMessageBoxes m_boxes;
    testsupport::FakeClock m_clock;

private slots:
    void initTestCase_data() {
        QTest::addColumn<bool>("decimalComma");
        QTest::newRow("C locale") << false;
        QTest::newRow("German locale") << true;
    }
    void init() {
        m_boxes.shown.clear();
        m_boxes.answers.clear();
        QFile log(m_dir.filePath(u"Log.txt"_s));
        QVERIFY(log.open(QIODevice::WriteOnly) && log.write("older\r\n") == 7);
        QFile blocker(m_dir.filePath(u"plainfile"_s));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
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

    // Cancel ends the program like a failed load, with the failure status. An unwritable log
    // sits under a regular file, so no write succeeds even for root; its failure gets one box
    // of its own and is never logged.
    void reportLogsAsksAndEnds_data() {
        QTest::addColumn<QList<MessageButton>>("answers");
        QTest::addColumn<bool>("unwritable");
        QTest::addColumn<QString>("log");
        QTest::addColumn<QStringList>("procedures");
        QTest::addColumn<int>("ends");
        const QString line = u"12-05-2005 14:03:07  ERR#:6 / DESC: Overflow / PROC: "
                             "Module1.LoadCheckINI * ImageUbound: 9 * Version:3.0.868\r\n"_s;
        const QString proc = u"Module1.LoadCheckINI"_s, logProc = u"Module1.AddLogEntry"_s;
        const QString older = u"older\r\n"_s;
        QTest::newRow("retry") << QList<MessageButton>{} << false << older + line
                               << QStringList{proc} << 0;
        QTest::newRow("cancel") << QList<MessageButton>{MessageButton::Cancel} << false
                                << older + line + u"12-05-2005 14:03:07  App TERMINATED "_s +
                                       line.chopped(2) +
                                       u" * ImageUbound: 9 * Version:3.0.868\r\n"_s
                                << QStringList{proc} << 1;
        QTest::newRow("unwritable, retry")
            << QList<MessageButton>{} << true << older << QStringList{logProc, proc} << 0;
        QTest::newRow("unwritable, cancel") << QList<MessageButton>{MessageButton::Cancel} << true
                                            << older << QStringList{logProc} << 1;
    }
    void reportLogsAsksAndEnds() {
        QFETCH(QList<MessageButton>, answers);
        QFETCH(bool, unwritable);
        const QString log = m_dir.filePath(unwritable ? u"plainfile/sub/Log.txt"_s : u"Log.txt"_s);
        m_boxes.answers = answers;
        testsupport::FakeProgramEnd end;
        diagnostics::ErrorReporter reporter(m_boxes, end, m_clock, log, [] { return 9; });
        reporter.ReportError(6, u"Overflow"_s, u"Module1.LoadCheckINI"_s);

        QFile written(m_dir.filePath(u"Log.txt"_s));
        QVERIFY(written.open(QIODevice::ReadOnly));
        QTEST(QString::fromUtf8(written.readAll()), "log");
        QTEST(end.endCount, "ends");
        QCOMPARE(end.lastStatus, end.endCount ? platform::exitFailure : -1);
        QStringList procedures;
        for (const auto& box : m_boxes.shown)
            procedures << box.text.section(u"\r\nProcedure: "_s, 1).section(u"\r\n"_s, 0, 0);
        QTEST(procedures, "procedures");
        QCOMPARE(m_boxes.shown[0].title, u"Pluvix Error!"_s);
        if (!unwritable)
            QCOMPARE(
                m_boxes.shown[0].text,
                u"An Error Has Occured!\r\n\r\nNumber: 6\r\nDescription: Overflow\r\nProcedure: "
                "Module1.LoadCheckINI\r\n\r\nPlease contact technical support with the "
                "information listed above.\r\n\r\nClick Retry to resume program. Click "
                "Cancel To End Program"_s);
    }

    void logFallsBackToStateFolder() {
        const QString state = m_dir.filePath(u"state"_s);
        qputenv("XDG_STATE_HOME", state.toLocal8Bit());
        QCOMPARE(diagnostics::logFilePath(m_dir.filePath(u"plainfile"_s), u"Pluvix"_s),
                 state + u"/Pluvix/Log.txt"_s);
        QVERIFY(QFileInfo(state + u"/Pluvix"_s).isDir());
    }
};

QTEST_GUILESS_MAIN(TestNumberText)
#include "tst_numbertext.moc"
