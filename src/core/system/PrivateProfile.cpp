#include "system/PrivateProfile.h"

#include "system/Error.h"
#include "system/FileSystem.h"
#include "system/Paths.h"
#include "system/TextEncoding.h"

#include <QFile>
#include <QList>

#include <optional>

namespace orq::sys {

namespace {

// The file as one text, so that line edits are text edits. Each character stands for exactly
// one unit of the file (a byte through Windows-1252, whose table is one-to-one over all 256
// bytes, or a UTF-16 code unit taken as is), so text that is not edited goes back out
// byte for byte.
struct Document {
    bool utf16 = false;
    QString text;
    QByteArray strayByte; // the odd last byte of a UTF-16 file, kept where it was
};

const QByteArray& utf16LEMark() {
    static const QByteArray mark = byteOrderMark(TextEncoding::Utf16LE);
    return mark;
}

Document decode(const QByteArray& bytes) {
    Document doc;
    if (bytes.startsWith(utf16LEMark())) {
        doc.utf16 = true;
        const QByteArrayView body = QByteArrayView(bytes).sliced(utf16LEMark().size());
        doc.text = decodeText(body, TextEncoding::Utf16LE);
        if (body.size() % 2 != 0)
            doc.strayByte = body.last(1).toByteArray();
    } else {
        // Anything else, a UTF-8 mark included, is Windows-1252 to the profile calls.
        doc.text = decodeAnsi(bytes);
    }
    return doc;
}

QByteArray encode(const Document& doc) {
    if (doc.utf16)
        return utf16LEMark() + encodeText(doc.text, TextEncoding::Utf16LE) + doc.strayByte;
    return encodeAnsi(doc.text);
}

// The profile calls trim less than the runtime's blanks (codes 1 to 32): only the six ASCII
// white-space characters. A no-break space (0xA0 in Windows-1252) or another control character
// is part of a name or value.
bool isAsciiWhiteSpace(QChar c) {
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == u'\v' || c == u'\f';
}

QStringView trimAsciiWhiteSpace(QStringView s) {
    while (!s.isEmpty() && isAsciiWhiteSpace(s.front()))
        s = s.sliced(1);
    while (!s.isEmpty() && isAsciiWhiteSpace(s.back()))
        s.chop(1);
    return s;
}

bool sameName(QStringView a, QStringView b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// One line of the document: [start, contentEnd) is its text, [contentEnd, end) its line break
// (CR LF, LF or nothing for a last line without one). Lines end at LF only, as the profile
// calls read them; a CR elsewhere is part of the line.
struct Line {
    qsizetype start = 0;
    qsizetype contentEnd = 0;
    qsizetype end = 0;
};

QList<Line> splitLines(QStringView text) {
    QList<Line> lines;
    qsizetype start = 0;
    while (start < text.size()) {
        const qsizetype lf = text.indexOf(u'\n', start);
        Line line;
        line.start = start;
        if (lf < 0) {
            line.contentEnd = line.end = text.size();
        } else {
            line.end = lf + 1;
            line.contentEnd = (lf > start && text[lf - 1] == u'\r') ? lf - 1 : lf;
        }
        lines.append(line);
        start = line.end;
    }
    return lines;
}

struct ParsedLine {
    enum Kind { Other, Section, Key } kind = Other;
    QStringView name;
    QStringView value; // white space trimmed, quotes kept
};

ParsedLine parseLine(QStringView content) {
    const QStringView line = trimAsciiWhiteSpace(content);
    ParsedLine parsed;
    if (line.startsWith(u'[')) {
        const qsizetype close = line.lastIndexOf(u']');
        if (close > 0) {
            parsed.kind = ParsedLine::Section;
            parsed.name = trimAsciiWhiteSpace(line.sliced(1, close - 1));
            return parsed;
        }
    }
    if (line.startsWith(u';'))
        return parsed;
    const qsizetype equals = line.indexOf(u'=');
    if (equals < 0)
        return parsed;
    parsed.kind = ParsedLine::Key;
    parsed.name = trimAsciiWhiteSpace(line.first(equals));
    parsed.value = trimAsciiWhiteSpace(line.sliced(equals + 1));
    return parsed;
}

// Where a key stands: the first section of that name is the one used, and the first key of that
// name inside it. lastFilled is the section's last non-blank line, after which a new key goes.
struct Place {
    qsizetype section = -1;
    qsizetype key = -1;
    qsizetype lastFilled = -1;
    ParsedLine keyLine;
};

Place locate(QStringView text, const QList<Line>& lines, const QString& section,
             const QString& key) {
    Place place;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QStringView content =
            text.sliced(lines[i].start, lines[i].contentEnd - lines[i].start);
        const ParsedLine parsed = parseLine(content);
        if (parsed.kind == ParsedLine::Section) {
            if (place.section >= 0)
                break;
            if (sameName(parsed.name, section)) {
                place.section = i;
                place.lastFilled = i;
            }
            continue;
        }
        if (place.section < 0)
            continue;
        if (!trimAsciiWhiteSpace(content).isEmpty())
            place.lastFilled = i;
        if (parsed.kind == ParsedLine::Key && place.key < 0 && sameName(parsed.name, key)) {
            place.key = i;
            place.keyLine = parsed;
        }
    }
    return place;
}

std::optional<QByteArray> readAll(const QString& nativeFile) {
    QFile file(nativeFile);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return file.readAll();
}

const QString lineBreak = QStringLiteral("\r\n");

} // namespace

std::optional<QString> PrivateProfile::read(const QString& path, const QString& section,
                                            const QString& key) {
    const auto bytes = readAll(nativePath(path));
    if (!bytes)
        return std::nullopt;
    const Document doc = decode(*bytes);
    const Place place = locate(doc.text, splitLines(doc.text), section, key);
    if (place.key < 0)
        return std::nullopt;
    QStringView value = place.keyLine.value;
    if (value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') &&
        value.back() == value.front())
        value = value.sliced(1, value.size() - 2);
    return value.first(qMin(value.size(), MaxValueLength)).toString();
}

void PrivateProfile::write(const QString& path, const QString& section, const QString& key,
                           const QString& value) {
    const QString native = nativePath(path);
    Document doc;
    if (QFile::exists(native)) {
        const auto bytes = readAll(native);
        if (!bytes)
            throw Error::unableToWrite(path);
        doc = decode(*bytes);
    }

    const QList<Line> lines = splitLines(doc.text);
    const Place place = locate(doc.text, lines, section, key);
    if (place.key >= 0) {
        // The same value needs no write, and the line keeps its spacing.
        if (place.keyLine.value == value)
            return;
        const Line& line = lines[place.key];
        const QString replacement = place.keyLine.name.toString() + u'=' + value;
        doc.text.replace(line.start, line.contentEnd - line.start, replacement);
    } else if (place.section >= 0) {
        const Line& after = lines[place.lastFilled];
        QString insertion = key + u'=' + value + lineBreak;
        if (after.contentEnd == after.end)
            insertion.prepend(lineBreak);
        doc.text.insert(after.end, insertion);
    } else {
        if (!doc.text.isEmpty() && !doc.text.endsWith(u'\n'))
            doc.text += lineBreak;
        doc.text += u'[' + section + u']' + lineBreak + key + u'=' + value + lineBreak;
    }

    // The same replacement as every other file the program writes, so a write killed midway is
    // cleared up by the next one. The profile calls never told why a write failed.
    try {
        writeFile(path, encode(doc));
    } catch (const Error&) {
        throw Error::unableToWrite(path);
    }
}

} // namespace orq::sys
