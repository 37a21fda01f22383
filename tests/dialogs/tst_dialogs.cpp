#include "dialogs/OptionsDialog.h"
#include "dialogs/OptionsHost.h"
#include "dialogs/SplashScreen.h"

#include "acquisition/FolderAddress.h"
#include "settings/MemorySettingsStore.h"
#include "settings/SettingsRecord.h"
#include "support/FakeOptionsHost.h"
#include "support/FakePlatform.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QtTest>

using namespace pluvix;
using namespace Qt::StringLiterals;
using dialogs::OptionsDialog;
using platform::MessageButton;

using Host = testsupport::FakeOptionsHost;

namespace {

QString address(const QString& product, const QString& station) {
    return acquisition::productSubstituted(acquisition::stationPrefix() + station + u'/', product);
}

} // namespace

class TestDialogs : public QObject {
    Q_OBJECT

    std::unique_ptr<Host> host;
    testsupport::RecordingErrorSink errors;
    testsupport::FakeMessageBoxes boxes;
    testsupport::FakeProgramEnd programEnd;

    std::unique_ptr<OptionsDialog> open() {
        return std::make_unique<OptionsDialog>(*host, errors, boxes, programEnd,
                                               QRect(0, 0, 1280, 1024));
    }
    template <class T = QComboBox> static T* child(QWidget& d, const char* name) {
        T* w = d.findChild<T*>(QLatin1String(name));
        return w != nullptr ? w : (qFatal("no child %s", name), nullptr);
    }

private slots:
    void init() {
        host = std::make_unique<Host>();
        errors = {};
        boxes = {};
        programEnd = {};
    }

    void loadShowsTheSettings_data() {
        QTest::addColumn<QString>("baseUrl");
        QTest::addColumn<QString>("station");
        QTest::newRow("shared code takes the first row")
            << address(u"p37cr"_s, u"kokx"_s) << u"NY New York City"_s;
        QTest::newRow("letter case ignored")
            << u"http://h/radar/images/ds.p37cr/si.KMLB/"_s << u"FL Melbourne"_s;
        QTest::newRow("unknown station") << address(u"p37cr"_s, u"kxyz"_s) << QString();
    }
    void loadShowsTheSettings() {
        QFETCH(QString, baseUrl);
        host->record.BaseURL = baseUrl;
        auto d = open();
        QTEST(child(*d, "Combo1")->currentText(), "station");
        QCOMPARE(d->windowTitle(), u" Options - Cirrusworks Pluvix"_s);
        QCOMPARE(child<QLineEdit>(*d, "Text1")->text(), u" .721"_s);
        QCOMPARE(host->calls.size(), 1); // the current view is saved first
    }

    // A new folder reads that view's record and reloads once, however often Apply is pressed.
    void newFolderReloadsOnce() {
        const QString expected = address(u"p37cr"_s, u"kokx"_s);
        auto d = open();
        child(*d, "Combo1")->setCurrentText(u"NY Upton"_s);
        child<QPushButton>(*d, "Command3")->click();
        child<QPushButton>(*d, "Command3")->click();
        QCOMPARE(host->record.BaseURL, expected);
        QCOMPARE(d->LoadedBaseURL(), expected);
        QCOMPARE(host->calls.mid(1),
                 (QStringList{u"Read SectionMap-p37cr-kokx"_s, u"ReFreshNewMap"_s}));
    }

