#include "MakeRoot.h"

#include "system/FileSystem.h"
#include "system/Paths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QThread>

#include <atomic>
#include <chrono>
#include <fcntl.h>
#include <mutex>
#include <optional>
#include <sys/file.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace orqfb {

namespace {

using orq::Error;
using orq::sys::FirebirdConnection;

constexpr int fillThreads = 4;

QString quoted(const QString& text) {
    QString out = text;
    out.replace(QLatin1Char('\''), QLatin1String("''"));
    return QLatin1Char('\'') + out + QLatin1Char('\'');
}

// The rows as one statement, so a base costs one attachment and one commit.
QString insertRows(const QStringList& states) {
    QStringList selects;
    for (qsizetype i = 0; i < states.size(); ++i)
        selects
            << QStringLiteral("select %1, %2 from rdb$database").arg(i + 1).arg(quoted(states[i]));
    return QStringLiteral("insert into empresa (codigo, uf) ") +
           selects.join(QLatin1String(" union all "));
}

// A Super server holds an exclusive lock on every database file it has open, and lets go of a
// file once its last attachment is gone (no linger on these). Copying the file before that could
// copy pages the server has not written yet, so wait for the lock to come free.
void waitUntilServerLetsGo(const QString& nativeFile) {
    const QByteArray encoded = QFile::encodeName(nativeFile);
    const int fd = ::open(encoded.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        throw Error::cannotOpenFile(nativeFile, errno);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    bool free = false;
    while (!(free = ::flock(fd, LOCK_EX | LOCK_NB) == 0) &&
           std::chrono::steady_clock::now() < deadline)
        QThread::msleep(5);
    if (free)
        ::flock(fd, LOCK_UN);
    ::close(fd);
    if (!free)
        throw Error(QStringLiteral("The Firebird server still holds \"%1\"").arg(nativeFile));
}

// A database made through the server, then let go of, to be copied per base: far quicker than
// creating each base, and every copy is a database of its own.
QString makeTemplate(const QString& folder, bool withTable, const ServerOptions& options) {
    const QString file =
        folder + (withTable ? QStringLiteral("/table.fdb") : QStringLiteral("/bare.fdb"));
    FirebirdConnection connection =
        FirebirdConnection::create(connectionString(options, file), options.login);
    if (withTable)
        connection.execute(QStringLiteral("create table empresa (codigo integer, uf char(2))"));
    connection.close();
    waitUntilServerLetsGo(file);
    return file;
}

void check(orq::sys::Status status, const QString& what, const QString& path) {
    if (!status.ok())
        throw Error(
            QStringLiteral("%1 \"%2\": %3").arg(what, path, orq::systemErrorText(status.error())));
}

void makeFolder(const QString& path) {
    if (orq::sys::folderExists(path))
        return;
    check(orq::sys::createFolder(path), QStringLiteral("Cannot create folder"), path);
}

} // namespace

BaseToMake parseBaseArgument(const QString& argument) {
    const qsizetype equals = argument.lastIndexOf(QLatin1Char('='));
    if (equals <= 0)
        throw Error(QStringLiteral("Not NAME=UF: \"%1\"").arg(argument));
    BaseToMake base;
    base.name = argument.left(equals);
    const QString value = argument.mid(equals + 1);
    if (value == QLatin1String("-"))
        base.hasTable = false;
    else if (!value.isEmpty())
        base.states = value.split(QLatin1Char(','));
    return base;
}

QString connectionString(const ServerOptions& options, const QString& nativeFile) {
    return options.server + QLatin1Char(':') + nativeFile;
}

void makeRoot(const QString& root, const QList<BaseToMake>& bases, const ServerOptions& options,
              const std::function<void(const QString& line)>& report) {
    const QString nativeRoot = QFileInfo(orq::sys::nativePath(root)).absoluteFilePath();
    const QString data = nativeRoot + QStringLiteral("/ORQ_DADOS");
    for (const BaseToMake& base : bases) {
        const QString file = data + QLatin1Char('/') + base.name + QStringLiteral("/ORQ.FDB");
        if (orq::sys::lookup(file))
            throw Error(QStringLiteral("\"%1\" exists already").arg(file));
    }
    QDir().mkpath(nativeRoot);
    makeFolder(data);

    // Beside the bases, so the copies stay on one file system; never inside ORQ_DADOS, where it
    // would look like a base.
    QTemporaryDir scratch(nativeRoot + QStringLiteral("/.orqfb-XXXXXX"));
    if (!scratch.isValid())
        throw Error(QStringLiteral("Cannot create a scratch folder in \"%1\"").arg(nativeRoot));
    std::optional<QString> withTable;
    std::optional<QString> bare;

    QStringList files;
    for (const BaseToMake& base : bases) {
        std::optional<QString>& source = base.hasTable ? withTable : bare;
        if (!source)
            source = makeTemplate(scratch.path(), base.hasTable, options);
        const QString folder = data + QLatin1Char('/') + base.name;
        const QString file = folder + QStringLiteral("/ORQ.FDB");
        makeFolder(folder);
        check(orq::sys::copyFile(*source, file, true), QStringLiteral("Cannot copy to"), file);
        orq::sys::writeFile(folder + QStringLiteral("/SYSTEM.DAT"), {});
        files << file;
    }

    // The rows go in through an attachment per base, the slow part; a few at a time keep the
    // server busy without crowding it.
    std::atomic<qsizetype> next{0};
    std::mutex failureLock;
    std::optional<QString> failure;
    const auto fill = [&] {
        for (qsizetype i; (i = next++) < bases.size();) {
            if (!bases[i].hasTable || bases[i].states.isEmpty())
                continue;
            try {
                FirebirdConnection connection =
                    FirebirdConnection::attach(connectionString(options, files[i]), options.login);
                connection.execute(insertRows(bases[i].states));
                connection.close();
            } catch (const Error& error) {
                const std::lock_guard<std::mutex> hold(failureLock);
                if (!failure)
                    failure = error.message();
            }
        }
    };
    std::vector<std::thread> workers;
    for (int n = 0; n < fillThreads; ++n)
        workers.emplace_back(fill);
    for (std::thread& worker : workers)
        worker.join();
    if (failure)
        throw orq::sys::FirebirdError(*failure);

    for (qsizetype i = 0; i < bases.size() && report; ++i) {
        const BaseToMake& base = bases[i];
        const QString what = !base.hasTable          ? QStringLiteral("(no table)")
                             : base.states.isEmpty() ? QStringLiteral("(empty table)")
                                                     : base.states.join(QLatin1Char(','));
        report(files[i] + QLatin1Char('\t') + what);
    }
}

void makeRoot(const QString& root, const QStringList& arguments, const ServerOptions& options,
              const std::function<void(const QString& line)>& report) {
    QList<BaseToMake> bases;
    for (const QString& argument : arguments)
        bases << parseBaseArgument(argument);
    makeRoot(root, bases, options, report);
}

} // namespace orqfb
