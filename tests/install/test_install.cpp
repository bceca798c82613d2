// The program installed as a user gets it: "cmake --install" into a product folder, and
// scripts/install.sh registering it with the desktop for a user of the test's own (a scratch
// HOME) and taking all of it back again. The installed program is started through its desktop
// entry on a real X server of the test's own, with the build's bin/ out of its reach.
#include "TestSupport.h"

#include "system/WindowLookup.h"

#include <QCryptographicHash>
#include <QDirIterator>
#include <QProcess>
#include <QtTest>

using namespace orqtest;

namespace {

const QString kBuild = QStringLiteral(ORQ_BUILD_DIR);
const QString kSource = QStringLiteral(ORQ_SOURCE_DIR);

struct Run {
    int exitCode = -1;
    QString out;
    QString err;
};

Run run(const QString& program, const QStringList& arguments,
        const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment()) {
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    Run result;
    if (!process.waitForFinished(240000)) {
        process.kill();
        process.waitForFinished();
        result.err = QStringLiteral("did not finish: ") + program;
        return result;
    }
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2;
    result.out = QString::fromLocal8Bit(process.readAllStandardOutput());
    result.err = QString::fromLocal8Bit(process.readAllStandardError());
    return result;
}

QString described(const Run& result) {
    return QStringLiteral("exit %1\n%2%3").arg(result.exitCode).arg(result.out, result.err);
}

// Everything under a folder, hidden entries too: each path with what it is, its permissions and,
// for a file, a digest of its bytes. Two equal snapshots are folders left exactly as they were.
QStringList snapshot(const QString& folder) {
    QStringList out;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        const QFileInfo info = it.fileInfo();
        QString line = info.filePath().mid(folder.size()) + u' ' +
                       QString::number(int(info.permissions()), 16) + u' ';
        if (info.isSymLink())
            line += QStringLiteral("link ") + info.symLinkTarget();
        else if (info.isDir())
            line += QStringLiteral("dir");
        else
            line += QString::fromLatin1(
                QCryptographicHash::hash(readBytes(info.filePath()), QCryptographicHash::Sha1)
                    .toHex());
        out << line;
    }
    out.sort();
    return out;
}

// The keys of a desktop entry's main group, values as written.
QMap<QString, QString> desktopEntry(const QString& path) {
    QMap<QString, QString> keys;
    bool inMain = false;
    for (const QByteArray& line : readBytes(path).split('\n')) {
        if (line.startsWith('['))
            inMain = line == "[Desktop Entry]";
        const qsizetype equals = line.indexOf('=');
        if (inMain && equals > 0)
            keys.insert(QString::fromUtf8(line.left(equals)),
                        QString::fromUtf8(line.mid(equals + 1)));
    }
    return keys;
}

// A desktop string value unescaped, then its Exec quoting undone, as a launcher reads the
// command: the program and its arguments, field codes kept as they are ("%f"), "%%" as "%".
QStringList execArguments(const QString& value) {
    QString text;
    for (qsizetype i = 0; i < value.size(); ++i) {
        if (value[i] == u'\\' && i + 1 < value.size()) {
            const QChar next = value[++i];
            text += next == u's'   ? QChar(u' ')
                    : next == u'n' ? QChar(u'\n')
                    : next == u't' ? QChar(u'\t')
                    : next == u'r' ? QChar(u'\r')
                                   : next;
        } else {
            text += value[i];
        }
    }
    QStringList arguments;
    QString current;
    bool inArgument = false;
    bool quoted = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (quoted) {
            if (c == u'\\' && i + 1 < text.size())
                current += text[++i];
            else if (c == u'"')
                quoted = false;
            else
                current += c;
        } else if (c == u' ') {
            if (inArgument)
                arguments << current;
            current.clear();
            inArgument = false;
        } else {
            inArgument = true;
            if (c == u'"')
                quoted = true;
            else if (c == u'%' && i + 1 < text.size() && text[i + 1] == u'%')
                current += text[++i];
            else
                current += c;
        }
    }
    if (inArgument)
        arguments << current;
    return arguments;
}

