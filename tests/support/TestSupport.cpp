#include "TestSupport.h"

#include "catalogue/ProductFiles.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QtTest>

#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <grp.h>
#include <sys/file.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utime.h>

namespace orqtest {

TempFolder::TempFolder() {
    if (!m_dir.isValid())
        qFatal("cannot create a temporary folder");
}

TempFolder::TempFolder(const QString& parentFolder)
    : m_dir(parentFolder + QStringLiteral("/orqtest-XXXXXX")) {
    if (!m_dir.isValid())
        qFatal("cannot create a temporary folder in %s", qPrintable(parentFolder));
}

void writeBytes(const QString& nativePath, const QByteArray& bytes) {
    QFile file(nativePath);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(nativePath));
}

QByteArray readBytes(const QString& nativePath) {
    QFile file(nativePath);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.readAll();
}

void makeFolder(const QString& nativePath) {
    if (!QDir().mkpath(nativePath))
        qFatal("cannot create %s", qPrintable(nativePath));
}

QStringList folderNames(const QString& nativeFolder) {
    return QDir(nativeFolder)
        .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                   QDir::Name);
}

QMap<QString, QString> folderSnapshot(const QString& nativeFolder) {
    QMap<QString, QString> entries;
    QDirIterator it(nativeFolder,
                    QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QFileInfo info = it.fileInfo();
        QString what;
        if (info.isSymLink()) {
            what = QStringLiteral("link to ") + info.symLinkTarget();
        } else if (info.isDir()) {
            what = QStringLiteral("folder");
        } else {
            QFile file(path);
            QCryptographicHash digest(QCryptographicHash::Sha1);
            if (file.open(QIODevice::ReadOnly))
                digest.addData(&file);
            what = QStringLiteral("file %1 %2")
                       .arg(info.size())
                       .arg(QString::fromLatin1(digest.result().toHex()));
        }
        entries.insert(path.mid(nativeFolder.size() + 1), what);
    }
    return entries;
}

void setLastWrite(const QString& nativePath, const QDateTime& when) {
    utimbuf times{};
    times.actime = time_t(when.toSecsSinceEpoch());
    times.modtime = time_t(when.toSecsSinceEpoch());
    if (::utime(QFile::encodeName(nativePath).constData(), &times) != 0)
        qFatal("cannot set the time of %s", qPrintable(nativePath));
}

ScopedEnvironment::ScopedEnvironment(const char* name, const QByteArray& value)
    : m_name(name), m_old(qgetenv(name)), m_hadOld(qEnvironmentVariableIsSet(name)) {
    if (value.isNull())
        qunsetenv(name);
    else
        qputenv(name, value);
}

ScopedEnvironment::~ScopedEnvironment() {
    if (m_hadOld)
        qputenv(m_name.constData(), m_old);
    else
        qunsetenv(m_name.constData());
}

FakeWinePrefix::FakeWinePrefix() : m_prefix("WINEPREFIX", QFile::encodeName(m_folder.path())) {
    makeFolder(driveC());
}

namespace {
constexpr uid_t nobody = 65534;
constexpr gid_t nogroup = 65534;
} // namespace

Unprivileged::Unprivileged() {
    if (::geteuid() != 0)
        return;
    // Root's groups go too, or a root-owned file's group bits would still decide. The saved ids
    // stay 0, which is what allows the way back.
    const int count = ::getgroups(0, nullptr);
    m_groups.resize(count > 0 ? count : 0);
    if (count > 0 && ::getgroups(count, m_groups.data()) != count)
        m_ok = false;
    m_ok = m_ok && ::setgroups(0, nullptr) == 0 && ::setresgid(nogroup, nogroup, 0) == 0 &&
           ::setresuid(nobody, nobody, 0) == 0;
    m_switched = true;
    if (!m_ok)
        restore();
}

Unprivileged::~Unprivileged() {
    if (m_switched)
        restore();
}

void Unprivileged::restore() {
    m_switched = false;
    if (::setresuid(0, 0, 0) != 0 || ::setresgid(0, 0, 0) != 0 ||
        ::setgroups(m_groups.size(), m_groups.data()) != 0)
        qFatal("cannot take back the root user");
}

HeldFile::HeldFile(const QString& nativePath, int operation)
    : m_fd(::open(QFile::encodeName(nativePath).constData(), O_RDWR | O_CLOEXEC)) {
    if (m_fd < 0 || ::flock(m_fd, operation | LOCK_NB) != 0)
        qFatal("cannot lock %s", qPrintable(nativePath));
}

HeldFile::~HeldFile() {
    ::close(m_fd);
}

