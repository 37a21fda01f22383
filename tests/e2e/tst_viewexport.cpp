// Save Loop As and Copy View on the real main window under a real X server: what is written and
// copied against what the screen shows.
#include "AppHarness.h"

#include "app/StatusPanel.h"
#include "support/XSession.h"
#include "view/ClockWidget.h"
#include "view/MapView.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QImageReader>
#include <QLabel>
#include <QProcess>
#include <QScreen>
#include <QScrollBar>
#include <QStandardPaths>
#include <QtTest>

#include <algorithm>

using namespace pluvix;
using testsupport::AppHarness;
using testsupport::XSession;
using namespace Qt::StringLiterals;

namespace {

const QString kFolder = u"http://radar.test/radar/images/DS.p37cr/SI.kmlb/"_s;

// Whole GIF blocks around compressed data that does not decode.
const QByteArray kUndecodableGif =
    QByteArray::fromHex("47494638396101000100800000000000ffffff2c0000000001000100000202ffff003b");

// The map area above the panel as the X server holds it.
QImage screenMap(app::MainWindow& w) {
    w.mapView()->repaint();
    QTest::qWait(100);
    return w.screen()
        ->grabWindow(w.winId(), 0, 0, w.width(), w.statusPanel()->y())
        .toImage()
        .convertToFormat(QImage::Format_RGB32);
}

// Pixels that differ by more than the GIF's colour reduction may, outside the widgets that lie
// over the map.
int mismatches(const QImage& got, const QImage& screen, app::MainWindow& w) {
    if (got.size() != screen.size())
        return -1;
    const QImage rgb = got.convertToFormat(QImage::Format_RGB32);
    int n = 0;
    for (int y = 0; y < rgb.height(); ++y)
        for (int x = 0; x < rgb.width(); ++x) {
            const QPoint at(x, y);
            if (std::any_of(w.children().begin(), w.children().end(), [&](QObject* o) {
                    auto* child = qobject_cast<QWidget*>(o);
                    return child && child != w.mapView() && child->isVisible() &&
                           child->geometry().contains(at);
                }))
                continue;
            const QRgb a = rgb.pixel(at), b = screen.pixel(at);
            if (std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) +
                    std::abs(qBlue(a) - qBlue(b)) >
                24)
                ++n;
        }
    return n;
}

} // namespace

class TestViewExport : public QObject {
    Q_OBJECT
public:
    explicit TestViewExport(XSession& session) : x(session) {}

private:
    XSession& x;
    std::unique_ptr<AppHarness> h;
    std::unique_ptr<testsupport::FakeDownloadService> fake;

    // Ten pictures up to 10:00, the fourth undecodable when asked.
    app::MainWindow& start(const QString& loopLength, bool undecodable) {
        h = std::make_unique<AppHarness>();
        fake = std::make_unique<testsupport::FakeDownloadService>();
        const QStringList names = testsupport::tenImageNamesUpTo(10, 0);
        h->useFakeFolder(*fake, kFolder, names);
        for (int i = 0; i < 10; ++i)
            fake->serve(QUrl(kFolder + names[i]), undecodable && i == 3
                                                      ? kUndecodableGif
                                                      : testsupport::makeRadarGif(600, 550, i));
        h->set(u"HistoryImageCount"_s, loopLength);
        h->set(u"BullsEyeX"_s, u"0.4"_s); // the rings' centre in view
        h->set(u"BullsEyeY"_s, u"0.4"_s);
        auto& w = h->loadStill();
        w.show();
        [&] { QVERIFY(QTest::qWaitForWindowExposed(&w)); }();
        return w;
    }

private slots:
    void init() {
        if (!x.isRunning())
            QSKIP(qPrintable(x.problem()));
    }
    void cleanup() {
        h.reset();
        fake.reset();
    }

