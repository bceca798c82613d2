#include "system/Locale.h"

#include <QRandomGenerator>
#include <QtTest>

using namespace orq::sys;

Q_DECLARE_METATYPE(orq::sys::RegionalSettings::DateOrder)

namespace {

RegionalSettings settings(const QString& name) {
    return RegionalSettings::forLocale(QLocale(name));
}

} // namespace

class LocaleTest : public QObject {
    Q_OBJECT

private slots:
    void settingsOfALocale_data() {
        using Order = RegionalSettings::DateOrder;
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("shortDate");
        QTest::addColumn<QString>("longTime");
        QTest::addColumn<QChar>("dateSeparator");
        QTest::addColumn<Order>("order");
        QTest::addColumn<QChar>("decimal");
        QTest::addColumn<QChar>("thousand");
        QTest::addColumn<QString>("date"); // 5 March 2013
        QTest::addColumn<QString>("time"); // 14:07:09
        QTest::newRow("pt_BR") << "pt_BR"
                               << "dd/MM/yyyy"
                               << "HH:mm:ss" << QChar(u'/') << Order::DayMonthYear << QChar(u',')
                               << QChar(u'.') << "05/03/2013"
                               << "14:07:09";
        QTest::newRow("en_US") << "en_US"
                               << "M/d/yy"
                               << "h:mm:ss AP" << QChar(u'/') << Order::MonthDayYear << QChar(u'.')
                               << QChar(u',') << "3/5/13"
                               << "2:07:09 PM";
        QTest::newRow("de_DE") << "de_DE"
                               << "dd.MM.yy"
                               << "HH:mm:ss" << QChar(u'.') << Order::DayMonthYear << QChar(u',')
                               << QChar(u'.') << "05.03.13"
                               << "14:07:09";
        QTest::newRow("sv_SE") << "sv_SE"
                               << "yyyy-MM-dd"
                               << "HH:mm:ss" << QChar(u'-') << Order::YearMonthDay << QChar(u',')
                               << QChar(0x00A0) << "2013-03-05"
                               << "14:07:09";
    }
    void settingsOfALocale() {
        QFETCH(QString, name);
        QFETCH(QString, shortDate);
        QFETCH(QString, longTime);
        QFETCH(QChar, dateSeparator);
        QFETCH(RegionalSettings::DateOrder, order);
        QFETCH(QChar, decimal);
        QFETCH(QChar, thousand);
        QFETCH(QString, date);
        QFETCH(QString, time);
        const RegionalSettings s = settings(name);
        QCOMPARE(s.shortDateFormat(), shortDate);
        QCOMPARE(s.longTimeFormat(), longTime);
        QCOMPARE(s.dateSeparator(), dateSeparator);
        QCOMPARE(s.dateOrder(), order);
        QCOMPARE(s.decimalSeparator(), decimal);
        QCOMPARE(s.thousandSeparator(), thousand);
        QCOMPARE(s.formatDate(QDate(2013, 3, 5)), date);
        QCOMPARE(s.formatTime(QTime(14, 7, 9)), time);
    }

    void parseShortDate_data() {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QDate>("expected"); // invalid: not a date
        const QDate none;
        QTest::newRow("pt_BR day first") << "pt_BR"
                                         << "05/03/2013" << QDate(2013, 3, 5);
        QTest::newRow("pt_BR without leading zeros") << "pt_BR"
                                                     << "5/3/2013" << QDate(2013, 3, 5);
        QTest::newRow("pt_BR leap day") << "pt_BR"
                                        << "29/02/2012" << QDate(2012, 2, 29);
        QTest::newRow("pt_BR 31 February") << "pt_BR"
                                           << "31/02/2013" << none;
        QTest::newRow("pt_BR 29 February, no leap year") << "pt_BR"
                                                         << "29/02/2013" << none;
        QTest::newRow("pt_BR month 13") << "pt_BR"
                                        << "05/13/2013" << none;
        QTest::newRow("pt_BR day 0") << "pt_BR"
                                     << "00/03/2013" << none;
        QTest::newRow("pt_BR two-digit year not expanded") << "pt_BR"
                                                           << "05/03/13" << QDate(13, 3, 5);
        QTest::newRow("pt_BR year 0") << "pt_BR"
                                      << "05/03/0" << none;
        QTest::newRow("pt_BR year 10000") << "pt_BR"
                                          << "05/03/10000" << none;
        QTest::newRow("pt_BR other separator") << "pt_BR"
                                               << "05-03-2013" << none;
        QTest::newRow("pt_BR two parts") << "pt_BR"
                                         << "05/03" << none;
        QTest::newRow("pt_BR four parts") << "pt_BR"
                                          << "05/03/2013/1" << none;
        QTest::newRow("pt_BR empty part") << "pt_BR"
                                          << "05//2013" << none;
        QTest::newRow("pt_BR leading blank") << "pt_BR"
                                             << " 05/03/2013" << none;
        QTest::newRow("pt_BR trailing blank") << "pt_BR"
                                              << "05/03/2013 " << none;
        QTest::newRow("pt_BR sign") << "pt_BR"
                                    << "+5/03/2013" << none;
        QTest::newRow("pt_BR letters") << "pt_BR"
                                       << "cinco/03/2013" << none;
        QTest::newRow("pt_BR with a time") << "pt_BR"
                                           << "05/03/2013 14:07:09" << none;
        QTest::newRow("pt_BR non-ASCII digits")
            << "pt_BR" << QString::fromUtf8("٠٥/03/2013") << none;
        QTest::newRow("pt_BR huge number") << "pt_BR"
                                           << "99999999999/03/2013" << none;
        QTest::newRow("pt_BR empty") << "pt_BR"
                                     << "" << none;
        QTest::newRow("en_US month first") << "en_US"
                                           << "3/5/2013" << QDate(2013, 3, 5);
        QTest::newRow("en_US 13th month") << "en_US"
                                          << "13/5/2013" << none;
        QTest::newRow("en_US 31 February") << "en_US"
                                           << "2/31/2013" << none;
        QTest::newRow("de_DE dots") << "de_DE"
                                    << "05.03.2013" << QDate(2013, 3, 5);
        QTest::newRow("de_DE slashes") << "de_DE"
                                       << "05/03/2013" << none;
        QTest::newRow("sv_SE year first") << "sv_SE"
                                          << "2013-03-05" << QDate(2013, 3, 5);
    }
    void parseShortDate() {
        QFETCH(QString, locale);
        QFETCH(QString, text);
        QFETCH(QDate, expected);
        const auto parsed = settings(locale).parseShortDate(text);
        QCOMPARE(parsed.has_value(), expected.isValid());
        if (parsed)
            QCOMPARE(*parsed, expected);
    }

