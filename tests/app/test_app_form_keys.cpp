// The window's keyboard and the list it drives: typing goes to the filter wherever it starts,
// the filter narrows the catalogue lines, the arrows move the list's selection from the boxes,
// Enter, Escape and the Ctrl shortcuts, and header clicks that sort the list.
#include "FormFixture.h"

using namespace orqtest;

namespace {

// ALFA, BETA, GAMA with dates and sizes whose text order is not their natural order (files last
// written at midnight show the date alone, which sorts as a date).
const QList<Base> kSortable{
    {"BETA", "05/03/2013", "1.234,56"},
    {"GAMA", "17/01/2012", "99,00"},
    {"ALFA", "01/12/2014", "12.000,00"},
};

} // namespace

class FormKeysTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { pinTestEnvironment(); }

    void typingElsewhereGoesToTheFilter_data();
    void typingElsewhereGoesToTheFilter();
    void typingInTheRootBoxEditsOnlyTheRootBox();
    void filterMatchesCatalogueLines_data();
    void filterMatchesCatalogueLines();
    void arrowsMoveTheListSelection_data();
    void arrowsMoveTheListSelection();
    void arrowsOnAnEmptyListChangeNothing();
    void escapeClosesTheWindow();
    void ctrlShortcutsRunEnabledMenuItems_data();
    void ctrlShortcutsRunEnabledMenuItems();
    void ctrlCDoesNothingWhileCopyIsDisabled();

    void headerClicksSortAndARefillSortsAscending_data();
    void headerClicksSortAndARefillSortsAscending();
    void sortFailureIsShownAndLeavesTheRows();
    void columnWidthsSurviveARefill();
};

void FormKeysTest::typingElsewhereGoesToTheFilter_data() {
    QTest::addColumn<QString>("start"); // the control that has the focus
    QTest::newRow("list") << "ORQListView1";
    QTest::newRow("Cancelar") << "btnCancelar";
    QTest::newRow("Atualizar") << "btnAtualizar";
}

void FormKeysTest::typingElsewhereGoesToTheFilter() {
    QFETCH(QString, start);
    OpenedWindow opened(QStringList{"ALFA", "BETA", "GAMA"});
    auto& [bench, messages, window] = opened;
    QVERIFY(window.show());
    window.edit->setText(QStringLiteral("a"));
    auto* control = window.form.findChild<QWidget*>(start);
    control->setFocus(Qt::TabFocusReason);
    QCOMPARE(window.focused(), control);

    window.key(Qt::Key_M);

    // The letter lands after what was there, the caret after it, and the list is filtered.
    QCOMPARE(window.focused(), window.edit);
    QCOMPARE(window.edit->text(), QStringLiteral("am"));
    QCOMPARE(window.edit->cursorPosition(), 2);
    QVERIFY(!window.edit->hasSelectedText());
    QCOMPARE(window.names(), QStringList{"GAMA"});
    QCOMPARE(window.count->text(), QStringLiteral("1"));
    // Typing on from there is ordinary editing of the filter box.
    window.type("x");
    QCOMPARE(window.edit->text(), QStringLiteral("amx"));
    QCOMPARE(window.names(), QStringList());
    QVERIFY(window.form.isVisible());
    QCOMPARE(messages.texts(), QStringList());
}

void FormKeysTest::typingInTheRootBoxEditsOnlyTheRootBox() {
    Bench bench;
    bench.writeCatalogue(QStringList{"ALFA", "BETA"});
    bench.writeHosts({bench.root()});
    Window window({}, bench.programFolder());
    QVERIFY(window.show());
    window.combo->setFocus(Qt::TabFocusReason);
    window.combo->lineEdit()->end(false);

    window.type("/x");

    QCOMPARE(window.combo->currentText(), bench.root() + QStringLiteral("/x"));
    QCOMPARE(window.edit->text(), QString());
    QCOMPARE(window.focused(), window.combo);
    QCOMPARE(window.names(), QStringList({"ALFA", "BETA"}));
    QVERIFY(!window.entrar->isVisible());
}

void FormKeysTest::filterMatchesCatalogueLines_data() {
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("lower case finds both cases") << "sp" << QStringList{"SP_CAPITAL", "Mun sp"};
    QTest::newRow("upper case finds both cases") << "SP" << QStringList{"SP_CAPITAL", "Mun sp"};
    QTest::newRow("accented letters keep their case") << "são" << QStringList{};
    QTest::newRow("same accented letter") << "SÃO" << QStringList{"SÃO"};
    QTest::newRow("comma matches every line")
        << "," << QStringList{"SP_CAPITAL", "Mun sp", "SÃO", "RIO"};
    QTest::newRow("digits match the date") << "2012" << QStringList{"RIO"};
    QTest::newRow("across a field boundary") << "l,\"" << QStringList{"SP_CAPITAL"};
    QTest::newRow("quote of a quoted name") << "\"mun" << QStringList{"Mun sp"};
    QTest::newRow("nothing") << "zzz" << QStringList{};
}

