#include "ListViewFixture.h"

#include "system/Error.h"

#include <QtTest>

using namespace orq;
using namespace orqtest;

namespace {

// Rows whose order tells which column they were last sorted by and in which direction.
const QList<QStringList> kPolicyRows{
    {QStringLiteral("b"), QStringLiteral("2")},
    {QStringLiteral("c"), QStringLiteral("1")},
    {QStringLiteral("a"), QStringLiteral("3")},
};

enum class Target { None, Clicked, Other };
enum class Action { None, SortAscending, SortDescending, Group, Ungroup };

} // namespace

Q_DECLARE_METATYPE(Target)
Q_DECLARE_METATYPE(Action)

class TestListViewCore : public QObject {
    Q_OBJECT

private slots:
    void columnClickPolicy_data();
    void columnClickPolicy();
    void clickSequenceWithSortAndGroupOn();
    void clickWithBothSwitchesOffOnlyFiresTheEvent();

    void refillResortsAscending_data();
    void refillResortsAscending();
    void refillWithoutSortedColumnKeepsAddedOrder();
    void refillGivesColumnSizesBack();
    void viewWithoutColumnsKeepsEmptySnapshot();
    void failedResortStillEndsTheRefill();
    void clientAlignedViewGrowsByOnePixel_data();
    void clientAlignedViewGrowsByOnePixel();

    void checkedCount_data();
    void checkedCount();

    void rowsKeepTheirAddressWhileAppending();
    void detachedRowJoinsTheList();
    void rowIndexOutOfBounds();
    void singleSelectionAndFocusMark();
};

void TestListViewCore::columnClickPolicy_data() {
    QTest::addColumn<bool>("sorting");
    QTest::addColumn<bool>("grouping");
    QTest::addColumn<Target>("sorted");   // column of the last sort before the click
    QTest::addColumn<bool>("descending"); // that sort was descending
    QTest::addColumn<Target>("grouped");  // column of the last grouping
    QTest::addColumn<bool>("groupView");  // group view on before the click
    QTest::addColumn<Action>("action");
    QTest::addColumn<bool>("groupViewAfter");

    using T = Target;
    using A = Action;
    // clang-format off
    QTest::newRow("sort: first click")            << true  << false << T::None    << false << T::None    << false << A::SortAscending  << false;
    QTest::newRow("sort: second click")           << true  << false << T::Clicked << false << T::None    << false << A::SortDescending << false;
    QTest::newRow("sort: third click")            << true  << false << T::Clicked << true  << T::None    << false << A::SortAscending  << false;
    QTest::newRow("sort: other column")           << true  << false << T::Other   << true  << T::None    << false << A::SortAscending  << false;
    QTest::newRow("sort: sorted, grouped view on")<< true  << false << T::Clicked << false << T::Clicked << true  << A::SortDescending << true;
    QTest::newRow("both: other column, grouped")  << true  << true  << T::Other   << false << T::Other   << true  << A::SortAscending  << false;
    QTest::newRow("both: sorted, its group shown")<< true  << true  << T::Clicked << false << T::Clicked << true  << A::Ungroup        << false;
    QTest::newRow("both: sorted, group view off") << true  << true  << T::Clicked << false << T::Clicked << false << A::Group          << true;
    QTest::newRow("both: sorted, other grouped")  << true  << true  << T::Clicked << false << T::Other   << true  << A::Group          << true;
    QTest::newRow("group: first click")           << false << true  << T::None    << false << T::None    << false << A::Group          << true;
    QTest::newRow("group: its group shown")       << false << true  << T::Clicked << false << T::Clicked << true  << A::Ungroup        << false;
    QTest::newRow("group: other grouped")         << false << true  << T::None    << false << T::Other   << true  << A::Group          << true;
    QTest::newRow("group: grouped, view off")     << false << true  << T::None    << false << T::Clicked << false << A::Group          << true;
    QTest::newRow("neither: grouped view on")     << false << false << T::Clicked << false << T::Clicked << true  << A::None           << true;
    QTest::newRow("neither: fresh")               << false << false << T::None    << false << T::None    << false << A::None           << false;
    // clang-format on
}

