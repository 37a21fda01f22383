#pragma once

#include "core/RuntimeError.h"
#include "settings/SettingsWindow.h"

namespace pluvix::testsupport {

// The main window as the settings loader sees it: plain fields, a zoom slider that refuses
// values outside 1..12.
class FakeSettingsWindow final : public settings::SettingsWindow {
public:
    float width = 4800.0f;
    float height = 3600.0f;
    float left = 0.0f;
    float top = 0.0f;
    float imageLeft = 0.0f;
    float imageTop = 0.0f;
    float imageWidth = 0.0f;
    float imageHeight = 0.0f;
    qint32 zoom = 1;
    bool wallpaper = false;
    float panelHeight = 600.0f;

    float formWidth() const override { return width; }
    void setFormWidth(float twips) override { width = twips; }
    float formHeight() const override { return height; }
    void setFormHeight(float twips) override { height = twips; }
    float formLeft() const override { return left; }
    void setFormLeft(float twips) override { left = twips; }
    float formTop() const override { return top; }
    void setFormTop(float twips) override { top = twips; }

    float mapLeft() const override { return imageLeft; }
    void setMapLeft(float twips) override { imageLeft = twips; }
    float mapTop() const override { return imageTop; }
    void setMapTop(float twips) override { imageTop = twips; }
    float mapWidth() const override { return imageWidth; }
    void setMapWidth(float twips) override { imageWidth = twips; }
    float mapHeight() const override { return imageHeight; }
    void setMapHeight(float twips) override { imageHeight = twips; }

    qint32 zoomValue() const override { return zoom; }
    void setZoomValue(qint32 level) override {
        if (level < 1 || level > 12)
            throw core::RuntimeError::invalidPropertyValue();
        zoom = level;
    }

    bool wallpaperChecked() const override { return wallpaper; }
    void setWallpaperChecked(bool checked) override { wallpaper = checked; }
    bool titleBarHiddenChecked() const override { return false; }
    float statusPanelHeight() const override { return panelHeight; }
    bool isNormalState() const override { return true; }
    float screenWidth() const override { return 19200.0f; } // 1280 x 1024 px
    float screenHeight() const override { return 15360.0f; }
};

} // namespace pluvix::testsupport
