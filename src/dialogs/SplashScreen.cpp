#include "dialogs/SplashScreen.h"

#include "dialogs/Logo.h"
#include "dialogs/VersionText.h"
#include "dialogs/WindowPlacement.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFrame>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>
#include <QWindow>

namespace pluvix::dialogs {

namespace {

QLabel* arialLabel(QWidget* parent, const char* name, const QString& text, qreal points,
                   bool bold = false) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(points);
    font.setBold(bold);
    label->setFont(font);
    return label;
}

} // namespace

SplashScreen::SplashScreen(QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint) {
    setObjectName(QStringLiteral("frmSplash"));
    setFocusPolicy(Qt::StrongFocus);

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(4, 4, 4, 4);
    auto* frame = new QFrame(this);
    frame->setObjectName(QStringLiteral("Frame2"));
    frame->setFrameShape(QFrame::Box);
    frame->setFrameShadow(QFrame::Sunken);
    outer->addWidget(frame);

    auto* logo = new LogoWidget(96, frame);
    logo->setObjectName(QStringLiteral("Image1"));

    auto* title = arialLabel(frame, "Label4", QStringLiteral("Pluvix"), 28, true);
    auto* connecting =
        arialLabel(frame, "Label5", QStringLiteral("Connecting to NOAA Radar..."), 11);
    auto* date = arialLabel(frame, "labDate", QStringLiteral("19 JUN 05"), 9);
    m_version = arialLabel(frame, "lblVersion", QStringLiteral("Version 3.0.8"), 9);
    auto* notice = arialLabel(
        frame, "Label1",
        QStringLiteral("Copyright \u00A9 2005 Cirrusworks. All rights reserved. This program is "
                       "protected by copyright law; unauthorised copying or distribution "
                       "is prohibited."),
        7.5);
    notice->setWordWrap(true);
    auto* maker = arialLabel(frame, "Label2", QStringLiteral("Cirrusworks"), 9, true);

    m_progress = new QProgressBar(frame);
    m_progress->setObjectName(QStringLiteral("ProgressBar1"));
    m_progress->setRange(0, 10);
    m_progress->setValue(0);
    m_progress->setTextVisible(false);
    m_progress->setFixedHeight(12);

    auto* texts = new QVBoxLayout;
    texts->addWidget(title);
    texts->addWidget(connecting);
    texts->addStretch(1);
    auto* versionRow = new QHBoxLayout;
    versionRow->addWidget(m_version);
    versionRow->addStretch(1);
    versionRow->addWidget(date);
    texts->addLayout(versionRow);

    auto* top = new QHBoxLayout;
    top->setSpacing(16);
    top->addWidget(logo, 0, Qt::AlignTop);
    top->addLayout(texts, 1);

    auto* inner = new QVBoxLayout(frame);
    inner->setContentsMargins(16, 16, 16, 12);
    inner->addLayout(top);
    inner->addSpacing(10);
    inner->addWidget(m_progress);
    inner->addSpacing(6);
    inner->addWidget(maker);
    inner->addWidget(notice);

    // The wrapped notice needs a width before the height can follow from it.
    setFixedWidth(qMax(420, sizeHint().width()));
    setFixedHeight(heightForWidth(width()) > 0 ? heightForWidth(width()) : sizeHint().height());
}

void SplashScreen::load(const std::function<void()>& showMainWindow) {
    load(showMainWindow, screenRectFor(this));
}

void SplashScreen::load(const std::function<void()>& showMainWindow, const QRect& screen) {
    QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    centreOn(*this, screen);
    m_version->setText(versionText());
    m_loaded = true;
    show();
    activateWindow();
    // The window system maps the splash some time after show(); one turn of the loop is often
    // too early, and a quick load would then close it before it was ever painted.
    QElapsedTimer waited;
    waited.start();
    while (windowHandle() && !windowHandle()->isExposed() && waited.elapsed() < 1000)
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 10);
    QCoreApplication::processEvents();
    if (showMainWindow)
        showMainWindow();
}

void SplashScreen::closeSplash() {
    if (!m_loaded && !isVisible())
        return;
    close();
}

void SplashScreen::setProgressRange(int minimum, int maximum) {
    m_progress->setRange(minimum, maximum);
}

void SplashScreen::setProgressValue(int value) {
    m_progress->setValue(value);
}

void SplashScreen::restoreCursor() {
    while (QGuiApplication::overrideCursor() != nullptr)
        QGuiApplication::restoreOverrideCursor();
}

void SplashScreen::keyPressEvent(QKeyEvent* event) {
    event->accept();
    closeSplash();
}

void SplashScreen::closeEvent(QCloseEvent* event) {
    m_loaded = false;
    QWidget::closeEvent(event);
}

} // namespace pluvix::dialogs
