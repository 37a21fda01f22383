#include "app/MainWindow.h"

#include "core/NumberText.h"
#include "core/RuntimeError.h"
#include "diagnostics/ErrorReporter.h"
#include "platform/FileDialogs.h"
#include "platform/MessageBoxes.h"
#include "presets/PresetButtons.h"
#include "presets/PresetStore.h"
#include "view/ClockWidget.h"
#include "view/LoopPlayer.h"
#include "view/MapView.h"
#include "view/Twips.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>

namespace pluvix::app {

using diagnostics::trap;
namespace procedure = diagnostics::procedure;
using view::pxToTwips;
using view::twipsToPx;

namespace {

QRect toPx(const view::TwipsRect& r) {
    return view::toPixels(r).toRect();
}

int px(float twips) {
    return qRound(twipsToPx(twips));
}

// The connection notice hides itself when clicked.
class NoticeLabel final : public QLabel {
public:
    using QLabel::QLabel;

protected:
    void mousePressEvent(QMouseEvent* event) override {
        hide();
        event->accept();
    }
};

// The picture-number label steps the history by hand and polls on a double click.
class StepLabel final : public QLabel {
public:
    std::function<void(Qt::MouseButton)> onPress;
    std::function<void()> onDoubleClick;
    using QLabel::QLabel;

protected:
    void mousePressEvent(QMouseEvent* event) override {
        if (onPress)
            onPress(event->button());
    }
    // Only the left button double-clicks; a fast second press of another button is a press.
    void mouseDoubleClickEvent(QMouseEvent* event) override {
        if (event->button() != Qt::LeftButton)
            mousePressEvent(event);
        else if (onDoubleClick)
            onDoubleClick();
    }
};

} // namespace

MainWindow::MainWindow(Services services, QWidget* parent)
    : QWidget(parent), m_viewer(std::move(services)), m_s(m_viewer.services()),
      m_storedView(*this, m_viewer.mapState(),
                   {[this] { return m_viewer.wallpaperFollows(); },
                    [this](bool follows) { m_viewer.setWallpaperFollows(follows); },
                    [this] { return titleBarHiddenChecked(); }, [this] { return m_panelHeight; },
                    [this] { return isNormalState(); }}) {
    setObjectName(QStringLiteral("Form1"));
    setAttribute(Qt::WA_DeleteOnClose, false);
    setFocusPolicy(Qt::StrongFocus);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, view::MapView::backgroundColour());
    setPalette(pal);
    setAutoFillBackground(true);
    resize(px(5100), px(5985));

    m_map = new view::MapView(this);
    connect(&m_viewer.mapState(), &view::MapState::rectChanged, m_map, &view::MapView::setMapRect);
    connect(m_map, &view::MapView::mapMouseDown, this, &MainWindow::pressOnMap);
    connect(m_map, &view::MapView::backgroundMouseDown, this, &MainWindow::pressOnBackground);
    connect(m_map, &view::MapView::dragDropped, this, &MainWindow::dropAt);
    connect(m_map, &view::MapView::mapDoubleClicked, this, [this] { toggleStatusPanel(); });
    m_map->installEventFilter(this);

    buildPanel();

    m_clock = new view::ClockWidget(this);
    m_clock->setObjectName(QStringLiteral("ClockPic"));
    connect(m_clock, &view::ClockWidget::leftPressed, this, &MainWindow::toggleBullseye);
    connect(m_clock, &view::ClockWidget::doubleClicked, this, [this] {
        placeTimeLabel();
        if (m_viewer.settings().ShowUTCDateTime != 1) {
            m_viewer.settings().ShowUTCDateTime = 1;
            m_timeLabel->show();
        } else {
            m_viewer.settings().ShowUTCDateTime = 0;
            m_timeLabel->hide();
        }
    });

    m_timeLabel = new QLabel(this);
    m_timeLabel->setObjectName(QStringLiteral("Label4"));
    m_timeLabel->setToolTip(QStringLiteral("Image UTC Time / Date"));
    m_timeLabel->setAutoFillBackground(true);
    QPalette lp = m_timeLabel->palette();
    lp.setColor(QPalette::Window, Qt::black);
    lp.setColor(QPalette::WindowText, QColor(255, 255, 192));
    m_timeLabel->setPalette(lp);
    m_timeLabel->hide();

