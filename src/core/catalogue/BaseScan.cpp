#include "catalogue/BaseScan.h"

#include "catalogue/BaseRecordText.h"
#include "catalogue/CatalogueLine.h"
#include "system/FileSystem.h"

namespace orq {

QString catalogueFilePath(const QString& root) {
    return root + QStringLiteral("\\ORQDados.csv");
}

QStringList scanBaseLines(const QString& root, const sys::RegionalSettings& settings) {
    const QString baseFolder = root + QStringLiteral("\\ORQ_DADOS");
    // One offset for the whole scan: the catalogue shows times as the clock reads them now.
    const int utcOffsetNow = QDateTime::currentDateTime().offsetFromUtc();
    QStringList lines;
    sys::listFolder(baseFolder, [&](const sys::FolderEntry& entry) {
        if (!entry.isFolder || entry.name == u'.')
            return;
        const QString database = baseFolder + u'\\' + entry.name + QStringLiteral("\\ORQ.FDB");
        // A file removed or made unreadable since the folder was listed is skipped quietly.
        const auto file = sys::lookup(database);
        if (!file || file->isFolder)
            return;
        lines.append(encodeCatalogueLine(
            {entry.name, baseDateTimeText(file->lastWriteUtc, utcOffsetNow, settings),
             baseSizeText(file->size, settings)}));
    });
    return lines;
}

} // namespace orq
