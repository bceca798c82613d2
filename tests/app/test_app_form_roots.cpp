// The root box: picking a known root from its drop-down list, server mode and what it switches,
// and leaving the box with a root typed by hand, which is remembered only when it lists bases.
#include "FormFixture.h"

#include <QAbstractItemView>

#include <cerrno>
#include <sys/stat.h>

using namespace orqtest;

class FormRootsTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { pinTestEnvironment(); }

    void pickingARootOpensIt_data();
    void pickingARootOpensIt();
    void pickingByKeyboardFromTheDropDown();
    void pickingARootThatCannotBeOpened();
    void leavingTheRootBox_data();
    void leavingTheRootBox();
    void rootListThatCannotBeWrittenIsReportedOnce();
};

void FormRootsTest::pickingARootOpensIt_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("server");

    QTest::newRow("local root") << "local" << false;
    QTest::newRow("doubled backslash with a catalogue") << "server" << true;
    QTest::newRow("doubled backslash, scanned on opening") << "server, no catalogue" << true;
}

void FormRootsTest::pickingARootOpensIt() {
    QFETCH(QString, kind);
    QFETCH(bool, server);
    Bench bench;
    TempFolder other;
    bench.writeCatalogue(QStringList{"ALFA", "BETA"});
    const QString picked = kind == "local" ? other.path() : doubledBackslashRoot(other.path());
    if (kind == "server, no catalogue")
        makeBase(other.path(), "REMOTA", 1024, utc(2013, 3, 5));
    else
        Bench::writeCatalogueOf(other.path(), {{"REMOTA"}, {"OUTRA"}});
    bench.writeHosts({bench.root(), picked});
    MessageLog messages;
    Window window({}, bench.programFolder());
    QVERIFY(window.show());
    QCOMPARE(window.combo->count(), 2);
    window.type("alf");
    QCOMPARE(window.names(), QStringList{"ALFA"});
    window.combo->setFocus(Qt::TabFocusReason);

    window.pickRoot(1);

    QCOMPARE(messages.texts(), QStringList());
    QCOMPARE(window.combo->currentText(), picked);
    // The whole catalogue of the new root: the filter text is not applied again.
    QCOMPARE(window.names(), kind == "server, no catalogue" ? QStringList{"REMOTA"}
                                                            : QStringList({"REMOTA", "OUTRA"}));
    QCOMPARE(window.edit->text(), QStringLiteral("alf"));
    QCOMPARE(window.focused(), window.edit);
    QVERIFY(QFile::exists(other.file("ORQDados.csv")));
    QCOMPARE(window.atualizar->isEnabled(), !server);
    QCOMPARE(window.mnCopiar->isEnabled(), server);
    // Picked roots are known ones: the root list stays as it was.
    QCOMPARE(readBytes(bench.hostsPath()), crlfAnsi({bench.root(), picked}));

    // Back to the first, local root.
    window.pickRoot(0);
    QCOMPARE(window.names(), QStringList({"ALFA", "BETA"}));
    QVERIFY(window.atualizar->isEnabled());
    QVERIFY(!window.mnCopiar->isEnabled());
    QCOMPARE(messages.texts(), QStringList());
}

void FormRootsTest::pickingByKeyboardFromTheDropDown() {
    Bench bench;
    TempFolder other;
    bench.writeCatalogue(QStringList{"ALFA"});
    Bench::writeCatalogueOf(other.path(), {{"REMOTA"}});
    bench.writeHosts({bench.root(), other.path()});
    MessageLog messages;
    Window window({}, bench.programFolder());
    QVERIFY(window.show());
    window.combo->setFocus(Qt::TabFocusReason);

    window.combo->showPopup();
    QAbstractItemView* popup = window.combo->view();
    QTRY_VERIFY(popup->isVisible());
    QTest::keyClick(popup, Qt::Key_Down);
    QTest::keyClick(popup, Qt::Key_Return);

    QTRY_COMPARE(window.names(), QStringList{"REMOTA"});
    QCOMPARE(window.combo->currentText(), other.path());
    QCOMPARE(window.focused(), window.edit);
    QVERIFY(window.atualizar->isEnabled());
    QVERIFY(!window.mnCopiar->isEnabled());
    QCOMPARE(messages.texts(), QStringList());
    QCOMPARE(readBytes(bench.hostsPath()), crlfAnsi({bench.root(), other.path()}));
}

