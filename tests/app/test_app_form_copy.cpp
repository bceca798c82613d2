// The copy commands of the "Opções" menu driven through the window: "Nova Base" from a base of
// the open root, "Copiar para mim" from a server root into the bases beside the program, and
// "Enviar para servidor". Questions and the name dialog are answered through the test hook.
#include "FormFixture.h"

#include <QDirIterator>

using namespace orqtest;
using orq::sys::MessageButtons;
using orq::sys::MessageIcon;
using orq::sys::MessageResult;

namespace {

const QDateTime kWritten = utc(2013, 3, 5, 14, 7, 9);

QStringList allEntries(const QString& folder) {
    QStringList out;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        out << it.next().mid(folder.size());
    out.sort();
    return out;
}

} // namespace

class FormCopyTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { pinTestEnvironment(); }

    void newBase_data();
    void newBase();
    void newBaseWithABadNameChangesNothing();
    void newBaseAnsweredNoOrCancelled_data();
    void newBaseAnsweredNoOrCancelled();
    void copyCommandsOnAnEmptyList_data();
    void copyCommandsOnAnEmptyList();
    void copyToMeFromAServerRoot();
    void copyToMeOfAMissingDatabase();
    void sendToServerIsOneBox();
};

void FormCopyTest::newBase_data() {
    QTest::addColumn<QString>("filterText");
    QTest::addColumn<QStringList>("listed");
    QTest::addColumn<QString>("focused");

    QTest::newRow("whole list") << "" << QStringList({"BASE1", "BASE2", "NOVA"}) << "NOVA";
    QTest::newRow("filter hides the new base") << "BASE" << QStringList({"BASE1", "BASE2"}) << "";
}

void FormCopyTest::newBase() {
    QFETCH(QString, filterText);
    QFETCH(QStringList, listed);
    QFETCH(QString, focused);
    Bench bench;
    makeFullBase(bench.root(), "BASE1", "dados da base 1", kWritten);
    makeFullBase(bench.root(), "BASE2", "dados da base 2", kWritten);
    MessageLog messages;
    Window window({bench.root()}, bench.programFolder());
    QVERIFY(window.show());
    window.type(filterText);
    window.list().setSelectedRow(&window.list().row(int(window.names().indexOf("BASE1"))));
    messages.replies = {MessageResult::Yes};
    messages.inputs = {QStringLiteral("NOVA")};

    window.key(Qt::Key_N, Qt::ControlModifier);

    QCOMPARE(messages.texts(), QStringList{"Copiar BASE1?"});
    QCOMPARE(messages.requests[0].title, QStringLiteral("Nova Base"));
    QCOMPARE(messages.requests[0].icon, MessageIcon::Question);
    QCOMPARE(messages.requests[0].buttons, MessageButtons::YesNo);
    QCOMPARE(messages.inputRequests.size(), 1);
    QCOMPARE(messages.inputRequests[0].title, QStringLiteral("Nova Base"));
    QCOMPARE(messages.inputRequests[0].prompt, QStringLiteral("Nome"));
    QCOMPARE(messages.inputRequests[0].maxLength, 255);
    const QString created = bench.root() + QStringLiteral("/ORQ_DADOS/NOVA");
    QCOMPARE(readBytes(created + "/ORQ.FDB"), QByteArray("dados da base 1"));
    QCOMPARE(readBytes(created + "/SYSTEM.DAT"), QByteArray("system BASE1"));
    QStringList names = window.names();
    names.sort();
    QCOMPARE(names, listed);
    const orq::ListRow* mark = window.list().focusedRow();
    QCOMPARE(mark ? mark->caption() : QString(), focused);
    // The refresh rewrote the catalogue, so the next start lists the new base too.
    QVERIFY(readBytes(bench.cataloguePath()).contains("NOVA,"));
}

void FormCopyTest::newBaseWithABadNameChangesNothing() {
    Bench bench;
    // The root one level down, so a name climbing out of ORQ_DADOS would land in view.
    TempFolder top;
    const QString root = top.file(QStringLiteral("raiz"));
    makeFullBase(root, "BASE1", "dados", kWritten);
    MessageLog messages;
    Window window({root}, bench.programFolder());
    QVERIFY(window.show());
    const QStringList before = allEntries(top.path());
    messages.replies = {MessageResult::Yes};
    messages.inputs = {QStringLiteral("..\\..\\fora")};

    window.key(Qt::Key_N, Qt::ControlModifier);

    QCOMPARE(messages.texts(),
             QStringList({"Copiar BASE1?", "O nome da base não pode conter \\ / : * ? \" < > | "
                                           "nem caracteres de controle."}));
    QCOMPARE(messages.requests[1].icon, MessageIcon::Error);
    QCOMPARE(allEntries(top.path()), before);
    QCOMPARE(window.names(), QStringList{"BASE1"});
}

void FormCopyTest::newBaseAnsweredNoOrCancelled_data() {
    QTest::addColumn<bool>("yes");
    QTest::newRow("answered No") << false;
    QTest::newRow("name cancelled") << true;
}

