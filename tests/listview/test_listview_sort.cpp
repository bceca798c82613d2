#include "ListViewFixture.h"

#include "system/Error.h"

#include <QtTest>

using namespace orq;
using namespace orqtest;

class TestListViewSort : public QObject {
    Q_OBJECT

private slots:
    void isDateText_data();
    void isDateText();
    void isDateTimeText_data();
    void isDateTimeText();
    void isNumericText_data();
    void isNumericText();
    void digitsOnly_data();
    void digitsOnly();
    void sortKey_data();
    void sortKey();
    void sortKeyErrors_data();
    void sortKeyErrors();

    void sortsByTypedKeys_data();
    void sortsByTypedKeys();
    void equalKeysLeaveInTheQuicksortOrder_data();
    void equalKeysLeaveInTheQuicksortOrder();
    void directionFollowsTheColumn();
    void emptyListStillTogglesTheDirection();
    void failedSortLeavesRowsUntouched_data();
    void failedSortLeavesRowsUntouched();
    void rebuiltRowsCarryTheirFieldsButNoMarks();
    void checkedStateSurvivesWithoutNotifying();
    void manyRowsSortLikeTheirValues();
    void manyDateTimesSortByInstant();
};

void TestListViewSort::isDateText_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("date");
    QTest::newRow("plain date") << "17/09/2013" << true;
    QTest::newRow("lowest shape") << "00/00/0000" << true;
    QTest::newRow("shape only, no such day") << "39/19/2013" << true;
    QTest::newRow("day tens above 3") << "41/01/2013" << false;
    QTest::newRow("month tens above 1") << "01/21/2013" << false;
    QTest::newRow("nine characters") << "1/01/2013" << false;
    QTest::newRow("with time") << "17/09/2013 10:33:19" << false;
    QTest::newRow("trailing blank") << "17/09/2013 " << false;
    QTest::newRow("other separator") << "17-09-2013" << false;
    QTest::newRow("letter in year") << "17/09/201a" << false;
    QTest::newRow("full-width digit") << QString::fromUtf8("1７/09/2013") << false;
    QTest::newRow("empty") << "" << false;
}

void TestListViewSort::isDateText() {
    QFETCH(QString, text);
    QFETCH(bool, date);
    QCOMPARE(IsDateText(text), date);
}

void TestListViewSort::isDateTimeText_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("dateTime");
    QTest::newRow("date and time") << "05/03/2013 14:07:09" << true;
    QTest::newRow("last second of a day") << "31/12/2012 23:59:59" << true;
    QTest::newRow("midnight written out") << "05/03/2013 00:00:00" << true;
    QTest::newRow("hour 19") << "05/03/2013 19:00:00" << true;
    QTest::newRow("date shape only") << "39/19/2013 10:00:00" << true;
    QTest::newRow("bare date") << "05/03/2013" << false;
    QTest::newRow("no seconds") << "05/03/2013 14:07" << false;
    QTest::newRow("hour 24") << "05/03/2013 24:00:00" << false;
    QTest::newRow("hour 30") << "05/03/2013 30:00:00" << false;
    QTest::newRow("minute 60") << "05/03/2013 14:60:09" << false;
    QTest::newRow("second 60") << "05/03/2013 14:07:60" << false;
    QTest::newRow("one-digit hour") << "05/03/2013 9:07:09" << false;
    QTest::newRow("two blanks") << "05/03/2013  14:07:09" << false;
    QTest::newRow("tab") << "05/03/2013\t14:07:09" << false;
    QTest::newRow("no blank") << "05/03/201314:07:09" << false;
    QTest::newRow("trailing blank") << "05/03/2013 14:07:09 " << false;
    QTest::newRow("milliseconds") << "05/03/2013 14:07:09.5" << false;
    QTest::newRow("other time separator") << "05/03/2013 14.07.09" << false;
    QTest::newRow("bad date shape") << "41/03/2013 14:07:09" << false;
    QTest::newRow("letter in time") << "05/03/2013 14:o7:09" << false;
    QTest::newRow("full-width digit in time") << QString::fromUtf8("05/03/2013 14:07:0９") << false;
    QTest::newRow("empty") << "" << false;
}

void TestListViewSort::isDateTimeText() {
    QFETCH(QString, text);
    QFETCH(bool, dateTime);
    QCOMPARE(IsDateTimeText(text), dateTime);
}