    auto* notice = new NoticeLabel(QStringLiteral("No InterNet Connection!\nClick to Hide"), this);
    m_connectionNotice = notice;
    m_connectionNotice->setObjectName(QStringLiteral("Text1"));
    m_connectionNotice->setAutoFillBackground(true);
    m_connectionNotice->setFrameShape(QFrame::Box);
    m_connectionNotice->setMargin(3);
    QPalette np = m_connectionNotice->palette();
    np.setColor(QPalette::Window, Qt::white);
    np.setColor(QPalette::WindowText, Qt::black);
    m_connectionNotice->setPalette(np);
    m_connectionNotice->adjustSize();
    m_connectionNotice->hide();

    buildMenus();

    followFeed();
    followRecall();
    followViewer();

    m_s.boxes.setParentWindow(this);
    m_s.fileDialogs.setParentWindow(this);
    m_s.desktop.setTrayMenu(m_trayMenu);
    m_s.desktop.onTrayRestoreRequested([this] { restoreFromTray(); });
}

MainWindow::~MainWindow() = default;

void MainWindow::buildPanel() {
    m_panel = new QWidget(this);
    m_panel->setObjectName(QStringLiteral("Picture1"));
    m_panel->setAutoFillBackground(true);
    QPalette pp = m_panel->palette();
    pp.setColor(QPalette::Window, QColor(0xC0, 0xC0, 0xC0));
    pp.setColor(QPalette::WindowText, Qt::black);
    m_panel->setPalette(pp);

    QFont small = m_panel->font();
    small.setPointSizeF(7.5);

    const std::array<QString, 2> captions{QStringLiteral(" HISTORY"), QStringLiteral(" ZOOM")};
    const std::array<QString, 2> tips{QStringLiteral("Show Past RADAR Images"),
                                      QStringLiteral("Zoom in/out on Image")};
    const std::array<view::TwipsRect, 2> labelRects{view::panel::Label1_0, view::panel::Label1_1};
    const std::array<view::TwipsRect, 2> sliderRects{view::panel::HScroll1_0,
                                                     view::panel::HScroll1_1};
    std::array<QScrollBar*, 2> sliders{};
    for (int i = 0; i < 2; ++i) {
        m_sliderCaptions[i] = new QLabel(captions[i], m_panel);
        m_sliderCaptions[i]->setObjectName(QStringLiteral("Label1_%1").arg(i));
        m_sliderCaptions[i]->setToolTip(tips[i]);
        m_sliderCaptions[i]->setFont(small);
        m_sliderCaptions[i]->setGeometry(toPx(labelRects[i]));
        m_sliderCaptions[i]->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        sliders[i] = new QScrollBar(Qt::Horizontal, m_panel);
        sliders[i]->setObjectName(QStringLiteral("HScroll1_%1").arg(i));
        sliders[i]->setGeometry(toPx(sliderRects[i]));
        sliders[i]->setPageStep(1);
    }
    m_historySlider = sliders[0];
    m_zoomSlider = sliders[1];
    // The sliders report what the user moved and follow the models, silently.
    m_historySlider->setRange(m_viewer.playback().minimum(), m_viewer.playback().maximum());
    m_historySlider->setValue(m_viewer.playback().position());
    m_zoomSlider->setRange(view::minZoomLevel, view::maxZoomLevel);
    m_zoomSlider->setValue(m_viewer.mapState().zoom());
    connect(m_historySlider, &QScrollBar::valueChanged, &m_viewer.playback(),
            &view::Playback::setPosition);
    connect(m_zoomSlider, &QScrollBar::valueChanged, &m_viewer.mapState(),
            &view::MapState::moveZoom);
    connect(&m_viewer.playback(), &view::Playback::rangeChanged, m_historySlider,
            [this](int min, int max) {
                QSignalBlocker quiet(m_historySlider);
                m_historySlider->setRange(min, max);
            });
    connect(&m_viewer.playback(), &view::Playback::positionChanged, this, [this](int position) {
        {
            QSignalBlocker quiet(m_historySlider);
            m_historySlider->setValue(position);
        }
        m_viewer.showHistoryPosition();
    });
    connect(&m_viewer.mapState(), &view::MapState::zoomChanged, this, [this](int level) {
        {
            QSignalBlocker quiet(m_zoomSlider);
            m_zoomSlider->setValue(level);
        }
        applyZoom();
    });

    auto* step = new StepLabel(QStringLiteral("10"), m_panel);
    step->onPress = [this](Qt::MouseButton button) {
        releasePresetButtons();
        m_viewer.playback().stepNewerOrBack(button == Qt::LeftButton);
    };
    step->onDoubleClick = [this] {
        m_viewer.feed().pollNow();
        m_viewer.feed().restartPollCount();
    };
    m_pictureNumber = step;
    m_pictureNumber->setObjectName(QStringLiteral("Label3"));
    m_pictureNumber->setToolTip(QStringLiteral("Present Image #"));
    m_pictureNumber->setAlignment(Qt::AlignCenter);
    m_pictureNumber->setGeometry(toPx(view::panel::Label3));
    m_pictureNumber->setFont(small);

    m_optionsButton = new QPushButton(QStringLiteral("Options"), m_panel);
    m_optionsButton->setObjectName(QStringLiteral("Command1"));
    m_optionsButton->setToolTip(QStringLiteral("Click for SetUp Parameter Entry"));
    m_optionsButton->setGeometry(toPx(view::panel::Command1));
    m_optionsButton->setFont(small);
    m_optionsButton->setFocusPolicy(Qt::NoFocus);
    connect(m_optionsButton, &QPushButton::clicked, this, &MainWindow::openOptionsFromPanel);

    m_loopSwitch = new QCheckBox(QStringLiteral("Loop"), m_panel);
    m_loopSwitch->setObjectName(QStringLiteral("Check1"));
    m_loopSwitch->setToolTip(QStringLiteral("Click to Play Images in Loop"));
    m_loopSwitch->setGeometry(toPx(view::panel::Check1));
    m_loopSwitch->setFont(small);
    m_loopSwitch->setFocusPolicy(Qt::NoFocus);
    connect(m_loopSwitch, &QCheckBox::toggled, this, &MainWindow::setLooping);
    connect(&m_viewer.playback(), &view::Playback::loopingChanged, m_loopSwitch,
            &QCheckBox::setChecked);

    m_presets = new presets::PresetButtons(m_panel);
    m_presets->setGeometry(
        toPx(view::TwipsRect{float(presets::PresetButtons::areaTwips().x()),
                             float(presets::PresetButtons::areaTwips().y()),
                             float(presets::PresetButtons::areaTwips().width()),
                             float(presets::PresetButtons::areaTwips().height())}));
    connect(m_presets, &presets::PresetButtons::presetMouseDown, this, &MainWindow::presetPressed);

    m_progress = new QProgressBar(m_panel);
    m_progress->setObjectName(QStringLiteral("vbalProgressBar1"));
    m_progress->setGeometry(toPx(view::panel::progressBar));
    m_progress->setTextVisible(true);
    m_progress->hide();
}

