// The refill from decoded rows must leave the list exactly as the line-by-line fill and its
// re-sort do: same rows, same order (ties included, the list's sort is not stable), same sort
// state. Each case runs both on twin lists and compares.

#include "ListViewFixture.h"

#include "catalogue/CatalogueFilter.h"
#include "catalogue/CatalogueLine.h"
#include "session/CatalogueView.h"
#include "system/Error.h"

#include <QtTest>

#include <numeric>

using namespace orq;
using namespace orqtest;

namespace {

QStringList lines(const QList<QStringList>& records) {
    QStringList out;
    for (const QStringList& record : records)
        out << encodeCatalogueLine(record);
    return out;
}

// Many equal keys in every column, so the tie order of the sort shows.
QStringList tiedCatalogue() {
    QList<QStringList> records;
    for (int i = 0; i < 60; ++i)
        records << QStringList{QStringLiteral("BASE_%1").arg(i % 7),
                               i % 3 ? QStringLiteral("17/09/2013 10:33:19")
                                     : QStringLiteral("17/09/2013"),
                               QStringLiteral("%1,00").arg(i % 4)};
    return lines(records);
}

// No two keys equal in any column, in scrambled order: the one sorted order there is.
QStringList distinctCatalogue() {
    QList<QStringList> records;
    for (int i = 0; i < 50; ++i) {
        const int n = i * 7 % 50;
        records << QStringList{QStringLiteral("BASE_%1").arg(n, 2, 10, QChar(u'0')),
                               QStringLiteral("17/09/2013 10:33:%1").arg(n, 2, 10, QChar(u'0')),
                               QStringLiteral("%1,00").arg(n * 3)};
    }
    return lines(records);
}

struct Twin {
    std::unique_ptr<TORQListView> list = makeBaseList(ptBR());
    QStringList record;
    void sortBy(int column, int clicks) {
        list->setORQOrdenarColumnClick(true);
        for (int i = 0; i < clicks; ++i)
            list->ColClick(list->column(column));
    }
};

QStringList shown(const TORQListView& list) {
    QStringList rows;
    for (int i = 0; i < list.rowCount(); ++i)
        rows << (QStringList{list.row(i).caption()} + list.row(i).subItems()).join(u'|') +
                    (list.row(i).checked() ? u'+' : u'-');
    return rows;
}

} // namespace

class TestCatalogueRows : public QObject {
    Q_OBJECT

private slots:
    void sameListAsTheLineByLineFill_data();
    void sameListAsTheLineByLineFill();
    void declinesWhatOnlyTheLineByLineFillCanReport();
};

void TestCatalogueRows::sameListAsTheLineByLineFill_data() {
    QTest::addColumn<QStringList>("catalogue");
    QTest::addColumn<int>("column"); // -1: never sorted
    QTest::addColumn<int>("clicks"); // 2: the user reversed it
    QTest::addColumn<QString>("typed");

    const QStringList tied = tiedCatalogue();
    const QStringList distinct = distinctCatalogue();
    const QStringList mixed = lines({{"b10", "01/01/2020", "12"},
                                     {"B2", "x", "1.000,00"},
                                     {"a", "31/12/2019 23:59:59", "abc"},
                                     {"\u00c1gua", "", ""},
                                     {"agua", "31/12/2019", "7"}});
    for (int column = -1; column < 3; ++column) {
        const QByteArray c = QByteArray::number(column);
        QTest::newRow("ties, all, column " + c) << tied << column << 1 << QString();
        QTest::newRow("ties, filtered, column " + c) << tied << column << 1 << "_3";
        QTest::newRow("ties, reversed first, column " + c) << tied << column << 2 << "base";
        QTest::newRow("distinct, all, column " + c) << distinct << column << 1 << QString();
        QTest::newRow("distinct, filtered, column " + c) << distinct << column << 1 << "_1";
        QTest::newRow("distinct, reversed first, column " + c) << distinct << column << 2 << "3";
        QTest::newRow("mixed kinds, column " + c) << mixed << column << 1 << QString();
        QTest::newRow("mixed kinds, filtered, column " + c) << mixed << column << 1 << "A";
        QTest::newRow("nothing matches, column " + c) << mixed << column << 1 << "zzz";
    }
}

void TestCatalogueRows::sameListAsTheLineByLineFill() {
    QFETCH(QStringList, catalogue);
    QFETCH(int, column);
    QFETCH(int, clicks);
    QFETCH(QString, typed);

    Twin byLines, byRows;
    for (Twin* twin : {&byLines, &byRows}) {
        refill(*twin->list, {{"old", "x", "y"}});
        if (column >= 0)
            twin->sortBy(column, clicks);
    }
    const std::vector<int> positions = filterCatalogueLinePositions(catalogue, typed);
    showCatalogueLines(*byLines.list, filterCatalogueLines(catalogue, typed), catalogue.size(),
                       byLines.record);
    CatalogueRows rows;
    QVERIFY(rows.decode(catalogue));
    QVERIFY(showCatalogueRows(*byRows.list, rows, positions, catalogue.size(), byRows.record));

    QCOMPARE(shown(*byRows.list), shown(*byLines.list));
    QCOMPARE(byRows.list->ColunaOrdenada() ? byRows.list->ColunaOrdenada()->index() : -1,
             byLines.list->ColunaOrdenada() ? byLines.list->ColunaOrdenada()->index() : -1);
    QCOMPARE(byRows.list->OrdemCrescente(), byLines.list->OrdemCrescente());
    QVERIFY(!byRows.list->isUpdating());
    QCOMPARE(byRows.record, byLines.record);
}

void TestCatalogueRows::declinesWhatOnlyTheLineByLineFillCanReport() {
    CatalogueRows rows;
    // A short line, or one cut inside a quote: the line-by-line fill reports it.
    QVERIFY(!rows.decode({encodeCatalogueLine({"a", "b", "c"}), QStringLiteral("a,b")}));
    QVERIFY(!rows.decoded());
    QVERIFY(!rows.decode({QStringLiteral("\"a,b,c")}));

    // A size beyond the sort's integers: the list's own sort raises it, so the rows decline
    // a sorted refill and leave the list as it was.
    const QStringList catalogue = lines({{"a", "x", "99999999999"}, {"b", "y", "1"}});
    QVERIFY(rows.decode(catalogue));
    Twin twin;
    refill(*twin.list, {{"old", "x", "y"}});
    std::vector<int> all(2);
    std::iota(all.begin(), all.end(), 0);
    QVERIFY(showCatalogueRows(*twin.list, rows, all, 2, twin.record)); // unsorted: fine
    refill(*twin.list, {{"old", "x", "y"}});
    twin.sortBy(2, 1);
    QVERIFY(!showCatalogueRows(*twin.list, rows, all, 2, twin.record));
    QCOMPARE(shown(*twin.list), QStringList{"old|x|y+"});
    QVERIFY_THROWS_EXCEPTION(Error, showCatalogueLines(*twin.list, catalogue, 2, twin.record));
}

QTEST_GUILESS_MAIN(TestCatalogueRows)
#include "test_session_catalogue_rows.moc"
