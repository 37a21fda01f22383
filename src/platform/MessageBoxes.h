#pragma once

#include <QString>

class QWidget;

namespace pluvix::platform {

enum class MessageButton { Ok, Cancel, Retry, Yes, No };

// Every question or notice the user must answer goes through here, so tests can answer.
class MessageBoxes {
public:
    virtual ~MessageBoxes() = default;
    // Retry and Cancel, Retry the default, critical-stop icon.
    virtual MessageButton retryCancelCritical(const QString& title, const QString& text) = 0;
    // One OK button.
    virtual void ok(const QString& title, const QString& text) = 0;
    virtual MessageButton yesNo(const QString& title, const QString& text) = 0;
    virtual MessageButton okCancel(const QString& title, const QString& text) = 0;
    // The window every box belongs to, so that it stays above it (also above a window kept
    // on top).
    virtual void setParentWindow(QWidget* window) { static_cast<void>(window); }
};

} // namespace pluvix::platform