void MainWindow::buildMenus() {
    auto item = [this](QMenu* menu, const QString& name, const QString& caption,
                       auto slot) -> QAction* {
        QAction* a = menu->addAction(caption);
        a->setObjectName(name);
        connect(a, &QAction::triggered, this, slot);
        return a;
    };
    // A menu's own check toggling would fight the handlers, which read and set the marks
    // themselves: it is undone before the handler runs.
    auto checkable = [this](QMenu* menu, const QString& name, const QString& caption, auto slot) {
        QAction* a = menu->addAction(caption);
        a->setObjectName(name);
        a->setCheckable(true);
        connect(a, &QAction::triggered, a, [a](bool checked) {
            QSignalBlocker block(a);
            a->setChecked(!checked);
        });
        connect(a, &QAction::triggered, this, slot);
        return a;
    };

    m_imageMenu = new QMenu(QStringLiteral("Image"), this);
    m_imageMenu->setObjectName(QStringLiteral("mnuImage"));
    QMenu* m = m_imageMenu;
    checkable(m, QStringLiteral("mnuBullseyeOn"), QStringLiteral("Show Bullseye"),
              [this] { toggleBullseye(); });
    item(m, QStringLiteral("mnuCenterBullseye"), QStringLiteral("Center Bullseye"),
         [this] { centreBullseye(); });
    m->addSeparator();
    item(m, QStringLiteral("mnuZoomIn"), QStringLiteral("Zoom In"), [this] { zoomIn(); });
    item(m, QStringLiteral("mnuZoomOut"), QStringLiteral("Zoom Out"), [this] { zoomOut(); });
    QMenu* zoom = m->addMenu(QStringLiteral("Zoom"));
    zoom->menuAction()->setObjectName(QStringLiteral("mnuZoom"));
    for (int i = 0; i <= 12; ++i) {
        m_zoomItems[i] = checkable(zoom, QStringLiteral("mnuZoomNum_%1").arg(i), QString::number(i),
                                   [this, i] { zoomTo(i); });
        m_zoomItems[i]->setVisible(i != 0);
    }
    m->addSeparator();
    item(m, QStringLiteral("mnuSaveMap"), QStringLiteral("Save Map To File"),
         [this] { saveMap(); });
    item(m, QStringLiteral("mnuSaveSeriesMap"), QStringLiteral("Save Series of Maps to File"),
         [this] { saveSeries(); });
    checkable(m, QStringLiteral("mnuSetImageWallpaper"), QStringLiteral("Set Images to Wallpaper"),
              [this] { m_viewer.toggleWallpaper(); });
    m->addSeparator();
    QMenu* speed = m->addMenu(QStringLiteral("Loop Images Per Second"));
    speed->menuAction()->setObjectName(QStringLiteral("mnuPlayInterval"));
    for (int i = 0; i <= 10; ++i) {
        m_speedItems[i] = checkable(speed, QStringLiteral("mnuPlayImagePerSec_%1").arg(i),
                                    QString::number(i), [this, i] { setPlaySpeed(i); });
        m_speedItems[i]->setVisible(i != 0);
    }
    QMenu* history = m->addMenu(QStringLiteral("Images to Loop"));
    history->menuAction()->setObjectName(QStringLiteral("mnuPlayImageHistory"));
    const QStringList captions = view::playHistoryCaptions();
    for (int i = 0; i < 10; ++i)
        m_loopLengthItems[i] = checkable(history, QStringLiteral("mnuPlayHistory_%1").arg(i),
                                         captions.value(i), [this, i] { setPlayHistory(i); });
    checkable(m, QStringLiteral("mnuPlayNow"), QStringLiteral("Loop"),
              [this] { setLooping(!m_viewer.playback().isLooping()); });
    m->addSeparator();
    item(m, QStringLiteral("mnuPreferences"), QStringLiteral("Options"), [this] { showOptions(); });
    // Linux window managers take no items from programs: the window commands live here.
    QMenu* window = m->addMenu(QStringLiteral("Window"));
    window->menuAction()->setObjectName(QStringLiteral("mnuWindow"));
    item(window, QStringLiteral("mnuWindowDefault"), QStringLiteral("Window Default"),
         [this] { windowDefault(); });
    item(window, QStringLiteral("mnuWindowPreferences"), QStringLiteral("Preferences"),
         [this] { openOptionsFromPanel(); });
    item(window, QStringLiteral("mnuWindowAbout"), QStringLiteral("About Pluvix"),
         [this] { showAbout(); });
    item(window, QStringLiteral("mnuWindowHelp"), QStringLiteral("Pluvix Help"),
         [this] { openHelp(); });
    m->addSeparator();
    checkable(m, QStringLiteral("mnuHideTitleBar"), QStringLiteral("Hide Title Bar"),
              [this] { toggleTitleBar(); });
    checkable(m, QStringLiteral("mnuHideStatusBar"), QStringLiteral("Hide Status Bar"),
              [this] { toggleStatusPanel(); });
    m->addSeparator();
    checkable(m, QStringLiteral("mnuKeepOnTop"), QStringLiteral("Keep On Top"),
              [this] { toggleKeepOnTop(); });
    m->addSeparator();
    item(m, QStringLiteral("mnuHelp"), QStringLiteral("Pluvix Help"), [this] { openHelp(); });
    m->addSeparator();
    item(m, QStringLiteral("mnuMinimize"), QStringLiteral("Minimize"),
         [this] { setWindowState(windowState() | Qt::WindowMinimized); });
    m->addSeparator();
    item(m, QStringLiteral("mnuExit"), QStringLiteral("Exit"), [this] { close(); });

    m_trayMenu = new QMenu(QStringLiteral("File"), this);
    m_trayMenu->setObjectName(QStringLiteral("mnuFile"));
    item(m_trayMenu, QStringLiteral("mnuShowPluvix"), QStringLiteral("Show Pluvix"),
         [this] { restoreFromTray(); });
    item(m_trayMenu, QStringLiteral("mnuOptions"), QStringLiteral("Options"), [this] {
        showOptions();
        clearPresetMark();
    });
}

