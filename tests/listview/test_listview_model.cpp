#include "ListViewFixture.h"

#include "listview/ORQListViewModel.h"
#include "system/Error.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QtTest>

using namespace orq;
using namespace orqtest;

namespace {

// Counts what a view attached to the model would hear.
struct ModelSignals {
    explicit ModelSignals(ORQListViewModel& model)
        : aboutToReset(&model, &QAbstractItemModel::modelAboutToBeReset),
          reset(&model, &QAbstractItemModel::modelReset),
          inserted(&model, &QAbstractItemModel::rowsInserted),
          changed(&model, &QAbstractItemModel::dataChanged) {}
    QSignalSpy aboutToReset;
    QSignalSpy reset;
    QSignalSpy inserted;
    QSignalSpy changed;
};

} // namespace

class TestListViewModel : public QObject {
    Q_OBJECT

private slots:
    void staysConsistentThroughEveryChange();
    void refillIsOneReset();
    void nestedBracketsAreOneReset();
    void failedSortDoesNotResetTheModel();
    void changesOutsideABracketAreSignalledOneByOne();
    void cellsHeaderAndRoles();
    void groupedTreeStaysConsistentThroughEveryChange();
    void groupedTreeShowsGroupsWithRowsThenLooseRows();
};

void TestListViewModel::staysConsistentThroughEveryChange() {
    TORQListView list(ptBR());
    ORQListViewModel model(list);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);

    addBaseColumns(list);
    addRows(list, {{"b", "17/09/2013", "1,00"}, {"a", "05/01/2014"}});
    list.row(0).setCaption(QStringLiteral("B"));
    list.row(1).appendSubItem(QStringLiteral("2,00"));
    list.row(1).setSelected(true);
    list.Ordenar(list.column(1));
    list.Ordenar(list.column(1));
    refill(list, rowsWithColumn(2, {"3,00", "1,00", "2,00"}));
    list.column(0).setWidth(10);
    list.column(1).setAlignment(Qt::AlignRight);
    list.setCheckBoxes(true);
    QVERIFY(model.setData(model.index(1, 0), Qt::Checked, Qt::CheckStateRole));
    QVERIFY(list.row(1).checked());
    list.addColumn(QStringLiteral("Extra"), 40);
    list.addRow().setCaption(QStringLiteral("d"));
    list.BeginUpdateORQ(1);
    list.addColumn(QStringLiteral("Inside"), 40);
    list.clearRows();
    addRows(list, {{"e", "01/01/2020 00:00:00", "1,00"}, {"f", "01/01/2019 00:00:00", "2,00"}});
    list.EndUpdateORQ();
    QCOMPARE(model.columnCount(), 5);
    QCOMPARE(model.rowCount(), 2);
    QCOMPARE(model.index(0, 0).data().toString(), QStringLiteral("f"));
    list.clearRows();
    QCOMPARE(model.rowCount(), 0);
}

void TestListViewModel::refillIsOneReset() {
    auto list = makeBaseList(ptBR());
    ORQListViewModel model(*list);
    addRows(*list, rowsWithColumn(0, {"b", "a"}));
    list->Ordenar(list->column(0));
    ModelSignals spy(model);

    list->BeginUpdateORQ(1000);
    list->clearRows();
    for (int i = 0; i < 1000; ++i) {
        ListRow& row = list->addRow();
        row.setCaption(QStringLiteral("BASE_%1").arg(1000 - i));
        row.appendSubItem(QStringLiteral("01/01/2020 00:00:00"));
        row.appendSubItem(QStringLiteral("1,00"));
    }
    list->row(10).setSelected(true);
    QCOMPARE(spy.reset.count(), 0); // nothing reaches the view before the bracket ends
    list->EndUpdateORQ();

    QCOMPARE(spy.aboutToReset.count(), 1);
    QCOMPARE(spy.reset.count(), 1);
    QCOMPARE(spy.inserted.count(), 0);
    QCOMPARE(spy.changed.count(), 0);
    QCOMPARE(model.rowCount(), 1000);
    QCOMPARE(model.index(0, 0).data().toString(), QStringLiteral("BASE_1"));
}

