#pragma once

#include <QString>

#include <optional>

class QWidget;

namespace pluvix::platform {

struct SaveDialogRequest {
    QString title;
    QString directory;    // starting folder; empty leaves it to the dialog
    QString proposedName; // file name only
    QString filter;       // Qt filter text, e.g. "GIF Files (*.gif) (*)"
    bool confirmOverwrite = true;
};

// The file dialogs the program shows, so tests can answer them.
class FileDialogs {
public:
    virtual ~FileDialogs() = default;
    // The chosen full path, or nothing when the user cancelled.
    virtual std::optional<QString> saveFileName(const SaveDialogRequest& request) = 0;
    // The window the dialogs belong to.
    virtual void setParentWindow(QWidget* window) { static_cast<void>(window); }
};

} // namespace pluvix::platform
