// The incremental search, driven through the list's key handlers as the widget drives them.

#include "ListViewFixture.h"

#include "system/Error.h"

#include <QtTest>

using namespace orq;
using namespace orqtest;

namespace {

void type(TORQListView& list, const QString& text) {
    for (QChar c : text)
        list.KeyPress(c);
}

void press(TORQListView& list, quint16 key) {
    list.KeyDown(key);
}

QString searchText(const TORQListView& list) {
    return list.LabelBusca() ? list.LabelBusca()->Caption() : QStringLiteral("<none>");
}

QString selectedCaption(const TORQListView& list) {
    const ListRow* row = list.selectedRow();
    return row ? row->caption() : QStringLiteral("<none>");
}

const QList<QStringList> kRows{
    {"zeta", "170"}, {"ABACO", "12"}, {"abrir", "17"}, {"Abre", "171"}, {"alto", "1"},
};

} // namespace

class TestListViewSearch : public QObject {
    Q_OBJECT

private slots:
    void typingSelectsTheFirstRowBeginningWithTheText_data();
    void typingSelectsTheFirstRowBeginningWithTheText();
    void backspaceShortensAndFinallyEndsTheSearch();
    void navigationKeysEndTheSearch_data();
    void navigationKeysEndTheSearch();
    void switchedOffOrEditingDoesNotSearch();
    void keyHandlersRunFirstAndMayChangeTheKey();
    void multiSelectAddsTheFoundRow();
    void shortRowStopsTheSearchWithTheTextShown();
    void searchSeesRowsChangedBetweenKeystrokes();
    void labelHeightRule_data();
    void labelHeightRule();
};

void TestListViewSearch::typingSelectsTheFirstRowBeginningWithTheText_data() {
    QTest::addColumn<int>("sorted"); // -1: never sorted
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("selected");

    QTest::newRow("caption, any letter case") << -1 << "ab"
                                              << "ab"
                                              << "ABACO";
    QTest::newRow("caption, longer prefix") << -1 << "abr"
                                            << "abr"
                                            << "abrir";
    QTest::newRow("first column sorted: caption") << 0 << "abr"
                                                  << "abr"
                                                  << "Abre";
    QTest::newRow("second column sorted: its text") << 1 << "17"
                                                    << "17"
                                                    << "abrir";
    QTest::newRow("blank first starts nothing") << -1 << " "
                                                << "<none>"
                                                << "<none>";
    QTest::newRow("blank after text is part of it") << -1 << "a "
                                                    << "a "
                                                    << "<none>";
    QTest::newRow("no row begins with it") << -1 << "q"
                                           << "q"
                                           << "<none>";
    // Escape arrives as its character and is appended like any other.
    QTest::newRow("escape appended") << -1 << "a\x1b"
                                     << "a\x1b"
                                     << "<none>";
}

void TestListViewSearch::typingSelectsTheFirstRowBeginningWithTheText() {
    QFETCH(int, sorted);
    QFETCH(QString, typed);
    QFETCH(QString, label);
    QFETCH(QString, selected);

    auto list = makeBaseList(ptBR());
    refill(*list, kRows);
    if (sorted >= 0)
        list->Ordenar(list->column(sorted));
    QSignalSpy visible(list.get(), &ListStore::makeVisibleRequested);
    type(*list, typed);
    QCOMPARE(searchText(*list), label);
    QCOMPARE(selectedCaption(*list), selected);
    if (list->selectedRow()) {
        QCOMPARE(list->focusedRow(), list->selectedRow());
        QCOMPARE(visible.last().at(0).toInt(), list->selectedRow()->index());
    }
}

void TestListViewSearch::backspaceShortensAndFinallyEndsTheSearch() {
    auto list = makeBaseList(ptBR());
    refill(*list, kRows);
    type(*list, QStringLiteral("abr"));
    QCOMPARE(selectedCaption(*list), QStringLiteral("abrir"));
    type(*list, QStringLiteral("\b"));
    QCOMPARE(searchText(*list), QStringLiteral("ab"));
    QCOMPARE(selectedCaption(*list), QStringLiteral("ABACO"));
    type(*list, QStringLiteral("\b"));
    QCOMPARE(selectedCaption(*list), QStringLiteral("ABACO"));
    type(*list, QStringLiteral("\b")); // empty: the label goes, the selection stays
    QCOMPARE(searchText(*list), QStringLiteral("<none>"));
    QCOMPARE(selectedCaption(*list), QStringLiteral("ABACO"));
    type(*list, QStringLiteral("\b")); // and an empty text stays empty
    QCOMPARE(searchText(*list), QStringLiteral("<none>"));
}

void TestListViewSearch::navigationKeysEndTheSearch_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<bool>("ends");
    const QList<QPair<const char*, quint16>> ending{
        {"Tab", vk::Tab},        {"Enter", vk::Return}, {"Page Up", vk::Prior},
        {"Page Down", vk::Next}, {"End", vk::End},      {"Home", vk::Home},
        {"Up", vk::Up},          {"Down", vk::Down},    {"Delete", vk::Delete}};
    for (const auto& [name, key] : ending)
        QTest::newRow(name) << int(key) << true;
    QTest::newRow("Left") << int(vk::Left) << false;
    QTest::newRow("Right") << int(vk::Right) << false;
    QTest::newRow("Escape key-down") << int(vk::Escape) << false;
}

