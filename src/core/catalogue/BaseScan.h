#pragma once

#include "system/Locale.h"

#include <QStringList>

namespace orq {

// The catalogue file of a root: the root text as typed, a backslash, "ORQDados.csv".
QString catalogueFilePath(const QString& root);
// The folder of a root that holds its bases: the root text, a backslash, "ORQ_DADOS".
QString basesFolderPath(const QString& root);

struct BaseScan {
    // One encoded line per base, in the order the file system lists the folders.
    QStringList lines;
    // Folders left out because their names hold control characters: a line break in a name
    // would split its catalogue line, and no Windows machine on the share could open it.
    QStringList skipped;
    // False when the bases folder could not be listed at all (missing, not a folder, no access).
    bool listed = false;
};

// Walks root\ORQ_DADOS. A base is a folder (not ".") holding a file ORQ.FDB; hidden folders are
// not listed.
BaseScan scanBases(const QString& root, const sys::RegionalSettings& settings);

} // namespace orq
