#include "support/GifFixtures.h"

#include "acquisition/Listing.h"
#include "support/FakeDownloadService.h"

#include <QBuffer>
#include <QFile>
#include <QTime>
#include <QUrl>

#include <QRandomGenerator>

#include <gif_lib.h>

#include <array>
#include <cstring>
#include <vector>

namespace pluvix::testsupport {

namespace {

int appendToArray(GifFileType* gif, const GifByteType* data, int length) {
    static_cast<QByteArray*>(gif->UserData)->append(reinterpret_cast<const char*>(data), length);
    return length;
}

struct Echo {
    int x, y, radius;
};

} // namespace

QByteArray makeRadarGif(int width, int height, quint32 seed) {
    // Grey map lines and the radar's colour scale.
    static const QByteArray rgb =
        QByteArray::fromHex("00000078787804e9e7019ff40300f402fd0201c501008e00fdf802e5bc00fd9500fd00"
                            "00d40000bc0000f800fd9854c6");
    std::array<GifColorType, 16> palette;
    std::memcpy(palette.data(), rgb.constData(), sizeof(palette));

    QRandomGenerator random(seed);
    std::vector<Echo> echoes(12);
    for (Echo& e : echoes)
        e = {random.bounded(width), random.bounded(height), 20 + random.bounded(60)};

    QByteArray out;
    int error = 0;
    GifFileType* gif = EGifOpen(&out, appendToArray, &error);
    if (!gif)
        return {};
    EGifSetGifVersion(gif, true);
    ColorMapObject* map = GifMakeMapObject(int(palette.size()), palette.data());
    EGifPutScreenDesc(gif, width, height, 8, 0, map);
    EGifPutImageDesc(gif, 0, 0, width, height, false, nullptr);
    std::vector<GifPixelType> row(std::size_t(width), 0);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            GifPixelType colour = (x % 100 == 0 || y % 100 == 0) ? 1 : 0;
            for (const Echo& e : echoes) {
                const int d2 = (x - e.x) * (x - e.x) + (y - e.y) * (y - e.y);
                const int r = e.radius + int(random.bounded(4));
                if (d2 < r * r) {
                    const int band = 2 + (r * r - d2) * 12 / (r * r + 1);
                    colour = GifPixelType(qMax<int>(colour, band));
                }
            }
            row[std::size_t(x)] = colour;
        }
        EGifPutLine(gif, row.data(), width);
    }
    EGifCloseFile(gif, &error);
    GifFreeMapObject(map);
    return out;
}

QByteArray undecodableGif() {
    return QByteArray::fromHex("47494638396101000100800000000000ffffff2c00000000010001000002"
                               "02ffff003b");
}

QByteArray listingOf(const QStringList& names) {
    QByteArray listing = "<HTML><BODY><PRE>\n<A HREF=\"/radar/images/DS.p37cr/\">Parent</A>\n";
    for (const QString& name : names)
        listing += "<A HREF=\"" + name.toLatin1() + "\">" + name.trimmed().toLatin1() + "</A>\n";
    return listing + "</PRE></BODY></HTML>\n";
}

QStringList cutNames(const QByteArray& listing) {
    const auto cut = acquisition::cutImageNames(listing);
    return QStringList(cut.begin(), cut.end());
}

QByteArray encoded(const QImage& image, const char* format) {
    QByteArray out;
    QBuffer buffer(&out);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return out;
}

QByteArray fileBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

using namespace Qt::StringLiterals;

QString radarImageName(int hour, int minute) {
    return u"MLB20261206_NCR%1%2.gif"_s.arg(hour, 2, 10, QLatin1Char('0'))
        .arg(minute, 2, 10, QLatin1Char('0'));
}

QStringList tenImageNamesUpTo(int hour, int minute) {
    QStringList names;
    const QTime newest(hour, minute);
    for (int k = 9; k >= 0; --k) {
        const QTime t = newest.addSecs(-300 * k);
        names.append(radarImageName(t.hour(), t.minute()));
    }
    return names;
}

void serveFolder(FakeDownloadService& fake, const QString& folder, const QStringList& names) {
    fake.serve(QUrl(folder), listingOf(names));
    for (const QString& name : names)
        fake.serve(QUrl(folder + name), makeRadarGif(48, 48, quint32(qHash(name))));
}

} // namespace pluvix::testsupport
