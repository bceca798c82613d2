#pragma once

#include <QDate>
#include <QDateTime>
#include <QLocale>
#include <QString>

#include <memory>
#include <optional>

class QCollator;

namespace orq::sys {

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
};

} // namespace orq::sys
