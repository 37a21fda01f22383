#include "diagnostics/ErrorReporter.h"

#include "core/BuildConfig.h"
#include "core/RuntimeError.h"
#include "diagnostics/ProcedureNames.h"
#include "platform/Clock.h"
#include "platform/MessageBoxes.h"
#include "platform/ProgramEnd.h"

#include <QDateTime>
#include <QDir>
#include <QFile>

#include <utility>

namespace pluvix::diagnostics {

namespace {

const QString crlf = QStringLiteral("\r\n");

// Non-negative numbers carry a leading blank where a minus sign would stand.
QString signedNumberText(int value) {
    return value >= 0 ? QLatin1Char(' ') + QString::number(value) : QString::number(value);
}

QString versionText() {
    return QString::number(core::build::versionMajor) + QLatin1Char('.') +
           QString::number(core::build::versionMinor) + QLatin1Char('.') +
           QString::number(core::build::versionRevision);
}

// Opens for append without leaving a new empty file behind.
bool takesAppends(const QString& path) {
    QFile file(path);
    if (file.exists())
        return file.open(QIODevice::WriteOnly | QIODevice::Append);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        return false;
    file.close();
    file.remove();
    return true;
}

} // namespace

ErrorReporter::ErrorReporter(platform::MessageBoxes& boxes, platform::ProgramEnd& programEnd,
                             platform::Clock& clock, QString logFile,
                             std::function<int()> imageUBound, std::function<void()> resetPointer)
    : m_boxes(boxes), m_programEnd(programEnd), m_clock(clock), m_logFile(std::move(logFile)),
      m_imageUBound(std::move(imageUBound)), m_resetPointer(std::move(resetPointer)) {}

QString ErrorReporter::messageText(int number, const QString& description,
                                   const QString& procedureName) {
    return QStringLiteral("An Error Has Occured!") + crlf + crlf + QStringLiteral("Number: ") +
           QString::number(number) + crlf + QStringLiteral("Description: ") + description + crlf +
           QStringLiteral("Procedure: ") + procedureName + crlf + crlf +
           QStringLiteral("Please contact technical support with the information listed above.") +
           crlf + crlf +
           QStringLiteral("Click Retry to resume program. Click Cancel To End Program");
}

QString ErrorReporter::entryText(int number, const QString& description,
                                 const QString& procedureName) {
    return QStringLiteral(" ERR#:") + QString::number(number) + QStringLiteral(" / DESC: ") +
           description + QStringLiteral(" / PROC: ") + procedureName;
}

void ErrorReporter::ReportError(int number, const QString& description,
                                const QString& procedureName) {
    report(number, description, procedureName, Logging::Write);
}

void ErrorReporter::AddLogEntry(QString& entry) {
    bool failureShown = false;
    log(entry, failureShown);
}

bool ErrorReporter::report(int number, const QString& description, const QString& procedureName,
                           Logging logging) {
    resetPointer();
    const QString text = messageText(number, description, procedureName);
    QString entry = entryText(number, description, procedureName);
    // One box about the log per report, however often the log fails within it.
    bool logFailureShown = false;
    if (logging == Logging::Write && !log(entry, logFailureShown))
        return false;
    if (m_unattended && m_unattended())
        return true;

    const auto answer = m_boxes.retryCancelCritical(QStringLiteral("Pluvix Error!"), text);
    if (answer == platform::MessageButton::Cancel) {
        if (logging == Logging::Write) {
            QString last = QStringLiteral(" App TERMINATED ") + entry;
            if (!log(last, logFailureShown))
                return false;
        }
        m_programEnd.endNow(platform::exitFailure);
        return false;
    }
    resetPointer();
    return true;
}

bool ErrorReporter::log(QString& entry, bool& failureShown) {
    if (appendLine(entry) || failureShown)
        return true;
    failureShown = true;
    // Reported without a log line: that line would fail the same way, again and again.
    const auto failure = core::RuntimeError::pathFileAccess();
    return report(failure.number(), failure.description(), procedure::logEntry, Logging::Skip);
}

bool ErrorReporter::appendLine(QString& entry) {
    const QDateTime now = m_clock.now();
    const int upperBound = m_imageUBound ? m_imageUBound() : 0;
    entry = now.toString(QStringLiteral("MM-dd-yyyy")) + QLatin1Char(' ') +
            now.toString(QStringLiteral("HH:mm:ss")) + QLatin1Char(' ') + entry +
            QStringLiteral(" * ImageUbound:") + signedNumberText(upperBound) +
            QStringLiteral(" * Version:") + versionText();

    QFile file(m_logFile);
    if (m_logFile.isEmpty() || !file.open(QIODevice::WriteOnly | QIODevice::Append))
        return false;
    const QByteArray bytes = QString(entry + crlf).toUtf8();
    const bool written = file.write(bytes) == bytes.size() && file.flush();
    file.close();
    return written && file.error() == QFileDevice::NoError;
}

void ErrorReporter::resetPointer() {
    if (m_resetPointer)
        m_resetPointer();
}

QString logFilePath(const QString& programDir, const QString& appName) {
    if (!programDir.isEmpty()) {
        const QString besideProgram = QDir(programDir).filePath(QStringLiteral("Log.txt"));
        if (takesAppends(besideProgram))
            return besideProgram;
    }
    QString stateHome = qEnvironmentVariable("XDG_STATE_HOME");
    if (stateHome.isEmpty() || QDir::isRelativePath(stateHome))
        stateHome = QDir::homePath() + QStringLiteral("/.local/state");
    const QString folder = stateHome + QLatin1Char('/') + appName;
    QDir().mkpath(folder);
    return folder + QStringLiteral("/Log.txt");
}

} // namespace pluvix::diagnostics