void FormKeysTest::filterMatchesCatalogueLines() {
    QFETCH(QString, filter);
    QFETCH(QStringList, expected);
    OpenedWindow opened(
        QList<Base>{{"SP_CAPITAL"}, {"Mun sp"}, {"SÃO"}, {"RIO", "01/02/2012 10:00:00", "3,00"}});
    auto& [bench, messages, window] = opened;
    QVERIFY(window.show());

    window.type(filter);

    QCOMPARE(window.edit->text(), filter);
    QCOMPARE(window.names(), expected);
    QCOMPARE(window.count->text(), QString::number(expected.size()));
    QVERIFY(window.enterShown());

    // Clearing brings the whole catalogue back; Entrar stays.
    window.edit->selectAll();
    window.key(Qt::Key_Backspace);
    QCOMPARE(window.names(), QStringList({"SP_CAPITAL", "Mun sp", "SÃO", "RIO"}));
    QCOMPARE(window.count->text(), QStringLiteral("4"));
    QVERIFY(window.enterShown());
    QCOMPARE(messages.texts(), QStringList());
}

void FormKeysTest::arrowsMoveTheListSelection_data() {
    QTest::addColumn<QString>("focus");
    QTest::addColumn<int>("start"); // selected row, -1 for none
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("expected");

    for (const QString focus : {"Edit1", "ComboBox1", "ORQListView1"}) {
        const QByteArray f = focus.toLatin1();
        QTest::addRow("%s: Down with none selected", f.data())
            << focus << -1 << int(Qt::Key_Down) << 1;
        QTest::addRow("%s: Up with none selected", f.data()) << focus << -1 << int(Qt::Key_Up) << 0;
        QTest::addRow("%s: Down", f.data()) << focus << 0 << int(Qt::Key_Down) << 1;
        QTest::addRow("%s: Up", f.data()) << focus << 2 << int(Qt::Key_Up) << 1;
        QTest::addRow("%s: Up on the first row", f.data()) << focus << 0 << int(Qt::Key_Up) << 0;
        QTest::addRow("%s: Down on the last row", f.data()) << focus << 2 << int(Qt::Key_Down) << 2;
    }
}

void FormKeysTest::arrowsMoveTheListSelection() {
    QFETCH(QString, focus);
    QFETCH(int, start);
    QFETCH(int, key);
    QFETCH(int, expected);
    Bench bench;
    bench.writeCatalogue(QStringList{"ALFA", "BETA", "GAMA"});
    bench.writeHosts({bench.root()});
    MessageLog messages;
    Window window({}, bench.programFolder());
    QVERIFY(window.show());
    auto* control = window.form.findChild<QWidget*>(focus);
    if (control == window.edit) {
        // A filter that keeps every row, with the caret moved back to its start.
        window.type("A");
        window.key(Qt::Key_Home);
    }
    control->setFocus(Qt::TabFocusReason);
    window.list().setSelectedRow(start < 0 ? nullptr : &window.list().row(start));
    window.combo->lineEdit()->setCursorPosition(3);

    window.key(Qt::Key(key));

    QCOMPARE(window.selectedIndex(), expected);
    QCOMPARE(window.listWidget->selectionModel()->selectedRows().size(), 1);
    QCOMPARE(window.listWidget->selectionModel()->selectedRows().first().row(), expected);
    QVERIFY(window.rowFullyVisible(expected));
    QVERIFY(window.enterShown());
    // The key went to the list only: the boxes keep their text and caret.
    QCOMPARE(window.focused(), control);
    QCOMPARE(window.edit->text(), control == window.edit ? QStringLiteral("A") : QString());
    QCOMPARE(window.edit->cursorPosition(), 0);
    QCOMPARE(window.combo->currentText(), bench.root());
    QCOMPARE(window.combo->lineEdit()->cursorPosition(), 3);
    QCOMPARE(window.names(), QStringList({"ALFA", "BETA", "GAMA"}));
    QCOMPARE(messages.texts(), QStringList());
}

