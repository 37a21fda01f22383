#pragma once

namespace pluvix::platform {

// Ends the program at once, without the shut-down: nothing is saved.
// The real one does not return. A fake records the call and returns, so every
// caller must return straight after calling endNow() and do nothing more.
class ProgramEnd {
public:
    virtual ~ProgramEnd() = default;
    virtual void endNow() = 0;
};

class ProcessEnd final : public ProgramEnd {
public:
    void endNow() override;
};

} // namespace pluvix::platform
