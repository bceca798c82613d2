#include "ListViewFixture.h"

#include "listview/ORQListViewWidget.h"
#include "system/MessageBox.h"

#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QSignalSpy>
#include <QVBoxLayout>
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
    void typingSearchesWithTheLabelAtTheBottom();
    void searchLabelFollowsAContainerWithoutLayout();
    void groupHeaderRowsFoldByClickAndArrowKeys();
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

namespace {

// The list as the component's own users meet it: in a container with a vertical layout, the
// search on, 1000 rows that overflow the view.
struct SearchingList {
    SearchingList() {
        auto* layout = new QVBoxLayout(&container);
        widget = new ORQListViewWidget(ptBR(), &container);
        layout->addWidget(widget);
        addBaseColumns(widget->view());
        QList<QStringList> rows;
        for (int i = 0; i < 1000; ++i)
            rows << QStringList{QStringLiteral("ROW_%1").arg(i, 4, 10, QChar(u'0')), "x", "y"};
        refill(widget->view(), rows);
        container.resize(500, 300);
        container.show();
        if (!QTest::qWaitForWindowExposed(&container))
            qFatal("the container was not shown");
        widget->setFocus();
    }
    QLabel* label() const { return container.findChild<QLabel*>(QStringLiteral("FLabelBusca")); }
    bool inSight(const ListRow& row) const {
        const QRect rect = widget->visualRect(widget->model()->index(row.index(), 0));
        return widget->viewport()->rect().contains(rect);
    }

    QWidget container;
    ORQListViewWidget* widget = nullptr;
};

} // namespace

void TestListViewWidget::typingSearchesWithTheLabelAtTheBottom() {
    SearchingList shown;
    TORQListView& list = shown.widget->view();
    QTest::keyClicks(shown.widget, QStringLiteral("row_07"));
    QVERIFY(list.selectedRow());
    QCOMPARE(list.selectedRow()->caption(), QStringLiteral("ROW_0700"));
    QVERIFY(shown.inSight(*list.selectedRow()));
    QCOMPARE(shown.widget->selectionModel()->selectedRows().value(0).row(), 700);

    QLabel* label = shown.label();
    QVERIFY(label);
    QVERIFY(label->isVisible());
    QCOMPARE(label->text(), QStringLiteral("row_07"));
    QVERIFY(label->font().bold());
    QCOMPARE(label->palette().color(QPalette::WindowText), QColor(0, 0, 255));
    QCOMPARE(label->palette().color(QPalette::Window), QColor(255, 255, 170));
    QCOMPARE(label->height(), SearchLabelHeight(QFontMetrics(label->font()).height()));
    QTRY_VERIFY(label->geometry().top() >= shown.widget->geometry().bottom());
    QCOMPARE(label->width(), shown.widget->width());

    // Escape is one more character: nothing begins with it, the selection goes, the label stays.
    QTest::keyClick(shown.widget, Qt::Key_Escape);
    QCOMPARE(list.selectedRow(), nullptr);
    QCOMPARE(shown.label()->text(), QStringLiteral("row_07\x1b"));
    QTest::keyClick(shown.widget, Qt::Key_Backspace);
    QCOMPARE(list.selectedRow()->caption(), QStringLiteral("ROW_0700"));
    for (int i = 0; i < 6; ++i)
        QTest::keyClick(shown.widget, Qt::Key_Backspace);
    QCOMPARE(shown.label(), nullptr);

    // A navigation key ends a search and still moves the selection.
    QTest::keyClicks(shown.widget, QStringLiteral("row_0999"));
    QVERIFY(shown.label());
    QTest::keyClick(shown.widget, Qt::Key_Up);
    QCOMPARE(shown.label(), nullptr);
    QCOMPARE(list.focusedRow()->caption(), QStringLiteral("ROW_0998"));

    // Leaving the list ends a search: its text must not linger over another control's work.
    auto* other = new QLineEdit(&shown.container);
    shown.container.layout()->addWidget(other);
    other->show();
    QTest::keyClicks(shown.widget, QStringLiteral("row_05"));
    QVERIFY(shown.label());
    other->setFocus(Qt::TabFocusReason);
    QTRY_COMPARE(shown.label(), nullptr);
    QCOMPARE(list.selectedRow()->caption(), QStringLiteral("ROW_0500"));
}

