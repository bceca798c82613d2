// Filtrar: narrowing the rows from a snapshot taken after each refill.

#include "ListViewFixture.h"

#include "system/Error.h"

#include <QtTest>

using namespace orq;
using namespace orqtest;

class TestListViewFilter : public QObject {
    Q_OBJECT

private slots:
    void matchesTheSortedColumnsText_data();
    void matchesTheSortedColumnsText();
    void widensAndNarrowsFromOneSnapshotInItsOrder();
    void refillDropsTheSnapshot();
    void emptyListIsRetriedOnTheNextCall();
    void nonEmptyFilterEndsGrouping();
    void rowsComeBackAsNewRows();
    void shortRecordStopsHalfway();
};

void TestListViewFilter::matchesTheSortedColumnsText_data() {
    QTest::addColumn<int>("sorted"); // -1: never sorted
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QStringList>("shown"); // captions, in snapshot order

    // Captions and the second column differ, so the text looked at shows in the outcome.
    QTest::newRow("no sort: caption, A-Z folded") << -1 << "ab" << QStringList{"xAB", "Abc", "cab"};
    QTest::newRow("no sort: pattern folded too") << -1 << "AB" << QStringList{"xAB", "Abc", "cab"};
    QTest::newRow("first column sorted: caption") << 0 << "ab" << QStringList{"Abc", "cab", "xAB"};
    QTest::newRow("second column sorted: its text") << 1 << "17" << QStringList{"a-b", "cab"};
    QTest::newRow("trailing blank is kept") << -1 << "ab " << QStringList{"xAB"};
    QTest::newRow("accented capital not folded")
        << -1 << QString::fromUtf8("ã") << QStringList{"p\u00e3o"};
    QTest::newRow("blanks only: every row")
        << -1 << "  \t" << QStringList{"xAB", "Abc", "a-b", "cab", "P\u00c3O", "p\u00e3o"};
    QTest::newRow("no match") << -1 << "zz" << QStringList{};
}

void TestListViewFilter::matchesTheSortedColumnsText() {
    QFETCH(int, sorted);
    QFETCH(QString, pattern);
    QFETCH(QStringList, shown);

    auto list = makeBaseList(ptBR());
    addRows(*list, {{"xAB ", "01"},
                    {"Abc", "02"},
                    {"a-b", "170"},
                    {"cab", "x17"},
                    {QStringLiteral("P\u00c3O"), "03"},
                    {QStringLiteral("p\u00e3o"), "04"}});
    if (sorted >= 0)
        list->Ordenar(list->column(sorted));
    // The snapshot is taken here, after the sort: it keeps the sorted order.
    QCOMPARE(list->Filtrar(pattern), 0);
    QStringList captions = columnTexts(*list, 0);
    for (QString& caption : captions)
        caption = caption.trimmed();
    QCOMPARE(captions, shown);
}

void TestListViewFilter::widensAndNarrowsFromOneSnapshotInItsOrder() {
    auto list = makeBaseList(ptBR());
    addRows(*list, {{"b1"}, {"a2"}, {"b3"}, {"a4"}});
    list->Filtrar(QStringLiteral("b3"));
    QCOMPARE(columnTexts(*list), (QStringList{"b3"}));
    list->Filtrar(QStringLiteral("b"));
    QCOMPARE(columnTexts(*list), (QStringList{"b1", "b3"}));
    // A sort after the snapshot does not reach it: widening brings the snapshot's order back.
    list->Ordenar(list->column(0));
    list->Ordenar(list->column(0));
    QCOMPARE(columnTexts(*list), (QStringList{"b3", "b1"}));
    list->Filtrar(QString());
    QCOMPARE(columnTexts(*list), (QStringList{"b1", "a2", "b3", "a4"}));
    // Rows added outside a refill are not in the snapshot either.
    addRows(*list, {{"b5"}});
    list->Filtrar(QStringLiteral("b"));
    QCOMPARE(columnTexts(*list), (QStringList{"b1", "b3"}));
}