void FormKeysTest::arrowsOnAnEmptyListChangeNothing() {
    OpenedWindow opened(QStringList{"ALFA", "BETA"});
    auto& [bench, messages, window] = opened;
    QVERIFY(window.show());
    window.type("zzz");
    QCOMPARE(window.model()->rowCount(), 0);
    QCOMPARE(window.count->text(), QStringLiteral("0"));

    window.key(Qt::Key_Down);
    window.key(Qt::Key_Up);

    QCOMPARE(window.selectedIndex(), -1);
    QVERIFY(window.enterShown());
    QCOMPARE(window.edit->text(), QStringLiteral("zzz"));
    QCOMPARE(messages.texts(), QStringList());
}

void FormKeysTest::escapeClosesTheWindow() {
    Bench bench;
    bench.writeCatalogue(QStringList{"ALFA"});
    bench.writeIniNaming(QStringLiteral("C:\\V\\ORQ_DADOS\\ALFA\\ORQ.FDB"));
    const QByteArray ini = bench.ini();
    MessageLog messages;
    Window window({bench.root()}, bench.programFolder());
    QVERIFY(window.show());
    window.type("al");

    window.key(Qt::Key_Escape);

    QVERIFY(!window.form.isVisible());
    QCOMPARE(bench.ini(), ini);
    QCOMPARE(messages.texts(), QStringList());
}

void FormKeysTest::ctrlShortcutsRunEnabledMenuItems_data() {
    QTest::addColumn<QString>("focus");
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("item");
    QTest::addColumn<QString>("asked"); // the item's first message box
    QTest::addColumn<QString>("title");

    QTest::newRow("Ctrl+N in the filter") << "Edit1" << int(Qt::Key_N) << "mnNovaBase"
                                          << "Copiar ALFA?"
                                          << "Nova Base";
    QTest::newRow("Ctrl+C in the filter") << "Edit1" << int(Qt::Key_C) << "mnCopiar"
                                          << "Copiar base selecionada para seu computador?"
                                          << "Copiar Base";
    QTest::newRow("Ctrl+E in the list") << "ORQListView1" << int(Qt::Key_E) << "mnEnviar"
                                        << "Funcionalidade em Desenvolvimento"
                                        << "ORQDados";
    // The test of every base asks nothing: the stand-in starts and ends without a box.
    QTest::newRow("Ctrl+S in the root box") << "ComboBox1" << int(Qt::Key_S) << "mnTestarOrqdef"
                                            << ""
                                            << "";
    QTest::newRow("Ctrl+U in the list")
        << "ORQListView1" << int(Qt::Key_U) << "mnRenomearPastasParaUF"
        << "É necessário manter o ORQ e o IBExpert fechados. Deseja Continuar?"
        << "Renomear Pastas para UF";
}

void FormKeysTest::ctrlShortcutsRunEnabledMenuItems() {
    QFETCH(QString, focus);
    QFETCH(int, key);
    QFETCH(QString, item);
    QFETCH(QString, asked);
    QFETCH(QString, title);
    OpenedWindow opened(QStringList{"ALFA"});
    auto& [bench, messages, window] = opened;
    QVERIFY(window.show());
    auto* control = window.form.findChild<QWidget*>(focus);
    control->setFocus(Qt::TabFocusReason);
    auto* action = window.form.findChild<QAction*>(item);
    QSignalSpy triggered(action, &QAction::triggered);

    window.key(Qt::Key(key), Qt::ControlModifier);

    QCOMPARE(triggered.size(), 1);
    // Each question is answered No, so nothing goes further than its first box.
    QCOMPARE(messages.texts(), asked.isEmpty() ? QStringList() : QStringList{asked});
    if (!asked.isEmpty())
        QCOMPARE(messages.requests[0].title, title);
    // A Ctrl key is no typing: the focus stays and the filter is untouched.
    QCOMPARE(window.focused(), control);
    QCOMPARE(window.edit->text(), QString());
    QVERIFY(window.form.isVisible());
}

void FormKeysTest::ctrlCDoesNothingWhileCopyIsDisabled() {
    Bench bench;
    bench.writeCatalogue(QStringList{"ALFA"});
    bench.writeHosts({bench.root()});
    MessageLog messages;
    Window window({}, bench.programFolder());
    QVERIFY(window.show());
    // Picking a local root turns "Copiar para mim" off.
    window.pickRoot(0);
    QVERIFY(!window.mnCopiar->isEnabled());
    QSignalSpy triggered(window.mnCopiar, &QAction::triggered);

    window.key(Qt::Key_C, Qt::ControlModifier);
    window.listWidget->setFocus(Qt::TabFocusReason);
    window.key(Qt::Key_C, Qt::ControlModifier);

    QCOMPARE(triggered.size(), 0);
    QCOMPARE(messages.texts(), QStringList());
    // Another item still answers.
    window.key(Qt::Key_E, Qt::ControlModifier);
    QCOMPARE(messages.texts(), QStringList{"Funcionalidade em Desenvolvimento"});
}

