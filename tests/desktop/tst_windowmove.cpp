#include "desktop/WindowChrome.h"

#include <QMouseEvent>
#include <QTest>
#include <QWidget>

using namespace pluvix::desktop;

namespace {

void sendMouse(QWidget* target, QEvent::Type type, QPoint global, Qt::MouseButtons buttons) {
    const QPoint local = target->mapFromGlobal(global);
    QMouseEvent event(type, QPointF(local), QPointF(global),
                      type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, buttons,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(target, &event);
}

} // namespace

// Where the window system cannot move windows itself, the window follows the mouse.
class WindowMoveTest : public QObject {
    Q_OBJECT

private slots:
    void followsTheMouseUntilRelease() {
        QWidget window;
        auto* map = new QWidget(&window);
        map->setGeometry(0, 0, 200, 150);
        window.setGeometry(100, 100, 200, 150);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const QPoint start = window.pos();

        QVERIFY(!startWindowMove(map, QPoint(150, 150)));
        sendMouse(map, QEvent::MouseMove, QPoint(190, 170), Qt::LeftButton);
        QCOMPARE(window.pos(), start + QPoint(40, 20));
        sendMouse(map, QEvent::MouseMove, QPoint(130, 140), Qt::LeftButton);
        QCOMPARE(window.pos(), start + QPoint(-20, -10));
        sendMouse(map, QEvent::MouseButtonRelease, QPoint(130, 140), Qt::NoButton);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

        const QPoint released = window.pos();
        sendMouse(map, QEvent::MouseMove, QPoint(400, 400), Qt::LeftButton);
        QCOMPARE(window.pos(), released);
    }

    // The window may be handed over instead of the pressed widget.
    void givenTheWindowFollowsItsChildren() {
        QWidget window;
        auto* map = new QWidget(&window);
        map->setGeometry(0, 0, 200, 150);
        window.setGeometry(100, 100, 200, 150);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const QPoint start = window.pos();
        QWidget other;
        other.show();

        QVERIFY(!startWindowMove(&window, QPoint(150, 150)));
        sendMouse(&other, QEvent::MouseMove, QPoint(500, 500), Qt::LeftButton);
        QCOMPARE(window.pos(), start);
        sendMouse(map, QEvent::MouseMove, QPoint(160, 175), Qt::LeftButton);
        QCOMPARE(window.pos(), start + QPoint(10, 25));
        sendMouse(map, QEvent::MouseButtonRelease, QPoint(160, 175), Qt::NoButton);
    }

    // A release that went elsewhere shows as a move without buttons: stop following.
    void lostReleaseStopsFollowing() {
        QWidget window;
        auto* map = new QWidget(&window);
        window.setGeometry(100, 100, 200, 150);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QVERIFY(!startWindowMove(map, QPoint(150, 150)));
        sendMouse(map, QEvent::MouseMove, QPoint(160, 150), Qt::NoButton);
        const QPoint after = window.pos();
        sendMouse(map, QEvent::MouseMove, QPoint(300, 300), Qt::LeftButton);
        QCOMPARE(window.pos(), after);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(map->findChildren<ManualWindowMove*>().size(), 0);
    }
};

QTEST_MAIN(WindowMoveTest)
#include "tst_windowmove.moc"
