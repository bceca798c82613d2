#pragma once

#include "system/Locale.h"

#include <QStringList>

#include <atomic>

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
    // The scan was asked to stop before it saw every folder: its lines are not the whole root.
    bool stopped = false;
};

// Shared between a scan on a worker thread and the window that waits for it.
struct ScanProgress {
    // Folders looked at so far.
    std::atomic<int> folders{0};
    // Set by the waiting side: the scan ends at the next folder.
    std::atomic<bool> stop{false};
};

// Walks root\ORQ_DADOS. A base is a folder (not ".") holding a file ORQ.FDB; hidden folders are
// not listed. With progress, the count of folders looked at is kept up to date and a stop request
// ends the scan early, marked stopped.
BaseScan scanBases(const QString& root, const sys::RegionalSettings& settings,
                   ScanProgress* progress = nullptr);

} // namespace orq
