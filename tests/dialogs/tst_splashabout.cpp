#include "dialogs/AboutBox.h"
#include "dialogs/SplashScreen.h"
#include "dialogs/VersionText.h"
#include "dialogs/WindowPlacement.h"

#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

using namespace pluvix;
using dialogs::AboutBox;
using dialogs::SplashScreen;

namespace {

QString labelText(const QWidget& w, const char* name) {
    const auto* label = w.findChild<QLabel*>(QLatin1String(name));
    return label != nullptr ? label->text()
                            : QStringLiteral("<missing %1>").arg(QLatin1String(name));
}

} // namespace

class TestSplashAbout : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { SplashScreen::restoreCursor(); }

    void versionText_data() {
        QTest::addColumn<int>("major");
        QTest::addColumn<int>("minor");
        QTest::addColumn<int>("revision");
        QTest::addColumn<QString>("expected");
        QTest::newRow("this release") << 3 << 0 << 868 << QStringLiteral("Version 3.0.868");
        QTest::newRow("no padding") << 10 << 2 << 5 << QStringLiteral("Version 10.2.5");
    }
    void versionText() {
        QFETCH(int, major);
        QFETCH(int, minor);
        QFETCH(int, revision);
        QFETCH(QString, expected);
        QCOMPARE(dialogs::versionText(major, minor, revision), expected);
    }

    void centring_data() {
        QTest::addColumn<QRect>("screen");
        QTest::addColumn<QSize>("window");
        QTest::addColumn<QPoint>("expected");
        QTest::newRow("fits") << QRect(0, 0, 1024, 768) << QSize(400, 300) << QPoint(312, 234);
        QTest::newRow("screen smaller")
            << QRect(0, 0, 300, 200) << QSize(400, 300) << QPoint(-50, -50);
        QTest::newRow("second screen")
            << QRect(1920, 0, 1280, 1024) << QSize(480, 24) << QPoint(2320, 500);
    }
    void centring() {
        QFETCH(QRect, screen);
        QFETCH(QSize, window);
        QFETCH(QPoint, expected);
        QCOMPARE(dialogs::centredTopLeft(screen, window), expected);
    }

    void splashLoadRunsItsSteps() {
        SplashScreen splash;
        QCOMPARE(labelText(splash, "lblVersion"), QStringLiteral("Version 3.0.8"));
        QCOMPARE(splash.progressBar()->maximum(), 10);
        const QRect screen(0, 0, 200, 100); // smaller than the splash
        int calls = 0;
        splash.load(
            [&] {
                ++calls;
                // The main window's start-up runs with the splash up and the hourglass on.
                QVERIFY(splash.isVisible());
                QVERIFY(QGuiApplication::overrideCursor() != nullptr);
                QCOMPARE(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
                QCOMPARE(labelText(splash, "lblVersion"), QStringLiteral("Version 3.0.868"));
            },
            screen);
        QCOMPARE(calls, 1);
        QCOMPARE(splash.pos(), dialogs::centredTopLeft(screen, splash.size()));
        QVERIFY(splash.x() < 0 && splash.y() < 0);
        QCOMPARE(labelText(splash, "labDate"), QStringLiteral("19 JUN 05"));
        SplashScreen::restoreCursor();
        QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
    }

    void keyClosesSplashAndLaterCloseIsHarmless() {
        SplashScreen splash;
        splash.load(
            [&] {
                QTest::keyClick(&splash, Qt::Key_Space);
                QVERIFY(!splash.isVisible());
            },
            QRect(0, 0, 1024, 768));
        QVERIFY(!splash.isLoaded());
        splash.setProgressValue(7); // the history load may still report
        splash.closeSplash();
        QVERIFY(!splash.isVisible());
        QVERIFY(!splash.isLoaded());
    }

    void aboutLoad() {
        AboutBox box(QStringLiteral("Pluvix2"));
        QCOMPARE(box.windowTitle(), QStringLiteral("Cirrusworks Pluvix"));
        QCOMPARE(labelText(box, "lblVersion"), QStringLiteral("Version  3.0.8  -  19 June 2005"));
        const QRect screen(100, 50, 1000, 800);
        box.load(screen);
        QCOMPARE(box.windowTitle(), QStringLiteral("Cirrusworks Pluvix2"));
        QCOMPARE(labelText(box, "lblVersion"), QStringLiteral("Version 3.0.868"));
        QCOMPARE(box.pos(), dialogs::centredTopLeft(screen, box.size()));
        QVERIFY(labelText(box, "Label3").contains(QStringLiteral("private use")));
    }

    void aboutShownModallyClosesWithOk() {
        QString seenTitle;
        bool clicked = false;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<AboutBox*>(QApplication::activeModalWidget());
            if (box == nullptr)
                return;
            seenTitle = box->windowTitle();
            auto* ok = box->findChild<QPushButton*>(QStringLiteral("cmdOK"));
            if (ok != nullptr) {
                ok->click();
                clicked = true;
            }
        });
        // Whatever happens above, the modal loop must not outlive the test.
        QTimer guard;
        guard.setSingleShot(true);
        connect(&guard, &QTimer::timeout, [] {
            if (QWidget* w = QApplication::activeModalWidget())
                w->close();
        });
        guard.start(5000);
        AboutBox::showModal(QStringLiteral("Pluvix"));
        QVERIFY(clicked);
        QCOMPARE(seenTitle, QStringLiteral("Cirrusworks Pluvix"));
    }
};

QTEST_MAIN(TestSplashAbout)
#include "tst_splashabout.moc"
