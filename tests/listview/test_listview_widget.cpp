#include "ListViewFixture.h"

#include "listview/ORQListViewWidget.h"
#include "system/MessageBox.h"

#include <QHeaderView>
#include <QScrollBar>
#include <QSignalSpy>
#include <QtTest>

using namespace orq;
using namespace orqtest;

namespace {

const QList<QStringList> kBases{
    {"BASE_B", "17/09/2013 10:33:19", "1.234,56"},
    {"BASE_C", "05/01/2014 08:00:00", "99,00"},
    {"BASE_A", "01/02/2012 12:00:00", "12.000,00"},
};

// A shown list widget with the columns of the list of bases.
struct ShownList {
    ShownList() : widget(ptBR()) {
        addBaseColumns(widget.view());
        widget.view().setORQOrdenarColumnClick(true);
        widget.view().setDesabilitarBusca(true);
        widget.resize(600, 300);
        widget.show();
        if (!QTest::qWaitForWindowExposed(&widget))
            qFatal("the list widget was not shown");
    }

    void clickHeader(int section) {
        QHeaderView* header = widget.header();
        const QPoint at(header->sectionViewportPosition(section) + header->sectionSize(section) / 2,
                        header->height() / 2);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
    }

    QPoint rowCentre(int row) { return widget.visualRect(widget.model()->index(row, 0)).center(); }

    QStringList shownColumn(int column) {
        QStringList texts;
        for (int row = 0; row < widget.model()->rowCount(); ++row)
            texts << widget.model()->index(row, column).data().toString();
        return texts;
    }

    QList<int> selectedRowsInView() {
        QList<int> rows;
        for (const QModelIndex& index : widget.selectionModel()->selectedRows())
            rows << index.row();
        return rows;
    }

    ORQListViewWidget widget;
};

} // namespace

class TestListViewWidget : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { sys::setMessageHook({}); }

    void headerClickSorts();
    void sortErrorGoesToTheErrorDisplay();
    void selectionFollowsTheListAndTheUser();
    void selectionMadeDuringARefillIsShown();
    void userColumnWidthsSurviveARefill();
    void makeVisibleScrollsTheRowIntoView();
    void rowTextColourHook();
    void doubleClickReportsTheRow();
};

void TestListViewWidget::headerClickSorts() {
    ShownList shown;
    addRows(shown.widget.view(), kBases);

    shown.clickHeader(2);
    QCOMPARE(shown.shownColumn(2), QStringList({"99,00", "1.234,56", "12.000,00"}));
    shown.clickHeader(2);
    QCOMPARE(shown.shownColumn(2), QStringList({"12.000,00", "1.234,56", "99,00"}));
    shown.clickHeader(0);
    QCOMPARE(shown.shownColumn(0), QStringList({"BASE_A", "BASE_B", "BASE_C"}));
    QCOMPARE(columnTexts(shown.widget.view()), QStringList({"BASE_A", "BASE_B", "BASE_C"}));
}

void TestListViewWidget::sortErrorGoesToTheErrorDisplay() {
    ShownList shown;
    addRows(shown.widget.view(), kBases);
    shown.widget.view().addRow().setCaption(QStringLiteral("BASE_X"));
    shown.widget.view().row(3).setSubItems({QStringLiteral("x"), QStringLiteral("..")});
    QList<sys::MessageRequest> shownMessages;
    sys::setMessageHook([&](const sys::MessageRequest& request) {
        shownMessages << request;
        return sys::MessageResult::Ok;
    });

    shown.clickHeader(2);

    QCOMPARE(shownMessages.size(), 1);
    QCOMPARE(shownMessages[0].text, QStringLiteral("'''' is not a valid integer value."));
    QCOMPARE(shownMessages[0].title, QStringLiteral("ORQDados"));
    QCOMPARE(shownMessages[0].icon, sys::MessageIcon::Error);
    QCOMPARE(shown.shownColumn(0), QStringList({"BASE_B", "BASE_C", "BASE_A", "BASE_X"}));
    QCOMPARE(shown.widget.view().ColunaOrdenada(), &shown.widget.view().column(2));

    // The view is still usable: another column sorts.
    shown.clickHeader(0);
    QCOMPARE(shownMessages.size(), 1);
    QCOMPARE(shown.shownColumn(0), QStringList({"BASE_A", "BASE_B", "BASE_C", "BASE_X"}));
}

