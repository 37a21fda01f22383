#include "app/StatusPanel.h"

#include "presets/PresetButtons.h"
#include "view/MapGeometry.h"
#include "view/PanelColours.h"
#include "view/Twips.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>

namespace pluvix::app {

namespace {

QRect toPx(const view::TwipsRect& r) {
    return view::toPixels(r).toRect();
}

// The picture-number label steps the history by hand and polls on a double click.
class StepLabel final : public QLabel {
public:
    std::function<void(Qt::MouseButton)> onPress;
    std::function<void()> onDoubleClick;
    using QLabel::QLabel;

protected:
    void mousePressEvent(QMouseEvent* event) override {
        if (onPress)
            onPress(event->button());
    }
    // Only the left button double-clicks; a fast second press of another button is a press.
    void mouseDoubleClickEvent(QMouseEvent* event) override {
        if (event->button() != Qt::LeftButton)
            mousePressEvent(event);
        else if (onDoubleClick)
            onDoubleClick();
    }
};

} // namespace

StatusPanel::StatusPanel(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("Picture1"));
    setAutoFillBackground(true);
    takeColours();
    view::followApplicationPalette(this, [this] { takeColours(); });

    QFont small = font();
    small.setPointSizeF(7.5);

    const std::array<QString, 2> captions{QStringLiteral(" HISTORY"), QStringLiteral(" ZOOM")};
    const std::array<QString, 2> tips{QStringLiteral("Show Past RADAR Images"),
                                      QStringLiteral("Zoom in/out on Image")};
    const std::array<view::TwipsRect, 2> labelRects{view::panel::historyCaption,
                                                    view::panel::zoomCaption};
    const std::array<view::TwipsRect, 2> sliderRects{view::panel::historySlider,
                                                     view::panel::zoomSlider};
    std::array<QScrollBar*, 2> sliders{};
    for (int i = 0; i < 2; ++i) {
        m_sliderCaptions[i] = new QLabel(captions[i], this);
        m_sliderCaptions[i]->setObjectName(QStringLiteral("Label1_%1").arg(i));
        m_sliderCaptions[i]->setToolTip(tips[i]);
        m_sliderCaptions[i]->setFont(small);
        m_sliderCaptions[i]->setGeometry(toPx(labelRects[i]));
        m_sliderCaptions[i]->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        sliders[i] = new QScrollBar(Qt::Horizontal, this);
        sliders[i]->setObjectName(QStringLiteral("HScroll1_%1").arg(i));
        sliders[i]->setGeometry(toPx(sliderRects[i]));
        sliders[i]->setPageStep(1);
        // Reached by Tab only, so a click leaves the focus where it was.
        sliders[i]->setFocusPolicy(Qt::TabFocus);
    }
    m_historySlider = sliders[0];
    m_zoomSlider = sliders[1];
    m_zoomSlider->setRange(view::minZoomLevel, view::maxZoomLevel);
    connect(m_historySlider, &QScrollBar::valueChanged, this, &StatusPanel::historyMoved);
    connect(m_zoomSlider, &QScrollBar::valueChanged, this, &StatusPanel::zoomMoved);

    auto* step = new StepLabel(QStringLiteral("10"), this);
    step->onPress = [this](Qt::MouseButton button) { emit pictureNumberPressed(button); };
    step->onDoubleClick = [this] { emit pictureNumberDoubleClicked(); };
    m_pictureNumber = step;
    m_pictureNumber->setObjectName(QStringLiteral("Label3"));
    m_pictureNumber->setToolTip(QStringLiteral("Present Image #"));
    m_pictureNumber->setAlignment(Qt::AlignCenter);
    m_pictureNumber->setGeometry(toPx(view::panel::pictureNumber));
    m_pictureNumber->setFont(small);

    m_optionsButton = new QPushButton(QStringLiteral("Options"), this);
    m_optionsButton->setObjectName(QStringLiteral("Command1"));
    m_optionsButton->setToolTip(QStringLiteral("Click for SetUp Parameter Entry"));
    m_optionsButton->setGeometry(toPx(view::panel::optionsButton));
    m_optionsButton->setFont(small);
    m_optionsButton->setFocusPolicy(Qt::TabFocus);
    connect(m_optionsButton, &QPushButton::clicked, this, &StatusPanel::optionsPressed);

