#include "system/TextList.h"

#include "system/FileSystem.h"

namespace orq::sys {

namespace {

QStringList splitLines(QStringView text) {
    QStringList lines;
    qsizetype start = 0;
    qsizetype i = 0;
    while (i < text.size()) {
        const QChar c = text[i];
        if (c != u'\r' && c != u'\n') {
            ++i;
            continue;
        }
        lines.append(text.sliced(start, i - start).toString());
        ++i;
        if (c == u'\r' && i < text.size() && text[i] == u'\n')
            ++i;
        start = i;
    }
    // A terminator at the very end leaves nothing behind it, and that is no line.
    if (start < text.size())
        lines.append(text.sliced(start).toString());
    return lines;
}

} // namespace

void TextList::loadFromFile(const QString& path) {
    const QByteArray bytes = readFile(path);
    setFromBytes(bytes);
}

void TextList::saveToFile(const QString& path) const {
    writeFile(path, toBytes());
}

QByteArray TextList::toBytes() const {
    QString text;
    qsizetype length = 0;
    for (const QString& line : lines)
        length += line.size() + 2;
    text.reserve(length);
    for (const QString& line : lines) {
        text += line;
        text += QStringLiteral("\r\n");
    }
    // A list never loaded has no mark to carry forward; Ansi has none anyway.
    const TextEncoding encoding = m_loaded ? m_encoding : TextEncoding::Ansi;
    return byteOrderMark(encoding) + encodeText(text, encoding);
}

void TextList::setFromBytes(QByteArrayView bytes) {
    qsizetype markLength = 0;
    const TextEncoding encoding = detectEncoding(bytes, &markLength);
    QString text = decodeText(bytes.sliced(markLength), encoding);
    const qsizetype nul = text.indexOf(QChar(u'\0'));
    if (nul >= 0)
        text.truncate(nul);
    lines = splitLines(text);
    // The NUL is in the last line, unless a terminator ended that one right before it.
    const bool afterTerminator = text.isEmpty() || text.endsWith(u'\r') || text.endsWith(u'\n');
    m_nulLine = nul < 0 ? 0 : lines.size() + (afterTerminator ? 1 : 0);
    m_encoding = encoding;
    m_loaded = true;
}

} // namespace orq::sys
