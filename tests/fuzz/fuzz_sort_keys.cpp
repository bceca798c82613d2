// A click on Data/Hora or Tamanho sorts the bases by sort keys made from the cell texts, which
// come from catalogues anyone may have edited. Any text gets a key or the runtime's error; the
// texts the catalogue writes sort in the order of the instants and sizes they stand for.
//
// The input serves twice. As UTF-8 lines it is cell texts. As raw bytes, 16 at a time, it is the
// last-write times (8 bytes) and sizes (8 bytes) of made-up bases, the first two bytes giving
// the clock's offset from UTC.

#include "FuzzSupport.h"

#include "catalogue/BaseRecordText.h"
#include "listview/uTORQListView.h"
#include "system/Error.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <numeric>
#include <optional>
#include <vector>

using namespace orq;
using orqfuzz::shown;

namespace {

// The product's own locale (day, month, year) and one that writes the month first.
const sys::RegionalSettings& ptBR() {
    static const auto settings = sys::RegionalSettings::forLocale(QLocale(QStringLiteral("pt_BR")));
    return settings;
}

const sys::RegionalSettings& enUS() {
    static const auto settings = sys::RegionalSettings::forLocale(QLocale(QStringLiteral("en_US")));
    return settings;
}

int sign(qint64 v) {
    return v < 0 ? -1 : v > 0 ? 1 : 0;
}

// What a cell text's key must be, worked out with Qt's own date and number reading; nothing
// when the key must fail.
std::optional<QString> expectedKey(const QString& text, bool monthFirst) {
    if (IsDateText(text) || IsDateTimeText(text)) {
        const QDate date =
            QDate::fromString(text.first(10), monthFirst ? QStringLiteral("MM/dd/yyyy")
                                                         : QStringLiteral("dd/MM/yyyy"));
        if (!date.isValid() || date.year() < 1)
            return std::nullopt;
        QString key = QString::asprintf("%04d%02d%02d", date.year(), date.month(), date.day());
        if (text.size() == 19) {
            const QTime time = QTime::fromString(text.sliced(11), QStringLiteral("HH:mm:ss"));
            if (!time.isValid())
                return std::nullopt; // no such shape passes IsDateTimeText
            key += time.toString(QStringLiteral("HHmmss"));
        }
        return key;
    }
    if (IsNumericText(text)) {
        QString digits = text;
        digits.remove(u',').remove(u'.');
        bool ok = false;
        const qlonglong value = digits.toLongLong(&ok);
        if (digits.isEmpty() || !ok || value > 2147483647)
            return std::nullopt;
        return QStringLiteral("%1").arg(value, 20, 10, QLatin1Char('0'));
    }
    return text;
}

void requireKey(const QString& text, const sys::RegionalSettings& settings, bool monthFirst) {
    const std::optional<QString> expected = expectedKey(text, monthFirst);
    try {
        const QString key = SortKeyText(text, settings);
        ORQ_FUZZ_REQUIRE(expected && key == *expected,
                         shown(text) + QStringLiteral(" -> ") + shown(key) +
                             QStringLiteral(" vs ") +
                             (expected ? shown(*expected) : QStringLiteral("an error")));
        // A bare date sorts as its day's midnight: its key starts every key of that day.
        if (IsDateTimeText(text))
            ORQ_FUZZ_REQUIRE(key.startsWith(SortKeyText(text.first(10), settings)), shown(text));
    } catch (const Error& error) {
        const bool date = IsDateText(text) || IsDateTimeText(text);
        const QString message = date ? Error::invalidDate(text.first(10)).message()
                                     : Error::invalidInteger(DigitsOnly(text)).message();
        ORQ_FUZZ_REQUIRE(!expected && error.message() == message,
                         shown(text) + QStringLiteral(": ") + error.message());
    }
}

QStringList captionsOf(const ListStore& list) {
    QStringList captions;
    for (int i = 0; i < list.rowCount(); ++i)
        captions << list.row(i).caption();
    return captions;
}

void addRows(ListStore& list, const QList<QStringList>& rows, const std::vector<int>& order) {
    for (int position : order) {
        ListRow& row = list.addRow();
        row.setCaption(rows[position][0]);
        row.setSubItems(rows[position].mid(1));
    }
}

std::unique_ptr<TORQListView> baseList(const sys::RegionalSettings& settings) {
    auto list = std::make_unique<TORQListView>(settings);
    list->addColumn(QStringLiteral("Nome"), 356, Qt::AlignLeft);
    list->addColumn(QStringLiteral("Data/Hora"), 115, Qt::AlignHCenter);
    list->addColumn(QStringLiteral("Tamanho"), 86, Qt::AlignRight);
    return list;
}

// The window refills a sorted list from rows it puts in order itself, by the ranks of their
// texts; the list must end up exactly as if it had re-sorted them, or fail alike.
void requirePresortedRefillMatches(const QList<QStringList>& rows, int column,
                                   const sys::RegionalSettings& settings) {
    std::vector<int> inOrder(size_t(rows.size()));
    std::iota(inOrder.begin(), inOrder.end(), 0);

    auto resorted = baseList(settings);
    resorted->Ordenar(resorted->column(column));
    resorted->BeginUpdateORQ(int(rows.size()));
    addRows(*resorted, rows, inOrder);
    bool resortFailed = false;
    try {
        resorted->EndUpdateORQ();
    } catch (const Error&) {
        resortFailed = true;
    }

    auto presorted = baseList(settings);
    presorted->Ordenar(presorted->column(column));
    std::vector<const QString*> texts;
    for (const QStringList& row : rows)
        texts.push_back(&row[column]);
    std::vector<int> ranks;
    try {
        ranks = presorted->SortRanks(presorted->column(column), texts);
    } catch (const Error&) {
        ORQ_FUZZ_REQUIRE(resortFailed, shown(captionsOf(*resorted)));
        return;
    }
    ORQ_FUZZ_REQUIRE(!resortFailed, QStringLiteral("ranks made where the sort failed"));
    std::vector<int> positions = inOrder;
    TORQListView::SortPositionsByRank(positions, ranks);
    presorted->BeginUpdateORQ(int(rows.size()));
    addRows(*presorted, rows, positions);
    presorted->EndUpdateORQInSortedOrder();
    ORQ_FUZZ_REQUIRE(captionsOf(*presorted) == captionsOf(*resorted),
                     shown(captionsOf(*presorted)) + QStringLiteral(" vs ") +
                         shown(captionsOf(*resorted)));
    for (int i = 1; i < int(positions.size()); ++i)
        ORQ_FUZZ_REQUIRE(ranks[size_t(positions[size_t(i - 1)])] <=
                             ranks[size_t(positions[size_t(i)])],
                         shown(captionsOf(*presorted)));
}

struct Base {
    QDateTime local; // the instant as the catalogue shows it
    qint64 bytes = 0;
    QString dateText;
    QString sizeText;
};

qint64 readInt64(const uint8_t* at) {
    qint64 v = 0;
    std::memcpy(&v, at, sizeof v);
    return v;
}

std::vector<Base> basesFrom(const uint8_t* data, size_t size) {
    std::vector<Base> bases;
    if (size < 2)
        return bases;
    // Up to 14 hours either way, as real time zones go.
    const int offset = int(qint16(data[0] | (data[1] << 8))) % (14 * 60) * 60;
    // From the second day of year 1 to the day before the last of 9999, so the offset keeps
    // every local date within four-digit years.
    static const qint64 first = QDateTime(QDate(1, 1, 2), QTime(0, 0), Qt::UTC).toSecsSinceEpoch();
    static const qint64 last =
        QDateTime(QDate(9999, 12, 30), QTime(0, 0), Qt::UTC).toSecsSinceEpoch();
    for (size_t at = 2; at + 16 <= size && bases.size() < 32; at += 16) {
        Base base;
        const auto raw = quint64(readInt64(data + at));
        const QDateTime utc =
            QDateTime::fromSecsSinceEpoch(first + qint64(raw % quint64(last - first)), Qt::UTC);
        base.local = utc.addSecs(offset);
        // Sizes beyond 2^40 bytes reach the keys' limit often enough without being absurd.
        base.bytes = readInt64(data + at + 8) % (qint64(1) << 42);
        base.dateText = baseDateTimeText(utc, offset, ptBR());
        base.sizeText = baseSizeText(base.bytes, ptBR());
        bases.push_back(base);
    }
    return bases;
}

void requireBasesSortByInstantAndSize(const std::vector<Base>& bases) {
    std::vector<std::optional<QString>> sizeKeys;
    std::vector<QString> dateKeys;
    for (const Base& base : bases) {
        const QDate d = base.local.date();
        const QTime t = base.local.time();
        QString expected = QString::asprintf("%04d%02d%02d", d.year(), d.month(), d.day());
        if (t != QTime(0, 0))
            expected += QString::asprintf("%02d%02d%02d", t.hour(), t.minute(), t.second());
        const QString key = SortKeyText(base.dateText, ptBR());
        ORQ_FUZZ_REQUIRE(key == expected, shown(base.dateText) + QStringLiteral(" -> ") +
                                              shown(key) + QStringLiteral(" vs ") +
                                              shown(expected));
        dateKeys.push_back(key);

        const qint64 hundredths = sizeInHundredthsOfKilobyte(base.bytes);
        try {
            const QString sizeKey = SortKeyText(base.sizeText, ptBR());
            ORQ_FUZZ_REQUIRE(hundredths <= 2147483647 &&
                                 sizeKey ==
                                     QStringLiteral("%1").arg(hundredths, 20, 10, QLatin1Char('0')),
                             shown(base.sizeText) + QStringLiteral(" -> ") + shown(sizeKey));
            sizeKeys.push_back(sizeKey);
        } catch (const Error&) {
            ORQ_FUZZ_REQUIRE(hundredths > 2147483647, shown(base.sizeText));
            sizeKeys.push_back(std::nullopt);
        }
    }
    for (size_t i = 0; i < bases.size(); ++i) {
        for (size_t j = 0; j < bases.size(); ++j) {
            const qint64 apart = bases[j].local.secsTo(bases[i].local);
            ORQ_FUZZ_REQUIRE(sign(dateKeys[i].compare(dateKeys[j])) == sign(apart),
                             shown(bases[i].dateText) + QStringLiteral(" vs ") +
                                 shown(bases[j].dateText));
            const qint64 larger = bases[i].bytes - bases[j].bytes;
            const qint64 h = sizeInHundredthsOfKilobyte(bases[i].bytes) -
                             sizeInHundredthsOfKilobyte(bases[j].bytes);
            ORQ_FUZZ_REQUIRE(larger < 0 ? h <= 0 : h >= 0, shown(bases[i].sizeText) +
                                                               QStringLiteral(" vs ") +
                                                               shown(bases[j].sizeText));
            if (sizeKeys[i] && sizeKeys[j])
                ORQ_FUZZ_REQUIRE(sign(sizeKeys[i]->compare(*sizeKeys[j])) == sign(h),
                                 shown(bases[i].sizeText) + QStringLiteral(" vs ") +
                                     shown(bases[j].sizeText));
        }
    }

    // The list itself: a click sorts ascending, the next one descending.
    QList<QStringList> rows;
    for (size_t i = 0; i < bases.size(); ++i)
        rows.append({QStringLiteral("B%1").arg(i), bases[i].dateText, bases[i].sizeText});
    auto list = baseList(ptBR());
    std::vector<int> inOrder(size_t(rows.size()));
    std::iota(inOrder.begin(), inOrder.end(), 0);
    addRows(*list, rows, inOrder);
    const auto baseOf = [&](int row) -> const Base& {
        return bases[size_t(list->row(row).caption().sliced(1).toInt())];
    };
    for (int direction : {1, -1}) {
        list->Ordenar(list->column(1));
        for (int i = 1; i < list->rowCount(); ++i)
            ORQ_FUZZ_REQUIRE(sign(baseOf(i - 1).local.secsTo(baseOf(i).local)) * direction >= 0,
                             shown(captionsOf(*list)));
    }
    const QStringList before = captionsOf(*list);
    const bool sizesFit = std::all_of(sizeKeys.begin(), sizeKeys.end(),
                                      [](const std::optional<QString>& k) { return bool(k); });
    try {
        list->Ordenar(list->column(2));
        ORQ_FUZZ_REQUIRE(sizesFit, shown(captionsOf(*list)));
        for (int i = 1; i < list->rowCount(); ++i)
            ORQ_FUZZ_REQUIRE(sizeInHundredthsOfKilobyte(baseOf(i - 1).bytes) <=
                                 sizeInHundredthsOfKilobyte(baseOf(i).bytes),
                             shown(captionsOf(*list)));
    } catch (const Error&) {
        // A key that fails leaves the rows as they were.
        ORQ_FUZZ_REQUIRE(!sizesFit && captionsOf(*list) == before, shown(captionsOf(*list)));
    }
    requirePresortedRefillMatches(rows, 1, ptBR());
    requirePresortedRefillMatches(rows, 2, ptBR());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString text = QString::fromUtf8(orqfuzz::bytesOf(data, size));
    QStringList cells = text.split(u'\n');
    if (cells.size() > 64)
        cells.resize(64);
    for (const QString& cell : cells) {
        requireKey(cell, ptBR(), false);
        requireKey(cell, enUS(), true);
    }
    // Cells of any kind side by side, as a hand-edited catalogue may have them.
    QList<QStringList> rows;
    for (qsizetype i = 0; i < cells.size(); ++i)
        rows.append({QStringLiteral("R%1").arg(i), cells[i], cells[cells.size() - 1 - i]});
    requirePresortedRefillMatches(rows, 1, ptBR());
    requirePresortedRefillMatches(rows, 2, enUS());

    requireBasesSortByInstantAndSize(basesFrom(data, size));
    return 0;
}
