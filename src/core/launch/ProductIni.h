#pragma once

#include <QString>
#include <QStringList>

namespace orq {

// The product's connection file orqcon.ini. The product reads it at start; we only record in it
// which host holds the bases and which database to open. Nothing is cached: every call goes to
// the file, so a value written by the product in between is never overwritten with a stale copy.
class ProductIni {
public:
    // The file beside the running program, where the product looks for it too.
    ProductIni();
    explicit ProductIni(QString path);

    static QString besideProgram();
    const QString& path() const { return m_path; }

    // "CAMINHO" of section "ORQ": the full (Windows-form) path of the current base's database.
    QString databasePath() const;
    // "NOME" of section "SERVIDOR": the host that holds the bases.
    QString serverName() const;
    // The folder name of the base the file names; empty when it cannot be told.
    QString currentBaseName() const;

    // Throw Error::unableToWrite when the file cannot be written.
    void writeServerName(const QString& host) const;
    void writeDatabasePath(const QString& databasePath) const;

private:
    QString m_path;
};

// Path rules of the original platform: only the backslash and the colon separate components;
// a forward slash is an ordinary character.
QString directoryPart(const QString& path);
QString namePart(const QString& path);

// The base folder a stored database path names, i.e. the name part of its directory part.
QString baseNameFromDatabasePath(const QString& databasePath);

// The stored database path with its base folder and file name replaced by "%s" and "ORQ.FDB".
// Everything before the base folder (drive, server prefix, ORQ_DADOS) is kept verbatim. A path
// that holds a forward slash anywhere is cut at forward slashes only.
QString pathTemplate(const QString& databasePath);

// Puts the base's folder name in place of the template's own "%s", which is its last one; any
// other percent sign of the stored prefix is left as it stands.
QString fillPathTemplate(const QString& pathTemplate, const QString& baseName);

// The host of a network-share root (one that starts with two backslashes): the third item of
// its split at backslashes (sys::splitDelimited, so a blank ends the host too); "localhost" for any
// other root. Throws Error::listIndexOutOfBounds(2) when the split has fewer than three items.
QString serverNameFromRoot(const QString& root);

// What entering a base wrote into the connection file.
struct EnteredBase {
    QString serverName;
    QString databasePath;
};

// Records a base chosen on a root: the host from the root, and the database path built from
// the path stored before (so the stored folder prefix survives whatever root is shown). The host
// is worked out before anything is written, so a bad root changes nothing; "NOME" is written
// before "CAMINHO", and a failed write stops there.
EnteredBase writeEnteredBase(const ProductIni& ini, const QString& root, const QString& baseName);

} // namespace orq
