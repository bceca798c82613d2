#include "system/FileSystem.h"

#include "system/Error.h"
#include "system/Paths.h"

#include <QFile>
#include <QRandomGenerator>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <linux/fs.h>
#include <memory>
#include <sys/file.h>
#include <sys/ioctl.h>
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

// Renames without ever replacing what is at `to`; returns 0 or the errno of the failure. Where the
// file system refuses RENAME_NOREPLACE (NFS, SMB shares) a file is linked to its new name, which
// fails on an existing name just as atomically, and the old name removed. Only where even that is
// impossible (a folder, a file system without hard links) is the target checked first, leaving a
// window in which a target made by someone else could be replaced.
int renameNoReplace(const QByteArray& from, const QByteArray& to) {
    if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS)
        return errno;
    struct stat st {};
    if (::lstat(from.constData(), &st) != 0)
        return errno;
    if (!S_ISDIR(st.st_mode)) {
        if (::link(from.constData(), to.constData()) == 0) {
            if (::unlink(from.constData()) == 0)
                return 0;
            const int error = errno;
            ::unlink(to.constData());
            return error;
        }
        if (errno != EPERM && errno != EOPNOTSUPP && errno != ENOSYS)
            return errno;
    }
    if (::lstat(to.constData(), &st) == 0)
        return EEXIST;
    if (errno != ENOENT)
        return errno;
    return ::rename(from.constData(), to.constData()) == 0 ? 0 : errno;
}

// The hidden name of a temporary file for this target: ".<name>.<hex>.tmp", the name cut so the
// whole stays within the length a name may have.
QByteArray temporaryPrefix(const QByteArray& target) {
    const qsizetype slash = target.lastIndexOf('/');
    const QByteArray name = target.sliced(slash + 1).first(qMin(target.size() - slash - 1, 64));
    return '.' + name + '.';
}

bool isTemporaryNameOf(const char* entry, const QByteArray& prefix) {
    const QByteArrayView name(entry);
    if (!name.startsWith(prefix) || !name.endsWith(".tmp"))
        return false;
    const QByteArrayView unique = name.sliced(prefix.size(), name.size() - prefix.size() - 4);
    if (unique.isEmpty() || unique.size() > 16)
        return false;
    for (const char c : unique) {
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f')))
            return false;
    }
    return true;
}