void TestListViewSort::isNumericText_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("numeric");
    QTest::newRow("digits") << "125" << true;
    QTest::newRow("size") << "1.234,56" << true;
    QTest::newRow("separators only") << ".." << true;
    QTest::newRow("empty") << "" << false;
    QTest::newRow("minus") << "-1" << false;
    QTest::newRow("blank") << "1 234" << false;
    QTest::newRow("letter") << "12a" << false;
    QTest::newRow("arabic-indic digit") << QString::fromUtf8("١٢") << false;
}

void TestListViewSort::isNumericText() {
    QFETCH(QString, text);
    QFETCH(bool, numeric);
    QCOMPARE(IsNumericText(text), numeric);
}

void TestListViewSort::digitsOnly_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("digits");
    QTest::newRow("size") << "1.234,56"
                          << "123456";
    QTest::newRow("none") << ".."
                          << "";
    QTest::newRow("mixed") << "a1b2 c3"
                           << "123";
    QTest::newRow("non-ASCII digits dropped") << QString::fromUtf8("1٢３") << "1";
}

void TestListViewSort::digitsOnly() {
    QFETCH(QString, text);
    QFETCH(QString, digits);
    QCOMPARE(DigitsOnly(text), digits);
}

void TestListViewSort::sortKey_data() {
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("key");
    QTest::newRow("day-first date") << "pt_BR"
                                    << "17/09/2013"
                                    << "20130917";
    QTest::newRow("month-first date") << "en_US"
                                      << "05/01/2014"
                                      << "20140501";
    QTest::newRow("leap day") << "pt_BR"
                              << "29/02/2012"
                              << "20120229";
    QTest::newRow("decimal comma dropped") << "pt_BR"
                                           << "12,5"
                                           << "00000000000000000125";
    QTest::newRow("plain number") << "pt_BR"
                                  << "125"
                                  << "00000000000000000125";
    QTest::newRow("size") << "pt_BR"
                          << "1.234,56"
                          << "00000000000000123456";
    QTest::newRow("largest integer") << "pt_BR"
                                     << "2147483647"
                                     << "00000000002147483647";
    QTest::newRow("leading zeros beyond ten digits") << "pt_BR"
                                                     << "0000000000000000000000042"
                                                     << "00000000000000000042";
    QTest::newRow("zero") << "pt_BR"
                          << "0"
                          << "00000000000000000000";
    QTest::newRow("day-first date and time") << "pt_BR"
                                             << "05/03/2013 14:07:09"
                                             << "20130305140709";
    QTest::newRow("month-first date and time") << "en_US"
                                               << "05/01/2014 08:00:00"
                                               << "20140501080000";
    QTest::newRow("last second of a year") << "pt_BR"
                                           << "31/12/2012 23:59:59"
                                           << "20121231235959";
    QTest::newRow("midnight written out") << "pt_BR"
                                          << "05/03/2013 00:00:00"
                                          << "20130305000000";
    // A date with a time of any other shape is a text like any other, even when its date part
    // names no day.
    QTest::newRow("no seconds is text") << "pt_BR"
                                        << "05/03/2013 14:07"
                                        << "05/03/2013 14:07";
    QTest::newRow("hour 24 is text") << "pt_BR"
                                     << "05/03/2013 24:00:00"
                                     << "05/03/2013 24:00:00";
    QTest::newRow("two blanks is text") << "pt_BR"
                                        << "05/03/2013  14:07:09"
                                        << "05/03/2013  14:07:09";
    QTest::newRow("no such day with a bad time is text") << "pt_BR"
                                                         << "31/02/2013 14:07"
                                                         << "31/02/2013 14:07";
    QTest::newRow("name") << "pt_BR"
                          << "BASE_12345"
                          << "BASE_12345";
    QTest::newRow("empty") << "pt_BR"
                           << ""
                           << "";
}

void TestListViewSort::sortKey() {
    QFETCH(QString, locale);
    QFETCH(QString, text);
    QFETCH(QString, key);
    QCOMPARE(SortKeyText(text, settingsFor(locale)), key);
}

