#include "system/Process.h"

#include "system/Paths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/syscall.h>
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

namespace {

// Only a-z fold: an accented letter matches only itself, in the case it was written in.
QString foldAsciiCase(QString text) {
    for (QChar& c : text) {
        if (c >= u'a' && c <= u'z')
            c = QChar(char16_t(c.unicode() - (u'a' - u'A')));
    }
    return text;
}

bool isPathSeparator(QChar c) {
    return c == u'\\' || c == u'/' || c == u':';
}

QString namePart(const QString& path) {
    qsizetype start = path.size();
    while (start > 0 && !isPathSeparator(path[start - 1]))
        --start;
    return path.mid(start);
}

bool isWindowsPath(const QString& text) {
    const bool drive = text.size() >= 3 && text[0].isLetter() && text[0].unicode() < 0x80 &&
                       text[1] == u':' && (text[2] == u'\\' || text[2] == u'/');
    return drive || text.startsWith(QStringLiteral("\\\\"));
}

// The deepest existing folder of the path with its links resolved, and the rest as written: the
// product's folder may lie behind a drive link (dosdevices/c: -> ../drive_c) and be named in
// another letter case than on disk, and the process side is always the resolved path.
QString resolvedPath(const QString& path, const QString& relativeTo) {
    const QString absolute = QDir::cleanPath(QDir(relativeTo).absoluteFilePath(path));
    QString existing = absolute;
    QString rest;
    while (!existing.isEmpty()) {
        const QString canonical = QFileInfo(existing).canonicalFilePath();
        if (!canonical.isEmpty())
            return canonical + rest;
        const qsizetype slash = existing.lastIndexOf(u'/');
        if (slash < 0)
            break;
        rest = existing.mid(slash) + rest;
        existing.truncate(slash);
    }
    return absolute;
}

QString procPath(pid_t pid, const char* entry) {
    return QStringLiteral("/proc/%1/%2").arg(pid).arg(QLatin1StringView(entry));
}

// Files under /proc report no size, so they are read until they end.
QByteArray readProcFile(pid_t pid, const char* entry) {
    QByteArray content;
    const int fd =
        ::open(QFile::encodeName(procPath(pid, entry)).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return content;
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n > 0)
            content.append(buffer, n);
        else if (n == 0 || errno != EINTR)
            break;
    }
    ::close(fd);
    return content;
}

QString readProcLink(pid_t pid, const char* entry) {
    const QByteArray path = QFile::encodeName(procPath(pid, entry));
    QByteArray target(256, Qt::Uninitialized);
    for (;;) {
        const ssize_t n = ::readlink(path.constData(), target.data(), std::size_t(target.size()));
        if (n < 0)
            return QString();
        if (n < target.size())
            return QFile::decodeName(target.left(n));
        target.resize(target.size() * 2);
    }
}

std::optional<uid_t> realUserOf(pid_t pid) {
    for (const QByteArray& line : readProcFile(pid, "status").split('\n')) {
        if (line.startsWith("Uid:")) {
            bool ok = false;
            const uid_t uid = line.mid(4).simplified().split(' ').value(0).toUInt(&ok);
            return ok ? std::optional<uid_t>(uid) : std::nullopt;
        }
    }
    return std::nullopt;
}

bool isWineLoader(const QString& exe) {
    const QString name = exe.mid(exe.lastIndexOf(u'/') + 1);
    return name == u"wine" || name == u"wine64" || name == u"wine-preloader" ||
           name == u"wine64-preloader";
}

struct Program {
    QString path;
    // A Windows path, or one a Windows program was given to wine with: nativePath applies, and a
    // relative one is taken from the process's working directory.
    bool underWine = false;
};

// What a process runs: its program file, or for wine the Windows program wine runs. Nothing for
// a process that has gone, ended or never had a program file (a kernel thread).
std::optional<Program> programOf(pid_t pid) {
    QString exe = readProcLink(pid, "exe");
    if (exe.isEmpty())
        return std::nullopt;
    // A program file replaced or removed while it runs is still the program that runs.
    const QString deleted = QStringLiteral(" (deleted)");
    if (exe.endsWith(deleted) && !QFileInfo::exists(exe))
        exe.chop(deleted.size());
    if (!isWineLoader(exe))
        return Program{exe, false};

    QList<QByteArray> arguments = readProcFile(pid, "cmdline").split('\0');
    if (!arguments.isEmpty() && arguments.last().isEmpty())
        arguments.removeLast();
    // The preloader puts the Windows program's path in argv[0]; started as "wine prog.exe ..."
    // the program is the first argument naming an .exe.
    if (!arguments.isEmpty()) {
        const QString first = QFile::decodeName(arguments.first());
        if (isWindowsPath(first))
            return Program{first, true};
    }
    for (const QByteArray& argument : arguments) {
        const QString text = QFile::decodeName(argument);
        if (text.endsWith(QStringLiteral(".exe"), Qt::CaseInsensitive))
            return Program{text, true};
    }
    return Program{exe, false};
}

