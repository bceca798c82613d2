// The window as a screen reader and a keyboard-only user meet it: what the accessibility tree
// (which AT-SPI reads) names, the list's column headers, and the mnemonics that reach every
// button without breaking the typing that filters the list.
#include "FormFixture.h"

#include <QAccessible>
#include <QSignalSpy>
#include <QTimer>

using namespace orqtest;

namespace {

QString describe(QAccessibleInterface* item) {
    QObject* object = item->object();
    return QStringLiteral("%1 \"%2\" (role %3)")
        .arg(object ? QString::fromLatin1(object->metaObject()->className()) : QStringLiteral("?"),
             object ? object->objectName() : QString())
        .arg(int(item->role()));
}

// Every shown widget or menu item under this one, as the accessibility tree gives them. Cells of
// a list are not controls; the list itself is checked apart.
void collectShown(QAccessibleInterface* item, QList<QAccessibleInterface*>& out) {
    if (!item || item->state().invisible)
        return;
    if (!item->object())
        return;
    out << item;
    for (int i = 0; i < item->childCount(); ++i)
        collectShown(item->child(i), out);
}

// A button's mnemonic, as Qt reads it from the caption: Alt and the letter after "&".
QKeySequence mnemonicOf(const QAbstractButton* button) {
    return QKeySequence::mnemonic(button->text());
}

// A key as the window system hands it over: to the window, which passes it to whatever has the
// focus at that moment (pressing Alt alone may already move the focus), after the shortcuts.
void windowKey(Window& window, QKeyCombination key) {
    QTest::keyClick(window.form.windowHandle(), key.key(), key.keyboardModifiers());
}

void pressMnemonic(Window& window, const QAbstractButton* button) {
    const QKeySequence mnemonic = mnemonicOf(button);
    if (mnemonic.isEmpty())
        QFAIL(qPrintable(button->objectName() + " has no mnemonic"));
    windowKey(window, mnemonic[0]);
}

// Answers the Opções menu while its own event loop runs: records that it opened and either
// closes it or presses a key in it.
class MenuAnswer {
public:
    MenuAnswer(QMenu* menu, std::optional<Qt::Key> key = std::nullopt) {
        QObject::connect(&m_poll, &QTimer::timeout, menu, [this, menu, key] {
            if (!menu->isVisible())
                return;
            opened = true;
            if (key)
                QTest::keyClick(menu, *key);
            else
                menu->close();
        });
        m_poll.start(20);
    }
    bool opened = false;

private:
    QTimer m_poll;
};

} // namespace

class FormAccessTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { pinTestEnvironment(); }

    void everyShownControlHasAName();
    void theListReadsItsColumnHeaders();
    void everyCommandHasAKey();
    void aMnemonicClicksItsButtonAndTypesNothing_data();
    void aMnemonicClicksItsButtonAndTypesNothing();
    void altWithoutAMnemonicTypesNothing_data();
    void altWithoutAMnemonicTypesNothing();
    void onlyCancelarsMnemonicWorksDuringATestRun();
    void sobreShowsTheNameAndVersion();
};

void FormAccessTest::everyShownControlHasAName() {
    OpenedWindow opened(QStringList{"ALFA", "BETA"});
    auto& [bench, messages, window] = opened;
    QVERIFY(window.show());
    // The menu is a window of its own; open, its items are in the tree too.
    window.menu->popup(window.opcoes->mapToGlobal(QPoint(0, window.opcoes->height())));
    QTRY_VERIFY(window.menu->isVisible());

    QList<QAccessibleInterface*> shown;
    collectShown(QAccessible::queryAccessibleInterface(&window.form), shown);
    collectShown(QAccessible::queryAccessibleInterface(window.menu), shown);
    QSet<QObject*> reached;
    for (QAccessibleInterface* item : shown) {
        reached << item->object();
        if (item->role() == QAccessible::Separator)
            continue;
        QVERIFY2(!item->text(QAccessible::Name).trimmed().isEmpty(),
                 qPrintable(describe(item) + QStringLiteral(" has no accessible name")));
    }
    // A control the tree does not reach is one a screen reader never reads.
    const QList<QWidget*> widgets = window.form.findChildren<QWidget*>();
    for (QWidget* widget : widgets) {
        if (widget->isVisible() && widget->focusPolicy() != Qt::NoFocus)
            QVERIFY2(reached.contains(widget),
                     qPrintable(QString::fromLatin1(widget->metaObject()->className()) + u' ' +
                                widget->objectName() + QStringLiteral(" is not in the tree")));
    }
    window.menu->close();
}