void TestListViewSort::sortKeyErrors_data() {
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("message");
    QTest::newRow("no 31st of February") << "pt_BR"
                                         << "31/02/2013"
                                         << "''31/02/2013'' is not a valid date";
    QTest::newRow("date shape only") << "pt_BR"
                                     << "39/19/2013"
                                     << "''39/19/2013'' is not a valid date";
    QTest::newRow("month 17 under month-first settings") << "en_US"
                                                         << "17/09/2013"
                                                         << "''17/09/2013'' is not a valid date";
    QTest::newRow("separator is not a slash") << "de_DE"
                                              << "17/09/2013"
                                              << "''17/09/2013'' is not a valid date";
    QTest::newRow("year first") << "ja_JP"
                                << "17/09/2013"
                                << "''17/09/2013'' is not a valid date";
    // A date-time fails as its date alone would.
    QTest::newRow("no 31st of February, with time") << "pt_BR"
                                                    << "31/02/2013 10:00:00"
                                                    << "''31/02/2013'' is not a valid date";
    QTest::newRow("date shape only, with time") << "pt_BR"
                                                << "39/19/2013 23:59:59"
                                                << "''39/19/2013'' is not a valid date";
    QTest::newRow("month 17 under month-first settings, with time")
        << "en_US"
        << "17/09/2013 10:33:19"
        << "''17/09/2013'' is not a valid date";
    QTest::newRow("year first, with time") << "ja_JP"
                                           << "17/09/2013 10:33:19"
                                           << "''17/09/2013'' is not a valid date";
    QTest::newRow("no digits") << "pt_BR"
                               << ".."
                               << "'''' is not a valid integer value";
    QTest::newRow("above 2147483647") << "pt_BR"
                                      << "2147483648"
                                      << "''2147483648'' is not a valid integer value";
    QTest::newRow("digits-only text in message") << "pt_BR"
                                                 << "99.999.999.999"
                                                 << "''99999999999'' is not a valid integer value";
}

void TestListViewSort::sortKeyErrors() {
    QFETCH(QString, locale);
    QFETCH(QString, text);
    QFETCH(QString, message);
    try {
        SortKeyText(text, settingsFor(locale));
        QFAIL("no key expected");
    } catch (const Error& error) {
        QCOMPARE(error.message(), message);
    }
}

void TestListViewSort::sortsByTypedKeys_data() {
    QTest::addColumn<QString>("locale");
    QTest::addColumn<int>("column");
    QTest::addColumn<QStringList>("cells");
    QTest::addColumn<QStringList>("ascending");

    QTest::newRow("numbers by value")
        << "pt_BR" << 0 << QStringList{"10", "9", "100"} << QStringList{"9", "10", "100"};
    QTest::newRow("letter case ignored")
        << "pt_BR" << 0 << QStringList{"b", "A", "c"} << QStringList{"A", "b", "c"};
    QTest::newRow("letter case ignored, C locale")
        << "C" << 0 << QStringList{"b", "D", "A", "c"} << QStringList{"A", "b", "c", "D"};
    QTest::newRow("names") << "pt_BR" << 0 << QStringList{"BASE_2", "base_10", "BASE_1"}
                           << QStringList{"BASE_1", "base_10", "BASE_2"};
    QTest::newRow("accents follow the locale")
        << "pt_BR" << 0 << QStringList{"Bola", QString::fromUtf8("Árvore"), "abacate"}
        << QStringList{"abacate", QString::fromUtf8("Árvore"), "Bola"};
    QTest::newRow("day-first dates") << "pt_BR" << 1 << QStringList{"05/01/2014", "17/09/2013"}
                                     << QStringList{"17/09/2013", "05/01/2014"};
    QTest::newRow("month-first dates")
        << "en_US" << 1 << QStringList{"05/01/2014", "01/05/2014", "12/31/2013"}
        << QStringList{"12/31/2013", "01/05/2014", "05/01/2014"};
    QTest::newRow("dates with time")
        << "pt_BR" << 1
        << QStringList{"17/09/2013 10:33:19", "05/01/2014 08:00:00", "17/09/2013 09:59:59"}
        << QStringList{"17/09/2013 09:59:59", "17/09/2013 10:33:19", "05/01/2014 08:00:00"};
    // A bare date is a midnight: after the day before, before any later time of its day.
    QTest::newRow("bare dates among dates with time")
        << "pt_BR" << 1
        << QStringList{"01/02/2015 10:00:00", "05/03/2013 14:07:09", "05/03/2013",
                       "31/12/2012 23:59:59"}
        << QStringList{"31/12/2012 23:59:59", "05/03/2013", "05/03/2013 14:07:09",
                       "01/02/2015 10:00:00"};
    QTest::newRow("a bare date between its neighbouring seconds")
        << "pt_BR" << 1
        << QStringList{"05/03/2013 00:00:01", "05/03/2013", "04/03/2013 23:59:59", "06/03/2013"}
        << QStringList{"04/03/2013 23:59:59", "05/03/2013", "05/03/2013 00:00:01", "06/03/2013"};
    QTest::newRow("month-first dates with time")
        << "en_US" << 1
        << QStringList{"05/01/2014 08:00:00", "01/05/2014", "12/31/2013 23:59:59",
                       "01/05/2014 00:00:01"}
        << QStringList{"12/31/2013 23:59:59", "01/05/2014", "01/05/2014 00:00:01",
                       "05/01/2014 08:00:00"};
    // A text in the column makes the sort go through the locale's collation keys; the dates
    // must keep their order there, and a badly shaped time sorts as the text it is.
    QTest::newRow("dates with time among texts")
        << "pt_BR" << 1 << QStringList{"Sem data",         "01/02/2015 10:00:00",
                                       "05/03/2013 14:07", "05/03/2013 00:00:01",
                                       "05/03/2013",       "04/03/2013 23:59:59"}
        << QStringList{"05/03/2013 14:07",    "04/03/2013 23:59:59", "05/03/2013",
                       "05/03/2013 00:00:01", "01/02/2015 10:00:00", "Sem data"};
    QTest::newRow("sizes by value")
        << "pt_BR" << 2 << QStringList{"1.234,56", "99,00", "12.345,00", "100,00"}
        << QStringList{"99,00", "100,00", "1.234,56", "12.345,00"};
    QTest::newRow("numbers before dates")
        << "pt_BR" << 2 << QStringList{"05/01/2014", "7"} << QStringList{"7", "05/01/2014"};
}

