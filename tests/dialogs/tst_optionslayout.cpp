#include "dialogs/OptionsDialog.h"

#include "FakeOptionsHost.h"
#include "support/FakePlatform.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QtTest>

using namespace pluvix;

// Renders both tabs and checks that nothing is clipped or stacked; the pictures are kept
// beside the test for a look by eye.
class TestOptionsLayout : public QObject {
    Q_OBJECT

    testsupport::FakeOptionsHost host;
    testsupport::RecordingErrorSink errors;
    testsupport::FakeMessageBoxes boxes;
    testsupport::FakeProgramEnd programEnd;

    static QString shotDir() {
        const QString dir = QCoreApplication::applicationDirPath() + QStringLiteral("/screenshots");
        QDir().mkpath(dir);
        return dir;
    }

    // Captions must fit the rectangle they are drawn in.
    static void checkNotClipped(const QWidget* w) {
        if (qobject_cast<const QLabel*>(w) == nullptr &&
            qobject_cast<const QAbstractButton*>(w) == nullptr)
            return;
        const QSize hint = w->sizeHint();
        const QString name = w->objectName();
        QVERIFY2(hint.width() <= w->width(), qPrintable(name + QStringLiteral(" is too narrow")));
        QVERIFY2(hint.height() <= w->height(), qPrintable(name + QStringLiteral(" is too low")));
    }

    // The widget shows something other than the page colour inside its rectangle.
    static bool hasInk(const QImage& shot, const QRect& r, QRgb background) {
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right(); ++x)
                if (shot.pixel(x, y) != background)
                    return true;
        return false;
    }

private slots:
    void tabsAreTidy() {
        dialogs::OptionsDialog dialog(host, errors, boxes, programEnd);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        const qreal dpr = dialog.devicePixelRatio();
        const QString suffix = QStringLiteral("@%1x.png").arg(dpr);
        auto* tabs = dialog.findChild<QTabWidget*>(QStringLiteral("TabStrip1"));
        QVERIFY(tabs != nullptr);

        for (int t = 0; t < tabs->count(); ++t) {
            tabs->setCurrentIndex(t);
            QWidget* page = tabs->widget(t);
            const QPixmap shot = dialog.grab();
            QCOMPARE(shot.devicePixelRatio(), dpr);
            QCOMPARE(shot.size(), dialog.size() * dpr);
            QVERIFY(shot.save(shotDir() + u'/' + page->objectName() + suffix));

            const QImage pageShot = page->grab().toImage();
            const QRgb background = pageShot.pixel(pageShot.width() - 2, pageShot.height() - 2);
            const QList<QWidget*> controls =
                page->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
            QVERIFY(controls.size() >= 11);
            for (int i = 0; i < controls.size(); ++i) {
                const QWidget* a = controls[i];
                checkNotClipped(a);
                QVERIFY2(page->rect().contains(a->geometry()),
                         qPrintable(a->objectName() + QStringLiteral(" leaves its page")));
                for (int j = i + 1; j < controls.size(); ++j)
                    QVERIFY2(!a->geometry().intersects(controls[j]->geometry()),
                             qPrintable(a->objectName() + QStringLiteral(" overlaps ") +
                                        controls[j]->objectName()));
                if (qobject_cast<const QLabel*>(a) != nullptr) {
                    const QRect device(a->geometry().topLeft() * dpr, a->size() * dpr);
                    QVERIFY2(hasInk(pageShot, device, background),
                             qPrintable(a->objectName() + QStringLiteral(" shows nothing")));
                }
            }
        }

        const QList<QPushButton*> buttons = dialog.findChildren<QPushButton*>();
        QCOMPARE(buttons.size(), 5);
        for (int i = 0; i < buttons.size(); ++i) {
            checkNotClipped(buttons[i]);
            for (int j = i + 1; j < buttons.size(); ++j)
                QVERIFY(!buttons[i]->geometry().intersects(buttons[j]->geometry()));
        }
        QVERIFY(dialog.rect().contains(tabs->geometry()));
    }
};

QTEST_MAIN(TestOptionsLayout)
#include "tst_optionslayout.moc"
