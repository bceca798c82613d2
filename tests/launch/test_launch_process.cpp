#include "LaunchFixtures.h"
#include "TestSupport.h"

#include "system/Error.h"
#include "system/Process.h"

#include <QDir>
#include <QFileInfo>
#include <QtTest>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

using namespace orqtest;
using orq::sys::findProgram;
using orq::sys::KillProcessByName;
using orq::sys::startDetached;

namespace {

// A detached start must leave nothing for us to reap: not the product, not a helper process.
bool hasNoChildren() {
    return ::waitpid(-1, nullptr, WNOHANG) == -1 && errno == ECHILD;
}

// Writes what the started process saw of its start, in one go so that a reader never sees half.
const QByteArray ReportScript = R"sh(#!/bin/sh
out="$1"; shift
{
    printf 'cwd=%s\n' "$(pwd -P)"
    for a in "$@"; do printf 'arg=%s\n' "$a"; done
    printf 'pid=%s\n' "$$"
    printf 'sid=%s\n' "$(cut -d' ' -f6 /proc/$$/stat)"
    printf 'stdin=%s\n' "$(readlink /proc/$$/fd/0)"
    if [ -e /proc/$$/fd/57 ]; then echo leaked=yes; else echo leaked=no; fi
} > "$out.tmp" && /bin/mv "$out.tmp" "$out"
)sh";

QStringList reportLines(const QString& path) {
    return QString::fromUtf8(readBytes(path)).split(u'\n', Qt::SkipEmptyParts);
}

QString reportValue(const QStringList& lines, const QString& key) {
    for (const QString& line : lines) {
        if (line.startsWith(key + u'='))
            return line.mid(key.size() + 1);
    }
    return QStringLiteral("<missing>");
}

// The processes running this very program file, as /proc shows them: our own view, to check
// what KillProcessByName did.
QList<pid_t> runningFrom(const QString& programFile) {
    const QString wanted = QFileInfo(programFile).canonicalFilePath();
    QList<pid_t> pids;
    for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        bool number = false;
        const pid_t pid = pid_t(entry.toInt(&number));
        if (number && QFileInfo(QStringLiteral("/proc/%1/exe").arg(pid)).symLinkTarget() == wanted)
            pids.append(pid);
    }
    return pids;
}

// What follows the last ')' of /proc/PID/stat is the state; nothing when the process is gone.
QByteArray statusLine(pid_t pid, const QByteArray& key) {
    for (const QByteArray& line :
         readBytes(QStringLiteral("/proc/%1/status").arg(pid)).split('\n')) {
        if (line.startsWith(key + ':'))
            return line.mid(key.size() + 1).trimmed();
    }
    return QByteArray();
}

// Gone, or a zombie that only waits for its parent (init) to collect it.
bool hasEnded(pid_t pid) {
    if (::kill(pid, 0) != 0)
        return errno == ESRCH;
    const QByteArray state = statusLine(pid, "State");
    return state.isEmpty() || state.startsWith('Z') || state.startsWith('X');
}

bool ignoresSigterm(pid_t pid) {
    bool hex = false;
    const qulonglong ignored = statusLine(pid, "SigIgn").toULongLong(&hex, 16);
    return hex && (ignored & (1ULL << (SIGTERM - 1))) != 0;
}

// Ends whatever a test left running from these files, whatever the test's outcome.
class EndAtExit {
public:
    void add(const QString& programFile) { m_files.append(programFile); }
    ~EndAtExit() {
        for (const QString& file : m_files) {
            for (const pid_t pid : runningFrom(file))
                ::kill(pid, SIGKILL);
        }
    }

private:
    QStringList m_files;
};

// Sets the shell's SIGTERM to ignored and becomes the program: an ignored signal stays ignored
// across exec.
const QByteArray IgnoreTermScript = "#!/bin/sh\ntrap '' TERM\nexec \"$@\"\n";
// Runs a program under another argv[0], as the wine preloader shows the Windows program's path.
const QByteArray Argv0Script = "#!/bin/bash\nexec -a \"$1\" \"$2\"\n";

} // namespace

