#include "catalogue/CatalogueLine.h"

#include "system/DelimitedText.h"

namespace orq {

namespace {

// Whatever the split would cut the field at, or read as a quote of its own.
bool needsQuotes(const QString& field) {
    for (QChar c : field) {
        if (sys::isBlank(c) || c == u'"' || c == u',')
            return true;
    }
    return false;
}

} // namespace

QString encodeCatalogueLine(const QStringList& fields) {
    QString line;
    for (qsizetype i = 0; i < fields.size(); ++i) {
        if (i > 0)
            line += u',';
        const QString& field = fields[i];
        if (needsQuotes(field)) {
            line += u'"';
            for (QChar c : field) {
                if (c == u'"')
                    line += u'"';
                line += c;
            }
            line += u'"';
        } else {
            line += field;
        }
    }
    return line;
}

QStringList decodeCatalogueLine(QStringView line, bool* quoteLeftOpen) {
    return sys::splitDelimited(line, u',', quoteLeftOpen);
}

} // namespace orq
