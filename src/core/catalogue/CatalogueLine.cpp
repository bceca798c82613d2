#include "catalogue/CatalogueLine.h"

namespace orq {

namespace {

bool isBlank(QChar c) {
    return c.unicode() >= 1 && c.unicode() <= 32;
}

bool needsQuotes(const QString& field) {
    for (QChar c : field) {
        if (isBlank(c) || c == u'"' || c == u',')
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

QStringList decodeCatalogueLine(QStringView line) {
    QStringList fields;
    const qsizetype end = line.size();
    qsizetype p = 0;
    auto at = [&](qsizetype i) { return i < end ? line[i] : QChar(u'\0'); };
    auto skipBlanks = [&] {
        while (isBlank(at(p)))
            ++p;
    };

    skipBlanks();
    while (p < end && at(p) != u'\0') {
        QString field;
        if (at(p) == u'"') {
            ++p;
            while (p < end && at(p) != u'\0') {
                if (at(p) == u'"') {
                    if (at(p + 1) != u'"')
                        break;
                    ++p; // a doubled quote stands for one
                }
                field += at(p);
                ++p;
            }
            if (at(p) == u'"')
                ++p;
        } else {
            const qsizetype start = p;
            while (at(p).unicode() > 32 && at(p) != u',')
                ++p;
            field = line.sliced(start, p - start).toString();
        }
        fields.append(field);
        skipBlanks();
        if (at(p) == u',') {
            if (p + 1 == end || at(p + 1) == u'\0')
                fields.append(QString());
            ++p;
            skipBlanks();
        }
    }
    return fields;
}

} // namespace orq
