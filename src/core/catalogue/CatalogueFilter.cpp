#include "catalogue/CatalogueFilter.h"

#include "system/AsciiCase.h"

namespace orq {

std::vector<int> filterCatalogueLinePositions(const QStringList& lines, const QString& filterText) {
    // Either side folded the same way: A-Z match their lower-case letters and nothing else.
    const QString needle = sys::foldedAscii(filterText);
    std::vector<int> positions;
    for (qsizetype i = 0; i < lines.size(); ++i)
        if (sys::containsFoldedAscii(lines[i], needle))
            positions.push_back(int(i));
    return positions;
}

QStringList filterCatalogueLines(const QStringList& lines, const QString& filterText) {
    QStringList matches;
    for (int i : filterCatalogueLinePositions(lines, filterText))
        matches.append(lines[i]);
    return matches;
}

} // namespace orq
