// Save Loop As and Copy View on the real main window under a real X server, against the screen.
#include "AppHarness.h"

#include "app/StatusPanel.h"
#include "support/XSession.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDeadlineTimer>
#include <QImageReader>
#include <QMenu>
#include <QScreen>
#include <QScrollBar>
#include <QStandardPaths>
#include <QtTest>

using namespace pluvix;
using namespace Qt::StringLiterals;

namespace {

// The map area above the panel as the X server holds it.
QImage screenMap(app::MainWindow& w) {
    w.repaint();
    QTest::qWait(100);
    return w.screen()->grabWindow(w.winId(), 0, 0, w.width(), w.statusPanel()->y()).toImage();
}

QImage rgb(const QImage& image) {
    return image.convertToFormat(QImage::Format_RGB32);
}

QByteArray run(const QString& program, const QStringList& args) {
    QProcess process; // the clipboard's owner is this process: it must keep answering
    process.start(program, args);
    for (QDeadlineTimer end(30000); process.state() != QProcess::NotRunning && !end.hasExpired();)
        QTest::qWait(20);
    return process.readAllStandardOutput();
}

} // namespace

class TestViewExport : public QObject {
    Q_OBJECT
public:
    explicit TestViewExport(testsupport::XSession& session) : x(session) {}

private:
    testsupport::XSession& x;

private slots:
    // As many frames as the loop plays (5 a second, the newest 4 ticks longer), each as the
    // screen showed it, rings included; errors in the box. The screen is left as it was: a
    // copy of the view afterwards, read back here and by another X client, is what it showed.
    void savedLoopAndCopiedViewAreTheScreen_data() {
        QTest::addColumn<QString>("loopLength");
        QTest::addColumn<bool>("undecodable"); // the fourth picture
        QTest::addColumn<QString>("file");     // empty: the dialog is cancelled
        QTest::addColumn<QString>("hundredths");
        QTest::addColumn<QStringList>("box");
        const QString ten = u"20,20,20,20,20,20,20,20,20,100,"_s;
        const QString saveLoop = u"form1.mnuSaveLoop_Click"_s;
        QTest::newRow("ten") << u"20"_s << false << u"l.gif"_s << ten << QStringList();
        QTest::newRow("five back")
            << u"5"_s << false << u"l.gif"_s << u"20,20,20,20,20,100,"_s << QStringList();
        QTest::newRow("undecodable left out")
            << u"20"_s << true << u"l.gif"_s << ten.mid(3)
            << QStringList{u"481"_s, testsupport::tenImageNamesUpTo(10, 0)[3], saveLoop};
        QTest::newRow("unwritable") << u"20"_s << false << u"no/l.gif"_s << QString()
                                    << QStringList{u"75"_s, u"no/l.gif"_s, saveLoop};
        QTest::newRow("cancelled") << u"20"_s << false << QString() << QString() << QStringList();
    }
    void savedLoopAndCopiedViewAreTheScreen() {
        QFETCH(QString, loopLength);
        QFETCH(bool, undecodable);
        QFETCH(QString, file);
        QFETCH(QString, hundredths);
        QFETCH(QStringList, box);
        if (!x.isRunning())
            QSKIP(qPrintable(x.problem()));
        testsupport::AppHarness h;
        testsupport::FakeDownloadService fake;
        const QString folder = h.folderUrl();
        const QStringList names = testsupport::tenImageNamesUpTo(10, 0);
        h.useFakeFolder(fake, folder, names);
        for (int i = 0; i < 10; ++i)
            fake.serve(QUrl(folder + names[i]), undecodable && i == 3
                                                    ? testsupport::undecodableGif()
                                                    : testsupport::makeRadarGif(600, 550, i));
        h.set(u"HistoryImageCount"_s, loopLength);
        h.set(u"BullsEyeX"_s, u"0.4"_s); // the rings in view
        h.set(u"BullsEyeY"_s, u"0.4"_s);
        auto& w = h.loadStill();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        const int first = 11 - int(hundredths.count(u',')) - (undecodable ? 1 : 0);
        QList<QImage> shown; // the loop's first and last pictures, then the one left on screen
        for (int position : {first, 10, first + 1}) {
            w.statusPanel()->historySlider()->setValue(position);
            shown.append(screenMap(w));
        }

        QTemporaryDir out;
        h.fileDialogs.answers = {file.isEmpty() ? std::nullopt : std::optional(out.filePath(file))};
        // Right after "Save Series" in the image menu.
        const QList<QAction*> items = w.imageMenu()->actions();
        const qsizetype series = items.indexOf(w.action(u"mnuSaveSeriesMap"_s));
        QCOMPARE(items.mid(series + 1, 2),
                 (QList<QAction*>{w.action(u"mnuSaveLoop"_s), w.action(u"mnuCopyView"_s)}));
        items[series + 1]->trigger();
        QCOMPARE(h.boxes.shown.size(), box.isEmpty() ? 0 : 1);
        QVERIFY(box.isEmpty() || h.boxes.shown[0].mentions(box));
        QVERIFY(w.statusPanel()->historySlider()->isEnabled());
        items[series + 2]->trigger();
        QCOMPARE(rgb(QGuiApplication::clipboard()->image()), rgb(shown[2]));
        QCOMPARE(rgb(screenMap(w)), rgb(shown[2]));
        const QStringList xclip{u"-sel"_s, u"c"_s, u"-t"_s, u"image/png"_s, u"-o"_s};
        if (!QStandardPaths::findExecutable(u"xclip"_s).isEmpty())
            QCOMPARE(rgb(QImage::fromData(run(u"xclip"_s, xclip))), rgb(shown[2]));

        QCOMPARE(run(u"identify"_s, {u"-format"_s, u"%T,"_s, out.filePath(file)}),
                 hundredths.toLatin1());
        QImageReader reader(out.filePath(file));
        QCOMPARE(rgb(reader.read()), hundredths.isEmpty() ? QImage() : rgb(shown[0]));
        QImage last;
        while (reader.canRead())
            last = reader.read();
        QCOMPARE(rgb(last), hundredths.isEmpty() ? QImage() : rgb(shown[1]));
    }
};

PLUVIX_XSESSION_TEST_MAIN(TestViewExport, testsupport::XSession::Options{true, false})
#include "tst_viewexport.moc"
