#include "platform/ProgramEnd.h"

#include <cstdio>
#include <unistd.h>

namespace pluvix::platform {

void ProcessEnd::endNow(int status) {
    std::fflush(nullptr);
    ::_exit(status);
}

} // namespace pluvix::platform
