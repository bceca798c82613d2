#include "catalogue/Roots.h"

#include "catalogue/BaseScan.h"
#include "system/FileSystem.h"

namespace orq {

namespace {

QString asciiUpper(const QString& text) {
    QString upper = text;
    for (QChar& c : upper) {
        if (c >= u'a' && c <= u'z')
            c = QChar(c.unicode() - (u'a' - u'A'));
    }
    return upper;
}

} // namespace

QString hostsFilePath(const QString& programFolder) {
    return programFolder + QStringLiteral("/ORQDados.Hosts.txt");
}

QString startupRoot(const QStringList& arguments, const QStringList& hosts) {
    if (!arguments.isEmpty())
        return arguments.front();
    if (!hosts.isEmpty())
        return hosts.front();
    return defaultRoot();
}

bool isKnownRoot(const QStringList& hosts, const QString& root,
                 const sys::RegionalSettings& settings) {
    for (const QString& host : hosts) {
        if (settings.compareIgnoreCase(host, root) == 0)
            return true;
    }
    return false;
}

bool isServerRoot(const QString& root) {
    return root.contains(QStringLiteral("\\\\")) && sys::fileExists(catalogueFilePath(root));
}

QStringList filterCatalogueLines(const QStringList& lines, const QString& filterText) {
    const QString needle = asciiUpper(filterText);
    QStringList matches;
    for (const QString& line : lines) {
        if (asciiUpper(line).contains(needle))
            matches.append(line);
    }
    return matches;
}

} // namespace orq
