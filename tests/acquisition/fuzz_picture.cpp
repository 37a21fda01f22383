#include "acquisition/ImageHistory.h"
#include "core/RuntimeError.h"

#include <cstdlib>

using namespace pluvix;

// Any bytes: a picture within the side limit, already in the format the view paints, or error
// 481; never a crash, and never a decode past the limit (the run's memory cap catches that).
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    try {
        const QImage image = acquisition::decodePicture(bytes);
        if (image.isNull() || image.width() > acquisition::maxPictureSide ||
            image.height() > acquisition::maxPictureSide ||
            (image.format() != QImage::Format_RGB32 &&
             image.format() != QImage::Format_ARGB32_Premultiplied))
            std::abort();
    } catch (const core::RuntimeError& e) {
        if (e.number() != 481)
            std::abort();
    }
    return 0;
}
