#include "app/MainWindow.h"

#include "app/AccessibleNames.h"
#include "app/KeyCommands.h"
#include "app/KeyboardFocus.h"
#include "app/MapMouse.h"
#include "app/ViewExport.h"

#include "diagnostics/ErrorReporter.h"
#include "dialogs/AboutBox.h"
#include "dialogs/SplashScreen.h"
#include "platform/FileDialogs.h"
#include "platform/MessageBoxes.h"
#include "presets/PresetButtons.h"
#include "view/ClockWidget.h"
#include "view/MapView.h"
#include "view/Twips.h"

#include <QKeyEvent>
#include <QLabel>

namespace pluvix::app {

using diagnostics::trap;
namespace procedure = diagnostics::procedure;
using view::pxToTwips;

namespace {

int px(float twips) {
    return qRound(view::twipsToPx(twips));
}

} // namespace

MainWindow::MainWindow(Services services, QWidget* parent)
    : QWidget(parent), m_viewer(std::move(services)), m_s(m_viewer.services()),
      m_storedView(*this, m_viewer.mapState(),
                   {[this] { return m_viewer.wallpaperFollows(); },
                    [this](bool follows) { m_viewer.setWallpaperFollows(follows); },
                    [this] { return m_chrome->titleBarHidden(); },
                    [this] { return m_chrome->panelHeight(); },
                    [this] { return m_chrome->isNormalState(); }}) {
    setObjectName(QStringLiteral("Form1"));
    setAttribute(Qt::WA_DeleteOnClose, false);
    setFocusPolicy(Qt::ClickFocus); // keys come through the focused child; Tab passes it by
    QPalette pal = palette();
    pal.setColor(QPalette::Window, view::MapView::backgroundColour());
    setPalette(pal);
    setAutoFillBackground(true);
    resize(px(5100), px(5985));

    m_map = new view::MapView(this);
    m_panel = new StatusPanel(this);
    m_clock = new view::ClockWidget(this);
    m_clock->setObjectName(QStringLiteral("ClockPic"));
    m_timeLabel = new TimeLabel(this, *m_panel);
    m_connectionNotice = new ConnectionNotice(this);
    m_menus = new MainMenus(this);
    m_saver = new HistorySaver(m_viewer, this);
    m_chrome = new ChromeController(
        {*this, *m_panel, *m_clock, *m_map, m_s.desktop, m_viewer.errors(), m_viewer.settings(),
         m_storedView, [this] { layOut(); }, [this] { return m_viewer.feed().isLoading(); },
         [this] { return m_viewer.shutDownDone(); }},
        this);

    m_rings = new RingsOnMap(
        {m_viewer, *m_map, *m_panel, *m_menus, [this] { return clientArea(); }}, this);
    new MapMouse({m_viewer,
                  *m_map,
                  *m_panel,
                  *m_chrome,
                  *m_menus->imageMenu(),
                  {m_panel, m_clock, m_timeLabel, m_connectionNotice},
                  [this] { m_rings->draw(); }},
                 this);
    m_overlays =
        new OverlaysOnMap({m_viewer, *m_map, *m_menus, m_s.desktop, *m_panel, *m_timeLabel}, this);
    new KeyCommands({*this, m_viewer, *m_menus, *m_panel, *m_map, [this] { return clientArea(); },
                     [this] { m_rings->draw(); }},
                    this);
    new AccessibleNames({m_viewer, *m_panel, *m_map, *m_clock, *m_timeLabel}, this);
    new KeyboardFocus(*this, *m_map, *m_panel);
    wirePanel();
    wireMenus();
    followViewer();
    followFeed();
    followRecall();

    m_s.boxes.setParentWindow(this);
    m_s.fileDialogs.setParentWindow(this);
    m_s.desktop.setTrayMenu(m_menus->trayMenu());
    m_s.desktop.onTrayRestoreRequested([this] { m_chrome->restoreFromTray(); });
}

MainWindow::~MainWindow() = default;

// --- wiring: intents to the models, the models' state to the widgets ----------------------------

void MainWindow::wirePanel() {
    view::Playback& playback = m_viewer.playback();
    view::MapState& map = m_viewer.mapState();
    m_panel->showHistoryRange(playback.minimum(), playback.maximum());
    m_panel->showHistoryPosition(playback.position());
    m_panel->showZoom(map.zoom());
    connect(m_panel, &StatusPanel::historyMoved, &playback, &view::Playback::setPosition);
    connect(m_panel, &StatusPanel::zoomMoved, &map, &view::MapState::moveZoom);
    connect(&playback, &view::Playback::rangeChanged, m_panel, &StatusPanel::showHistoryRange);
    connect(&playback, &view::Playback::positionChanged, this, [this](int position) {
        m_panel->showHistoryPosition(position);
        m_viewer.showHistoryPosition();
    });
    connect(&map, &view::MapState::zoomChanged, this, [this](int level) {
        m_panel->showZoom(level);
        applyZoom();
    });
    connect(&map, &view::MapState::rectChanged, m_map, &view::MapView::setMapRect);
    connect(&playback, &view::Playback::loopingChanged, m_panel, &StatusPanel::showLooping);
    connect(m_panel, &StatusPanel::loopToggled, this, &MainWindow::setLooping);
    connect(m_panel, &StatusPanel::optionsPressed, this, &MainWindow::openOptionsFromPanel);
    connect(m_panel, &StatusPanel::presetPressed, &m_viewer.presetRecall(),
            &presets::PresetRecall::press);
    connect(m_panel, &StatusPanel::pictureNumberPressed, this, [this](Qt::MouseButton button) {
        m_panel->releasePresets();
        m_viewer.playback().stepNewerOrBack(button == Qt::LeftButton);
    });
    connect(m_panel, &StatusPanel::pictureNumberDoubleClicked, this, [this] {
        m_viewer.feed().pollNow();
        m_viewer.feed().restartPollCount();
    });

    connect(m_map, &view::MapView::mapDoubleClicked, m_chrome,
            &ChromeController::toggleStatusPanel);
    connect(m_clock, &view::ClockWidget::leftPressed, m_rings, &RingsOnMap::toggle);
    connect(m_clock, &view::ClockWidget::doubleClicked, this, [this] {
        m_timeLabel->place();
        auto& shown = m_viewer.settings().ShowUTCDateTime;
        shown = shown != 1 ? 1 : 0;
        m_timeLabel->setVisible(shown == 1);
    });
}

void MainWindow::wireMenus() {
    MainMenus* m = m_menus;
    view::MapState* map = &m_viewer.mapState();
    view::Playback* playback = &m_viewer.playback();
    connect(m, &MainMenus::bullseyeToggled, m_rings, &RingsOnMap::toggle);
    connect(m, &MainMenus::bullseyeCentred, m_rings, &RingsOnMap::centreAtPopup);
    connect(m, &MainMenus::zoomInChosen, map, &view::MapState::zoomIn);
    connect(m, &MainMenus::zoomOutChosen, map, &view::MapState::zoomOut);
    connect(m, &MainMenus::zoomChosen, map, &view::MapState::moveZoom);
    for (auto chosen : {&MainMenus::zoomInChosen, &MainMenus::zoomOutChosen})
        connect(m, chosen, m_panel, &StatusPanel::releasePresets);
    connect(m, &MainMenus::zoomChosen, m_panel, &StatusPanel::releasePresets);
    connect(m, &MainMenus::saveMapChosen, m_saver, &HistorySaver::saveMap);
    connect(m, &MainMenus::saveSeriesChosen, m_saver, &HistorySaver::saveSeries);
    connect(m_saver, &HistorySaver::panelFrozen, m_panel, &StatusPanel::freeze);
    auto* exporter = new ViewExport(
        m_viewer,
        [this](const QImage& picture) {
            return m_map->composedImage(picture, {0, 0, m_map->width(), m_panel->y()});
        },
        this);
    connect(m, &MainMenus::saveLoopChosen, exporter, &ViewExport::saveLoop);
    connect(m, &MainMenus::copyViewChosen, exporter, &ViewExport::copyView);
    connect(exporter, &ViewExport::panelFrozen, m_panel, &StatusPanel::freeze);
    connect(m, &MainMenus::wallpaperToggled, &m_viewer, &Viewer::toggleWallpaper);
    connect(m, &MainMenus::playSpeedChosen, this, [this, playback](int speed) {
        trap(m_viewer.errors(), procedure::playSpeed, [&] {
            playback->setSpeed(speed);
            m_menus->showPlaySpeed(speed);
        });
    });
    connect(m, &MainMenus::loopLengthChosen, this, [this, playback](int index) {
        trap(m_viewer.errors(), procedure::loopLength, [&] {
            playback->setLoopLength(index);
            m_menus->showLoopLength(m_viewer.settings().HistoryImageCount);
        });
    });
    connect(m, &MainMenus::loopToggled, this,
            [this, playback] { setLooping(!playback->isLooping()); });
    connect(m, &MainMenus::optionsChosen, this, &MainWindow::showOptions);
    connect(m, &MainMenus::preferencesChosen, this, &MainWindow::openOptionsFromPanel);
    connect(m, &MainMenus::trayOptionsChosen, this, [this] {
        showOptions();
        m_panel->clearPresetMark();
    });
    connect(m, &MainMenus::aboutChosen, &m_viewer, &Viewer::showAboutBox);
    connect(m, &MainMenus::helpChosen, this, &MainWindow::openHelp);
    connect(m, &MainMenus::minimizeChosen, this,
            [this] { setWindowState(windowState() | Qt::WindowMinimized); });
    connect(m, &MainMenus::exitChosen, this, [this] { close(); });

    ChromeController* c = m_chrome;
    connect(m_menus, &MainMenus::windowDefaultChosen, c, &ChromeController::windowDefault);
    connect(m_menus, &MainMenus::titleBarToggled, c, &ChromeController::toggleTitleBar);
    connect(m_menus, &MainMenus::statusPanelToggled, c, &ChromeController::toggleStatusPanel);
    connect(m_menus, &MainMenus::keepOnTopToggled, c, &ChromeController::toggleKeepOnTop);
    connect(m_menus, &MainMenus::restoreChosen, c, &ChromeController::restoreFromTray);
    connect(c, &ChromeController::titleBarHiddenChanged, m_menus, &MainMenus::showTitleBarHidden);
    connect(c, &ChromeController::statusPanelHiddenChanged, m_menus,
            &MainMenus::showStatusPanelHidden);
    connect(c, &ChromeController::keepOnTopChanged, m_menus, &MainMenus::showKeepOnTop);
    connect(c, &ChromeController::titleBarShown, &m_viewer, &Viewer::ShowStationTitle);
}

void MainWindow::followViewer() {
    Viewer* v = &m_viewer;
    connect(v, &Viewer::pictureShown, m_map, &view::MapView::setPicture);
    connect(v, &Viewer::connectionNoticeShown, m_connectionNotice, &ConnectionNotice::showNotice);
    connect(v, &Viewer::timeCaptionChanged, m_timeLabel, &TimeLabel::showCaption);
    connect(v, &Viewer::pictureNumberChanged, m_panel, &StatusPanel::showPictureNumber);
    connect(v, &Viewer::clockHandsSet, m_clock, &view::ClockWidget::setHands);
    connect(v, &Viewer::wallpaperFollowsChanged, m_menus, &MainMenus::showWallpaperFollows);
    connect(&v->bullseye(), &view::Bullseye::labelsStyled, m_map,
            &view::MapView::setRingLabelPointSize);
    connect(&v->bullseye(), &view::Bullseye::labelsShown, m_map, &view::MapView::setRingsVisible);
    connect(&v->bullseye(), &view::Bullseye::shownChanged, m_menus, &MainMenus::showBullseye);
    connect(v, &Viewer::ringsRedrawn, m_rings, &RingsOnMap::draw);
    connect(v, &Viewer::timeLabelShown, m_timeLabel, &QWidget::setVisible);
    connect(v, &Viewer::timeLabelFontSizeChanged, m_timeLabel, &TimeLabel::setFontPoints);
    connect(v, &Viewer::timeLabelPlaced, m_timeLabel, &TimeLabel::place);
    connect(v, &Viewer::stationTitleChanged, this, &QWidget::setWindowTitle);
    connect(v, &Viewer::presetCountChanged, this,
            [this](int count) { m_panel->presetButtons()->ShowPresetButtons(qint16(count)); });
    connect(v, &Viewer::aboutRequested, this,
            [this] { dialogs::AboutBox::showModal(m_viewer.appName(), this); });
}

// --- layout ------------------------------------------------------------------------------------

view::ClientArea MainWindow::clientArea() const {
    return {pxToTwips(float(width())), pxToTwips(float(height())), m_chrome->panelHeight()};
}

void MainWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    layOut();
}

void MainWindow::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange)
        layOut();
}

void MainWindow::layOut() {
    trap(m_viewer.errors(), procedure::layout, [&] {
        m_map->setGeometry(rect());
        const float clockSide = view::clockSide;
        const auto layout = view::resizeLayout(
            pxToTwips(float(width())), pxToTwips(float(height())), m_chrome->panelHeight(),
            clockSide, clockSide, pxToTwips(float(m_timeLabel->height())));
        m_panel->setGeometry(view::toPixels(layout.panelRect).toRect());
        m_clock->setGeometry(px(layout.clockLeft), px(layout.clockTop), px(clockSide),
                             px(clockSide));
        m_clock->setFaceBitmapShown(layout.clockFaceBitmap);
        m_timeLabel->place();
        m_chrome->followMinimized();
        m_timeLabel->place();
        m_clock->raise();
        m_timeLabel->raise();
        m_connectionNotice->raise();
    });
}

void MainWindow::keyReleaseEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_F1)
        openHelp();
    QWidget::keyReleaseEvent(event);
}

} // namespace pluvix::app
