#pragma once
#include "core/RuntimeError.h"

namespace pluvix::testsupport {
// The run-time error number the call threw, or 0.
template <class F> int errorOf(F&& f) {
    try {
        f();
    } catch (const core::RuntimeError& e) {
        return e.number();
    }
    return 0;
}
} // namespace pluvix::testsupport
