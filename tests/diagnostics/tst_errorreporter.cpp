#include "diagnostics/ErrorReporter.h"
#include "support/FakePlatform.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace pluvix;
using namespace Qt::StringLiterals;
using platform::MessageButton;

class TestErrorReporter : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    testsupport::FakeMessageBoxes m_boxes;
    testsupport::FakeClock m_clock;

private slots:
    void init() {
        m_boxes.shown.clear();
        m_boxes.answers.clear();
        QFile log(m_dir.filePath(u"Log.txt"_s));
        QVERIFY(log.open(QIODevice::WriteOnly) && log.write("older\r\n") == 7);
        QFile blocker(m_dir.filePath(u"plainfile"_s));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
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

QTEST_GUILESS_MAIN(TestErrorReporter)
#include "tst_errorreporter.moc"
