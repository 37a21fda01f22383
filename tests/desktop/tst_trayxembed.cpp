#include "desktop/TrayController.h"
#include "desktop/TrayIcon.h"
#include "support/XSession.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QTest>
#include <QWidget>

using namespace pluvix::desktop;
using namespace pluvix::testsupport;
using namespace Qt::StringLiterals;

// A real XEmbed tray (trayer) under a private X server; clicks come from the X server itself.
class TrayXEmbedTest : public QObject {
    Q_OBJECT

public:
    explicit TrayXEmbedTest(XSession& session) : x(session) {}

private:
    XSession& x;
    std::unique_ptr<QWidget> window;
    std::unique_ptr<SystemTrayIcon> tray;
    std::unique_ptr<TrayController> controller;
    std::unique_ptr<QMenu> mnuFile;

    void clickIcon(const QString& button, int repeat) {
        const QPoint centre = tray->geometry().center();
        QVERIFY(x.runClient(u"xdotool"_s, {u"mousemove"_s, QString::number(centre.x()),
                                           QString::number(centre.y())}));
        QTest::qWait(100);
        QVERIFY(x.runClient(u"xdotool"_s, {u"click"_s, u"--repeat"_s, QString::number(repeat),
                                           u"--delay"_s, u"60"_s, button}));
    }

    void goToTray() {
        window->showMinimized();
        QVERIFY(controller->minimizeToTray());
        QVERIFY(!window->isVisible());
        // Embedded and mapped by the tray.
        QTRY_VERIFY_WITH_TIMEOUT(tray->geometry().width() > 0 && tray->geometry().x() >= 0, 10000);
        QTest::qWait(300);
    }

private slots:
    void init() {
        if (!x.isRunning())
            QSKIP(qPrintable(x.problem()));
        window = std::make_unique<QWidget>();
        window->setWindowTitle(u"tray test"_s);
        window->resize(300, 200);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        tray = std::make_unique<SystemTrayIcon>();
        controller = std::make_unique<TrayController>(*tray, *window, u"Pluvix"_s);
        QPixmap pixmap(22, 22);
        pixmap.fill(Qt::blue);
        controller->setIcon(QIcon(pixmap));
        mnuFile = std::make_unique<QMenu>();
        mnuFile->setObjectName(u"mnuFile"_s);
        QAction* show = mnuFile->addAction(u"Show Pluvix"_s);
        show->setObjectName(u"mnuShowPluvix"_s);
        mnuFile->addAction(u"Options"_s)->setObjectName(u"mnuOptions"_s);
        QObject::connect(show, &QAction::triggered, [this] { controller->restore(); });
        controller->setMenu(mnuFile.get());
        QTRY_VERIFY_WITH_TIMEOUT(QSystemTrayIcon::isSystemTrayAvailable(), 10000);
    }
    void cleanup() {
        if (controller)
            controller->shutdown();
        controller.reset();
        tray.reset();
        mnuFile.reset();
        window.reset();
    }

    void hostIsXEmbed() { QCOMPARE(tray->host(), TrayHost::XEmbed); }

    void singleClickDoesNothingDoubleClickRestores() {
        goToTray();
        clickIcon(u"1"_s, 1);
        QTest::qWait(QApplication::doubleClickInterval() + 300);
        QVERIFY(!window->isVisible());
        QVERIFY(tray->isShown());

        clickIcon(u"1"_s, 2);
        QTRY_VERIFY_WITH_TIMEOUT(window->isVisible(), 5000);
        QVERIFY(!window->isMinimized());
        QVERIFY(!tray->isShown());
    }

    void rightClickOffersTheMenu() {
        goToTray();
        clickIcon(u"3"_s, 1);
        QTRY_VERIFY_WITH_TIMEOUT(mnuFile->isVisible(), 5000);
        QCOMPARE(mnuFile->actions().size(), 2);
        QCOMPARE(mnuFile->actions()[0]->text(), u"Show Pluvix"_s);
        QCOMPARE(mnuFile->actions()[1]->text(), u"Options"_s);
        // Choosing "Show Pluvix" with the mouse brings the window back.
        const QRect item = mnuFile->actionGeometry(mnuFile->actions()[0]);
        const QPoint target = mnuFile->mapToGlobal(item.center());
        QVERIFY(x.runClient(u"xdotool"_s, {u"mousemove"_s, QString::number(target.x()),
                                           QString::number(target.y()), u"click"_s, u"1"_s}));
        QTRY_VERIFY_WITH_TIMEOUT(window->isVisible(), 5000);
        QVERIFY(!tray->isShown());
        QVERIFY(!mnuFile->isVisible());
    }
};

PLUVIX_XSESSION_TEST_MAIN(TrayXEmbedTest, {.windowManager = true, .tray = true})
#include "tst_trayxembed.moc"
