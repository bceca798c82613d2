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
#include <utility>

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

struct stat statOf(const QString& nativePath) {
    struct stat st {};
    if (::stat(QFile::encodeName(nativePath).constData(), &st) != 0)
        qFatal("cannot stat %s", qPrintable(nativePath));
    return st;
}

// Times to the nanosecond, so a copy that keeps only seconds shows.
void setTimes(const QString& nativePath, timespec access, timespec write) {
    const timespec times[2] = {access, write};
    if (::utimensat(AT_FDCWD, QFile::encodeName(nativePath).constData(), times, 0) != 0)
        qFatal("cannot set the times of %s", qPrintable(nativePath));
}

// Bytes that do not repeat within any buffer a copy may use, so a part copied twice, skipped or
// shifted shows.
QByteArray patterned(qsizetype size) {
    QByteArray bytes(size, Qt::Uninitialized);
    quint32 x = 2463534242u;
    for (qsizetype i = 0; i < size; ++i) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        bytes[i] = char(x >> 24);
    }
    return bytes;
}

// Larger than two of the copy's own buffers (4 MiB) and not a multiple of one.
constexpr qsizetype severalBuffers = (qsizetype(8) << 20) + 4321;

// A folder on a file system other than the one `than` is on, so the kernel will not copy between
// them (copy_file_range says EXDEV) and the copy runs through its own buffers; empty when this
// machine has none.
QString otherFileSystemThan(const QString& than) {
    struct stat here {};
    struct stat shm {};
    if (::stat("/dev/shm", &shm) != 0 || !S_ISDIR(shm.st_mode) ||
        ::stat(QFile::encodeName(than).constData(), &here) != 0 || here.st_dev == shm.st_dev)
        return QString();
    return QStringLiteral("/dev/shm");
}

// What is at a path, to see that a failed operation left it as it was.
QString describe(const QString& nativePath) {
    const QFileInfo info(nativePath);
    if (info.isDir())
        return "folder: " + orqtest::folderNames(nativePath).join(u',');
    if (info.exists())
        return "file: " + QString::fromLatin1(orqtest::readBytes(nativePath).toHex());
    return "missing";
}

