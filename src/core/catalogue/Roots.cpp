#include "catalogue/Roots.h"

#include "catalogue/BaseScan.h"
#include "catalogue/ProductFiles.h"
#include "system/FileSystem.h"

namespace orq {

QString hostsFilePath(const QString& programFolder) {
    return programFolder + u'/' + product::HostsFile;
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

} // namespace orq
