#include "desktop/TrayController.h"
#include "desktop/TrayIcon.h"
#include "support/FakeTrayIcon.h"

#include <QMenu>
#include <QTest>
#include <QWidget>

using namespace pluvix::desktop;
using namespace pluvix::testsupport;
using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(pluvix::desktop::TrayHost)
Q_DECLARE_METATYPE(pluvix::desktop::TrayClick)

class TrayControllerTest : public QObject {
    Q_OBJECT

    std::unique_ptr<QWidget> window;
    FakeTrayIcon* tray = nullptr;
    std::unique_ptr<FakeTrayIcon> trayOwner;
    QList<bool> states;

    std::unique_ptr<TrayController> controller() {
        auto c = std::make_unique<TrayController>(*tray, *window, u"Pluvix"_s);
        c->setTrayStateChanged([this](bool inTray) { states.append(inTray); });
        return c;
    }

private slots:
    void init() {
        window = std::make_unique<QWidget>();
        window->resize(200, 150);
        window->show();
        trayOwner = std::make_unique<FakeTrayIcon>();
        tray = trayOwner.get();
        states.clear();
    }

    void minimizeSetting_data() {
        QTest::addColumn<TrayHost>("host");
        QTest::addColumn<int>("setting");
        QTest::addColumn<bool>("toTray");
        QTest::newRow("tray wanted and present") << TrayHost::XEmbed << 1 << true;
        QTest::newRow("status notifier host") << TrayHost::StatusNotifier << 1 << true;
        QTest::newRow("tray not wanted") << TrayHost::XEmbed << 0 << false;
        QTest::newRow("other setting value") << TrayHost::XEmbed << 2 << false;
        // Hiding without an icon would leave no way back to the window.
        QTest::newRow("no tray at all") << TrayHost::None << 1 << false;
    }
    void minimizeSetting() {
        QFETCH(TrayHost, host);
        QFETCH(int, setting);
        QFETCH(bool, toTray);
        tray->fakeHost = host;
        auto c = controller();
        window->showMinimized();
        QCOMPARE(c->handleMinimized(setting), toTray);
        QCOMPARE(window->isVisible(), !toTray);
        QCOMPARE(tray->isShown(), toTray);
        QCOMPARE(c->isInTray(), toTray);
        QCOMPARE(states, toTray ? QList<bool>{true} : QList<bool>{});
        if (!toTray)
            QVERIFY(window->isMinimized());
    }

    void oneIconWithTheTip() {
        auto c = controller();
        QVERIFY(c->minimizeToTray());
        QVERIFY(c->minimizeToTray());
        QCOMPARE(tray->showCalls, 1);
        QCOMPARE(tray->tip, u"Cirrusworks Pluvix"_s);
        QCOMPARE(states, QList<bool>{true});
    }

    void tipIsCut() {
        QCOMPARE(trayTip(u"Pluvix"_s), u"Cirrusworks Pluvix"_s);
        const QString tip = trayTip(QString(80, u'x'));
        QCOMPARE(tip.size(), 63);
        QVERIFY(tip.startsWith(u"Cirrusworks xxx"_s));
    }

    // XEmbed restores on a double click only; StatusNotifier hosts report their activation
    // as a single click and never a double one.
    void clicks_data() {
        QTest::addColumn<TrayHost>("host");
        QTest::addColumn<TrayClick>("click");
        QTest::addColumn<bool>("restores");
        QTest::newRow("xembed single") << TrayHost::XEmbed << TrayClick::Single << false;
        QTest::newRow("xembed double") << TrayHost::XEmbed << TrayClick::Double << true;
        QTest::newRow("xembed right") << TrayHost::XEmbed << TrayClick::Context << false;
        QTest::newRow("xembed middle") << TrayHost::XEmbed << TrayClick::Middle << false;
        QTest::newRow("sni activate") << TrayHost::StatusNotifier << TrayClick::Single << true;
        QTest::newRow("sni context") << TrayHost::StatusNotifier << TrayClick::Context << false;
    }
    void clicks() {
        QFETCH(TrayHost, host);
        QFETCH(TrayClick, click);
        QFETCH(bool, restores);
        tray->fakeHost = host;
        auto c = controller();
        window->showMinimized();
        QVERIFY(c->minimizeToTray());
        tray->click(click);
        QCOMPARE(window->isVisible(), restores);
        QCOMPARE(tray->isShown(), !restores);
        if (restores) {
            QVERIFY(!window->isMinimized());
            QCOMPARE(states, (QList<bool>{true, false}));
        }
    }
};

QTEST_MAIN(TrayControllerTest)
#include "tst_traycontroller.moc"
