#include "app/MainMenus.h"

#include "core/RuntimeError.h"
#include "view/LoopPlayer.h"

#include <QAction>
#include <QMenu>

namespace pluvix::app {

namespace {

template <class Signal>
QAction* addItem(MainMenus* menus, QMenu* menu, const QString& name, const QString& caption,
                 Signal signal) {
    QAction* a = menu->addAction(caption);
    a->setObjectName(name);
    QObject::connect(a, &QAction::triggered, menus, [menus, signal] { emit(menus->*signal)(); });
    return a;
}

// A menu's own check toggling would fight the model's marks: it is undone before the command
// runs, and the model's answer draws the mark.
QAction* addCheckable(QMenu* menu, const QString& name, const QString& caption) {
    QAction* a = menu->addAction(caption);
    a->setObjectName(name);
    a->setCheckable(true);
    QObject::connect(a, &QAction::triggered, a, [a](bool checked) {
        QSignalBlocker block(a);
        a->setChecked(!checked);
    });
    return a;
}

template <class Signal>
QAction* addCheckable(MainMenus* menus, QMenu* menu, const QString& name, const QString& caption,
                      Signal signal) {
    QAction* a = addCheckable(menu, name, caption);
    QObject::connect(a, &QAction::triggered, menus, [menus, signal] { emit(menus->*signal)(); });
    return a;
}

} // namespace

MainMenus::MainMenus(QWidget* window) : QObject(window) {
    m_imageMenu = new QMenu(QStringLiteral("Image"), window);
    m_imageMenu->setObjectName(QStringLiteral("mnuImage"));
    QMenu* m = m_imageMenu;
    addCheckable(this, m, QStringLiteral("mnuBullseyeOn"), QStringLiteral("Show Bullseye"),
                 &MainMenus::bullseyeToggled);
    addItem(this, m, QStringLiteral("mnuCenterBullseye"), QStringLiteral("Center Bullseye"),
            &MainMenus::bullseyeCentred);
    addCheckable(this, m, QStringLiteral("mnuShowColourScale"), QStringLiteral("Show Colour Scale"),
                 &MainMenus::colourScaleToggled);
    m->addSeparator();
    addItem(this, m, QStringLiteral("mnuZoomIn"), QStringLiteral("Zoom In"),
            &MainMenus::zoomInChosen);
    addItem(this, m, QStringLiteral("mnuZoomOut"), QStringLiteral("Zoom Out"),
            &MainMenus::zoomOutChosen);
    QMenu* zoom = m->addMenu(QStringLiteral("Zoom"));
    zoom->menuAction()->setObjectName(QStringLiteral("mnuZoom"));
    for (int i = 0; i <= 12; ++i) {
        m_zoomItems[i] =
            addCheckable(zoom, QStringLiteral("mnuZoomNum_%1").arg(i), QString::number(i));
        connect(m_zoomItems[i], &QAction::triggered, this, [this, i] { emit zoomChosen(i); });
        m_zoomItems[i]->setVisible(i != 0);
    }
    m->addSeparator();
    addItem(this, m, QStringLiteral("mnuSaveMap"), QStringLiteral("Save Map To File"),
            &MainMenus::saveMapChosen);
    addItem(this, m, QStringLiteral("mnuSaveSeriesMap"),
            QStringLiteral("Save Series of Maps to File"), &MainMenus::saveSeriesChosen);
    addItem(this, m, QStringLiteral("mnuSaveLoop"), QStringLiteral("Save Loop As\u2026"),
            &MainMenus::saveLoopChosen);
    addItem(this, m, QStringLiteral("mnuCopyView"), QStringLiteral("Copy View"),
            &MainMenus::copyViewChosen);
    addCheckable(this, m, QStringLiteral("mnuSetImageWallpaper"),
                 QStringLiteral("Set Images to Wallpaper"), &MainMenus::wallpaperToggled);
    m->addSeparator();
    QMenu* speed = m->addMenu(QStringLiteral("Loop Images Per Second"));
    speed->menuAction()->setObjectName(QStringLiteral("mnuPlayInterval"));
    for (int i = 0; i <= 10; ++i) {
        m_speedItems[i] =
            addCheckable(speed, QStringLiteral("mnuPlayImagePerSec_%1").arg(i), QString::number(i));
        connect(m_speedItems[i], &QAction::triggered, this, [this, i] { emit playSpeedChosen(i); });
        m_speedItems[i]->setVisible(i != 0);
    }
    QMenu* history = m->addMenu(QStringLiteral("Images to Loop"));
    history->menuAction()->setObjectName(QStringLiteral("mnuPlayImageHistory"));
    const QStringList captions = view::playHistoryCaptions();
    for (int i = 0; i < 10; ++i) {
        m_loopLengthItems[i] =
            addCheckable(history, QStringLiteral("mnuPlayHistory_%1").arg(i), captions.value(i));
        connect(m_loopLengthItems[i], &QAction::triggered, this,
                [this, i] { emit loopLengthChosen(i); });
    }
    addCheckable(this, m, QStringLiteral("mnuPlayNow"), QStringLiteral("Loop"),
                 &MainMenus::loopToggled);
    m->addSeparator();
    addItem(this, m, QStringLiteral("mnuPreferences"), QStringLiteral("Options"),
            &MainMenus::optionsChosen);
    // Linux window managers take no items from programs: the window commands live here.
    QMenu* windowMenu = m->addMenu(QStringLiteral("Window"));
    windowMenu->menuAction()->setObjectName(QStringLiteral("mnuWindow"));
    addItem(this, windowMenu, QStringLiteral("mnuWindowDefault"), QStringLiteral("Window Default"),
            &MainMenus::windowDefaultChosen);
    addItem(this, windowMenu, QStringLiteral("mnuWindowPreferences"), QStringLiteral("Preferences"),
            &MainMenus::preferencesChosen);
    addItem(this, windowMenu, QStringLiteral("mnuWindowAbout"), QStringLiteral("About Pluvix"),
            &MainMenus::aboutChosen);
    addItem(this, windowMenu, QStringLiteral("mnuWindowHelp"), QStringLiteral("Pluvix Help"),
            &MainMenus::helpChosen);
    m->addSeparator();
    addCheckable(this, m, QStringLiteral("mnuHideTitleBar"), QStringLiteral("Hide Title Bar"),
                 &MainMenus::titleBarToggled);
    addCheckable(this, m, QStringLiteral("mnuHideStatusBar"), QStringLiteral("Hide Status Bar"),
                 &MainMenus::statusPanelToggled);
    m->addSeparator();
    addCheckable(this, m, QStringLiteral("mnuKeepOnTop"), QStringLiteral("Keep On Top"),
                 &MainMenus::keepOnTopToggled);
    m->addSeparator();
    addItem(this, m, QStringLiteral("mnuHelp"), QStringLiteral("Pluvix Help"),
            &MainMenus::helpChosen);
    m->addSeparator();
    addItem(this, m, QStringLiteral("mnuMinimize"), QStringLiteral("Minimize"),
            &MainMenus::minimizeChosen);
    m->addSeparator();
    addItem(this, m, QStringLiteral("mnuExit"), QStringLiteral("Exit"), &MainMenus::exitChosen);

    m_trayMenu = new QMenu(QStringLiteral("File"), window);
    m_trayMenu->setObjectName(QStringLiteral("mnuFile"));
    addItem(this, m_trayMenu, QStringLiteral("mnuShowPluvix"), QStringLiteral("Show Pluvix"),
            &MainMenus::restoreChosen);
    addItem(this, m_trayMenu, QStringLiteral("mnuOptions"), QStringLiteral("Options"),
            &MainMenus::trayOptionsChosen);
}

QAction* MainMenus::action(const QString& objectName) const {
    // Items of sub-menus, and the sub-menus' own entries, are children of the menus too.
    for (QMenu* menu : {m_imageMenu, m_trayMenu})
        if (auto* a = menu->findChild<QAction*>(objectName))
            return a;
    return nullptr;
}

void MainMenus::mark(const char* objectName, bool checked) {
    action(QLatin1String(objectName))->setChecked(checked);
}

void MainMenus::showZoom(int level) {
    for (int i = 1; i <= 12; ++i)
        m_zoomItems[i]->setChecked(i == level);
}

void MainMenus::showPlaySpeed(int speed) {
    if (speed < 0 || speed > 10)
        throw core::RuntimeError::subscriptOutOfRange();
    for (int i = 1; i <= 10; ++i)
        m_speedItems[i]->setChecked(false);
    m_speedItems[speed]->setChecked(true);
}

void MainMenus::showLoopLength(qint16 imageCount) {
    for (QAction* a : m_loopLengthItems)
        a->setChecked(false);
    if (const auto index = view::playHistoryIndexFor(imageCount))
        m_loopLengthItems[*index]->setChecked(true);
}

void MainMenus::showLooping(bool on) {
    mark("mnuPlayNow", on);
}
void MainMenus::showBullseye(bool shown) {
    mark("mnuBullseyeOn", shown);
}
void MainMenus::showColourScale(bool shown) {
    mark("mnuShowColourScale", shown);
}
void MainMenus::showWallpaperFollows(bool follows) {
    mark("mnuSetImageWallpaper", follows);
}
void MainMenus::showTitleBarHidden(bool hidden) {
    mark("mnuHideTitleBar", hidden);
}
void MainMenus::showStatusPanelHidden(bool hidden) {
    mark("mnuHideStatusBar", hidden);
}
void MainMenus::showKeepOnTop(bool onTop) {
    mark("mnuKeepOnTop", onTop);
}

} // namespace pluvix::app