void TestListViewSort::sortsByTypedKeys() {
    QFETCH(QString, locale);
    QFETCH(int, column);
    QFETCH(QStringList, cells);
    QFETCH(QStringList, ascending);
    auto list = makeBaseList(settingsFor(locale));
    addRows(*list, rowsWithColumn(column, cells));

    list->Ordenar(list->column(column));
    QCOMPARE(columnTexts(*list, column), ascending);
    list->Ordenar(list->column(column));
    QCOMPARE(columnTexts(*list, column), reversed(ascending));
}

void TestListViewSort::equalKeysLeaveInTheQuicksortOrder_data() {
    QTest::addColumn<QStringList>("cells");
    QTest::addColumn<QStringList>("ascending");
    // A stable sort would keep the equal keys in their first order in every case.
    QTest::newRow("all equal") << QStringList{"125", "12,5", "1.25"}
                               << QStringList{"1.25", "12,5", "125"};
    QTest::newRow("equal pair with texts")
        << QStringList{"b", "125", "a", "12,5"} << QStringList{"12,5", "125", "a", "b"};
    QTest::newRow("letter case") << QStringList{"a", "A"} << QStringList{"A", "a"};
    QTest::newRow("several ties") << QStringList{"b", "1,0", "a", "10", "B", "01,0", "c", "A"}
                                  << QStringList{"10", "01,0", "1,0", "A", "a", "b", "B", "c"};
}

void TestListViewSort::equalKeysLeaveInTheQuicksortOrder() {
    QFETCH(QStringList, cells);
    QFETCH(QStringList, ascending);
    auto list = makeBaseList(ptBR());
    addRows(*list, rowsWithColumn(0, cells));
    list->Ordenar(list->column(0));
    QCOMPARE(columnTexts(*list), ascending);

    // Descending reads the ascending result backwards, ties included.
    list->clearRows();
    addRows(*list, rowsWithColumn(0, cells));
    list->Ordenar(list->column(0));
    QVERIFY(!list->OrdemCrescente());
    QCOMPARE(columnTexts(*list), reversed(ascending));
}

void TestListViewSort::directionFollowsTheColumn() {
    auto list = makeBaseList(ptBR());
    addRows(*list, {{"b", "1"}, {"a", "2"}});
    ListColumn& name = list->column(0);
    ListColumn& date = list->column(1);

    list->Ordenar(name);
    QVERIFY(list->OrdemCrescente());
    list->Ordenar(name);
    QVERIFY(!list->OrdemCrescente());
    QCOMPARE(columnTexts(*list), QStringList({"b", "a"}));
    list->Ordenar(date);
    QCOMPARE(list->ColunaOrdenada(), &date);
    QVERIFY(list->OrdemCrescente());
    list->Ordenar(name);
    QVERIFY(list->OrdemCrescente());
    QCOMPARE(columnTexts(*list), QStringList({"a", "b"}));
}

