#pragma once

#include "system/Firebird.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

namespace orqfb {

// One base to make: ORQ_DADOS/<name>/ORQ.FDB with the product's table empresa (codigo integer,
// uf char(2)), one row per state (codigo 1, 2, ...), or without that table at all.
struct BaseToMake {
    QString name;
    bool hasTable = true;
    QStringList states;
};

// "NAME=UF", "NAME=UF1,UF2" (rows codigo 1, 2), "NAME=" (an empty table), "NAME=-" (no table).
// The name ends at the last "=", so it may hold one itself. Throws orq::Error for an argument
// without "=" or with an empty name.
BaseToMake parseBaseArgument(const QString& argument);

struct ServerOptions {
    // Host and port as a connection string starts: "localhost/3055".
    QString server = QStringLiteral("localhost/3055");
    orq::sys::FirebirdLogin login{QStringLiteral("XUQORQ"), QStringLiteral("quh"),
                                  QStringLiteral("WIN1252")};
};

// The connection string for a database file on the server: "localhost/3055:/abs/ORQ.FDB".
QString connectionString(const ServerOptions& options, const QString& nativeFile);

// Makes each base under ROOT/ORQ_DADOS (created when missing; ROOT may be in Windows form) with
// an empty SYSTEM.DAT beside its database, and then reports one line per base, in the order
// given: "<database file>\t<states, or "(empty table)", or "(no table)">". A base whose ORQ.FDB
// exists is refused before anything is made. The server must run (scripts/firebird.sh). Throws
// orq::Error, or orq::sys::FirebirdError with the server's own text.
void makeRoot(const QString& root, const QList<BaseToMake>& bases, const ServerOptions& options,
              const std::function<void(const QString& line)>& report = {});
// The same, the bases given as "NAME=UF" arguments (see parseBaseArgument).
void makeRoot(const QString& root, const QStringList& arguments, const ServerOptions& options,
              const std::function<void(const QString& line)>& report = {});

} // namespace orqfb
