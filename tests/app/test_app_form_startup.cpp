// The main window from creation to its first display, and the catalogue it shows: which root it
// opens, how it marks the current base, when it scans and when it trusts ORQDados.csv.
#include "FormFixture.h"

#include <QDirIterator>

#include <cerrno>
#include <sys/stat.h>

using namespace orqtest;

namespace {

const QString kDefaultRoot = QStringLiteral("c:\\Varnelo\\ORQ_7");

// The names under root/ORQ_DADOS in the order the file system lists them, which is the order a
// scan writes them in.
QStringList listedOrder(const QString& root) {
    QStringList names;
    QDirIterator it(root + QStringLiteral("/ORQ_DADOS"), QDir::Dirs | QDir::NoDotAndDotDot);
    while (it.hasNext()) {
        it.next();
        names << it.fileName();
    }
    return names;
}

} // namespace

class FormStartupTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { pinTestEnvironment(); }

    void opensTheStartupRoot_data();
    void opensTheStartupRoot();
    void missingDefaultRootIsReportedAndTheWindowOpens();
    void marksTheCurrentBase_data();
    void marksTheCurrentBase();
    void currentBaseIsScrolledIntoView();

    void firstStartWritesTheCatalogue();
    void catalogueIsTrustedUntilAtualizar();
    void byteOrderMarkIsKeptByAtualizar();
    void atualizarOnAVanishedRootKeepsTheRows();
    void unreadableCatalogueIsRebuiltByAScan_data();
    void unreadableCatalogueIsRebuiltByAScan();
    void readOnlyRootWithoutCatalogueShowsItsBases();
    void rootThatIsAFileIsReported();
};

// "arg" and "hosts" name roots by key: A and B are temp roots, "default" the design-time root.
void FormStartupTest::opensTheStartupRoot_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QStringList>("hosts"); // empty: no root list file
    QTest::addColumn<QString>("expected");

    QTest::newRow("argument wins over the root list")
        << QStringList{"A"} << QStringList{"B"} << "A";
    QTest::newRow("argument with no root list") << QStringList{"B"} << QStringList{} << "B";
    QTest::newRow("first known root") << QStringList{} << QStringList{"B", "A"} << "B";
    QTest::newRow("default root") << QStringList{} << QStringList{} << "default";
}

void FormStartupTest::opensTheStartupRoot() {
    QFETCH(QStringList, arguments);
    QFETCH(QStringList, hosts);
    QFETCH(QString, expected);

    Bench bench;
    FakeWinePrefix prefix;
    TempFolder rootB;
    const QString defaultRootFolder = prefix.driveC() + QStringLiteral("/Varnelo/ORQ_7");
    const QMap<QString, QString> roots{
        {"A", bench.root()}, {"B", rootB.path()}, {"default", kDefaultRoot}};
    const QMap<QString, QString> folders{
        {"A", bench.root()}, {"B", rootB.path()}, {"default", defaultRootFolder}};
    makeBase(bench.root(), "BASE_A", 1024, utc(2013, 3, 5));
    makeBase(rootB.path(), "BASE_B", 1024, utc(2013, 3, 5));
    makeBase(defaultRootFolder, "BASE_PADRAO", 1024, utc(2013, 3, 5));

    QStringList args;
    for (const QString& key : arguments)
        args << roots[key];
    QStringList hostRoots;
    for (const QString& key : hosts)
        hostRoots << roots[key];
    if (!hostRoots.isEmpty())
        bench.writeHosts(hostRoots);

    MessageLog messages;
    Window window(args, bench.programFolder());
    QVERIFY(window.show());

    QCOMPARE(messages.texts(), QStringList());
    QCOMPARE(window.combo->currentText(), roots[expected]);
    QCOMPARE(window.names(),
             QStringList{QStringLiteral("BASE_") +
                         (expected == "default" ? QStringLiteral("PADRAO") : expected)});
    QCOMPARE(window.count->text(), QStringLiteral("1"));
    // The drop-down list is the root list; the command-line root is not added to it.
    QCOMPARE(window.combo->count(), hostRoots.size());
    for (int i = 0; i < hostRoots.size(); ++i)
        QCOMPARE(window.combo->itemText(i), hostRoots[i]);
    QCOMPARE(readBytes(bench.hostsPath()),
             hostRoots.isEmpty() ? QByteArray() : crlfAnsi(hostRoots));
    // The scan wrote the catalogue of the root it opened, and of no other.
    for (const QString& key : folders.keys())
        QCOMPARE(QFile::exists(folders[key] + QStringLiteral("/ORQDados.csv")), key == expected);
}

