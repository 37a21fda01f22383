#pragma once

#include <QRect>
#include <QWidget>

#include <functional>

class QLabel;
class QProgressBar;

namespace pluvix::dialogs {

// `frmSplash`: shown while the main window loads and downloads the first images.
class SplashScreen final : public QWidget {
    Q_OBJECT
public:
    explicit SplashScreen(QWidget* parent = nullptr);

    // The load: hourglass, centre on the screen, version, one pass of pending events, then
    // showMainWindow, which runs the whole start-up before it returns.
    void load(const std::function<void()>& showMainWindow);
    void load(const std::function<void()>& showMainWindow, const QRect& screen);

    // Unloads the splash; harmless when it is already gone.
    void closeSplash();
    bool isLoaded() const { return m_loaded; }

    // The start-up download progress (range 0..10 by default).
    QProgressBar* progressBar() const { return m_progress; }
    void setProgressRange(int minimum, int maximum);
    void setProgressValue(int value);

    // Back to the default pointer once the main window has finished loading.
    static void restoreCursor();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    QLabel* m_version = nullptr;
    QProgressBar* m_progress = nullptr;
    bool m_loaded = false;
};

} // namespace pluvix::dialogs
