#include "dialogs/OptionsDialog.h"

#include "FakeOptionsHost.h"
#include "acquisition/FolderAddress.h"
#include "support/FakePlatform.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFocusEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QtTest>

#include <memory>

using namespace pluvix;
using platform::MessageButton;
using testsupport::FakeMessageBoxes;
using testsupport::FakeOptionsHost;
using testsupport::FakeProgramEnd;
using testsupport::RecordingErrorSink;

namespace {

const QRect screen(0, 0, 1280, 1024);

QString address(const QString& product, const QString& station) {
    QString a = acquisition::stationPrefix() + station + u'/';
    return acquisition::productSubstituted(a, product);
}

} // namespace

class TestOptionsDialog : public QObject {
    Q_OBJECT

    FakeOptionsHost host;
    RecordingErrorSink errors;
    FakeMessageBoxes boxes;
    FakeProgramEnd programEnd;

    std::unique_ptr<dialogs::OptionsDialog> open() {
        return std::make_unique<dialogs::OptionsDialog>(host, errors, boxes, programEnd, screen);
    }
    template <class T> T* child(dialogs::OptionsDialog& d, const char* name) {
        T* w = d.findChild<T*>(QLatin1String(name));
        if (w == nullptr)
            qFatal("no child %s", name);
        return w;
    }
    QComboBox* combo(dialogs::OptionsDialog& d, const char* name) {
        return child<QComboBox>(d, name);
    }

private slots:
    void init() {
        host = FakeOptionsHost{};
        host.record = testsupport::defaultSettingsRecord();
        errors.reports.clear();
        boxes = FakeMessageBoxes{};
        programEnd.endCount = 0;
    }

    void loadShowsCurrentSettings() {
        host.record.ShowUTCDateTime = 1;
        auto d = open();
        QCOMPARE(d->windowTitle(), QStringLiteral(" Options - Cirrusworks Pluvix"));
        QCOMPARE(child<QTabWidget>(*d, "TabStrip1")->currentIndex(), 0);
        QCOMPARE(combo(*d, "Combo1")->currentText(), QStringLiteral("FL Melbourne"));
        QCOMPARE(combo(*d, "Combo1")->count(), 178);
        QCOMPARE(combo(*d, "Combo6")->currentIndex(), 1);
        QCOMPARE(combo(*d, "Combo2")->currentText(), QStringLiteral("20"));
        QCOMPARE(combo(*d, "Combo3")->currentText(), QStringLiteral("60"));
        QCOMPARE(combo(*d, "Combo4")->currentText(), QStringLiteral("5"));
        QCOMPARE(combo(*d, "Combo5")->currentText(), QStringLiteral(" 10"));
        QCOMPARE(combo(*d, "Combo5")->count(), 50);
        QCOMPARE(combo(*d, "Combo12")->currentText(), QStringLiteral("4"));
        QCOMPARE(child<QLineEdit>(*d, "Text1")->text(), QStringLiteral(" .721"));
        QCOMPARE(child<QLineEdit>(*d, "Text2")->text(), QStringLiteral(" .319"));
        QVERIFY(child<QCheckBox>(*d, "Check2")->isChecked());
        QVERIFY(!child<QCheckBox>(*d, "Check1")->isChecked());
        QVERIFY(child<QCheckBox>(*d, "Check3")->isChecked());
        QVERIFY(child<QCheckBox>(*d, "Check4")->isChecked());
        QCOMPARE(d->LoadedBaseURL(), host.record.BaseURL);
        QCOMPARE(host.calls, QStringList{QStringLiteral("AddMapCoord(SectionMap-p37cr-kmlb)")});
        QCOMPARE(d->pos(), QPoint((1280 - d->width()) / 2, (1024 - d->height()) / 2));
        QVERIFY(errors.reports.isEmpty());
    }

