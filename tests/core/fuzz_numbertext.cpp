#include "core/NumberText.h"
#include "core/RuntimeError.h"

#include <cstdlib>

using namespace pluvix::core;

// Any text: numbers that read back as written (singles to seven digits) or overflow (6); no
// crash, no undefined behaviour (the sanitizer catches an out-of-range conversion).
template <class Body> void expect(Body body) {
    try {
        if (!body())
            std::abort();
    } catch (const RuntimeError& e) {
        if (e.number() != 6)
            std::abort();
    }
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString t = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    expect([&] { return textToInt16(intToText(textToInt16(t))) == textToInt16(t); });
    expect([&] { return textToInt32(intToText(textToInt32(t))) == textToInt32(t); });
    expect([&] {
        const float f = textToSingle(t), back = textToSingle(singleToText(f));
        return qIsFinite(f) && qAbs(back - f) <= qAbs(f) * 1e-6f;
    });
    return 0;
}
