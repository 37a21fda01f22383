#pragma once

#include "platform/ProgramEnd.h"

namespace pluvix::platform {

// Notes an ending, so that a sequence stops where the program would have ended also when the
// program end under it returns (as a test's does).
class EndWatch final : public ProgramEnd {
public:
    explicit EndWatch(ProgramEnd& inner) : m_inner(inner) {}
    void endNow(int status) override {
        m_ended = true;
        m_inner.endNow(status);
    }
    bool ended() const { return m_ended; }

private:
    ProgramEnd& m_inner;
    bool m_ended = false;
};

} // namespace pluvix::platform
