#include "desktop/CommandRunner.h"

#include <QProcess>
#include <QStandardPaths>

namespace pluvix::desktop {

CommandResult ProcessCommandRunner::run(const QString& program, const QStringList& arguments) {
    CommandResult result;
    QProcess process;
    process.setProgram(program);
    process.setArguments(arguments);
    process.setStandardInputFile(QProcess::nullDevice());
    process.start();
    if (!process.waitForStarted(m_timeoutMs))
        return result;
    result.started = true;
    if (!process.waitForFinished(m_timeoutMs)) {
        result.timedOut = true;
        process.kill();
        process.waitForFinished(1000);
        return result;
    }
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.out = process.readAllStandardOutput();
    result.err = process.readAllStandardError();
    return result;
}

QString ProcessCommandRunner::findProgram(const QString& name) const {
    return QStandardPaths::findExecutable(name);
}

} // namespace pluvix::desktop
