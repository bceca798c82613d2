#include "system/TextEncoding.h"

#include <QStringDecoder>
#include <QStringEncoder>

#include <array>

namespace orq::sys {

namespace {

// Windows-1252 differs from Latin-1 only in 0x80-0x9F. Qt's own Windows-1252 converter is not
// used because it writes 0x1A for a character it lacks, where the original platform writes "?".
// The five bytes the code page leaves unassigned map to the control characters of the same code,
// both ways, so every byte survives a read and a write.
constexpr std::array<char16_t, 32> highControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, // 0x80-0x87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F, // 0x88-0x8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, // 0x90-0x97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178, // 0x98-0x9F
};

char16_t ansiToUnicode(uchar byte) {
    if (byte >= 0x80 && byte <= 0x9F)
        return highControls[byte - 0x80];
    return byte;
}

// Every UTF-16 code unit is converted on its own, so a surrogate pair becomes two "?".
char unicodeToAnsi(char16_t unit) {
    if (unit < 0x80 || (unit >= 0xA0 && unit <= 0xFF))
        return char(unit);
    for (std::size_t i = 0; i < highControls.size(); ++i) {
        if (highControls[i] == unit)
            return char(0x80 + i);
    }
    return '?';
}

constexpr QByteArrayView utf8Mark("\xEF\xBB\xBF", 3);
constexpr QByteArrayView utf16LEMark("\xFF\xFE", 2);
constexpr QByteArrayView utf16BEMark("\xFE\xFF", 2);

QByteArray encodeUtf16(QStringView text, bool littleEndian) {
    QByteArray bytes(text.size() * 2, Qt::Uninitialized);
    char* out = bytes.data();
    for (QChar c : text) {
        const char16_t unit = c.unicode();
        const char low = char(unit & 0xFF);
        const char high = char(unit >> 8);
        *out++ = littleEndian ? low : high;
        *out++ = littleEndian ? high : low;
    }
    return bytes;
}

// Code units are taken as they are, unpaired surrogates included; a trailing odd byte is not
// a unit and is dropped.
QString decodeUtf16(QByteArrayView bytes, bool littleEndian) {
    const qsizetype count = bytes.size() / 2;
    QString text(count, Qt::Uninitialized);
    QChar* out = text.data();
    for (qsizetype i = 0; i < count; ++i) {
        const auto first = uchar(bytes[2 * i]);
        const auto second = uchar(bytes[2 * i + 1]);
        out[i] =
            QChar(littleEndian ? char16_t(first | (second << 8)) : char16_t((first << 8) | second));
    }
    return text;
}

} // namespace

QByteArray encodeAnsi(QStringView text) {
    QByteArray bytes(text.size(), Qt::Uninitialized);
    char* out = bytes.data();
    for (QChar c : text)
        *out++ = unicodeToAnsi(c.unicode());
    return bytes;
}

QString decodeAnsi(QByteArrayView bytes) {
    QString text(bytes.size(), Qt::Uninitialized);
    QChar* out = text.data();
    for (char b : bytes)
        *out++ = QChar(ansiToUnicode(uchar(b)));
    return text;
}

QByteArray byteOrderMark(TextEncoding encoding) {
    switch (encoding) {
    case TextEncoding::Utf8:
        return utf8Mark.toByteArray();
    case TextEncoding::Utf16LE:
        return utf16LEMark.toByteArray();
    case TextEncoding::Utf16BE:
        return utf16BEMark.toByteArray();
    case TextEncoding::Ansi:
        break;
    }
    return QByteArray();
}

TextEncoding detectEncoding(QByteArrayView bytes, qsizetype* markLength) {
    TextEncoding found = TextEncoding::Ansi;
    qsizetype length = 0;
    if (bytes.startsWith(utf8Mark)) {
        found = TextEncoding::Utf8;
        length = utf8Mark.size();
    } else if (bytes.startsWith(utf16LEMark)) {
        found = TextEncoding::Utf16LE;
        length = utf16LEMark.size();
    } else if (bytes.startsWith(utf16BEMark)) {
        found = TextEncoding::Utf16BE;
        length = utf16BEMark.size();
    }
    if (markLength)
        *markLength = length;
    return found;
}

QByteArray encodeText(QStringView text, TextEncoding encoding) {
    switch (encoding) {
    case TextEncoding::Utf8: {
        // Unlike QString::toUtf8, which writes "?", the converter writes an unpaired surrogate
        // as U+FFFD, as the original platform does.
        QStringEncoder encoder(QStringEncoder::Utf8, QStringEncoder::Flag::Stateless);
        return encoder(text);
    }
    case TextEncoding::Utf16LE:
        return encodeUtf16(text, true);
    case TextEncoding::Utf16BE:
        return encodeUtf16(text, false);
    case TextEncoding::Ansi:
        break;
    }
    return encodeAnsi(text);
}

QString decodeText(QByteArrayView bytes, TextEncoding encoding) {
    switch (encoding) {
    case TextEncoding::Utf8: {
        // Malformed sequences become replacement characters and the text goes on after them.
        // The caller has taken the mark off already: a second one is text (QString::fromUtf8
        // would drop it).
        QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless |
                                                         QStringDecoder::Flag::ConvertInitialBom);
        return decoder(bytes);
    }
    case TextEncoding::Utf16LE:
        return decodeUtf16(bytes, true);
    case TextEncoding::Utf16BE:
        return decodeUtf16(bytes, false);
    case TextEncoding::Ansi:
        break;
    }
    return decodeAnsi(bytes);
}

} // namespace orq::sys
