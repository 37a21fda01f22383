#pragma once

#include "diagnostics/ErrorTrap.h"

#include <QString>

#include <functional>

namespace pluvix::platform {
class Clock;
class MessageBoxes;
class ProgramEnd;
} // namespace pluvix::platform

namespace pluvix::diagnostics {

// The one error routine: logs the report, asks Retry or Cancel, and ends the program on Cancel.
class ErrorReporter final : public ErrorSink {
public:
    // imageUBound gives the highest index of the image history (0 when not given);
    // resetPointer clears a busy cursor left by a long operation.
    ErrorReporter(platform::MessageBoxes& boxes, platform::ProgramEnd& programEnd,
                  platform::Clock& clock, QString logFile, std::function<int()> imageUBound = {},
                  std::function<void()> resetPointer = {});

    void ReportError(int number, const QString& description, const QString& procedureName) override;

    // While this says true (the session is ending), a report is logged and taken as Retry
    // without a box: nobody will answer it, and the program must end on its own.
    void answerUnattendedWhile(std::function<bool()> unattended) {
        m_unattended = std::move(unattended);
    }

    // Appends one line built from entry and leaves the whole line in entry. A failure to write
    // is reported under "Module1.AddLogEntry".
    void AddLogEntry(QString& entry);

    const QString& logFile() const { return m_logFile; }

    static QString messageText(int number, const QString& description,
                               const QString& procedureName);
    static QString entryText(int number, const QString& description, const QString& procedureName);

private:
    enum class Logging { Write, Skip };
    // Returns false once the program has been ended.
    bool report(int number, const QString& description, const QString& procedureName,
                Logging logging);
    // Builds the line into entry; false when the file could not be written.
    bool appendLine(QString& entry);
    // Appends and reports a failed write (without logging it); false once the program ended.
    bool log(QString& entry, bool& failureShown);
    void resetPointer();

    platform::MessageBoxes& m_boxes;
    platform::ProgramEnd& m_programEnd;
    platform::Clock& m_clock;
    QString m_logFile;
    std::function<int()> m_imageUBound;
    std::function<void()> m_resetPointer;
    std::function<bool()> m_unattended;
};

// Log.txt beside the program when that folder takes writes, else in the per-user state folder
// ($XDG_STATE_HOME or ~/.local/state) under the application name.
QString logFilePath(const QString& programDir, const QString& appName);

} // namespace pluvix::diagnostics
