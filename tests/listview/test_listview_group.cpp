// Grouping by a column's values, reached the way a user reaches it: a header click with grouping
// on click switched on.

#include "ListViewFixture.h"

#include "system/Error.h"

#include <QtTest>

using namespace orq;
using namespace orqtest;

namespace {

// A list whose header clicks group and do not sort, with one column per cell of the rows.
std::unique_ptr<TORQListView> groupingList(const QList<QStringList>& rows) {
    auto list = makeBaseList(ptBR());
    list->setORQAgruparColumnClick(true);
    addRows(*list, rows);
    return list;
}

QStringList groupHeaders(const ListStore& list) {
    QStringList headers;
    for (int g = 0; g < list.groupCount(); ++g)
        headers << list.group(g).header();
    return headers;
}

// The header of the group each row is in, top to bottom ("-" for none).
QStringList rowGroups(const ListStore& list) {
    QStringList headers;
    for (int i = 0; i < list.rowCount(); ++i) {
        const ListGroup* group = list.groupById(list.row(i).groupId());
        headers << (group ? group->header() : QStringLiteral("-"));
    }
    return headers;
}

} // namespace

class TestListViewGroup : public QObject {
    Q_OBJECT

private slots:
    void groupsByTheColumnsValues_data();
    void groupsByTheColumnsValues();
    void reusesGroupsAcrossColumnsAndRaisesTheEventOnlyForNewOnes();
    void findGrupoReturnsTheFirstExactMatch();
    void shortRowStopsHalfwayWithGroupViewAsItWas();
    void failingEventHandlerLeavesItsGroupWithoutTheRow();
    void sortKeepsTheGroups();
};

void TestListViewGroup::groupsByTheColumnsValues_data() {
    QTest::addColumn<int>("column");
    QTest::addColumn<QStringList>("values");
    QTest::addColumn<QStringList>("groups");
    QTest::addColumn<QStringList>("rowGroups");

    QTest::newRow("runs and a value seen again")
        << 0 << QStringList{"a", "a", "b", "a"} << QStringList{"a", "b"}
        << QStringList{"a", "a", "b", "a"};
    QTest::newRow("letter case makes two groups")
        << 1 << QStringList{"Lisboa", "LISBOA", "Lisboa"} << QStringList{"Lisboa", "LISBOA"}
        << QStringList{"Lisboa", "LISBOA", "Lisboa"};
    QTest::newRow("empty value, first row too")
        << 2 << QStringList{"", "x", ""} << QStringList{"", "x"} << QStringList{"", "x", ""};
    QTest::newRow("empty list") << 0 << QStringList{} << QStringList{} << QStringList{};
}

void TestListViewGroup::groupsByTheColumnsValues() {
    QFETCH(int, column);
    QFETCH(QStringList, values);
    QFETCH(QStringList, groups);
    QFETCH(QStringList, rowGroups);

    auto list = groupingList(rowsWithColumn(column, values));
    QStringList created;
    list->setOnORQAgruparCreateGroup([&](ListGroup& grupo, ListColumn& coluna) {
        QCOMPARE(&coluna, &list->column(column));
        QCOMPARE(grupo.state(), unsigned(ListGroup::Normal | ListGroup::Collapsible));
        created << grupo.header();
    });
    list->ColClick(list->column(column));

    QCOMPARE(groupHeaders(*list), groups);
    QCOMPARE(created, groups); // once per new group, in the order they were made
    QCOMPARE(::rowGroups(*list), rowGroups);
    QVERIFY(list->groupView());
    QCOMPARE(list->UltimaColunaAgrupada(), &list->column(column));
    QCOMPARE(columnTexts(*list, column), values); // rows keep their places
}

