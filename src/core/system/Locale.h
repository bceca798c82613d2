#pragma once

#include <QDate>
#include <QDateTime>
#include <QLocale>
#include <QString>

#include <array>
#include <memory>
#include <optional>
#include <string>

class QCollator;

namespace orq::sys {

// The order a locale's collation (letter case ignored) gives the printable ASCII characters,
// space to tilde, as one weight each (1 and up, equal for characters it finds equal).
struct AsciiCollation {
    static constexpr char16_t First = u' ';
    static constexpr char16_t Last = u'~';
    std::array<quint8, Last - First + 1> weight{};

    static bool covers(QChar c) { return c.unicode() >= First && c.unicode() <= Last; }
    // Appends the text's weights: comparing two such keys byte by byte, a prefix first, is
    // comparing the texts by the collation. Every character must be covered. Appending lets a
    // sort keep the keys of all its rows in one buffer.
    void appendKey(const QString& text, std::string& to) const;
    std::string key(const QString& text) const {
        std::string out;
        appendKey(text, out);
        return out;
    }
};

// The user's regional settings: what the original platform's locale calls gave.
class RegionalSettings {
public:
    enum class DateOrder { DayMonthYear, MonthDayYear, YearMonthDay };

    // The settings of the user's locale (LANG / LC_ALL).
    static const RegionalSettings& user();
    // Settings of a named locale, for tests and tools ("pt_BR", "en_US").
    static RegionalSettings forLocale(const QLocale& locale);

    const QLocale& locale() const { return m_locale; }
    // Qt format patterns; the long time format carries no time-zone part.
    const QString& shortDateFormat() const { return m_shortDate; }
    const QString& longTimeFormat() const { return m_longTime; }
    QChar dateSeparator() const { return m_dateSeparator; }
    DateOrder dateOrder() const { return m_dateOrder; }
    QChar decimalSeparator() const { return m_decimal; }
    QChar thousandSeparator() const { return m_thousand; }

    QString formatDate(QDate date) const;
    QString formatTime(QTime time) const;

    // Reads a date written with the short date's order and separator: three numbers, each
    // of digits only, naming a day that exists. Two-digit years are not expanded.
    std::optional<QDate> parseShortDate(QStringView text) const;

    // The locale's collation with letter case ignored: negative, zero or positive.
    int compareIgnoreCase(const QString& a, const QString& b) const;
    const QCollator& collator() const { return *m_collator; }
    // The collation's order of printable ASCII, when it orders texts of those characters one
    // character at a time, as the Latin locales do; nothing for a locale with contractions
    // among them (Danish "aa", Czech "ch"), whose texts then go through the collator. Worked
    // out on first use (a few milliseconds) and checked against the collator on every text of
    // one and two such characters.
    const AsciiCollation* asciiCollation() const;

private:
    explicit RegionalSettings(const QLocale& locale);

    QLocale m_locale;
    QString m_shortDate;
    QString m_longTime;
    QChar m_dateSeparator;
    DateOrder m_dateOrder = DateOrder::DayMonthYear;
    QChar m_decimal;
    QChar m_thousand;
    std::shared_ptr<const QCollator> m_collator; // compare() is const and re-entrant
    struct AsciiOrder;
    std::shared_ptr<AsciiOrder> m_asciiOrder;
};

} // namespace orq::sys