QAction* MainWindow::action(const QString& objectName) const {
    // Items of sub-menus, and the sub-menus' own entries, are children of the menus too.
    for (QMenu* menu : {m_imageMenu, m_trayMenu})
        if (auto* a = menu->findChild<QAction*>(objectName))
            return a;
    return nullptr;
}

// --- geometry ----------------------------------------------------------------------------------

bool MainWindow::titleBarHiddenChecked() const {
    return action(QStringLiteral("mnuHideTitleBar"))->isChecked();
}

bool MainWindow::isNormalState() const {
    return !m_inTray &&
           !(windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen));
}

view::ClientArea MainWindow::clientArea() const {
    return {pxToTwips(float(width())), pxToTwips(float(height())), m_panelHeight};
}

// --- resize layout -----------------------------------------------------------------------------

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
        const auto layout =
            view::resizeLayout(pxToTwips(float(width())), pxToTwips(float(height())), m_panelHeight,
                               clockSide, clockSide, pxToTwips(float(m_timeLabel->height())));
        m_panel->setGeometry(toPx(layout.Picture1));
        m_clock->setGeometry(px(layout.ClockPicLeft), px(layout.ClockPicTop), px(clockSide),
                             px(clockSide));
        m_clock->setFaceBitmapShown(layout.clockFaceBitmap);
        placeTimeLabel();
        if ((windowState() & Qt::WindowMinimized) && m_viewer.settings().MinimizeToTray == 1 &&
            !m_inTray && !m_restoringFromTray && !m_viewer.shutDownDone()) {
            m_map->setMapVisible(false);
            minimizeToTray();
        }
        placeTimeLabel();
        m_clock->raise();
        m_timeLabel->raise();
        m_connectionNotice->raise();
    });
}

