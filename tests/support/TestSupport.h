#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QTemporaryDir>

namespace orqtest {

// A scratch folder that disappears with the test; paths inside it are native.
class TempFolder {
public:
    TempFolder();
    QString path() const { return m_dir.path(); }
    QString file(const QString& relative) const { return m_dir.filePath(relative); }

private:
    QTemporaryDir m_dir;
};

void writeBytes(const QString& nativePath, const QByteArray& bytes);
QByteArray readBytes(const QString& nativePath);
void makeFolder(const QString& nativePath);
// Sets a file's last-write time (seconds precision).
void setLastWrite(const QString& nativePath, const QDateTime& when);

// A base folder ORQ_DADOS/<name> holding an ORQ.FDB of the given size and time.
void makeBase(const QString& root, const QString& name, qint64 size, const QDateTime& lastWrite);

} // namespace orqtest
