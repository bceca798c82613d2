// The program's writes on a disk that is full, out of inodes, past the file size limit or
// read-only: each write fails with the system's reason (orqcon.ini with the profile calls' own
// words), the old file stays byte for byte, nothing is left beside it, and once the disk takes
// files again the next write goes through. The disks are small tmpfs mounts in a mount namespace
// of this process's own, so nothing outside the test sees them; tests run as root, whom
// permissions do not stop, so a read-only mount is what refuses writes.
#include "ReliabilityBench.h"
#include "TestSupport.h"

#include "catalogue/BaseScan.h"
#include "system/Error.h"
#include "system/TextEncoding.h"

#include <QFile>
#include <QtTest>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>

using namespace orqtest;

namespace {

const QDateTime kWhen(QDate(2013, 3, 5), QTime(14, 7, 9), Qt::UTC);

bool writeText(const char* path, const QByteArray& text) {
    QFile file(QString::fromLatin1(path));
    return file.open(QIODevice::WriteOnly) && file.write(text) == text.size();
}

// Moves this process into a mount namespace of its own whose mounts reach no one else: as root
// directly, else (or where root may not) inside a user namespace of its own. Empty on success,
// else why not.
QString enterPrivateMounts() {
    const uid_t uid = ::geteuid();
    const gid_t gid = ::getegid();
    if (uid != 0 || ::unshare(CLONE_NEWNS) != 0) {
        if (::unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0)
            return QStringLiteral("neither root nor a user namespace may make a mount "
                                  "namespace here (%1)")
                .arg(errorText(errno));
        if (!writeText("/proc/self/setgroups", "deny") ||
            !writeText("/proc/self/uid_map",
                       QByteArray::number(uid) + ' ' + QByteArray::number(uid) + " 1") ||
            !writeText("/proc/self/gid_map",
                       QByteArray::number(gid) + ' ' + QByteArray::number(gid) + " 1"))
            return QStringLiteral("cannot map this user into its user namespace");
    }
    if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
        return QStringLiteral("cannot make the mounts private (%1)").arg(errorText(errno));
    return QString();
}

// A tmpfs of its own for the scope, this small, with this many inodes.
class SmallDisk {
public:
    explicit SmallDisk(const QByteArray& options) {
        m_mounted = ::mount("tmpfs", QFile::encodeName(path()).constData(), "tmpfs",
                            MS_NOSUID | MS_NODEV, options.constData()) == 0;
        if (!m_mounted)
            qFatal("cannot mount a tmpfs on %s: %s", qPrintable(path()), std::strerror(errno));
    }
    ~SmallDisk() {
        if (m_mounted && ::umount2(QFile::encodeName(path()).constData(), MNT_DETACH) != 0)
            qFatal("cannot unmount %s", qPrintable(path()));
    }
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;

    QString path() const { return m_mountPoint.path(); }

    void setReadOnly(bool readOnly) {
        const unsigned long flags =
            MS_REMOUNT | MS_BIND | MS_NOSUID | MS_NODEV | (readOnly ? MS_RDONLY : 0);
        if (::mount(nullptr, QFile::encodeName(path()).constData(), nullptr, flags, nullptr) != 0)
            qFatal("cannot remount %s: %s", qPrintable(path()), std::strerror(errno));
    }

