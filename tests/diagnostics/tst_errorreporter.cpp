#include "diagnostics/ErrorReporter.h"

#include "support/FakePlatform.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>

using namespace pluvix;
using platform::MessageButton;
using testsupport::FakeClock;
using testsupport::FakeMessageBoxes;
using testsupport::FakeProgramEnd;

namespace {

const QString firstLine = QStringLiteral("12-05-2005 14:03:07  ERR#:6 / DESC: Overflow / PROC: "
                                         "Module1.LoadCheckINI * ImageUbound: 9 * Version:3.0.868");

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Lets a test look at the world at the moment a box is up.
class ObservingBoxes final : public platform::MessageBoxes {
public:
    std::function<void()> onShow;
    QStringList texts;
    QList<MessageButton> answers;

    MessageButton retryCancelCritical(const QString&, const QString& text) override {
        texts.append(text);
        if (onShow)
            onShow();
        return answers.isEmpty() ? MessageButton::Retry : answers.takeFirst();
    }
    void ok(const QString&, const QString&) override {}
    MessageButton yesNo(const QString&, const QString&) override { return MessageButton::Yes; }
    MessageButton okCancel(const QString&, const QString&) override { return MessageButton::Ok; }
};

} // namespace

class TestErrorReporter : public QObject {
    Q_OBJECT

private slots:
    void init() {
        QVERIFY(m_dir.isValid());
        m_log = m_dir.filePath(QStringLiteral("Log.txt"));
        QFile::remove(m_log);
    }

    void cancelLogsTwoLinesAndEndsOnce() {
        FakeMessageBoxes boxes;
        boxes.answers = {MessageButton::Cancel};
        FakeProgramEnd end;
        FakeClock clock;
        diagnostics::ErrorReporter reporter(boxes, end, clock, m_log, [] { return 9; });

        reporter.ReportError(6, QStringLiteral("Overflow"), QStringLiteral("Module1.LoadCheckINI"));

        const QString expected = firstLine + QStringLiteral("\r\n") +
                                 QStringLiteral("12-05-2005 14:03:07  App TERMINATED ") +
                                 firstLine +
                                 QStringLiteral(" * ImageUbound: 9 * Version:3.0.868\r\n");
        QCOMPARE(QString::fromUtf8(readAll(m_log)), expected);
        QCOMPARE(end.endCount, 1);
        QCOMPARE(boxes.shown.size(), 1);
        QCOMPARE(boxes.shown[0].kind, QStringLiteral("retryCancel"));
        QCOMPARE(boxes.shown[0].title, QStringLiteral("Pluvix Error!"));
        QCOMPARE(boxes.shown[0].text,
                 QStringLiteral("An Error Has Occured!\r\n\r\nNumber: 6\r\nDescription: Overflow"
                                "\r\nProcedure: Module1.LoadCheckINI\r\n\r\nPlease contact "
                                "technical support with the information listed above.\r\n\r\n"
                                "Click Retry to resume program. Click Cancel To End Program"));
    }

    void retryLogsBeforeTheBoxAndGoesOn() {
        ObservingBoxes boxes;
        FakeProgramEnd end;
        FakeClock clock;
        QStringList events;
        diagnostics::ErrorReporter reporter(
            boxes, end, clock, m_log, [] { return 9; },
            [&] { events.append(QStringLiteral("reset")); });
        boxes.onShow = [&] {
            events.append(QStringLiteral("box"));
            QCOMPARE(QString::fromUtf8(readAll(m_log)), firstLine + QStringLiteral("\r\n"));
        };

        reporter.ReportError(6, QStringLiteral("Overflow"), QStringLiteral("Module1.LoadCheckINI"));

        QCOMPARE(events, QStringList({QStringLiteral("reset"), QStringLiteral("box"),
                                      QStringLiteral("reset")}));
        QCOMPARE(end.endCount, 0);
        QCOMPARE(QString::fromUtf8(readAll(m_log)), firstLine + QStringLiteral("\r\n"));
    }

    void logLineAppendsAndKeepsEntry_data() {
        QTest::addColumn<std::function<int()>>("upperBound");
        QTest::addColumn<QString>("indexText");
        QTest::newRow("none given") << std::function<int()>() << QStringLiteral(" 0");
        QTest::newRow("zero") << std::function<int()>([] { return 0; }) << QStringLiteral(" 0");
        QTest::newRow("negative") << std::function<int()>([] { return -1; })
                                  << QStringLiteral("-1");
        QTest::newRow("large") << std::function<int()>([] { return 1234; })
                               << QStringLiteral(" 1234");
    }
    void logLineAppendsAndKeepsEntry() {
        QFETCH(std::function<int()>, upperBound);
        QFETCH(QString, indexText);
        {
            QFile old(m_log);
            QVERIFY(old.open(QIODevice::WriteOnly));
            old.write("older line\r\n");
        }
        FakeMessageBoxes boxes;
        FakeProgramEnd end;
        FakeClock clock;
        clock.fixed = QDateTime(QDate(2024, 1, 2), QTime(3, 4, 5));
        diagnostics::ErrorReporter reporter(boxes, end, clock, m_log, upperBound);

        QString entry = QStringLiteral("entry");
        reporter.AddLogEntry(entry);

        const QString line = QStringLiteral("01-02-2024 03:04:05 entry * ImageUbound:") +
                             indexText + QStringLiteral(" * Version:3.0.868");
        QCOMPARE(entry, line);
        QCOMPARE(QString::fromUtf8(readAll(m_log)),
                 QStringLiteral("older line\r\n") + line + QStringLiteral("\r\n"));
        QVERIFY(boxes.shown.isEmpty());
    }