void TestListViewCore::columnClickPolicy() {
    QFETCH(bool, sorting);
    QFETCH(bool, grouping);
    QFETCH(Target, sorted);
    QFETCH(bool, descending);
    QFETCH(Target, grouped);
    QFETCH(bool, groupView);
    QFETCH(Action, action);
    QFETCH(bool, groupViewAfter);

    TORQListView list(ptBR());
    list.addColumn(QStringLiteral("A"), 100);
    list.addColumn(QStringLiteral("B"), 100);
    addRows(list, kPolicyRows);
    ListColumn& clicked = list.column(1);
    ListColumn& other = list.column(0);
    auto columnOf = [&](Target t) { return t == Target::Clicked ? &clicked : &other; };

    // Reach the state before the click through the public operations.
    if (grouped != Target::None) {
        list.setORQOrdenarColumnClick(false);
        list.setORQAgruparColumnClick(true);
        list.ColClick(*columnOf(grouped));
        list.setGroupView(groupView);
    }
    if (sorted != Target::None) {
        list.Ordenar(*columnOf(sorted));
        if (descending)
            list.Ordenar(*columnOf(sorted));
    }
    list.setORQOrdenarColumnClick(sorting);
    list.setORQAgruparColumnClick(grouping);

    const QStringList orderBefore = columnTexts(list);
    ListColumn* const sortedBefore = list.ColunaOrdenada();
    const bool ascendingBefore = list.OrdemCrescente();
    ListColumn* const groupedBefore = list.UltimaColunaAgrupada();
    int events = 0;
    ListColumn* sortedDuringEvent = nullptr;
    list.OnColumnClick = [&](TORQListView& sender, ListColumn& column) {
        QCOMPARE(&sender, &list);
        QCOMPARE(&column, &clicked);
        ++events;
        sortedDuringEvent = list.ColunaOrdenada();
    };

    list.ColClick(clicked);

    QCOMPARE(events, 1);
    QCOMPARE(sortedDuringEvent, sortedBefore); // the event runs before the view acts
    QCOMPARE(list.groupView(), groupViewAfter);
    switch (action) {
    case Action::SortAscending:
    case Action::SortDescending: {
        const bool ascending = action == Action::SortAscending;
        QCOMPARE(list.ColunaOrdenada(), &clicked);
        QCOMPARE(list.OrdemCrescente(), ascending);
        const QStringList expected{QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3")};
        QCOMPARE(columnTexts(list, 1), ascending ? expected : reversed(expected));
        QCOMPARE(list.UltimaColunaAgrupada(), groupedBefore);
        break;
    }
    case Action::Group:
        QCOMPARE(list.UltimaColunaAgrupada(), &clicked);
        QCOMPARE(columnTexts(list), orderBefore);
        QCOMPARE(list.ColunaOrdenada(), sortedBefore);
        QCOMPARE(list.OrdemCrescente(), ascendingBefore);
        break;
    case Action::Ungroup:
    case Action::None:
        QCOMPARE(list.UltimaColunaAgrupada(), groupedBefore);
        QCOMPARE(columnTexts(list), orderBefore);
        QCOMPARE(list.ColunaOrdenada(), sortedBefore);
        QCOMPARE(list.OrdemCrescente(), ascendingBefore);
        break;
    }
}

void TestListViewCore::clickSequenceWithSortAndGroupOn() {
    TORQListView list(ptBR());
    list.addColumn(QStringLiteral("A"), 100);
    addRows(list, kPolicyRows);
    list.setORQOrdenarColumnClick(true);
    list.setORQAgruparColumnClick(true);
    ListColumn& column = list.column(0);

    list.ColClick(column);
    QCOMPARE(columnTexts(list), QStringList({"a", "b", "c"}));
    QVERIFY(!list.groupView());

    // From here on the clicks alternate between grouping and ungrouping; the column stays
    // sorted ascending.
    for (bool grouped : {true, false, true, false}) {
        list.ColClick(column);
        QCOMPARE(list.groupView(), grouped);
        QCOMPARE(list.UltimaColunaAgrupada(), &column);
        QCOMPARE(columnTexts(list), QStringList({"a", "b", "c"}));
        QVERIFY(list.OrdemCrescente());
    }
}

void TestListViewCore::clickWithBothSwitchesOffOnlyFiresTheEvent() {
    TORQListView list(ptBR());
    list.addColumn(QStringLiteral("A"), 100);
    addRows(list, kPolicyRows);
    int events = 0;
    list.OnColumnClick = [&](TORQListView&, ListColumn&) { ++events; };
    list.ColClick(list.column(0));
    list.ColClick(list.column(0));
    QCOMPARE(events, 2);
    QCOMPARE(columnTexts(list), QStringList({"b", "c", "a"}));
    QCOMPARE(list.ColunaOrdenada(), nullptr);
    QVERIFY(!list.groupView());
}

void TestListViewCore::refillResortsAscending_data() {
    QTest::addColumn<int>("sorts");
    QTest::newRow("after an ascending sort") << 1;
    QTest::newRow("after a descending sort") << 2;
}

void TestListViewCore::refillResortsAscending() {
    QFETCH(int, sorts);
    auto list = makeBaseList(ptBR());
    addRows(*list, rowsWithColumn(2, {"1,00", "3,00", "2,00"}));
    ListColumn& size = list->column(2);
    for (int i = 0; i < sorts; ++i)
        list->Ordenar(size);
    QCOMPARE(list->OrdemCrescente(), sorts == 1);

    refill(*list, rowsWithColumn(2, {"20,00", "1.000,00", "5,00", "300,00"}));

    QCOMPARE(columnTexts(*list, 2), QStringList({"5,00", "20,00", "300,00", "1.000,00"}));
    QCOMPARE(list->ColunaOrdenada(), &size);
    QVERIFY(list->OrdemCrescente());
    QVERIFY(!list->isUpdating());
}

void TestListViewCore::refillWithoutSortedColumnKeepsAddedOrder() {
    auto list = makeBaseList(ptBR());
    refill(*list, rowsWithColumn(0, {"c", "a", "b"}));
    QCOMPARE(columnTexts(*list), QStringList({"c", "a", "b"}));
    QCOMPARE(list->ColunaOrdenada(), nullptr);
}

void TestListViewCore::refillGivesColumnSizesBack() {
    auto list = makeBaseList(ptBR());
    list->column(2).setAutoSize(true);

    list->BeginUpdateORQ(2);
    list->clearRows();
    addRows(*list, rowsWithColumn(0, {"a", "b"}));
    list->column(0).setWidth(20);
    list->column(1).setWidth(500);
    list->column(1).setAutoSize(true);
    list->column(2).setAutoSize(false);
    list->EndUpdateORQ();

    const QList<int> widths{356, 115, 86};
    const QList<bool> autoSizes{false, false, true};
    const TORQColParamArray& snapshot = list->ORQArrayColumnsParam();
    QCOMPARE(int(snapshot.size()), list->columnCount());
    for (int i = 0; i < list->columnCount(); ++i) {
        QCOMPARE(list->column(i).width(), widths[i]);
        QCOMPARE(list->column(i).autoSize(), autoSizes[i]);
        QVERIFY(snapshot[size_t(i)]);
        QCOMPARE(&snapshot[size_t(i)]->column(), &list->column(i));
        QCOMPARE(snapshot[size_t(i)]->width, widths[i]);
        QCOMPARE(snapshot[size_t(i)]->autoSize, autoSizes[i]);
        QVERIFY(!snapshot[size_t(i)]->agrupa);
    }
}

void TestListViewCore::viewWithoutColumnsKeepsEmptySnapshot() {
    TORQListView list(ptBR());
    QVERIFY(list.ORQArrayColumnsParam().empty());
    list.BeginUpdateORQ(1);
    list.addRow().setCaption(QStringLiteral("a"));
    list.EndUpdateORQ();
    QVERIFY(list.ORQArrayColumnsParam().empty());
    QCOMPARE(list.rowCount(), 1);
}

void TestListViewCore::failedResortStillEndsTheRefill() {
    auto list = makeBaseList(ptBR());
    addRows(*list, rowsWithColumn(2, {"2,00", "1,00"}));
    ListColumn& size = list->column(2);
    list->Ordenar(size);
    list->Ordenar(size); // descending
    list->setAlign(ListStore::Align::Client);
    list->setWidth(400);

    list->BeginUpdateORQ(3);
    list->clearRows();
    addRows(*list, rowsWithColumn(2, {"9,00", "..", "1,00"}));
    list->column(1).setWidth(7);
    try {
        list->EndUpdateORQ();
        QFAIL("the re-sort should have failed");
    } catch (const Error& error) {
        QCOMPARE(error.message(), QStringLiteral("'''' is not a valid integer value"));
    }

    QVERIFY(!list->isUpdating());
    QCOMPARE(columnTexts(*list, 2), QStringList({"9,00", "..", "1,00"}));
    QCOMPARE(list->ColunaOrdenada(), &size);
    QVERIFY(list->OrdemCrescente());
    QCOMPARE(list->column(1).width(), 115);
    QCOMPARE(int(list->ORQArrayColumnsParam().size()), 3);
    // The column sizes are back, but the step after the re-sort is not reached.
    QCOMPARE(list->width(), 400);
}

void TestListViewCore::clientAlignedViewGrowsByOnePixel_data() {
    QTest::addColumn<bool>("client");
    QTest::addColumn<int>("widthAfter");
    QTest::newRow("client aligned") << true << 301;
    QTest::newRow("not aligned") << false << 300;
}

void TestListViewCore::clientAlignedViewGrowsByOnePixel() {
    QFETCH(bool, client);
    QFETCH(int, widthAfter);
    auto list = makeBaseList(ptBR());
    list->setAlign(client ? ListStore::Align::Client : ListStore::Align::None);
    list->setWidth(300);
    refill(*list, rowsWithColumn(0, {"a"}));
    QCOMPARE(list->width(), widthAfter);
}

void TestListViewCore::checkedCount_data() {
    QTest::addColumn<bool>("checkBoxes");
    QTest::addColumn<QList<bool>>("ticks");
    QTest::addColumn<int>("count");
    QTest::newRow("empty") << true << QList<bool>{} << 0;
    QTest::newRow("empty, no check boxes") << false << QList<bool>{} << 0;
    QTest::newRow("no check boxes: every row reads as checked")
        << false << QList<bool>{false, true, false} << 3;
    QTest::newRow("check boxes") << true << QList<bool>{true, false, true, false} << 2;
    QTest::newRow("none ticked") << true << QList<bool>{false, false} << 0;
}

void TestListViewCore::checkedCount() {
    QFETCH(bool, checkBoxes);
    QFETCH(QList<bool>, ticks);
    QFETCH(int, count);
    TORQListView list(ptBR());
    list.setCheckBoxes(checkBoxes);
    for (bool tick : ticks)
        list.addRow().setChecked(tick);
    QCOMPARE(list.CheckedCount(), count);
}

void TestListViewCore::rowsKeepTheirAddressWhileAppending() {
    TORQListView list(ptBR());
    ListRow& first = list.addRow();
    first.setCaption(QStringLiteral("first"));
    for (int i = 0; i < 5000; ++i)
        list.addRow();
    QCOMPARE(&list.row(0), &first);
    QCOMPARE(first.caption(), QStringLiteral("first"));
    QCOMPARE(list.row(4321).index(), 4321);
}

void TestListViewCore::detachedRowJoinsTheList() {
    TORQListView list(ptBR());
    list.addRow();
    int payload = 0;
    auto detached = std::make_unique<ListRow>();
    detached->setCaption(QStringLiteral("d"));
    detached->setSubItems({QStringLiteral("s1"), QStringLiteral("s2")});
    detached->setData(&payload);
    detached->setGroupId(4);
    QCOMPARE(detached->index(), -1);
    QCOMPARE(detached->owner(), nullptr);

    ListRow* const address = detached.get();
    ListRow& joined = list.insertRow(std::move(detached));

    QCOMPARE(&joined, address);
    QCOMPARE(joined.index(), 1);
    QCOMPARE(joined.owner(), &list);
    QCOMPARE(joined.subItems(), QStringList({"s1", "s2"}));
    QCOMPARE(joined.data(), static_cast<void*>(&payload));
    QCOMPARE(joined.groupId(), 4);
    QCOMPARE(list.addRow().groupId(), -1);
}

void TestListViewCore::rowIndexOutOfBounds() {
    TORQListView list(ptBR());
    list.addRow();
    try {
        list.row(1);
        QFAIL("no row 1");
    } catch (const Error& error) {
        QCOMPARE(error.message(), QStringLiteral("List index out of bounds (1)"));
    }
    try {
        list.row(0).subItem(0);
        QFAIL("no sub-item 0");
    } catch (const Error& error) {
        QCOMPARE(error.message(), QStringLiteral("List index out of bounds (0)"));
    }
}

void TestListViewCore::singleSelectionAndFocusMark() {
    TORQListView list(ptBR());
    addRows(list, {{"a"}, {"b"}, {"c"}});
    ListRow& a = list.row(0);
    ListRow& b = list.row(1);
    ListRow& c = list.row(2);
    QCOMPARE(list.selectedRow(), nullptr);

    c.setSelected(true);
    a.setSelected(true);
    QVERIFY(!c.selected());
    QCOMPARE(list.selectedRow(), &a);

    list.setSelectedRow(&b);
    QVERIFY(!a.selected());
    QCOMPARE(list.selectedRow(), &b);
    list.setSelectedRow(nullptr);
    QCOMPARE(list.selectedRow(), nullptr);

    list.setMultiSelect(true);
    c.setSelected(true);
    a.setSelected(true);
    QCOMPARE(list.selectedRow(), &a); // the first selected, in list order
    QVERIFY(c.selected());
    list.clearSelection();
    QVERIFY(!a.selected() && !c.selected());

    a.setFocused(true);
    list.setFocusedRow(&c);
    QVERIFY(!a.focused());
    QCOMPARE(list.focusedRow(), &c);
    list.clearRows();
    QCOMPARE(list.focusedRow(), nullptr);
    QCOMPARE(list.selectedRow(), nullptr);
}

QTEST_GUILESS_MAIN(TestListViewCore)
#include "test_listview_core.moc"
