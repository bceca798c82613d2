#include "LaunchFixtures.h"
#include "TestSupport.h"

#include "system/Error.h"
#include "system/Process.h"

#include <QDir>
#include <QFileInfo>
#include <QtTest>

#include <cerrno>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace orqtest;
using orq::sys::findProgram;
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

QTEST_GUILESS_MAIN(ProcessTest)
#include "test_launch_process.moc"
