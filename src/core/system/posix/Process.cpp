#include "system/Process.h"

#include "system/Paths.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace orq::sys {

namespace {

bool isRegularFile(const QByteArray& path) {
    struct stat info {};
    return ::stat(path.constData(), &info) == 0 && S_ISREG(info.st_mode);
}

// Windows programs need not carry the execute bit: wine runs them all the same.
bool startsWithMZ(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    return file.read(2) == "MZ";
}

bool isRunnable(const QString& path) {
    const QByteArray encoded = QFile::encodeName(path);
    if (!isRegularFile(encoded))
        return false;
    return ::access(encoded.constData(), X_OK) == 0 || startsWithMZ(path);
}

std::optional<QString> searchPath(const QString& name) {
    const QString path = qEnvironmentVariable("PATH");
    if (path.isEmpty())
        return std::nullopt;
    for (const QString& entry : path.split(u':')) {
        // An empty entry stands for the current directory, as for the shell.
        const QString candidate = (entry.isEmpty() ? QStringLiteral(".") : entry) + u'/' + name;
        if (isRunnable(candidate))
            return QFileInfo(candidate).absoluteFilePath();
    }
    return std::nullopt;
}

// Reads exactly one int, or nothing at all when the writer closed the pipe first.
bool readErrno(int fd, int& value) {
    char* out = reinterpret_cast<char*>(&value);
    std::size_t got = 0;
    while (got < sizeof value) {
        const ssize_t n = ::read(fd, out + got, sizeof value - got);
        if (n > 0)
            got += std::size_t(n);
        else if (n == 0 || errno != EINTR)
            break;
    }
    return got == sizeof value;
}

// Between fork and exec only async-signal-safe calls are allowed: everything the child needs
// is prepared before the fork.
[[noreturn]] void failToParent(int fd, int error) {
    while (::write(fd, &error, sizeof error) < 0 && errno == EINTR) {
    }
    ::_exit(127);
}

[[noreturn]] void execInChild(int errorPipe, const char* directory, char* const* argv, long maxFd) {
    // A GUI program started from ours must not read our terminal.
    const int null = ::open("/dev/null", O_RDONLY);
    if (null > 0) {
        ::dup2(null, STDIN_FILENO);
        ::close(null);
    }

    // Our own descriptors (the catalogue, sockets, the error pipe) must not outlive the exec;
    // the error pipe is already close-on-exec and so closes exactly when the exec succeeds.
    if (::close_range(3, ~0U, CLOSE_RANGE_CLOEXEC) != 0) {
        for (int fd = 3; fd < maxFd; ++fd) {
            if (fd != errorPipe)
                ::close(fd);
        }
    }

    // Ignored signals stay ignored across exec, and the product should not inherit our choices.
    for (int sig = 1; sig < NSIG; ++sig) {
        struct sigaction current {};
        if (::sigaction(sig, nullptr, &current) == 0 && current.sa_handler == SIG_IGN) {
            current.sa_handler = SIG_DFL;
            ::sigaction(sig, &current, nullptr);
        }
    }
    sigset_t none;
    ::sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);

    if (directory != nullptr && ::chdir(directory) != 0)
        failToParent(errorPipe, errno);
    ::execv(argv[0], argv);
    failToParent(errorPipe, errno);
}

} // namespace

std::optional<QString> findProgram(const QString& name) {
    return findProgram(name, programFolder());
}

std::optional<QString> findProgram(const QString& name, const QString& firstFolder) {
    if (name.isEmpty())
        return std::nullopt;
    if (name.contains(u'/')) {
        if (isRegularFile(QFile::encodeName(name)))
            return QFileInfo(name).absoluteFilePath();
        return std::nullopt;
    }
    // Whatever lies beside us is taken even without the execute bit, so that starting it
    // reports why it cannot run instead of quietly picking another copy from PATH.
    const QString besideUs = firstFolder + u'/' + name;
    if (isRegularFile(QFile::encodeName(besideUs)))
        return besideUs;
    return searchPath(name);
}

Status startDetached(const QString& nativeProgram, const QStringList& arguments,
                     const QString& workingDirectory) {
    std::vector<QByteArray> args;
    if (startsWithMZ(nativeProgram)) {
        const std::optional<QString> wine = searchPath(QStringLiteral("wine"));
        if (!wine)
            return Status::failure(ENOEXEC);
        args.push_back(QFile::encodeName(*wine));
    }
    args.push_back(QFile::encodeName(nativeProgram));
    for (const QString& argument : arguments)
        args.push_back(argument.toLocal8Bit());

    std::vector<char*> argv;
    for (QByteArray& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);

    const QByteArray directory = QFile::encodeName(workingDirectory);
    const char* directoryOrNull = workingDirectory.isEmpty() ? nullptr : directory.constData();
    const long maxFd = ::sysconf(_SC_OPEN_MAX);

    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0)
        return Status::failure(errno);

    // Double fork: the middle process exits at once and we reap it, so the product is
    // reparented to init and never becomes our zombie. The middle one also starts the new
    // session, so the product outlives us and our terminal.
    const pid_t middle = ::fork();
    if (middle < 0) {
        const int error = errno;
        ::close(pipeFds[0]);
        ::close(pipeFds[1]);
        return Status::failure(error);
    }
    if (middle == 0) {
        ::close(pipeFds[0]);
        ::setsid();
        const pid_t product = ::fork();
        if (product < 0)
            failToParent(pipeFds[1], errno);
        if (product == 0)
            execInChild(pipeFds[1], directoryOrNull, argv.data(), maxFd);
        ::_exit(0);
    }

    ::close(pipeFds[1]);
    while (::waitpid(middle, nullptr, 0) < 0 && errno == EINTR) {
    }
    int error = 0;
    const bool failed = readErrno(pipeFds[0], error);
    ::close(pipeFds[0]);
    if (failed)
        return Status::failure(error);
    return Status::success();
}

} // namespace orq::sys