void FormStartupTest::missingDefaultRootIsReportedAndTheWindowOpens() {
    Bench bench;
    MessageLog messages;
    Window window({}, bench.programFolder());
    QVERIFY(window.show());

    QCOMPARE(messages.requests.size(), 1);
    QCOMPARE(messages.requests[0].text,
             QStringLiteral("Cannot create file \"c:\\Varnelo\\ORQ_7\\ORQDados.csv\". ") +
                 errorText(ENOENT) + u'.');
    QCOMPARE(messages.requests[0].title, QStringLiteral("ORQDados"));
    QCOMPARE(messages.requests[0].icon, orq::sys::MessageIcon::Error);
    QCOMPARE(window.combo->currentText(), kDefaultRoot);
    QCOMPARE(window.model()->rowCount(), 0);
    QCOMPARE(window.count->text(), QString());
    QVERIFY(window.form.isVisible());
    QCOMPARE(window.focused(), window.edit);
}

void FormStartupTest::marksTheCurrentBase_data() {
    QTest::addColumn<QByteArray>("ini"); // empty: no orqcon.ini
    QTest::addColumn<QString>("selected");
    QTest::addColumn<QStringList>("coloured");

    QTest::newRow("exact name") << QByteArray(
                                       "[ORQ]\r\nCAMINHO=C:\\V\\ORQ_DADOS\\BETA\\ORQ.FDB\r\n")
                                << "BETA" << QStringList{"BETA"};
    QTest::newRow("other letter case: selected, not coloured")
        << QByteArray("[orq]\r\ncaminho=C:\\V\\ORQ_DADOS\\beta\\orq.fdb\r\n") << "BETA"
        << QStringList{};
    QTest::newRow("server prefix")
        << QByteArray("[ORQ]\r\nCAMINHO=srv01:C:\\dados\\GAMA\\ORQ.FDB\r\n") << "GAMA"
        << QStringList{"GAMA"};
    QTest::newRow("forward slashes name no base")
        << QByteArray("[ORQ]\r\nCAMINHO=/dados/ORQ_DADOS/BETA/ORQ.FDB\r\n") << "" << QStringList{};
    QTest::newRow("a prefix of a name is not the name")
        << QByteArray("[ORQ]\r\nCAMINHO=C:\\V\\ORQ_DADOS\\BET\\ORQ.FDB\r\n") << "" << QStringList{};
    QTest::newRow("no orqcon.ini") << QByteArray() << "" << QStringList{};
}

void FormStartupTest::marksTheCurrentBase() {
    QFETCH(QByteArray, ini);
    QFETCH(QString, selected);
    QFETCH(QStringList, coloured);

    Bench bench;
    bench.writeCatalogue(QStringList{"ALFA", "BETA", "GAMA"});
    if (!ini.isEmpty())
        bench.writeIni(ini);
    MessageLog messages;
    Window window({bench.root()}, bench.programFolder());
    QVERIFY(window.show());

    QCOMPARE(messages.texts(), QStringList());
    QCOMPARE(window.names(), QStringList({"ALFA", "BETA", "GAMA"}));
    QCOMPARE(window.selected(), selected);
    QCOMPARE(window.coloured(), coloured);
    if (!coloured.isEmpty())
        QCOMPARE(window.colourOf(window.names().indexOf(coloured[0])),
                 window.form.palette().color(QPalette::Highlight));
    // Only Ultima Base is offered until something is typed; the keys go to the filter box.
    QVERIFY(!window.entrar->isVisible());
    QVERIFY(window.ultimaBase->isDefault());
    QVERIFY(!window.entrar->isDefault());
    QCOMPARE(window.focused(), window.edit);
    QVERIFY(window.atualizar->isEnabled());
    QVERIFY(window.mnCopiar->isEnabled());
    QCOMPARE(bench.ini(), ini);
}

