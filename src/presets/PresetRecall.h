#pragma once

#include "presets/PresetStore.h"
#include "view/RangeRings.h"

#include <QObject>

#include <functional>

namespace pluvix::acquisition {
class ImageFeed;
}
namespace pluvix::diagnostics {
class ErrorSink;
}
namespace pluvix::platform {
class MessageBoxes;
}
namespace pluvix::settings {
struct SettingsRecord;
}
namespace pluvix::view {
class MapState;
}

namespace pluvix::presets {

// What the preset buttons do to the model: a right press offers to store the current view in
// the slot, a left press recalls the slot's view and reloads its pictures. Windows follow the
// signals, which are emitted in the order the steps run.
class PresetRecall final : public QObject {
    Q_OBJECT
public:
    struct Parts {
        settings::SettingsRecord& settings;
        view::MapState& map;
        acquisition::ImageFeed& feed;
        platform::MessageBoxes& boxes;
        diagnostics::ErrorSink& errors;
        // The program is closing: a recall stops where it stands.
        std::function<bool()> ending;
    };
    explicit PresetRecall(Parts parts);

    // The slots are known once the application name is.
    void setStore(PresetStore* store) { m_store = store; }
    bool hasStore() const { return m_store != nullptr; }

    // What a store puts into a slot.
    PresetView currentView() const;
    // Asks whether to put the current view into the slot; true when stored.
    bool offerStore(int slot);
    // An error before the reload puts the previous view back, as its pictures are still shown;
    // after it the recalled view stays with whatever pictures came.
    void recall(int slot);
    // A press of either kind; other buttons do nothing. Errors are reported, not thrown.
    void press(int slot, Qt::MouseButton button);

    // While a recall runs the ring labels stay as they are.
    bool busy() const { return m_busy; }
    void endBusy() { m_busy = false; }

signals:
    void slotStored(int slot, const QString& description);
    // The slot's button goes down and the panel freezes behind the progress.
    void recallBegins(int slot);
    void ringLabelsRequested(pluvix::view::RingLabels request);
    void picturesLeaving();
    void stationChanged();
    void recallLoaded();
    // Always after a recall that the program survived, whether it worked or not.
    void recallEnds();
    // After `recallEnds` when an error gave the recall up.
    void recallAbandoned(bool viewRestored);

private:
    Parts m_p;
    PresetStore* m_store = nullptr;
    bool m_busy = false;
};

} // namespace pluvix::presets
