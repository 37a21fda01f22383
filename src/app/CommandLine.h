#pragma once

#include "acquisition/FolderAddress.h"

#include <QString>
#include <QStringList>

namespace pluvix::app {

// What the command line asks for. Qt's own options (-platform NAME, -style NAME, ...) are
// left to Qt; any other argument with one dash is refused.
struct CommandLine {
    enum class Action { Run, Help, Version, Error };
    Action action = Action::Run;
    acquisition::ServerHosts hosts; // the build-time hosts unless an option replaced them
    QString message;                // the text --help, --version or an error prints
};

// arguments: the program's arguments, the program name first.
CommandLine parseCommandLine(const QStringList& arguments);

// Prints the message (errors to stderr) and gives the exit status: 0, or 2 for an error.
int finishCommandLine(const CommandLine& commandLine);

} // namespace pluvix::app