// Width and height from a PNG's header chunk.
QSize pngSize(const QByteArray& bytes) {
    if (!bytes.startsWith("\x89PNG\r\n\x1a\n") || bytes.mid(12, 4) != "IHDR")
        return {};
    auto big = [&](int at) {
        return int(quint32(uchar(bytes[at])) << 24 | quint32(uchar(bytes[at + 1])) << 16 |
                   quint32(uchar(bytes[at + 2])) << 8 | quint32(uchar(bytes[at + 3])));
    };
    return {big(16), big(20)};
}

// A scratch user: HOME, and XDG_DATA_HOME set elsewhere or left unset; WINEPREFIX in the scratch
// space too, so a Windows-form product folder lands there.
struct User {
    TempFolder space;
    bool ownDataHome = false;

    QString home() const { return space.file(QStringLiteral("home")); }
    QString dataHome() const {
        return ownDataHome ? space.file(QStringLiteral("data")) : home() + "/.local/share";
    }
    QString winePrefix() const { return space.file(QStringLiteral("wine")); }
    QString desktopFile() const { return dataHome() + "/applications/orqdados.desktop"; }

    QProcessEnvironment environment() const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), home());
        if (ownDataHome)
            env.insert(QStringLiteral("XDG_DATA_HOME"), dataHome());
        else
            env.remove(QStringLiteral("XDG_DATA_HOME"));
        env.insert(QStringLiteral("WINEPREFIX"), winePrefix());
        return env;
    }

    Run installScript(const QStringList& arguments) const {
        return run(QStringLiteral("bash"),
                   QStringList{kSource + "/scripts/install.sh", "--from-build", kBuild} + arguments,
                   environment());
    }
    Run uninstallScript() const {
        return run(QStringLiteral("bash"), {kSource + "/scripts/install.sh", "--uninstall"},
                   environment());
    }
};

// A product folder as the product leaves it: its connection file, the product and a base.
void makeProductFolder(const QString& folder) {
    makeFolder(folder);
    writeBytes(folder + "/orqcon.ini", "[ORQ]\r\nCAMINHO=c:\\x\\BASE1\\ORQ.FDB\r\n");
    writeBytes(folder + "/ORQ7.exe", "the product");
    makeBase(folder, QStringLiteral("BASE1"), 4096, QDateTime::currentDateTimeUtc());
}

bool canHideFolders() {
    return run(QStringLiteral("unshare"), {QStringLiteral("--mount"), QStringLiteral("true")})
               .exitCode == 0;
}

// The files a running process has mapped: the program, its libraries, its plugins.
QStringList mappedFiles(qint64 pid) {
    QStringList files;
    for (const QByteArray& line : readBytes(QStringLiteral("/proc/%1/maps").arg(pid)).split('\n')) {
        const qsizetype slash = line.indexOf('/');
        if (slash > 0 && !files.contains(QString::fromLocal8Bit(line.mid(slash))))
            files << QString::fromLocal8Bit(line.mid(slash));
    }
    return files;
}

} // namespace

class InstallTest : public QObject {
    Q_OBJECT

private slots:
    void cmakeInstallPutsTheProgramAloneIntoTheProductFolder();
    void theEntryStartsTheInstalledProgramWithoutTheBuildTree();
    void uninstallLeavesTheFoldersAsTheyWere_data();
    void uninstallLeavesTheFoldersAsTheyWere();
    void installingAgainTakesTheLastInstallationBack();
    void aFileAlreadyThereIsNeverReplaced();
    void anInstallCutShortIsTakenBackWhole();
};

void InstallTest::cmakeInstallPutsTheProgramAloneIntoTheProductFolder() {
    TempFolder product;
    makeProductFolder(product.path());
    const QStringList before = snapshot(product.path());

    const Run result =
        run(QStringLiteral(ORQ_CMAKE), {"--install", kBuild, "--prefix", product.path()});
    QVERIFY2(result.exitCode == 0, qPrintable(described(result)));

    // The product's files untouched, the program beside them, and nothing else (neither the
    // stand-in product nor the base generator).
    QStringList after = snapshot(product.path());
    const QStringList added = QStringList(after).filter(QRegularExpression("^/ORQDados "));
    QCOMPARE(added.size(), 1);
    after.removeAll(added[0]);
    QCOMPARE(after, before);
    QVERIFY(QFileInfo(product.file(QStringLiteral("ORQDados"))).isExecutable());
}

