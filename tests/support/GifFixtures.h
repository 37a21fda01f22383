#pragma once

#include <QByteArray>
#include <QStringList>

namespace pluvix::testsupport {

// A radar-like GIF: a plain background with banded echoes and range lines, compressing about as
// well as real radar pictures. Different seeds give different pictures.
QByteArray makeRadarGif(int width, int height, quint32 seed);
// A folder listing naming `names` after the parent link, in the server's form.
QByteArray listingOf(const QStringList& names);

} // namespace pluvix::testsupport
