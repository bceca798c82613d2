#pragma once

#include <QString>
#include <QStringList>

namespace orq {

// What the command line asks for: open the window on the roots given (the first one counts), or
// only print the help or the version, or nothing at all because it could not be read.
struct CommandLine {
    enum class Action { Run, Help, Version, Error };
    Action action = Action::Run;
    QStringList roots;
    // The help text, the version line, or the error to print, each ending in a line break.
    QString text;

    // Exit status of a run that only prints: 0 for help and version, 2 for an error.
    int exitStatus() const { return action == Action::Error ? 2 : 0; }
};

// Reads the arguments after the program's own name. "--" ends the options, so a root that
// begins with a dash can still be given.
CommandLine parseCommandLine(const QStringList& arguments, const QString& version);

} // namespace orq