void InstallTest::theEntryStartsTheInstalledProgramWithoutTheBuildTree() {
    User user;
    // Blanks, "$" and a drive-like "c:" in the folder: the entry's quoting must carry them.
    const QString product = user.space.file(QStringLiteral("Meus Programas/c:/ORQ $7"));
    makeProductFolder(product);
    TempFolder root;
    makeBase(root.path(), QStringLiteral("ALFA"), 1000, QDateTime::currentDateTimeUtc());
    const Run installed = user.installScript({product});
    QVERIFY2(installed.exitCode == 0, qPrintable(described(installed)));
    const QString program = product + "/ORQDados";

    const Run validated =
        run(QStringLiteral("desktop-file-validate"), {user.desktopFile()}, user.environment());
    QVERIFY2(validated.exitCode == 0 && validated.out.isEmpty(), qPrintable(described(validated)));
    const QMap<QString, QString> entry = desktopEntry(user.desktopFile());
    QCOMPARE(entry.value("Type"), QStringLiteral("Application"));
    QCOMPARE(entry.value("Name"), QStringLiteral("ORQDados"));
    QCOMPARE(entry.value("Categories"), QStringLiteral("Utility;"));
    QCOMPARE(entry.value("Icon"), QStringLiteral("orqdados"));
    QVERIFY(!entry.value("Comment").isEmpty());
    QCOMPARE(entry.value("TryExec"), program);
    QStringList command = execArguments(entry.value("Exec"));
    QCOMPARE(command, QStringList({program, "%f"}));
    QCOMPARE(readBytes(user.dataHome() + "/icons/hicolor/scalable/apps/orqdados.svg"),
             readBytes(kSource + "/packaging/orqdados.svg"));
    QCOMPARE(pngSize(readBytes(user.dataHome() + "/icons/hicolor/64x64/apps/orqdados.png")),
             QSize(64, 64));

    // Nothing the loader finds for it, nor a search path of its own, points into the build.
    const Run ldd = run(QStringLiteral("ldd"), {program});
    QVERIFY2(ldd.exitCode == 0, qPrintable(described(ldd)));
    QVERIFY2(!ldd.out.contains(kBuild) && !ldd.out.contains(kSource) &&
                 !ldd.out.contains(QStringLiteral("not found")),
             qPrintable(ldd.out));
    const Run dynamic = run(QStringLiteral("readelf"), {"-d", program});
    QVERIFY2(!dynamic.out.contains(kBuild) && !dynamic.out.contains(kSource),
             qPrintable(dynamic.out));

    // Started as the launcher would, the root for %f, with the build's bin/ hidden under an
    // empty folder (in a mount namespace of its own, so the tests running meanwhile keep it).
    command.replace(1, root.path());
    XvfbServer xvfb;
    QVERIFY(xvfb.ok());
    ScopedEnvironment display("DISPLAY", xvfb.display());
    QProcessEnvironment env = user.environment();
    env.insert(QStringLiteral("DISPLAY"), QString::fromLatin1(xvfb.display()));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    env.remove(QStringLiteral("LD_LIBRARY_PATH"));
    env.remove(QStringLiteral("ORQ_TEST_BIN"));
    env.insert(QStringLiteral("PATH"), QStringLiteral("/usr/bin:/bin"));
    // Under AddressSanitizer, the keyboard library behind a real X window trips the strict
    // string checks in code that is not ours.
    const QString asan = env.value(QStringLiteral("ASAN_OPTIONS"));
    if (!asan.isEmpty())
        env.insert(QStringLiteral("ASAN_OPTIONS"), asan + ":strict_string_checks=0");
    const bool hidden = canHideFolders();
    QProcess started;
    started.setProcessEnvironment(env);
    started.setWorkingDirectory(root.path());
    if (hidden) {
        started.start(QStringLiteral("unshare"),
                      QStringList{"--mount", "--propagation", "private", "sh", "-c",
                                  "mount -t tmpfs orq-hidden \"$1\" && shift && exec \"$@\"", "sh",
                                  kBuild + "/bin"} +
                          command);
    } else {
        qInfo("no mount namespace here: the build's bin/ stays in reach, its files must not be "
              "mapped");
        started.start(command[0], command.mid(1));
    }
    QVERIFY(started.waitForStarted());
    const bool windowShown = QTest::qWaitFor(
        [] { return orq::sys::topLevelWindowExists(QStringLiteral("ORQDados")); }, 30000);
    const QStringList mapped = mappedFiles(started.processId());
    const QByteArray catalogue = readBytes(root.file(QStringLiteral("ORQDados.csv")));
    started.kill();
    started.waitForFinished();
    QVERIFY2(windowShown, started.readAllStandardError().constData());
    QVERIFY(catalogue.startsWith("ALFA,"));
    QVERIFY2(mapped.contains(program), qPrintable(mapped.join(u'\n')));
    for (const QString& file : mapped)
        QVERIFY2(!file.startsWith(kBuild) && !file.startsWith(kSource), qPrintable(file));

    const Run removed = user.uninstallScript();
    QVERIFY2(removed.exitCode == 0, qPrintable(described(removed)));
}