void FormAccessTest::theListReadsItsColumnHeaders() {
    OpenedWindow opened(QList<Base>{{"ALFA", "05/03/2013 14:07:09", "1.234,56"}, {"BETA"}});
    auto& [bench, messages, window] = opened;
    QVERIFY(window.show());
    QAccessibleInterface* list = QAccessible::queryAccessibleInterface(window.listWidget);
    QVERIFY(list);
    QVERIFY(!list->text(QAccessible::Name).isEmpty());
    QAccessibleTableInterface* table = list->tableInterface();
    QVERIFY(table);

    QStringList headers;
    for (int column = 0; column < table->columnCount(); ++column)
        headers << table->columnDescription(column);
    QCOMPARE(headers, QStringList({"Nome", "Data/Hora", "Tamanho"}));
    QCOMPARE(table->rowCount(), 2);
    QStringList firstRow;
    for (int column = 0; column < table->columnCount(); ++column)
        firstRow << table->cellAt(0, column)->text(QAccessible::Name);
    QCOMPARE(firstRow, QStringList({"ALFA", "05/03/2013 14:07:09", "1.234,56"}));

    // After a sort the reader follows the rows on screen.
    window.clickHeader(0);
    window.clickHeader(0);
    QCOMPARE(table->cellAt(0, 0)->text(QAccessible::Name), QStringLiteral("BETA"));
}

// Buttons by their mnemonic, one of their own; menu items by a shortcut or a mnemonic.
void FormAccessTest::everyCommandHasAKey() {
    OpenedWindow opened(QStringList{"ALFA"});
    auto& [bench, messages, window] = opened;
    QMap<QKeySequence, QString> taken;
    const QList<QAbstractButton*> buttons = window.form.findChildren<QAbstractButton*>();
    for (const QAbstractButton* button : buttons) {
        const QKeySequence mnemonic = mnemonicOf(button);
        QVERIFY2(!mnemonic.isEmpty(), qPrintable(button->objectName() + " has no mnemonic"));
        QVERIFY2(!taken.contains(mnemonic),
                 qPrintable(button->objectName() + " shares its mnemonic with " +
                            taken.value(mnemonic)));
        taken.insert(mnemonic, button->objectName());
    }
    const QList<QAction*> items = window.menu->actions();
    for (const QAction* item : items) {
        if (item->isSeparator())
            continue;
        QVERIFY2(!item->shortcut().isEmpty() || !QKeySequence::mnemonic(item->text()).isEmpty(),
                 qPrintable(item->text() + " has no key"));
    }
}

void FormAccessTest::aMnemonicClicksItsButtonAndTypesNothing_data() {
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("focus"); // where the focus is when Alt and the letter are pressed
    for (const char* button :
         {"btnAtualizar", "btnOpcoes", "btnEntrar", "btnUltimaBase", "btnCancelar"}) {
        for (const char* focus : {"Edit1", "ORQListView1", "ComboBox1"})
            QTest::addRow("%s from %s", button, focus) << button << focus;
    }
}

void FormAccessTest::aMnemonicClicksItsButtonAndTypesNothing() {
    QFETCH(QString, button);
    QFETCH(QString, focus);
    OpenedWindow opened(QStringList{"ALFA", "BETA"}, QStringLiteral("c:\\x\\ALFA\\ORQ.FDB"));
    auto& [bench, messages, window] = opened;
    QVERIFY(window.show());
    auto* target = window.form.findChild<QAbstractButton*>(button);
    QVERIFY(target);
    window.form.findChild<QWidget*>(focus)->setFocus(Qt::TabFocusReason);
    // Entrar shows once the selection moves.
    window.key(Qt::Key_Down);
    QVERIFY(target->isVisible());
    const QString rootText = window.combo->currentText();
    QSignalSpy clicks(target, &QAbstractButton::clicked);
    MenuAnswer answer(window.menu);

    pressMnemonic(window, target);

    QTRY_COMPARE(clicks.count(), 1);
    QCOMPARE(window.edit->text(), QString());
    QCOMPARE(window.combo->currentText(), rootText);
    if (target == window.opcoes)
        QVERIFY(answer.opened);
}

// No button has Alt+Z; Entrar, before it shows, has Alt+E. Neither letter is typed anywhere.
void FormAccessTest::altWithoutAMnemonicTypesNothing_data() {
    QTest::addColumn<QString>("focus");
    QTest::addColumn<int>("key");
    for (const char* focus : {"Edit1", "ORQListView1", "ComboBox1"}) {
        QTest::addRow("Alt+Z from %s", focus) << focus << int(Qt::Key_Z);
        QTest::addRow("hidden Entrar's Alt+E from %s", focus) << focus << int(Qt::Key_E);
    }
}

