#pragma once

#include <QStringList>

#include <vector>

namespace orq {

// The lines that hold the filter text anywhere, commas and quotes of the encoding included.
// Only the ASCII letters are upper-cased on both sides: accented letters must match exactly.
// The lines keep their order and encoding.
QStringList filterCatalogueLines(const QStringList& lines, const QString& filterText);
// The same test, giving the positions of the matching lines, in order.
std::vector<int> filterCatalogueLinePositions(const QStringList& lines, const QString& filterText);

} // namespace orq
