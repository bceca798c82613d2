#include "system/Error.h"
#include "system/FileSystem.h"

#include "TestSupport.h"

#include <QFile>
#include <QtTest>

#include <cerrno>
#include <optional>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace orq::sys;

namespace {

// Every entry a listing visits, as "name/" for a folder and "name" for anything else, sorted.
QStringList listing(const QString& folder, Status* status) {
    QStringList entries;
    *status = listFolder(folder, [&](const FolderEntry& entry) {
        entries.append(entry.isFolder ? entry.name + u'/' : entry.name);
    });
    entries.sort();
    return entries;
}

mode_t modeOf(const QString& nativePath) {
    struct stat st {};
    if (::stat(QFile::encodeName(nativePath).constData(), &st) != 0)
        qFatal("cannot stat %s", qPrintable(nativePath));
    return st.st_mode & 07777;
}

void setMode(const QString& nativePath, mode_t mode) {
    if (::chmod(QFile::encodeName(nativePath).constData(), mode) != 0)
        qFatal("cannot chmod %s", qPrintable(nativePath));
}

// Content no single write() call takes whole from a small size limit, and more than one read.
QByteArray largeContent() {
    QByteArray content;
    for (int i = 0; i < 200000; ++i)
        content.append(char(i % 251));
    return content;
}

} // namespace

class FileSystemTest : public QObject {
    Q_OBJECT

private slots:
    // A base folder as users leave it: bases, a stray file, hidden entries, links.
    void listFolderShowsWhatAFolderSearchShows() {
        orqtest::FakeWinePrefix prefix;
        const QString dados = prefix.driveC() + "/ORQ_7/ORQ_DADOS";
        orqtest::makeFolder(dados + "/BASE1");
        orqtest::makeFolder(dados + "/Base Dois, SP");
        orqtest::makeFolder(dados + "/.git");
        orqtest::makeFolder(dados + "/..hidden too");
        orqtest::writeBytes(dados + "/.hidden", "x");
        orqtest::writeBytes(dados + "/leia-me.txt", "x");
        orqtest::writeBytes(dados + "/ORQ.FDB", "x");
        QVERIFY(QFile::link(dados + "/BASE1", dados + "/atalho"));
        QVERIFY(QFile::link(dados + "/nothing", dados + "/quebrado"));

        Status status = Status::failure(EIO);
        const auto entries = listing("c:\\ORQ_7\\ORQ_DADOS", &status);
        QVERIFY(status.ok());
        QStringList expected{"./",          "../",     "BASE1/",  "Base Dois, SP/",
                             "leia-me.txt", "ORQ.FDB", "atalho/", "quebrado"};
        expected.sort();
        QCOMPARE(entries, expected);
    }

