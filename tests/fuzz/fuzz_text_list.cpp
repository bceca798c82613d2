// The text-list loader reads the catalogue and the known roots, files that other machines and
// editors write: any bytes, any mark, any mix of line ends. Whatever it read must come back
// whole when the list is saved and loaded again, through real files.
//
// The input is the file's bytes.

#include "FuzzSupport.h"

#include "system/TextList.h"

#include <QFile>
#include <QUtf8StringView>

#include <cstddef>
#include <cstdint>

using namespace orq;
using orqfuzz::shown;

namespace {

QByteArray readBack(const QString& path) {
    QFile file(path);
    ORQ_FUZZ_REQUIRE(file.open(QIODevice::ReadOnly), path);
    return file.readAll();
}

void writeInput(const QString& path, QByteArrayView bytes) {
    QFile file(path);
    ORQ_FUZZ_REQUIRE(file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
                         file.write(bytes.data(), bytes.size()) == bytes.size(),
                     path);
}

// The lines a text holds, worked out another way than the loader does: every line end made a
// LF, then a split at LF, where a LF at the very end starts no line.
QStringList expectedLines(QString text) {
    const qsizetype nul = text.indexOf(QChar(u'\0'));
    if (nul >= 0)
        text.truncate(nul);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(u'\r', u'\n');
    if (text.isEmpty())
        return {};
    if (text.endsWith(u'\n'))
        text.chop(1);
    return text.split(u'\n');
}

// Each encoding reads its own bytes without loss: Windows-1252 every byte, UTF-16 every whole
// code unit, UTF-8 every well-formed text.
void requireEncodingKeepsBytes(QByteArrayView body, sys::TextEncoding encoding) {
    const QByteArray again = sys::encodeText(sys::decodeText(body, encoding), encoding);
    switch (encoding) {
    case sys::TextEncoding::Ansi:
        ORQ_FUZZ_REQUIRE(again == body, orqfuzz::shownBytes(body) + QStringLiteral(" -> ") +
                                            orqfuzz::shownBytes(again));
        break;
    case sys::TextEncoding::Utf16LE:
    case sys::TextEncoding::Utf16BE:
        ORQ_FUZZ_REQUIRE(again == body.first(body.size() / 2 * 2), orqfuzz::shownBytes(body) +
                                                                       QStringLiteral(" -> ") +
                                                                       orqfuzz::shownBytes(again));
        break;
    case sys::TextEncoding::Utf8:
        if (QUtf8StringView(body.data(), body.size()).isValidUtf8())
            ORQ_FUZZ_REQUIRE(again == body, orqfuzz::shownBytes(body) + QStringLiteral(" -> ") +
                                                orqfuzz::shownBytes(again));
        break;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArrayView input = orqfuzz::bytesOf(data, size);
    const QString& folder = orqfuzz::scratchFolder();
    const QString loadedPath = folder + QStringLiteral("/loaded.txt");
    const QString savedPath = folder + QStringLiteral("/saved.txt");

    writeInput(loadedPath, input);
    sys::TextList loaded;
    loaded.loadFromFile(loadedPath);

    qsizetype markLength = 0;
    const sys::TextEncoding encoding = sys::detectEncoding(input, &markLength);
    ORQ_FUZZ_REQUIRE(loaded.encoding() == encoding && loaded.wasLoaded(),
                     orqfuzz::shownBytes(input));
    const QByteArrayView body = input.sliced(markLength);
    requireEncodingKeepsBytes(body, encoding);
    const QStringList expected = expectedLines(sys::decodeText(body, encoding));
    ORQ_FUZZ_REQUIRE(loaded.lines == expected, orqfuzz::shownBytes(input) + QStringLiteral(": ") +
                                                   shown(loaded.lines) + QStringLiteral(" vs ") +
                                                   shown(expected));

    // Saved in the encoding read, behind its mark.
    loaded.saveToFile(savedPath);
    const QByteArray saved = readBack(savedPath);
    ORQ_FUZZ_REQUIRE(saved == loaded.toBytes(), orqfuzz::shownBytes(saved));
    ORQ_FUZZ_REQUIRE(saved.startsWith(sys::byteOrderMark(encoding)), orqfuzz::shownBytes(saved));

    // Loaded again: the same lines in the same encoding, and a second save changes no byte.
    sys::TextList reloaded;
    reloaded.loadFromFile(savedPath);
    ORQ_FUZZ_REQUIRE(reloaded.lines == loaded.lines,
                     orqfuzz::shownBytes(input) + QStringLiteral(": ") + shown(loaded.lines) +
                         QStringLiteral(" then ") + shown(reloaded.lines));
    ORQ_FUZZ_REQUIRE(reloaded.encoding() == loaded.encoding(), orqfuzz::shownBytes(input));
    ORQ_FUZZ_REQUIRE(reloaded.toBytes() == saved, orqfuzz::shownBytes(saved));

    // The same parsing without the file.
    sys::TextList fromBytes;
    fromBytes.setFromBytes(input);
    ORQ_FUZZ_REQUIRE(fromBytes.lines == loaded.lines && fromBytes.encoding() == encoding,
                     orqfuzz::shownBytes(input));
    return 0;
}
