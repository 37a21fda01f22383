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
#include <QScreen>
#include <QScrollBar>

namespace pluvix::app {

using diagnostics::trap;
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
    : QWidget(parent), m_s(std::move(services)), m_end(m_s.programEnd) {
    setObjectName(QStringLiteral("Form1"));
    setAttribute(Qt::WA_DeleteOnClose, false);
    setFocusPolicy(Qt::StrongFocus);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, view::MapView::backgroundColour());
    setPalette(pal);
    setAutoFillBackground(true);
    resize(px(5100), px(5985));

    m_errors = std::make_unique<diagnostics::ErrorReporter>(
        m_s.boxes, m_end, m_s.clock, m_s.logFile, [this] { return Image2.UBound(); },
        [this] { setBusyPointer(false); });
    m_listing = std::make_unique<acquisition::ListingFetcher>(*this, m_s.downloads, m_s.boxes,
                                                              m_end, *m_errors);

    m_map = new view::MapView(this);
    connect(m_map, &view::MapView::mapMouseDown, this, &MainWindow::onMapMouseDown);
    connect(m_map, &view::MapView::backgroundMouseDown, this, &MainWindow::onBackgroundMouseDown);
    connect(m_map, &view::MapView::dragDropped, this, &MainWindow::onMouseReleased);
    connect(m_map, &view::MapView::mapDoubleClicked, this, [this] { ToggleStatusBar(true); });
    m_map->installEventFilter(this);

    buildPanel();

    m_clock = new view::ClockWidget(this);
    m_clock->setObjectName(QStringLiteral("ClockPic"));
    connect(m_clock, &view::ClockWidget::leftPressed, this, &MainWindow::mnuBullseyeOn_Click);
    connect(m_clock, &view::ClockWidget::doubleClicked, this, [this] {
        placeTimeLabel();
        if (Settings.ShowUTCDateTime != 1) {
            Settings.ShowUTCDateTime = 1;
            m_label4->show();
        } else {
            Settings.ShowUTCDateTime = 0;
            m_label4->hide();
        }
    });

    m_label4 = new QLabel(this);
    m_label4->setObjectName(QStringLiteral("Label4"));
    m_label4->setToolTip(QStringLiteral("Image UTC Time / Date"));
    m_label4->setAutoFillBackground(true);
    QPalette lp = m_label4->palette();
    lp.setColor(QPalette::Window, Qt::black);
    lp.setColor(QPalette::WindowText, QColor(255, 255, 192));
    m_label4->setPalette(lp);
    m_label4->hide();

    auto* notice = new NoticeLabel(QStringLiteral("No InterNet Connection!\nClick to Hide"), this);
    m_text1 = notice;
    m_text1->setObjectName(QStringLiteral("Text1"));
    m_text1->setAutoFillBackground(true);
    m_text1->setFrameShape(QFrame::Box);
    m_text1->setMargin(3);
    QPalette np = m_text1->palette();
    np.setColor(QPalette::Window, Qt::white);
    np.setColor(QPalette::WindowText, Qt::black);
    m_text1->setPalette(np);
    m_text1->adjustSize();
    m_text1->hide();

    buildMenus();

    m_timer1.setObjectName(QStringLiteral("Timer1"));
    m_timer1.setInterval(1000);
    connect(&m_timer1, &QTimer::timeout, this, &MainWindow::Timer1_Timer);
    m_timer2.setObjectName(QStringLiteral("Timer2"));
    m_timer2.setTimerType(Qt::PreciseTimer);
    m_timer2.setInterval(200);
    connect(&m_timer2, &QTimer::timeout, this, &MainWindow::PlayImages);

    m_s.boxes.setParentWindow(this);
    m_s.fileDialogs.setParentWindow(this);
    m_s.desktop.setTrayMenu(m_mnuFile);
    m_s.desktop.onTrayRestoreRequested([this] { mnuShowPluvix_Click(); });
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
    for (int i = 0; i < 2; ++i) {
        m_label1[i] = new QLabel(captions[i], m_panel);
        m_label1[i]->setObjectName(QStringLiteral("Label1_%1").arg(i));
        m_label1[i]->setToolTip(tips[i]);
        m_label1[i]->setFont(small);
        m_label1[i]->setGeometry(toPx(labelRects[i]));
        m_label1[i]->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        m_slider[i] = new QScrollBar(Qt::Horizontal, m_panel);
        m_slider[i]->setObjectName(QStringLiteral("HScroll1_%1").arg(i));
        m_slider[i]->setGeometry(toPx(sliderRects[i]));
        m_slider[i]->setPageStep(1);
        connect(m_slider[i], &QScrollBar::valueChanged, this, [this, i] { HScroll1_Change(i); });
    }
    m_slider[0]->setRange(1, 10);
    m_slider[0]->setValue(10);
    m_slider[1]->setRange(1, 12);