    // The log sits under a regular file, so no write can succeed even for root.
    void unwritableLogShowsOneBoxAndNeverLoops_data() {
        QTest::addColumn<QList<MessageButton>>("answers");
        QTest::addColumn<QStringList>("procedures");
        QTest::addColumn<int>("ends");
        const QString logProc = QStringLiteral("Module1.AddLogEntry");
        const QString proc = QStringLiteral("form1.PlayImages");
        QTest::newRow("retry both") << QList<MessageButton>{} << QStringList{logProc, proc} << 0;
        QTest::newRow("cancel the error")
            << QList<MessageButton>{MessageButton::Retry, MessageButton::Cancel}
            << QStringList{logProc, proc} << 1;
        QTest::newRow("cancel the log box")
            << QList<MessageButton>{MessageButton::Cancel} << QStringList{logProc} << 1;
    }
    void unwritableLogShowsOneBoxAndNeverLoops() {
        QFETCH(QList<MessageButton>, answers);
        QFETCH(QStringList, procedures);
        QFETCH(int, ends);
        const QString blocker = m_dir.filePath(QStringLiteral("plainfile"));
        {
            QFile file(blocker);
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        FakeMessageBoxes boxes;
        boxes.answers = answers;
        FakeProgramEnd end;
        FakeClock clock;
        diagnostics::ErrorReporter reporter(boxes, end, clock,
                                            blocker + QStringLiteral("/sub/Log.txt"));

        reporter.ReportError(11, QStringLiteral("Division by zero"),
                             QStringLiteral("form1.PlayImages"));

        QStringList shownProcedures;
        for (const auto& box : boxes.shown)
            shownProcedures.append(box.text.section(QStringLiteral("Procedure: "), 1)
                                       .section(QStringLiteral("\r\n"), 0, 0));
        QCOMPARE(shownProcedures, procedures);
        QVERIFY(boxes.shown[0].text.contains(QStringLiteral("Number: 75\r\n")));
        QCOMPARE(end.endCount, ends);
        QCOMPARE(readAll(blocker), QByteArray());
    }

    // A timer event may report while a box is up; that report is a full one of its own.
    void reportWhileBoxIsUpGetsItsOwnBoxAndLine() {
        ObservingBoxes boxes;
        FakeProgramEnd end;
        FakeClock clock;
        diagnostics::ErrorReporter reporter(boxes, end, clock, m_log);
        bool nested = false;
        boxes.onShow = [&] {
            if (nested)
                return;
            nested = true;
            reporter.ReportError(5, QStringLiteral("Invalid procedure call"),
                                 QStringLiteral("form1.CheckForNewImage"));
        };
        reporter.ReportError(6, QStringLiteral("Overflow"), QStringLiteral("form1.PlayImages"));

        QCOMPARE(boxes.texts.size(), 2);
        const QList<QByteArray> lines = readAll(m_log).split('\n');
        QCOMPARE(lines.size(), 3); // two lines and the empty rest after the last line end
        QVERIFY(lines[0].contains("PROC: form1.PlayImages"));
        QVERIFY(lines[1].contains("PROC: form1.CheckForNewImage"));
    }

    void logBesideProgramWhenWritable() {
        const QString dir = m_dir.filePath(QStringLiteral("prog"));
        QVERIFY(QDir().mkpath(dir));
        QCOMPARE(diagnostics::logFilePath(dir, QStringLiteral("Pluvix")),
                 dir + QStringLiteral("/Log.txt"));
        QVERIFY2(!QFile::exists(dir + QStringLiteral("/Log.txt")), "probe left a file behind");

        QFile existing(dir + QStringLiteral("/Log.txt"));
        QVERIFY(existing.open(QIODevice::WriteOnly));
        existing.write("kept\r\n");
        existing.close();
        QCOMPARE(diagnostics::logFilePath(dir, QStringLiteral("Pluvix")),
                 dir + QStringLiteral("/Log.txt"));
        QCOMPARE(readAll(existing.fileName()), QByteArray("kept\r\n"));
    }

    void logFallsBackToStateFolder() {
        const QString blocker = m_dir.filePath(QStringLiteral("plainfile"));
        {
            QFile file(blocker);
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        const QByteArray savedState = qgetenv("XDG_STATE_HOME");
        const QByteArray savedHome = qgetenv("HOME");
        const auto restore = qScopeGuard([&] {
            qputenv("XDG_STATE_HOME", savedState);
            qputenv("HOME", savedHome);
        });

        const QString state = m_dir.filePath(QStringLiteral("state"));
        qputenv("XDG_STATE_HOME", state.toLocal8Bit());
        QCOMPARE(diagnostics::logFilePath(blocker, QStringLiteral("Pluvix")),
                 state + QStringLiteral("/Pluvix/Log.txt"));
        QVERIFY(QFileInfo(state + QStringLiteral("/Pluvix")).isDir());

        // A relative state folder is not to be trusted; home's default is used.
        const QString home = m_dir.filePath(QStringLiteral("home"));
        QVERIFY(QDir().mkpath(home));
        qputenv("HOME", home.toLocal8Bit());
        qputenv("XDG_STATE_HOME", "relative/state");
        QCOMPARE(diagnostics::logFilePath(blocker, QStringLiteral("Radar")),
                 home + QStringLiteral("/.local/state/Radar/Log.txt"));
        QVERIFY(QFileInfo(home + QStringLiteral("/.local/state/Radar")).isDir());
    }

private:
    QTemporaryDir m_dir;
    QString m_log;
};

QTEST_GUILESS_MAIN(TestErrorReporter)
#include "tst_errorreporter.moc"
