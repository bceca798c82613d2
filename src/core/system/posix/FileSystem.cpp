#include "system/FileSystem.h"

#include "system/Error.h"
#include "system/Paths.h"

#include <QFile>
#include <QRandomGenerator>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace orq::sys {

namespace {

// Closes a descriptor on every path out of a function.
class Fd {
public:
    explicit Fd(int fd) : m_fd(fd) {}
    ~Fd() {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return m_fd; }
    bool valid() const { return m_fd >= 0; }

private:
    int m_fd;
};

QByteArray encodedNative(const QString& path) {
    return QFile::encodeName(nativePath(path));
}

bool isHiddenName(const char* name) {
    return name[0] == '.' && std::strcmp(name, ".") != 0 && std::strcmp(name, "..") != 0;
}

std::optional<struct stat> statOf(const QString& path) {
    struct stat st {};
    if (::stat(encodedNative(path).constData(), &st) != 0)
        return std::nullopt;
    return st;
}

// The file a write replaces: a symbolic link is followed, so the rename replaces what it points
// to and not the link. A path that does not exist yet is taken as it is.
QByteArray resolvedTarget(const QByteArray& native) {
    struct stat st {};
    if (::lstat(native.constData(), &st) != 0 || !S_ISLNK(st.st_mode))
        return native;
    char* real = ::realpath(native.constData(), nullptr);
    if (!real)
        return native;
    const QByteArray resolved(real);
    std::free(real);
    return resolved;
}

bool writeAll(int fd, const char* data, qsizetype size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size_t(size));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (n == 0) {
            errno = ENOSPC;
            return false;
        }
        data += n;
        size -= n;
    }
    return true;
}

// A new file beside the target, under a hidden name no one else uses (created exclusively), so a
// folder listing never shows it. Removed again unless it was renamed into place.
class TemporaryFile {
public:
    ~TemporaryFile() {
        if (m_fd >= 0)
            ::close(m_fd);
        if (!m_name.isEmpty())
            ::unlink(m_name.constData());
    }

    // Returns 0 or the errno of the failure.
    int create(const QByteArray& target, mode_t mode) {
        const qsizetype slash = target.lastIndexOf('/');
        const QByteArray folder = target.first(slash + 1);
        // Long names are cut so the temporary name stays within the length a name may have.
        const QByteArray name = target.sliced(slash + 1).first(qMin(target.size() - slash - 1, 64));
        for (int attempt = 0; attempt < 100; ++attempt) {
            const QByteArray unique =
                QByteArray::number(QRandomGenerator::global()->generate64(), 16);
            m_name = folder + '.' + name + '.' + unique + ".tmp";
            m_fd = ::open(m_name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY,
                          mode);
            if (m_fd >= 0)
                return 0;
            const int error = errno;
            m_name.clear();
            if (error != EEXIST)
                return error;
        }
        return EEXIST;
    }

    int fd() const { return m_fd; }

    // Closes the file, which reports write errors some file systems (network shares) keep back.
    bool close() {
        const int fd = m_fd;
        m_fd = -1;
        return ::close(fd) == 0;
    }

    bool renameTo(const QByteArray& target) {
        if (::rename(m_name.constData(), target.constData()) != 0)
            return false;
        m_name.clear();
        return true;
    }

private:
    int m_fd = -1;
    QByteArray m_name;
};