class ProgramMatcher {
public:
    explicit ProgramMatcher(const QString& program)
        : m_byPath(std::any_of(program.begin(), program.end(), isPathSeparator)),
          m_wanted(foldAsciiCase(m_byPath ? resolvedPath(nativePath(program), QString())
                                          : namePart(program))) {}

    bool matches(pid_t pid, const Program& program) const {
        if (!m_byPath)
            return foldAsciiCase(namePart(program.path)) == m_wanted;
        const QString path = program.underWine
                                 ? resolvedPath(nativePath(program.path), readProcLink(pid, "cwd"))
                                 : resolvedPath(program.path, QString());
        return foldAsciiCase(path) == m_wanted;
    }

private:
    bool m_byPath;
    QString m_wanted;
};

// Called directly: Debian 12's C library declares these without C linkage for C++.
int openPidfd(pid_t pid) {
    return int(::syscall(SYS_pidfd_open, pid, 0U));
}

int signalPidfd(int pidfd, int signal) {
    return int(::syscall(SYS_pidfd_send_signal, pidfd, signal, nullptr, 0U));
}

// A process to end. The pidfd keeps naming the same process even if it ends and its number is
// taken by another; without pidfd support (an old kernel) the number is all there is.
struct Target {
    pid_t pid;
    int pidfd;
};

char processState(pid_t pid) {
    // "pid (name) S ...": the name may hold blanks and parentheses, the state follows the last ')'.
    const QByteArray stat = readProcFile(pid, "stat");
    const qsizetype close = stat.lastIndexOf(')');
    return close >= 0 && close + 2 < stat.size() ? stat[close + 2] : '\0';
}

bool hasEnded(const Target& target) {
    if (target.pidfd >= 0) {
        // Readable once the process has exited, zombie or reaped.
        pollfd entry{target.pidfd, POLLIN, 0};
        int ready = 0;
        do
            ready = ::poll(&entry, 1, 0);
        while (ready < 0 && errno == EINTR);
        return ready != 0;
    }
    if (::kill(target.pid, 0) != 0)
        return errno == ESRCH;
    const char state = processState(target.pid);
    return state == '\0' || state == 'Z' || state == 'X';
}

void sendSignal(const Target& target, int signal) {
    if (target.pidfd >= 0)
        signalPidfd(target.pidfd, signal);
    else
        ::kill(target.pid, signal);
}

void release(Target& target) {
    if (target.pidfd >= 0)
        ::close(target.pidfd);
    target.pidfd = -1;
}

// Waits until every target has ended or the time is up, and keeps only those still running.
void awaitEnd(std::vector<Target>& targets, std::chrono::milliseconds limit) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + limit;
    for (;;) {
        std::erase_if(targets, [](Target& target) {
            if (!hasEnded(target))
                return false;
            release(target);
            return true;
        });
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (targets.empty() || left.count() <= 0)
            return;
        // A pidfd wakes us the moment its process ends; one known by number only is looked at
        // again every few milliseconds.
        std::vector<pollfd> entries;
        bool byNumberOnly = false;
        for (const Target& target : targets) {
            if (target.pidfd >= 0)
                entries.push_back(pollfd{target.pidfd, POLLIN, 0});
            else
                byNumberOnly = true;
        }
        const int wait = int(byNumberOnly ? std::min<long long>(left.count(), 10) : left.count());
        ::poll(entries.data(), entries.size(), wait);
    }
}

std::vector<Target> matchingProcesses(const ProgramMatcher& matcher) {
    std::vector<Target> targets;
    DIR* proc = ::opendir("/proc");
    if (proc == nullptr)
        return targets;
    const pid_t self = ::getpid();
    const uid_t user = ::getuid();
    while (const dirent* entry = ::readdir(proc)) {
        char* end = nullptr;
        const long number = std::strtol(entry->d_name, &end, 10);
        if (end == entry->d_name || *end != '\0' || number <= 0)
            continue;
        const pid_t pid = pid_t(number);
        if (pid == self || realUserOf(pid) != user)
            continue;
        // Opened before the process is looked at, and checked after: what was looked at is then
        // the process the pidfd holds, even if the number was free and taken again meanwhile.
        Target target{pid, openPidfd(pid)};
        const std::optional<Program> program = programOf(pid);
        if (program && matcher.matches(pid, *program) && !hasEnded(target))
            targets.push_back(target);
        else
            release(target);
    }
    ::closedir(proc);
    return targets;
}

} // namespace

bool KillProcessByName(const QString& program) {
    if (program.isEmpty())
        return false;
    std::vector<Target> targets = matchingProcesses(ProgramMatcher(program));
    if (targets.empty())
        return false;

    using std::chrono::milliseconds;
    for (const Target& target : targets)
        sendSignal(target, SIGTERM);
    awaitEnd(targets, milliseconds(1000));
    for (const Target& target : targets)
        sendSignal(target, SIGKILL);
    awaitEnd(targets, milliseconds(1000));
    for (Target& target : targets)
        release(target);
    return true;
}

} // namespace orq::sys
