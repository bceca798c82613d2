#pragma once

#include "system/Status.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <functional>
#include <optional>

// File and folder operations. Every path argument is a Windows-form text (see Paths.h); the
// implementation maps it to a native path itself.
namespace orq::sys {

struct FolderEntry {
    QString name;
    bool isFolder = false;
};

// Lists the folders of a folder the way a folder search of the original platform does:
// "." and ".." come back, hidden entries (on Linux: any other name starting with a dot) do not,
// and ordinary files may come back too. Entries arrive in the order the file system keeps them.
// Fails with the errno of opening the folder when the listing cannot start (ENOENT, EACCES,
// ENOTDIR...); nothing is visited then.
Status listFolder(const QString& folder, const std::function<void(const FolderEntry&)>& visit);

struct FileEntry {
    qint64 size = 0;
    QDateTime lastWriteUtc;
    bool isFolder = false;
};

// The directory entry of one file or folder, hidden entries included; nothing when there is no
// entry to be seen (missing, below a file, in a folder we may not search).
std::optional<FileEntry> lookup(const QString& path);

bool fileExists(const QString& path);   // exists and is not a folder
bool folderExists(const QString& path); // exists and is a folder

// Reads the whole file at once, sharing it with other readers but no writer.
// Throws Error::cannotOpenFile.
QByteArray readFile(const QString& path);

// Replaces the file whole, or creates it: the bytes go to a hidden temporary file in the same
// folder, which is flushed to disk and renamed over the target, so a crash or a kill at any
// moment leaves either the old file or the new one, never a part. The new file keeps the mode
// (and, where allowed, the owner) of the one it replaces; a new file gets 0666 less the umask.
// A symbolic link is written through: the file it points to is replaced and the link stays (a
// link to nothing is replaced by the file).
// Like an in-place write, it refuses a file it may not write to and one that another process
// holds locked (a reader of readFile included), and then leaves the old file untouched.
// The temporary file stays locked until it is renamed; one a killed write left beside the same
// target is unlocked, and the next write (or copy) to that target removes it.
// Throws Error::cannotCreateFile.
void writeFile(const QString& path, const QByteArray& bytes);

// Creates one folder level (its parent must exist).
Status createFolder(const QString& path);

// Renames a file or folder within its file system; never replaces an existing target (EEXIST).
Status moveFile(const QString& from, const QString& to);

// Renames like moveFile; when the target name is taken, to the first free "<target> (2)",
// "<target> (3)"... beside it, as the desktop's file manager does on a collision.
Status moveFilePickingFreeName(const QString& from, const QString& to);

// Whether the two paths name the same existing file (the same file reached through another
// spelling, a link or a mapped drive included).
bool sameFile(const QString& a, const QString& b);

// Told how far a copy has come, in bytes; answering false cancels it.
using CopyProgress = std::function<bool(qint64 done, qint64 total)>;

// Copies one file at close to disk speed (a reflink or in-kernel copy where the file system
// offers one, else large buffers), never the whole file in memory. The copy goes to a hidden
// temporary file beside the target, is flushed to disk and then renamed into place, so a copy
// that fails, is cancelled or is killed never leaves a partial target: the target is the old
// file or the whole new one. The copy keeps the source's last-write time and mode.
// failIfExists: an existing target is left alone and the copy fails with EEXIST.
// Fails with ECANCELED when progress answers false, else with the errno of the failing step.
Status copyFile(const QString& source, const QString& target, bool failIfExists,
                const CopyProgress& progress = {});

} // namespace orq::sys
