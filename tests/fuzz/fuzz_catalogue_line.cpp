// The catalogue line decoder reads files anyone on the share may have edited, cut short or
// filled with junk, so it takes any text; the encoder's lines must read back as their fields.
//
// The input is the bytes of one line as the catalogue file holds it (Windows-1252). The same
// bytes, cut at every NUL, also serve as a list of fields to encode.

#include "FuzzSupport.h"

#include "catalogue/CatalogueLine.h"

#include <cstddef>
#include <cstdint>

using namespace orq;
using orqfuzz::shown;

namespace {

// A list of one empty field has no line of its own: the encoder writes the empty line, which is
// the empty list. The catalogue always writes three fields, so only that list is left out.
bool hasALine(const QStringList& fields) {
    return !(fields.size() == 1 && fields.front().isEmpty());
}

void requireRoundTrip(const QStringList& fields) {
    const QString line = encodeCatalogueLine(fields);
    bool quoteLeftOpen = true;
    const QStringList back = decodeCatalogueLine(line, &quoteLeftOpen);
    ORQ_FUZZ_REQUIRE(back == fields, shown(fields) + QStringLiteral(" -> ") + shown(line) +
                                         QStringLiteral(" -> ") + shown(back));
    ORQ_FUZZ_REQUIRE(!quoteLeftOpen, shown(fields) + QStringLiteral(" -> ") + shown(line));
}

// A crash in the middle of a write leaves the last field cut short; the catalogue tells such a
// line from a whole one by its open quote, wherever inside a quoted last field the cut falls.
void requireCutShowsAsOpen(const QStringList& fields) {
    const QString& last = fields.back();
    if (last.contains(u'"') || encodeCatalogueLine({last}) == last)
        return; // not quoted, or quoted with doubled quotes that a cut may pair up
    const QString line = encodeCatalogueLine(fields);
    const qsizetype opening = line.size() - last.size() - 2;
    ORQ_FUZZ_REQUIRE(line[opening] == u'"' && line.back() == u'"', shown(line));
    for (qsizetype cut = opening + 1; cut < line.size(); ++cut) {
        bool quoteLeftOpen = false;
        const QStringList back = decodeCatalogueLine(QStringView(line).first(cut), &quoteLeftOpen);
        ORQ_FUZZ_REQUIRE(quoteLeftOpen,
                         shown(line.first(cut)) + QStringLiteral(" -> ") + shown(back));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString text = orqfuzz::ansiText(orqfuzz::bytesOf(data, size));

    // Any line decodes; a NUL ends it, so nothing after one counts and no field holds one.
    bool quoteLeftOpen = false;
    const QStringList fields = decodeCatalogueLine(text, &quoteLeftOpen);
    for (const QString& field : fields)
        ORQ_FUZZ_REQUIRE(!field.contains(QChar(u'\0')), shown(field));
    const qsizetype nul = text.indexOf(QChar(u'\0'));
    if (nul >= 0) {
        bool beforeNulOpen = false;
        const QStringList beforeNul = decodeCatalogueLine(text.first(nul), &beforeNulOpen);
        ORQ_FUZZ_REQUIRE(beforeNul == fields && beforeNulOpen == quoteLeftOpen,
                         shown(fields) + QStringLiteral(" vs ") + shown(beforeNul));
    }

    // What was read, written back, reads as the same fields (a quote left open closes).
    if (hasALine(fields))
        requireRoundTrip(fields);

    // Any fields at all (NUL cannot be in one) survive being written and read.
    const QStringList written = text.split(QChar(u'\0'));
    if (hasALine(written)) {
        requireRoundTrip(written);
        requireCutShowsAsOpen(written);
    }
    return 0;
}
