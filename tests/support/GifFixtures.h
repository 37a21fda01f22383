#pragma once

#include <QByteArray>
#include <QImage>
#include <QStringList>

namespace pluvix::testsupport {

class FakeDownloadService;

// A radar-like GIF: a plain background with banded echoes and range lines, compressing about as
// well as real radar pictures. Different seeds give different pictures.
QByteArray makeRadarGif(int width, int height, quint32 seed);
// Whole GIF blocks around compressed data that does not decode.
QByteArray undecodableGif();
// A folder listing naming `names` after the parent link, in the server's form.
QByteArray listingOf(const QStringList& names);
// The image names of a listing as the viewer's own cut reads them.
QStringList cutNames(const QByteArray& listing);
// The picture as a file of `format` would hold it.
QByteArray encoded(const QImage& image, const char* format);
// The file's bytes; empty when it cannot be read.
QByteArray fileBytes(const QString& path);

// Image names as the radar server writes them: station MLB on 2026-12-06 at hhmm UTC.
QString radarImageName(int hour, int minute);
// Ten names five minutes apart, the newest at hour:minute.
QStringList tenImageNamesUpTo(int hour, int minute);
// Serves the listing of `names` at folder and a different small GIF for every name.
void serveFolder(FakeDownloadService& fake, const QString& folder, const QStringList& names);

} // namespace pluvix::testsupport
