#include "launch/ProductIni.h"

#include "catalogue/ProductFiles.h"
#include "system/DelimitedText.h"
#include "system/Error.h"
#include "system/Paths.h"
#include "system/PrivateProfile.h"

namespace orq {

namespace {

const QString OrqSection = QStringLiteral("ORQ");
const QString DatabasePathKey = QStringLiteral("CAMINHO");
const QString ServerSection = QStringLiteral("SERVIDOR");
const QString ServerNameKey = QStringLiteral("NOME");

bool isPathSeparator(QChar c) {
    return c == u'\\' || c == u':';
}

qsizetype lastPathSeparator(const QString& path) {
    for (qsizetype i = path.size() - 1; i >= 0; --i) {
        if (isPathSeparator(path[i]))
            return i;
    }
    return -1;
}

QString cutAtLast(const QString& text, QChar separator) {
    const qsizetype at = text.lastIndexOf(separator);
    return at < 0 ? text : text.left(at);
}

} // namespace

ProductIni::ProductIni() : m_path(besideProgram()) {}

ProductIni::ProductIni(QString path) : m_path(std::move(path)) {}

QString ProductIni::besideProgram() {
    return sys::programFolder() + u'/' + product::ConnectionFile;
}

// A missing file, section or key reads as the empty text: the product treats them alike.
QString ProductIni::databasePath() const {
    return sys::PrivateProfile::read(m_path, OrqSection, DatabasePathKey).value_or(QString());
}

QString ProductIni::serverName() const {
    return sys::PrivateProfile::read(m_path, ServerSection, ServerNameKey).value_or(QString());
}

QString ProductIni::currentBaseName() const {
    return baseNameFromDatabasePath(databasePath());
}

void ProductIni::writeServerName(const QString& host) const {
    sys::PrivateProfile::write(m_path, ServerSection, ServerNameKey, host);
}

void ProductIni::writeDatabasePath(const QString& databasePath) const {
    sys::PrivateProfile::write(m_path, OrqSection, DatabasePathKey, databasePath);
}

QString directoryPart(const QString& path) {
    qsizetype at = lastPathSeparator(path);
    if (at < 0)
        return QString();
    // "C:\" and "\\" keep their backslash: dropping it would name another folder.
    if (at > 0 && path[at] == u'\\' && !isPathSeparator(path[at - 1]))
        --at;
    return path.left(at + 1);
}

QString namePart(const QString& path) {
    return path.mid(lastPathSeparator(path) + 1);
}

QString baseNameFromDatabasePath(const QString& databasePath) {
    return namePart(directoryPart(databasePath));
}

QString pathTemplate(const QString& databasePath) {
    const QChar separator = databasePath.contains(u'/') ? u'/' : u'\\';
    const QString prefix = cutAtLast(cutAtLast(databasePath, separator), separator);
    return prefix + separator + QStringLiteral("%s") + separator + product::DatabaseFile;
}

QString fillPathTemplate(const QString& pathTemplate, const QString& baseName) {
    // Never a format routine: the prefix comes from the file and may hold percent signs.
    const qsizetype at = pathTemplate.lastIndexOf(QStringLiteral("%s"));
    if (at < 0)
        return pathTemplate;
    return pathTemplate.left(at) + baseName + pathTemplate.mid(at + 2);
}

QString serverNameFromRoot(const QString& root) {
    if (!root.startsWith(QStringLiteral("\\\\")))
        return QStringLiteral("localhost");
    const QStringList items = sys::splitDelimited(root, u'\\');
    if (items.size() < 3)
        throw Error::listIndexOutOfBounds(2);
    return items[2];
}

EnteredBase writeEnteredBase(const ProductIni& ini, const QString& root, const QString& baseName) {
    EnteredBase entered;
    entered.databasePath = fillPathTemplate(pathTemplate(ini.databasePath()), baseName);
    entered.serverName = serverNameFromRoot(root);
    ini.writeServerName(entered.serverName);
    ini.writeDatabasePath(entered.databasePath);
    return entered;
}

} // namespace orq