    auto* step = new StepLabel(QStringLiteral("10"), m_panel);
    step->onPress = [this](Qt::MouseButton button) {
        ResetPresetButtonSelect();
        QScrollBar* s = m_slider[0];
        if (button == Qt::LeftButton) {
            if (s->value() < s->maximum())
                s->setValue(s->value() + 1);
        } else if (s->value() > s->minimum()) {
            s->setValue(s->value() - 1);
        }
    };
    step->onDoubleClick = [this] {
        CheckForNewImage();
        PollCounter = 0;
    };
    m_label3 = step;
    m_label3->setObjectName(QStringLiteral("Label3"));
    m_label3->setToolTip(QStringLiteral("Present Image #"));
    m_label3->setAlignment(Qt::AlignCenter);
    m_label3->setGeometry(toPx(view::panel::Label3));
    m_label3->setFont(small);

    m_command1 = new QPushButton(QStringLiteral("Options"), m_panel);
    m_command1->setObjectName(QStringLiteral("Command1"));
    m_command1->setToolTip(QStringLiteral("Click for SetUp Parameter Entry"));
    m_command1->setGeometry(toPx(view::panel::Command1));
    m_command1->setFont(small);
    m_command1->setFocusPolicy(Qt::NoFocus);
    connect(m_command1, &QPushButton::clicked, this, &MainWindow::Command1_Click);

    m_loopSwitch = new QCheckBox(QStringLiteral("Loop"), m_panel);
    m_loopSwitch->setObjectName(QStringLiteral("Check1"));
    m_loopSwitch->setToolTip(QStringLiteral("Click to Play Images in Loop"));
    m_loopSwitch->setGeometry(toPx(view::panel::Check1));
    m_loopSwitch->setFont(small);
    m_loopSwitch->setFocusPolicy(Qt::NoFocus);
    connect(m_loopSwitch, &QCheckBox::toggled, this, &MainWindow::Check1_Click);

    m_presets = new presets::PresetButtons(m_panel);
    m_presets->setGeometry(
        toPx(view::TwipsRect{float(presets::PresetButtons::areaTwips().x()),
                             float(presets::PresetButtons::areaTwips().y()),
                             float(presets::PresetButtons::areaTwips().width()),
                             float(presets::PresetButtons::areaTwips().height())}));
    connect(m_presets, &presets::PresetButtons::presetMouseDown, this,
            &MainWindow::ctrlPreset_MouseDown);

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