void FormStartupTest::currentBaseIsScrolledIntoView() {
    Bench bench;
    QStringList names;
    for (int i = 0; i < 300; ++i)
        names << QStringLiteral("BASE%1").arg(i, 3, 10, QLatin1Char('0'));
    bench.writeCatalogue(names);
    bench.writeIniNaming(QStringLiteral("C:\\V\\ORQ_DADOS\\BASE250\\ORQ.FDB"));
    Window window({bench.root()}, bench.programFolder());
    QVERIFY(window.show());

    QCOMPARE(window.selectedIndex(), 250);
    QVERIFY(!window.rowFullyVisible(0));
    QVERIFY(window.rowFullyVisible(250));
}

void FormStartupTest::firstStartWritesTheCatalogue() {
    Bench bench;
    makeBase(bench.root(), "ALFA", 1263616, utc(2013, 3, 5, 14, 7, 9));
    makeBase(bench.root(), "São Paulo", 512, utc(2014, 1, 2));
    makeBase(bench.root(), "a,b", 0, utc(2014, 1, 2, 0, 0, 1));
    makeFolder(bench.root() + "/ORQ_DADOS/SEM_BANCO");
    const QMap<QString, QString> lineOf{
        {"ALFA", "ALFA,\"05/03/2013 14:07:09\",\"1.234,00\""},
        {"São Paulo", "\"São Paulo\",02/01/2014,\"0,50\""},
        {"a,b", "\"a,b\",\"02/01/2014 00:00:01\",\"0,00\""},
    };
    QStringList expected;
    for (const QString& name : listedOrder(bench.root())) {
        if (lineOf.contains(name))
            expected << lineOf[name];
    }
    QCOMPARE(expected.size(), 3);

    MessageLog messages;
    Window window({bench.root()}, bench.programFolder());
    QVERIFY(window.show());

    QCOMPARE(messages.texts(), QStringList());
    // Windows-1252, CR LF after every line, no byte-order mark.
    const QByteArray bytes = readBytes(bench.cataloguePath());
    QCOMPARE(bytes, crlfAnsi(expected));
    QVERIFY(bytes.contains("\"S\xe3o Paulo\""));
    QCOMPARE(window.count->text(), QStringLiteral("3"));
    QStringList shownNames;
    for (const QString& line : expected)
        shownNames << lineOf.key(line);
    QCOMPARE(window.names(), shownNames);
    const int alfa = int(shownNames.indexOf("ALFA"));
    QCOMPARE(window.rows()[alfa], QStringList({"ALFA", "05/03/2013 14:07:09", "1.234,00"}));
}

