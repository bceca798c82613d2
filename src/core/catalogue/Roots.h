#pragma once

#include "system/Locale.h"

#include <QStringList>

namespace orq {

// The root the window opens with when nothing else names one.
inline const QString& defaultRoot() {
    static const QString root = QStringLiteral("c:\\Varnelo\\ORQ_7");
    return root;
}

// The known roots file lies in the program's folder, never in the current directory.
QString hostsFilePath(const QString& programFolder);

// The start-up root: the first command-line argument, else the first known root, else the
// default root.
QString startupRoot(const QStringList& arguments, const QStringList& hosts);

// Whether the known roots hold this root, letter case ignored by the user's collation.
bool isKnownRoot(const QStringList& hosts, const QString& root,
                 const sys::RegionalSettings& settings);

// A server root has two consecutive backslashes anywhere in its text and a catalogue file now.
bool isServerRoot(const QString& root);

} // namespace orq