    // Whatever the locale writes as a date, it reads back.
    void formattedDateParsesBack_data() {
        QTest::addColumn<QString>("locale");
        for (const char* name : {"pt_BR", "en_US", "de_DE", "sv_SE"})
            QTest::newRow(name) << QString::fromLatin1(name);
    }
    void formattedDateParsesBack() {
        QFETCH(QString, locale);
        const RegionalSettings s = settings(locale);
        const QDate date(2013, 12, 31);
        const auto parsed = s.parseShortDate(s.formatDate(date));
        QVERIFY(parsed.has_value());
        QCOMPARE(parsed->month(), 12);
        QCOMPARE(parsed->day(), 31);
    }

    void compareIgnoreCase_data() {
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::addColumn<int>("sign");
        QTest::newRow("case") << "base1"
                              << "BASE1" << 0;
        QTest::newRow("Latin case") << QString::fromUtf8("ação") << QString::fromUtf8("AÇÃO") << 0;
        QTest::newRow("order across case") << "a"
                                           << "B" << -1;
        QTest::newRow("order across case, reversed") << "B"
                                                     << "a" << 1;
        QTest::newRow("accent still counts") << "e" << QString::fromUtf8("é") << -1;
        QTest::newRow("accented letter among its base letters")
            << QString::fromUtf8("Ágata") << "Bruno" << -1;
    }
    void compareIgnoreCase() {
        QFETCH(QString, a);
        QFETCH(QString, b);
        QFETCH(int, sign);
        const int result = settings("pt_BR").compareIgnoreCase(a, b);
        QCOMPARE((result > 0) - (result < 0), sign);
    }

    // The user's settings follow the default locale when a tool or test changes it.
    void userFollowsTheDefaultLocale() {
        const QLocale saved;
        QLocale::setDefault(QLocale("pt_BR"));
        const QChar brazilian = RegionalSettings::user().decimalSeparator();
        QLocale::setDefault(QLocale("en_US"));
        const QChar american = RegionalSettings::user().decimalSeparator();
        QLocale::setDefault(saved);
        QCOMPARE(brazilian, QChar(u','));
        QCOMPARE(american, QChar(u'.'));
    }

    // The list sorts texts of printable ASCII by these weights instead of the collator's keys:
    // the two must agree on every pair, or rows would land elsewhere than the collator puts
    // them. Locales whose collation joins letters (Danish "aa", Czech "ch") must get none.
    void asciiCollationAgreesWithTheCollator_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("expected"); // 1 weights, 0 none, -1 either (checked if given)
        QTest::newRow("pt_BR") << "pt_BR" << 1;
        QTest::newRow("en_US") << "en_US" << 1;
        QTest::newRow("de_DE") << "de_DE" << 1;
        QTest::newRow("fr_FR") << "fr_FR" << 1;
        QTest::newRow("da_DK") << "da_DK" << 0;
        QTest::newRow("cs_CZ") << "cs_CZ" << 0;
        QTest::newRow("es_ES") << "es_ES" << -1;
        QTest::newRow("sv_SE") << "sv_SE" << -1;
        QTest::newRow("tr_TR") << "tr_TR" << -1;
        QTest::newRow("ja_JP") << "ja_JP" << -1;
        QTest::newRow("C") << "C" << 0;
    }
    void asciiCollationAgreesWithTheCollator() {
        QFETCH(QString, name);
        QFETCH(int, expected);
        const RegionalSettings locale = settings(name);
        const AsciiCollation* ascii = locale.asciiCollation();
        if (expected >= 0)
            QCOMPARE(ascii != nullptr, expected == 1);
        if (!ascii)
            return;
        // Texts like base names: letters of both cases, digits, the punctuation of names,
        // and every other printable character now and then.
        QRandomGenerator random(20261211);
        const QString common = QStringLiteral("aAbBcChHlLsSzZ019_-. ");
        const auto text = [&] {
            QString out;
            const int length = random.bounded(0, 7);
            for (int i = 0; i < length; ++i)
                out += random.bounded(4) ? common[random.bounded(int(common.size()))]
                                         : QChar(char16_t(random.bounded(32, 127)));
            return out;
        };
        for (int i = 0; i < 20000; ++i) {
            const QString a = text(), b = text();
            const int byWeights = ascii->key(a).compare(ascii->key(b));
            const int byCollator = locale.compareIgnoreCase(a, b);
            QVERIFY2((byWeights > 0) - (byWeights < 0) == (byCollator > 0) - (byCollator < 0),
                     qPrintable(QStringLiteral("\"%1\" against \"%2\": weights %3, collator %4")
                                    .arg(a, b)
                                    .arg(byWeights)
                                    .arg(byCollator)));
        }
    }
};

QTEST_APPLESS_MAIN(LocaleTest)
#include "test_system_locale.moc"
