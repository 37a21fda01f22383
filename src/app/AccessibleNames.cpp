#include "app/AccessibleNames.h"

#include "acquisition/Catalogue.h"
#include "acquisition/FolderAddress.h"
#include "acquisition/ImageTime.h"
#include "app/StatusPanel.h"
#include "app/Viewer.h"
#include "diagnostics/ErrorTrap.h"
#include "presets/PresetButtons.h"
#include "view/AccessibleTexts.h"
#include "view/MapView.h"

#include <QCheckBox>
#include <QDateTime>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>

namespace pluvix::app {

namespace {

QString stationLabelOf(const QString& address) {
    return acquisition::fixedStations().labelForCode(acquisition::stationCodeFromAddress(address));
}

} // namespace

AccessibleNames::AccessibleNames(Parts parts, QObject* parent) : QObject(parent), m_p(parts) {
    using view::AccessibleControl;
    StatusPanel& panel = m_p.panel;
    QList<std::pair<QWidget*, AccessibleControl>> described{
        {panel.historySlider(), AccessibleControl::HistorySlider},
        {panel.zoomSlider(), AccessibleControl::ZoomSlider},
        {panel.optionsButton(), AccessibleControl::OptionsButton},
        {panel.loopSwitch(), AccessibleControl::LoopSwitch},
        {panel.pictureNumberLabel(), AccessibleControl::PictureNumber},
        {&m_p.map, AccessibleControl::Map},
        {&m_p.clock, AccessibleControl::Clock},
        {&m_p.timeLabel, AccessibleControl::TimeLabel}};
    for (int i = 0; i < presets::PresetButtons::Count; ++i)
        described.append({panel.presetButtons()->button(i), AccessibleControl::PresetButton});
    for (const auto& [widget, control] : described)
        widget->setAccessibleDescription(view::accessibleDescription(control));
    panel.optionsButton()->setAccessibleName(panel.optionsButton()->text());
    panel.loopSwitch()->setAccessibleName(panel.loopSwitch()->text());

    Viewer* v = &m_p.viewer;
    connect(v, &Viewer::pictureNumberChanged, this, &AccessibleNames::nameShownPicture);
    connect(&v->playback(), &view::Playback::rangeChanged, this,
            &AccessibleNames::nameShownPicture);
    connect(v, &Viewer::stationTitleChanged, this, &AccessibleNames::nameShownPicture);
    connect(v, &Viewer::timeCaptionChanged, this, [this](const QString& caption) {
        m_p.timeLabel.setAccessibleName(view::timeLabelName(caption));
    });
    connect(&v->mapState(), &view::MapState::zoomChanged, this, &AccessibleNames::nameZoom);
    connect(v, &Viewer::clockHandsSet, this, &AccessibleNames::nameClock);
    connect(v, &Viewer::presetCountChanged, this, &AccessibleNames::namePresets);
    connect(&v->presetRecall(), &presets::PresetRecall::slotStored, this,
            &AccessibleNames::namePresets);
    nameShownPicture();
    nameZoom(v->mapState().zoom());
}

void AccessibleNames::nameShownPicture() {
    const view::Playback& playback = m_p.viewer.playback();
    const acquisition::ImageHistory& history = m_p.viewer.feed().history();
    const int shown = playback.position();
    QString hourMinute;
    if (shown >= 1 && shown <= history.count())
        if (const auto time = acquisition::imageTimeUtc(history.tag(shown - 1)))
            hourMinute = time->toString(QStringLiteral("HH:mm"));
    m_p.panel.historySlider()->setAccessibleName(
        view::historySliderName(shown, playback.maximum(), hourMinute));
    m_p.panel.pictureNumberLabel()->setAccessibleName(
        view::pictureNumberName(shown, playback.maximum()));
    m_p.map.setAccessibleName(
        view::mapViewName(stationLabelOf(m_p.viewer.settings().BaseURL), hourMinute));
}

void AccessibleNames::nameZoom(int level) {
    m_p.panel.zoomSlider()->setAccessibleName(view::zoomSliderName(level));
}

void AccessibleNames::namePresets() {
    const presets::PresetStore* store = m_p.viewer.presetStore();
    if (!store)
        return;
    // A slot the store cannot read keeps the name it had; the recall reports the fault.
    for (int i = 0; i < presets::PresetButtons::Count; ++i)
        diagnostics::ignoreErrors([&] {
            m_p.panel.presetButtons()->button(i)->setAccessibleName(view::presetButtonName(
                i + 1, stationLabelOf(store->address(i)), store->productCode(i)));
        });
}

void AccessibleNames::nameClock(float hour, int minute) {
    m_p.clock.setAccessibleName(view::clockName(view::localHourMinute(hour, minute)));
}

} // namespace pluvix::app
