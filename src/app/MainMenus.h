#pragma once

#include <QObject>
#include <QtGlobal>

#include <array>

class QAction;
class QMenu;
class QWidget;

namespace pluvix::app {

// The image menu (the map's context menu) and the tray menu. Items report the command; their
// check marks are drawn from the models' state, never kept by the items themselves.
class MainMenus final : public QObject {
    Q_OBJECT
public:
    explicit MainMenus(QWidget* window);

    QMenu* imageMenu() const { return m_imageMenu; }
    QMenu* trayMenu() const { return m_trayMenu; }
    QAction* action(const QString& objectName) const;

    void showZoom(int level);
    // Throws "Subscript out of range" for a speed the menu does not have.
    void showPlaySpeed(int speed);
    void showLoopLength(qint16 imageCount);
    void showLooping(bool on);
    void showBullseye(bool shown);
    void showColourScale(bool shown);
    void showWallpaperFollows(bool follows);
    void showTitleBarHidden(bool hidden);
    void showStatusPanelHidden(bool hidden);
    void showKeepOnTop(bool onTop);

signals:
    void bullseyeToggled();
    void bullseyeCentred();
    void colourScaleToggled();
    void zoomInChosen();
    void zoomOutChosen();
    void zoomChosen(int level);
    void saveMapChosen();
    void saveSeriesChosen();
    void saveLoopChosen();
    void copyViewChosen();
    void wallpaperToggled();
    void playSpeedChosen(int speed);
    void loopLengthChosen(int menuIndex);
    void loopToggled();
    void optionsChosen();
    void windowDefaultChosen();
    void preferencesChosen();
    void aboutChosen();
    void helpChosen();
    void titleBarToggled();
    void statusPanelToggled();
    void keepOnTopToggled();
    void minimizeChosen();
    void exitChosen();
    void restoreChosen();
    void trayOptionsChosen();

private:
    void mark(const char* objectName, bool checked);

    QMenu* m_imageMenu = nullptr;
    QMenu* m_trayMenu = nullptr;
    std::array<QAction*, 13> m_zoomItems{};
    std::array<QAction*, 11> m_speedItems{};
    std::array<QAction*, 10> m_loopLengthItems{};
};

} // namespace pluvix::app