void FormStartupTest::catalogueIsTrustedUntilAtualizar() {
    Bench bench;
    makeBase(bench.root(), "ALFA", 1024, utc(2013, 3, 5, 14, 7, 9));
    makeBase(bench.root(), "BETA", 2048, utc(2013, 3, 5, 14, 7, 9));
    {
        Window first({bench.root()}, bench.programFolder());
        QVERIFY(first.show());
        QCOMPARE(first.count->text(), QStringLiteral("2"));
    }
    const QByteArray written = readBytes(bench.cataloguePath());
    makeBase(bench.root(), "BETA_NOVA", 4096, utc(2013, 3, 5, 14, 7, 9));
    makeBase(bench.root(), "GAMA", 4096, utc(2013, 3, 5, 14, 7, 9));

    MessageLog messages;
    Window window({bench.root()}, bench.programFolder());
    QVERIFY(window.show());
    QCOMPARE(readBytes(bench.cataloguePath()), written);
    QStringList names = window.names();
    names.sort();
    QCOMPARE(names, QStringList({"ALFA", "BETA"}));

    window.type("bet");
    QCOMPARE(window.names(), QStringList{"BETA"});

    QTest::mouseClick(window.atualizar, Qt::LeftButton);

    // The rescan is written and shown through the filter that was typed before.
    QCOMPARE(messages.texts(), QStringList());
    QCOMPARE(readBytes(bench.cataloguePath()).count("\r\n"), 4);
    names = window.names();
    names.sort();
    QCOMPARE(names, QStringList({"BETA", "BETA_NOVA"}));
    QCOMPARE(window.count->text(), QStringLiteral("2"));
    QCOMPARE(window.edit->text(), QStringLiteral("bet"));
    QVERIFY(window.enterShown());

    window.edit->clear();
    QCOMPARE(window.count->text(), QStringLiteral("4"));
}

void FormStartupTest::byteOrderMarkIsKeptByAtualizar() {
    Bench bench;
    makeBase(bench.root(), "SÃO", 1024, utc(2013, 3, 5, 14, 7, 9));
    const QByteArray mark("\xef\xbb\xbf");
    writeBytes(bench.cataloguePath(),
               mark + QStringLiteral("SÃO,\"05/03/2013 14:07:09\",\"1,00\"\r\n").toUtf8());

    MessageLog messages;
    Window window({bench.root()}, bench.programFolder());
    QVERIFY(window.show());
    QCOMPARE(window.names(), QStringList{"SÃO"});

    makeBase(bench.root(), "Ç", 2048, utc(2013, 3, 5));
    QTest::mouseClick(window.atualizar, Qt::LeftButton);

    QCOMPARE(messages.texts(), QStringList());
    const QMap<QString, QString> lineOf{{"SÃO", "SÃO,\"05/03/2013 14:07:09\",\"1,00\""},
                                        {"Ç", "Ç,05/03/2013,\"2,00\""}};
    QByteArray expected = mark;
    for (const QString& name : listedOrder(bench.root()))
        expected += lineOf[name].toUtf8() + "\r\n";
    QCOMPARE(readBytes(bench.cataloguePath()), expected);
    QCOMPARE(window.count->text(), QStringLiteral("2"));
}

void FormStartupTest::atualizarOnAVanishedRootKeepsTheRows() {
    Bench bench;
    TempFolder parent;
    const QString root = parent.file(QStringLiteral("raiz"));
    makeBase(root, "ALFA", 1024, utc(2013, 3, 5));
    makeBase(root, "BETA", 1024, utc(2013, 3, 5));
    MessageLog messages;
    Window window({root}, bench.programFolder());
    QVERIFY(window.show());
    QCOMPARE(window.count->text(), QStringLiteral("2"));
    QVERIFY(QDir(root).removeRecursively());

    QTest::mouseClick(window.atualizar, Qt::LeftButton);

    QCOMPARE(messages.texts(),
             QStringList{QStringLiteral("Cannot create file \"") + root +
                         QStringLiteral("\\ORQDados.csv\". ") + errorText(ENOENT) + u'.'});
    QCOMPARE(window.model()->rowCount(), 2);
    QCOMPARE(window.count->text(), QStringLiteral("2"));
    // The catalogue in memory is the scan that could not be written: nothing to filter.
    window.type("a");
    QCOMPARE(window.model()->rowCount(), 0);
    QCOMPARE(window.count->text(), QStringLiteral("0"));
}

// The catalogue is only a cache of the folders: one the fill cannot read (here a blank line) is
// reported and rebuilt, at start-up and when a root is picked alike, and every base is listed.
void FormStartupTest::unreadableCatalogueIsRebuiltByAScan_data() {
    QTest::addColumn<bool>("atStartUp");
    QTest::newRow("at start-up") << true;
    QTest::newRow("picking the root") << false;
}

