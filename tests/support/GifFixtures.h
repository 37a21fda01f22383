#pragma once

#include <QByteArray>

namespace pluvix::testsupport {

// A radar-like GIF: a plain background with banded echoes and range lines, compressing about as
// well as real radar pictures. Different seeds give different pictures.
QByteArray makeRadarGif(int width, int height, quint32 seed);

} // namespace pluvix::testsupport