void FormAccessTest::altWithoutAMnemonicTypesNothing() {
    QFETCH(QString, focus);
    QFETCH(int, key);
    OpenedWindow opened(QStringList{"ALFA", "ZETA"});
    auto& [bench, messages, window] = opened;
    QVERIFY(window.show());
    QVERIFY(!window.entrar->isVisible());
    window.form.findChild<QWidget*>(focus)->setFocus(Qt::TabFocusReason);
    const QString rootText = window.combo->currentText();

    windowKey(window, Qt::AltModifier | Qt::Key(key));

    QCOMPARE(window.edit->text(), QString());
    QCOMPARE(window.combo->currentText(), rootText);
    QCOMPARE(window.names(), QStringList({"ALFA", "ZETA"}));
    QCOMPARE(bench.productStarts(), QList<QStringList>());
    QVERIFY(window.form.isVisible());
    // The letter alone still filters, from anywhere but the root box.
    if (focus != QStringLiteral("ComboBox1")) {
        windowKey(window, Qt::Key_Z);
        QCOMPARE(window.edit->text(), QStringLiteral("z"));
        QCOMPARE(window.names(), QStringList{"ZETA"});
    }
}

// While "Testar ORQDEF em todas" runs, a mnemonic must not refresh the list or start a command
// under it; Cancelar's stops the run, as its click does.
void FormAccessTest::onlyCancelarsMnemonicWorksDuringATestRun() {
    ProductsStayUp stayUp;
    OpenedWindow opened(QStringList{"UM", "DOIS", "TRES"});
    auto& [bench, messages, window] = opened;
    QVERIFY(window.show());
    window.list().setSelectedRow(&window.list().row(0));
    QSignalSpy atualizar(window.atualizar, &QAbstractButton::clicked);
    QSignalSpy opcoes(window.opcoes, &QAbstractButton::clicked);
    QSignalSpy ultimaBase(window.ultimaBase, &QAbstractButton::clicked);
    // A menu opened under the run would hold it in the menu's own loop; closed, it shows here.
    MenuAnswer answer(window.menu);
    QTimer::singleShot(500, [&, &window = window] {
        for (const QAbstractButton* button : std::initializer_list<const QAbstractButton*>{
                 window.atualizar, window.opcoes, window.ultimaBase, window.cancelar})
            pressMnemonic(window, button);
    });

    window.key(Qt::Key_S, Qt::ControlModifier);

    QCOMPARE(bench.productStarts().size(), 1);
    QCOMPARE(bench.runningProducts(), QList<pid_t>());
    QCOMPARE(atualizar.count(), 0);
    QCOMPARE(opcoes.count(), 0);
    QCOMPARE(ultimaBase.count(), 0);
    QVERIFY(!answer.opened);
    QVERIFY(window.form.isVisible());
    QCOMPARE(messages.texts(), QStringList());
}

// Reached from the keyboard alone: Alt+O opens the menu, its mnemonic picks the item.
void FormAccessTest::sobreShowsTheNameAndVersion() {
    OpenedWindow opened(QStringList{"ALFA"});
    auto& [bench, messages, window] = opened;
    QVERIFY(window.show());
    auto* sobre = window.form.findChild<QAction*>(QStringLiteral("mnSobre"));
    QVERIFY(sobre);
    const QKeySequence item = QKeySequence::mnemonic(sobre->text());
    QVERIFY(!item.isEmpty());
    MenuAnswer answer(window.menu, Qt::Key(item[0].key()));

    pressMnemonic(window, window.opcoes);

    QTRY_COMPARE(messages.requests.size(), 1);
    QVERIFY(answer.opened);
    const orq::sys::MessageRequest& box = messages.requests[0];
    QCOMPARE(box.title, QStringLiteral("Sobre o ORQDados"));
    QVERIFY2(box.text.startsWith(QStringLiteral("ORQDados versão " ORQ_VERSION "\n")),
             qPrintable(box.text));
    QVERIFY2(box.text.contains(QDir::toNativeSeparators(bench.programFolder())),
             qPrintable(box.text));
    QCOMPARE(box.icon, orq::sys::MessageIcon::Information);
}

QTEST_MAIN(FormAccessTest)
#include "test_app_form_access.moc"