void TestListViewModel::nestedBracketsAreOneReset() {
    auto list = makeBaseList(ptBR());
    ORQListViewModel model(*list);
    ModelSignals spy(model);
    QSignalSpy begun(list.get(), &ListStore::updateBegun);
    QSignalSpy ended(list.get(), &ListStore::updateEnded);

    list->beginUpdate();
    list->addRow();
    list->beginUpdate();
    list->addRow();
    list->endUpdate();
    QCOMPARE(spy.reset.count(), 0);
    QCOMPARE(ended.count(), 0);
    list->endUpdate();

    QCOMPARE(spy.aboutToReset.count(), 1);
    QCOMPARE(spy.reset.count(), 1);
    QCOMPARE(begun.count(), 1);
    QCOMPARE(ended.count(), 1);

    // A bracket that changes nothing costs the view nothing.
    list->beginUpdate();
    list->endUpdate();
    QCOMPARE(spy.reset.count(), 1);
}

void TestListViewModel::failedSortDoesNotResetTheModel() {
    auto list = makeBaseList(ptBR());
    ORQListViewModel model(*list);
    addRows(*list, rowsWithColumn(2, {"2,00", ".."}));
    ModelSignals spy(model);
    QVERIFY_THROWS_EXCEPTION(Error, list->Ordenar(list->column(2)));
    QCOMPARE(spy.aboutToReset.count(), 0);
    QCOMPARE(spy.reset.count(), 0);

    list->Ordenar(list->column(0));
    QCOMPARE(spy.reset.count(), 1);
}

void TestListViewModel::changesOutsideABracketAreSignalledOneByOne() {
    auto list = makeBaseList(ptBR());
    ORQListViewModel model(*list);
    ModelSignals spy(model);

    ListRow& row = list->addRow();
    QCOMPARE(spy.inserted.count(), 1);
    QCOMPARE(spy.inserted.at(0).at(1).toInt(), 0);
    row.setCaption(QStringLiteral("renamed"));
    QCOMPARE(spy.changed.count(), 1);
    const auto topLeft = spy.changed.at(0).at(0).value<QModelIndex>();
    const auto bottomRight = spy.changed.at(0).at(1).value<QModelIndex>();
    QCOMPARE(topLeft, model.index(0, 0));
    QCOMPARE(bottomRight, model.index(0, 2));
    QCOMPARE(model.index(0, 0).data().toString(), QStringLiteral("renamed"));

    // A detached row is nobody's business.
    ListRow detached;
    detached.setCaption(QStringLiteral("x"));
    QCOMPARE(spy.changed.count(), 1);
    QCOMPARE(spy.reset.count(), 0);
}

void TestListViewModel::cellsHeaderAndRoles() {
    auto list = makeBaseList(ptBR());
    ORQListViewModel model(*list);
    addRows(*list, {{"BASE_1", "17/09/2013 10:33:19", "1.234,56"}, {"BASE_2"}});

    QCOMPARE(model.index(0, 1).data().toString(), QStringLiteral("17/09/2013 10:33:19"));
    QCOMPARE(model.index(0, 2).data().toString(), QStringLiteral("1.234,56"));
    QCOMPARE(model.index(1, 2).data().toString(), QString()); // shown empty, not an error
    QCOMPARE(model.headerData(1, Qt::Horizontal).toString(), QStringLiteral("Data/Hora"));
    const auto alignment = [&](int column) {
        return model.index(0, column).data(Qt::TextAlignmentRole).value<Qt::Alignment>() &
               Qt::AlignHorizontal_Mask;
    };
    QCOMPARE(alignment(0), Qt::AlignLeft);
    QCOMPARE(alignment(1), Qt::AlignHCenter);
    QCOMPARE(alignment(2), Qt::AlignRight);
    QCOMPARE(model.headerData(2, Qt::Horizontal, Qt::TextAlignmentRole).value<Qt::Alignment>() &
                 Qt::AlignHorizontal_Mask,
             Qt::AlignRight);

    QVERIFY(!model.index(0, 0).data(Qt::CheckStateRole).isValid());
    QVERIFY(!(model.flags(model.index(0, 0)) & Qt::ItemIsUserCheckable));
    QVERIFY(!(model.flags(model.index(0, 0)) & Qt::ItemIsEditable));
    list->setCheckBoxes(true);
    QCOMPARE(model.index(0, 0).data(Qt::CheckStateRole).toInt(), int(Qt::Unchecked));
    QVERIFY(model.flags(model.index(0, 0)) & Qt::ItemIsUserCheckable);

    model.setDataHook([](const ListRow& row, int column, int role) {
        if (role == Qt::UserRole && row.caption() == QStringLiteral("BASE_2"))
            return QVariant(column);
        return QVariant();
    });
    QCOMPARE(model.index(1, 2).data(Qt::UserRole).toInt(), 2);
    QVERIFY(!model.index(0, 2).data(Qt::UserRole).isValid());
    QCOMPARE(model.rowAt(model.index(1, 0)), &list->row(1));
    QCOMPARE(model.rowAt(QModelIndex()), nullptr);
}