void TestListViewSort::emptyListStillTogglesTheDirection() {
    auto list = makeBaseList(ptBR());
    ListColumn& size = list->column(2);
    list->Ordenar(size);
    QCOMPARE(list->ColunaOrdenada(), &size);
    QVERIFY(list->OrdemCrescente());
    list->Ordenar(size);
    QVERIFY(!list->OrdemCrescente());
    QCOMPARE(list->rowCount(), 0);
    QVERIFY(!list->isUpdating());
}

void TestListViewSort::failedSortLeavesRowsUntouched_data() {
    QTest::addColumn<int>("column");
    QTest::addColumn<QStringList>("badRow");
    QTest::addColumn<QString>("message");
    QTest::newRow("separators only")
        << 2 << QStringList{"z", "4", ".."} << "'''' is not a valid integer value";
    QTest::newRow("too large") << 1 << QStringList{"z", "2147483648", "4,00"}
                               << "''2147483648'' is not a valid integer value";
    QTest::newRow("no such day") << 0 << QStringList{"31/02/2013", "4", "4,00"}
                                 << "''31/02/2013'' is not a valid date";
    QTest::newRow("no such day, with time") << 1 << QStringList{"z", "31/02/2013 10:00:00", "4,00"}
                                            << "''31/02/2013'' is not a valid date";
    QTest::newRow("missing sub-item")
        << 2 << QStringList{"z", "4"} << "List index out of bounds (1)";
    QTest::newRow("no sub-items") << 1 << QStringList{"z"} << "List index out of bounds (0)";
}

void TestListViewSort::failedSortLeavesRowsUntouched() {
    QFETCH(int, column);
    QFETCH(QStringList, badRow);
    QFETCH(QString, message);
    auto list = makeBaseList(ptBR());
    list->setCheckBoxes(true);
    // The bad row comes last, so every other key is made before the failure.
    addRows(*list, {{"b", "2", "1,00"}, {"a", "1", "2,00"}, {"c", "3", "3,00"}, badRow});
    list->row(1).setSelected(true);
    list->row(2).setFocused(true);
    list->row(2).setChecked(true);
    QList<const ListRow*> rowsBefore;
    for (int i = 0; i < list->rowCount(); ++i)
        rowsBefore << &list->row(i);
    int checkEvents = 0;
    list->OnItemChecked = [&](ListRow&) { ++checkEvents; };

    for (bool ascending : {true, false}) {
        try {
            list->Ordenar(list->column(column));
            QFAIL("the sort should fail");
        } catch (const Error& error) {
            QCOMPARE(error.message(), message);
        }
        // Same row objects in the same order with the same marks; the new sort state holds,
        // so the second failed attempt already counts as a second click.
        for (int i = 0; i < list->rowCount(); ++i)
            QCOMPARE(&list->row(i), rowsBefore[i]);
        QCOMPARE(columnTexts(*list), QStringList({"b", "a", "c", badRow[0]}));
        QCOMPARE(list->selectedRow(), rowsBefore[1]);
        QCOMPARE(list->focusedRow(), rowsBefore[2]);
        QVERIFY(list->row(2).checked());
        QCOMPARE(list->ColunaOrdenada(), &list->column(column));
        QCOMPARE(list->OrdemCrescente(), ascending);
        QVERIFY(!list->isUpdating());
    }
    list->row(0).setChecked(true);
    QCOMPARE(checkEvents, 1); // the handler is back
}

void TestListViewSort::rebuiltRowsCarryTheirFieldsButNoMarks() {
    auto list = makeBaseList(ptBR());
    int payloads[2] = {};
    ListRow& b = list->addRow();
    b.setCaption(QStringLiteral("b"));
    b.setSubItems({QStringLiteral("b1"), QStringLiteral("b2"), QStringLiteral("b3")});
    b.setData(&payloads[0]);
    b.setImageIndex(3);
    b.setOverlayIndex(4);
    b.setStateIndex(5);
    b.setIndent(6);
    b.setGroupId(7);
    b.setSelected(true);
    b.setFocused(true);
    ListRow& a = list->addRow();
    a.setCaption(QStringLiteral("a"));
    a.setData(&payloads[1]);

    list->Ordenar(list->column(0));

    QCOMPARE(columnTexts(*list), QStringList({"a", "b"}));
    const ListRow& first = list->row(0);
    const ListRow& second = list->row(1);
    QCOMPARE(first.data(), static_cast<void*>(&payloads[1]));
    QCOMPARE(first.subItems(), QStringList());
    QCOMPARE(first.groupId(), -1);
    QCOMPARE(second.data(), static_cast<void*>(&payloads[0]));
    QCOMPARE(second.subItems(), QStringList({"b1", "b2", "b3"}));
    QCOMPARE(second.imageIndex(), 3);
    QCOMPARE(second.overlayIndex(), 4);
    QCOMPARE(second.stateIndex(), 5);
    QCOMPARE(second.indent(), 6);
    QCOMPARE(second.groupId(), 7);
    QCOMPARE(second.index(), 1);
    QCOMPARE(second.owner(), list.get());
    QVERIFY(!second.selected());
    QVERIFY(!second.focused());
    QCOMPARE(list->selectedRow(), nullptr);
    QCOMPARE(list->focusedRow(), nullptr);
}

