#pragma once

// What the libFuzzer targets share: how a broken property stops the run, how input bytes become
// texts and the scratch folder of the fuzzing process.

#include "system/TextEncoding.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QDir>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace orqfuzz {

// A text with every character outside printable ASCII written as \uXXXX, so a failure report
// shows blanks, line ends and NULs for what they are.
inline QString shown(const QString& text) {
    QString out = QStringLiteral("\"");
    for (QChar c : text) {
        if (c.unicode() >= 0x20 && c.unicode() < 0x7F && c != u'\\' && c != u'"')
            out += c;
        else
            out += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
    }
    return out + u'"';
}

inline QString shown(const QStringList& list) {
    QStringList parts;
    for (const QString& text : list)
        parts << shown(text);
    return u'[' + parts.join(QStringLiteral(", ")) + u']';
}

inline QString shownBytes(QByteArrayView bytes) {
    return QString::fromLatin1(bytes.toByteArray().toHex(' '));
}

// libFuzzer saves the input that was running when the process died, so a trap is all a broken
// property needs; the message says which one it was.
[[noreturn]] inline void fail(const char* property, const char* file, int line,
                              const QString& detail) {
    std::fprintf(stderr, "\n%s:%d: property broken: %s\n", file, line, property);
    if (!detail.isEmpty())
        std::fprintf(stderr, "  %s\n", detail.toUtf8().constData());
    std::fflush(stderr);
    __builtin_trap();
}

// The detail is worked out only when the property fails.
#define ORQ_FUZZ_REQUIRE(condition, detail)                                                        \
    do {                                                                                           \
        if (!(condition))                                                                          \
            ::orqfuzz::fail(#condition, __FILE__, __LINE__, (detail));                             \
    } while (false)

inline QByteArrayView bytesOf(const uint8_t* data, size_t size) {
    return QByteArrayView(reinterpret_cast<const char*>(data), qsizetype(size));
}

// Bytes read as the program reads its own files without a mark: Windows-1252, one character a
// byte, so every byte reaches the code under test as itself.
inline QString ansiText(QByteArrayView bytes) {
    return orq::sys::decodeAnsi(bytes);
}

// The input's first headerLines lines (each without its LF) and whatever follows them. An input
// with fewer lines gets empty ones for those missing and no rest (hasRest false).
struct Parts {
    QList<QByteArrayView> lines;
    QByteArrayView rest;
    bool hasRest = false;
};

inline Parts splitHeader(QByteArrayView bytes, int headerLines) {
    Parts parts;
    qsizetype at = 0;
    for (int i = 0; i < headerLines; ++i) {
        const qsizetype lf = bytes.indexOf('\n', at);
        if (lf < 0) {
            parts.lines.append(bytes.sliced(at));
            at = bytes.size();
            while (parts.lines.size() < headerLines)
                parts.lines.append(QByteArrayView());
            return parts;
        }
        parts.lines.append(bytes.sliced(at, lf - at));
        at = lf + 1;
    }
    parts.rest = bytes.sliced(at);
    parts.hasRest = true;
    return parts;
}

// A folder of this fuzzing process's own (a parallel run has one per process), removed when the
// process ends normally. Paths in it are native.
inline const QString& scratchFolder() {
    static QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/orqfuzz-XXXXXX"));
    static const QString path = [] {
        if (!dir.isValid()) {
            std::fprintf(stderr, "cannot make a scratch folder in %s\n",
                         QDir::tempPath().toUtf8().constData());
            std::abort();
        }
        return dir.path();
    }();
    return path;
}

} // namespace orqfuzz
