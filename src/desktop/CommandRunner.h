#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace pluvix::desktop {

struct CommandResult {
    bool started = false;
    bool timedOut = false;
    int exitCode = -1;
    QByteArray out;
    QByteArray err;

    bool ok() const { return started && !timedOut && exitCode == 0; }
};

// Runs desktop tools (gsettings, xfconf-query...). Every run is bounded in time.
class CommandRunner {
public:
    virtual ~CommandRunner() = default;
    virtual CommandResult run(const QString& program, const QStringList& arguments) = 0;
    // Full path of a program found in PATH, empty when there is none.
    virtual QString findProgram(const QString& name) const = 0;
};

class ProcessCommandRunner final : public CommandRunner {
public:
    explicit ProcessCommandRunner(int timeoutMs = 5000) : m_timeoutMs(timeoutMs) {}
    CommandResult run(const QString& program, const QStringList& arguments) override;
    QString findProgram(const QString& name) const override;

private:
    int m_timeoutMs;
};

} // namespace pluvix::desktop
