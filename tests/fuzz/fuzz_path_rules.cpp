// The path rules turn texts that users type and files store (roots, orqcon.ini's CAMINHO, base
// names, state codes) into the paths the program opens, renames and hands to the product.
// Whatever the texts, the results must stay where the rules say they go.
//
// The input is six lines (UTF-8, each without its LF; missing ones are empty): a root, a base
// name, and the prefix, base folder and file name of a stored database path, then a state code.

#include "FuzzSupport.h"

#include "catalogue/BaseScan.h"
#include "launch/ProductIni.h"
#include "maintenance/BaseCopy.h"
#include "maintenance/StateSuffix.h"
#include "system/Error.h"
#include "system/FileSystem.h"
#include "system/Paths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

#include <cstddef>
#include <cstdint>

using namespace orq;
using orqfuzz::shown;

namespace {

const QString Prefix = QStringLiteral("/pfx");

bool holdsAny(const QString& text, QStringView characters) {
    for (QChar c : characters)
        if (text.contains(c))
            return true;
    return false;
}

bool isBlankOrNul(QChar c) {
    return c.unicode() <= 32;
}

// Paths are built by appending "\name" to a Windows-form text; the native path must be the
// native form of the text with "/name" appended, or a base would be looked for elsewhere than
// its root. A text that ends in a separator (a drive's or the file system's root) is left out:
// there the two separators meet and may read as a share.
void requireNativePathComposes(const QString& root, const QString& name) {
    const QString native = sys::nativePath(root);
    ORQ_FUZZ_REQUIRE(!native.contains(u'\\'), shown(root) + QStringLiteral(" -> ") + shown(native));
    if (root.size() >= 2 && root[1] == u':' && root[0].isLetter() && root[0].unicode() < 0x80) {
        // Drive letters in any case name the same drive.
        QString otherCase = root;
        otherCase[0] = root[0].isUpper() ? root[0].toLower() : root[0].toUpper();
        ORQ_FUZZ_REQUIRE(sys::nativePath(otherCase) == native, shown(root));
    }
    if (root.isEmpty() || root.endsWith(u'\\') || root.endsWith(u'/') || holdsAny(name, u"\\/"))
        return;
    const QString joined = sys::nativePath(root + u'\\' + name);
    ORQ_FUZZ_REQUIRE(joined == native + u'/' + name, shown(root) + QStringLiteral(" + ") +
                                                         shown(name) + QStringLiteral(" -> ") +
                                                         shown(joined));
}

// A share root's host is what orqcon.ini gets as NOME, and the folder the share maps to.
void requireServerName(const QString& root, const QString& host) {
    try {
        const QString name = serverNameFromRoot(root);
        if (!root.startsWith(QStringLiteral("\\\\")))
            ORQ_FUZZ_REQUIRE(name == QStringLiteral("localhost"), shown(root));
    } catch (const Error& error) {
        ORQ_FUZZ_REQUIRE(root.startsWith(QStringLiteral("\\\\")) &&
                             error.message() == Error::listIndexOutOfBounds(2).message(),
                         shown(root) + QStringLiteral(": ") + error.message());
    }

    if (host.isEmpty() || host.startsWith(u'"') || host.contains(u'\\') ||
        std::any_of(host.begin(), host.end(), isBlankOrNul))
        return;
    const QString share = QStringLiteral("\\\\") + host + QStringLiteral("\\orq\\ORQ_7");
    ORQ_FUZZ_REQUIRE(serverNameFromRoot(share) == host, shown(share));
    if (!host.contains(u'/'))
        ORQ_FUZZ_REQUIRE(sys::nativePath(share) == Prefix + QStringLiteral("/dosdevices/unc/") +
                                                       host + QStringLiteral("/orq/ORQ_7"),
                         shown(share) + QStringLiteral(" -> ") + shown(sys::nativePath(share)));
}

// Entering a base keeps the stored path's folders and puts the base's name and ORQ.FDB after
// them; entering another base later keeps the same folders, and the connection file then names
// the entered base, for the window and for the state-suffix rename alike.
void requireTemplateKeepsThePrefix(const QString& prefix, const QString& folder,
                                   const QString& file, const QString& base) {
    for (const QChar separator : {u'\\', u'/'}) {
        // With a slash anywhere only slashes cut the path, so the parts hold none; without one,
        // backslashes cut it and no part may hold a slash.
        const bool slashes = separator == u'/';
        if (slashes ? holdsAny(folder + file, u"/")
                    : holdsAny(folder + file, u"\\/") || prefix.contains(u'/'))
            continue;
        const QString stored = prefix + separator + folder + separator + file;
        const QString pattern = pathTemplate(stored);
        const QString entered = fillPathTemplate(pattern, base);
        const QString expected = prefix + separator + base + separator + QStringLiteral("ORQ.FDB");
        ORQ_FUZZ_REQUIRE(entered == expected, shown(stored) + QStringLiteral(" + ") + shown(base) +
                                                  QStringLiteral(" -> ") + shown(entered));

        if (holdsAny(base, u"\\/:"))
            continue;
        ORQ_FUZZ_REQUIRE(pathTemplate(entered) == pattern,
                         shown(stored) + QStringLiteral(" + ") + shown(base));
        if (!slashes)
            ORQ_FUZZ_REQUIRE(baseNameFromDatabasePath(entered) == base, shown(entered));
        if (base.isEmpty())
            continue;
        const QString baseFolder = databaseFolder(entered);
        ORQ_FUZZ_REQUIRE(baseFolder == prefix + separator + base, shown(entered));
        ORQ_FUZZ_REQUIRE(suffixRenameProblem(baseFolder, base, QStringLiteral("SP")).isEmpty(),
                         shown(baseFolder));
    }
}

// The text before a path's last separator: the folder a folder lies in.
QString parentOf(const QString& path) {
    return path.first(std::max(path.lastIndexOf(u'\\'), path.lastIndexOf(u'/')) + 1);
}

// A state code the rename accepts keeps the folder beside where it was, named as its base and
// suffix.
void requireSuffixStaysBeside(const QString& folder, const QString& caption, const QString& code) {
    if (!suffixRenameProblem(folder, caption, code).isEmpty())
        return;
    const QString renamed = folder + u'_' + code;
    ORQ_FUZZ_REQUIRE(parentOf(renamed) == parentOf(folder),
                     shown(folder) + QStringLiteral(" + ") + shown(code) + QStringLiteral(" -> ") +
                         shown(renamed));
    ORQ_FUZZ_REQUIRE(renamed.sliced(parentOf(renamed).size()) == caption + u'_' + code,
                     shown(renamed));
}

// A name Nova Base accepts makes a folder right inside ORQ_DADOS, under that very name.
void requireNewBaseStaysInside(const QString& name) {
    if (!newBaseNameProblem(name).isEmpty())
        return;
    const QString root = orqfuzz::scratchFolder();
    const QString bases = basesFolderPath(root);
    static const bool made = QDir().mkpath(sys::nativePath(bases));
    ORQ_FUZZ_REQUIRE(made, bases);

    const QString native = sys::nativePath(basePath(root, name));
    const QString nativeBases = QDir::cleanPath(sys::nativePath(bases));
    ORQ_FUZZ_REQUIRE(QFileInfo(QDir::cleanPath(native)).path() == nativeBases,
                     shown(name) + QStringLiteral(" -> ") + shown(native));
    const sys::Status created = sys::createFolder(basePath(root, name));
    ORQ_FUZZ_REQUIRE(created.ok(), shown(name) + QStringLiteral(" cannot be made"));
    const QStringList inside =
        QDir(nativeBases)
            .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
    ORQ_FUZZ_REQUIRE(inside == QStringList{name},
                     shown(name) + QStringLiteral(" -> ") + shown(inside));
    ORQ_FUZZ_REQUIRE(QDir(nativeBases).rmdir(name), shown(name));
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    qputenv("WINEPREFIX", Prefix.toUtf8());
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const orqfuzz::Parts parts = orqfuzz::splitHeader(orqfuzz::bytesOf(data, size), 5);
    QStringList texts;
    for (QByteArrayView line : parts.lines)
        texts << QString::fromUtf8(line);
    texts << QString::fromUtf8(parts.rest);
    const QString& root = texts[0];
    const QString& name = texts[1];
    const QString& code = texts[5];

    requireNativePathComposes(root, name);
    requireServerName(root, name);
    requireTemplateKeepsThePrefix(texts[2], texts[3], texts[4], name);
    // Stored paths of any shape still give a template with one base place and ORQ.FDB after it.
    for (const QString& stored : texts) {
        const QString pattern = pathTemplate(stored);
        ORQ_FUZZ_REQUIRE(pattern.endsWith(QStringLiteral("%s\\ORQ.FDB")) ||
                             pattern.endsWith(QStringLiteral("%s/ORQ.FDB")),
                         shown(stored) + QStringLiteral(" -> ") + shown(pattern));
        [[maybe_unused]] const QString base = baseNameFromDatabasePath(stored);
        [[maybe_unused]] const QString folder = databaseFolder(stored);
    }
    requireSuffixStaysBeside(root, name, code);
    requireSuffixStaysBeside(texts[2] + u'\\' + name, name, code);
    requireNewBaseStaysInside(name);
    return 0;
}
