// orqcon.ini belongs to the product, which reads it too, and people edit it by hand: a write of
// one key must leave every other line exactly as it was, and no file may break a read.
//
// The input is three lines, the section, the key and the value (Windows-1252, each without its
// LF), then the file's bytes. An input without the three LFs stands for a missing file.

#include "FuzzSupport.h"

#include "system/Error.h"
#include "system/PrivateProfile.h"

#include <QFile>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

using namespace orq;
using orqfuzz::shown;
using sys::PrivateProfile;

namespace {

const QString CrLf = QStringLiteral("\r\n");

bool isAsciiWhiteSpace(QChar c) {
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == u'\v' || c == u'\f';
}

QString trimmedAscii(const QString& s) {
    qsizetype from = 0;
    qsizetype to = s.size();
    while (from < to && isAsciiWhiteSpace(s[from]))
        ++from;
    while (to > from && isAsciiWhiteSpace(s[to - 1]))
        --to;
    return s.sliced(from, to - from);
}

bool sameName(const QString& a, const QString& b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// Names and values that read back as written: one line each, nothing a read trims or unquotes,
// and a key that cannot pass for a section, a comment or a key and value of its own.
bool isWritable(const QString& section, const QString& key, const QString& value) {
    if (section.contains(u'\n') || key.contains(u'\n') || value.contains(u'\n'))
        return false;
    if (trimmedAscii(section) != section || trimmedAscii(key) != key ||
        trimmedAscii(value) != value)
        return false;
    if (key.contains(u'=') || key.startsWith(u'[') || key.startsWith(u';'))
        return false;
    const bool quoted = value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') &&
                        value.back() == value.front();
    return !quoted;
}

// The file as the units a text editor would see: bytes, or UTF-16 code units behind the
// UTF-16 mark (the odd last byte kept apart), cut into lines that keep their LF.
using Units = std::u16string;
struct File {
    bool utf16 = false;
    QByteArray strayByte;
    std::vector<Units> lines;
};

File fileOf(QByteArrayView bytes) {
    File file;
    Units units;
    if (bytes.startsWith("\xFF\xFE")) {
        file.utf16 = true;
        const QByteArrayView body = bytes.sliced(2);
        for (qsizetype i = 0; i + 1 < body.size(); i += 2)
            units += char16_t(uchar(body[i]) | (uchar(body[i + 1]) << 8));
        if (body.size() % 2 != 0)
            file.strayByte = body.last(1).toByteArray();
    } else {
        for (char b : bytes)
            units += char16_t(uchar(b));
    }
    std::size_t start = 0;
    while (start < units.size()) {
        const std::size_t lf = units.find(u'\n', start);
        const std::size_t end = lf == Units::npos ? units.size() : lf + 1;
        file.lines.push_back(units.substr(start, end - start));
        start = end;
    }
    return file;
}

// A text in the file's units: Windows-1252 bytes (the names come from such bytes, so every
// character has one) or UTF-16 code units.
Units unitsOf(const QString& text, bool utf16) {
    if (utf16)
        return Units(reinterpret_cast<const char16_t*>(text.utf16()), std::size_t(text.size()));
    const QByteArray bytes = sys::encodeAnsi(text);
    Units units;
    for (char b : bytes)
        units += char16_t(uchar(b));
    return units;
}

QString textOf(const Units& units, bool utf16) {
    if (utf16)
        return QString(reinterpret_cast<const QChar*>(units.data()), qsizetype(units.size()));
    QByteArray bytes;
    for (char16_t u : units)
        bytes += char(u);
    return sys::decodeAnsi(bytes);
}

QString shownLines(const File& file) {
    QStringList lines;
    for (const Units& line : file.lines)
        lines << textOf(line, file.utf16);
    return shown(lines);
}

bool endsWithLf(const Units& line) {
    return !line.empty() && line.back() == u'\n';
}

Units terminatorOf(const Units& line) {
    if (!endsWithLf(line))
        return {};
    return line.size() >= 2 && line[line.size() - 2] == u'\r' ? Units(u"\r\n") : Units(u"\n");
}

// The name a key line gives its key: up to the first "=", ASCII white space trimmed (a no-break
// space is part of the name).
QString keyNameOf(const Units& line, bool utf16) {
    const QString text = trimmedAscii(textOf(line, utf16));
    const qsizetype equals = text.indexOf(u'=');
    return equals < 0 ? QString() : trimmedAscii(text.first(equals));
}

// The write left the file as before but for its own key: one line replaced, one line added
// (behind a line end given to a last line that had none), or the section added at the end.
void requireOnlyTheKeyChanged(const File& before, const File& after, const QString& section,
                              const QString& key, const QString& value) {
    const QString detail = shownLines(before) + QStringLiteral(" -> ") + shownLines(after);
    ORQ_FUZZ_REQUIRE(after.utf16 == before.utf16 && after.strayByte == before.strayByte, detail);
    const auto& a = before.lines;
    const auto& b = after.lines;
    const bool utf16 = before.utf16;
    const Units keyLine = unitsOf(key + u'=' + value, utf16);
    const Units newLine = keyLine + u"\r\n";

    std::size_t i = 0;
    while (i < a.size() && i < b.size() && a[i] == b[i])
        ++i;
    if (b.size() == a.size()) {
        if (i == a.size())
            return; // the key held the value already
        ORQ_FUZZ_REQUIRE(std::equal(a.begin() + i + 1, a.end(), b.begin() + i + 1), detail);
        // The line keeps its key's spelling and its line end; the rest is the new value.
        const QString name = keyNameOf(a[i], utf16);
        ORQ_FUZZ_REQUIRE(sameName(name, key), detail);
        ORQ_FUZZ_REQUIRE(b[i] == unitsOf(name + u'=' + value, utf16) + terminatorOf(a[i]), detail);
    } else if (b.size() == a.size() + 1) {
        // Added behind a last line without a line end, which gets one; or anywhere else.
        if (i + 1 == a.size() && !endsWithLf(a[i]) && b[i] == a[i] + u"\r\n") {
            ORQ_FUZZ_REQUIRE(b[i + 1] == newLine, detail);
        } else {
            ORQ_FUZZ_REQUIRE(b[i] == newLine, detail);
            ORQ_FUZZ_REQUIRE(std::equal(a.begin() + i, a.end(), b.begin() + i + 1), detail);
        }
    } else {
        ORQ_FUZZ_REQUIRE(b.size() == a.size() + 2 && i + 1 >= a.size(), detail);
        if (i + 1 == a.size())
            ORQ_FUZZ_REQUIRE(!endsWithLf(a[i]) && b[i] == a[i] + u"\r\n", detail);
        ORQ_FUZZ_REQUIRE(b[a.size()] == unitsOf(u'[' + section + u']', utf16) + u"\r\n" &&
                             b[a.size() + 1] == newLine,
                         detail);
    }
}

QByteArray contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The names the file's own lines give, to read each one before and after the write: a section
// name from each line with brackets, a key from each line with "=" paired with the section
// above it. Lines that are neither give names too, which read as nothing either way.
QList<std::pair<QString, QString>> namesIn(const File& file) {
    QList<std::pair<QString, QString>> names;
    QString section;
    for (const Units& line : file.lines) {
        const QString text = trimmedAscii(textOf(line, file.utf16));
        const qsizetype close = text.lastIndexOf(u']');
        if (text.startsWith(u'[') && close > 0)
            section = trimmedAscii(text.sliced(1, close - 1));
        else if (text.contains(u'='))
            names.append({section, keyNameOf(line, file.utf16)});
        if (names.size() == 16)
            break;
    }
    return names;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const orqfuzz::Parts parts = orqfuzz::splitHeader(orqfuzz::bytesOf(data, size), 3);
    const QString section = orqfuzz::ansiText(parts.lines[0]);
    const QString key = orqfuzz::ansiText(parts.lines[1]);
    const QString value = orqfuzz::ansiText(parts.lines[2]);
    const QString path = orqfuzz::scratchFolder() + QStringLiteral("/orqcon.ini");

    QFile::remove(path);
    if (parts.hasRest) {
        QFile file(path);
        ORQ_FUZZ_REQUIRE(file.open(QIODevice::WriteOnly) &&
                             file.write(parts.rest.data(), parts.rest.size()) == parts.rest.size(),
                         path);
    }
    const QByteArray beforeBytes = contents(path);
    const File before = fileOf(beforeBytes);

    // Any file, any names: a read answers without failing, within the value's limit.
    const auto readBefore = PrivateProfile::read(path, section, key);
    ORQ_FUZZ_REQUIRE(!readBefore || readBefore->size() <= PrivateProfile::MaxValueLength,
                     shown(*readBefore));
    const auto others = namesIn(before);
    QList<std::optional<QString>> othersBefore;
    for (const auto& [otherSection, otherKey] : others)
        othersBefore.append(PrivateProfile::read(path, otherSection, otherKey));

    try {
        PrivateProfile::write(path, section, key, value);
    } catch (const Error& error) {
        orqfuzz::fail("the write succeeds", __FILE__, __LINE__, error.message());
    }
    const QByteArray afterBytes = contents(path);
    if (!isWritable(section, key, value)) {
        [[maybe_unused]] const auto readAfter = PrivateProfile::read(path, section, key);
        return 0;
    }

    const auto readAfter = PrivateProfile::read(path, section, key);
    ORQ_FUZZ_REQUIRE(
        readAfter && *readAfter == value.first(qMin(value.size(), PrivateProfile::MaxValueLength)),
        shown(value) + QStringLiteral(" read as ") +
            (readAfter ? shown(*readAfter) : QStringLiteral("nothing")));
    requireOnlyTheKeyChanged(before, fileOf(afterBytes), section, key, value);
    for (qsizetype i = 0; i < others.size(); ++i) {
        const auto& [otherSection, otherKey] = others[i];
        if (sameName(otherSection, section) && sameName(otherKey, key))
            continue;
        const auto otherAfter = PrivateProfile::read(path, otherSection, otherKey);
        ORQ_FUZZ_REQUIRE(otherAfter == othersBefore[i],
                         shown(otherSection) + u'/' + shown(otherKey) + QStringLiteral(" changed"));
    }

    // Writing the same value again changes no byte.
    PrivateProfile::write(path, section, key, value);
    ORQ_FUZZ_REQUIRE(contents(path) == afterBytes, shown(value));
    return 0;
}
