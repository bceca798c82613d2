#pragma once

#include <QStringList>

namespace orq {

// One base record is kept only as its encoded catalogue line: comma-separated fields, a field
// quoted when it holds a control character, a blank, a double quote or a comma.
QString encodeCatalogueLine(const QStringList& fields);

// Splits a catalogue line back into fields. Blanks (codes 1 to 32) separate fields as well as
// commas; a quoted field runs to its closing quote, with doubled quotes standing for one; a
// quote left open runs to the end of the line; a NUL ends the line.
QStringList decodeCatalogueLine(QStringView line);

} // namespace orq
