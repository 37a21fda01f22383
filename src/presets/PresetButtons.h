#pragma once

#include "presets/PresetStore.h"

#include <QAbstractButton>
#include <QImage>
#include <QRect>
#include <QStringList>
#include <QWidget>

#include <array>

class QPainter;

namespace pluvix::presets {

// The 15 x 15 face of a preset button: the digit drawn in `ink` on `face`.
QImage presetDigitPicture(int digit, const QColor& face, const QColor& ink);

// One numbered toggle. A mouse press is only reported (Space or Enter on the focused button as a
// left press); whether the button is pressed is decided by whoever handles the report, and
// releasing the mouse changes nothing.
class PresetButton final : public QAbstractButton {
    Q_OBJECT
public:
    PresetButton(int digit, QWidget* parent = nullptr);
    QSize sizeHint() const override;

signals:
    void mouseDown(Qt::MouseButton button);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void releaseLook();

    int m_digit;
    bool m_mouseDown = false;
};

// The eight preset buttons (`button(0..7)`) in two rows of four (top 1 3 5 7, bottom
// 2 4 6 8). The widget covers exactly that block; the window places it on the status panel
// at areaTwips().
class PresetButtons final : public QWidget {
    Q_OBJECT
public:
    static constexpr int Count = PresetSlotCount;
    static constexpr int ButtonTwips = 240;

    explicit PresetButtons(QWidget* parent = nullptr);

    // Button i on the status panel, twips: left 3660 + 240 * (i div 2), top 45 or 285.
    static QRect buttonGeometryTwips(int i);
    // The block of all eight on the status panel, twips.
    static QRect areaTwips();

    QAbstractButton* button(int i) const;

    // Button i is visible when i <= numberOfPresets - 1.
    void ShowPresetButtons(qint16 numberOfPresets);
    // The preset part of freezing the panel.
    void setButtonsEnabled(bool enabled);
    // All released.
    void ResetPresetCheckBox();
    // All enabled, then all released.
    void ResetPresetButtonSelect();
    void setChecked(int i, bool checked = true);
    // The index of the pressed button, -1 when none.
    int checkedIndex() const;

    void setToolTip(int i, const QString& text);
    void setToolTips(const QStringList& texts);
    QString toolTip(int i) const;
    // Every tool tip from what the slots hold.
    void RefreshPresetButtons(const PresetStore& store);

signals:
    // Reported on every mouse press on button index; the window recalls (left) or offers to
    // store (right). Other buttons are not reported.
    void presetMouseDown(int index, Qt::MouseButton button);

private:
    std::array<PresetButton*, Count> m_buttons{};
};

} // namespace pluvix::presets