void InstallTest::uninstallLeavesTheFoldersAsTheyWere_data() {
    QTest::addColumn<bool>("ownDataHome");
    QTest::addColumn<bool>("foldersThere"); // the user's freedesktop folders, with others' files
    QTest::addColumn<QString>("productArgument");
    QTest::addColumn<QString>("productFolder"); // under the scratch space; empty: none
    QTest::addColumn<bool>("productThere");

    QTest::newRow("fresh user, default root through the Wine prefix")
        << false << false << QString() << "wine/dosdevices/c:/Varnelo/ORQ_7" << false;
    QTest::newRow("fresh user, Windows-form folder with the product")
        << false << false << "c:\\Programas\\ORQ_7"
        << "wine/dosdevices/c:/Programas/ORQ_7" << true;
    QTest::newRow("XDG_DATA_HOME elsewhere, folders with other entries")
        << true << true << "*/produto/ORQ_7"
        << "produto/ORQ_7" << true;
    QTest::newRow("HOME's folders with other entries, new product folder")
        << false << true << "*/novo/ORQ_7"
        << "novo/ORQ_7" << false;
}

void InstallTest::uninstallLeavesTheFoldersAsTheyWere() {
    QFETCH(bool, ownDataHome);
    QFETCH(bool, foldersThere);
    QFETCH(QString, productArgument);
    QFETCH(QString, productFolder);
    QFETCH(bool, productThere);
    User user;
    user.ownDataHome = ownDataHome;
    makeFolder(user.home());
    writeBytes(user.home() + "/.profile", "# the user's own\n");
    if (foldersThere) {
        makeFolder(user.dataHome() + "/applications");
        writeBytes(user.dataHome() + "/applications/outro.desktop", "[Desktop Entry]\n");
        makeFolder(user.dataHome() + "/icons/hicolor/64x64/apps");
        writeBytes(user.dataHome() + "/icons/hicolor/64x64/apps/outro.png", "png");
    }
    const QString product = user.space.file(productFolder);
    if (productThere)
        makeProductFolder(product);
    productArgument.replace(u'*', user.space.path());
    const QStringList before = snapshot(user.space.path());

    const Run installed = user.installScript(
        productArgument.isEmpty() ? QStringList() : QStringList{productArgument});
    QVERIFY2(installed.exitCode == 0, qPrintable(described(installed)));
    QVERIFY(QFileInfo(product + "/ORQDados").isExecutable());
    QVERIFY(QFile::exists(user.desktopFile()));
    QVERIFY(QFile::exists(user.dataHome() + "/icons/hicolor/64x64/apps/orqdados.png"));
    QVERIFY(QFile::exists(user.dataHome() + "/icons/hicolor/scalable/apps/orqdados.svg"));
    QCOMPARE(execArguments(desktopEntry(user.desktopFile()).value("Exec")).value(0),
             product + "/ORQDados");
    // No temporary file is left beside anything placed.
    for (const QString& line : snapshot(user.space.path()))
        QVERIFY2(!line.contains(QStringLiteral("/.orqdados")) &&
                     !line.contains(QStringLiteral("/.ORQDados")) &&
                     !line.contains(QStringLiteral("/.install-manifest")),
                 qPrintable(line));
    // The closing note names every installed file.
    for (const QString& file : {product + "/ORQDados", user.desktopFile(),
                                user.dataHome() + "/icons/hicolor/64x64/apps/orqdados.png",
                                user.dataHome() + "/icons/hicolor/scalable/apps/orqdados.svg",
                                user.dataHome() + "/ORQDados/install-manifest"})
        QVERIFY2(installed.out.contains(QStringLiteral("  ") + file + u'\n'),
                 qPrintable(installed.out));

    const Run removed = user.uninstallScript();
    QVERIFY2(removed.exitCode == 0, qPrintable(described(removed)));
    QCOMPARE(snapshot(user.space.path()), before);
    // Once more is nothing to do.
    const Run again = user.uninstallScript();
    QVERIFY2(again.exitCode == 0, qPrintable(described(again)));
    QCOMPARE(snapshot(user.space.path()), before);
}

