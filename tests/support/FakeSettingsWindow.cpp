#include "support/FakeSettingsWindow.h"

#include "core/RuntimeError.h"

namespace pluvix::testsupport {

void FakeSettingsWindow::setZoomValue(qint32 level) {
    if (level < 1 || level > 12)
        throw core::RuntimeError::invalidPropertyValue();
    zoom = level;
}

} // namespace pluvix::testsupport