    m_mnuImage = new QMenu(QStringLiteral("Image"), this);
    m_mnuImage->setObjectName(QStringLiteral("mnuImage"));
    QMenu* m = m_mnuImage;
    checkable(m, QStringLiteral("mnuBullseyeOn"), QStringLiteral("Show Bullseye"),
              [this] { mnuBullseyeOn_Click(); });
    item(m, QStringLiteral("mnuCenterBullseye"), QStringLiteral("Center Bullseye"),
         [this] { mnuCenterBullseye_Click(); });
    m->addSeparator();
    item(m, QStringLiteral("mnuZoomIn"), QStringLiteral("Zoom In"), [this] { zoomIn(); });
    item(m, QStringLiteral("mnuZoomOut"), QStringLiteral("Zoom Out"), [this] { zoomOut(); });
    QMenu* zoom = m->addMenu(QStringLiteral("Zoom"));
    zoom->menuAction()->setObjectName(QStringLiteral("mnuZoom"));
    for (int i = 0; i <= 12; ++i) {
        m_mnuZoomNum[i] = checkable(zoom, QStringLiteral("mnuZoomNum_%1").arg(i),
                                    QString::number(i), [this, i] { zoomTo(i); });
        m_mnuZoomNum[i]->setVisible(i != 0);
    }
    m->addSeparator();
    item(m, QStringLiteral("mnuSaveMap"), QStringLiteral("Save Map To File"),
         [this] { mnuSaveMap_Click(); });
    item(m, QStringLiteral("mnuSaveSeriesMap"), QStringLiteral("Save Series of Maps to File"),
         [this] { mnuSaveSeriesMap_Click(); });
    checkable(m, QStringLiteral("mnuSetImageWallpaper"), QStringLiteral("Set Images to Wallpaper"),
              [this] { mnuSetImageWallpaper_Click(); });
    m->addSeparator();
    QMenu* speed = m->addMenu(QStringLiteral("Loop Images Per Second"));
    speed->menuAction()->setObjectName(QStringLiteral("mnuPlayInterval"));
    for (int i = 0; i <= 10; ++i) {
        m_mnuPlayImagePerSec[i] = checkable(speed, QStringLiteral("mnuPlayImagePerSec_%1").arg(i),
                                            QString::number(i), [this, i] { setPlaySpeed(i); });
        m_mnuPlayImagePerSec[i]->setVisible(i != 0);
    }
    QMenu* history = m->addMenu(QStringLiteral("Images to Loop"));
    history->menuAction()->setObjectName(QStringLiteral("mnuPlayImageHistory"));
    const QStringList captions = view::playHistoryCaptions();
    for (int i = 0; i < 10; ++i)
        m_mnuPlayHistory[i] = checkable(history, QStringLiteral("mnuPlayHistory_%1").arg(i),
                                        captions.value(i), [this, i] { setPlayHistory(i); });
    checkable(m, QStringLiteral("mnuPlayNow"), QStringLiteral("Loop"),
              [this] { m_loopSwitch->setChecked(!m_loopSwitch->isChecked()); });
    m->addSeparator();
    item(m, QStringLiteral("mnuPreferences"), QStringLiteral("Options"),
         [this] { ShowPreferencesDialog(); });
    // Linux window managers take no items from programs: the window commands live here.
    QMenu* window = m->addMenu(QStringLiteral("Window"));
    window->menuAction()->setObjectName(QStringLiteral("mnuWindow"));
    item(window, QStringLiteral("mnuWindowDefault"), QStringLiteral("Window Default"),
         [this] { windowDefault(); });
    item(window, QStringLiteral("mnuWindowPreferences"), QStringLiteral("Preferences"),
         [this] { Command1_Click(); });
    item(window, QStringLiteral("mnuWindowAbout"), QStringLiteral("About Pluvix"),
         [this] { showAboutBox(); });
    item(window, QStringLiteral("mnuWindowHelp"), QStringLiteral("Pluvix Help"),
         [this] { mnuHelp_Click(); });
    m->addSeparator();
    checkable(m, QStringLiteral("mnuHideTitleBar"), QStringLiteral("Hide Title Bar"),
              [this] { ToggleTitleBar(); });
    checkable(m, QStringLiteral("mnuHideStatusBar"), QStringLiteral("Hide Status Bar"),
              [this] { ToggleStatusBar(true); });
    m->addSeparator();
    checkable(m, QStringLiteral("mnuKeepOnTop"), QStringLiteral("Keep On Top"),
              [this] { ToggleTopWindow(); });
    m->addSeparator();
    item(m, QStringLiteral("mnuHelp"), QStringLiteral("Pluvix Help"), [this] { mnuHelp_Click(); });
    m->addSeparator();
    item(m, QStringLiteral("mnuMinimize"), QStringLiteral("Minimize"),
         [this] { setWindowState(windowState() | Qt::WindowMinimized); });
    m->addSeparator();
    item(m, QStringLiteral("mnuExit"), QStringLiteral("Exit"), [this] { close(); });

    m_mnuFile = new QMenu(QStringLiteral("File"), this);
    m_mnuFile->setObjectName(QStringLiteral("mnuFile"));
    item(m_mnuFile, QStringLiteral("mnuShowPluvix"), QStringLiteral("Show Pluvix"),
         [this] { mnuShowPluvix_Click(); });
    item(m_mnuFile, QStringLiteral("mnuOptions"), QStringLiteral("Options"), [this] {
        ShowPreferencesDialog();
        ResetPresetCheckBox();
    });
}

QAction* MainWindow::action(const QString& objectName) const {
    // Items of sub-menus, and the sub-menus' own entries, are children of the menus too.
    for (QMenu* menu : {m_mnuImage, m_mnuFile})
        if (auto* a = menu->findChild<QAction*>(objectName))
            return a;
    return nullptr;
}

