#include "app/KeyboardFocus.h"

#include "app/StatusPanel.h"

#include <QFocusEvent>
#include <QPainter>

namespace pluvix::app {

namespace {

constexpr int frameWidth = 2;

class FocusFrame final : public QWidget {
public:
    explicit FocusFrame(QWidget* parent) : QWidget(parent) {
        setObjectName(QStringLiteral("focusFrame"));
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setFocusPolicy(Qt::NoFocus);
        hide();
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setPen(QPen(palette().color(QPalette::Highlight), frameWidth));
        p.drawRect(QRectF(rect()).adjusted(1, 1, -1, -1));
    }
};

} // namespace

KeyboardFocus::KeyboardFocus(QWidget& window, QWidget& map, StatusPanel& panel)
    : QObject(&window), m_window(window), m_map(map), m_panel(panel),
      m_frame(new FocusFrame(&window)) {
    QList<QWidget*> order{&map};
    order.append(panel.focusOrder());
    for (qsizetype i = 0; i < order.size(); ++i) {
        if (i > 0)
            QWidget::setTabOrder(order[i - 1], order[i]);
        order[i]->installEventFilter(this);
    }
    panel.installEventFilter(this);
}

bool KeyboardFocus::eventFilter(QObject* watched, QEvent* event) {
    auto* control = qobject_cast<QWidget*>(watched);
    switch (event->type()) {
    case QEvent::FocusIn: {
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        const bool byKeyboard = reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason;
        // Coming back from a menu or another window, the frame returns where it was.
        const bool back =
            (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason) &&
            control == m_framed;
        if (byKeyboard || back) {
            m_framed = control;
            place();
            m_frame->show();
            m_frame->raise();
        } else {
            m_framed = nullptr;
            m_frame->hide();
        }
        break;
    }
    case QEvent::FocusOut:
        m_frame->hide();
        break;
    case QEvent::MouseButtonPress:
        m_framed = nullptr;
        m_frame->hide();
        break;
    case QEvent::Move:
    case QEvent::Resize:
        if (m_frame->isVisible())
            place();
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

void KeyboardFocus::place() {
    if (!m_framed)
        return;
    QRect area;
    if (m_framed == &m_map) {
        // The map lies under the panel too; the frame goes round the part that is seen.
        area = QRect(0, 0, m_window.width(), m_panel.isVisible() ? m_panel.y() : m_window.height());
    } else {
        const QPoint topLeft = m_framed->mapTo(&m_window, QPoint(0, 0));
        area = QRect(topLeft, m_framed->size())
                   .adjusted(-frameWidth, -frameWidth, frameWidth, frameWidth);
    }
    m_frame->setGeometry(area.intersected(m_window.rect()));
}

} // namespace pluvix::app