class ProcessTest : public QObject {
    Q_OBJECT

private slots:
    void findProgramSearchesPathInOrder_data();
    void findProgramSearchesPathInOrder();
    void findProgramLooksBesideTheProgramFirst();

    void startDetachedRunsTheStandInProduct();
    void startDetachedHandsOverACleanStart_data();
    void startDetachedHandsOverACleanStart();
    void startDetachedReportsWhyItFailed_data();
    void startDetachedReportsWhyItFailed();
    void windowsProgramRunsThroughWine();

    void killProcessByNameEndsTheProgramsNamed_data();
    void killProcessByNameEndsTheProgramsNamed();
    void killProcessByNameLooksAtEveryProcess();
    void killProcessByNameLeavesOtherUsersAlone();
};

void ProcessTest::findProgramSearchesPathInOrder_data() {
    QTest::addColumn<QString>("inFirst");
    QTest::addColumn<QString>("inSecond");
    QTest::addColumn<QString>("expected");

    QTest::newRow("only in the second") << ""
                                        << "exec"
                                        << "second";
    QTest::newRow("first entry wins") << "exec"
                                      << "exec"
                                      << "first";
    QTest::newRow("no execute bit is skipped") << "plain"
                                               << "exec"
                                               << "second";
    QTest::newRow("windows program needs no execute bit") << "mz"
                                                          << "exec"
                                                          << "first";
    QTest::newRow("folder of that name is skipped") << "folder"
                                                    << "exec"
                                                    << "second";
    QTest::newRow("nowhere") << ""
                             << ""
                             << "";
    QTest::newRow("only without execute bit") << "plain"
                                              << ""
                                              << "";
}

void ProcessTest::findProgramSearchesPathInOrder() {
    QFETCH(QString, inFirst);
    QFETCH(QString, inSecond);
    QFETCH(QString, expected);

    // A name that is not beside the test program, so only PATH can supply it.
    const QString name = QStringLiteral("orq-probe.exe");
    TempFolder first, second;
    const auto place = [&](const TempFolder& folder, const QString& kind) {
        const QString path = folder.file(name);
        if (kind == u"exec")
            writeFile(path, "#!/bin/sh\n", Executable);
        else if (kind == u"plain")
            writeFile(path, "#!/bin/sh\n", ReadWrite);
        else if (kind == u"mz")
            writeFile(path, QByteArray("MZ\x90\0", 4), ReadWrite);
        else if (kind == u"folder")
            makeFolder(path);
    };
    place(first, inFirst);
    place(second, inSecond);
    const ScopedEnvironment path("PATH", QFile::encodeName(first.path() + u':' + second.path()));

    const std::optional<QString> found = findProgram(name);
    if (expected.isEmpty()) {
        QCOMPARE(found, std::nullopt);
        return;
    }
    QVERIFY(found);
    const QString wanted = expected == u"second" ? second.file(name) : first.file(name);
    QCOMPARE(*found, wanted);
}

void ProcessTest::findProgramLooksBesideTheProgramFirst() {
    // The folder of this test program holds the built stand-in product; a runnable program of
    // the same name on PATH must not be preferred to it.
    TempFolder onPath;
    writeFile(onPath.file(orq::product::Program), "#!/bin/sh\n", Executable);
    const ScopedEnvironment path("PATH", QFile::encodeName(onPath.path()));

    const std::optional<QString> found = findProgram(orq::product::Program);
    QVERIFY(found);
    QCOMPARE(QFileInfo(*found).canonicalFilePath(), QFileInfo(builtStandIn()).canonicalFilePath());
}

