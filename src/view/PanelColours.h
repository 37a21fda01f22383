#pragma once

#include <QColor>

#include <functional>

class QObject;
class QPalette;

namespace pluvix::view {

// Colours of the status panel, its preset buttons and the labels over the map. A light
// application palette gives the fixed colours these have always had; a dark one (its window
// darker than its text) gives colours taken from the palette, so the panel reads on a dark
// desktop.
struct PanelColours {
    QColor panel;
    QColor panelText;
    QColor presetFace;
    QColor presetDigit;
    QColor presetDigitDisabled;
    QColor bevelLight;
    QColor bevelShadow;
    QColor timeLabel;
    QColor timeLabelText;
    QColor notice;
    QColor noticeText;
};

bool isDarkPalette(const QPalette& palette);
PanelColours panelColours(const QPalette& application);
// Calls `recolour` whenever the application palette changes, for as long as `owner` lives.
void followApplicationPalette(QObject* owner, std::function<void()> recolour);

} // namespace pluvix::view