    void mapScaleConstantsCorrectedOnLeaving_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("expected");
        QTest::newRow("above") << u"1.5"_s << u"0.99"_s;
        QTest::newRow("no number") << u"abc"_s << u"0.01"_s;
        QTest::newRow("beyond any number") << u"1e999"_s << u"0.99"_s;
    }
    void mapScaleConstantsCorrectedOnLeaving() {
        QFETCH(QString, typed);
        auto d = open();
        for (const char* name : {"Text1", "Text2"}) {
            auto* text = child<QLineEdit>(*d, name);
            text->setText(typed);
            QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
            QCoreApplication::sendEvent(text, &out);
            QTEST(text->text(), "expected");
        }
    }

    // Reset deletes the general settings only, then ends the program; Cancel changes nothing.
    void reset_data() {
        QTest::addColumn<MessageButton>("answer");
        QTest::newRow("ok") << MessageButton::Ok;
        QTest::newRow("cancel") << MessageButton::Cancel;
    }
    void reset() {
        QFETCH(MessageButton, answer);
        const auto stored = [&](const QString& section) {
            return host->store.GetSetting(u"Pluvix"_s, section, u"K"_s, u"gone"_s);
        };
        for (const QString& s : {u"SectionGeneral"_s, u"SectionPreset0"_s, u"SectionMap-x"_s})
            host->store.SaveSetting(u"Pluvix"_s, s, u"K"_s, u"kept"_s);
        boxes.answers = {answer};
        auto d = open();
        child<QPushButton>(*d, "Command2")->click();
        QCOMPARE(boxes.shown.size(), 1);
        QCOMPARE(boxes.shown[0].title, u"Pluvix Reset Settings"_s);
        QCOMPARE(boxes.shown[0].text,
                 u"You must re-start this application to realize the updated settings.\n"
                 "                                   Pluvix will now close."_s);
        const bool ok = answer == MessageButton::Ok;
        QCOMPARE(stored(u"SectionGeneral"_s), ok ? u"gone"_s : u"kept"_s);
        QCOMPARE(stored(u"SectionPreset0"_s) + stored(u"SectionMap-x"_s), u"keptkept"_s);
        QCOMPARE(programEnd.endCount, ok ? 1 : 0);
    }

    // A failing step is reported and stops the later ones; OK still closes.
    void failingStepStopsApply_data() {
        QTest::addColumn<QString>("mapTypeShort");
        QTest::addColumn<qint16>("playSpeed");
        QTest::addColumn<int>("number");
        QTest::newRow("no product chosen") << u"sat01"_s << qint16(5) << 9;
        QTest::newRow("loop speed reads 0") << u"p37cr"_s << qint16(0) << 11;
    }
    void failingStepStopsApply() {
        QFETCH(QString, mapTypeShort);
        QFETCH(qint16, playSpeed);
        QFETCH(int, number);
        host->record.MapTypeShort = mapTypeShort;
        host->record.PlaySpeed = playSpeed;
        auto d = open();
        child<QLineEdit>(*d, "Text1")->setText(u"0.5"_s);
        child<QPushButton>(*d, "cmdOK")->click();
        QCOMPARE(errors.reports.size(), 1);
        QCOMPARE(errors.reports[0].number, number);
        QCOMPARE(host->record.MapScaleShortRangeConstant, 0.721f);
        QCOMPARE(d->result(), int(QDialog::Accepted));
    }

    // Also run at twice the pixel density: nothing clipped, stacked, blank or off its page.
    void optionsTabsAreTidy() {
        OptionsDialog dialog(*host, errors, boxes, programEnd);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        auto* tabs = child<QTabWidget>(dialog, "TabStrip1");
        const auto buttons = dialog.findChildren<QPushButton*>();
        QList<QList<QWidget*>> groups{{buttons.begin(), buttons.end()}};
        for (int t = 0; t < tabs->count(); ++t) {
            tabs->setCurrentIndex(t);
            groups << tabs->widget(t)->findChildren<QWidget*>(QString(),
                                                              Qt::FindDirectChildrenOnly);
            QVERIFY(groups.last().size() >= 11);
        }
        for (const auto& group : groups) {
            for (qsizetype i = 0; i < group.size(); ++i) {
                const QWidget* a = group[i];
                const QString name = a->objectName();
                QVERIFY2(a->parentWidget()->rect().contains(a->geometry()), qPrintable(name));
                if (qobject_cast<const QLabel*>(a) || qobject_cast<const QAbstractButton*>(a))
                    QVERIFY2(a->sizeHint().width() <= a->width() &&
                                 a->sizeHint().height() <= a->height(),
                             qPrintable(name + u" is clipped"_s));
                const QImage look = const_cast<QWidget*>(a)->grab().toImage();
                QVERIFY2(look.copy(0, 0, 1, 1).scaled(look.size()) != look,
                         qPrintable(name + u" shows nothing"_s));
                for (qsizetype j = i + 1; j < group.size(); ++j)
                    QVERIFY2(!a->geometry().intersects(group[j]->geometry()),
                             qPrintable(name + u" overlaps "_s + group[j]->objectName()));
            }
        }
    }

    // The start-up runs under the splash with the hourglass on; a key may close it early.
    void splashCoversTheStartUp() {
        dialogs::SplashScreen splash;
        bool ran = false;
        splash.load([&] {
            ran =
                splash.isVisible() && QGuiApplication::overrideCursor()->shape() == Qt::WaitCursor;
            QTest::keyClick(&splash, Qt::Key_Space);
            QVERIFY(!splash.isVisible());
        });
        QVERIFY(ran);
        QCOMPARE(child<QLabel>(splash, "lblVersion")->text(), u"Version 3.0.868"_s);
        splash.closeSplash();
        dialogs::SplashScreen::restoreCursor();
        QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
    }
};

QTEST_MAIN(TestDialogs)
#include "tst_dialogs.moc"
