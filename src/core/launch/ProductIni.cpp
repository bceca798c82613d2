#include "launch/ProductIni.h"

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

bool isBlank(QChar c) {
    return c.unicode() >= 1 && c.unicode() <= 32;
}

} // namespace

ProductIni::ProductIni() : m_path(besideProgram()) {}

ProductIni::ProductIni(QString path) : m_path(std::move(path)) {}

QString ProductIni::besideProgram() {
    return sys::programFolder() + QStringLiteral("/orqcon.ini");
}

QString ProductIni::databasePath() const {
    return sys::PrivateProfile::read(m_path, OrqSection, DatabasePathKey);
}

QString ProductIni::serverName() const {
    return sys::PrivateProfile::read(m_path, ServerSection, ServerNameKey);
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
    return prefix + separator + QStringLiteral("%s") + separator + QStringLiteral("ORQ.FDB");
}

QString fillPathTemplate(const QString& pathTemplate, const QString& baseName) {
    // Never a format routine: the prefix comes from the file and may hold percent signs.
    const qsizetype at = pathTemplate.lastIndexOf(QStringLiteral("%s"));
    if (at < 0)
        return pathTemplate;
    return pathTemplate.left(at) + baseName + pathTemplate.mid(at + 2);
}

QStringList splitDelimited(const QString& text, QChar delimiter) {
    const qsizetype nul = text.indexOf(QChar(0));
    const QStringView s = nul < 0 ? QStringView(text) : QStringView(text).left(nul);
    const qsizetype end = s.size();
    const QChar quote = u'"';

    QStringList items;
    qsizetype p = 0;
    while (p < end && isBlank(s[p]))
        ++p;
    while (p < end) {
        QString item;
        if (s[p] == quote) {
            ++p;
            while (p < end) {
                if (s[p] == quote) {
                    ++p;
                    if (p >= end || s[p] != quote)
                        break;
                }
                item += s[p];
                ++p;
            }
        } else {
            const qsizetype start = p;
            while (p < end && s[p].unicode() > 32 && s[p] != delimiter)
                ++p;
            item = s.mid(start, p - start).toString();
        }
        items.append(item);
        while (p < end && isBlank(s[p]))
            ++p;
        if (p < end && s[p] == delimiter) {
            if (p + 1 == end)
                items.append(QString());
            do
                ++p;
            while (p < end && isBlank(s[p]));
        }
    }
    return items;
}

QString serverNameFromRoot(const QString& root) {
    if (!root.startsWith(QStringLiteral("\\\\")))
        return QStringLiteral("localhost");
    const QStringList items = splitDelimited(root, u'\\');
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
