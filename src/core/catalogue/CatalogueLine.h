#pragma once

#include <QStringList>

namespace orq {

// One base record is kept only as its encoded catalogue line: comma-separated fields, a field
// quoted when it holds a blank (codes 1 to 32), a double quote or a comma.
QString encodeCatalogueLine(const QStringList& fields);

// Splits a catalogue line back into fields: the runtime's delimited-text split at commas (see
// sys::splitDelimited), so blanks separate fields as well as commas, and a NUL ends the line.
// quoteLeftOpen, when given, tells whether the last field's quote was never closed, as happens
// to a line cut short.
QStringList decodeCatalogueLine(QStringView line, bool* quoteLeftOpen = nullptr);

} // namespace orq