// --- geometry ----------------------------------------------------------------------------------

float MainWindow::formWidth() const {
    return pxToTwips(float(width()));
}
void MainWindow::setFormWidth(float twips) {
    resize(qMax(1, px(twips)), height());
}
float MainWindow::formHeight() const {
    return pxToTwips(float(height()));
}
void MainWindow::setFormHeight(float twips) {
    resize(width(), qMax(1, px(twips)));
}
float MainWindow::formLeft() const {
    return pxToTwips(float(pos().x()));
}
void MainWindow::setFormLeft(float twips) {
    move(px(twips), pos().y());
}
float MainWindow::formTop() const {
    return pxToTwips(float(pos().y()));
}
void MainWindow::setFormTop(float twips) {
    move(pos().x(), px(twips));
}

view::MapRect MainWindow::mapRect() const {
    return m_map->mapRect();
}

void MainWindow::applyMapRect(const view::MapRect& rect) {
    m_map->setMapRect(rect);
}

float MainWindow::mapLeft() const {
    return mapRect().Left;
}
void MainWindow::setMapLeft(float twips) {
    auto r = mapRect();
    r.Left = twips;
    applyMapRect(r);
}
float MainWindow::mapTop() const {
    return mapRect().Top;
}
void MainWindow::setMapTop(float twips) {
    auto r = mapRect();
    r.Top = twips;
    applyMapRect(r);
}
float MainWindow::mapWidth() const {
    return mapRect().Width;
}
void MainWindow::setMapWidth(float twips) {
    auto r = mapRect();
    r.Width = twips;
    applyMapRect(r);
}
float MainWindow::mapHeight() const {
    return mapRect().Height;
}
void MainWindow::setMapHeight(float twips) {
    auto r = mapRect();
    r.Height = twips;
    applyMapRect(r);
}

qint32 MainWindow::zoomValue() const {
    return m_slider[1]->value();
}

void MainWindow::setZoomValue(qint32 level) {
    // The slider refuses a value outside its range.
    if (level < m_slider[1]->minimum() || level > m_slider[1]->maximum())
        throw core::RuntimeError::invalidPropertyValue();
    m_slider[1]->setValue(level);
}

bool MainWindow::wallpaperChecked() const {
    return action(QStringLiteral("mnuSetImageWallpaper"))->isChecked();
}
void MainWindow::setWallpaperChecked(bool checked) {
    // A stored check mark must not survive on a desktop whose wallpaper we cannot set, or a
    // later session elsewhere would change the wallpaper unasked.
    action(QStringLiteral("mnuSetImageWallpaper"))
        ->setChecked(checked && m_s.desktop.canSetWallpaper());
}
bool MainWindow::titleBarHiddenChecked() const {
    return action(QStringLiteral("mnuHideTitleBar"))->isChecked();
}
float MainWindow::statusPanelHeight() const {
    return m_panelHeight;
}

bool MainWindow::isNormalState() const {
    return !m_inTray &&
           !(windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen));
}

float MainWindow::screenWidth() const {
    const QScreen* s = screen() ? screen() : QGuiApplication::primaryScreen();
    return s ? pxToTwips(float(s->geometry().width())) : 0.0f;
}
float MainWindow::screenHeight() const {
    const QScreen* s = screen() ? screen() : QGuiApplication::primaryScreen();
    return s ? pxToTwips(float(s->geometry().height())) : 0.0f;
}

view::ClientArea MainWindow::clientArea() const {
    return {pxToTwips(float(width())), pxToTwips(float(height())), m_panelHeight};
}

// --- resize layout -----------------------------------------------------------------------------

void MainWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    Form_Resize();
}

void MainWindow::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange)
        Form_Resize();
}

void MainWindow::Form_Resize() {
    trap(*m_errors, QStringLiteral("form1.Form_Resize"), [&] {
        m_map->setGeometry(rect());
        const float clockSide = view::clockSide;
        const auto layout =
            view::resizeLayout(pxToTwips(float(width())), pxToTwips(float(height())), m_panelHeight,
                               clockSide, clockSide, pxToTwips(float(m_label4->height())));
        m_panel->setGeometry(toPx(layout.Picture1));
        m_clock->setGeometry(px(layout.ClockPicLeft), px(layout.ClockPicTop), px(clockSide),
                             px(clockSide));
        m_clock->setFaceBitmapShown(layout.clockFaceBitmap);
        placeTimeLabel();
        if ((windowState() & Qt::WindowMinimized) && Settings.MinimizeToTray == 1 && !m_inTray &&
            !m_restoringFromTray && !m_shutDownDone) {
            m_map->setMapVisible(false);
            Minimize_To_Tray();
        }
        placeTimeLabel();
        m_clock->raise();
        m_label4->raise();
        m_text1->raise();
    });
}

