#include "presets/PresetRecall.h"

#include "acquisition/Catalogue.h"
#include "acquisition/ImageFeed.h"
#include "diagnostics/ErrorTrap.h"
#include "platform/MessageBoxes.h"
#include "settings/SettingsRecord.h"
#include "view/MapState.h"

#include <optional>

namespace pluvix::presets {

namespace procedure = diagnostics::procedure;

namespace {

// The station part of a view, which a failed recall puts back.
struct Station {
    QString RadarStationName;
    QString MapTypeShort;
    QString BaseURL;
    view::MapRect rect;
};

} // namespace

PresetRecall::PresetRecall(Parts parts) : m_p(std::move(parts)) {}

PresetView PresetRecall::currentView() const {
    const settings::SettingsRecord& s = m_p.settings;
    PresetView v;
    v.BaseURL = s.BaseURL.trimmed();
    v.RadarStationName = s.RadarStationName.trimmed();
    v.MapTypeShort = s.MapTypeShort.trimmed();
    const auto r = m_p.map.rect();
    v.MapLeft = r.Left;
    v.MapTop = r.Top;
    v.MapWidth = r.Width;
    v.MapHeight = r.Height;
    v.ZoomLevel = m_p.map.zoom();
    v.BullsEyeGraduations = s.BullsEyeGraduations;
    v.BullsEyeY = s.BullsEyeY;
    v.BullsEyeX = s.BullsEyeX;
    return v;
}

bool PresetRecall::offerStore(int slot) {
    // A slot that does not exist is an error before anything is asked.
    static_cast<void>(PresetStore::sectionName(slot));
    const PresetView current = currentView();
    const QString description =
        acquisition::presetDescription(current.BaseURL, current.MapTypeShort);
    const QString question = QStringLiteral("Add ") + description + QStringLiteral(" To PreSet# ") +
                             QString::number(slot + 1) + u'?';
    if (m_p.boxes.yesNo(QStringLiteral("Apply PreSet"), question) != platform::MessageButton::Yes)
        return false;
    emit slotStored(slot, description);
    m_store->write(slot, current);
    return true;
}

void PresetRecall::press(int slot, Qt::MouseButton button) {
    if (!m_store)
        return;
    if (button == Qt::RightButton)
        diagnostics::trap(m_p.errors, procedure::presetPress, [&] { offerStore(slot); });
    else if (button == Qt::LeftButton)
        recall(slot);
}

void PresetRecall::recall(int slot) {
    if (!m_store)
        return;
    bool reloading = false;
    std::optional<Station> previous;
    const bool done = diagnostics::trap(m_p.errors, procedure::presetPress, [&] {
        emit recallBegins(slot);
        m_p.feed.restartPollCount();
        emit ringLabelsRequested(view::RingLabels::Hide);
        if (m_p.ending())
            return;
        m_busy = true;
        const PresetView v = m_store->read(slot);
        settings::SettingsRecord& s = m_p.settings;
        previous = Station{s.RadarStationName, s.MapTypeShort, s.BaseURL, m_p.map.rect()};
        s.RadarStationName = v.RadarStationName;
        s.MapTypeShort = v.MapTypeShort;
        s.BaseURL = v.BaseURL;
        emit picturesLeaving();
        emit stationChanged();
        m_p.map.setRect({v.MapLeft, v.MapTop, v.MapWidth, v.MapHeight});
        // The zoom waits for the reload to bring the window in line.
        m_p.feed.setLoading(true);
        m_p.map.setZoom(v.ZoomLevel);
        m_p.feed.setLoading(false);
        s.BullsEyeGraduations = v.BullsEyeGraduations;
        s.BullsEyeX = v.BullsEyeX;
        s.BullsEyeY = v.BullsEyeY;
        reloading = true;
        m_p.feed.reload();
        if (m_p.ending())
            return;
        emit recallLoaded();
        emit stationChanged();
        m_busy = false;
        emit ringLabelsRequested(view::RingLabels::Refresh);
    });
    if (m_p.ending())
        return;
    m_busy = false;
    emit recallEnds();
    if (done)
        return;
    const bool restore = !reloading && previous;
    if (restore) {
        settings::SettingsRecord& s = m_p.settings;
        s.RadarStationName = previous->RadarStationName;
        s.MapTypeShort = previous->MapTypeShort;
        s.BaseURL = previous->BaseURL;
        m_p.map.setRect(previous->rect);
        emit stationChanged();
    }
    m_p.feed.setLoading(false);
    emit recallAbandoned(restore);
}

} // namespace pluvix::presets
