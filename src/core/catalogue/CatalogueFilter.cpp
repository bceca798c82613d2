#include "catalogue/CatalogueFilter.h"

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