void FormRootsTest::pickingARootThatCannotBeOpened() {
    Bench bench;
    TempFolder server;
    bench.writeCatalogue(QStringList{"ALFA", "BETA"});
    Bench::writeCatalogueOf(server.path(), {{"REMOTA"}});
    const QString missing = doubledBackslashRoot(server.path()) + QStringLiteral("\\nada");
    bench.writeHosts({bench.root(), doubledBackslashRoot(server.path()), missing});
    MessageLog messages;
    Window window({}, bench.programFolder());
    QVERIFY(window.show());
    window.pickRoot(1);
    QCOMPARE(window.names(), QStringList{"REMOTA"});
    QVERIFY(!window.atualizar->isEnabled());
    window.combo->setFocus(Qt::TabFocusReason);

    window.pickRoot(2);

    // The scan could not write the catalogue: the list keeps the rows of the root before, the
    // focus stays and the server-mode states still describe that root.
    QCOMPARE(messages.texts(),
             QStringList{QStringLiteral("Cannot create file \"") + missing +
                         QStringLiteral("\\ORQDados.csv\". ") + errorText(ENOENT) + u'.'});
    QCOMPARE(window.combo->currentText(), missing);
    QCOMPARE(window.names(), QStringList{"REMOTA"});
    QCOMPARE(window.focused(), window.combo);
    QVERIFY(!window.atualizar->isEnabled());
    QVERIFY(window.mnCopiar->isEnabled());
}

void FormRootsTest::leavingTheRootBox_data() {
    QTest::addColumn<QString>("typed"); // "new", "new, empty", "missing", "known", "KNOWN"
    QTest::addColumn<bool>("withRootList");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<bool>("remembered");

    QTest::newRow("new root with bases") << "new" << true << QStringList{"NOVA"} << true;
    QTest::newRow("new root, no root list yet") << "new" << false << QStringList{"NOVA"} << true;
    QTest::newRow("new root without bases") << "new, empty" << true << QStringList{} << false;
    QTest::newRow("root that does not exist")
        << "missing" << true << QStringList{"ALFA", "BETA"} << false;
    QTest::newRow("known root is not reopened")
        << "known" << true << QStringList{"ALFA", "BETA"} << false;
    QTest::newRow("known root in other letter case")
        << "KNOWN" << true << QStringList{"ALFA", "BETA"} << false;
}