void TestListViewSort::checkedStateSurvivesWithoutNotifying() {
    for (bool checkBoxes : {true, false}) {
        auto list = makeBaseList(ptBR());
        list->setCheckBoxes(checkBoxes);
        addRows(*list, rowsWithColumn(0, {"d", "b", "c", "a"}));
        list->row(0).setChecked(true); // d
        list->row(1).setChecked(true); // b
        int checkEvents = 0;
        list->OnItemChecked = [&](ListRow&) { ++checkEvents; };

        list->Ordenar(list->column(0));

        QCOMPARE(checkEvents, 0);
        QCOMPARE(columnTexts(*list), QStringList({"a", "b", "c", "d"}));
        const QList<bool> checked = checkBoxes ? QList<bool>{false, true, false, true}
                                               : QList<bool>{true, true, true, true};
        for (int i = 0; i < list->rowCount(); ++i)
            QCOMPARE(list->row(i).checked(), checked[i]);
        QCOMPARE(list->CheckedCount(), checkBoxes ? 2 : 4);
        list->setCheckBoxes(true);
        list->row(0).setChecked(!list->row(0).checked());
        QCOMPARE(checkEvents, 1);
    }
}

void TestListViewSort::manyRowsSortLikeTheirValues() {
    // A larger list in a scrambled order, compared with the values' own order: catches a
    // partition that loses or duplicates rows, and keys that do not keep numeric order.
    auto list = makeBaseList(ptBR());
    QList<int> values;
    for (int i = 0; i < 2000; ++i)
        values << int((i * 7919L) % 2000) * 13;
    QList<QStringList> rows;
    for (int v : values)
        rows << QStringList{QStringLiteral("BASE_%1").arg(v), QString(),
                            QStringLiteral("%1,%2").arg(v / 100).arg(v % 100, 2, 10, QChar(u'0'))};
    addRows(*list, rows);

    list->Ordenar(list->column(2));

    std::sort(values.begin(), values.end());
    QCOMPARE(list->rowCount(), int(values.size()));
    for (int i = 0; i < list->rowCount(); ++i)
        QCOMPARE(list->row(i).caption(), QStringLiteral("BASE_%1").arg(values[i]));
}

void TestListViewSort::manyDateTimesSortByInstant() {
    // Instants scattered over years, days and seconds, written as the "Data/Hora" column writes
    // them (midnight as the date alone), compared with the instants' own order: catches keys
    // that misplace a time field or a bare date.
    auto list = makeBaseList(ptBR());
    const QDateTime start(QDate(1999, 12, 31), QTime(0, 0));
    QList<QDateTime> instants;
    for (int i = 0; i < 1500; ++i) {
        const qint64 step = (qint64(i) * 7919) % 1500;
        // Five instants a day, so times are compared within a day too: one at midnight, the
        // others spread over its seconds.
        const qint64 day = step / 5 * 3;
        const qint64 second = step % 5 == 0 ? 0 : (step * 104729) % 86400;
        instants << start.addSecs(day * 86400 + second);
    }
    QList<QStringList> rows;
    for (const QDateTime& at : instants) {
        QString text = at.date().toString(QStringLiteral("dd/MM/yyyy"));
        if (at.time() != QTime(0, 0))
            text += at.time().toString(QStringLiteral(" HH:mm:ss"));
        rows << QStringList{at.toString(Qt::ISODate), text, QString()};
    }
    addRows(*list, rows);

    list->Ordenar(list->column(1));

    std::sort(instants.begin(), instants.end());
    QCOMPARE(list->rowCount(), int(instants.size()));
    for (int i = 0; i < list->rowCount(); ++i)
        QCOMPARE(list->row(i).caption(), instants[i].toString(Qt::ISODate));
}

QTEST_GUILESS_MAIN(TestListViewSort)
#include "test_listview_sort.moc"
