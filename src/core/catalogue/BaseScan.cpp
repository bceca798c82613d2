#include "catalogue/BaseScan.h"

#include "catalogue/BaseRecordText.h"
#include "catalogue/CatalogueLine.h"
#include "catalogue/ProductFiles.h"
#include "system/FileSystem.h"

namespace orq {

namespace {

bool holdsControlCharacter(const QString& name) {
    for (QChar c : name) {
        if (c.unicode() < 32)
            return true;
    }
    return false;
}

} // namespace

QString catalogueFilePath(const QString& root) {
    return root + u'\\' + product::CatalogueFile;
}

QString basesFolderPath(const QString& root) {
    return root + u'\\' + product::BasesFolder;
}

BaseScan scanBases(const QString& root, const sys::RegionalSettings& settings,
                   ScanProgress* progress) {
    const QString baseFolder = basesFolderPath(root);
    // One offset for the whole scan: the catalogue shows times as the clock reads them now.
    const int utcOffsetNow = QDateTime::currentDateTime().offsetFromUtc();
    BaseScan scan;
    const sys::Status listing = sys::listFolder(baseFolder, [&](const sys::FolderEntry& entry) {
        if (progress && progress->stop.load(std::memory_order_relaxed))
            scan.stopped = true;
        if (scan.stopped || !entry.isFolder || entry.name == u'.')
            return;
        if (progress)
            progress->folders.fetch_add(1, std::memory_order_relaxed);
        const QString database = baseFolder + u'\\' + entry.name + u'\\' + product::DatabaseFile;
        // A file removed or made unreadable since the folder was listed is skipped quietly.
        const auto file = sys::lookup(database);
        if (!file || file->isFolder)
            return;
        if (holdsControlCharacter(entry.name)) {
            scan.skipped.append(entry.name);
            return;
        }
        scan.lines.append(encodeCatalogueLine(
            {entry.name, baseDateTimeText(file->lastWriteUtc, utcOffsetNow, settings),
             baseSizeText(file->size, settings)}));
    });
    scan.listed = listing.ok();
    return scan;
}

} // namespace orq
