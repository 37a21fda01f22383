#include "support/FakeDesktop.h"

namespace pluvix::testsupport {

QString FakeCommandRunner::key(const QString& program, const QStringList& arguments) {
    return (QStringList{program} + arguments).join(QLatin1Char(' '));
}

desktop::CommandResult FakeCommandRunner::succeeded(const QByteArray& out) {
    desktop::CommandResult r;
    r.started = true;
    r.exitCode = 0;
    r.out = out;
    return r;
}

desktop::CommandResult FakeCommandRunner::failed() {
    desktop::CommandResult r;
    r.started = true;
    r.exitCode = 1;
    return r;
}

desktop::CommandResult FakeCommandRunner::run(const QString& program,
                                              const QStringList& arguments) {
    calls.append(QStringList{program} + arguments);
    const auto it = answers.constFind(key(program, arguments));
    if (it != answers.cend())
        return *it;
    if (fallback)
        return fallback(program, arguments);
    return succeeded();
}

desktop::SavedWallpaper FakeWallpaperBackend::read() {
    desktop::SavedWallpaper saved;
    saved.taken = true;
    saved.values = values;
    return saved;
}

bool FakeWallpaperBackend::writePlacement() {
    ++placements;
    values.insert(QStringLiteral("placement"), QStringLiteral("centered"));
    return !setFails;
}

bool FakeWallpaperBackend::setPicture(const QString& file) {
    setFiles.append(file);
    if (setFails)
        return false;
    values.insert(QStringLiteral("picture"), file);
    return true;
}

bool FakeWallpaperBackend::restore(const desktop::SavedWallpaper& saved) {
    ++restores;
    values = saved.values;
    return true;
}

} // namespace pluvix::testsupport
