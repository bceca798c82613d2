#include "maintenance/BaseCopy.h"

#include "catalogue/BaseScan.h"
#include "catalogue/ProductFiles.h"
#include "system/Error.h"
#include "system/FileSystem.h"

#include <QFile>

#include <array>

namespace orq {

namespace {

// What a Windows file name may not hold, besides the control characters.
constexpr QStringView kForbidden = u"\\/:*?\"<>|";

bool isWindowsDeviceName(const QString& name) {
    // The device names stay devices with any extension: "CON.txt" opens the console.
    const QString stem = name.section(u'.', 0, 0).toUpper();
    static const std::array<QStringView, 4> plain{u"CON", u"PRN", u"AUX", u"NUL"};
    for (QStringView device : plain) {
        if (stem == device)
            return true;
    }
    return stem.size() == 4 && (stem.startsWith(u"COM") || stem.startsWith(u"LPT")) &&
           stem[3] >= u'1' && stem[3] <= u'9';
}

// The most a folder name may be: 255 UTF-16 units on Windows, 255 bytes here.
constexpr qsizetype kMaxNameLength = 255;

} // namespace

QString basePath(const QString& root, const QString& name) {
    return basesFolderPath(root) + u'\\' + name;
}

QString baseDatabasePath(const QString& root, const QString& name) {
    return basePath(root, name) + u'\\' + product::DatabaseFile;
}

QString baseDataFilePath(const QString& root, const QString& name) {
    return basePath(root, name) + u'\\' + product::DataFile;
}

QString localBasePath(const QString& programFolder, const QString& name) {
    return basePath(programFolder, name);
}

QString copyStamp(const QDateTime& localTime) {
    return localTime.toString(QStringLiteral("yyyyMMddHHmmss"));
}

QString keptDatabasePath(const QString& localBaseFolder, const QDateTime& localTime) {
    return localBaseFolder + u'\\' + copyStamp(localTime) + u'_' + product::DatabaseFile;
}

QString newBaseNameProblem(const QString& name) {
    if (name.trimmed().isEmpty())
        return QStringLiteral("Informe um nome para a nova base");
    if (name == u"." || name == u"..")
        return QStringLiteral("O nome da base não pode ser \".\" nem \"..\"");
    for (QChar c : name) {
        if (c.unicode() < 32 || kForbidden.contains(c))
            return QStringLiteral("O nome da base não pode conter \\ / : * ? \" < > | nem "
                                  "caracteres de controle");
    }
    if (name.back() == u' ' || name.back() == u'.')
        return QStringLiteral("O nome da base não pode terminar em espaço nem em ponto");
    if (isWindowsDeviceName(name))
        return QStringLiteral("\"%1\" é um nome reservado do Windows e não pode nomear uma base")
            .arg(name);
    if (name.size() > kMaxNameLength || QFile::encodeName(name).size() > kMaxNameLength)
        return QStringLiteral("O nome da base é longo demais (no máximo %1 caracteres)")
            .arg(kMaxNameLength);
    return QString();
}

void createNewBase(const QString& root, const QString& sourceName, const QString& newName,
                   const FileCopier& copy) {
    if (const QString problem = newBaseNameProblem(newName); !problem.isEmpty())
        throw Error(problem);
    // An existing folder is fine: it is the base of that name, and nothing in it is replaced.
    [[maybe_unused]] const sys::Status created = sys::createFolder(basePath(root, newName));
    const auto copyIfMissing = [&](const QString& source, const QString& target) {
        if (sys::fileExists(source) && !sys::lookup(target))
            copy(source, target, true);
    };
    copyIfMissing(baseDatabasePath(root, sourceName), baseDatabasePath(root, newName));
    copyIfMissing(baseDataFilePath(root, sourceName), baseDataFilePath(root, newName));
}

bool fetchBase(const QString& root, const QString& programFolder, const QString& name,
               const QDateTime& localNow, const FileCopier& copy) {
    const QString source = baseDatabasePath(root, name);
    if (!sys::fileExists(source))
        throw Error(QStringLiteral("Arquivo não encontrado: \"%1\"").arg(source));
    const QString localFolder = localBasePath(programFolder, name);
    const QString local = localFolder + u'\\' + product::DatabaseFile;
    // The root box shows our own root: moving the local file aside would take the source away.
    if (sys::sameFile(source, local))
        throw Error(QStringLiteral("A base \"%1\" já é a deste computador: \"%2\" e \"%3\" são o "
                                   "mesmo arquivo, nada foi copiado")
                        .arg(name, source, local));
    // A program folder that never held a base gets its ORQ_DADOS as well.
    for (const QString& folder : {basesFolderPath(programFolder), localFolder}) {
        if (!sys::folderExists(folder)) {
            [[maybe_unused]] const sys::Status created = sys::createFolder(folder);
        }
    }

    QString kept;
    if (sys::lookup(local)) {
        kept = keptDatabasePath(localFolder, localNow);
        if (sys::lookup(kept))
            throw Error(
                QStringLiteral("Já existe uma cópia guardada neste segundo (\"%1\"); a base "
                               "local não foi alterada. Tente de novo em um instante")
                    .arg(kept));
        if (const sys::Status moved = sys::moveFile(local, kept); !moved.ok())
            throw Error(QStringLiteral("Não foi possível guardar \"%1\" como \"%2\". %3")
                            .arg(local, kept, systemErrorText(moved.error())));
    }
    if (copy(source, local, true))
        return true;
    // The local base must still open: its own database goes back under its name.
    if (!kept.isEmpty()) {
        [[maybe_unused]] const sys::Status restored = sys::moveFile(kept, local);
    }
    return false;
}

} // namespace orq
