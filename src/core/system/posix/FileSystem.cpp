#include "system/FileSystem.h"

#include "system/Error.h"
#include "system/Paths.h"

#include <QFile>

#include <cerrno>
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

} // namespace

bool listFolder(const QString& folder, const std::function<void(const FolderEntry&)>& visit) {
    const QByteArray native = encodedNative(folder);
    DIR* dir = ::opendir(native.constData());
    if (!dir)
        return false;
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
    return true;
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
    const QByteArray native = encodedNative(path);
    // Open without truncating first: a file another process holds must not be emptied.
    Fd fd(::open(native.constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666));
    if (!fd.valid())
        throw Error::cannotCreateFile(path, errno);
    if (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0)
        throw Error::cannotCreateFile(path, errno);
    if (::ftruncate(fd.get(), 0) != 0)
        throw Error::cannotCreateFile(path, errno);
    const char* data = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd.get(), data, size_t(left));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            throw Error::cannotCreateFile(path, errno);
        }
        data += n;
        left -= n;
    }
}

} // namespace orq::sys
