#include "dialogs/OptionsDialog.h"

#include "acquisition/FolderAddress.h"
#include "core/NumberText.h"
#include "core/RuntimeError.h"
#include "diagnostics/ErrorTrap.h"
#include "dialogs/OptionsHost.h"
#include "dialogs/WindowPlacement.h"
#include "platform/MessageBoxes.h"
#include "platform/ProgramEnd.h"
#include "settings/GeneralSettings.h"
#include "settings/SettingsRecord.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyleOptionComboBox>
#include <QStylePainter>
#include <QTabWidget>
#include <QVBoxLayout>

#include <cmath>
#include <initializer_list>
#include <limits>
#include <vector>

namespace pluvix::dialogs {

namespace {

constexpr int twipsPerPixel = 15;
// Smallest vertical distance between two rows of the layout.
constexpr int rowPitchTwips = 360;
constexpr int labelGapPx = 6;
constexpr int pageMarginPx = 8;

// One control at its position in twips inside a tab page. The layout keeps the positions'
// proportions but grows them evenly when the font needs more room than they were made for.
struct Placed {
    QWidget* widget;
    int left;
    int top;
    int widthTwips = 0; // 0: the widget's own width
    int limit = 0;      // left edge (twips) of what must stay clear to the right; 0: none
};

QList<int> numbers(int first, int last) {
    QList<int> list;
    for (int i = first; i <= last; ++i)
        list.append(i);
    return list;
}

// Entries longer than the box end in "..." instead of being cut off; the tool tip has them whole.
class ElidingComboBox final : public QComboBox {
public:
    explicit ElidingComboBox(QWidget* parent) : QComboBox(parent) {
        connect(this, &QComboBox::currentTextChanged, this, &QWidget::setToolTip);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QStylePainter painter(this);
        painter.setPen(palette().color(QPalette::Text));
        QStyleOptionComboBox opt;
        initStyleOption(&opt);
        painter.drawComplexControl(QStyle::CC_ComboBox, opt);
        const QRect field =
            style()->subControlRect(QStyle::CC_ComboBox, &opt, QStyle::SC_ComboBoxEditField, this);
        opt.currentText = fontMetrics().elidedText(opt.currentText, Qt::ElideRight, field.width());
        painter.drawControl(QStyle::CE_ComboBoxLabel, opt);
    }
};

QComboBox* makeCombo(QWidget* page, const char* name, const QList<int>& items = {},
                     bool elide = false) {
    QComboBox* box = elide ? new ElidingComboBox(page) : new QComboBox(page);
    box->setObjectName(QLatin1String(name));
    for (int v : items)
        box->addItem(QString::number(v));
    box->setCurrentIndex(-1);
    return box;
}

QLabel* makeLabel(QWidget* page, const char* controlName, const QString& caption, QWidget* buddy) {
    auto* label = new QLabel(caption, page);
    label->setObjectName(QLatin1String("lbl") + QLatin1String(controlName));
    label->setBuddy(buddy);
    return label;
}

QCheckBox* makeCheck(QWidget* page, const char* name, const QString& caption) {
    auto* box = new QCheckBox(caption, page);
    box->setObjectName(QLatin1String(name));
    return box;
}

int naturalWidth(const Placed& p) {
    if (p.widthTwips > 0)
        return 0;
    // A set minimum stands for contents the widget does not hold yet.
    const int minimum = p.widget->minimumWidth();
    return minimum > 0 ? minimum : p.widget->sizeHint().width();
}

int comboWidthFor(const QString& entry) {
    QComboBox probe;
    probe.addItem(entry);
    return probe.sizeHint().width();
}

// Smallest factor (pixels per twip, at least 1/15) at which every caption fits in front of
// its control and every row clears the next.
double layoutScale(const std::vector<Placed>& items) {
    double scale = 1.0 / twipsPerPixel;
    for (const Placed& p : items) {
        const int h = p.widget->sizeHint().height();
        scale = std::max(scale, (h + 1.0) / rowPitchTwips);
        if (p.limit > p.left)
            scale = std::max(scale, (naturalWidth(p) + labelGapPx) / double(p.limit - p.left));
    }
    return scale;
}

void place(QWidget* page, const std::vector<Placed>& items, double scale) {
    int right = 0;
    int bottom = 0;
    for (const Placed& p : items) {
        const QSize hint = p.widget->sizeHint();
        const int w = p.widthTwips > 0 ? int(std::lround(p.widthTwips * scale)) : naturalWidth(p);
        const QRect r(int(std::lround(p.left * scale)), int(std::lround(p.top * scale)), w,
                      hint.height());
        p.widget->setGeometry(r);
        right = std::max(right, r.right() + 1);
        bottom = std::max(bottom, r.bottom() + 1);
    }
    const int margin = int(std::lround(pageMarginPx * scale * twipsPerPixel));
    page->setMinimumSize(right + margin, bottom + margin);
}

// Wide enough for the longest entry even where the closed box is narrower.
void widenPopup(QComboBox* box) {
    QAbstractItemView* view = box->view();
    view->setMinimumWidth(view->sizeHintForColumn(0) + 2 * view->frameWidth() + 24);
}

QString resetQuestion() {
    return QStringLiteral("You must re-start this application to realize the updated settings.") +
           QChar(10) + QString(35, u' ') + QStringLiteral("Pluvix will now close.");
}

} // namespace

OptionsDialog::OptionsDialog(OptionsHost& host, diagnostics::ErrorSink& errors,
                             platform::MessageBoxes& boxes, platform::ProgramEnd& programEnd,
                             QWidget* parent)
    : OptionsDialog(host, errors, boxes, programEnd, QRect(), parent) {}

OptionsDialog::OptionsDialog(OptionsHost& host, diagnostics::ErrorSink& errors,
                             platform::MessageBoxes& boxes, platform::ProgramEnd& programEnd,
                             const QRect& screen, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint), m_host(host),
      m_errors(errors), m_boxes(boxes), m_programEnd(programEnd) {
    setObjectName(QStringLiteral("frmOptions"));
    setWindowTitle(QStringLiteral(" Options - Cirrusworks Pluvix"));
    setModal(true);
    buildControls();
    placeAndFill(screen.isValid() ? screen
                                  : screenRectFor(parent != nullptr ? parent->window() : this));
}

void OptionsDialog::showModal(OptionsHost& host, diagnostics::ErrorSink& errors,
                              platform::MessageBoxes& boxes, platform::ProgramEnd& programEnd,
                              QWidget* parent) {
    OptionsDialog dialog(host, errors, boxes, programEnd, parent);
    dialog.exec();
}

void OptionsDialog::buildControls() {
    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName(QStringLiteral("TabStrip1"));
    auto* general = new QWidget;
    general->setObjectName(QStringLiteral("Frame1"));
    auto* advanced = new QWidget;
    advanced->setObjectName(QStringLiteral("Frame2"));

    m_station = makeCombo(general, "Combo1", {}, true);
    m_product = makeCombo(general, "Combo6", {}, true);
    m_product->addItems(acquisition::productListEntries());
    m_product->setCurrentIndex(-1);
    m_maxImages =
        makeCombo(general, "Combo2", {20, 25, 30, 40, 60, 75, 100, 150, 200, 300, 400, 500});
    m_pollInterval = makeCombo(general, "Combo3", {20, 25, 30, 45, 60, 120, 300, 600, 900});
    m_showBullseye = makeCheck(general, "Check2", QStringLiteral("Show BullsEye"));
    m_graduations = makeCombo(general, "Combo5");
    // The load fills this list; it is sized for its widest entry now.
    m_graduations->setMinimumWidth(comboWidthFor(core::intToDisplayText(50)));
    m_utcOffset = makeCombo(general, "Combo4", numbers(0, 24));
    m_minimizeToTray = makeCheck(general, "Check1", QStringLiteral("Minimize to Tray"));
    m_playSpeed = makeCombo(general, "Combo7", numbers(1, 10));
    m_historyCount = makeCombo(general, "Combo8",
                               {5,   7,   10,  15,  20,  25,  30,  35,  40,  50,  60,  75,  85, 100,
                                110, 125, 150, 175, 200, 225, 250, 275, 300, 350, 400, 450, 500});
    m_bullseyeTextSize = makeCombo(general, "Combo9", numbers(6, 20));
    m_showUtcStamp = makeCheck(general, "Check3", QStringLiteral("Show UTC Image Stamp on Map"));

    m_shortRange = new QLineEdit(advanced);
    m_shortRange->setObjectName(QStringLiteral("Text1"));
    m_shortRange->installEventFilter(this);
    m_longRange = new QLineEdit(advanced);
    m_longRange->setObjectName(QStringLiteral("Text2"));
    m_longRange->installEventFilter(this);
    QList<int> fontSizes = numbers(8, 20);
    fontSizes << 24 << 28 << 30;
    m_utcFontSize = makeCombo(advanced, "Combo10", fontSizes);
    QList<int> delays = numbers(0, 20);
    delays << 25 << 30 << 35 << 40;
    m_loopDelay = makeCombo(advanced, "Combo11", delays);
    m_autoUtcOffset =
        makeCheck(advanced, "Check4", QStringLiteral("Use Machine UTC Offset (Auto)"));
    m_presetCount = makeCombo(advanced, "Combo12", {0, 2, 4, 6, 8});

    // The two text boxes hold short numbers; the station and product lists share the column.
    const int textWidth = 1200;
    const int listWidth = 4095 - 1425 - 120;
    const int rightColumn = 4095;
    const std::vector<Placed> generalItems{
        {makeLabel(general, "Combo1", QStringLiteral("Radar Station"), m_station), 30, 90, 0, 1425},
        {m_station, 1425, 45, listWidth},
        {makeLabel(general, "Combo6", QStringLiteral("Type of Map"), m_product), 30, 495, 0, 1425},
        {m_product, 1425, 435, listWidth},
        {makeLabel(general, "Combo2", QStringLiteral("Images in History"), m_maxImages), 30, 870, 0,
         1425},
        {m_maxImages, 1425, 825, 0, rightColumn},
        {makeLabel(general, "Combo3", QStringLiteral("Update every (sec)"), m_pollInterval), 30,
         1260, 0, 1425},
        {m_pollInterval, 1425, 1215, 0, rightColumn},
        {m_showBullseye, 4095, 90},
        {makeLabel(general, "Combo5", QStringLiteral("Miles Per BullsEye Radius"), m_graduations),
         4125, 510, 0, 6030},
        {m_graduations, 6030, 450},
        {makeLabel(general, "Combo4", QStringLiteral("UTC Time Offset (ZULU)"), m_utcOffset), 4125,
         900, 0, 6030},
        {m_utcOffset, 6030, 855},
        {m_minimizeToTray, 4095, 1260},
        {makeLabel(general, "Combo7", QStringLiteral("Loop Speed (Images Per Second)"),
                   m_playSpeed),
         30, 1860, 0, 2460},
        {m_playSpeed, 2460, 1800, 0, 4125},
        {makeLabel(general, "Combo8", QStringLiteral("Images to Loop"), m_historyCount), 30, 2220,
         0, 2460},
        {m_historyCount, 2460, 2160, 0, rightColumn},
        {makeLabel(general, "Combo9", QStringLiteral("BullsEye Font Size"), m_bullseyeTextSize),
         4125, 1860, 0, 6210},
        {m_bullseyeTextSize, 6210, 1800},
        {m_showUtcStamp, 4095, 2190},
    };
    const std::vector<Placed> advancedItems{
        {makeLabel(advanced, "Text1", QStringLiteral("BullsEye Short Range  X (0.721)"),
                   m_shortRange),
         105, 315, 0, 2460},
        {m_shortRange, 2460, 285, textWidth},
        {makeLabel(advanced, "Text2", QStringLiteral("BullsEye Long Range  X  (0.319)"),
                   m_longRange),
         105, 675, 0, 2460},
        {m_longRange, 2460, 645, textWidth},
        {makeLabel(advanced, "Combo10", QStringLiteral("UTC TimeStamp Font Size"), m_utcFontSize),
         105, 1035, 0, 2295},
        {m_utcFontSize, 2295, 1005},
        {makeLabel(advanced, "Combo11", QStringLiteral("Loop Delay"), m_loopDelay), 105, 1410, 0,
         2295},
        {m_loopDelay, 2295, 1380},
        {m_autoUtcOffset, 75, 1770},
        {makeLabel(advanced, "Combo12", QStringLiteral("Number of Presets "), m_presetCount), 120,
         2130, 0, 2310},
        {m_presetCount, 2310, 2100},
    };
    const double scale = std::max(layoutScale(generalItems), layoutScale(advancedItems));
    place(general, generalItems, scale);
    place(advanced, advancedItems, scale);
    widenPopup(m_product);

    m_tabs->addTab(general, QStringLiteral("&General"));
    m_tabs->addTab(advanced, QStringLiteral("&Advanced"));
    m_tabs->setCurrentIndex(0);

    auto* reset = new QPushButton(QStringLiteral("&Reset Defaults"), this);
    reset->setObjectName(QStringLiteral("Command2"));
    auto* about = new QPushButton(QStringLiteral("&About"), this);
    about->setObjectName(QStringLiteral("Command1"));
    auto* apply = new QPushButton(QStringLiteral("A&pply"), this);
    apply->setObjectName(QStringLiteral("Command3"));
    auto* cancel = new QPushButton(QStringLiteral("&Cancel"), this);
    cancel->setObjectName(QStringLiteral("cmdCancel"));
    auto* ok = new QPushButton(QStringLiteral("&OK"), this);
    ok->setObjectName(QStringLiteral("cmdOK"));
    ok->setDefault(true);
    for (QPushButton* b : {reset, about, apply, cancel, ok})
        b->setAutoDefault(false);
    ok->setAutoDefault(true);

    connect(reset, &QPushButton::clicked, this, &OptionsDialog::resetDefaults);
    connect(about, &QPushButton::clicked, this, [this] { m_host.showAboutBox(); });
    connect(apply, &QPushButton::clicked, this, [this] {
        validateBeforeApply();
        ApplyChanges();
    });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(ok, &QPushButton::clicked, this, [this] {
        validateBeforeApply();
        ApplyChanges();
        accept();
    });

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(reset);
    buttons->addWidget(about);
    buttons->addStretch(1);
    buttons->addWidget(apply);
    buttons->addWidget(cancel);
    buttons->addWidget(ok);

    auto* outer = new QVBoxLayout(this);
    outer->addWidget(m_tabs);
    outer->addLayout(buttons);
    setFixedSize(sizeHint());
}

void OptionsDialog::placeAndFill(const QRect& screen) {
    diagnostics::trap(m_errors, diagnostics::procedure::optionsOpen, [&] {
        settings::SettingsRecord& r = m_host.settingsRecord();
        centreOn(*this, screen);

        const acquisition::StationTable& stations = acquisition::fixedStations();
        m_station->addItems(stations.names());
        m_station->setCurrentIndex(-1);
        widenPopup(m_station);
        const QString code = acquisition::stationCodeFromAddress(r.BaseURL);
        for (int i = 0; i < m_station->count(); ++i) {
            if (stations.code(i).compare(code, Qt::CaseInsensitive) == 0) {
                m_station->setCurrentIndex(i);
                break;
            }
        }

        for (int i = 1; i <= 50; ++i)
            m_graduations->addItem(core::intToDisplayText(i));
        m_graduations->setCurrentIndex(-1);

        FillLists(m_maxImages, r.MaxImageNumber);
        FillLists(m_pollInterval, r.PollInterval);
        FillLists(m_utcOffset, r.LocalUTCTimeOffset);
        FillLists(m_graduations, r.BullsEyeGraduations);
        FillLists(m_playSpeed, r.PlaySpeed);
        FillLists(m_historyCount, r.HistoryImageCount);
        FillLists(m_bullseyeTextSize, r.BullsEyeTextSize);
        FillLists(m_utcFontSize, r.UTCFontSize);
        FillLists(m_loopDelay, r.LoopDelay);
        FillLists(m_presetCount, r.NumberOfPresets);

        m_productCodes = acquisition::FillProductCodes();
        for (int i = 0; i < m_product->count() && i < int(m_productCodes.size()); ++i) {
            if (m_productCodes[std::size_t(i)] == r.MapTypeShort) {
                m_product->setCurrentIndex(i);
                break;
            }
        }

        m_shortRange->setText(core::singleToDisplayText(r.MapScaleShortRangeConstant));
        m_longRange->setText(core::singleToDisplayText(r.MapScaleLongRangeConstant));

        m_minimizeToTray->setChecked(r.MinimizeToTray == 1);
        m_showBullseye->setChecked(r.ShowBullseye == 1);
        m_autoUtcOffset->setChecked(r.AutoUTCOffset == 1);
        m_showUtcStamp->setChecked(r.ShowUTCDateTime == 1);

        m_loadedBaseUrl = r.BaseURL;
        m_host.AddMapCoord(settings::GeneralSettings::mapSectionName(r.MapTypeShort, r.BaseURL));
    });
}

void OptionsDialog::FillLists(QComboBox* clbListBx, qint16 vDefaultValue) {
    diagnostics::trap(m_errors, diagnostics::procedure::optionsLists, [&] {
        for (int i = 0; i < clbListBx->count(); ++i) {
            if (core::leadingNumber(clbListBx->itemText(i)) == double(vDefaultValue)) {
                clbListBx->setCurrentIndex(i);
                return;
            }
        }
    });
}

qint16 OptionsDialog::comboValue(const QComboBox* box) const {
    if (box->currentIndex() < 0)
        return 0;
    return core::textToInt16(box->currentText());
}

bool OptionsDialog::ApplyChanges() {
    return diagnostics::trap(m_errors, diagnostics::procedure::optionsApply, [&] {
        settings::SettingsRecord& r = m_host.settingsRecord();
        const auto checked = [](const QCheckBox* box) -> qint16 {
            return box->isChecked() ? 1 : 0;
        };

        if (m_station->currentIndex() >= 0)
            r.BaseURL = acquisition::addressForStationChoice(m_station->currentIndex(), r.BaseURL);
        m_host.setRingLabels(view::RingLabels::Hide);
        r.MaxImageNumber = comboValue(m_maxImages);
        r.PollInterval = comboValue(m_pollInterval);
        r.MinimizeToTray = checked(m_minimizeToTray);
        r.ShowBullseye = checked(m_showBullseye);
        r.ShowUTCDateTime = checked(m_showUtcStamp);
        m_host.setTimeLabelVisible(r.ShowUTCDateTime != 0);
        r.LocalUTCTimeOffset = comboValue(m_utcOffset);
        r.BullsEyeGraduations = comboValue(m_graduations);

        const int product = m_product->currentIndex();
        if (product < 0 || product >= int(m_productCodes.size()))
            throw core::RuntimeError::subscriptOutOfRange();
        r.MapTypeShort = m_productCodes[std::size_t(product)];
        r.MapTypeIndex = qint16(product);
        r.BaseURL = acquisition::productSubstituted(r.BaseURL, r.MapTypeShort);

        r.BullsEyeTextSize = comboValue(m_bullseyeTextSize);
        r.PlaySpeed = comboValue(m_playSpeed);
        r.HistoryImageCount = comboValue(m_historyCount);
        r.NumberOfPresets = comboValue(m_presetCount);
        m_host.setLoopInterval(core::timerIntervalForSpeed(r.PlaySpeed));

        r.MapScaleShortRangeConstant = core::textToSingle(m_shortRange->text());
        r.MapScaleLongRangeConstant = core::textToSingle(m_longRange->text());
        r.UTCFontSize = comboValue(m_utcFontSize);
        m_host.setTimeLabelFontSize(r.UTCFontSize);
        r.LoopDelay = comboValue(m_loopDelay);
        r.AutoUTCOffset = checked(m_autoUtcOffset);

        m_host.ShowStationTitle();
        if (r.BaseURL != m_loadedBaseUrl) {
            m_host.ReadMapCoord(
                settings::GeneralSettings::mapSectionName(r.MapTypeShort, r.BaseURL));
            m_host.ReFreshNewMap();
            m_loadedBaseUrl = r.BaseURL;
        }
        m_host.DrawCirclesRadius();
        m_host.showNewestImageTime();
        m_host.ShowPresetButtons();
        m_host.setRingLabels(view::RingLabels::Refresh);
        m_host.placeTimeLabel();
    });
}

void OptionsDialog::keepConstantInRange(QLineEdit* box) {
    const QString text = box->text();
    double v = 0.0;
    try {
        v = core::leadingNumber(text);
    } catch (const core::RuntimeError&) {
        // Beyond any number: on the side its sign says.
        v = text.trimmed().startsWith(u'-') ? -std::numeric_limits<double>::infinity()
                                            : std::numeric_limits<double>::infinity();
    }
    // The limits as single-precision values, so that a typed 0.999 stays.
    if (v > double(0.999f))
        box->setText(QStringLiteral("0.99"));
    else if (v < double(0.01f))
        box->setText(QStringLiteral("0.01"));
}

void OptionsDialog::validateBeforeApply() {
    for (QLineEdit* box : {m_shortRange, m_longRange})
        if (box->hasFocus())
            keepConstantInRange(box);
}

bool OptionsDialog::eventFilter(QObject* watched, QEvent* event) {
    // The long-range constant scales the rings as the short-range one does: a value out of
    // range fails every ring drawing.
    if ((watched == m_shortRange || watched == m_longRange) && event->type() == QEvent::FocusOut)
        keepConstantInRange(static_cast<QLineEdit*>(watched));
    return QDialog::eventFilter(watched, event);
}

void OptionsDialog::resetDefaults() {
    if (m_boxes.okCancel(QStringLiteral("Pluvix Reset Settings"), resetQuestion()) !=
        platform::MessageButton::Ok)
        return;
    const bool deleted = diagnostics::trap(m_errors, diagnostics::procedure::optionsCancel, [&] {
        settings::GeneralSettings::ResetGeneralSettings(m_host.settingsStore(), m_host.appName());
    });
    // A reset that did not happen must not throw away the running settings.
    if (!deleted)
        return;
    m_programEnd.endNow(platform::exitNormal);
}

} // namespace pluvix::dialogs
