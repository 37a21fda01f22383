#include "dialogs/VersionText.h"

#include "core/BuildConfig.h"

namespace pluvix::dialogs {

QString versionText(int major, int minor, int revision) {
    return QStringLiteral("Version ") + QString::number(major) + u'.' + QString::number(minor) +
           u'.' + QString::number(revision);
}

QString versionText() {
    return versionText(core::build::versionMajor, core::build::versionMinor,
                       core::build::versionRevision);
}

} // namespace pluvix::dialogs
