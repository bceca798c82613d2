#pragma once

#include "system/Status.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace orq::sys {

// Finds a program by bare name the way the shell resolves the product: first in the given
// folder (the program's own unless told otherwise), then on PATH. Returns the native path, or
// nothing when no such program is found.
std::optional<QString> findProgram(const QString& name, const QString& firstFolder);
std::optional<QString> findProgram(const QString& name);

// Starts a program detached: no wait, no handle kept, no zombie left behind.
// A file that begins with "MZ" (a Windows executable) is started through wine when wine is on
// PATH. An empty working directory keeps the current one. Succeeds once the program has taken
// the child's place; fails with the errno of whatever stopped it (ENOEXEC for a Windows program
// without wine).
Status startDetached(const QString& nativeProgram, const QStringList& arguments = {},
                     const QString& workingDirectory = {});

// Ends every running program of our own user (the same real user id; never this process) whose
// program file is the one named:
// - a bare name ("ORQ7.exe") matches the name part of the program file, the text after its last
//   '\\', '/' or ':';
// - a name with a folder (it holds '\\', '/' or ':') matches the whole path, a Windows-form one
//   taken to its native place first (see nativePath);
// both with the letters a-z compared regardless of case and every other character exactly.
// A Windows program run by wine counts as the Windows program it runs, not as wine.
// Each match gets SIGTERM, then SIGKILL if it is still running about a second later; the call
// returns once they are all gone (a zombie counts as gone), waiting at most another second for
// one stuck in the kernel. Returns whether any program matched.
bool KillProcessByName(const QString& program);

} // namespace orq::sys