void InstallTest::installingAgainTakesTheLastInstallationBack() {
    User user;
    makeFolder(user.home());
    const QString first = user.space.file(QStringLiteral("primeiro"));
    const QString second = user.space.file(QStringLiteral("segundo"));
    makeProductFolder(first);
    makeProductFolder(second);
    const QStringList before = snapshot(user.space.path());

    QCOMPARE(user.installScript({first}).exitCode, 0);
    const Run again = user.installScript({second});
    QVERIFY2(again.exitCode == 0, qPrintable(described(again)));

    QVERIFY(!QFile::exists(first + "/ORQDados"));
    QVERIFY(QFile::exists(second + "/ORQDados"));
    QCOMPARE(execArguments(desktopEntry(user.desktopFile()).value("Exec")).value(0),
             second + "/ORQDados");
    QCOMPARE(user.uninstallScript().exitCode, 0);
    QCOMPARE(snapshot(user.space.path()), before);
}

// A program or an entry the script did not put there would be lost to the uninstall.
void InstallTest::aFileAlreadyThereIsNeverReplaced() {
    User user;
    makeFolder(user.home());
    const QString product = user.space.file(QStringLiteral("ORQ_7"));
    makeProductFolder(product);
    writeBytes(product + "/ORQDados", "someone else's");
    const QStringList before = snapshot(user.space.path());

    const Run refused = user.installScript({product});

    QVERIFY2(refused.exitCode != 0, qPrintable(described(refused)));
    QVERIFY2(refused.err.contains(product + "/ORQDados is already there"), qPrintable(refused.err));
    QCOMPARE(snapshot(user.space.path()), before);
}

// A file where the PNG icon's folder must go stops the install after the program, the entry and
// the SVG icon are in place; what the manifest kept so far is enough to take them back.
void InstallTest::anInstallCutShortIsTakenBackWhole() {
    User user;
    makeFolder(user.home());
    const QString product = user.space.file(QStringLiteral("ORQ_7"));
    makeProductFolder(product);
    makeFolder(user.dataHome() + "/icons/hicolor");
    writeBytes(user.dataHome() + "/icons/hicolor/64x64", "in the way");
    const QStringList before = snapshot(user.space.path());

    const Run cut = user.installScript({product});
    QVERIFY2(cut.exitCode != 0, qPrintable(described(cut)));
    QVERIFY(QFile::exists(product + "/ORQDados"));
    QVERIFY(QFile::exists(user.desktopFile()));

    const Run removed = user.uninstallScript();
    QVERIFY2(removed.exitCode == 0, qPrintable(described(removed)));
    QCOMPARE(snapshot(user.space.path()), before);
}

QTEST_GUILESS_MAIN(InstallTest)
#include "test_install.moc"
