#include "system/Locale.h"

#include <QCollator>

#include <algorithm>
#include <map>
#include <mutex>
#include <numeric>
#include <vector>

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

void AsciiCollation::appendKey(const QString& text, std::string& to) const {
    for (QChar c : text)
        to.push_back(char(weight[c.unicode() - First]));
}

struct RegionalSettings::AsciiOrder {
    std::once_flag once;
    std::optional<AsciiCollation> table;
};

RegionalSettings::RegionalSettings(const QLocale& locale)
    : m_locale(locale), m_shortDate(locale.dateFormat(QLocale::ShortFormat)),
      m_longTime(withoutTimeZone(locale.timeFormat(QLocale::LongFormat))),
      m_dateSeparator(firstSeparator(m_shortDate)), m_dateOrder(orderOf(m_shortDate)),
      m_decimal(locale.decimalPoint().front()),
      m_thousand(locale.groupSeparator().isEmpty() ? QChar() : locale.groupSeparator().front()),
      m_collator(makeCollator(locale)), m_asciiOrder(std::make_shared<AsciiOrder>()) {}

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

namespace {

std::optional<AsciiCollation> asciiCollationOf(const QCollator& collator) {
    constexpr int count = AsciiCollation::Last - AsciiCollation::First + 1;
    std::array<QString, count> single;
    std::array<int, count> order;
    for (int i = 0; i < count; ++i) {
        single[size_t(i)] = QChar(char16_t(AsciiCollation::First + i));
        order[size_t(i)] = i;
    }
    std::sort(order.begin(), order.end(), [&](int a, int b) {
        return collator.compare(single[size_t(a)], single[size_t(b)]) < 0;
    });
    AsciiCollation table;
    int weight = 1;
    for (int i = 0; i < count; ++i) {
        if (i > 0 && collator.compare(single[size_t(order[size_t(i - 1)])],
                                      single[size_t(order[size_t(i)])]) != 0)
            ++weight;
        table.weight[size_t(order[size_t(i)])] = quint8(weight);
    }

    // The weights hold only if the collation reads these texts one character at a time: every
    // text of one or two characters, put in the weights' order, must be in the collator's
    // order too, each neighbour equal exactly where the weights are.
    std::vector<QString> texts(single.begin(), single.end());
    for (const QString& a : single)
        for (const QString& b : single)
            texts.push_back(a + b);
    std::vector<std::string> keys;
    keys.reserve(texts.size());
    for (const QString& text : texts)
        keys.push_back(table.key(text));
    std::vector<int> byKey(texts.size());
    std::iota(byKey.begin(), byKey.end(), 0);
    std::sort(byKey.begin(), byKey.end(),
              [&](int a, int b) { return keys[size_t(a)] < keys[size_t(b)]; });
    for (size_t i = 1; i < byKey.size(); ++i) {
        const int a = byKey[i - 1], b = byKey[i];
        const bool equalKeys = keys[size_t(a)] == keys[size_t(b)];
        const int byCollator = collator.compare(texts[size_t(a)], texts[size_t(b)]);
        if (equalKeys ? byCollator != 0 : byCollator >= 0)
            return std::nullopt;
    }
    return table;
}

} // namespace

const AsciiCollation* RegionalSettings::asciiCollation() const {
    // Qt's C-locale collator compares without ICU and ignores case only when comparing; its
    // order is not worked out here.
    if (m_locale.language() == QLocale::C)
        return nullptr;
    std::call_once(m_asciiOrder->once,
                   [this] { m_asciiOrder->table = asciiCollationOf(*m_collator); });
    return m_asciiOrder->table ? &*m_asciiOrder->table : nullptr;
}

} // namespace orq::sys
