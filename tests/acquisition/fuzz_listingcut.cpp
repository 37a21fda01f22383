#include "acquisition/Listing.h"
#include "core/RuntimeError.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    try {
        const pluvix::acquisition::ImageNameList names = pluvix::acquisition::cutImageNames(bytes);
        for (const QString& name : names)
            if (name.size() > bytes.size())
                std::abort();
    } catch (const pluvix::core::RuntimeError& e) {
        if (e.number() != 5)
            std::abort();
    }
    return 0;
}
