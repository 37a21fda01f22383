#include "presets/PresetButtons.h"

#include "core/RuntimeError.h"
#include "view/PanelColours.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

namespace pluvix::presets {

namespace {

constexpr int facePixels = 15;
constexpr int buttonPixels = 16;

// Digits 1..8 on a 4 x 6 grid; each cell is 2 x 2 pixels of the face.
constexpr int glyphColumns = 4;
constexpr int glyphRows = 6;
constexpr int cellPixels = 2;
constexpr const char* glyphs[8][glyphRows] = {
    {".X..", "XX..", ".X..", ".X..", ".X..", "XXX."},
    {"XXX.", "...X", "..X.", ".X..", "X...", "XXXX"},
    {"XXX.", "...X", ".XX.", "...X", "...X", "XXX."},
    {"..X.", ".XX.", "X.X.", "XXXX", "..X.", "..X."},
    {"XXXX", "X...", "XXX.", "...X", "...X", "XXX."},
    {".XX.", "X...", "XXX.", "X..X", "X..X", ".XX."},
    {"XXXX", "...X", "..X.", "..X.", ".X..", ".X.."},
    {".XX.", "X..X", ".XX.", "X..X", "X..X", ".XX."},
};

} // namespace

QImage presetDigitPicture(int digit, const QColor& face, const QColor& ink) {
    QImage image(facePixels, facePixels, QImage::Format_RGB32);
    image.fill(face);
    if (digit < 1 || digit > 8)
        return image;
    const int left = (facePixels - glyphColumns * cellPixels) / 2;
    const int top = (facePixels - glyphRows * cellPixels) / 2;
    for (int row = 0; row < glyphRows; ++row) {
        for (int col = 0; col < glyphColumns; ++col) {
            if (glyphs[digit - 1][row][col] != 'X')
                continue;
            for (int dy = 0; dy < cellPixels; ++dy)
                for (int dx = 0; dx < cellPixels; ++dx)
                    image.setPixel(left + col * cellPixels + dx, top + row * cellPixels + dy,
                                   ink.rgb());
        }
    }
    return image;
}

PresetButton::PresetButton(int digit, QWidget* parent) : QAbstractButton(parent), m_digit(digit) {
    setCheckable(true);
    // Reached by Tab only: a click must not leave the focus here for the next key.
    setFocusPolicy(Qt::TabFocus);
    setFixedSize(buttonPixels, buttonPixels);
}

QSize PresetButton::sizeHint() const {
    return {buttonPixels, buttonPixels};
}

void PresetButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const bool sunken = isChecked() || m_mouseDown;
    const view::PanelColours colours = view::panelColours(palette());
    painter.fillRect(rect(), colours.presetFace);
    // Greyed digits, as a disabled graphical button shows them.
    QImage face =
        presetDigitPicture(m_digit, colours.presetFace,
                           isEnabled() ? colours.presetDigit : colours.presetDigitDisabled);
    // The button of the view on display stands out from a mere press: its face inverted.
    if (isChecked())
        face.invertPixels();
    const int shift = sunken ? 1 : 0;
    painter.drawImage(QRect(shift, shift, facePixels, facePixels), face);

    const QRectF r = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    const QColor topLeft = sunken ? colours.bevelShadow : colours.bevelLight;
    const QColor bottomRight = sunken ? colours.bevelLight : colours.bevelShadow;
    painter.setPen(topLeft);
    painter.drawLine(r.topLeft(), r.topRight());
    painter.drawLine(r.topLeft(), r.bottomLeft());
    painter.setPen(bottomRight);
    painter.drawLine(r.bottomLeft(), r.bottomRight());
    painter.drawLine(r.topRight(), r.bottomRight());
}

void PresetButton::mousePressEvent(QMouseEvent* event) {
    event->accept();
    const Qt::MouseButton button = event->button();
    if (button != Qt::LeftButton && button != Qt::RightButton)
        return;
    m_mouseDown = true;
    update();
    emit mouseDown(button);
    // A recall disables the button and a store asks in a modal box: either swallows the
    // release, which must not leave the button drawn pressed.
    if (!(QGuiApplication::mouseButtons() & button))
        releaseLook();
}