void FormStartupTest::unreadableCatalogueIsRebuiltByAScan() {
    QFETCH(bool, atStartUp);
    Bench bench;
    for (const char* name : {"ALFA", "BETA", "GAMA"})
        makeBase(bench.root(), name, 1024, utc(2013, 3, 5, 14, 7, 9));
    const QByteArray broken = "ALFA,\"05/03/2013 14:07:09\",\"1,00\"\r\n"
                              "\r\n"
                              "GAMA,\"05/03/2013 14:07:09\",\"1,00\"\r\n";
    if (atStartUp)
        writeBytes(bench.cataloguePath(), broken);
    else
        bench.writeCatalogue(QStringList{"ALFA"});
    bench.writeHosts({bench.root()});
    MessageLog messages;
    Window window({}, bench.programFolder());
    QVERIFY(window.show());
    if (!atStartUp) {
        QCOMPARE(window.count->text(), QStringLiteral("1"));
        writeBytes(bench.cataloguePath(), broken);
        window.pickRoot(0);
    }

    QCOMPARE(messages.texts(),
             QStringList{QStringLiteral("O catálogo \"") + bench.root() +
                         QStringLiteral("\\ORQDados.csv\" não pôde ser lido (linha 2) e foi "
                                        "refeito a partir das pastas das bases.")});
    QCOMPARE(messages.requests[0].icon, orq::sys::MessageIcon::Error);
    QStringList names = window.names();
    names.sort();
    QCOMPARE(names, QStringList({"ALFA", "BETA", "GAMA"}));
    QCOMPARE(window.count->text(), QStringLiteral("3"));
    QCOMPARE(window.column(1), QStringList(3, QStringLiteral("05/03/2013 14:07:09")));
    // The rebuilt cache is trusted on the next start: no second message.
    messages.requests.clear();
    Window again({}, bench.programFolder());
    QCOMPARE(messages.texts(), QStringList());
    QCOMPARE(again.model()->rowCount(), 3);
}

// A share mounted read-only is common: its bases are listed even though the cache cannot be
// written, and the user is told why the next start will scan again.
void FormStartupTest::readOnlyRootWithoutCatalogueShowsItsBases() {
    Bench bench;
    makeBase(bench.root(), "ALFA", 1024, utc(2013, 3, 5));
    makeBase(bench.root(), "BETA", 1024, utc(2013, 3, 5));
    QVERIFY(::chmod(QFile::encodeName(bench.root()).constData(), 0555) == 0);
    MessageLog messages;
    Unprivileged user;
    QVERIFY(user.ok());
    Window window({bench.root()}, bench.programFolder());
    QVERIFY(window.show());

    QCOMPARE(messages.texts(),
             QStringList{QStringLiteral("Cannot create file \"") + bench.root() +
                         QStringLiteral("\\ORQDados.csv\". ") + errorText(EACCES) + u'.'});
    QCOMPARE(window.model()->rowCount(), 2);
    QCOMPARE(window.count->text(), QStringLiteral("2"));
    QVERIFY(!QFile::exists(bench.cataloguePath()));
}

void FormStartupTest::rootThatIsAFileIsReported() {
    Bench bench;
    const QString root = bench.root() + QStringLiteral("/arquivo");
    writeBytes(root, "not a folder");
    MessageLog messages;
    Window window({root}, bench.programFolder());
    QVERIFY(window.show());

    QCOMPARE(messages.texts(),
             QStringList{QStringLiteral("Cannot create file \"") + root +
                         QStringLiteral("\\ORQDados.csv\". ") + errorText(ENOTDIR) + u'.'});
    QCOMPARE(window.model()->rowCount(), 0);
    QCOMPARE(readBytes(root), QByteArray("not a folder"));
}

QTEST_MAIN(FormStartupTest)
#include "test_app_form_startup.moc"
