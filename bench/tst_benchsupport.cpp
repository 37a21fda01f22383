// The arithmetic the benchmarks judge by: a wrong drop count or percentile would pass a slow
// program or fail a fast one.
#include "BenchSupport.h"

#include <QtTest>

using namespace pluvix;

class TestBenchSupport : public QObject {
    Q_OBJECT
private slots:
    void tickStatsCountsLostFrames_data();
    void tickStatsCountsLostFrames();
    void percentiles_data();
    void percentiles();
    void vmRssFromProcStatus_data();
    void vmRssFromProcStatus();
    void rssFollowsAllocations();
    void heapFollowsAllocations();
};

void TestBenchSupport::tickStatsCountsLostFrames_data() {
    QTest::addColumn<QList<double>>("starts");
    QTest::addColumn<int>("dropped");
    QTest::addColumn<int>("lateTicks");
    QTest::addColumn<int>("expected");

    QTest::newRow("on time") << QList<double>{100, 200, 300, 400} << 0 << 0 << 4;
    QTest::newRow("jitter within an interval")
        << QList<double>{130, 195, 310, 399, 502} << 0 << 0 << 5;
    QTest::newRow("late within its slot") << QList<double>{100, 250, 300, 400} << 0 << 0 << 4;
    QTest::newRow("first tick two intervals late") << QList<double>{250, 300, 400} << 1 << 1 << 4;
    QTest::newRow("one coalesced tick") << QList<double>{100, 200, 400, 500} << 1 << 1 << 5;
    QTest::newRow("exactly one interval late") << QList<double>{100, 300, 400} << 1 << 1 << 4;
    QTest::newRow("three intervals lost at once") << QList<double>{100, 500, 600} << 3 << 1 << 6;
    QTest::newRow("slow timer") << QList<double>{100, 190, 380, 570, 760, 950} << 3 << 3 << 9;
    QTest::newRow("no ticks") << QList<double>{} << 0 << 0 << 0;
}

void TestBenchSupport::tickStatsCountsLostFrames() {
    QFETCH(QList<double>, starts);
    QFETCH(int, dropped);
    QFETCH(int, lateTicks);
    QFETCH(int, expected);
    const bench::TickStats s = bench::tickStats(0.0, starts, 100.0);
    QCOMPARE(s.ticks, starts.size());
    QCOMPARE(s.droppedFrames, dropped);
    QCOMPARE(s.lateTicks, lateTicks);
    QCOMPARE(s.ticksExpected, expected);
}

void TestBenchSupport::percentiles_data() {
    QTest::addColumn<QList<double>>("values");
    QTest::addColumn<double>("median");
    QTest::addColumn<double>("p95");
    QTest::addColumn<double>("mean");

    QList<double> hundred;
    for (int i = 100; i >= 1; --i)
        hundred << i;
    QTest::newRow("1 to 100, reversed") << hundred << 50.5 << 95.0 << 50.5;
    QTest::newRow("odd count") << QList<double>{3, 1, 2} << 2.0 << 3.0 << 2.0;
    QTest::newRow("one value") << QList<double>{7} << 7.0 << 7.0 << 7.0;
    QTest::newRow("outlier moves p95, not median")
        << QList<double>{1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 40} << 1.0 << 1.0
        << 2.95;
    QTest::newRow("empty") << QList<double>{} << 0.0 << 0.0 << 0.0;
}

void TestBenchSupport::percentiles() {
    QFETCH(QList<double>, values);
    QFETCH(double, median);
    QFETCH(double, p95);
    QFETCH(double, mean);
    QCOMPARE(bench::median(values), median);
    QCOMPARE(bench::percentile(values, 95), p95);
    QCOMPARE(bench::mean(values), mean);
    if (!values.isEmpty())
        QCOMPARE(bench::percentile(values, 100), *std::max_element(values.begin(), values.end()));
}

void TestBenchSupport::vmRssFromProcStatus_data() {
    QTest::addColumn<QByteArray>("status");
    QTest::addColumn<qint64>("bytes");

    QTest::newRow("usual") << QByteArray("Name:\tbench\nVmHWM:\t  9000 kB\nVmRSS:\t   51234 kB\n"
                                         "RssAnon:\t 1 kB\n")
                           << qint64(51234) * 1024;
    QTest::newRow("last line without newline")
        << QByteArray("Name:\tx\nVmRSS:\t12 kB") << qint64(12) * 1024;
    QTest::newRow("missing") << QByteArray("Name:\tx\nVmHWM:\t12 kB\n") << qint64(-1);
    QTest::newRow("not a number") << QByteArray("VmRSS:\tlots kB\n") << qint64(-1);
    QTest::newRow("other unit") << QByteArray("VmRSS:\t12 MB\n") << qint64(-1);
}

void TestBenchSupport::vmRssFromProcStatus() {
    QFETCH(QByteArray, status);
    QFETCH(qint64, bytes);
    const auto rss = bench::vmRssBytes(status);
    QCOMPARE(rss.value_or(-1), bytes);
}

void TestBenchSupport::rssFollowsAllocations() {
    const qint64 before = bench::currentRssBytes();
    constexpr qint64 size = qint64(64) * 1024 * 1024;
    QByteArray block(size, '\x5a'); // written, so the pages are resident
    const qint64 after = bench::currentRssBytes();
    QVERIFY2(after - before >= size * 9 / 10,
             qPrintable(QStringLiteral("RSS rose by %1").arg(after - before)));
    QCOMPARE(block.at(size - 1), '\x5a');
}

void TestBenchSupport::heapFollowsAllocations() {
#if defined(__SANITIZE_ADDRESS__)
    QSKIP("the address sanitizer's allocator keeps books that mallinfo2 does not see");
#endif
    const qint64 before = bench::currentHeapBytes();
    constexpr qint64 size = qint64(8) * 1024 * 1024;
    auto small = std::make_unique<QByteArray>(size, '\x01'); // a block of its own
    QList<QByteArray> many(1000, QByteArray(1000, '\x02'));  // from the arena
    for (QByteArray& b : many)
        b.detach();
    const qint64 after = bench::currentHeapBytes();
    QVERIFY2(after - before >= size + 1000 * 1000,
             qPrintable(QStringLiteral("heap rose by %1").arg(after - before)));
    small.reset();
    many.clear();
    QVERIFY2(
        bench::currentHeapBytes() < after - size,
        qPrintable(QStringLiteral("heap still %1 after freeing").arg(bench::currentHeapBytes())));
}

QTEST_GUILESS_MAIN(TestBenchSupport)
#include "tst_benchsupport.moc"
