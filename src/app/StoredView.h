#pragma once

#include "settings/SettingsWindow.h"
#include "view/MapState.h"

#include <functional>

class QWidget;

namespace pluvix::app {

// The window as the settings loader and saver see it, in twips: its place and size, the map
// and its zoom, and the marks that are stored with them.
class StoredView final : public settings::SettingsWindow {
public:
    struct Marks {
        std::function<bool()> wallpaper;
        std::function<void(bool)> setWallpaper;
        std::function<bool()> titleBarHidden;
        std::function<float()> statusPanelHeight;
        std::function<bool()> normalState;
    };
    StoredView(QWidget& window, view::MapState& map, Marks marks);

    float formWidth() const override;
    void setFormWidth(float twips) override;
    float formHeight() const override;
    void setFormHeight(float twips) override;
    float formLeft() const override;
    void setFormLeft(float twips) override;
    float formTop() const override;
    void setFormTop(float twips) override;

    float mapLeft() const override { return m_map.rect().Left; }
    float mapTop() const override { return m_map.rect().Top; }
    float mapWidth() const override { return m_map.rect().Width; }
    float mapHeight() const override { return m_map.rect().Height; }
    void setMapLeft(float twips) override { setMapEdge(&view::MapRect::Left, twips); }
    void setMapTop(float twips) override { setMapEdge(&view::MapRect::Top, twips); }
    void setMapWidth(float twips) override { setMapEdge(&view::MapRect::Width, twips); }
    void setMapHeight(float twips) override { setMapEdge(&view::MapRect::Height, twips); }
    qint32 zoomValue() const override { return m_map.zoom(); }
    void setZoomValue(qint32 level) override { m_map.setZoom(level); }

    bool wallpaperChecked() const override { return m_marks.wallpaper(); }
    void setWallpaperChecked(bool checked) override { m_marks.setWallpaper(checked); }
    bool titleBarHiddenChecked() const override { return m_marks.titleBarHidden(); }
    float statusPanelHeight() const override { return m_marks.statusPanelHeight(); }
    bool isNormalState() const override { return m_marks.normalState(); }
    float screenWidth() const override;
    float screenHeight() const override;

private:
    void setMapEdge(float view::MapRect::*edge, float twips);

    QWidget& m_window;
    view::MapState& m_map;
    Marks m_marks;
};

} // namespace pluvix::app
