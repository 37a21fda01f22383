#include "view/AccessibleTexts.h"

#include "acquisition/Catalogue.h"
#include "view/MapGeometry.h"

namespace pluvix::view {

namespace {

QString pictureOf(const QString& hourMinute) {
    return hourMinute.isEmpty() ? QString() : QStringLiteral(", %1 UTC").arg(hourMinute);
}

} // namespace

QString historySliderName(int picture, int pictureCount, const QString& hourMinute) {
    return QStringLiteral("History: picture %1 of %2").arg(picture).arg(pictureCount) +
           pictureOf(hourMinute);
}

QString zoomSliderName(int zoom) {
    return QStringLiteral("Zoom level %1 of %2").arg(zoom).arg(maxZoomLevel);
}

QString spokenProductName(const QString& productCode) {
    QString spoken = acquisition::longLabelFor(productCode).toLower();
    // Read as words, not as "h r" or two separate ranges.
    spoken.replace(QLatin1String("short range"), QLatin1String("short-range"));
    spoken.replace(QLatin1String("long range"), QLatin1String("long-range"));
    spoken.replace(QLatin1String("1 hr"), QLatin1String("1-hour"));
    return spoken;
}

QString presetButtonName(int slot, const QString& stationLabel, const QString& productCode) {
    if (stationLabel.isEmpty())
        return QStringLiteral("Preset %1: empty").arg(slot);
    const QString product = spokenProductName(productCode);
    return QStringLiteral("Preset %1: %2")
        .arg(slot)
        .arg(product.isEmpty() ? stationLabel : stationLabel + QLatin1Char(' ') + product);
}

QString mapViewName(const QString& stationLabel, const QString& hourMinute) {
    QString name = stationLabel.isEmpty() ? QStringLiteral("Radar map")
                                          : QStringLiteral("Radar map of %1").arg(stationLabel);
    if (!hourMinute.isEmpty())
        name += QStringLiteral(", picture of %1 UTC").arg(hourMinute);
    return name;
}

QString clockName(const QString& localHourMinute) {
    return QStringLiteral("Clock showing %1 local time").arg(localHourMinute);
}

QString localHourMinute(float hour, int minute) {
    constexpr int day = 24 * 60;
    const int minutes = ((qRound(hour * 60.0f) + minute) % day + day) % day;
    return QStringLiteral("%1:%2")
        .arg(minutes / 60, 2, 10, QLatin1Char('0'))
        .arg(minutes % 60, 2, 10, QLatin1Char('0'));
}

QString pictureNumberName(int picture, int pictureCount) {
    return QStringLiteral("Picture %1 of %2").arg(picture).arg(pictureCount);
}

QString timeLabelName(const QString& caption) {
    return QStringLiteral("Picture time: ") + caption.simplified();
}

QString accessibleDescription(AccessibleControl control) {
    switch (control) {
    case AccessibleControl::HistorySlider:
        return QStringLiteral("Chooses which of the loaded pictures the map shows; Left and Right "
                              "step, Home and End go to the oldest and newest");
    case AccessibleControl::ZoomSlider:
        return QStringLiteral("Sets how large the map is drawn; plus and minus zoom in and out");
    case AccessibleControl::PresetButton:
        return QStringLiteral("Shows the station, product and view stored on this button; press "
                              "to recall them, right-click to store the current view");
    case AccessibleControl::Map:
        return QStringLiteral("The radar picture; drag to move it, use the wheel to zoom, open "
                              "the map menu with the Menu key or Shift+F10");
    case AccessibleControl::Clock:
        return QStringLiteral("The time of the shown picture in local time; click to show or "
                              "hide the range rings, double-click for the UTC time label");
    case AccessibleControl::OptionsButton:
        return QStringLiteral("Opens the options: station, product, polling and display");
    case AccessibleControl::LoopSwitch:
        return QStringLiteral("Plays the newest pictures over and over while checked");
    case AccessibleControl::PictureNumber:
        return QStringLiteral("The number of the shown picture; click for a newer picture, "
                              "right-click for an older one, double-click to ask the server now");
    case AccessibleControl::TimeLabel:
        return QStringLiteral("The date and UTC time of the shown picture");
    }
    return {};
}

} // namespace pluvix::view
