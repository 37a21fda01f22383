#include "platform/QtFileDialogs.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>

namespace pluvix::platform {

std::optional<QString> QtFileDialogs::saveFileName(const SaveDialogRequest& request) {
    const QString start = request.directory.isEmpty()
                              ? request.proposedName
                              : QDir(request.directory).filePath(request.proposedName);
    QFileDialog::Options options;
    if (!request.confirmOverwrite)
        options |= QFileDialog::DontConfirmOverwrite;
    // A busy cursor left by a caller must not sit over the dialog.
    QApplication::setOverrideCursor(Qt::ArrowCursor);
    const QString chosen = QFileDialog::getSaveFileName(m_parent, request.title, start,
                                                        request.filter, nullptr, options);
    QApplication::restoreOverrideCursor();
    if (chosen.isEmpty())
        return std::nullopt;
    return chosen;
}

} // namespace pluvix::platform