void ProcessTest::startDetachedRunsTheStandInProduct() {
    // A copy beside its own orqcon.ini: the product reads the file beside itself, and the
    // test must not leave one in the build tree.
    TempFolder folder;
    const QString product = folder.file(orq::product::Program);
    QVERIFY(QFile::copy(builtStandIn(), product));
    writeBytes(
        folder.file(orq::product::ConnectionFile),
        "[SERVIDOR]\r\nNOME=srv01\r\n[ORQ]\r\nCAMINHO=C:\\dados\\ORQ_DADOS\\BASE2\\ORQ.FDB\r\n");
    const QString log = folder.file(QStringLiteral("orq7.log"));
    const ScopedEnvironment exitAtOnce("ORQ7_EXIT", "1");
    const ScopedEnvironment logTo("ORQ7_LOG", QFile::encodeName(log));

    const orq::sys::Status started = startDetached(product);
    QVERIFY(started.ok());
    QCOMPARE(started.error(), 0);
    QVERIFY(hasNoChildren());

    QTRY_COMPARE(standInLog(log).size(), 1);
    const QStringList line = standInLog(log).first();
    QCOMPARE(line.size(), 3);
    QVERIFY(line[0].toLongLong() > 0);
    QVERIFY(line[0].toLongLong() != QCoreApplication::applicationPid());
    QCOMPARE(line[1], QStringLiteral("srv01"));
    QCOMPARE(line[2], QStringLiteral("C:\\dados\\ORQ_DADOS\\BASE2\\ORQ.FDB"));
    QVERIFY(hasNoChildren());
}

void ProcessTest::startDetachedHandsOverACleanStart_data() {
    QTest::addColumn<bool>("givenDirectory");
    QTest::newRow("working directory given") << true;
    QTest::newRow("empty working directory keeps ours") << false;
}

void ProcessTest::startDetachedHandsOverACleanStart() {
    QFETCH(bool, givenDirectory);

    TempFolder folder, workFolder;
    const QString script = folder.file(QStringLiteral("report.sh"));
    writeFile(script, ReportScript, Executable);
    const QString report = folder.file(QStringLiteral("report.txt"));

    // A descriptor of ours without close-on-exec, as a library might leave one.
    const int fd = ::open("/dev/null", O_RDONLY);
    QVERIFY(fd >= 0);
    QCOMPARE(::dup2(fd, 57), 57);
    ::close(fd);
    const auto closeLeak = qScopeGuard([] { ::close(57); });

    const QStringList arguments = {report, QStringLiteral("two words"), QString(),
                                   QStringLiteral("ação")};
    const QString workingDirectory = givenDirectory ? workFolder.path() : QString();
    QVERIFY(startDetached(script, arguments, workingDirectory).ok());
    QVERIFY(hasNoChildren());

    QTRY_VERIFY(QFileInfo::exists(report));
    const QStringList lines = reportLines(report);
    const QString expectedDirectory = givenDirectory ? workFolder.path() : QDir::currentPath();
    QCOMPARE(reportValue(lines, QStringLiteral("cwd")),
             QFileInfo(expectedDirectory).canonicalFilePath());
    QCOMPARE(lines.filter(QRegularExpression(QStringLiteral("^arg="))),
             (QStringList{QStringLiteral("arg=two words"), QStringLiteral("arg="),
                          QStringLiteral("arg=ação")}));
    // A session of its own, so that it outlives us and our terminal.
    const QString session = reportValue(lines, QStringLiteral("sid"));
    QVERIFY(session.toLongLong() > 0);
    QVERIFY(session.toLongLong() != ::getsid(0));
    QCOMPARE(reportValue(lines, QStringLiteral("stdin")), QStringLiteral("/dev/null"));
    QCOMPARE(reportValue(lines, QStringLiteral("leaked")), QStringLiteral("no"));
}

void ProcessTest::startDetachedReportsWhyItFailed_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("expectedError");

    QTest::newRow("no such file") << "missing" << ENOENT;
    QTest::newRow("no execute bit") << "plain" << EACCES;
    QTest::newRow("a folder") << "folder" << EACCES;
    QTest::newRow("executable but no known format") << "garbage" << ENOEXEC;
    QTest::newRow("windows program without wine") << "mz" << ENOEXEC;
    QTest::newRow("working directory missing") << "no-directory" << ENOENT;
}

