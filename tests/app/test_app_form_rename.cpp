// "Renomear Pastas para UF" through the window, against the real Firebird server that
// scripts/test.sh starts: the listed bases get their state suffix, the window is locked while
// workers hold rows, and the final rescan shows the real names.
#include "FormFixture.h"
#include "MakeRoot.h"

#include "system/Error.h"

using namespace orqtest;
using orq::sys::MessageIcon;
using orq::sys::MessageResult;

namespace {

const QString kQuestion =
    QStringLiteral("É necessário manter o ORQ e o IBExpert fechados. Deseja Continuar?");

// Real bases in the bench's root, and orqcon.ini naming that root's ORQ_DADOS.
void makeBases(const Bench& bench, const QStringList& bases) {
    orqfb::makeRoot(bench.root(), bases, {});
    bench.writeIniNaming(bench.root() + QStringLiteral("/ORQ_DADOS/QUALQUER/ORQ.FDB"));
}

QStringList sorted(QStringList list) {
    list.sort();
    return list;
}

} // namespace

class FormRenameTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { pinTestEnvironment(); }

    void renamesTheListedBases();
    void answeredNoChangesNothing();
    void theListStaysWhileWorkersHoldRows();
};

void FormRenameTest::renamesTheListedBases() {
    Bench bench;
    makeBases(bench, {"BASE1=SP", "BASE2=RJ", "FILIAL=MG", "JA_SP=SP"});
    MessageLog messages;
    Window window({bench.root()}, bench.programFolder());
    QVERIFY(window.show());
    window.type("base");
    QCOMPARE(sorted(window.names()), QStringList({"BASE1", "BASE2"}));
    messages.replies = {MessageResult::Yes};

    window.key(Qt::Key_U, Qt::ControlModifier);

    QCOMPARE(messages.texts(), QStringList{kQuestion});
    QCOMPARE(messages.requests[0].title, QStringLiteral("Renomear Pastas para UF"));
    QCOMPARE(messages.requests[0].icon, MessageIcon::Question);
    QTRY_VERIFY_WITH_TIMEOUT(window.edit->isEnabled(), 60000);
    QCOMPARE(messages.texts(), QStringList{kQuestion});
    // Only the listed rows were visited; the rescan re-applied the filter.
    QCOMPARE(sorted(folderNames(bench.root() + QStringLiteral("/ORQ_DADOS"))),
             QStringList({"BASE1_SP", "BASE2_RJ", "FILIAL", "JA_SP"}));
    QCOMPARE(sorted(window.names()), QStringList({"BASE1_SP", "BASE2_RJ"}));
    QCOMPARE(window.count->text(), QStringLiteral("2"));
    for (QWidget* control :
         std::initializer_list<QWidget*>{window.combo, window.atualizar, window.opcoes,
                                         window.entrar, window.ultimaBase, window.cancelar})
        QVERIFY(control->isEnabled());
    QVERIFY(readBytes(bench.cataloguePath()).contains("BASE1_SP,"));
}

void FormRenameTest::answeredNoChangesNothing() {
    Bench bench;
    makeBases(bench, {"BASE1=SP"});
    MessageLog messages;
    Window window({bench.root()}, bench.programFolder());
    QVERIFY(window.show());

    window.key(Qt::Key_U, Qt::ControlModifier);

    QCOMPARE(messages.texts(), QStringList{kQuestion});
    QVERIFY(window.edit->isEnabled());
    QCOMPARE(folderNames(bench.root() + QStringLiteral("/ORQ_DADOS")), QStringList{"BASE1"});
}

// A worker's "Erro" box is open while others still hold rows: a header click, a copy command,
// a second batch and typing change nothing, and the box's text is the server's own.
void FormRenameTest::theListStaysWhileWorkersHoldRows() {
    Bench bench;
    makeBases(bench, {"SEM=-", "BASE1=SP", "BASE2=RJ"});
    MessageLog messages;
    Window window({bench.root()}, bench.programFolder());
    QVERIFY(window.show());
    const QStringList before = window.names();
    QStringList duringTheBox;
    int boxes = 0;
    messages.whileShown = [&](const orq::sys::MessageRequest& request) {
        if (request.title != QStringLiteral("Erro"))
            return;
        ++boxes;
        window.clickHeader(0);
        window.key(Qt::Key_N, Qt::ControlModifier);
        window.key(Qt::Key_U, Qt::ControlModifier);
        window.type("zz");
        duringTheBox = window.names();
    };
    messages.replies = {MessageResult::Yes, MessageResult::Yes, MessageResult::Yes};

    window.key(Qt::Key_U, Qt::ControlModifier);
    QTRY_VERIFY_WITH_TIMEOUT(window.edit->isEnabled(), 60000);

    QCOMPARE(boxes, 1);
    // The captions may already carry a suffix; what matters is the rows and their order.
    QCOMPARE(duringTheBox.size(), before.size());
    for (int i = 0; i < before.size(); ++i)
        QVERIFY2(duringTheBox[i].startsWith(before[i]), qPrintable(duringTheBox[i]));
    QStringList texts = messages.texts();
    QCOMPARE(texts.first(), kQuestion);
    QCOMPARE(texts.size(), 2);
    QVERIFY2(texts[1].contains(QStringLiteral("Table unknown")), qPrintable(texts[1]));
    QCOMPARE(messages.requests[1].icon, MessageIcon::Error);
    QCOMPARE(window.edit->text(), QString());
    QCOMPARE(sorted(folderNames(bench.root() + QStringLiteral("/ORQ_DADOS"))),
             QStringList({"BASE1_SP", "BASE2_RJ", "SEM"}));
}

QTEST_MAIN(FormRenameTest)
#include "test_app_form_rename.moc"