void FormCopyTest::newBaseAnsweredNoOrCancelled() {
    QFETCH(bool, yes);
    Bench bench;
    makeFullBase(bench.root(), "BASE1", "dados", kWritten);
    MessageLog messages;
    Window window({bench.root()}, bench.programFolder());
    QVERIFY(window.show());
    const QStringList before = allEntries(bench.root());
    messages.replies = {yes ? MessageResult::Yes : MessageResult::No};

    window.key(Qt::Key_N, Qt::ControlModifier);

    QCOMPARE(messages.inputRequests.size(), yes ? 1 : 0);
    QCOMPARE(allEntries(bench.root()), before);
    // With nothing selected the first row was used, and it stays selected.
    QCOMPARE(window.selected(), QStringLiteral("BASE1"));
}

void FormCopyTest::copyCommandsOnAnEmptyList_data() {
    QTest::addColumn<int>("key");
    QTest::newRow("Nova Base") << int(Qt::Key_N);
    QTest::newRow("Copiar para mim") << int(Qt::Key_C);
}

void FormCopyTest::copyCommandsOnAnEmptyList() {
    QFETCH(int, key);
    OpenedWindow opened(QStringList{});
    auto& [bench, messages, window] = opened;
    QVERIFY(window.show());

    window.key(Qt::Key(key), Qt::ControlModifier);

    QCOMPARE(messages.texts(), QStringList{"Selecione um item."});
    QCOMPARE(messages.requests[0].icon, MessageIcon::Error);
    QCOMPARE(messages.inputRequests.size(), 0);
}

void FormCopyTest::copyToMeFromAServerRoot() {
    Bench bench;
    TempFolder server;
    makeFullBase(server.path(), "REMOTA", "do servidor", kWritten);
    makeFullBase(server.path(), "OUTRA", "outra", kWritten);
    // The local bases beside the program, which is also the first known root.
    makeFullBase(bench.programFolder(), "REMOTA", "local antigo", kWritten);
    makeFullBase(bench.programFolder(), "LOCAL", "local", kWritten);
    const QString serverRoot = doubledBackslashRoot(server.path());
    bench.writeHosts({bench.programFolder(), serverRoot});
    MessageLog messages;
    Window window({}, bench.programFolder());
    QVERIFY(window.show());
    window.pickRoot(1);
    QVERIFY(window.mnCopiar->isEnabled());
    QVERIFY(!window.atualizar->isEnabled());
    const int remota = window.names().indexOf("REMOTA");
    window.list().setSelectedRow(&window.list().row(remota));
    messages.replies = {MessageResult::Yes};

    window.key(Qt::Key_C, Qt::ControlModifier);

    QCOMPARE(messages.texts(), QStringList{"Copiar base selecionada para seu computador?"});
    QCOMPARE(messages.requests[0].title, QStringLiteral("Copiar Base"));
    QCOMPARE(messages.requests[0].icon, MessageIcon::Question);
    const QString local = bench.programFolder() + QStringLiteral("/ORQ_DADOS/REMOTA");
    QCOMPARE(readBytes(local + "/ORQ.FDB"), QByteArray("do servidor"));
    QStringList kept = QDir(local).entryList({"*_ORQ.FDB"}, QDir::Files);
    QCOMPARE(kept.size(), 1);
    QCOMPARE(kept[0].size(), 14 + 8);
    QCOMPARE(readBytes(local + u'/' + kept[0]), QByteArray("local antigo"));
    // Back on the first known root, rescanned, with the copied base selected and in view.
    QCOMPARE(window.combo->currentText(), bench.programFolder());
    QStringList names = window.names();
    names.sort();
    QCOMPARE(names, QStringList({"LOCAL", "REMOTA"}));
    QCOMPARE(window.selected(), QStringLiteral("REMOTA"));
    QVERIFY(window.rowFullyVisible(window.selectedIndex()));
    QCOMPARE(window.column(1).at(window.selectedIndex()), QStringLiteral("05/03/2013 14:07:09"));
}

void FormCopyTest::copyToMeOfAMissingDatabase() {
    Bench bench;
    TempFolder server;
    Bench::writeCatalogueOf(server.path(), {{"SUMIU"}});
    MessageLog messages;
    Window window({server.path()}, bench.programFolder());
    QVERIFY(window.show());
    messages.replies = {MessageResult::Yes};

    window.key(Qt::Key_C, Qt::ControlModifier);

    QCOMPARE(messages.texts(),
             QStringList({"Copiar base selecionada para seu computador?",
                          QStringLiteral("Arquivo não encontrado: \"") + server.path() +
                              QStringLiteral("\\ORQ_DADOS\\SUMIU\\ORQ.FDB\"")}));
    QVERIFY(!QFileInfo::exists(bench.programFolder() + QStringLiteral("/ORQ_DADOS")));
}

void FormCopyTest::sendToServerIsOneBox() {
    OpenedWindow opened(QStringList{"ALFA"});
    auto& [bench, messages, window] = opened;
    QVERIFY(window.show());
    const QStringList before = allEntries(bench.root());

    window.key(Qt::Key_E, Qt::ControlModifier);

    QCOMPARE(messages.texts(), QStringList{"Funcionalidade em Desenvolvimento"});
    QCOMPARE(messages.requests[0].title, QStringLiteral("ORQDados"));
    QCOMPARE(messages.requests[0].icon, MessageIcon::None);
    QCOMPARE(allEntries(bench.root()), before);
}

QTEST_MAIN(FormCopyTest)
#include "test_app_form_copy.moc"
