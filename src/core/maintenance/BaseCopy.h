#pragma once

#include <QDateTime>
#include <QString>

#include <functional>

// The copy commands: a new base as a copy of another under the same root, and a base fetched
// from a server root into the local bases beside the program. Paths are Windows-form texts
// built by concatenation, as everywhere else; the platform maps them.
namespace orq {

// root\ORQ_DADOS\name, and the base's two files in it.
QString basePath(const QString& root, const QString& name);
QString baseDatabasePath(const QString& root, const QString& name);
QString baseDataFilePath(const QString& root, const QString& name);

// The local bases lie beside the program: programFolder\ORQ_DADOS\name.
QString localBasePath(const QString& programFolder, const QString& name);

// "yyyymmddhhnnss" of a local time, the name under which a replaced local database is kept.
QString copyStamp(const QDateTime& localTime);
// localBaseFolder\<stamp>_ORQ.FDB
QString keptDatabasePath(const QString& localBaseFolder, const QDateTime& localTime);

// Why a typed name cannot name a new base folder, in words for the user; empty when it can.
// A base folder must stay inside ORQ_DADOS and open on the Windows machines that share the
// root: no path or reserved characters, not "." or "..", no blank or dot at the end, no device
// name, and no longer than a folder name may be.
QString newBaseNameProblem(const QString& name);

// Copies one file into place whole; false when the copy was cancelled or failed, in which case
// the copier has told the user what failed. Never replaces an existing target when failIfExists.
using FileCopier =
    std::function<bool(const QString& source, const QString& target, bool failIfExists)>;

// "Nova Base": the folder root\ORQ_DADOS\newName with copies of the source base's ORQ.FDB and
// SYSTEM.DAT. Throws the name's problem before anything is created. An existing folder or
// file is never overwritten, and a missing source file is simply not copied: the refresh that
// follows shows what exists.
void createNewBase(const QString& root, const QString& sourceName, const QString& newName,
                   const FileCopier& copy);

// "Copiar para mim": the base's ORQ.FDB from the root into the local base of the same name,
// keeping the local file it replaces as <stamp>_ORQ.FDB. Returns true when the new file is in
// place; false when the copy was cancelled or failed, and then the kept file is back under its
// own name so the local base still opens. Throws, before touching anything, when the source is
// missing, when source and local file are the same file, when a file was already kept under
// this second's stamp, or when the local file cannot be moved aside.
bool fetchBase(const QString& root, const QString& programFolder, const QString& name,
               const QDateTime& localNow, const FileCopier& copy);

} // namespace orq