    void stationPreselection_data() {
        QTest::addColumn<QString>("baseUrl");
        QTest::addColumn<QString>("expected");
        QTest::newRow("shared code takes the first row")
            << address(QStringLiteral("p37cr"), QStringLiteral("kokx"))
            << QStringLiteral("NY New York City");
        QTest::newRow("letter case ignored")
            << QStringLiteral("http://h/radar/images/ds.p37cr/si.KMLB/")
            << QStringLiteral("FL Melbourne");
        QTest::newRow("unknown station")
            << address(QStringLiteral("p37cr"), QStringLiteral("kxyz")) << QString();
    }
    void stationPreselection() {
        QFETCH(QString, baseUrl);
        QFETCH(QString, expected);
        host.record.BaseURL = baseUrl;
        auto d = open();
        QCOMPARE(combo(*d, "Combo1")->currentText(), expected);
        QCOMPARE(combo(*d, "Combo1")->currentIndex() < 0, expected.isEmpty());
    }

    void valueNotOfferedAppliesAsZero() {
        host.record.PollInterval = 50;
        host.record.MapTypeShort = QStringLiteral("P37CR"); // product match is exact
        auto d = open();
        QCOMPARE(combo(*d, "Combo3")->currentIndex(), -1);
        QCOMPARE(combo(*d, "Combo6")->currentIndex(), -1);
        combo(*d, "Combo6")->setCurrentIndex(1);
        QVERIFY(d->ApplyChanges());
        QCOMPARE(host.record.PollInterval, qint16(0));
        QCOMPARE(host.record.MaxImageNumber, qint16(20));
    }

    void applyWithoutChangeRunsEveryStepOnce() {
        auto d = open();
        combo(*d, "Combo7")->setCurrentText(QStringLiteral("3"));
        host.calls.clear();
        QVERIFY(d->ApplyChanges());
        const QStringList expected{
            QStringLiteral("HideShowBullseyeLabels(1)"),
            QStringLiteral("setTimeLabelVisible(false)"),
            QStringLiteral("setLoopInterval(333)"),
            QStringLiteral("setTimeLabelFontSize(10)"),
            QStringLiteral("ShowStationTitle"),
            QStringLiteral("DrawCirclesRadius"),
            QStringLiteral("showNewestImageTime"),
            QStringLiteral("ShowPresetButtons"),
            QStringLiteral("HideShowBullseyeLabels(0)"),
            QStringLiteral("placeTimeLabel"),
        };
        QCOMPARE(host.calls, expected);
        QCOMPARE(host.record.BaseURL, acquisition::defaultBaseUrl());
        QCOMPARE(host.record.MapTypeIndex, qint16(1));
        QCOMPARE(host.record.PlaySpeed, qint16(3));
        QCOMPARE(host.record.MapScaleShortRangeConstant, 0.721f);
        QVERIFY(errors.reports.isEmpty());
    }

    void stationChangeReloadsOnce() {
        auto d = open();
        QComboBox* stations = combo(*d, "Combo1");
        stations->setCurrentIndex(stations->findText(QStringLiteral("NY Upton")));
        auto* apply = child<QPushButton>(*d, "Command3");
        apply->click();
        apply->click();
        const QString expectedUrl = address(QStringLiteral("p37cr"), QStringLiteral("kokx"));
        QCOMPARE(host.record.BaseURL, expectedUrl);
        QCOMPARE(host.record.RadarStationName, QStringLiteral("kmlb"));
        QCOMPARE(d->LoadedBaseURL(), expectedUrl);
        QCOMPARE(host.count(QStringLiteral("ReFreshNewMap")), 1);
        const auto read = host.calls.indexOf(QStringLiteral("ReadMapCoord(SectionMap-p37cr-kokx)"));
        QVERIFY(read >= 0);
        QCOMPARE(host.calls.at(read + 1), QStringLiteral("ReFreshNewMap"));
    }

