#pragma once

#include "system/Locale.h"

#include <QStringList>

namespace orq {

// The catalogue file of a root: the root text as typed, a backslash, "ORQDados.csv".
QString catalogueFilePath(const QString& root);

// Walks root\ORQ_DADOS and returns one encoded line per base, in the order the file system
// lists the folders. A base is a folder (not ".") holding a file ORQ.FDB; hidden folders are
// not listed. A root whose folder cannot be listed yields no bases.
QStringList scanBaseLines(const QString& root, const sys::RegionalSettings& settings);

} // namespace orq