    void listFolderCannotStart_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("errnum");
        QTest::newRow("missing folder") << "c:\\Falta" << ENOENT;
        QTest::newRow("a file") << "c:\\arquivo.txt" << ENOTDIR;
        QTest::newRow("inside a file") << "c:\\arquivo.txt\\x" << ENOTDIR;
        QTest::newRow("missing drive") << "q:\\ORQ_7" << ENOENT;
        QTest::newRow("no access") << "c:\\fechada" << EACCES;
    }
    void listFolderCannotStart() {
        QFETCH(QString, path);
        QFETCH(int, errnum);
        orqtest::FakeWinePrefix prefix;
        orqtest::writeBytes(prefix.driveC() + "/arquivo.txt", "x");
        orqtest::makeFolder(prefix.driveC() + "/fechada/BASE1");
        setMode(prefix.path(), 0755);
        setMode(prefix.driveC() + "/fechada", 0);
        const auto reopen = qScopeGuard([&] { setMode(prefix.driveC() + "/fechada", 0700); });
        Status status;
        QStringList entries;
        {
            orqtest::Unprivileged unprivileged;
            if (!unprivileged.ok())
                QSKIP("cannot drop root privileges here");
            entries = listing(path, &status);
        }
        QVERIFY(!status.ok());
        QCOMPARE(status.error(), errnum);
        QVERIFY(entries.isEmpty());
    }

    void lookupEntry() {
        orqtest::FakeWinePrefix prefix;
        const QString base = prefix.driveC() + "/ORQ_DADOS/BASE1";
        const QDateTime written(QDate(2013, 3, 5), QTime(17, 7, 9), Qt::UTC);
        orqtest::makeBase(prefix.driveC(), "BASE1", 1263616, written);
        orqtest::writeBytes(base + "/.oculto", "abc");

        const auto file = lookup("c:\\ORQ_DADOS\\BASE1\\ORQ.FDB");
        QVERIFY(file.has_value());
        QCOMPARE(file->size, qint64(1263616));
        QCOMPARE(file->lastWriteUtc, written);
        QCOMPARE(file->lastWriteUtc.timeSpec(), Qt::UTC);
        QVERIFY(!file->isFolder);

        const auto folder = lookup("C:\\ORQ_DADOS\\BASE1");
        QVERIFY(folder.has_value());
        QVERIFY(folder->isFolder);

        const auto hidden = lookup("c:\\ORQ_DADOS\\BASE1\\.oculto");
        QVERIFY(hidden.has_value());
        QCOMPARE(hidden->size, qint64(3));

        QVERIFY(!lookup("c:\\ORQ_DADOS\\BASE2\\ORQ.FDB").has_value());
    }

    void existence_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("file");
        QTest::addColumn<bool>("folder");
        QTest::newRow("file") << "c:\\ORQ_7\\ORQDados.csv" << true << false;
        QTest::newRow("folder") << "c:\\ORQ_7" << false << true;
        QTest::newRow("folder with trailing backslash") << "c:\\ORQ_7\\" << false << true;
        QTest::newRow("missing") << "c:\\ORQ_8" << false << false;
        QTest::newRow("below a file") << "c:\\ORQ_7\\ORQDados.csv\\x" << false << false;
        QTest::newRow("link to a folder") << "c:\\link" << false << true;
        QTest::newRow("dangling link") << "c:\\dangling" << false << false;
    }
    void existence() {
        QFETCH(QString, path);
        QFETCH(bool, file);
        QFETCH(bool, folder);
        orqtest::FakeWinePrefix prefix;
        orqtest::makeFolder(prefix.driveC() + "/ORQ_7");
        orqtest::writeBytes(prefix.driveC() + "/ORQ_7/ORQDados.csv", "");
        QVERIFY(QFile::link(prefix.driveC() + "/ORQ_7", prefix.driveC() + "/link"));
        QVERIFY(QFile::link(prefix.driveC() + "/none", prefix.driveC() + "/dangling"));
        QCOMPARE(fileExists(path), file);
        QCOMPARE(folderExists(path), folder);
    }

    // Each write leaves the file and nothing else: no temporary file beside it.
    void readAndWrite() {
        orqtest::FakeWinePrefix prefix;
        const QByteArray content = largeContent();
        const QStringList onlyTheFile{"dados.bin"};
        writeFile("c:\\dados.bin", content);
        QCOMPARE(orqtest::readBytes(prefix.driveC() + "/dados.bin"), content);
        QCOMPARE(readFile("c:\\dados.bin"), content);
        QCOMPARE(orqtest::folderNames(prefix.driveC()), onlyTheFile);
        writeFile("c:\\dados.bin", "curto");
        QCOMPARE(readFile("c:\\dados.bin"), QByteArray("curto"));
        QCOMPARE(orqtest::folderNames(prefix.driveC()), onlyTheFile);
        writeFile("c:\\dados.bin", QByteArray());
        QCOMPARE(readFile("c:\\dados.bin"), QByteArray());
        QVERIFY(fileExists("c:\\dados.bin"));
        QCOMPARE(orqtest::folderNames(prefix.driveC()), onlyTheFile);
    }

    // The file is replaced, never rewritten in place: a reader that opened it before the write
    // still reads the old content whole, however much shorter the new one is.
    void writeReplacesTheFileWhole() {
        orqtest::TempFolder folder;
        const QString file = folder.file("ORQDados.csv");
        const QByteArray old = largeContent();
        orqtest::writeBytes(file, old);
        QFile reader(file);
        QVERIFY(reader.open(QIODevice::ReadOnly));
        writeFile(file, "novo\r\n");
        QCOMPARE(reader.readAll(), old);
        QCOMPARE(orqtest::readBytes(file), QByteArray("novo\r\n"));
        QCOMPARE(orqtest::folderNames(folder.path()), QStringList{"ORQDados.csv"});
    }

    // Whatever stops a write, the old file stays byte for byte, nothing is left beside it, and
    // the message is the one an in-place write gave.
    void writeFailureKeepsTheOldFile_data() {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<int>("errnum");
        QTest::newRow("size limit reached midway") << "size limit" << EFBIG;
        QTest::newRow("read-only folder, writable file") << "read-only folder" << EACCES;
        QTest::newRow("held by a reader") << "held" << EWOULDBLOCK;
        QTest::newRow("a folder in its place") << "folder" << EISDIR;
        QTest::newRow("folder does not exist") << "no folder" << ENOENT;
    }
    void writeFailureKeepsTheOldFile() {
        QFETCH(QString, setup);
        QFETCH(int, errnum);
        orqtest::FakeWinePrefix prefix;
        const QString folder = prefix.driveC() + "/ORQ_7";
        const QString native = folder + "/ORQDados.csv";
        QString path = QStringLiteral("c:\\ORQ_7\\ORQDados.csv");
        const QByteArray old = "BASE1,\"05/03/2013 14:07:09\",\"1.234,56\"\r\n";
        orqtest::makeFolder(folder);
        if (setup == "folder")
            orqtest::makeFolder(native);
        else if (setup == "no folder")
            path = QStringLiteral("c:\\ORQ_7\\Falta\\ORQDados.csv");
        else
            orqtest::writeBytes(native, old);
        if (setup == "read-only folder") {
            setMode(prefix.path(), 0755);
            setMode(folder, 0555);
            setMode(native, 0666); // only a write that bypasses a new file could get through
        }
        const QStringList namesBefore = orqtest::folderNames(folder);

        QString message;
        {
            std::optional<orqtest::HeldFile> held;
            std::optional<orqtest::FileSizeLimit> limit;
            std::optional<orqtest::Unprivileged> unprivileged;
            if (setup == "held")
                held.emplace(native, LOCK_SH);
            if (setup == "size limit")
                limit.emplace(4096);
            if (setup == "read-only folder" && !unprivileged.emplace().ok())
                QSKIP("cannot drop root privileges here");
            try {
                writeFile(path, largeContent());
            } catch (const orq::Error& error) {
                message = error.message();
            }
        }
        QCOMPARE(
            message,
            QStringLiteral("Cannot create file \"%1\". %2").arg(path, orqtest::errorText(errnum)));
        if (setup == "folder")
            QVERIFY(QFileInfo(native).isDir());
        else if (setup != "no folder")
            QCOMPARE(orqtest::readBytes(native), old);
        QCOMPARE(orqtest::folderNames(folder), namesBefore);
        if (setup == "read-only folder") // so the scratch folder can go
            setMode(folder, 0755);
    }

    // The new file takes the mode of the file it replaces, whatever the umask; a new file is made
    // as any other, 0666 less the umask.
    void writeKeepsTheMode_data() {
        QTest::addColumn<int>("before"); // -1: no file yet
        QTest::addColumn<int>("umask");
        QTest::addColumn<int>("after");
        QTest::newRow("new file, umask 022") << -1 << 022 << 0644;
        QTest::newRow("new file, umask 077") << -1 << 077 << 0600;
        QTest::newRow("replaced 0640, umask 077") << 0640 << 077 << 0640;
        QTest::newRow("replaced 0604, umask 022") << 0604 << 022 << 0604;
        QTest::newRow("replaced 0600, umask 0") << 0600 << 0 << 0600;
        QTest::newRow("replaced executable") << 0755 << 022 << 0755;
    }
    void writeKeepsTheMode() {
        QFETCH(int, before);
        QFETCH(int, umask);
        QFETCH(int, after);
        orqtest::TempFolder folder;
        const QString file = folder.file("ORQDados.Hosts.txt");
        if (before >= 0) {
            orqtest::writeBytes(file, "c:\\Varnelo\\ORQ_7\r\n");
            setMode(file, mode_t(before));
        }
        const mode_t oldMask = ::umask(mode_t(umask));
        const auto restoreMask = qScopeGuard([oldMask] { ::umask(oldMask); });
        writeFile(file, "\\\\srv01\\c$\r\n");
        QCOMPARE(int(modeOf(file)), after);
        QCOMPARE(orqtest::readBytes(file), QByteArray("\\\\srv01\\c$\r\n"));
    }

    // Root writing a file someone else owns must not take it from them.
    void writeKeepsTheOwner() {
        if (::geteuid() != 0)
            QSKIP("only root can give a file to another user");
        orqtest::TempFolder folder;
        const QString file = folder.file("ORQDados.csv");
        orqtest::writeBytes(file, "antes\r\n");
        QCOMPARE(::chown(QFile::encodeName(file).constData(), 65534, 65534), 0);
        writeFile(file, "depois\r\n");
        struct stat st {};
        QCOMPARE(::stat(QFile::encodeName(file).constData(), &st), 0);
        QCOMPARE(st.st_uid, uid_t(65534));
        QCOMPARE(st.st_gid, gid_t(65534));
    }

    // A link stays a link: the file it points to gets the new content, beside that file.
    void writeThroughALink() {
        orqtest::TempFolder linkFolder, realFolder;
        const QString real = realFolder.file("ORQDados.csv");
        const QString link = linkFolder.file("ORQDados.csv");
        orqtest::writeBytes(real, "antes\r\n");
        QVERIFY(QFile::link(real, link));
        writeFile(link, "depois\r\n");
        QCOMPARE(QFileInfo(link).symLinkTarget(), real);
        QCOMPARE(orqtest::readBytes(real), QByteArray("depois\r\n"));
        QCOMPARE(orqtest::folderNames(linkFolder.path()), QStringList{"ORQDados.csv"});
        QCOMPARE(orqtest::folderNames(realFolder.path()), QStringList{"ORQDados.csv"});
    }
};

QTEST_APPLESS_MAIN(FileSystemTest)
#include "test_system_file_system.moc"
