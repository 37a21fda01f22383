#include "acquisition/HistoryTrim.h"
#include "core/RuntimeError.h"

#include <QtTest>

#include <set>

using pluvix::acquisition::trimBeforeAppend;
using pluvix::acquisition::TrimStep;

class HistoryTrimTest : public QObject {
    Q_OBJECT

private slots:
    void step_data();
    void step();
    void fortyNewImagesKeepTwentyThreeInRange();
    void limitAtTheTopOverflows();
};

void HistoryTrimTest::step_data() {
    QTest::addColumn<int>("u");
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("limit");
    QTest::addColumn<int>("newLimit");
    QTest::addColumn<int>("newFirst");
    QTest::addColumn<int>("destroy");

    QTest::newRow("room left") << 21 << 0 << 20 << 20 << 0 << -1;
    QTest::newRow("14th new image leaves element 0") << 22 << 0 << 20 << 20 << 1 << -1;
    QTest::newRow("15th new image drops element 1") << 23 << 1 << 20 << 20 << 2 << 1;
    QTest::newRow("one at a time even far over") << 60 << 3 << 20 << 20 << 4 << 3;
    QTest::newRow("small limit raised first") << 22 << 0 << 5 << 20 << 1 << -1;
    QTest::newRow("small limit raised, no trim") << 12 << 0 << 5 << 20 << 0 << -1;
    QTest::newRow("negative limit raised") << 9 << 0 << -3 << 20 << 0 << -1;
    QTest::newRow("larger limit kept") << 40 << 0 << 50 << 50 << 0 << -1;
    QTest::newRow("larger limit reached") << 52 << 0 << 50 << 50 << 1 << -1;
}

void HistoryTrimTest::step() {
    QFETCH(int, u);
    QFETCH(int, first);
    QFETCH(int, limit);
    const TrimStep s = trimBeforeAppend(qint16(u), qint16(first), qint16(limit));
    QTEST(int(s.maxImageNumber), "newLimit");
    QTEST(int(s.firstHistoryIndex), "newFirst");
    QTEST(int(s.destroyIndex), "destroy");
}

// Start-up leaves elements 0 ... 9; then each new image is trimmed for and appended at u + 1.
void HistoryTrimTest::fortyNewImagesKeepTwentyThreeInRange() {
    std::set<int> elements;
    for (int i = 0; i <= 9; ++i)
        elements.insert(i);
    qint16 first = 0;
    qint16 limit = 20;
    QList<int> minima;

    for (int n = 1; n <= 40; ++n) {
        const int u = *elements.rbegin();
        const TrimStep s = trimBeforeAppend(qint16(u), first, limit);
        limit = s.maxImageNumber;
        if (s.destroyIndex >= 0) {
            QVERIFY2(s.destroyIndex != 0, "element 0 must stay");
            QCOMPARE(s.destroyIndex, first);
            QVERIFY(elements.erase(s.destroyIndex) == 1);
        }
        first = s.firstHistoryIndex;
        elements.insert(u + 1);

        const int sliderMin = first + 1;
        const int sliderMax = *elements.rbegin() + 1;
        minima << sliderMin;
        if (n < 14)
            QCOMPARE(sliderMax - sliderMin + 1, 10 + n);
        else
            QCOMPARE(sliderMax - sliderMin + 1, 23);
        QVERIFY(elements.count(0) == 1);
        // Every element the slider reaches exists.
        for (int p = sliderMin; p <= sliderMax; ++p)
            QVERIFY(elements.count(p - 1) == 1);
    }
    QCOMPARE(minima[12], 1);
    QCOMPARE(minima[13], 2);
    QCOMPARE(minima[14], 3);
    QCOMPARE(minima.last(), 28);
    // Element 0 plus the 23 in range.
    QCOMPARE(int(elements.size()), 24);
}

void HistoryTrimTest::limitAtTheTopOverflows() {
    try {
        trimBeforeAppend(100, 0, 32767);
        QFAIL("no error raised");
    } catch (const pluvix::core::RuntimeError& e) {
        QCOMPARE(e.number(), 6);
    }
    const TrimStep s = trimBeforeAppend(32766, 32740, 20);
    QCOMPARE(int(s.destroyIndex), 32740);
}

QTEST_GUILESS_MAIN(HistoryTrimTest)
#include "tst_historytrim.moc"
