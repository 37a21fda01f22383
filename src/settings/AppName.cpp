#include "settings/AppName.h"

namespace pluvix::settings {

QString appNameFromProgramFile(const QString& programPath) {
    // Both separators, so a path in either convention gives the same name.
    const qsizetype slash = qMax(programPath.lastIndexOf(u'/'), programPath.lastIndexOf(u'\\'));
    QString base = programPath.mid(slash + 1);
    const qsizetype dot = base.lastIndexOf(u'.');
    if (dot > 0)
        base.truncate(dot);
    if (base.left(6).compare(QLatin1String("PLUVIX"), Qt::CaseInsensitive) == 0)
        return QStringLiteral("Pluvix") + base.mid(6);
    return base;
}

} // namespace pluvix::settings
