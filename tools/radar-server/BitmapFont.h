#pragma once

#include <QByteArrayView>
#include <QtGlobal>

namespace pluvix::radarserver {

// A 5 x 7 upper-case font drawn straight into 8-bit pixel buffers (palette indexes or grey).
namespace font {

inline constexpr int GlyphWidth = 5;
inline constexpr int GlyphHeight = 7;
inline constexpr int Advance = 6;

struct Target {
    uchar* pixels;
    int width;
    int height;
    int stride;
};

// Lower-case letters print as capitals; characters without a glyph print as blanks.
void drawText(const Target& target, int x, int y, QByteArrayView text, uchar colour, int scale = 1);
// Same, with a one-pixel ring of `outline` so the text stays readable on a busy background.
void drawOutlinedText(const Target& target, int x, int y, QByteArrayView text, uchar colour,
                      uchar outline);
int textWidth(QByteArrayView text, int scale = 1);

// A 3 x 5 face with digits and the point only, for legend numbers.
void drawSmallText(const Target& target, int x, int y, QByteArrayView text, uchar colour);
int smallTextWidth(QByteArrayView text);

} // namespace font
} // namespace pluvix::radarserver
