#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QMap>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <initializer_list>

#include <functional>
#include <optional>
#include <sys/resource.h>
#include <sys/types.h>
#include <vector>

namespace orqtest {

// Bytes written out one by one, for file contents that are not text.
inline QByteArray bytes(std::initializer_list<uchar> list) {
    QByteArray out;
    for (uchar b : list)
        out.append(char(b));
    return out;
}

// Byte-order marks: UTF-8, UTF-16 little-endian, UTF-16 big-endian.
inline const QByteArray utf8Mark = bytes({0xEF, 0xBB, 0xBF});
inline const QByteArray leMark = bytes({0xFF, 0xFE});
inline const QByteArray beMark = bytes({0xFE, 0xFF});

// A scratch folder that disappears with the test; paths inside it are native.
class TempFolder {
public:
    TempFolder();
    // One made inside the given native folder instead of the system's temporary folder, e.g. on
    // another file system.
    explicit TempFolder(const QString& parentFolder);
    QString path() const { return m_dir.path(); }
    QString file(const QString& relative) const { return m_dir.filePath(relative); }

private:
    QTemporaryDir m_dir;
};

void writeBytes(const QString& nativePath, const QByteArray& bytes);
QByteArray readBytes(const QString& nativePath);
void makeFolder(const QString& nativePath);
// Every name in a folder, hidden ones included (a temporary file left behind shows), without
// "." and "..", sorted.
QStringList folderNames(const QString& nativeFolder);
// Every entry below a folder, links not followed, by its path inside the folder, with what it
// is: a link's target, "folder", or a file's size and digest. Two snapshots differ exactly where
// something was written, made or removed.
QMap<QString, QString> folderSnapshot(const QString& nativeFolder);
// Sets a file's last-write time (seconds precision).
void setLastWrite(const QString& nativePath, const QDateTime& when);

// Sets an environment variable, or removes it when the value is null, until the end of the scope.
class ScopedEnvironment {
public:
    ScopedEnvironment(const char* name, const QByteArray& value);
    ~ScopedEnvironment();
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
    QByteArray m_name;
    QByteArray m_old;
    bool m_hadOld;
};

// A Wine prefix in a scratch folder with its drive c: folder made, set as WINEPREFIX for the
// scope, so Windows-form paths such as "c:\ORQ\orqcon.ini" reach real files.
class FakeWinePrefix {
public:
    FakeWinePrefix();
    QString path() const { return m_folder.path(); }
    // The native folder drive c: stands for.
    QString driveC() const { return m_folder.path() + QStringLiteral("/dosdevices/c:"); }

private:
    TempFolder m_folder;
    ScopedEnvironment m_prefix;
};

// Tests run as root pass every permission check; this drops to the user nobody and the group
// nogroup, without supplementary groups (real and effective ids, so access() agrees), for the
// scope and takes root back at its end. When the tests do not run as root it does nothing.
// ok() is false when the switch failed.
class Unprivileged {
public:
    Unprivileged();
    ~Unprivileged();
    Unprivileged(const Unprivileged&) = delete;
    Unprivileged& operator=(const Unprivileged&) = delete;
    bool ok() const { return m_ok; }

private:
    void restore();
    std::vector<gid_t> m_groups;
    bool m_switched = false;
    bool m_ok = true;
};

// Holds a file the way another program using it would: an exclusive (LOCK_EX) or shared
// (LOCK_SH) lock on an open file of its own, for the scope.
class HeldFile {
public:
    HeldFile(const QString& nativePath, int operation);
    ~HeldFile();
    HeldFile(const HeldFile&) = delete;
    HeldFile& operator=(const HeldFile&) = delete;

private:
    int m_fd;
};

// Makes every file write of this process fail once the file would grow past the given size, for
// the scope: the write comes back short, then fails with EFBIG (SIGXFSZ is ignored meanwhile, or
// it would end the test). Permissions do not stop root, this does.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes);
    ~FileSizeLimit();
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit m_old{};
    void (*m_oldHandler)(int) = nullptr;
};

// Runs work in a child process (forked, so it sees this process's state) whose file size limit is
// the given size, with SIGXFSZ left to end it: a write that would grow a file past the limit is
// killed right there, as a kill at that moment would leave it. True when the child ended so.
bool killedBySizeLimit(const std::function<void()>& work, rlim_t bytes);

// The operating system's text for an error number, as the file error messages quote it.
QString errorText(int errnum);

// A base folder ORQ_DADOS/<name> holding an ORQ.FDB of the given size and time.
void makeBase(const QString& root, const QString& name, qint64 size, const QDateTime& lastWrite);
// The same with both files of a base: an ORQ.FDB holding these bytes, and a SYSTEM.DAT holding
// "system <name>", so a copy can be told from its source.
void makeFullBase(const QString& root, const QString& name, const QByteArray& database,
                  const QDateTime& lastWrite);

// The lines the stand-in product (tools/orq7, started with ORQ7_LOG naming the file) logged so
// far, each split at its tabs: pid, server, database. No file yet reads as no lines.
QList<QStringList> standInLog(const QString& path);

// An X server of the test's own for the scope: Xvfb, on a display number it finds free itself
// (-displayfd), reachable through its local socket only (-nolisten tcp). It does not reset when
// its last client leaves, so what a test set up stays until the test changes it. ok() is false
// when it could not be started; display() is then empty. It is stopped at the end of the scope,
// or earlier by stop(), to see what a program does when its server goes away.
class XvfbServer {
public:
    XvfbServer();
    ~XvfbServer();
    XvfbServer(const XvfbServer&) = delete;
    XvfbServer& operator=(const XvfbServer&) = delete;

    bool ok() const { return !m_display.isEmpty(); }
    // The value for DISPLAY, ":N".
    QByteArray display() const { return m_display; }
    // The server's local socket, for a test that stands between it and its clients.
    QString socketPath() const;
    void stop();

private:
    QProcess m_server;
    QByteArray m_display;
};

} // namespace orqtest

// Shows an optional text when a QCOMPARE of two fails: QTest finds it through QString's
// namespace.
char* toString(const std::optional<QString>& text);
