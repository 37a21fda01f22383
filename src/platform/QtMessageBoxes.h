#pragma once

#include "platform/MessageBoxes.h"

#include <QPointer>
#include <QWidget>

namespace pluvix::platform {

class QtMessageBoxes final : public MessageBoxes {
public:
    MessageButton retryCancelCritical(const QString& title, const QString& text) override;
    void ok(const QString& title, const QString& text) override;
    MessageButton yesNo(const QString& title, const QString& text) override;
    MessageButton okCancel(const QString& title, const QString& text) override;
    void setParentWindow(QWidget* window) override { m_parent = window; }

private:
    // An open modal dialog of ours, else the program's window while it is shown, else
    // whatever window is active (the splash during start-up).
    QWidget* parentForBox() const;

    QPointer<QWidget> m_parent;
};

} // namespace pluvix::platform