void TestListViewWidget::searchLabelFollowsAContainerWithoutLayout() {
    QWidget container;
    auto* widget = new ORQListViewWidget(ptBR(), &container);
    addBaseColumns(widget->view());
    addRows(widget->view(), kBases);
    widget->setGeometry(0, 0, 400, 200);
    container.resize(400, 260);
    container.show();
    QVERIFY(QTest::qWaitForWindowExposed(&container));
    widget->setFocus();
    QTest::keyClicks(widget, QStringLiteral("base_c"));
    auto* label = container.findChild<QLabel*>(QStringLiteral("FLabelBusca"));
    QVERIFY(label);
    QCOMPARE(label->geometry().bottom(), container.height() - 1);
    QCOMPARE(label->width(), 400);
    container.resize(500, 300);
    QTRY_COMPARE(label->geometry().bottom(), 299);
    QCOMPARE(label->width(), 500);
    QCOMPARE(widget->view().selectedRow()->caption(), QStringLiteral("BASE_C"));
}

void TestListViewWidget::groupHeaderRowsFoldByClickAndArrowKeys() {
    ShownList shown;
    TORQListView& list = shown.widget.view();
    list.setORQOrdenarColumnClick(false);
    list.setORQAgruparColumnClick(true);
    addRows(list, {{"n1", "a", "SP"}, {"n2", "b", "RJ"}, {"n3", "c", "SP"}});
    shown.clickHeader(2);
    QVERIFY(list.groupView());
    QAbstractItemModel* model = shown.widget.model();
    const QModelIndex sp = model->index(0, 0);
    QCOMPARE(sp.data().toString(), QStringLiteral("SP (2)"));
    QVERIFY(shown.widget.isFirstColumnSpanned(0, {}));
    QVERIFY(shown.widget.isExpanded(sp));

    const QPoint onHeader = shown.widget.visualRect(sp).center();
    QTest::mouseClick(shown.widget.viewport(), Qt::LeftButton, {}, onHeader);
    QVERIFY(!shown.widget.isExpanded(sp));
    // A fold survives the reset of a sort inside the groups.
    list.Ordenar(list.column(0));
    QVERIFY(!shown.widget.isExpanded(model->index(0, 0)));
    QTest::mouseClick(shown.widget.viewport(), Qt::LeftButton, {}, onHeader);
    QVERIFY(shown.widget.isExpanded(model->index(0, 0)));

    shown.widget.setFocus();
    shown.widget.setCurrentIndex(model->index(1, 0));
    QTest::keyClick(&shown.widget, Qt::Key_Left);
    QVERIFY(!shown.widget.isExpanded(model->index(1, 0)));
    QTest::keyClick(&shown.widget, Qt::Key_Right);
    QVERIFY(shown.widget.isExpanded(model->index(1, 0)));

    // Rows are chosen under their group; a header row is never a chosen row.
    QSignalSpy doubleClicks(&shown.widget, &ORQListViewWidget::rowDoubleClicked);
    const QModelIndex n3 = model->index(1, 0, model->index(0, 0));
    QCOMPARE(n3.data().toString(), QStringLiteral("n3"));
    QTest::mouseDClick(shown.widget.viewport(), Qt::LeftButton, {},
                       shown.widget.visualRect(n3).center());
    QCOMPARE(list.selectedRow()->caption(), QStringLiteral("n3"));
    QCOMPARE(doubleClicks.count(), 1);
    QCOMPARE(doubleClicks.at(0).at(0).toInt(), list.selectedRow()->index());
    shown.clickHeader(2); // the grouped column again: back to the flat list
    QVERIFY(!list.groupView());
    QCOMPARE(model->rowCount(), 3);
}

QTEST_MAIN(TestListViewWidget)
#include "test_listview_widget.moc"
