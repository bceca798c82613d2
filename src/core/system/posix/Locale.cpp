#include "system/Locale.h"

#include <QCollator>

#include <map>

namespace orq::sys {

namespace {

// Qt's long time format carries a time-zone part ("t"); the regional time format the
// catalogue texts follow has none, so it is dropped together with the blanks around it.
QString withoutTimeZone(const QString& format) {
    QString out;
    bool quoted = false;
    for (QChar c : format) {
        if (c == u'\'')
            quoted = !quoted;
        if (!quoted && c == u't')
            continue;
        out += c;
    }
    return out.simplified();
}

QChar firstSeparator(const QString& format) {
    bool quoted = false;
    for (QChar c : format) {
        if (c == u'\'') {
            quoted = !quoted;
            continue;
        }
        if (!quoted && !c.isLetter())
            return c;
    }
    return u'/';
}

RegionalSettings::DateOrder orderOf(const QString& format) {
    const qsizetype d = format.indexOf(u'd');
    const qsizetype m = format.indexOf(u'M');
    const qsizetype y = format.indexOf(u'y');
    if (y >= 0 && (d < 0 || y < d) && (m < 0 || y < m))
        return RegionalSettings::DateOrder::YearMonthDay;
    if (m >= 0 && d >= 0 && m < d)
        return RegionalSettings::DateOrder::MonthDayYear;
    return RegionalSettings::DateOrder::DayMonthYear;
}

std::optional<int> digitsValue(QStringView part) {
    if (part.isEmpty() || part.size() > 9)
        return std::nullopt;
    int value = 0;
    for (QChar c : part) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
        value = value * 10 + (c.unicode() - u'0');
    }
    return value;
}

std::shared_ptr<const QCollator> makeCollator(const QLocale& locale) {
    auto collator = std::make_shared<QCollator>(locale);
    collator->setCaseSensitivity(Qt::CaseInsensitive);
    return collator;
}

} // namespace

RegionalSettings::RegionalSettings(const QLocale& locale)
    : m_locale(locale), m_shortDate(locale.dateFormat(QLocale::ShortFormat)),
      m_longTime(withoutTimeZone(locale.timeFormat(QLocale::LongFormat))),
      m_dateSeparator(firstSeparator(m_shortDate)), m_dateOrder(orderOf(m_shortDate)),
      m_decimal(locale.decimalPoint().front()),
      m_thousand(locale.groupSeparator().isEmpty() ? QChar() : locale.groupSeparator().front()),
      m_collator(makeCollator(locale)) {}

const RegionalSettings& RegionalSettings::user() {
    // QLocale() is the system locale unless a test or tool set another default; follow it.
    // Every settings object made stays alive, so references handed out earlier (a list view
    // keeps one) never dangle when the default changes.
    static std::map<QString, std::unique_ptr<RegionalSettings>> made;
    const QLocale current;
    auto& settings = made[current.name() + u'|' + current.bcp47Name()];
    if (!settings)
        settings.reset(new RegionalSettings(current));
    return *settings;
}

RegionalSettings RegionalSettings::forLocale(const QLocale& locale) {
    return RegionalSettings(locale);
}

QString RegionalSettings::formatDate(QDate date) const {
    return m_locale.toString(date, m_shortDate);
}

QString RegionalSettings::formatTime(QTime time) const {
    return m_locale.toString(time, m_longTime);
}

std::optional<QDate> RegionalSettings::parseShortDate(QStringView text) const {
    const qsizetype first = text.indexOf(m_dateSeparator);
    if (first < 0)
        return std::nullopt;
    const qsizetype second = text.indexOf(m_dateSeparator, first + 1);
    if (second < 0 || text.indexOf(m_dateSeparator, second + 1) >= 0)
        return std::nullopt;
    const auto a = digitsValue(text.first(first));
    const auto b = digitsValue(text.sliced(first + 1, second - first - 1));
    const auto c = digitsValue(text.sliced(second + 1));
    if (!a || !b || !c)
        return std::nullopt;
    int y = 0, m = 0, d = 0;
    switch (m_dateOrder) {
    case DateOrder::DayMonthYear:
        d = *a, m = *b, y = *c;
        break;
    case DateOrder::MonthDayYear:
        m = *a, d = *b, y = *c;
        break;
    case DateOrder::YearMonthDay:
        y = *a, m = *b, d = *c;
        break;
    }
    if (y < 1 || y > 9999 || !QDate::isValid(y, m, d))
        return std::nullopt;
    return QDate(y, m, d);
}

int RegionalSettings::compareIgnoreCase(const QString& a, const QString& b) const {
    return m_collator->compare(a, b);
}

} // namespace orq::sys
