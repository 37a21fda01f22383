#pragma once

#include <QString>

namespace pluvix::dialogs {

// "Version " + major.minor.revision in plain decimal ("Version 3.0.868").
QString versionText(int major, int minor, int revision);
// The version text of this build.
QString versionText();

} // namespace pluvix::dialogs
