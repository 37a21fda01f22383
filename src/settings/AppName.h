#pragma once

#include <QString>

namespace pluvix::settings {

// The name every setting is kept under: the program file's base name (no folder, no
// extension); a name starting with "PLUVIX" in any letter case is spelled "Pluvix" + the rest.
QString appNameFromProgramFile(const QString& programPath);

} // namespace pluvix::settings