void TestListViewSearch::navigationKeysEndTheSearch() {
    QFETCH(int, key);
    QFETCH(bool, ends);
    auto list = makeBaseList(ptBR());
    refill(*list, kRows);
    type(*list, QStringLiteral("al"));
    press(*list, quint16(key));
    QCOMPARE(list->LabelBusca() == nullptr, ends);
    // After an end the next letter starts afresh.
    type(*list, QStringLiteral("z"));
    QCOMPARE(selectedCaption(*list), ends ? QStringLiteral("zeta") : QStringLiteral("<none>"));
}

void TestListViewSearch::switchedOffOrEditingDoesNotSearch() {
    auto list = makeBaseList(ptBR());
    refill(*list, kRows);
    list->setDesabilitarBusca(true);
    type(*list, QStringLiteral("ab"));
    QCOMPARE(searchText(*list), QStringLiteral("<none>"));
    QCOMPARE(list->selectedRow(), nullptr);

    list->setDesabilitarBusca(false);
    bool editing = true;
    list->IsEditing = [&] { return editing; };
    type(*list, QStringLiteral("ab"));
    QCOMPARE(searchText(*list), QStringLiteral("<none>"));
    editing = false;
    type(*list, QStringLiteral("ab"));
    QCOMPARE(searchText(*list), QStringLiteral("ab"));
    // Switched off, a navigation key still ends a search under way.
    list->setDesabilitarBusca(true);
    press(*list, vk::Down);
    QCOMPARE(searchText(*list), QStringLiteral("<none>"));
}

void TestListViewSearch::keyHandlersRunFirstAndMayChangeTheKey() {
    auto list = makeBaseList(ptBR());
    refill(*list, kRows);
    QStringList heard;
    list->OnKeyPress = [&](TORQListView&, QChar& key) {
        heard << QString(key);
        if (key == u'#')
            key = u'z';
        else if (key == u'!')
            key = QChar(); // taken by the handler
    };
    list->OnKeyDown = [&](TORQListView&, quint16& key) {
        if (key == vk::Down)
            key = 0;
    };
    type(*list, QStringLiteral("#!"));
    QCOMPARE(heard, (QStringList{"#", "!"}));
    QCOMPARE(searchText(*list), QStringLiteral("z"));
    QCOMPARE(selectedCaption(*list), QStringLiteral("zeta"));
    press(*list, vk::Down); // cleared by the handler: the search goes on
    QCOMPARE(searchText(*list), QStringLiteral("z"));
}

void TestListViewSearch::multiSelectAddsTheFoundRow() {
    auto list = makeBaseList(ptBR());
    refill(*list, kRows);
    list->setMultiSelect(true);
    list->row(0).setSelected(true);
    type(*list, QStringLiteral("al"));
    QVERIFY(list->row(0).selected());
    QVERIFY(list->row(4).selected());
    QCOMPARE(list->focusedRow(), &list->row(4));
    type(*list, QStringLiteral("q")); // a failed search clears them all
    QCOMPARE(list->selectedRow(), nullptr);
}

void TestListViewSearch::shortRowStopsTheSearchWithTheTextShown() {
    auto list = makeBaseList(ptBR());
    refill(*list, {{"a", "10"}, {"b", "20"}});
    list->Ordenar(list->column(1));
    list->row(1).setSelected(true);
    list->row(0).setSubItems({});
    try {
        type(*list, QStringLiteral("2"));
        QFAIL("a row without the sorted column's cell must stop the search");
    } catch (const Error& e) {
        QCOMPARE(e.message(), QStringLiteral("List index out of bounds (0)"));
    }
    QCOMPARE(searchText(*list), QStringLiteral("2"));
    QCOMPARE(selectedCaption(*list), QStringLiteral("b"));
}

void TestListViewSearch::searchSeesRowsChangedBetweenKeystrokes() {
    auto list = makeBaseList(ptBR());
    refill(*list, kRows);
    list->Ordenar(list->column(1)); // searched through the second column
    type(*list, QStringLiteral("9"));
    QCOMPARE(list->selectedRow(), nullptr);
    list->row(2).setSubItems({QStringLiteral("90")});
    type(*list, QStringLiteral("0"));
    QCOMPARE(list->selectedRow(), &list->row(2));
    list->addRow().setSubItems({QStringLiteral("900")});
    list->row(2).setSubItems({QStringLiteral("1")});
    type(*list, QStringLiteral("0"));
    QCOMPARE(list->selectedRow(), &list->row(list->rowCount() - 1));
    // Back to the caption once the first column is the sorted one.
    list->Ordenar(list->column(0));
    press(*list, vk::Home);
    type(*list, QStringLiteral("ze"));
    QCOMPARE(selectedCaption(*list), QStringLiteral("zeta"));
}

void TestListViewSearch::labelHeightRule_data() {
    QTest::addColumn<int>("h");
    QTest::addColumn<int>("height");
    QTest::newRow("13: half 6.5 to 6") << 13 << 19;
    QTest::newRow("15: half 7.5 to 8") << 15 << 23;
    QTest::newRow("14: whole half") << 14 << 21;
    QTest::newRow("17: half 8.5 to 8") << 17 << 25;
    QTest::newRow("1: half 0.5 to 0") << 1 << 1;
    QTest::newRow("0") << 0 << 0;
}

void TestListViewSearch::labelHeightRule() {
    QFETCH(int, h);
    QFETCH(int, height);
    QCOMPARE(SearchLabelHeight(h), height);
}

QTEST_GUILESS_MAIN(TestListViewSearch)
#include "test_listview_search.moc"