void TestListViewGroup::reusesGroupsAcrossColumnsAndRaisesTheEventOnlyForNewOnes() {
    auto list = groupingList({{"x", "y"}, {"y", "z"}});
    QList<QPair<QString, int>> events;
    list->setOnORQAgruparCreateGroup([&](ListGroup& grupo, ListColumn& coluna) {
        events << qMakePair(grupo.header(), coluna.index());
    });
    list->ColClick(list->column(0));
    list->ColClick(list->column(1));

    QCOMPARE(groupHeaders(*list), (QStringList{"x", "y", "z"}));
    const QList<QPair<QString, int>> expected{{"x", 0}, {"y", 0}, {"z", 1}};
    QCOMPARE(events, expected);
    QCOMPARE(rowGroups(*list), (QStringList{"y", "z"})); // x stays, with no row in it
    // A second click on the grouped column switches the group view off.
    list->ColClick(list->column(1));
    QVERIFY(!list->groupView());
    QCOMPARE(list->groupCount(), 3);
}

void TestListViewGroup::findGrupoReturnsTheFirstExactMatch() {
    auto list = groupingList({{"a"}, {"b"}, {"c"}});
    QCOMPARE(list->FindGrupo(QStringLiteral("a")), nullptr); // no groups yet
    // The handler renames the third group to an existing header: both "a" groups exist.
    list->setOnORQAgruparCreateGroup([](ListGroup& grupo, ListColumn&) {
        if (grupo.header() == QLatin1String("c"))
            grupo.setHeader(QStringLiteral("a"));
    });
    list->ColClick(list->column(0));
    QCOMPARE(groupHeaders(*list), (QStringList{"a", "b", "a"}));
    QCOMPARE(list->FindGrupo(QStringLiteral("a")), &list->group(0));
    QCOMPARE(list->FindGrupo(QStringLiteral("A")), nullptr);
    QCOMPARE(list->FindGrupo(QStringLiteral("z")), nullptr);
    list->group(0).setHeader(QStringLiteral("w"));
    QCOMPARE(list->FindGrupo(QStringLiteral("a")), &list->group(2));
    QCOMPARE(list->FindGrupo(QStringLiteral("w")), &list->group(0));
}

void TestListViewGroup::shortRowStopsHalfwayWithGroupViewAsItWas() {
    auto list = groupingList({{"n1", "a"}, {"n2", "b"}, {"n3"}, {"n4", "c"}});
    try {
        list->ColClick(list->column(1));
        QFAIL("a row without the column's cell must stop the grouping");
    } catch (const Error& e) {
        QCOMPARE(e.message(), QStringLiteral("List index out of bounds (0)"));
    }
    QCOMPARE(groupHeaders(*list), (QStringList{"a", "b"}));
    QCOMPARE(rowGroups(*list), (QStringList{"a", "b", "-", "-"}));
    QCOMPARE(list->UltimaColunaAgrupada(), &list->column(1));
    QVERIFY(!list->groupView());
    QVERIFY(!list->isUpdating());
}

void TestListViewGroup::failingEventHandlerLeavesItsGroupWithoutTheRow() {
    auto list = groupingList({{"a"}, {"b"}});
    list->setOnORQAgruparCreateGroup([](ListGroup& grupo, ListColumn&) {
        if (grupo.header() == QLatin1String("b"))
            throw Error(QStringLiteral("no b"));
    });
    QVERIFY_THROWS_EXCEPTION(Error, list->ColClick(list->column(0)));
    QCOMPARE(groupHeaders(*list), (QStringList{"a", "b"}));
    QCOMPARE(list->group(1).state(), unsigned(ListGroup::Normal | ListGroup::Collapsible));
    QCOMPARE(rowGroups(*list), (QStringList{"a", "-"}));
    QVERIFY(!list->isUpdating());
}

void TestListViewGroup::sortKeepsTheGroups() {
    auto list = groupingList({{"b", "SP"}, {"a", "RJ"}, {"c", "SP"}});
    list->ColClick(list->column(1));
    list->Ordenar(list->column(0));
    QCOMPARE(columnTexts(*list, 0), (QStringList{"a", "b", "c"}));
    QCOMPARE(rowGroups(*list), (QStringList{"RJ", "SP", "SP"}));
    QVERIFY(list->groupView());
}

QTEST_GUILESS_MAIN(TestListViewGroup)
#include "test_listview_group.moc"
