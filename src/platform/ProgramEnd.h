#pragma once

namespace pluvix::platform {

// Exit statuses of the process.
inline constexpr int exitNormal = 0; // the normal shut-down, or the settings reset
// A connection failure at load, Cancel in the error box, or settings not saved at shut-down.
inline constexpr int exitFailure = 1;
// A termination signal that arrived while a message box was open ends with 128 + its number.
inline constexpr int exitSignalBase = 128;

// Ends the program at once, without the shut-down: nothing is saved.
// The real one does not return. A fake records the call and returns, so every
// caller must return straight after calling endNow() and do nothing more.
class ProgramEnd {
public:
    virtual ~ProgramEnd() = default;
    virtual void endNow(int status) = 0;
};

class ProcessEnd final : public ProgramEnd {
public:
    void endNow(int status) override;
};

} // namespace pluvix::platform
