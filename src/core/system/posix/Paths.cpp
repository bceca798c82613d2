#include "system/Paths.h"

#include <QDir>
#include <QFileInfo>

namespace orq::sys {

namespace {

QString winePrefix() {
    const QString prefix = qEnvironmentVariable("WINEPREFIX");
    if (!prefix.isEmpty())
        return prefix;
    return QDir::homePath() + QStringLiteral("/.wine");
}

bool isDriveLetter(QChar c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

} // namespace

QString nativePath(const QString& path) {
    QString slashed = path;
    slashed.replace(u'\\', u'/');
    if (slashed.size() >= 2 && isDriveLetter(slashed[0]) && slashed[1] == u':') {
        return winePrefix() + QStringLiteral("/dosdevices/") + slashed[0].toLower() + u':' +
               slashed.mid(2);
    }
    if (slashed.startsWith(QStringLiteral("//")))
        return winePrefix() + QStringLiteral("/dosdevices/unc/") + slashed.mid(2);
    return slashed;
}

QString programFolder() {
    // /proc/self/exe names the program file even when started through a symbolic link
    // or from another working directory.
    const QFileInfo exe(QStringLiteral("/proc/self/exe"));
    return QFileInfo(exe.symLinkTarget()).absolutePath();
}

} // namespace orq::sys