void TestListViewModel::groupedTreeStaysConsistentThroughEveryChange() {
    TORQListView list(ptBR());
    ORQListViewModel model(list);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    addBaseColumns(list);
    list.setORQAgruparColumnClick(true);
    list.setORQOrdenarColumnClick(true);
    addRows(list,
            {{"b", "01/01/2020", "SP"}, {"a", "02/01/2020", "RJ"}, {"c", "03/01/2020", "SP"}});

    list.ColClick(list.column(2)); // sorts
    list.ColClick(list.column(2)); // groups
    QVERIFY(model.grouped());
    list.addRow().setCaption(QStringLiteral("loose")); // no group: at the top level
    list.row(3).setGroupId(list.group(0).id());
    list.group(1).setHeader(QStringLiteral("Rio"));
    list.row(0).setCaption(QStringLiteral("A"));
    list.row(0).setSelected(true);
    list.Ordenar(list.column(0));
    list.addColumn(QStringLiteral("Extra"), 30);
    list.setCheckBoxes(true);
    QVERIFY(model.setData(model.indexOfRow(2), Qt::Checked, Qt::CheckStateRole));
    refill(list, {{"d", "x", "MG"}, {"e", "y", "SP"}});
    list.ColClick(list.column(2)); // sorts the refill by the state
    list.ColClick(list.column(2)); // and groups it
    list.Filtrar(QStringLiteral(" "));
    QVERIFY(model.grouped());
    list.Filtrar(QStringLiteral("d"));
    QVERIFY(!model.grouped());
    list.Filtrar(QString());
    list.ColClick(list.column(2));
    list.ColClick(list.column(2)); // group view off again
    QVERIFY(!model.grouped());
    list.clearRows();
}

void TestListViewModel::groupedTreeShowsGroupsWithRowsThenLooseRows() {
    auto list = makeBaseList(ptBR());
    ORQListViewModel model(*list);
    list->setORQAgruparColumnClick(true);
    addRows(*list, {{"n1", "x", "SP"}, {"n2", "y", "RJ"}, {"n3", "z", "SP"}});
    list->ColClick(list->column(2));
    list->addGroup().setHeader(QStringLiteral("empty")); // no row: not shown
    list->addRow().setCaption(QStringLiteral("n4"));

    QCOMPARE(model.rowCount(), 3);
    QCOMPARE(model.groupRowCount(), 2);
    QCOMPARE(model.index(0, 0).data().toString(), QStringLiteral("SP (2)"));
    QCOMPARE(model.index(1, 0).data().toString(), QStringLiteral("RJ (1)"));
    QVERIFY(model.index(0, 0).data(ORQListViewModel::GroupRole).toBool());
    QVERIFY(!(model.flags(model.index(0, 0)) & Qt::ItemIsSelectable));
    const QModelIndex sp = model.index(0, 0);
    QCOMPARE(model.rowCount(sp), 2);
    QCOMPARE(model.index(1, 0, sp).data().toString(), QStringLiteral("n3"));
    QCOMPARE(model.index(1, 1, sp).data().toString(), QStringLiteral("z"));
    QCOMPARE(model.index(2, 0).data().toString(), QStringLiteral("n4"));
    // Every list row is found where it is shown, and back.
    for (int i = 0; i < list->rowCount(); ++i) {
        const QModelIndex at = model.indexOfRow(i, 1);
        QCOMPARE(at.column(), 1);
        QCOMPARE(model.rowAt(at), &list->row(i));
    }
    QCOMPARE(model.groupAt(model.index(1, 0))->header(), QStringLiteral("RJ"));
    QCOMPARE(model.groupAt(model.index(0, 0, sp)), nullptr);
}

QTEST_GUILESS_MAIN(TestListViewModel)
#include "test_listview_model.moc"
