#pragma once

#include "catalogue/ProductFiles.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QFile>
#include <QString>

namespace orqtest {

// The folder of the built programs, the test programs among them.
inline QString testBinFolder() {
    const QString folder = qEnvironmentVariable("ORQ_TEST_BIN");
    return folder.isEmpty() ? QCoreApplication::applicationDirPath() : folder;
}

// The stand-in product as built.
inline QString builtStandIn() {
    return testBinFolder() + u'/' + orq::product::Program;
}

inline void writeFile(const QString& path, const QByteArray& bytes,
                      QFile::Permissions permissions) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(bytes) != bytes.size() || !file.setPermissions(permissions))
        qFatal("cannot write %s", qPrintable(path));
}

inline constexpr QFile::Permissions ReadWrite = QFile::ReadOwner | QFile::WriteOwner;
inline constexpr QFile::Permissions Executable = ReadWrite | QFile::ExeOwner;

} // namespace orqtest
