#pragma once

#include <QWidget>

#include <array>

class QCheckBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QScrollBar;

namespace pluvix::presets {
class PresetButtons;
}

namespace pluvix::app {

// The status panel `Picture1`: history and zoom sliders, picture number, Options, the loop
// switch, the preset buttons and a recall's progress. It reports what the user did and shows
// what it is told; the sliders follow silently.
class StatusPanel final : public QWidget {
    Q_OBJECT
public:
    explicit StatusPanel(QWidget* parent);

    QScrollBar* historySlider() const { return m_historySlider; }
    QScrollBar* zoomSlider() const { return m_zoomSlider; }
    QLabel* pictureNumberLabel() const { return m_pictureNumber; }
    QCheckBox* loopSwitch() const { return m_loopSwitch; }
    presets::PresetButtons* presetButtons() const { return m_presets; }
    QPushButton* optionsButton() const { return m_optionsButton; }
    // The controls Tab reaches, in the order they are seen: column by column, top to bottom.
    QList<QWidget*> focusOrder() const;
    QProgressBar* progressBar() const { return m_progress; }

    void showHistoryRange(int minimum, int maximum);
    void showHistoryPosition(int position);
    void showZoom(int level);
    void showLooping(bool on);
    void showPictureNumber(int number);
    void freeze(bool frozen);
    // Every preset button up, as any change of the view leaves the recalled one.
    void releasePresets();
    void clearPresetMark();
    bool frozen() const;
    // A recall: its button down, the panel frozen behind its progress, captioned with the
    // slot's tool tip; at its end the panel works again, after a failure the button is up.
    void beginRecall(int slot);
    void endRecall();
    void abandonRecall(bool viewRestored);
    void setProgressValue(int value);

signals:
    void historyMoved(int position);
    void zoomMoved(int level);
    void loopToggled(bool on);
    void optionsPressed();
    void presetPressed(int index, Qt::MouseButton button);
    void pictureNumberPressed(Qt::MouseButton button);
    void pictureNumberDoubleClicked();

private:
    // The panel's colours follow the application palette.
    void takeColours();

    std::array<QLabel*, 2> m_sliderCaptions{};
    QScrollBar* m_historySlider = nullptr;
    QScrollBar* m_zoomSlider = nullptr;
    QLabel* m_pictureNumber = nullptr;
    QPushButton* m_optionsButton = nullptr;
    QCheckBox* m_loopSwitch = nullptr;
    QProgressBar* m_progress = nullptr;
    presets::PresetButtons* m_presets = nullptr;
};

} // namespace pluvix::app