void ProcessTest::startDetachedReportsWhyItFailed() {
    QFETCH(QString, kind);
    QFETCH(int, expectedError);

    TempFolder folder;
    const QString program = folder.file(QStringLiteral("program"));
    QString workingDirectory;
    if (kind == u"plain")
        writeFile(program, "#!/bin/sh\n", ReadWrite);
    else if (kind == u"folder")
        makeFolder(program);
    else if (kind == u"garbage")
        writeFile(program, "\x01\x02\x03\x04 not a program", Executable);
    else if (kind == u"mz")
        writeFile(program, QByteArray("MZ\x90\0", 4), Executable);
    else if (kind == u"no-directory") {
        writeFile(program, "#!/bin/sh\n", Executable);
        workingDirectory = folder.file(QStringLiteral("gone"));
    }
    // No wine where a Windows program could find it.
    const ScopedEnvironment path("PATH", QFile::encodeName(folder.path()));

    const orq::sys::Status started = startDetached(program, {}, workingDirectory);
    QVERIFY(!started.ok());
    QCOMPARE(started.error(), expectedError);
    QVERIFY(hasNoChildren());
}

void ProcessTest::windowsProgramRunsThroughWine() {
    TempFolder folder;
    const QString record = folder.file(QStringLiteral("wine-args.txt"));
    // PATH holds nothing but this folder, so the fake wine names every command by full path.
    writeFile(folder.file(QStringLiteral("wine")),
              "#!/bin/sh\nprintf '%s\\n' \"$@\" > \"$0-args.tmp\" && /bin/mv \"$0-args.tmp\" \"" +
                  QFile::encodeName(record) + "\"\n",
              Executable);
    // Windows programs copied from elsewhere often lack the execute bit.
    const QString program = folder.file(orq::product::Program);
    writeFile(program, QByteArray("MZ\x90\0", 4), ReadWrite);
    const ScopedEnvironment path("PATH", QFile::encodeName(folder.path()));

    QVERIFY(startDetached(program, {QStringLiteral("-x")}).ok());

    QTRY_VERIFY(QFileInfo::exists(record));
    QCOMPARE(readBytes(record), QFile::encodeName(program) + "\n-x\n");
    QVERIFY(hasNoChildren());
}

void ProcessTest::killProcessByNameEndsTheProgramsNamed_data() {
    // How the program runs, where it lies, the name of its file, what wine is told to run
    // (wine starts only), the name asked for, and whether that is the program.
    // {base} is a name of this test run's own, {BASE} the same in capitals, {dir} the native
    // folder of the running file and {other} another folder: another test's stand-ins, or the
    // user's own programs, must not match.
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("place");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("asked");
    QTest::addColumn<bool>("matches");
    const auto row = [](const char* name, const char* start, const char* place, const char* file,
                        const char* shown, const char* asked, bool matches) {
        QTest::newRow(name) << QString::fromUtf8(start) << QString::fromUtf8(place)
                            << QString::fromUtf8(file) << QString::fromUtf8(shown)
                            << QString::fromUtf8(asked) << matches;
    };

    row("bare name", "plain", "temp", "{base}.exe", "", "{base}.exe", true);
    row("bare name in other letter case", "plain", "temp", "{base}.exe", "", "{BASE}.EXE", true);
    row("only a-z fold", "plain", "temp", "{base}.exé", "", "{BASE}.EXé", true);
    row("accented letters do not fold", "plain", "temp", "{base}.exé", "", "{base}.EXÉ", false);
    row("end of the name only", "plain", "temp", "X{base}.exe", "", "{base}.exe", false);
    row("start of the name only", "plain", "temp", "{base}.exe", "", "{base}", false);
    row("no such program", "plain", "temp", "{base}.exe", "", "{base}-outro.exe", false);
    row("full path", "plain", "temp", "{base}.exe", "", "{dir}/{base}.exe", true);
    row("full path in other letter case", "plain", "temp", "{base}.exe", "", "{dir}/{BASE}.EXE",
        true);
    row("full path of another folder", "plain", "temp", "{base}.exe", "", "{other}/{base}.exe",
        false);
    row("Windows path through a drive link", "plain", "drive c", "{base}.exe", "",
        "c:\\orq\\{BASE}.EXE", true);
    row("Windows path of another folder", "plain", "drive c", "{base}.exe", "",
        "C:\\OUTRO\\{base}.exe", false);
    row("ignoring SIGTERM", "ignoring TERM", "temp", "{base}.exe", "", "{base}.exe", true);
    row("wine's program by name", "wine", "temp", "wine64", "C:\\ORQ\\{base}.exe", "{BASE}.exe",
        true);
    row("wine's program by Windows path", "wine", "drive c", "wine", "C:\\ORQ\\{base}.exe",
        "c:\\Orq\\{base}.exe", true);
    row("wine's program given relative to its folder", "wine", "temp", "wine", "{base}.EXE",
        "{dir}/{base}.exe", true);
    row("wine itself is not the program", "wine", "temp", "wine", "C:\\ORQ\\{base}.exe",
        "{dir}/wine", false);
    row("preloader shows the Windows path as argv[0]", "wine argv0", "temp", "wine64-preloader",
        "C:\\ORQ\\{base}.exe", "{base}.exe", true);
}

