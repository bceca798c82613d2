#pragma once

#include <QString>

namespace orq::sys {

// Paths travel through the program as Windows-form texts built by concatenation
// (root + "\ORQ_DADOS" ...). They become native paths only here, at the last moment, with the
// rule a Windows compatibility layer uses, so a Windows program run beside us sees the same files:
//   backslashes become slashes;
//   "X:..."          -> $WINEPREFIX/dosdevices/x:...
//   "\\host\share..." -> $WINEPREFIX/dosdevices/unc/host/share...
//   "/native/path"   stays as it is.
// WINEPREFIX defaults to ~/.wine.
QString nativePath(const QString& path);

// The folder of the running program file, without a trailing separator, in native form.
QString programFolder();

} // namespace orq::sys
