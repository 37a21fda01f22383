#pragma once

#include "platform/FileDialogs.h"

#include <QPointer>
#include <QWidget>

namespace pluvix::platform {

class QtFileDialogs final : public FileDialogs {
public:
    explicit QtFileDialogs(QWidget* parent = nullptr) : m_parent(parent) {}
    std::optional<QString> saveFileName(const SaveDialogRequest& request) override;
    void setParentWindow(QWidget* window) override { m_parent = window; }

private:
    QPointer<QWidget> m_parent;
};

} // namespace pluvix::platform
