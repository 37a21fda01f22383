#include "view/LoopPlayer.h"
#include "view/PollCountdown.h"

#include "core/RuntimeError.h"

#include <QtTest>

using namespace pluvix;
using namespace pluvix::view;

Q_DECLARE_METATYPE(pluvix::view::LoopState)

namespace {

using Values = QList<qint32>;

// Runs the loop tick by tick from the state given and records the slider value after each.
Values run(LoopState state, int ticks) {
    Values values;
    for (int t = 0; t < ticks; ++t) {
        const LoopStep step = PlayImagesStep(state);
        if (step.valueChanged != (step.Value != state.Value))
            values << -1; // shows up as a mismatch
        state.Value = step.Value;
        state.LoopPauseCount = step.LoopPauseCount;
        values << state.Value;
    }
    return values;
}

Values range(qint32 from, qint32 to) {
    Values v;
    for (qint32 i = from; i <= to; ++i)
        v << i;
    return v;
}

Values repeat(qint32 value, int times) {
    return Values(times, value);
}

// The loop just switched on, showing the newest of ten pictures.
LoopState switchedOn(qint16 historyImageCount, qint16 loopDelay) {
    LoopState s;
    s.checked = true;
    s.Min = 1;
    s.Max = 10;
    s.Value = 10;
    s.HistoryImageCount = historyImageCount;
    s.LoopDelay = loopDelay;
    s.LoopPauseCount = loopSwitchOnPauseCount;
    return s;
}

} // namespace

class TestLoopPlayer : public QObject {
    Q_OBJECT

private slots:
    void cycles_data();
    void cycles();
    void switchedOffDoesNothing();
    void trimmedHistory();
    void negativeCountStaysOnNewest();
    void historyMenu();
    void pollCountdown();
};

void TestLoopPlayer::cycles_data() {
    QTest::addColumn<LoopState>("start");
    QTest::addColumn<Values>("expected");

    // The first pass after switching on jumps back at once; later passes pause on the newest.
    QTest::newRow("all ten, delay 4")
        << switchedOn(20, 4)
        << range(1, 10) + repeat(10, 4) + range(1, 10) + repeat(10, 4) + range(1, 2);
    QTest::newRow("five back, delay 4")
        << switchedOn(5, 4) << range(5, 10) + repeat(10, 4) + range(5, 10) + repeat(10, 4);
    QTest::newRow("delay 0: newest for one tick")
        << switchedOn(20, 0) << range(1, 10) + range(1, 10) + range(1, 3);
    QTest::newRow("delay beyond the switch-on count pauses at once")
        << switchedOn(3, 11) << repeat(10, 2) + Values{7, 8, 9, 10} + repeat(10, 11) + Values{7};

    LoopState middle = switchedOn(20, 2);
    middle.Value = 4;
    middle.LoopPauseCount = 0;
    QTest::newRow("from the middle") << middle << range(5, 10) + repeat(10, 2) + range(1, 3);
}

void TestLoopPlayer::cycles() {
    QFETCH(LoopState, start);
    QFETCH(Values, expected);
    QCOMPARE(run(start, int(expected.size())), expected);
}

void TestLoopPlayer::switchedOffDoesNothing() {
    LoopState s = switchedOn(20, 4);
    s.checked = false;
    s.Value = 3;
    QCOMPARE(run(s, 5), repeat(3, 5));
    const LoopStep step = PlayImagesStep(s);
    QCOMPARE(step.LoopPauseCount, loopSwitchOnPauseCount);
    QVERIFY(!step.valueChanged);
}

void TestLoopPlayer::trimmedHistory() {
    // 23 pictures in range after trimming; twenty are looped back.
    LoopState s = switchedOn(20, 0);
    s.Min = 3;
    s.Max = 25;
    s.Value = 25;
    QCOMPARE(run(s, 22), range(5, 25) + Values{5});
}

void TestLoopPlayer::negativeCountStaysOnNewest() {
    LoopState s = switchedOn(-5, 0);
    QCOMPARE(run(s, 3), repeat(10, 3));
}

void TestLoopPlayer::historyMenu() {
    const QStringList captions = playHistoryCaptions();
    QCOMPARE(captions.size(), 10);
    QCOMPARE(captions.first(), QStringLiteral("5"));
    QCOMPARE(captions.last(), QStringLiteral("500"));
    for (int i = 0; i < captions.size(); ++i) {
        QCOMPARE(QString::number(playHistoryCount(i)), captions[i]);
        QCOMPARE(playHistoryIndexFor(playHistoryCount(i)), std::optional<int>(i));
    }
    QCOMPARE(playHistoryIndexFor(20), std::optional<int>(2));
    QCOMPARE(playHistoryIndexFor(15), std::nullopt);
    QCOMPARE(playHistoryIndexFor(0), std::nullopt);
    QVERIFY_THROWS_EXCEPTION(core::RuntimeError, playHistoryCount(10));
    QVERIFY_THROWS_EXCEPTION(core::RuntimeError, playHistoryCount(-1));
}

void TestLoopPlayer::pollCountdown() {
    qint32 counter = 0;
    QStringList tips;
    int polls = 0;
    for (int second = 0; second < 61; ++second) {
        const PollTick tick = pollTick(counter, 60);
        tips << tick.toolTip;
        counter = tick.PollCounter;
        if (tick.pollNow) {
            ++polls;
            QCOMPARE(second, 59);
            counter = 0;
        }
    }
    QCOMPARE(polls, 1);
    QCOMPARE(tips.first(), QStringLiteral(" 59 Seconds till next Poll "));
    QCOMPARE(tips.at(58), QStringLiteral(" 1 Seconds till next Poll "));
    QCOMPARE(tips.at(59), QStringLiteral(" 0 Seconds till next Poll "));
    QCOMPARE(tips.at(60), tips.first());

    // The interval shortened below the count already reached: overdue, poll at once.
    const PollTick late = pollTick(70, 60);
    QCOMPARE(late.toolTip, QStringLiteral(" -11 Seconds till next Poll "));
    QVERIFY(late.pollNow);
}

QTEST_APPLESS_MAIN(TestLoopPlayer)
#include "tst_loopplayer.moc"