void FormKeysTest::headerClicksSortAndARefillSortsAscending_data() {
    QTest::addColumn<int>("column");
    QTest::addColumn<QStringList>("ascending"); // names in ascending order of that column

    QTest::newRow("Nome") << 0 << QStringList{"ALFA", "BETA", "GAMA"};
    QTest::newRow("Data/Hora by date") << 1 << QStringList{"GAMA", "BETA", "ALFA"};
    QTest::newRow("Tamanho by number") << 2 << QStringList{"GAMA", "BETA", "ALFA"};
}

void FormKeysTest::headerClicksSortAndARefillSortsAscending() {
    QFETCH(int, column);
    QFETCH(QStringList, ascending);
    OpenedWindow opened(kSortable);
    auto& [bench, messages, window] = opened;
    QVERIFY(window.show());
    QStringList descending = ascending;
    std::reverse(descending.begin(), descending.end());

    window.clickHeader(column);
    QCOMPARE(window.names(), ascending);
    window.clickHeader(column);
    QCOMPARE(window.names(), descending);

    // A refill sorts by the same column, ascending whatever the last direction was.
    window.edit->setFocus(Qt::TabFocusReason);
    window.type("a");
    QCOMPARE(window.names(), ascending);
    window.key(Qt::Key_Backspace);
    QCOMPARE(window.names(), ascending);
    QCOMPARE(messages.texts(), QStringList());
}

void FormKeysTest::sortFailureIsShownAndLeavesTheRows() {
    Bench bench;
    // A root that holds ORQ.FDB itself lists a base named "..", which has no digit to sort by.
    makeBase(bench.root(), "BETA", 256, utc(2013, 3, 5));
    makeBase(bench.root(), "GAMA", 1024, utc(2013, 3, 5));
    writeBytes(bench.root() + QStringLiteral("/ORQ.FDB"), QByteArray(512, 'x'));
    MessageLog messages;
    Window window({bench.root()}, bench.programFolder());
    QVERIFY(window.show());
    const QStringList added = window.names();
    QStringList sorted = added;
    std::sort(sorted.begin(), sorted.end());
    QCOMPARE(sorted, QStringList({"..", "BETA", "GAMA"}));

    window.clickHeader(0);

    const QString invalid = QStringLiteral("'''' is not a valid integer value.");
    QCOMPARE(messages.texts(), QStringList{invalid});
    QCOMPARE(messages.requests[0].icon, orq::sys::MessageIcon::Error);
    QCOMPARE(window.names(), added);
    QVERIFY(window.form.isVisible());

    // Every later refill re-sorts by "Nome" and fails the same way: the rows stay as added and
    // the count keeps its last value. "0," is in the sizes 0,25 and 0,50 only.
    window.edit->setText(QStringLiteral("\"0,"));
    QCOMPARE(messages.texts(), QStringList({invalid, invalid}));
    QStringList filtered = added;
    filtered.removeAll(QStringLiteral("GAMA"));
    QCOMPARE(window.names(), filtered);
    QCOMPARE(window.count->text(), QStringLiteral("3"));

    // Another column still sorts, and from then on refills sort by it.
    window.clickHeader(2);
    QCOMPARE(window.names(), QStringList({"BETA", ".."}));
    window.edit->clear();
    QCOMPARE(window.names(), QStringList({"BETA", "..", "GAMA"}));
    QCOMPARE(window.count->text(), QStringLiteral("3"));
    QCOMPARE(messages.requests.size(), 2);
}

void FormKeysTest::columnWidthsSurviveARefill() {
    Bench bench;
    bench.writeCatalogue(kSortable);
    Window window({bench.root()}, bench.programFolder());
    QVERIFY(window.show());
    QHeaderView* header = window.listWidget->header();
    header->resizeSection(0, 141);
    header->resizeSection(2, 77);
    window.clickHeader(1);

    window.type("a");
    window.key(Qt::Key_Backspace);
    window.type("beta");

    QCOMPARE(window.names(), QStringList{"BETA"});
    QCOMPARE(header->sectionSize(0), 141);
    QCOMPARE(header->sectionSize(2), 77);
    QCOMPARE(window.list().column(0).width(), 141);
    QCOMPARE(window.list().column(2).width(), 77);
}

QTEST_MAIN(FormKeysTest)
#include "test_app_form_keys.moc"