FileSizeLimit::FileSizeLimit(rlim_t bytes) {
    if (::getrlimit(RLIMIT_FSIZE, &m_old) != 0)
        qFatal("cannot read the file size limit");
    m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit = m_old;
    limit.rlim_cur = bytes;
    if (::setrlimit(RLIMIT_FSIZE, &limit) != 0)
        qFatal("cannot set the file size limit");
}

FileSizeLimit::~FileSizeLimit() {
    if (::setrlimit(RLIMIT_FSIZE, &m_old) != 0)
        qFatal("cannot restore the file size limit");
    std::signal(SIGXFSZ, m_oldHandler);
}

bool killedBySizeLimit(const std::function<void()>& work, rlim_t bytes) {
    const pid_t child = ::fork();
    if (child < 0)
        qFatal("cannot fork");
    if (child == 0) {
        // No core file for the test to find beside it.
        const rlimit noCore{0, 0};
        const rlimit limit{bytes, bytes};
        std::signal(SIGXFSZ, SIG_DFL);
        if (::setrlimit(RLIMIT_CORE, &noCore) == 0 && ::setrlimit(RLIMIT_FSIZE, &limit) == 0) {
            try {
                work();
            } catch (...) {
            }
        }
        ::_exit(0);
    }
    int status = 0;
    if (::waitpid(child, &status, 0) != child)
        qFatal("cannot wait for the child");
    return WIFSIGNALED(status) && WTERMSIG(status) == SIGXFSZ;
}

QString errorText(int errnum) {
    return QString::fromLocal8Bit(std::strerror(errnum));
}

void makeBase(const QString& root, const QString& name, qint64 size, const QDateTime& lastWrite) {
    const QString folder = root + u'/' + orq::product::BasesFolder + u'/' + name;
    makeFolder(folder);
    const QString fdb = folder + u'/' + orq::product::DatabaseFile;
    QFile file(fdb);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || !file.resize(size))
        qFatal("cannot create %s", qPrintable(fdb));
    file.close();
    setLastWrite(fdb, lastWrite);
}

void makeFullBase(const QString& root, const QString& name, const QByteArray& database,
                  const QDateTime& lastWrite) {
    const QString folder = root + u'/' + orq::product::BasesFolder + u'/' + name;
    makeFolder(folder);
    const QString fdb = folder + u'/' + orq::product::DatabaseFile;
    writeBytes(fdb, database);
    setLastWrite(fdb, lastWrite);
    writeBytes(folder + u'/' + orq::product::DataFile, "system " + name.toUtf8());
}

QList<QStringList> standInLog(const QString& path) {
    QList<QStringList> lines;
    for (const QByteArray& line : readBytes(path).split('\n')) {
        if (!line.isEmpty())
            lines.append(QString::fromUtf8(line).split(u'\t'));
    }
    return lines;
}

XvfbServer::XvfbServer() {
    // With -displayfd the server takes the first free display number and writes it to that
    // descriptor once it accepts connections: here its standard output.
    m_server.setProgram(QStringLiteral("Xvfb"));
    m_server.setArguments({QStringLiteral("-displayfd"), QStringLiteral("1"),
                           QStringLiteral("-nolisten"), QStringLiteral("tcp"),
                           QStringLiteral("-noreset"), QStringLiteral("-screen"),
                           QStringLiteral("0"), QStringLiteral("800x600x24")});
    // Its notices (a font path, the socket folder's owner) are not the test's.
    m_server.setStandardErrorFile(QProcess::nullDevice());
    // A test that crashes must not leave its server running.
    m_server.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
    m_server.start(QIODevice::ReadOnly);
    if (!m_server.waitForStarted(30000))
        return;
    QByteArray out;
    while (!out.contains('\n') && m_server.waitForReadyRead(30000))
        out += m_server.readAllStandardOutput();
    bool number = false;
    out.trimmed().toUInt(&number);
    if (number && out.endsWith('\n'))
        m_display = ':' + out.trimmed();
    else
        stop();
}

XvfbServer::~XvfbServer() {
    stop();
}

QString XvfbServer::socketPath() const {
    return QStringLiteral("/tmp/.X11-unix/X") + QString::fromLatin1(m_display.mid(1));
}

void XvfbServer::stop() {
    m_display.clear();
    if (m_server.state() == QProcess::NotRunning)
        return;
    m_server.terminate();
    if (!m_server.waitForFinished(30000)) {
        m_server.kill();
        m_server.waitForFinished(-1);
    }
}

} // namespace orqtest

char* toString(const std::optional<QString>& text) {
    return text ? QTest::toString(*text) : qstrdup("nothing");
}
