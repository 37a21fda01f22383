#include "view/PanelColours.h"

#include <QCoreApplication>
#include <QEvent>
#include <QPalette>

namespace pluvix::view {

namespace {

QColor between(const QColor& a, const QColor& b) {
    return QColor((a.red() + b.red()) / 2, (a.green() + b.green()) / 2, (a.blue() + b.blue()) / 2);
}

// Only the application object hears of a new application palette for certain: a widget whose
// own colours did not change is not told.
class PaletteFollower final : public QObject {
public:
    PaletteFollower(QObject* owner, std::function<void()> recolour)
        : QObject(owner), m_recolour(std::move(recolour)) {
        QCoreApplication::instance()->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::ApplicationPaletteChange &&
            watched == QCoreApplication::instance())
            m_recolour();
        return false;
    }

private:
    std::function<void()> m_recolour;
};

} // namespace

void followApplicationPalette(QObject* owner, std::function<void()> recolour) {
    new PaletteFollower(owner, std::move(recolour));
}

bool isDarkPalette(const QPalette& palette) {
    return palette.color(QPalette::Window).lightness() <
           palette.color(QPalette::WindowText).lightness();
}

PanelColours panelColours(const QPalette& application) {
    if (!isDarkPalette(application)) {
        const QColor grey(0xC0, 0xC0, 0xC0);
        return {grey,
                Qt::black,
                grey,
                QColor(0x20, 0x20, 0x20),
                QColor(0x80, 0x80, 0x80),
                Qt::white,
                QColor(0x80, 0x80, 0x80),
                Qt::black,
                QColor(255, 255, 192),
                Qt::white,
                Qt::black};
    }
    const QColor window = application.color(QPalette::Window);
    const QColor text = application.color(QPalette::WindowText);
    // Bevels from the panel itself: a palette's own light roles may still be a light theme's.
    return {
        window, text, window, text, between(window, text), window.lighter(170), window.darker(200),
        window, text, window, text};
}

} // namespace pluvix::view