void ProcessTest::killProcessByNameEndsTheProgramsNamed() {
    QFETCH(QString, start);
    QFETCH(QString, place);
    QFETCH(QString, file);
    QFETCH(QString, shown);
    QFETCH(QString, asked);
    QFETCH(bool, matches);

    // A real prefix's drive c: is a link into the prefix.
    FakeWinePrefix prefix;
    QVERIFY(QDir(prefix.driveC()).removeRecursively());
    makeFolder(prefix.path() + QStringLiteral("/drive_c/ORQ"));
    QCOMPARE(::symlink("../drive_c", QFile::encodeName(prefix.driveC()).constData()), 0);

    TempFolder temp, other;
    const QString base = QStringLiteral("Orq7Kill%1").arg(::getpid());
    const QString dir =
        place == u"drive c" ? prefix.driveC() + QStringLiteral("/ORQ") : temp.path();
    const auto expand = [&](QString text) {
        return text.replace(QStringLiteral("{base}"), base)
            .replace(QStringLiteral("{BASE}"), base.toUpper())
            .replace(QStringLiteral("{dir}"), dir)
            .replace(QStringLiteral("{other}"), other.path());
    };
    const QString program = expand(QStringLiteral("{dir}/") + file);
    QVERIFY(QFile::copy(builtStandIn(), program));
    EndAtExit leftOver;
    leftOver.add(program);

    // The stand-in stays up, and needs no display for it.
    const ScopedEnvironment platform("QT_QPA_PLATFORM", "offscreen");
    const ScopedEnvironment stays("ORQ7_EXIT", QByteArray());
    const ScopedEnvironment noWait("ORQ7_AGUARDE_MS", QByteArray());
    const ScopedEnvironment noLog("ORQ7_LOG", QByteArray());
    orq::sys::Status started;
    if (start == u"plain") {
        started = startDetached(program);
    } else if (start == u"ignoring TERM") {
        const QString wrapper = temp.file(QStringLiteral("ignore-term.sh"));
        writeFile(wrapper, IgnoreTermScript, Executable);
        started = startDetached(wrapper, {program});
    } else if (start == u"wine") {
        started = startDetached(program, {expand(shown)}, dir);
    } else if (start == u"wine argv0") {
        const QString wrapper = temp.file(QStringLiteral("argv0.sh"));
        writeFile(wrapper, Argv0Script, Executable);
        started = startDetached(wrapper, {expand(shown), program});
    }
    QVERIFY(started.ok());
    // A wrapper becomes the program a moment after it was started.
    QTRY_VERIFY(!runningFrom(program).isEmpty());
    const QList<pid_t> pids = runningFrom(program);
    if (start == u"ignoring TERM")
        QVERIFY(ignoresSigterm(pids.first()));

    QCOMPARE(KillProcessByName(expand(asked)), matches);
    for (const pid_t pid : pids) {
        // Gone by the time it returns, not some time later.
        QCOMPARE(hasEnded(pid), matches);
    }
    QVERIFY(hasNoChildren());
}