void TestListViewWidget::selectionFollowsTheListAndTheUser() {
    ShownList shown;
    TORQListView& list = shown.widget.view();
    addRows(list, kBases);

    list.setSelectedRow(&list.row(1));
    list.setFocusedRow(&list.row(1));
    QCOMPARE(shown.selectedRowsInView(), QList<int>({1}));
    QCOMPARE(shown.widget.currentIndex().row(), 1);

    QTest::mouseClick(shown.widget.viewport(), Qt::LeftButton, {}, shown.rowCentre(2));
    QCOMPARE(list.selectedRow(), &list.row(2));
    QVERIFY(!list.row(1).selected());
    QCOMPARE(list.focusedRow(), &list.row(2));
    QCOMPARE(shown.selectedRowsInView(), QList<int>({2}));

    QTest::keyClick(&shown.widget, Qt::Key_Up);
    QCOMPARE(list.selectedRow(), &list.row(1));
    QCOMPARE(list.focusedRow(), &list.row(1));

    list.setSelectedRow(nullptr);
    QVERIFY(shown.selectedRowsInView().isEmpty());

    // A sort rebuilds the rows: nothing is selected afterwards, in the list or on screen.
    list.setSelectedRow(&list.row(0));
    shown.clickHeader(0);
    QCOMPARE(list.selectedRow(), nullptr);
    QVERIFY(shown.selectedRowsInView().isEmpty());
}

void TestListViewWidget::selectionMadeDuringARefillIsShown() {
    ShownList shown;
    TORQListView& list = shown.widget.view();
    list.BeginUpdateORQ(3);
    addRows(list, kBases);
    list.row(2).setSelected(true);
    list.row(2).setFocused(true);
    list.EndUpdateORQ();

    QCOMPARE(shown.selectedRowsInView(), QList<int>({2}));
    QCOMPARE(shown.widget.currentIndex().row(), 2);
    QVERIFY(shown.widget.updatesEnabled());
}

void TestListViewWidget::userColumnWidthsSurviveARefill() {
    ShownList shown;
    TORQListView& list = shown.widget.view();
    QHeaderView* header = shown.widget.header();
    QCOMPARE(header->sectionSize(0), 356);
    QCOMPARE(header->sectionSize(2), 86);

    header->resizeSection(1, 200); // as a drag of the header's divider does
    QCOMPARE(list.column(1).width(), 200);

    list.BeginUpdateORQ(3);
    list.clearRows();
    addRows(list, kBases);
    list.column(1).setWidth(40);
    QCOMPARE(header->sectionSize(1), 40);
    list.EndUpdateORQ();

    QCOMPARE(header->sectionSize(1), 200);
    QCOMPARE(list.column(1).width(), 200);
    QCOMPARE(list.ORQArrayColumnsParam()[1]->width, 200);
    QCOMPARE(header->sectionSize(0), 356);
}

void TestListViewWidget::makeVisibleScrollsTheRowIntoView() {
    ShownList shown;
    TORQListView& list = shown.widget.view();
    QList<QStringList> rows;
    for (int i = 0; i < 500; ++i)
        rows << QStringList{QStringLiteral("BASE_%1").arg(i)};
    refill(list, rows);
    const auto rowIsInSight = [&](int row) {
        const QRect rect = shown.widget.visualRect(shown.widget.model()->index(row, 0));
        return shown.widget.viewport()->rect().contains(rect);
    };
    QVERIFY(!rowIsInSight(400));

    list.row(400).makeVisible();
    QVERIFY(rowIsInSight(400));

    // Asked for inside a refill, the scroll waits for the rows to reach the view.
    list.BeginUpdateORQ(500);
    list.clearRows();
    addRows(list, rows);
    list.row(20).makeVisible();
    list.EndUpdateORQ();
    QVERIFY(rowIsInSight(20));
    QVERIFY(!rowIsInSight(400));
}

void TestListViewWidget::rowTextColourHook() {
    ShownList shown;
    addRows(shown.widget.view(), kBases);
    shown.widget.setRowColour([](const ListRow& row) -> std::optional<QColor> {
        if (row.caption() == QStringLiteral("BASE_C"))
            return QColor(Qt::red);
        return std::nullopt;
    });
    const QAbstractItemModel* model = shown.widget.model();
    QCOMPARE(model->index(1, 2).data(Qt::ForegroundRole).value<QColor>(), QColor(Qt::red));
    QVERIFY(!model->index(0, 0).data(Qt::ForegroundRole).isValid());
    shown.widget.setRowColour({});
    QVERIFY(!model->index(1, 0).data(Qt::ForegroundRole).isValid());
}

void TestListViewWidget::doubleClickReportsTheRow() {
    ShownList shown;
    addRows(shown.widget.view(), kBases);
    QSignalSpy spy(&shown.widget, &ORQListViewWidget::rowDoubleClicked);

    QTest::mouseDClick(shown.widget.viewport(), Qt::LeftButton, {}, shown.rowCentre(1));
    const QPoint belowTheRows(10, shown.widget.viewport()->height() - 5);
    QTest::mouseDClick(shown.widget.viewport(), Qt::LeftButton, {}, belowTheRows);

    QCOMPARE(spy.count(), 2);
    QCOMPARE(spy.at(0).at(0).toInt(), 1);
    QCOMPARE(spy.at(1).at(0).toInt(), -1);
}

QTEST_MAIN(TestListViewWidget)
#include "test_listview_widget.moc"
