#pragma once

#include "catalogue/ProductFiles.h"

#include <QString>

#include <optional>

namespace orq {

// Starts the product by bare name (beside our own program first, then on PATH), detached,
// without arguments, in our current directory; the base it opens comes only through orqcon.ini.
// Returns nothing on success, else the system's text for why it could not start (a missing
// program reads as "file not found"). Never throws: a failed start is shown and the caller
// goes on.
std::optional<QString> launchProduct(const QString& program = product::Program);
// The same, looking first in the given folder instead of our own.
std::optional<QString> launchProduct(const QString& program, const QString& firstFolder);

// A system message as the error display wants it: trailing line ends, blanks, control
// characters and full stops removed (the display adds its own full stop).
QString trimSystemMessage(const QString& message);

} // namespace orq