using Reports = QList<std::pair<qint64, qint64>>;

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

    // A write or copy killed between making its temporary file and renaming it leaves that file
    // beside the target; the next write or copy to the same target removes it, unless a write in
    // progress holds it, and leaves the leftovers of other targets to their own next write.
    void leftoversOfKilledWritesAreCleared_data() {
        QTest::addColumn<bool>("copy");
        QTest::newRow("write") << false;
        QTest::newRow("copy") << true;
    }
    void leftoversOfKilledWritesAreCleared() {
        QFETCH(bool, copy);
        orqtest::TempFolder folder;
        orqtest::TempFolder sources;
        const QString target = folder.file("ORQDados.csv");
        const QString other = folder.file("ORQDados.Hosts.txt");
        const QString source = sources.file("ORQ.FDB");
        orqtest::writeBytes(target, "antes");
        orqtest::writeBytes(other, "c:\\Varnelo\\ORQ_7\r\n");
        orqtest::writeBytes(source, largeContent());
        const auto toTarget = [&] {
            if (copy)
                QCOMPARE(copyFile(source, target, false).error(), 0);
            else
                writeFile(target, largeContent());
        };
        const auto leftovers = [&](const QString& of) {
            QStringList names;
            for (const QString& name : orqtest::folderNames(folder.path())) {
                if (name.startsWith(u'.' + of + u'.'))
                    names << name;
            }
            return names;
        };
        QVERIFY(orqtest::killedBySizeLimit(toTarget, 4096));
        QCOMPARE(leftovers("ORQDados.csv").size(), 1);
        // Even a write that is killed itself has cleared the one before.
        QVERIFY(orqtest::killedBySizeLimit(toTarget, 4096));
        const QStringList targetLeftovers = leftovers("ORQDados.csv");
        QCOMPARE(targetLeftovers.size(), 1);
        QVERIFY(orqtest::killedBySizeLimit([&] { writeFile(other, largeContent()); }, 4096));
        const QStringList otherLeftovers = leftovers("ORQDados.Hosts.txt");
        QCOMPARE(otherLeftovers.size(), 1);
        QCOMPARE(orqtest::readBytes(target), QByteArray("antes"));
        const QStringList files{"ORQDados.Hosts.txt", "ORQDados.csv"};
        const auto sorted = [](QStringList names) {
            names.sort();
            return names;
        };

        {
            const orqtest::HeldFile inProgress(folder.file(targetLeftovers[0]), LOCK_EX);
            toTarget();
            QCOMPARE(orqtest::folderNames(folder.path()),
                     sorted(QStringList{targetLeftovers[0]} + otherLeftovers + files));
        }
        toTarget();
        QVERIFY(orqtest::readBytes(target) == largeContent());
        QCOMPARE(orqtest::folderNames(folder.path()), sorted(otherLeftovers + files));
        writeFile(other, "c:\\ORQ\r\n");
        QCOMPARE(orqtest::folderNames(folder.path()), files);
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

    // The copy is the source byte for byte with its times and mode, whatever the umask, through
    // the kernel's copy on one file system and through the copy's own buffers across two; the
    // progress goes from (0, size) to (size, size) without going back, and nothing else is left
    // beside the copy.
    void copyKeepsContentTimesAndMode_data() {
        QTest::addColumn<qsizetype>("size");
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("acrossFileSystems");
        for (const bool across : {false, true}) {
            const char* where = across ? ", across file systems" : "";
            QTest::addRow("empty%s", where) << qsizetype(0) << 0644 << across;
            QTest::addRow("small%s", where) << qsizetype(1000) << 0640 << across;
            QTest::addRow("several buffers%s", where) << severalBuffers << 0755 << across;
        }
    }
    void copyKeepsContentTimesAndMode() {
        QFETCH(qsizetype, size);
        QFETCH(int, mode);
        QFETCH(bool, acrossFileSystems);
        orqtest::FakeWinePrefix prefix;
        const QString targetFolder = prefix.driveC() + "/ORQ_DADOS/COPIA";
        orqtest::makeFolder(targetFolder);
        std::optional<orqtest::TempFolder> otherFolder;
        QString source = QStringLiteral("c:\\ORQ_DADOS\\BASE1\\ORQ.FDB");
        QString nativeSource = prefix.driveC() + "/ORQ_DADOS/BASE1/ORQ.FDB";
        if (acrossFileSystems) {
            const QString other = otherFileSystemThan(targetFolder);
            if (other.isEmpty())
                QSKIP("no file system other than the temporary folder's here");
            otherFolder.emplace(other);
            source = nativeSource = otherFolder->file("ORQ.FDB"); // a native path is taken as is
        } else {
            orqtest::makeFolder(prefix.driveC() + "/ORQ_DADOS/BASE1");
        }
        const QByteArray content = patterned(size);
        orqtest::writeBytes(nativeSource, content);
        setMode(nativeSource, mode_t(mode));
        const timespec accessed{1362503229, 123456789}; // 2013-03-05 17:07:09.123456789 UTC
        const timespec written{1362496029, 987654321};
        setTimes(nativeSource, accessed, written);

        const mode_t oldMask = ::umask(077);
        const auto restoreMask = qScopeGuard([oldMask] { ::umask(oldMask); });
        Reports reports;
        const Status status =
            copyFile(source, "c:\\ORQ_DADOS\\COPIA\\ORQ.FDB", true, [&](qint64 done, qint64 total) {
                reports.append({done, total});
                return true;
            });
        QCOMPARE(status.error(), 0);

        const QString target = targetFolder + "/ORQ.FDB";
        const struct stat st = statOf(target); // before reading it moves the access time
        QCOMPARE(st.st_mtim.tv_sec, written.tv_sec);
        QCOMPARE(st.st_mtim.tv_nsec, written.tv_nsec);
        QCOMPARE(st.st_atim.tv_sec, accessed.tv_sec);
        QCOMPARE(st.st_atim.tv_nsec, accessed.tv_nsec);
        QCOMPARE(int(st.st_mode & 07777), mode);
        QVERIFY(S_ISREG(st.st_mode));
        QVERIFY(orqtest::readBytes(target) == content); // QCOMPARE would print megabytes
        QCOMPARE(orqtest::folderNames(targetFolder), QStringList{"ORQ.FDB"});

        QVERIFY(reports.size() >= 2);
        QCOMPARE(reports.first(), std::make_pair(qint64(0), qint64(size)));
        QCOMPARE(reports.last(), std::make_pair(qint64(size), qint64(size)));
        for (qsizetype i = 1; i < reports.size(); ++i) {
            QCOMPARE(reports[i].second, qint64(size));
            QVERIFY2(reports[i].first >= reports[i - 1].first, "progress went back");
        }
    }

    // failIfExists leaves a target alone whether it was there before the copy (then nothing is
    // copied at all) or appeared while the copy ran; without it the target is replaced and takes
    // the source's mode, not its own.
    void copyOntoAnExistingTarget_data() {
        QTest::addColumn<bool>("failIfExists");
        QTest::addColumn<bool>("appearsDuringCopy");
        QTest::addColumn<int>("errnum");
        QTest::newRow("fail if exists, target there before") << true << false << EEXIST;
        QTest::newRow("fail if exists, target appears during the copy") << true << true << EEXIST;
        QTest::newRow("replace, target there before") << false << false << 0;
        QTest::newRow("replace, target appears during the copy") << false << true << 0;
    }
    void copyOntoAnExistingTarget() {
        QFETCH(bool, failIfExists);
        QFETCH(bool, appearsDuringCopy);
        QFETCH(int, errnum);
        orqtest::FakeWinePrefix prefix;
        const QString folder = prefix.driveC() + "/ORQ_DADOS";
        const QString target = folder + "/COPIA.FDB";
        const QByteArray content = patterned(70000);
        const QByteArray old = "outra base";
        orqtest::makeFolder(folder);
        orqtest::writeBytes(folder + "/ORQ.FDB", content);
        setMode(folder + "/ORQ.FDB", 0644);
        const auto putOld = [&] {
            orqtest::writeBytes(target, old);
            setMode(target, 0600);
        };
        if (!appearsDuringCopy)
            putOld();

        int reports = 0;
        const Status status = copyFile("c:\\ORQ_DADOS\\ORQ.FDB", "c:\\ORQ_DADOS\\COPIA.FDB",
                                       failIfExists, [&](qint64, qint64) {
                                           if (reports++ == 0 && appearsDuringCopy)
                                               putOld();
                                           return true;
                                       });
        QCOMPARE(status.error(), errnum);
        if (errnum != 0) {
            QCOMPARE(orqtest::readBytes(target), old);
            QCOMPARE(int(modeOf(target)), 0600);
            if (!appearsDuringCopy)
                QCOMPARE(reports, 0);
        } else {
            QVERIFY(orqtest::readBytes(target) == content);
            QCOMPARE(int(modeOf(target)), 0644);
        }
        QCOMPARE(orqtest::folderNames(folder), (QStringList{"COPIA.FDB", "ORQ.FDB"}));
    }

    // Whatever stops a copy, the target is as it was (the old file byte for byte, or nothing) and
    // no temporary file is left beside it.
    void copyFailureLeavesTheTargetAsItWas_data() {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<bool>("acrossFileSystems");
        QTest::addColumn<bool>("oldTarget");
        QTest::addColumn<qsizetype>("size");
        QTest::addColumn<int>("errnum");
        const qsizetype small = 5000, overLimit = (qsizetype(2) << 20) + 777;
        QTest::newRow("cancelled at the start")
            << "cancel at 1" << false << true << small << ECANCELED;
        QTest::newRow("cancelled after the first report")
            << "cancel at 2" << false << false << small << ECANCELED;
        QTest::newRow("cancelled after the first buffer, across file systems")
            << "cancel at 2" << true << true << severalBuffers << ECANCELED;
        QTest::newRow("size limit reached midway")
            << "size limit" << false << true << overLimit << EFBIG;
        QTest::newRow("size limit reached midway, across file systems")
            << "size limit" << true << true << overLimit << EFBIG;
        QTest::newRow("read-only target folder, writable target")
            << "read-only folder" << false << true << small << EACCES;
        QTest::newRow("source missing") << "no source" << false << true << small << ENOENT;
        QTest::newRow("source is a folder") << "folder source" << false << false << small << EISDIR;
        QTest::newRow("source is a pipe") << "pipe source" << false << false << small << EINVAL;
        QTest::newRow("target folder missing")
            << "no target folder" << false << false << small << ENOENT;
        QTest::newRow("a folder in the target's place")
            << "folder target" << false << false << small << EISDIR;
    }
    void copyFailureLeavesTheTargetAsItWas() {
        QFETCH(QString, setup);
        QFETCH(bool, acrossFileSystems);
        QFETCH(bool, oldTarget);
        QFETCH(qsizetype, size);
        QFETCH(int, errnum);
        orqtest::FakeWinePrefix prefix;
        const QString targetFolder = prefix.driveC() + "/ORQ_DADOS/COPIA";
        QString target = QStringLiteral("c:\\ORQ_DADOS\\COPIA\\ORQ.FDB");
        QString source = QStringLiteral("c:\\ORQ_DADOS\\BASE1\\ORQ.FDB");
        QString nativeSource = prefix.driveC() + "/ORQ_DADOS/BASE1/ORQ.FDB";
        const QString nativeTarget = targetFolder + "/ORQ.FDB";
        orqtest::makeFolder(prefix.driveC() + "/ORQ_DADOS/BASE1");
        orqtest::makeFolder(targetFolder);
        std::optional<orqtest::TempFolder> otherFolder;
        if (acrossFileSystems) {
            const QString other = otherFileSystemThan(targetFolder);
            if (other.isEmpty())
                QSKIP("no file system other than the temporary folder's here");
            otherFolder.emplace(other);
            source = nativeSource = otherFolder->file("ORQ.FDB");
        }
        if (setup == "folder source")
            orqtest::makeFolder(nativeSource);
        else if (setup == "pipe source")
            QCOMPARE(::mkfifo(QFile::encodeName(nativeSource).constData(), 0644), 0);
        else if (setup != "no source")
            orqtest::writeBytes(nativeSource, patterned(size));
        if (setup == "no target folder")
            target = QStringLiteral("c:\\ORQ_DADOS\\FALTA\\ORQ.FDB");
        if (setup == "folder target")
            orqtest::makeFolder(nativeTarget + "/BASE");
        const QByteArray old = "a base de antes";
        if (oldTarget)
            orqtest::writeBytes(nativeTarget, old);
        if (setup == "read-only folder") {
            setMode(prefix.path(), 0755);
            setMode(targetFolder, 0555);
            setMode(nativeTarget, 0666); // only a copy written in place could get through
        }
        const QString before = describe(nativeTarget);
        const QStringList namesBefore = orqtest::folderNames(targetFolder);

        int reports = 0;
        const int cancelAt = setup.startsWith("cancel at ") ? setup.back().digitValue() : 0;
        Status status;
        {
            std::optional<orqtest::FileSizeLimit> limit;
            std::optional<orqtest::Unprivileged> unprivileged;
            if (setup == "size limit")
                limit.emplace(1 << 20);
            if (setup == "read-only folder" && !unprivileged.emplace().ok())
                QSKIP("cannot drop root privileges here");
            status = copyFile(source, target, false,
                              [&](qint64, qint64) { return ++reports != cancelAt; });
        }
        if (setup == "read-only folder") // so the scratch folder can go
            setMode(targetFolder, 0755);
        QCOMPARE(status.error(), errnum);
        if (cancelAt > 0)
            QCOMPARE(reports, cancelAt); // not asked again once told to stop
        QCOMPARE(describe(nativeTarget), before);
        QCOMPARE(orqtest::folderNames(targetFolder), namesBefore);
        QVERIFY(!QFileInfo::exists(prefix.driveC() + "/ORQ_DADOS/FALTA"));
        if (otherFolder)
            QCOMPARE(orqtest::folderNames(otherFolder->path()), QStringList{"ORQ.FDB"});
    }

    // A move never replaces what is at the target, a folder as little as a file: a plain rename
    // would put a folder over an empty one. Whatever fails leaves both sides as they were.
    void moveNeverReplaces_data() {
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        QTest::addColumn<int>("errnum");
        QTest::newRow("file") << "c:\\ORQ_DADOS\\leia-me.txt"
                              << "c:\\ORQ_DADOS\\novo.txt" << 0;
        QTest::newRow("file into another folder") << "c:\\ORQ_DADOS\\leia-me.txt"
                                                  << "c:\\ORQ_DADOS\\BASE2\\leia-me.txt" << 0;
        QTest::newRow("folder") << "c:\\ORQ_DADOS\\BASE1"
                                << "c:\\ORQ_DADOS\\BASE3" << 0;
        QTest::newRow("file onto a file") << "c:\\ORQ_DADOS\\leia-me.txt"
                                          << "c:\\ORQ_DADOS\\outro.txt" << EEXIST;
        QTest::newRow("folder onto an empty folder") << "c:\\ORQ_DADOS\\BASE1"
                                                     << "c:\\ORQ_DADOS\\BASE2" << EEXIST;
        QTest::newRow("file onto a folder") << "c:\\ORQ_DADOS\\leia-me.txt"
                                            << "c:\\ORQ_DADOS\\BASE2" << EEXIST;
        QTest::newRow("source missing") << "c:\\ORQ_DADOS\\falta.txt"
                                        << "c:\\ORQ_DADOS\\novo.txt" << ENOENT;
        QTest::newRow("target folder missing") << "c:\\ORQ_DADOS\\leia-me.txt"
                                               << "c:\\ORQ_DADOS\\FALTA\\leia-me.txt" << ENOENT;
    }
    void moveNeverReplaces() {
        QFETCH(QString, from);
        QFETCH(QString, to);
        QFETCH(int, errnum);
        orqtest::FakeWinePrefix prefix;
        const QString dados = prefix.driveC() + "/ORQ_DADOS";
        orqtest::makeFolder(dados + "/BASE1");
        orqtest::makeFolder(dados + "/BASE2");
        orqtest::writeBytes(dados + "/BASE1/ORQ.FDB", "base");
        orqtest::writeBytes(dados + "/leia-me.txt", "leia");
        orqtest::writeBytes(dados + "/outro.txt", "outro");
        const auto native = [&](const QString& path) {
            return prefix.driveC() + QString(path).sliced(2).replace(u'\\', u'/');
        };
        const QString fromBefore = describe(native(from));
        const QString toBefore = describe(native(to));

        QCOMPARE(orq::sys::moveFile(from, to).error(), errnum);
        if (errnum == 0) {
            QCOMPARE(describe(native(to)), fromBefore);
            QCOMPARE(describe(native(from)), QStringLiteral("missing"));
        } else {
            QCOMPARE(describe(native(from)), fromBefore);
            QCOMPARE(describe(native(to)), toBefore);
        }
    }

    // "<c>" stands for the native folder of drive c:, and d: is mapped to the same folder.
    void sameFileThroughAnySpelling_data() {
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::addColumn<bool>("same");
        const QString file = "c:\\ORQ_7\\ORQ.FDB";
        QTest::newRow("same path") << file << file << true;
        QTest::newRow("with a dot") << file << "c:\\ORQ_7\\.\\ORQ.FDB" << true;
        QTest::newRow("doubled separator") << file << "c:\\ORQ_7\\\\ORQ.FDB" << true;
        QTest::newRow("through the parent") << file << "c:\\ORQ_7\\..\\ORQ_7\\ORQ.FDB" << true;
        QTest::newRow("drive letter case") << file << "C:\\ORQ_7\\ORQ.FDB" << true;
        QTest::newRow("native form") << file << "<c>/ORQ_7/ORQ.FDB" << true;
        QTest::newRow("mapped drive") << file << "d:\\ORQ_7\\ORQ.FDB" << true;
        QTest::newRow("symbolic link") << file << "c:\\ORQ_7\\atalho.FDB" << true;
        QTest::newRow("hard link") << "c:\\ORQ_7\\duro.FDB" << file << true;
        QTest::newRow("folder") << "c:\\ORQ_7"
                                << "c:\\ORQ_7\\" << true;
        QTest::newRow("two files, same content") << file << "c:\\ORQ_7\\OUTRO.FDB" << false;
        QTest::newRow("one missing") << file << "c:\\ORQ_7\\FALTA.FDB" << false;
        QTest::newRow("both missing, same path") << "c:\\ORQ_7\\FALTA.FDB"
                                                 << "c:\\ORQ_7\\FALTA.FDB" << false;
        QTest::newRow("dangling link, same path") << "c:\\ORQ_7\\quebrado"
                                                  << "c:\\ORQ_7\\quebrado" << false;
    }
    void sameFileThroughAnySpelling() {
        QFETCH(QString, a);
        QFETCH(QString, b);
        QFETCH(bool, same);
        orqtest::FakeWinePrefix prefix;
        const QString folder = prefix.driveC() + "/ORQ_7";
        orqtest::makeFolder(folder);
        orqtest::writeBytes(folder + "/ORQ.FDB", "dados");
        orqtest::writeBytes(folder + "/OUTRO.FDB", "dados");
        QVERIFY(QFile::link(folder + "/ORQ.FDB", folder + "/atalho.FDB"));
        QVERIFY(QFile::link(folder + "/FALTA.FDB", folder + "/quebrado"));
        QCOMPARE(::link(QFile::encodeName(folder + "/ORQ.FDB").constData(),
                        QFile::encodeName(folder + "/duro.FDB").constData()),
                 0);
        QVERIFY(QFile::link(prefix.driveC(), prefix.path() + "/dosdevices/d:"));
        a.replace("<c>", prefix.driveC());
        b.replace("<c>", prefix.driveC());
        QCOMPARE(orq::sys::sameFile(a, b), same);
        QCOMPARE(orq::sys::sameFile(b, a), same);
    }

    // One level, with the mode the umask leaves, and never over anything already there.
    void createFolderOneLevel_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("errnum");
        QTest::newRow("new folder") << "c:\\ORQ_DADOS\\BASE2" << 0;
        QTest::newRow("with a trailing separator") << "c:\\ORQ_DADOS\\BASE2\\" << 0;
        QTest::newRow("folder exists") << "c:\\ORQ_DADOS\\BASE1" << EEXIST;
        QTest::newRow("a file in its place") << "c:\\ORQ_DADOS\\leia-me.txt" << EEXIST;
        QTest::newRow("parent missing") << "c:\\ORQ_DADOS\\FALTA\\BASE2" << ENOENT;
    }
    void createFolderOneLevel() {
        QFETCH(QString, path);
        QFETCH(int, errnum);
        orqtest::FakeWinePrefix prefix;
        const QString dados = prefix.driveC() + "/ORQ_DADOS";
        orqtest::makeFolder(dados + "/BASE1");
        orqtest::writeBytes(dados + "/BASE1/ORQ.FDB", "base");
        orqtest::writeBytes(dados + "/leia-me.txt", "leia");
        const QString before = describe(dados + "/BASE1") + describe(dados + "/leia-me.txt");
        const QStringList namesBefore = orqtest::folderNames(dados);

        // Not 022, so a mode of its own (0755) shows.
        const mode_t oldMask = ::umask(002);
        const Status status = orq::sys::createFolder(path);
        ::umask(oldMask);
        QCOMPARE(status.error(), errnum);
        if (errnum == 0) {
            QCOMPARE(orqtest::folderNames(dados), (QStringList{"BASE1", "BASE2", "leia-me.txt"}));
            QVERIFY(QFileInfo(dados + "/BASE2").isDir());
            QCOMPARE(int(modeOf(dados + "/BASE2")), 0775);
        } else {
            QCOMPARE(orqtest::folderNames(dados), namesBefore);
            QCOMPARE(describe(dados + "/BASE1") + describe(dados + "/leia-me.txt"), before);
        }
    }
};

QTEST_APPLESS_MAIN(FileSystemTest)
#include "test_system_file_system.moc"
