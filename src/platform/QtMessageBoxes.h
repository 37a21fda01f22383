#pragma once

#include "platform/MessageBoxes.h"

class QWidget;

namespace pluvix::platform {

class QtMessageBoxes final : public MessageBoxes {
public:
    MessageButton retryCancelCritical(const QString& title, const QString& text) override;
    void ok(const QString& title, const QString& text) override;
    MessageButton yesNo(const QString& title, const QString& text) override;
    MessageButton okCancel(const QString& title, const QString& text) override;
};

} // namespace pluvix::platform