void FormRootsTest::leavingTheRootBox() {
    QFETCH(QString, typed);
    QFETCH(bool, withRootList);
    QFETCH(QStringList, names);
    QFETCH(bool, remembered);
    Bench bench;
    TempFolder known;
    TempFolder fresh;
    bench.writeCatalogue(QStringList{"ALFA", "BETA"});
    Bench::writeCatalogueOf(known.path(), {{"CONHECIDA"}});
    if (typed == "new")
        makeBase(fresh.path(), "NOVA", 1024, utc(2013, 3, 5));
    // The open root is the first known one, so the box does not stand on the typed root's entry.
    const QStringList hosts =
        withRootList ? QStringList{bench.root(), known.path()} : QStringList();
    if (withRootList)
        bench.writeHosts(hosts);
    const QByteArray hostsBefore = readBytes(bench.hostsPath());
    const QMap<QString, QString> rootOf{{"new", fresh.path()},
                                        {"new, empty", fresh.path()},
                                        {"missing", fresh.path() + QStringLiteral("/nada")},
                                        {"known", known.path()},
                                        {"KNOWN", known.path().toUpper()}};
    const QString root = rootOf[typed];
    MessageLog messages;
    Window window({bench.root()}, bench.programFolder());
    QVERIFY(window.show());
    window.combo->setFocus(Qt::TabFocusReason);
    window.combo->lineEdit()->selectAll();
    window.type(root);
    QCOMPARE(window.combo->currentText(), root);
    QCOMPARE(window.names(), QStringList({"ALFA", "BETA"}));

    window.key(Qt::Key_Tab);

    QCOMPARE(window.names(), names);
    if (typed == "missing") {
        QCOMPARE(messages.texts(),
                 QStringList{QStringLiteral("Cannot create file \"") + root +
                             QStringLiteral("\\ORQDados.csv\". ") + errorText(ENOENT) + u'.'});
    } else {
        QCOMPARE(messages.texts(), QStringList());
    }
    if (typed.startsWith("new")) {
        QCOMPARE(window.focused(), window.edit);
        QCOMPARE(window.count->text(), QString::number(names.size()));
        // A folder without ORQ_DADOS is no root: nothing is written into it.
        QCOMPARE(QFile::exists(fresh.file("ORQDados.csv")), typed == "new");
        QVERIFY(window.atualizar->isEnabled());
        QVERIFY(!window.mnCopiar->isEnabled());
    } else {
        // Nothing was opened: the server-mode states keep their start-up values.
        QVERIFY(window.atualizar->isEnabled());
        QVERIFY(window.mnCopiar->isEnabled());
    }
    const QStringList expectedHosts = remembered ? QStringList(hosts) << root : hosts;
    if (remembered)
        QCOMPARE(readBytes(bench.hostsPath()), crlfAnsi(expectedHosts));
    else
        QCOMPARE(readBytes(bench.hostsPath()), hostsBefore);
    const QStringList& dropDown = expectedHosts;
    QCOMPARE(window.combo->count(), dropDown.size());
    for (int i = 0; i < dropDown.size(); ++i)
        QCOMPARE(window.combo->itemText(i), dropDown[i]);
    QCOMPARE(window.combo->maxVisibleItems(), std::max<int>(1, int(dropDown.size())));
    QCOMPARE(window.combo->currentText(), root);

    // Leaving the box again with the same text does nothing more.
    const int shown = int(messages.requests.size());
    window.combo->setFocus(Qt::TabFocusReason);
    window.edit->setFocus(Qt::MouseFocusReason);
    if (remembered)
        QCOMPARE(messages.requests.size(), shown);
    QCOMPARE(window.names(), names);
}

void FormRootsTest::rootListThatCannotBeWrittenIsReportedOnce() {
    Bench bench;
    TempFolder fresh;
    bench.writeCatalogue(QStringList{"ALFA"});
    Bench::writeCatalogueOf(fresh.path(), {{"NOVA"}});
    bench.writeHosts({bench.root()});
    const QByteArray hostsBefore = readBytes(bench.hostsPath());
    // Everything readable; only the root list refuses a write.
    for (const QString& path : {bench.programFolder(), fresh.path()})
        QVERIFY(::chmod(QFile::encodeName(path).constData(), 0755) == 0);
    QVERIFY(::chmod(QFile::encodeName(fresh.file("ORQDados.csv")).constData(), 0644) == 0);
    QVERIFY(::chmod(QFile::encodeName(bench.hostsPath()).constData(), 0444) == 0);
    MessageLog messages;
    Window window({}, bench.programFolder());
    QVERIFY(window.show());
    window.combo->setFocus(Qt::TabFocusReason);
    window.combo->setEditText(fresh.path());
    {
        Unprivileged user;
        QVERIFY(user.ok());
        window.key(Qt::Key_Tab);
        // Known for the rest of the run: leaving the box again tries no second write.
        window.combo->setFocus(Qt::TabFocusReason);
        window.edit->setFocus(Qt::MouseFocusReason);
    }

    QCOMPARE(messages.texts(),
             QStringList{QStringLiteral("Cannot create file \"") + bench.hostsPath() +
                         QStringLiteral("\". ") + errorText(EACCES) + u'.'});
    QCOMPARE(window.names(), QStringList{"NOVA"});
    QCOMPARE(readBytes(bench.hostsPath()), hostsBefore);
    // The drop-down list was not refreshed.
    QCOMPARE(window.combo->count(), 1);
}

QTEST_MAIN(FormRootsTest)
#include "test_app_form_roots.moc"