    void productChangeRebuildsAddress_data() {
        QTest::addColumn<QString>("station");
        QTest::addColumn<int>("product");
        QTest::addColumn<QString>("expectedUrl");
        QTest::newRow("product only")
            << QString() << 0 << address(QStringLiteral("p19r0"), QStringLiteral("kmlb"));
        QTest::newRow("station and product")
            << QStringLiteral("TX Houston") << 5
            << address(QStringLiteral("p38cr"), QStringLiteral("khgx"));
    }
    void productChangeRebuildsAddress() {
        QFETCH(QString, station);
        QFETCH(int, product);
        QFETCH(QString, expectedUrl);
        auto d = open();
        if (!station.isEmpty())
            combo(*d, "Combo1")->setCurrentText(station);
        combo(*d, "Combo6")->setCurrentIndex(product);
        QVERIFY(d->ApplyChanges());
        QCOMPARE(host.record.BaseURL, expectedUrl);
        QCOMPARE(host.record.MapTypeIndex, qint16(product));
        QCOMPARE(host.record.MapTypeShort, acquisition::FillProductCodes()[std::size_t(product)]);
        QCOMPARE(host.count(QStringLiteral("ReadMapCoord(SectionMap-") + host.record.MapTypeShort +
                            u'-' + acquisition::stationCodeFromAddress(expectedUrl) + u')'),
                 1);
        QCOMPARE(host.count(QStringLiteral("ReFreshNewMap")), 1);
    }

