#include "app/OverlaysOnMap.h"

#include "acquisition/Catalogue.h"
#include "app/Desktop.h"
#include "app/MainMenus.h"
#include "app/Viewer.h"
#include "view/ColourScale.h"
#include "view/MapView.h"
#include "view/PictureAge.h"

#include <QEvent>

#include <algorithm>

namespace pluvix::app {

OverlaysOnMap::OverlaysOnMap(Parts parts, QObject* parent) : QObject(parent), m_p(parts) {
    view::PictureAgeWatch* age = &m_p.viewer.pictureAge();
    connect(age, &view::PictureAgeWatch::badgeChanged, &m_p.map, &view::MapView::setAgeBadge);
    connect(age, &view::PictureAgeWatch::ageChanged, this, &OverlaysOnMap::showTrayDetails);
    connect(&m_p.viewer, &Viewer::pictureShown, this, &OverlaysOnMap::followShownPicture);
    connect(&m_p.menus, &MainMenus::colourScaleToggled, this, &OverlaysOnMap::toggleColourScale);
    for (QObject* placing : {static_cast<QObject*>(&m_p.map), static_cast<QObject*>(&m_p.panel),
                             static_cast<QObject*>(&m_p.timeLabel)})
        placing->installEventFilter(this);
    applyStored();
}

void OverlaysOnMap::applyStored() {
    const bool shown = m_p.viewer.settings().ShowColourScale;
    m_p.map.setColourScaleShown(shown);
    m_p.menus.showColourScale(shown);
}

void OverlaysOnMap::toggleColourScale() {
    bool& shown = m_p.viewer.settings().ShowColourScale;
    shown = !shown;
    applyStored();
}

void OverlaysOnMap::followShownPicture() {
    const QString& product = m_p.viewer.settings().MapTypeShort;
    if (product != m_product) {
        m_product = product;
        m_p.map.setColourScale(view::colourScaleFor(product));
    }
    // The station may have changed under a picture of the same time.
    showTrayDetails();
}

void OverlaysOnMap::showTrayDetails() {
    const settings::SettingsRecord& s = m_p.viewer.settings();
    const view::PictureAgeWatch& age = m_p.viewer.pictureAge();
    m_p.desktop.setTrayDetails(
        view::trayToolTip(acquisition::presetDescription(s.BaseURL, s.MapTypeShort),
                          age.pictureTimeText(), age.ageSeconds()));
}

bool OverlaysOnMap::eventFilter(QObject*, QEvent* event) {
    switch (event->type()) {
    case QEvent::Move:
    case QEvent::Resize:
    case QEvent::Show:
    case QEvent::Hide:
        placeOverlays();
        break;
    default:
        break;
    }
    return false;
}

void OverlaysOnMap::placeOverlays() {
    const QWidget& map = m_p.map;
    int bottom = std::min(map.height(), m_p.panel.y());
    if (!m_p.timeLabel.isHidden())
        bottom = std::min(bottom, m_p.timeLabel.y());
    m_p.map.setOverlayArea(QRectF(0, 0, map.width(), std::max(bottom, 0)));
}

} // namespace pluvix::app
