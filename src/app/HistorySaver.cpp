#include "app/HistorySaver.h"

#include "acquisition/ImageHistory.h"
#include "app/BusyPointer.h"
#include "app/Viewer.h"
#include "core/RuntimeError.h"
#include "desktop/MapSaver.h"
#include "diagnostics/ErrorReporter.h"

namespace pluvix::app {

using diagnostics::trap;
namespace procedure = diagnostics::procedure;

HistorySaver::HistorySaver(Viewer& viewer, QObject* parent) : QObject(parent), m_viewer(viewer) {}

void HistorySaver::saveMap() {
    trap(m_viewer.errors(), procedure::saveMap, [&] {
        const int i = m_viewer.playback().position() - 1;
        desktop::MapSaver saver(m_viewer.services().fileDialogs, m_viewer.services().boxes,
                                m_viewer.appName());
        const acquisition::ImageHistory& history = m_viewer.feed().history();
        // The element's own picture, never what the map happens to show.
        const QImage picture = history.picture(i);
        if (picture.isNull())
            throw core::RuntimeError::invalidPicture();
        saver.saveMap(m_viewer.stationTitle(), {history.encoded(i), picture, history.tag(i)});
    });
}

void HistorySaver::saveSeries() {
    trap(m_viewer.errors(), procedure::saveSeries, [&] {
        const int first = m_viewer.playback().minimum() - 1;
        const int last = m_viewer.playback().maximum() - 1;
        QList<desktop::MapPicture> pictures;
        // Decoded one at a time while saved: a long history of large pictures would not fit.
        for (int i = first; i <= last; ++i) {
            QByteArray bytes = m_viewer.feed().history().encoded(i);
            auto decode = [bytes] {
                QImage image;
                diagnostics::ignoreErrors([&] { image = acquisition::decodePicture(bytes); });
                return image;
            };
            pictures.append({bytes, {}, m_viewer.feed().history().tag(i), decode});
        }
        desktop::MapSaver::SeriesHooks hooks;
        hooks.freezePanel = [this](bool freeze) {
            setBusyPointer(freeze);
            emit panelFrozen(freeze);
        };
        hooks.resetPollCounter = [this] { m_viewer.feed().restartPollCount(); };
        hooks.showElement = [this](int i) { m_viewer.showPicture(i); };
        desktop::MapSaver saver(m_viewer.services().fileDialogs, m_viewer.services().boxes,
                                m_viewer.appName());
        const auto outcome =
            saver.saveSeries(m_viewer.stationTitle(),
                             m_viewer.feed().history().tag(m_viewer.playback().position() - 1),
                             first, pictures, hooks);
        if (!outcome.undecodable.isEmpty()) {
            const auto invalid = core::RuntimeError::invalidPicture();
            throw core::RuntimeError(invalid.number(), invalid.description() +
                                                           QStringLiteral(": ") +
                                                           outcome.undecodable.join(u", "));
        }
    });
}

} // namespace pluvix::app
