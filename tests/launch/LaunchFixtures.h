#pragma once

#include <QByteArray>
#include <QCoreApplication>
#include <QFile>
#include <QString>
#include <QStringList>

#include <optional>

namespace orqtest {

// Sets an environment variable for one test and puts the old value back afterwards; children
// started meanwhile inherit the test's value.
class EnvironmentOverride {
public:
    EnvironmentOverride(const char* name, const QByteArray& value) : m_name(name) {
        if (qEnvironmentVariableIsSet(name))
            m_old = qgetenv(name);
        qputenv(name, value);
    }
    ~EnvironmentOverride() {
        if (m_old)
            qputenv(m_name, *m_old);
        else
            qunsetenv(m_name);
    }
    EnvironmentOverride(const EnvironmentOverride&) = delete;
    EnvironmentOverride& operator=(const EnvironmentOverride&) = delete;

private:
    const char* m_name;
    std::optional<QByteArray> m_old;
};

// The folder of the built programs, the test programs among them.
inline QString testBinFolder() {
    const QString folder = qEnvironmentVariable("ORQ_TEST_BIN");
    return folder.isEmpty() ? QCoreApplication::applicationDirPath() : folder;
}

// The stand-in product as built.
inline QString builtStandIn() {
    return testBinFolder() + QStringLiteral("/ORQ7.exe");
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

// The lines the stand-in product logged so far, each split at its tabs: pid, server, database.
inline QList<QStringList> standInLog(const QString& path) {
    QFile file(path);
    QList<QStringList> lines;
    if (!file.open(QIODevice::ReadOnly))
        return lines;
    for (const QByteArray& line : file.readAll().split('\n')) {
        if (!line.isEmpty())
            lines.append(QString::fromUtf8(line).split(u'\t'));
    }
    return lines;
}

} // namespace orqtest