    // Takes every free block, or every free inode, with files of its own; the next file or byte
    // written anywhere on the disk fails.
    void fill(bool inodes) {
        if (inodes) {
            for (int i = 0;; ++i) {
                const QString name = path() + QStringLiteral("/vazio%1").arg(i);
                const int fd = ::open(QFile::encodeName(name).constData(),
                                      O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
                if (fd < 0) {
                    if (errno != ENOSPC)
                        qFatal("cannot fill %s: %s", qPrintable(path()), std::strerror(errno));
                    return;
                }
                ::close(fd);
                m_fillers << name;
            }
        }
        const QString name = path() + QStringLiteral("/enchimento");
        const int fd =
            ::open(QFile::encodeName(name).constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
        if (fd < 0)
            qFatal("cannot fill %s: %s", qPrintable(path()), std::strerror(errno));
        m_fillers << name;
        const QByteArray chunk(65536, 'x');
        while (::write(fd, chunk.constData(), size_t(chunk.size())) > 0) {
        }
        const int error = errno;
        ::close(fd);
        if (error != ENOSPC)
            qFatal("cannot fill %s: %s", qPrintable(path()), std::strerror(error));
    }

    void freeSpace() {
        for (const QString& name : std::exchange(m_fillers, {})) {
            if (::unlink(QFile::encodeName(name).constData()) != 0)
                qFatal("cannot remove %s", qPrintable(name));
        }
    }

private:
    TempFolder m_mountPoint;
    bool m_mounted = false;
    QStringList m_fillers;
};

} // namespace

class DisksTest : public QObject {
    Q_OBJECT

public:
    explicit DisksTest(QString noMounts) : m_noMounts(std::move(noMounts)) {}

private slots:
    void failedWriteKeepsTheOldFile_data() {
        QTest::addColumn<QString>("condition");
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("errnum");
        const std::pair<const char*, int> conditions[] = {
            {"disk full", ENOSPC},
            {"no inode left", ENOSPC},
            {"file size limit", EFBIG},
            {"read-only disk", EROFS},
        };
        for (const auto& [condition, errnum] : conditions) {
            for (const char* file : {"ini", "hosts", "catalogue"})
                QTest::addRow("%s, %s", condition, file) << condition << file << errnum;
        }
    }
    void failedWriteKeepsTheOldFile() {
        QFETCH(QString, condition);
        QFETCH(QString, file);
        QFETCH(int, errnum);
        const WrittenFile kind = *writtenFileNamed(file);
        const bool onDisk = condition != QStringLiteral("file size limit");
        if (onDisk && !m_noMounts.isEmpty())
            QSKIP(qPrintable(m_noMounts));
        std::optional<SmallDisk> disk;
        std::optional<TempFolder> folder;
        if (onDisk)
            disk.emplace("size=512k,nr_inodes=64,mode=0755");
        else
            folder.emplace();
        const QString top = onDisk ? disk->path() : folder->path();
        makeFolder(top + QStringLiteral("/programa"));
        Bench bench(top + QStringLiteral("/programa"), top + QStringLiteral("/raiz"));
        makeBase(bench.root, iniBase(0), 1024, kWhen);
        makeBase(bench.root, iniBase(1), 2048, kWhen);
        prepare(WrittenFile::Ini, bench);
        prepare(WrittenFile::Hosts, bench);
        bench.chooser.open(bench.root);
        bench.chooser.loadHosts();
        QVERIFY(bench.notices.isEmpty());

        const QString path = bench.pathOf(kind);
        const QByteArray before = readBytes(path);
        const QStringList namesBefore = folderNames(bench.folderOf(kind));
        const auto write = [&] {
            switch (kind) {
            case WrittenFile::Ini:
                bench.enter(iniBase(1));
                break;
            case WrittenFile::Hosts:
                bench.chooser.rememberRoot(hostRoot(int(bench.chooser.knownRoots().size())));
                break;
            case WrittenFile::Catalogue:
                bench.chooser.refresh(bench.root, QString());
                break;
            }
        };

        QString message;
        {
            std::optional<FileSizeLimit> limit;
            if (condition == QStringLiteral("disk full"))
                disk->fill(false);
            else if (condition == QStringLiteral("no inode left"))
                disk->fill(true);
            else if (condition == QStringLiteral("read-only disk"))
                disk->setReadOnly(true);
            else
                limit.emplace(64);
            try {
                write();
            } catch (const orq::Error& error) {
                message = error.message();
            }
        }
        // The catalogue is only a cache: the bases are listed and the failure is told.
        if (kind == WrittenFile::Catalogue) {
            QStringList names = bench.names();
            names.sort();
            QCOMPARE(names, (QStringList{iniBase(0), iniBase(1)}));
            QCOMPARE(bench.notices.size(), 1);
            message = bench.notices.takeFirst();
        }
        const QString shown =
            kind == WrittenFile::Catalogue ? orq::catalogueFilePath(bench.root) : path;
        QCOMPARE(
            message,
            kind == WrittenFile::Ini
                ? QStringLiteral("Unable to write to ") + shown
                : QStringLiteral("Cannot create file \"%1\". %2").arg(shown, errorText(errnum)));
        QCOMPARE(readBytes(path), before);
        QCOMPARE(folderNames(bench.folderOf(kind)), namesBefore);

        if (disk) {
            disk->freeSpace();
            disk->setReadOnly(false);
        }
        write();
        QVERIFY(bench.notices.isEmpty());
        QCOMPARE(folderNames(bench.folderOf(kind)), namesBefore);
        switch (kind) {
        case WrittenFile::Ini:
            QCOMPARE(readBytes(path), iniWithBase(iniBase(1)));
            break;
        case WrittenFile::Hosts:
            // The root that could not be saved stayed known, and is saved now too.
            QCOMPARE(readBytes(path), hostsWithRoots(22));
            break;
        case WrittenFile::Catalogue: {
            // In the order the disk lists the folders.
            QList<QByteArray> lines = readBytes(path).split('\n');
            std::sort(lines.begin(), lines.end());
            QCOMPARE(lines, (QList<QByteArray>{
                                "", "\"Base B, S\xE3o Paulo\",\"05/03/2013 14:07:09\",\"2,00\"\r",
                                "BASE_A,\"05/03/2013 14:07:09\",\"1,00\"\r"}));
            break;
        }
        }
    }

private:
    QString m_noMounts;
};

// The namespaces come before the application and the test library's watchdog: a process may enter
// a user namespace only while it has one thread.
int main(int argc, char** argv) {
    QString noMounts = enterPrivateMounts();
    QCoreApplication app(argc, argv);
    DisksTest test(std::move(noMounts));
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "test_reliability_disks.moc"