    // As many frames as the loop plays, at its speed (5 a second) with its delay (4 ticks)
    // on the newest; the first as the screen showed it. Errors in the box, no file after them.
    void savedLoopIsWhatTheLoopPlays_data() {
        QTest::addColumn<QString>("loopLength");
        QTest::addColumn<bool>("undecodable");
        QTest::addColumn<QString>("file"); // empty: the dialog is cancelled
        QTest::addColumn<QString>("hundredths");
        QTest::addColumn<QStringList>("box");
        const QString ten = u"20,20,20,20,20,20,20,20,20,100,"_s;
        QTest::newRow("all ten") << u"20"_s << false << u"loop.gif"_s << ten << QStringList();
        QTest::newRow("five back")
            << u"5"_s << false << u"loop.gif"_s << u"20,20,20,20,20,100,"_s << QStringList();
        QTest::newRow("undecodable left out")
            << u"20"_s << true << u"loop.gif"_s << ten.mid(3)
            << QStringList{u"481"_s, testsupport::tenImageNamesUpTo(10, 0)[3],
                           u"form1.mnuSaveLoop_Click"_s};
        QTest::newRow("unwritable")
            << u"20"_s << false << u"missing/loop.gif"_s << QString()
            << QStringList{u"75"_s, u"missing/loop.gif"_s, u"form1.mnuSaveLoop_Click"_s};
        QTest::newRow("cancelled") << u"20"_s << false << QString() << QString() << QStringList();
    }
    void savedLoopIsWhatTheLoopPlays() {
        QFETCH(QString, loopLength);
        QFETCH(bool, undecodable);
        QFETCH(QString, file);
        QFETCH(QString, hundredths);
        QFETCH(QStringList, box);
        auto& w = start(loopLength, undecodable);
        const int first = 11 - hundredths.count(u',') - (undecodable ? 1 : 0);
        // The loop's first and last pictures as the screen shows them; then the second stays.
        w.statusPanel()->historySlider()->setValue(first);
        const QImage firstShown = screenMap(w);
        w.statusPanel()->historySlider()->setValue(10);
        const QImage lastShown = screenMap(w);
        w.statusPanel()->historySlider()->setValue(first + 1);
        const QImage onScreen = w.mapView()->grab().toImage();

        QTemporaryDir out;
        if (!file.isEmpty())
            h->fileDialogs.answers = {out.filePath(file)};
        w.action(u"mnuSaveLoop"_s)->trigger();
        QCOMPARE(h->fileDialogs.requests.size(), 1);
        QCOMPARE(h->boxes.shown.size(), box.isEmpty() ? 0 : 1);
        for (const QString& part : box)
            QVERIFY2(h->boxes.shown[0].text.contains(part), qPrintable(h->boxes.shown[0].text));
        QCOMPARE(w.mapView()->grab().toImage(), onScreen);
        QVERIFY(w.statusPanel()->historySlider()->isEnabled());
        if (hundredths.isEmpty()) {
            QVERIFY(QDir(out.path()).isEmpty());
            return;
        }
        const QString path = out.filePath(file);
        const QString identify = QStandardPaths::findExecutable(u"identify"_s);
        if (identify.isEmpty())
            QSKIP("ImageMagick's identify is missing");
        QProcess tool;
        tool.start(identify, {u"-format"_s, u"%T,"_s, path});
        QVERIFY(tool.waitForFinished(30000));
        QCOMPARE(QString::fromLatin1(tool.readAllStandardOutput()), hundredths);
        QImageReader reader(path);
        QCOMPARE(mismatches(reader.read(), firstShown, w), 0);
        QImage last;
        while (reader.canRead())
            last = reader.read();
        QCOMPARE(mismatches(last, lastShown, w), 0);
    }

    // The view as shown, read back in this process and, with xclip, by another X client.
    void copiedViewIsTheScreen() {
        auto& w = start(u"20"_s, false);
        w.statusPanel()->historySlider()->setValue(4);
        const QImage shown = screenMap(w);
        w.action(u"mnuCopyView"_s)->trigger();
        QVERIFY(h->boxes.shown.isEmpty());
        const QImage copied = QGuiApplication::clipboard()->image();
        QCOMPARE(mismatches(copied, shown, w), 0);

        if (QStandardPaths::findExecutable(u"xclip"_s).isEmpty())
            QSKIP("xclip is missing");
        QProcess xclip; // this process answers its request, so it must not block here
        xclip.start(u"xclip"_s,
                    {u"-selection"_s, u"clipboard"_s, u"-t"_s, u"image/png"_s, u"-o"_s});
        QTRY_VERIFY_WITH_TIMEOUT(xclip.state() == QProcess::NotRunning, 10000);
        QCOMPARE(QImage::fromData(xclip.readAllStandardOutput(), "PNG")
                     .convertToFormat(QImage::Format_RGB32),
                 copied.convertToFormat(QImage::Format_RGB32));
    }
};

PLUVIX_XSESSION_TEST_MAIN(TestViewExport, XSession::Options{true, false})
#include "tst_viewexport.moc"