// Removes what writes to this target left behind when they were killed (or the machine went
// down) between making their temporary file and renaming it: a file of the target's temporary
// shape that no one holds locked. A write in progress holds its own locked, so it is left alone,
// and so is anything that is not a plain file. Removing is only tidying: whatever fails is left.
void removeLeftoversOf(const QByteArray& target) {
    const qsizetype slash = target.lastIndexOf('/');
    const QByteArray folder = slash < 0 ? QByteArray(".") : target.first(qMax(slash, qsizetype(1)));
    const QByteArray prefix = temporaryPrefix(target);
    DIR* dir = ::opendir(folder.constData());
    if (!dir)
        return;
    const int dirFd = ::dirfd(dir);
    while (const dirent* entry = ::readdir(dir)) {
        if (!isTemporaryNameOf(entry->d_name, prefix))
            continue;
        const Fd leftover(::openat(dirFd, entry->d_name,
                                   O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
        struct stat opened {};
        struct stat named {};
        // Locked while it goes, so a write cannot take it up in between; and only if the name
        // still is the file locked, not one a write made under it meanwhile.
        if (leftover.valid() && ::flock(leftover.get(), LOCK_EX | LOCK_NB) == 0 &&
            ::fstat(leftover.get(), &opened) == 0 && S_ISREG(opened.st_mode) &&
            ::fstatat(dirFd, entry->d_name, &named, AT_SYMLINK_NOFOLLOW) == 0 &&
            named.st_dev == opened.st_dev && named.st_ino == opened.st_ino)
            ::unlinkat(dirFd, entry->d_name, 0);
    }
    ::closedir(dir);
}

// A new file beside the target, under a hidden name no one else uses (created exclusively), so a
// folder listing never shows it. Removed again unless it was renamed into place. It stays locked
// until then, which tells the next write to the same target that it is no leftover of a killed
// one.
class TemporaryFile {
public:
    ~TemporaryFile() {
        // Gone before its lock, so no tidying of another write finds it unlocked meanwhile.
        if (!m_name.isEmpty())
            ::unlink(m_name.constData());
        if (m_fd >= 0)
            ::close(m_fd);
        if (m_lockFd >= 0)
            ::close(m_lockFd);
    }

    // Returns 0 or the errno of the failure.
    int create(const QByteArray& target, mode_t mode) {
        removeLeftoversOf(target);
        const QByteArray base = target.first(target.lastIndexOf('/') + 1) + temporaryPrefix(target);
        for (int attempt = 0; attempt < 100; ++attempt) {
            const QByteArray unique =
                QByteArray::number(QRandomGenerator::global()->generate64(), 16);
            const QByteArray name = base + unique + ".tmp";
            const int fd =
                ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, mode);
            if (fd < 0) {
                if (errno != EEXIST)
                    return errno;
                continue;
            }
            if (::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK) {
                // Another write's tidying caught it between the open and the lock, and removes
                // it: a new name is all this write needs.
                ::close(fd);
                continue;
            }
            // Where the file system has no locks the tidying cannot lock it either, and leaves
            // it alone. Where it has, the file could still have been removed before the lock.
            struct stat opened {};
            struct stat named {};
            if (::fstat(fd, &opened) != 0 || ::lstat(name.constData(), &named) != 0 ||
                opened.st_dev != named.st_dev || opened.st_ino != named.st_ino) {
                ::close(fd);
                continue;
            }
            m_fd = fd;
            m_name = name;
            return 0;
        }
        return EEXIST;
    }

    int fd() const { return m_fd; }

    // Closes the file, which reports write errors some file systems (network shares) keep back.
    // The lock stays on a second descriptor until the file is renamed or removed.
    bool close() {
        const int fd = m_fd;
        m_fd = -1;
        m_lockFd = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
        return ::close(fd) == 0;
    }

    bool renameTo(const QByteArray& target) {
        if (::rename(m_name.constData(), target.constData()) != 0)
            return false;
        renamed();
        return true;
    }

    // Returns 0 or the errno of the failure (EEXIST when the target exists).
    int renameToNew(const QByteArray& target) {
        const int error = renameNoReplace(m_name, target);
        if (error == 0)
            renamed();
        return error;
    }

private:
    // The file is the target now, and readers take their shared lock on it: ours goes at once.
    void renamed() {
        m_name.clear();
        if (m_lockFd >= 0)
            ::close(m_lockFd);
        m_lockFd = -1;
    }

    int m_fd = -1;
    int m_lockFd = -1;
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

// In-kernel copies go in chunks this large: few calls, yet progress is told, and a cancel heard,
// within a fraction of a second on any disk.
constexpr size_t copyChunk = size_t(64) << 20;
// Where the kernel cannot copy, a buffer this large keeps the number of calls small and the disk
// streaming, while staying far from the size of a database.
constexpr size_t copyBuffer = size_t(4) << 20;

// Errors by which copy_file_range says it cannot copy between these files at all, not that the
// copy failed: another file system on older kernels, file systems without it, old kernels.
bool kernelCannotCopy(int error) {
    return error == EXDEV || error == ENOSYS || error == EINVAL || error == EOPNOTSUPP;
}

// Copies everything from the current position of `in` to the end, at the current position of
// `out`, telling progress after each step. `total` is the size the source had when opened; a
// source that grows or shrinks meanwhile is copied as far as it reaches, and the last report says
// how far that was. Returns 0 or the errno of the failure (ECANCELED when progress said stop).
int copyContent(int in, int out, qint64 total, const CopyProgress& progress) {
    qint64 done = 0;
    const auto goOn = [&] {
        total = qMax(total, done);
        return !progress || progress(done, total);
    };
    if (!goOn())
        return ECANCELED;

    // A reflink shares the blocks instead of copying them (btrfs, xfs): instant, whatever the size.
    if (total > 0 && ::ioctl(out, FICLONE, in) == 0) {
        done = total;
        return goOn() ? 0 : ECANCELED;
    }

    bool inKernel = true;
    while (inKernel) {
        const ssize_t n = ::copy_file_range(in, nullptr, out, nullptr, copyChunk, 0);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            if (!kernelCannotCopy(errno))
                return errno;
            inKernel = false;
        } else if (n == 0) {
            // Some file systems (procfs and the like) copy nothing and say so as if at the end.
            if (done == 0 && total > 0)
                inKernel = false;
            else
                break;
        } else {
            done += n;
            if (!goOn())
                return ECANCELED;
        }
    }

    if (!inKernel) {
        ::posix_fadvise(in, 0, 0, POSIX_FADV_SEQUENTIAL);
        const std::unique_ptr<char[]> buffer(new char[copyBuffer]);
        for (;;) {
            const ssize_t n = ::read(in, buffer.get(), copyBuffer);
            if (n < 0) {
                if (errno == EINTR)
                    continue;
                return errno;
            }
            if (n == 0)
                break;
            if (!writeAll(out, buffer.get(), n))
                return errno;
            done += n;
            if (!goOn())
                return ECANCELED;
        }
    }

    // The end is told even when the last step told it already, and with the size actually copied.
    total = done;
    return goOn() ? 0 : ECANCELED;
}

// Returns 0 or the errno of the step that failed; on failure the target is as it was.
int copyToFile(const QByteArray& source, const QByteArray& target, bool failIfExists,
               const CopyProgress& progress) {
    // Not blocking, so a pipe in the source's place is refused instead of waited on.
    const Fd in(::open(source.constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (!in.valid())
        return errno;
    struct stat st {};
    if (::fstat(in.get(), &st) != 0)
        return errno;
    if (S_ISDIR(st.st_mode))
        return EISDIR;
    if (!S_ISREG(st.st_mode))
        return EINVAL;
    if (::fcntl(in.get(), F_SETFL, 0) != 0)
        return errno;

    // What the rename would refuse in the end is refused before gigabytes are copied for nothing.
    struct stat old {};
    if (::lstat(target.constData(), &old) == 0) {
        if (failIfExists)
            return EEXIST;
        if (S_ISDIR(old.st_mode))
            return EISDIR;
    } else if (errno != ENOENT && errno != ENOTDIR) {
        return errno;
    }

    // Readable by no one else while it is written; it takes the source's mode at the end.
    TemporaryFile temp;
    if (const int error = temp.create(target, 0600); error != 0)
        return error;
    if (const int error = copyContent(in.get(), temp.fd(), st.st_size, progress); error != 0)
        return error;
    if (::fchmod(temp.fd(), st.st_mode & 07777) != 0)
        return errno;
    // The catalogue shows a database's last-write time, and a copy made on the original platform
    // keeps it.
    const timespec times[2] = {st.st_atim, st.st_mtim};
    if (::futimens(temp.fd(), times) != 0)
        return errno;
    if (::fsync(temp.fd()) != 0 && errno != EINVAL)
        return errno;
    if (!temp.close())
        return errno;
    if (failIfExists) {
        // A target made by someone else during the copy is theirs, and stays.
        if (const int error = temp.renameToNew(target); error != 0)
            return error;
    } else if (!temp.renameTo(target)) {
        return errno;
    }
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

Status createFolder(const QString& path) {
    // The umask decides the mode, as for any folder made here.
    if (::mkdir(encodedNative(path).constData(), 0777) != 0)
        return Status::failure(errno);
    return Status::success();
}

Status moveFile(const QString& from, const QString& to) {
    const int error = renameNoReplace(encodedNative(from), encodedNative(to));
    return error == 0 ? Status::success() : Status::failure(error);
}

Status moveFilePickingFreeName(const QString& from, const QString& to) {
    Status moved = moveFile(from, to);
    for (int n = 2; !moved.ok() && moved.error() == EEXIST && n < 1000; ++n)
        moved = moveFile(from, QStringLiteral("%1 (%2)").arg(to).arg(n));
    return moved;
}

bool sameFile(const QString& a, const QString& b) {
    const auto first = statOf(a);
    const auto second = statOf(b);
    return first && second && first->st_dev == second->st_dev && first->st_ino == second->st_ino;
}

Status copyFile(const QString& source, const QString& target, bool failIfExists,
                const CopyProgress& progress) {
    const int error =
        copyToFile(encodedNative(source), encodedNative(target), failIfExists, progress);
    return error == 0 ? Status::success() : Status::failure(error);
}

} // namespace orq::sys
