#include "platform/ProgramEnd.h"

#include <cstdio>
#include <unistd.h>

namespace pluvix::platform {

void ProcessEnd::endNow() {
    std::fflush(nullptr);
    ::_exit(0);
}

} // namespace pluvix::platform
