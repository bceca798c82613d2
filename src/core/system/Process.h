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

} // namespace orq::sys