    m_loopSwitch = new QCheckBox(QStringLiteral("Loop"), this);
    m_loopSwitch->setObjectName(QStringLiteral("Check1"));
    m_loopSwitch->setToolTip(QStringLiteral("Click to Play Images in Loop"));
    m_loopSwitch->setGeometry(toPx(view::panel::loopSwitch));
    m_loopSwitch->setFont(small);
    m_loopSwitch->setFocusPolicy(Qt::TabFocus);
    connect(m_loopSwitch, &QCheckBox::toggled, this, &StatusPanel::loopToggled);

    m_presets = new presets::PresetButtons(this);
    const QRect area = presets::PresetButtons::areaTwips();
    m_presets->setGeometry(toPx(view::TwipsRect{float(area.x()), float(area.y()),
                                                float(area.width()), float(area.height())}));
    connect(m_presets, &presets::PresetButtons::presetMouseDown, this, &StatusPanel::presetPressed);

    m_progress = new QProgressBar(this);
    m_progress->setObjectName(QStringLiteral("vbalProgressBar1"));
    m_progress->setGeometry(toPx(view::panel::progressBar));
    m_progress->setTextVisible(true);
    m_progress->setRange(0, 10);
    m_progress->move(3, 3);
    m_progress->hide();
}

void StatusPanel::takeColours() {
    const view::PanelColours colours = view::panelColours(QApplication::palette());
    QPalette pp; // only these roles: the others follow the application palette
    pp.setColor(QPalette::Window, colours.panel);
    pp.setColor(QPalette::WindowText, colours.panelText);
    setPalette(pp);
}

QList<QWidget*> StatusPanel::focusOrder() const {
    QList<QWidget*> order{m_historySlider, m_zoomSlider, m_optionsButton, m_loopSwitch};
    for (int i = 0; i < presets::PresetButtons::Count; ++i)
        order.append(m_presets->button(i));
    return order;
}

void StatusPanel::showHistoryRange(int minimum, int maximum) {
    QSignalBlocker quiet(m_historySlider);
    m_historySlider->setRange(minimum, maximum);
}

void StatusPanel::showHistoryPosition(int position) {
    QSignalBlocker quiet(m_historySlider);
    m_historySlider->setValue(position);
}

void StatusPanel::showZoom(int level) {
    QSignalBlocker quiet(m_zoomSlider);
    m_zoomSlider->setValue(level);
}

void StatusPanel::showLooping(bool on) {
    m_loopSwitch->setChecked(on);
}

void StatusPanel::showPictureNumber(int number) {
    m_pictureNumber->setText(QString::number(number));
}

void StatusPanel::freeze(bool frozen) {
    m_presets->setButtonsEnabled(!frozen);
    m_optionsButton->setEnabled(!frozen);
    m_loopSwitch->setEnabled(!frozen);
    m_historySlider->setEnabled(!frozen);
    m_zoomSlider->setEnabled(!frozen);
}

void StatusPanel::releasePresets() {
    m_presets->ResetPresetButtonSelect();
}

void StatusPanel::clearPresetMark() {
    m_presets->ResetPresetCheckBox();
}

bool StatusPanel::frozen() const {
    return !m_historySlider->isEnabled();
}

void StatusPanel::beginRecall(int slot) {
    releasePresets();
    clearPresetMark();
    m_presets->setChecked(slot, true);
    m_progress->setValue(0);
    m_progress->setFormat(m_presets->toolTip(slot));
    m_progress->show();
    m_progress->raise();
    freeze(true);
}

void StatusPanel::endRecall() {
    m_progress->setFormat(QStringLiteral("%p%"));
    if (frozen())
        freeze(false);
}

void StatusPanel::abandonRecall(bool viewRestored) {
    if (viewRestored)
        clearPresetMark();
    m_progress->hide();
}

void StatusPanel::setProgressValue(int value) {
    m_progress->setValue(qBound(m_progress->minimum(), value, m_progress->maximum()));
}

} // namespace pluvix::app