// Makes a rename in the folder durable. A folder that cannot be synced (some file systems
// refuse) leaves the write as safe against a kill as it is anyway.
void syncFolderOf(const QByteArray& target) {
    const qsizetype slash = target.lastIndexOf('/');
    const QByteArray folder = slash < 0 ? QByteArray(".") : target.first(qMax(slash, qsizetype(1)));
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

// Returns 0 or the errno of the step that failed; on failure the target is as it was.
int replaceFile(const QByteArray& target, const QByteArray& bytes) {
    // The file being replaced is opened for writing and locked exclusively until the rename, so
    // what refused an in-place write still refuses: a file we may not write to, a folder, and a
    // file another process holds locked, a reader of readFile included. Without this the rename
    // would slip a new file past a process that relies on its lock. Opening for writing also
    // lets the lock work where flock is emulated with record locks (NFS).
    const Fd old(::open(target.constData(), O_WRONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    const int openError = errno;
    struct stat oldStat {};
    const bool replacing = old.valid();
    if (!replacing && openError != ENOENT)
        return openError;
    if (replacing &&
        (::flock(old.get(), LOCK_EX | LOCK_NB) != 0 || ::fstat(old.get(), &oldStat) != 0))
        return errno;

    // Readable by no one else until it holds the old file's mode; a new file is made as open()
    // makes any, 0666 less the umask.
    TemporaryFile temp;
    if (const int error = temp.create(target, replacing ? 0600 : 0666); error != 0)
        return error;
    if (replacing) {
        // Root keeps a file someone else owns theirs. Anyone else may not give a file away: this
        // fails for them, harmlessly, and the new file is theirs, as a copy would be. The owner
        // goes first, as changing it clears the set-id bits.
        [[maybe_unused]] const int ownerKept = ::fchown(temp.fd(), oldStat.st_uid, oldStat.st_gid);
        if (::fchmod(temp.fd(), oldStat.st_mode & 07777) != 0)
            return errno;
    }
    if (!writeAll(temp.fd(), bytes.constData(), bytes.size()))
        return errno;
    // On disk before the rename, or a crash of the machine could leave the new name on an empty
    // file. A file system that cannot sync says EINVAL, and that is no write error.
    if (::fsync(temp.fd()) != 0 && errno != EINVAL)
        return errno;
    if (!temp.close() || !temp.renameTo(target))
        return errno;
    syncFolderOf(target);
    return 0;
}

} // namespace

Status listFolder(const QString& folder, const std::function<void(const FolderEntry&)>& visit) {
    const QByteArray native = encodedNative(folder);
    DIR* dir = ::opendir(native.constData());
    if (!dir)
        return Status::failure(errno);
    const int dirFd = ::dirfd(dir);
    while (const dirent* entry = ::readdir(dir)) {
        if (isHiddenName(entry->d_name))
            continue;
        FolderEntry item;
        item.name = QFile::decodeName(entry->d_name);
        if (entry->d_type == DT_DIR) {
            item.isFolder = true;
        } else if (entry->d_type == DT_UNKNOWN || entry->d_type == DT_LNK) {
            // Some file systems do not fill d_type; links count as what they point to.
            struct stat st {};
            item.isFolder = ::fstatat(dirFd, entry->d_name, &st, 0) == 0 && S_ISDIR(st.st_mode);
        }
        visit(item);
    }
    ::closedir(dir);
    return Status::success();
}

std::optional<FileEntry> lookup(const QString& path) {
    const auto st = statOf(path);
    if (!st)
        return std::nullopt;
    FileEntry entry;
    entry.size = st->st_size;
    entry.isFolder = S_ISDIR(st->st_mode);
    entry.lastWriteUtc = QDateTime::fromSecsSinceEpoch(st->st_mtim.tv_sec, Qt::UTC);
    return entry;
}

bool fileExists(const QString& path) {
    const auto st = statOf(path);
    return st && !S_ISDIR(st->st_mode);
}

bool folderExists(const QString& path) {
    const auto st = statOf(path);
    return st && S_ISDIR(st->st_mode);
}

QByteArray readFile(const QString& path) {
    Fd fd(::open(encodedNative(path).constData(), O_RDONLY | O_CLOEXEC));
    if (!fd.valid())
        throw Error::cannotOpenFile(path, errno);
    // Other readers may share the file; a writer holding it locks us out.
    if (::flock(fd.get(), LOCK_SH | LOCK_NB) != 0)
        throw Error::cannotOpenFile(path, errno);
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0)
        throw Error::cannotOpenFile(path, errno);
    if (S_ISDIR(st.st_mode))
        throw Error::cannotOpenFile(path, EISDIR);
    QByteArray bytes;
    bytes.reserve(st.st_size > 0 ? qsizetype(st.st_size) : 0);
    char chunk[65536];
    for (;;) {
        const ssize_t n = ::read(fd.get(), chunk, sizeof chunk);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            throw Error::cannotOpenFile(path, errno);
        }
        if (n == 0)
            break;
        bytes.append(chunk, n);
    }
    return bytes;
}

void writeFile(const QString& path, const QByteArray& bytes) {
    const int error = replaceFile(resolvedTarget(encodedNative(path)), bytes);
    if (error != 0)
        throw Error::cannotCreateFile(path, error);
}

} // namespace orq::sys
