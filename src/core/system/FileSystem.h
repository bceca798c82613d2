#pragma once

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
// Returns false when the listing cannot start (no such folder, no access, not a folder).
bool listFolder(const QString& folder, const std::function<void(const FolderEntry&)>& visit);

struct FileEntry {
    qint64 size = 0;
    QDateTime lastWriteUtc;
    bool isFolder = false;
};

// The directory entry of one file or folder; hidden entries included.
std::optional<FileEntry> lookup(const QString& path);

bool fileExists(const QString& path);   // exists and is not a folder
bool folderExists(const QString& path); // exists and is a folder

// Reads the whole file at once, sharing it with other readers but no writer.
// Throws Error::cannotOpenFile.
QByteArray readFile(const QString& path);

// Creates or truncates the file and writes it, holding it exclusively while writing.
// Throws Error::cannotCreateFile.
void writeFile(const QString& path, const QByteArray& bytes);

} // namespace orq::sys