void ProcessTest::killProcessByNameLooksAtEveryProcess() {
    // More processes than any fixed-size table would hold, all started before the one asked for,
    // so that it comes after them in /proc.
    std::vector<pid_t> crowd;
    const auto endCrowd = qScopeGuard([&] {
        for (const pid_t pid : crowd)
            ::kill(pid, SIGKILL);
        for (const pid_t pid : crowd)
            ::waitpid(pid, nullptr, 0);
    });
    char sleepName[] = "sleep";
    char seconds[] = "300";
    char* argv[] = {sleepName, seconds, nullptr};
    for (int i = 0; i < 1100; ++i) {
        pid_t pid = 0;
        QCOMPARE(::posix_spawn(&pid, "/bin/sleep", nullptr, nullptr, argv, environ), 0);
        crowd.push_back(pid);
    }

    TempFolder folder;
    const QString program = folder.file(QStringLiteral("Orq7Crowd%1.exe").arg(::getpid()));
    QVERIFY(QFile::copy(builtStandIn(), program));
    EndAtExit leftOver;
    leftOver.add(program);
    const ScopedEnvironment platform("QT_QPA_PLATFORM", "offscreen");
    const ScopedEnvironment stays("ORQ7_EXIT", QByteArray());
    QVERIFY(startDetached(program).ok());
    QTRY_VERIFY(!runningFrom(program).isEmpty());
    const pid_t target = runningFrom(program).first();
    const QStringList listed = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs);
    const qsizetype before = std::count_if(listed.begin(), listed.end(), [&](const QString& entry) {
        bool number = false;
        const int pid = entry.toInt(&number);
        return number && pid < target;
    });
    // On a machine that has run long enough for process numbers to wrap, the target can land
    // before the crowd, and the case this test builds cannot be made there.
    if (before <= 1100)
        QSKIP("process numbers wrapped around: the target is not behind the crowd");

    QVERIFY(KillProcessByName(QFileInfo(program).fileName()));
    QVERIFY(hasEnded(target));
    for (const pid_t pid : crowd)
        QVERIFY(!hasEnded(pid));
}

void ProcessTest::killProcessByNameLeavesOtherUsersAlone() {
    if (::geteuid() != 0)
        QSKIP("needs root to start a program as another user");
    // Another user must be able to reach and run the copy.
    TempFolder folder;
    QVERIFY(::chmod(QFile::encodeName(folder.path()).constData(), 0755) == 0);
    const QString name = QStringLiteral("Orq7Other%1.exe").arg(::getpid());
    const QString program = folder.file(name);
    QVERIFY(QFile::copy(builtStandIn(), program));
    QVERIFY(::chmod(QFile::encodeName(program).constData(), 0755) == 0);
    EndAtExit leftOver;
    leftOver.add(program);

    const ScopedEnvironment platform("QT_QPA_PLATFORM", "offscreen");
    const ScopedEnvironment stays("ORQ7_EXIT", QByteArray());
    {
        const Unprivileged nobody;
        QVERIFY(nobody.ok());
        QVERIFY(startDetached(program).ok());
    }
    QTRY_VERIFY(!runningFrom(program).isEmpty());
    const pid_t pid = runningFrom(program).first();
    QVERIFY(statusLine(pid, "Uid").startsWith("65534"));

    QVERIFY(!KillProcessByName(name));
    QVERIFY(!hasEnded(pid));
}

QTEST_GUILESS_MAIN(ProcessTest)
#include "test_launch_process.moc"
