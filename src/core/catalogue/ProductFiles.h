#pragma once

#include <QString>

// The names of the product's own files and folders. The product and every machine that shares a
// root rely on them, so each is written here once and nowhere else.
namespace orq::product {

// The folder of a root that holds one folder per base.
inline const QString BasesFolder = QStringLiteral("ORQ_DADOS");
// A base's Firebird database and its data file.
inline const QString DatabaseFile = QStringLiteral("ORQ.FDB");
inline const QString DataFile = QStringLiteral("SYSTEM.DAT");
// The product's connection file, beside the running program.
inline const QString ConnectionFile = QStringLiteral("orqcon.ini");
// The product's program, started by bare name.
inline const QString Program = QStringLiteral("ORQ7.exe");

// This program's own files: the catalogue cache in each root and the known roots beside us.
inline const QString CatalogueFile = QStringLiteral("ORQDados.csv");
inline const QString HostsFile = QStringLiteral("ORQDados.Hosts.txt");

} // namespace orq::product
