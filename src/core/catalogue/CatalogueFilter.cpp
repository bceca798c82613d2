#include "catalogue/CatalogueFilter.h"

namespace orq {

namespace {

constexpr char16_t asciiUpper(char16_t c) {
    return c >= u'a' && c <= u'z' ? char16_t(c - (u'a' - u'A')) : c;
}

// Whether needle (upper-cased already) occurs in text once text is upper-cased, without making
// the upper-cased copy: this runs over every catalogue line at every keystroke.
bool containsUpper(QStringView text, QStringView needle) {
    const qsizetype n = needle.size();
    const char16_t* t = text.utf16();
    const char16_t* p = needle.utf16();
    for (qsizetype at = 0; at + n <= text.size(); ++at) {
        qsizetype k = 0;
        while (k < n && asciiUpper(t[at + k]) == p[k])
            ++k;
        if (k == n)
            return true;
    }
    return false;
}

} // namespace

std::vector<int> filterCatalogueLinePositions(const QStringList& lines, const QString& filterText) {
    QString needle = filterText;
    for (QChar& c : needle)
        c = QChar(asciiUpper(c.unicode()));
    std::vector<int> positions;
    for (qsizetype i = 0; i < lines.size(); ++i)
        if (containsUpper(lines[i], needle))
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