    void mapScaleConstantsCorrectedOnLeaving_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("expected");
        QTest::newRow("above") << QStringLiteral("1.5") << QStringLiteral("0.99");
        QTest::newRow("zero") << QStringLiteral("0") << QStringLiteral("0.01");
        QTest::newRow("between .99 and .999") << QStringLiteral("0.995") << QStringLiteral("0.995");
        QTest::newRow("upper limit") << QStringLiteral("0.999") << QStringLiteral("0.999");
        QTest::newRow("no number") << QStringLiteral("abc") << QStringLiteral("0.01");
        QTest::newRow("beyond any number") << QStringLiteral("1e999") << QStringLiteral("0.99");
    }
    void mapScaleConstantsCorrectedOnLeaving() {
        QFETCH(QString, typed);
        QFETCH(QString, expected);
        auto d = open();
        auto* text1 = child<QLineEdit>(*d, "Text1");
        auto* text2 = child<QLineEdit>(*d, "Text2");
        text1->setText(typed);
        text2->setText(typed);
        QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
        QCoreApplication::sendEvent(text1, &out);
        QCoreApplication::sendEvent(text2, &out);
        QCOMPARE(text1->text(), expected);
        QCOMPARE(text2->text(), expected);
    }

    void resetWithOkDeletesGeneralOnlyAndEnds() {
        const QString app = host.name;
        host.store.SaveSetting(app, QStringLiteral("SectionGeneral"),
                               QStringLiteral("PollInterval"), QStringLiteral("30"));
        host.store.SaveSetting(app, QStringLiteral("SectionPreset0"),
                               QStringLiteral("MapTypeShort"), QStringLiteral("p19r0"));
        host.store.SaveSetting(app, QStringLiteral("SectionMap-p37cr-kmlb"),
                               QStringLiteral("ZoomLevel"), QStringLiteral("5"));
        boxes.answers = {MessageButton::Ok};
        auto d = open();
        child<QPushButton>(*d, "Command2")->click();

        QCOMPARE(boxes.shown.size(), 1);
        QCOMPARE(boxes.shown[0].kind, QStringLiteral("okCancel"));
        QCOMPARE(boxes.shown[0].title, QStringLiteral("Pluvix Reset Settings"));
        QCOMPARE(boxes.shown[0].text,
                 QStringLiteral("You must re-start this application to realize the updated "
                                "settings.\n                                   Pluvix will now "
                                "close."));
        const QString missing = QStringLiteral("missing");
        QCOMPARE(host.store.GetSetting(app, QStringLiteral("SectionGeneral"),
                                       QStringLiteral("PollInterval"), missing),
                 missing);
        QCOMPARE(host.store.GetSetting(app, QStringLiteral("SectionPreset0"),
                                       QStringLiteral("MapTypeShort"), missing),
                 QStringLiteral("p19r0"));
        QCOMPARE(host.store.GetSetting(app, QStringLiteral("SectionMap-p37cr-kmlb"),
                                       QStringLiteral("ZoomLevel"), missing),
                 QStringLiteral("5"));
        QCOMPARE(programEnd.endCount, 1);
        QCOMPARE(host.count(QStringLiteral("HideShowBullseyeLabels")), 0);
    }

    void resetWithCancelDoesNothing() {
        host.store.SaveSetting(host.name, QStringLiteral("SectionGeneral"),
                               QStringLiteral("PollInterval"), QStringLiteral("30"));
        boxes.answers = {MessageButton::Cancel};
        auto d = open();
        child<QPushButton>(*d, "Command2")->click();
        QCOMPARE(boxes.shown.size(), 1);
        QCOMPARE(host.store.GetSetting(host.name, QStringLiteral("SectionGeneral"),
                                       QStringLiteral("PollInterval"), QString()),
                 QStringLiteral("30"));
        QCOMPARE(programEnd.endCount, 0);
    }

    void cancelKeepsSettingsButHasSavedTheView() {
        host.record.BaseURL = address(QStringLiteral("p20-r"), QStringLiteral("KTLX"));
        host.record.MapTypeShort = QStringLiteral("p20-r");
        auto d = open();
        combo(*d, "Combo2")->setCurrentText(QStringLiteral("500"));
        combo(*d, "Combo1")->setCurrentIndex(0);
        child<QPushButton>(*d, "cmdCancel")->click();
        QCOMPARE(d->result(), int(QDialog::Rejected));
        QCOMPARE(host.calls, QStringList{QStringLiteral("AddMapCoord(SectionMap-p20-r-KTLX)")});
        QCOMPARE(host.record.MaxImageNumber, qint16(20));
        QCOMPARE(host.record.BaseURL, address(QStringLiteral("p20-r"), QStringLiteral("KTLX")));
    }

    void okAppliesAndCloses() {
        auto d = open();
        combo(*d, "Combo2")->setCurrentText(QStringLiteral("500"));
        child<QPushButton>(*d, "cmdOK")->click();
        QCOMPARE(d->result(), int(QDialog::Accepted));
        QCOMPARE(host.record.MaxImageNumber, qint16(500));
    }

    void failingStepStopsApply_data() {
        QTest::addColumn<QString>("mapTypeShort");
        QTest::addColumn<qint16>("playSpeed");
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("lastCall");
        QTest::newRow("no product chosen") << QStringLiteral("sat01") << qint16(5) << 9
                                           << QStringLiteral("setTimeLabelVisible(false)");
        QTest::newRow("loop speed reads 0") << QStringLiteral("p37cr") << qint16(0) << 11
                                            << QStringLiteral("setTimeLabelVisible(false)");
    }
    void failingStepStopsApply() {
        QFETCH(QString, mapTypeShort);
        QFETCH(qint16, playSpeed);
        QFETCH(int, number);
        QFETCH(QString, lastCall);
        host.record.MapTypeShort = mapTypeShort;
        host.record.PlaySpeed = playSpeed;
        auto d = open();
        child<QLineEdit>(*d, "Text1")->setText(QStringLiteral("0.5"));
        combo(*d, "Combo12")->setCurrentText(QStringLiteral("8"));
        host.calls.clear();

        child<QPushButton>(*d, "cmdOK")->click();

        QCOMPARE(errors.reports.size(), 1);
        QCOMPARE(errors.reports[0].number, number);
        QCOMPARE(errors.reports[0].procedure, QStringLiteral("frmOptions.ApplyChanges"));
        QCOMPARE(host.calls.last(), lastCall);
        QCOMPARE(host.record.MapScaleShortRangeConstant, 0.721f);
        QCOMPARE(host.record.NumberOfPresets, qint16(playSpeed == 0 ? 8 : 4));
        QCOMPARE(d->result(), int(QDialog::Accepted)); // OK still closes
    }

    void presetCountReachesTheWindow() {
        auto d = open();
        combo(*d, "Combo12")->setCurrentText(QStringLiteral("2"));
        QVERIFY(d->ApplyChanges());
        QCOMPARE(host.presetCountsShown, QList<qint16>{2});
    }

    void aboutGoesToTheWindow() {
        auto d = open();
        child<QPushButton>(*d, "Command1")->click();
        QCOMPARE(host.count(QStringLiteral("showAboutBox")), 1);
    }
};

QTEST_MAIN(TestOptionsDialog)
#include "tst_optionsdialog.moc"
