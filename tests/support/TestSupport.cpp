#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QtTest>

#include <sys/stat.h>
#include <utime.h>

namespace orqtest {

TempFolder::TempFolder() {
    if (!m_dir.isValid())
        qFatal("cannot create a temporary folder");
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

void setLastWrite(const QString& nativePath, const QDateTime& when) {
    utimbuf times{};
    times.actime = time_t(when.toSecsSinceEpoch());
    times.modtime = time_t(when.toSecsSinceEpoch());
    if (::utime(QFile::encodeName(nativePath).constData(), &times) != 0)
        qFatal("cannot set the time of %s", qPrintable(nativePath));
}

void makeBase(const QString& root, const QString& name, qint64 size, const QDateTime& lastWrite) {
    const QString folder = root + QStringLiteral("/ORQ_DADOS/") + name;
    makeFolder(folder);
    const QString fdb = folder + QStringLiteral("/ORQ.FDB");
    QFile file(fdb);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || !file.resize(size))
        qFatal("cannot create %s", qPrintable(fdb));
    file.close();
    setLastWrite(fdb, lastWrite);
}

} // namespace orqtest
