#pragma once

#include <QtGlobal>

namespace pluvix::settings {

// What the settings loader and saver need from the main window. Measures in twips.
class SettingsWindow {
public:
    virtual ~SettingsWindow() = default;

    virtual float formWidth() const = 0;
    virtual void setFormWidth(float twips) = 0;
    virtual float formHeight() const = 0;
    virtual void setFormHeight(float twips) = 0;
    virtual float formLeft() const = 0;
    virtual void setFormLeft(float twips) = 0;
    virtual float formTop() const = 0;
    virtual void setFormTop(float twips) = 0;

    // The map picture `Image1`.
    virtual float mapLeft() const = 0;
    virtual void setMapLeft(float twips) = 0;
    virtual float mapTop() const = 0;
    virtual void setMapTop(float twips) = 0;
    virtual float mapWidth() const = 0;
    virtual void setMapWidth(float twips) = 0;
    virtual float mapHeight() const = 0;
    virtual void setMapHeight(float twips) = 0;

    // The zoom slider `HScroll1(1)`; a value outside 1..12 throws
    // core::RuntimeError::invalidPropertyValue() and leaves the slider as it was.
    virtual qint32 zoomValue() const = 0;
    virtual void setZoomValue(qint32 level) = 0;

    // Check mark of `mnuSetImageWallpaper`.
    virtual bool wallpaperChecked() const = 0;
    virtual void setWallpaperChecked(bool checked) = 0;
    // Check mark of `mnuHideTitleBar`.
    virtual bool titleBarHiddenChecked() const = 0;
    // Height of the status panel `Picture1`; 15 when hidden.
    virtual float statusPanelHeight() const = 0;
    // Neither minimised nor maximised.
    virtual bool isNormalState() const = 0;

    virtual float screenWidth() const = 0;
    virtual float screenHeight() const = 0;
};

} // namespace pluvix::settings