// Space and Enter on the focused button act as a left press; the button itself never toggles.
void PresetButton::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    if (key != Qt::Key_Space && key != Qt::Key_Return && key != Qt::Key_Enter) {
        QAbstractButton::keyPressEvent(event);
        return;
    }
    event->accept();
    if (!event->isAutoRepeat())
        emit mouseDown(Qt::LeftButton);
}

void PresetButton::keyReleaseEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Space)
        event->accept();
    else
        QAbstractButton::keyReleaseEvent(event);
}

void PresetButton::releaseLook() {
    if (m_mouseDown) {
        m_mouseDown = false;
        update();
    }
}

void PresetButton::changeEvent(QEvent* event) {
    if (event->type() == QEvent::EnabledChange && !isEnabled())
        releaseLook();
    QAbstractButton::changeEvent(event);
}

void PresetButton::hideEvent(QHideEvent* event) {
    releaseLook();
    QAbstractButton::hideEvent(event);
}

void PresetButton::mouseReleaseEvent(QMouseEvent* event) {
    // Never toggles: a recall has already pressed the button it belongs to.
    event->accept();
    releaseLook();
}

void PresetButton::mouseMoveEvent(QMouseEvent* event) {
    event->accept();
}

PresetButtons::PresetButtons(QWidget* parent) : QWidget(parent) {
    const QRect area = areaTwips();
    setFixedSize(area.width() / 15, area.height() / 15);
    for (int i = 0; i < Count; ++i) {
        auto* button = new PresetButton(i + 1, this);
        button->setObjectName(QStringLiteral("ctrlPreset_") + QString::number(i));
        const QRect g = buttonGeometryTwips(i).translated(-area.topLeft());
        button->move(g.left() / 15, g.top() / 15);
        connect(button, &PresetButton::mouseDown, this,
                [this, i](Qt::MouseButton b) { emit presetMouseDown(i, b); });
        m_buttons[std::size_t(i)] = button;
    }
}

QRect PresetButtons::buttonGeometryTwips(int i) {
    if (i < 0 || i >= Count)
        throw core::RuntimeError::subscriptOutOfRange();
    return {3660 + ButtonTwips * (i / 2), i % 2 == 0 ? 45 : 285, ButtonTwips, ButtonTwips};
}

QRect PresetButtons::areaTwips() {
    return buttonGeometryTwips(0).united(buttonGeometryTwips(Count - 1));
}

QAbstractButton* PresetButtons::button(int i) const {
    if (i < 0 || i >= Count)
        throw core::RuntimeError::subscriptOutOfRange();
    return m_buttons[std::size_t(i)];
}

void PresetButtons::ShowPresetButtons(qint16 numberOfPresets) {
    for (int i = 0; i < Count; ++i)
        m_buttons[std::size_t(i)]->setVisible(i <= numberOfPresets - 1);
}

void PresetButtons::setButtonsEnabled(bool enabled) {
    for (PresetButton* b : m_buttons)
        b->setEnabled(enabled);
}

void PresetButtons::ResetPresetCheckBox() {
    for (PresetButton* b : m_buttons)
        b->setChecked(false);
}

void PresetButtons::ResetPresetButtonSelect() {
    setButtonsEnabled(true);
    ResetPresetCheckBox();
}

void PresetButtons::setChecked(int i, bool checked) {
    button(i)->setChecked(checked);
}

int PresetButtons::checkedIndex() const {
    for (int i = 0; i < Count; ++i)
        if (m_buttons[std::size_t(i)]->isChecked())
            return i;
    return -1;
}

void PresetButtons::setToolTip(int i, const QString& text) {
    button(i)->setToolTip(text);
}

void PresetButtons::setToolTips(const QStringList& texts) {
    for (int i = 0; i < Count && i < texts.size(); ++i)
        m_buttons[std::size_t(i)]->setToolTip(texts.at(i));
}

QString PresetButtons::toolTip(int i) const {
    return button(i)->toolTip();
}

void PresetButtons::RefreshPresetButtons(const PresetStore& store) {
    for (int i = 0; i < Count; ++i)
        m_buttons[std::size_t(i)]->setToolTip(store.tooltip(i));
}

} // namespace pluvix::presets
