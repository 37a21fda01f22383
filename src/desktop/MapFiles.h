#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

namespace pluvix::desktop {

// The window caption from the character after its last "-", blanks trimmed; no "-" gives the
// whole caption.
QString captionTail(const QString& caption);

// Makes text usable as one file name inside a chosen folder: path separators, "..", NUL and
// control characters become "_". Station labels ("Denver/Boulder") and server-provided image
// names both pass through here.
QString safeFileName(const QString& text);

QString proposedMapFileName(const QString& captionTail, const QString& tag);
QString proposedSeriesFileName(const QString& tag);
QString seriesFileName(const QString& captionTail, const QString& tag);

// The chosen full name up to and including its last "/" (empty when it has none).
QString folderOfChosenName(const QString& chosen);

enum class MapFileFormat { Gif, Png, Jpeg, Bmp };

// From the name's ending, ignoring case; no or another ending gives BMP.
MapFileFormat mapFileFormatFor(const QString& fileName);

// The file content for a picture: its original bytes when they already are the wanted format
// (the server's GIF, a satellite JPEG), otherwise the decoded picture encoded anew.
// Empty with *error set when neither works.
QByteArray encodeMapFile(MapFileFormat format, const QByteArray& original, const QImage& image,
                         QString* error = nullptr);

// GIF encoding of a decoded picture (up to 256 colours, dithered when it has more).
QByteArray encodeGif(const QImage& image, QString* error = nullptr);

// Writes the picture under path in the format its ending names, replacing an existing file
// atomically. False with *error set on failure.
bool writeMapFile(const QString& path, const QByteArray& original, const QImage& image,
                  QString* error = nullptr);

} // namespace pluvix::desktop