void TestListViewFilter::refillDropsTheSnapshot() {
    auto list = makeBaseList(ptBR());
    addRows(*list, {{"old1"}, {"old2"}});
    list->Filtrar(QStringLiteral("old"));
    refill(*list, {{"new1"}, {"old3"}});
    list->Filtrar(QStringLiteral("o"));
    QCOMPARE(columnTexts(*list), (QStringList{"old3"}));
    list->Filtrar(QStringLiteral(" "));
    QCOMPARE(columnTexts(*list), (QStringList{"new1", "old3"}));
}

void TestListViewFilter::emptyListIsRetriedOnTheNextCall() {
    auto list = makeBaseList(ptBR());
    QCOMPARE(list->Filtrar(QStringLiteral("a")), 0);
    QCOMPARE(list->rowCount(), 0);
    addRows(*list, {{"a1"}, {"b2"}});
    list->Filtrar(QStringLiteral("a"));
    QCOMPARE(columnTexts(*list), (QStringList{"a1"}));
}

void TestListViewFilter::nonEmptyFilterEndsGrouping() {
    auto list = makeBaseList(ptBR());
    list->setORQAgruparColumnClick(true);
    addRows(*list, {{"a", "SP"}, {"b", "RJ"}});
    list->ColClick(list->column(1));
    QVERIFY(list->groupView());
    // Blanks only leave the groups be; the rows come back with their group ids.
    list->Filtrar(QStringLiteral(" "));
    QVERIFY(list->groupView());
    QCOMPARE(list->groupCount(), 2);
    QCOMPARE(list->row(1).groupId(), list->group(1).id());
    list->Filtrar(QStringLiteral("a"));
    QVERIFY(!list->groupView());
    QCOMPARE(list->groupCount(), 0);
}

void TestListViewFilter::rowsComeBackAsNewRows() {
    auto list = makeBaseList(ptBR());
    list->setCheckBoxes(true);
    int tag = 7;
    ListRow& row = list->addRow();
    row.setCaption(QStringLiteral("a"));
    row.setSubItems({QStringLiteral("s1"), QStringLiteral("s2")});
    row.setData(&tag);
    row.setImageIndex(3);
    row.setOverlayIndex(2);
    row.setStateIndex(1);
    row.setIndent(4);
    row.setChecked(true);
    row.setSelected(true);
    list->Filtrar(QStringLiteral("a"));
    QCOMPARE(list->rowCount(), 1);
    const ListRow& back = list->row(0);
    QCOMPARE(back.caption(), QStringLiteral("a"));
    QCOMPARE(back.subItems(), (QStringList{"s1", "s2"}));
    QCOMPARE(back.data(), &tag);
    QCOMPARE(back.imageIndex(), 0);
    QCOMPARE(back.overlayIndex(), -1);
    QCOMPARE(back.stateIndex(), -1);
    QCOMPARE(back.indent(), 0);
    QVERIFY(!back.checked());
    QVERIFY(!back.selected());
    QCOMPARE(list->selectedRow(), nullptr);
}

void TestListViewFilter::shortRecordStopsHalfway() {
    auto list = makeBaseList(ptBR());
    addRows(*list, {{"a", "x1"}, {"b"}, {"c", "x3"}});
    list->Filtrar(QString()); // snapshot of all three
    // Sorting the second column fails at the short row, but the sort state already holds.
    QVERIFY_THROWS_EXCEPTION(Error, list->Ordenar(list->column(1)));
    try {
        list->Filtrar(QStringLiteral("x"));
        QFAIL("a record without the sorted column's cell must stop the filter");
    } catch (const Error& e) {
        QCOMPARE(e.message(), QStringLiteral("List index out of bounds (0)"));
    }
    QCOMPARE(columnTexts(*list), (QStringList{"a"}));
    QVERIFY(!list->isUpdating());
}

QTEST_GUILESS_MAIN(TestListViewFilter)
#include "test_listview_filter.moc"