void MainWindow::placeTimeLabel() {
    m_timeLabel->move(m_timeLabel->x(),
                      px(view::label4Top(pxToTwips(float(m_panel->y())),
                                         pxToTwips(float(m_timeLabel->height())))));
}

void MainWindow::setTimeCaption(const QString& text) {
    m_timeLabel->setText(text);
    m_timeLabel->adjustSize();
    placeTimeLabel();
}

void MainWindow::setTimeLabelFontSize(int points) {
    QFont f = m_timeLabel->font();
    f.setPointSize(qMax(1, points));
    m_timeLabel->setFont(f);
    m_timeLabel->adjustSize();
    placeTimeLabel();
}

void MainWindow::showConnectionNotice(bool visible) {
    m_connectionNotice->setVisible(visible);
    if (visible)
        m_connectionNotice->raise();
}

void MainWindow::keyReleaseEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_F1)
        openHelp();
    QWidget::keyReleaseEvent(event);
}

// --- map mouse ---------------------------------------------------------------------------------

void MainWindow::pressOnMap(Qt::MouseButton button, QPointF relativeToMap) {
    trap(m_viewer.errors(), procedure::mapPress, [&] {
        if (button == Qt::RightButton) {
            m_viewer.mapState().setPopupPoint(relativeToMap);
            if (!m_progress->isVisible())
                m_imageMenu->popup(QCursor::pos());
            return;
        }
        if (titleBarHiddenChecked()) {
            m_windowMoveButton = button;
            return;
        }
        m_viewer.mapState().grabOnMap(relativeToMap);
        m_map->beginDrag();
    });
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_map && event->type() == QEvent::MouseButtonPress)
        m_windowMovePress = static_cast<QMouseEvent*>(event)->globalPosition().toPoint();
    if (watched == m_map && m_windowMoveButton != Qt::NoButton) {
        if (event->type() == QEvent::MouseButtonRelease) {
            m_windowMoveButton = Qt::NoButton;
        } else if (event->type() == QEvent::MouseMove) {
            const auto* move = static_cast<QMouseEvent*>(event);
            if (!(move->buttons() & m_windowMoveButton)) {
                m_windowMoveButton = Qt::NoButton;
            } else if ((move->globalPosition().toPoint() - m_windowMovePress).manhattanLength() >=
                       QApplication::startDragDistance()) {
                m_windowMoveButton = Qt::NoButton;
                m_s.desktop.startWindowMove(this, m_windowMovePress);
                return true;
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

void MainWindow::pressOnBackground(Qt::MouseButton, QPointF twips) {
    trap(m_viewer.errors(), procedure::backgroundPress, [&] {
        m_viewer.mapState().grabOnBackground(twips);
        m_map->beginDrag();
    });
}

void MainWindow::dropAt(QPointF twips) {
    const QPoint at(px(float(twips.x())), px(float(twips.y())));
    // A drop on any other control moves nothing.
    for (QWidget* w :
         {static_cast<QWidget*>(m_panel), static_cast<QWidget*>(m_clock),
          static_cast<QWidget*>(m_timeLabel), static_cast<QWidget*>(m_connectionNotice)})
        if (w->isVisible() && w->geometry().contains(at))
            return;
    const bool onMap = m_map->isMapVisible() && m_map->isOnMap(twips);
    trap(m_viewer.errors(), onMap ? procedure::dropOnMap : procedure::dropOnBackground, [&] {
        m_viewer.mapState().drop(twips, onMap);
        drawRings();
        clearPresetMark();
    });
}

} // namespace pluvix::app