void MainWindow::placeTimeLabel() {
    m_label4->move(m_label4->x(), px(view::label4Top(pxToTwips(float(m_panel->y())),
                                                     pxToTwips(float(m_label4->height())))));
}

void MainWindow::setLabel4Caption(const QString& text) {
    m_label4->setText(text);
    m_label4->adjustSize();
    placeTimeLabel();
}

void MainWindow::setTimeLabelVisible(bool visible) {
    m_label4->setVisible(visible);
}

void MainWindow::setTimeLabelFontSize(int points) {
    QFont f = m_label4->font();
    f.setPointSize(qMax(1, points));
    m_label4->setFont(f);
    m_label4->adjustSize();
    placeTimeLabel();
}

void MainWindow::showConnectionNotice(bool visible) {
    m_text1->setVisible(visible);
    if (visible)
        m_text1->raise();
}

void MainWindow::keyReleaseEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_F1)
        mnuHelp_Click();
    QWidget::keyReleaseEvent(event);
}

// --- pointer and event pump --------------------------------------------------------------------

void MainWindow::setBusyPointer(bool busy) {
    if (busy) {
        if (!QApplication::overrideCursor())
            QApplication::setOverrideCursor(Qt::WaitCursor);
    } else {
        while (QApplication::overrideCursor())
            QApplication::restoreOverrideCursor();
    }
}

void MainWindow::yieldOnce() {
    QCoreApplication::processEvents();
}

// --- map mouse ---------------------------------------------------------------------------------

void MainWindow::onMapMouseDown(Qt::MouseButton button, QPointF relativeToMap) {
    trap(*m_errors, QStringLiteral("form1.Image1_MouseDown"), [&] {
        if (button == Qt::RightButton) {
            PopupX = float(relativeToMap.x());
            PopupY = float(relativeToMap.y());
            if (!m_progress->isVisible())
                m_mnuImage->popup(QCursor::pos());
            return;
        }
        if (titleBarHiddenChecked()) {
            m_windowMoveButton = button;
            return;
        }
        const auto offset =
            view::dragOffsetFromMap(float(relativeToMap.x()), float(relativeToMap.y()));
        DragOffsetX = offset.X;
        DragOffsetY = offset.Y;
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

void MainWindow::onBackgroundMouseDown(Qt::MouseButton, QPointF twips) {
    trap(*m_errors, QStringLiteral("form1.Form_MouseDown"), [&] {
        const auto offset =
            view::dragOffsetFromBackground(float(twips.x()), float(twips.y()), mapRect());
        DragOffsetX = offset.X;
        DragOffsetY = offset.Y;
        m_map->beginDrag();
    });
}

void MainWindow::onMouseReleased(QPointF twips) {
    const QPoint at(px(float(twips.x())), px(float(twips.y())));
    // A drop on any other control moves nothing.
    for (QWidget* w : {static_cast<QWidget*>(m_panel), static_cast<QWidget*>(m_clock),
                       static_cast<QWidget*>(m_label4), static_cast<QWidget*>(m_text1)})
        if (w->isVisible() && w->geometry().contains(at))
            return;
    const view::DragOffset offset{DragOffsetX, DragOffsetY};
    const bool onMap = m_map->isMapVisible() && m_map->isOnMap(twips);
    trap(*m_errors,
         onMap ? QStringLiteral("form1.form_Image1_DragDrop") : QStringLiteral("form1.DragDrop"),
         [&] {
             const auto r = mapRect();
             if (onMap)
                 applyMapRect(view::dropOnMap(r, float(twips.x()) - r.Left,
                                              float(twips.y()) - r.Top, offset));
             else
                 applyMapRect(
                     view::dropOnBackground(r, float(twips.x()), float(twips.y()), offset));
             DrawCirclesRadius();
             ResetPresetCheckBox();
         });
}

} // namespace pluvix::app
