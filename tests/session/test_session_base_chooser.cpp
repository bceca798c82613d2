// What the main window's handlers work on, without a window: opening a root, rescanning it,
// filtering, the known roots, and entering a base. The list is the real list component; the
// catalogue, root list and connection file are real files in temporary folders.
#include "TestSupport.h"

#include "catalogue/BaseScan.h"
#include "listview/uTORQListView.h"
#include "session/BaseChooser.h"
#include "session/CatalogueView.h"
#include "system/Error.h"
#include "system/TextEncoding.h"

#include <QSignalSpy>
#include <QtTest>

#include <cerrno>
#include <ctime>
#include <sys/stat.h>
#include <thread>

using namespace orq;
using namespace orqtest;

namespace {

const QDateTime kWhen(QDate(2013, 3, 5), QTime(14, 7, 9), Qt::UTC);

QString line(const QString& name, const QString& size = QStringLiteral("1,00")) {
    return name + QStringLiteral(",\"05/03/2013 14:07:09\",\"") + size + u'"';
}

QByteArray crlf(const QStringList& lines) {
    QByteArray bytes;
    for (const QString& text : lines)
        bytes += sys::encodeAnsi(text) + "\r\n";
    return bytes;
}

void chmodOrFail(const QString& path, mode_t mode) {
    if (::chmod(QFile::encodeName(path).constData(), mode) != 0)
        qFatal("cannot chmod %s", qPrintable(path));
}

// A list with the window's three columns and a chooser over it, the program folder and a root
// in temporary folders, and every notice recorded.
struct Fixture {
    TempFolder program;
    TempFolder rootFolder;
    sys::RegionalSettings ptBR = sys::RegionalSettings::forLocale(QLocale(QStringLiteral("pt_BR")));
    TORQListView list{ptBR};
    BaseChooser chooser{list, program.path(), ptBR};
    QStringList notices;
    int fills = 0;

    Fixture() {
        list.addColumn(QStringLiteral("Nome"), 356);
        list.addColumn(QStringLiteral("Data/Hora"), 115);
        list.addColumn(QStringLiteral("Tamanho"), 86);
        QObject::connect(&chooser, &BaseChooser::notice,
                         [this](const QString& message) { notices << message; });
        QObject::connect(&list, &ListStore::updateEnded, [this] { ++fills; });
    }

    QString root() const { return rootFolder.path(); }
    QString cataloguePath() const { return rootFolder.file(QStringLiteral("ORQDados.csv")); }
    QString hostsPath() const { return program.file(QStringLiteral("ORQDados.Hosts.txt")); }
    QString iniPath() const { return program.file(QStringLiteral("orqcon.ini")); }

    void base(const QString& name, qint64 size = 1024) { makeBase(root(), name, size, kWhen); }

    QStringList names() const {
        QStringList out;
        for (int i = 0; i < list.rowCount(); ++i)
            out << list.row(i).caption();
        return out;
    }
    QStringList sortedNames() const {
        QStringList out = names();
        out.sort();
        return out;
    }
    QString selected() const { return list.selectedRow() ? list.selectedRow()->caption() : "-"; }
};

} // namespace

class BaseChooserTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        qputenv("TZ", "UTC");
        tzset();
        static TempFolder emptyPrefix;
        qputenv("WINEPREFIX", QFile::encodeName(emptyPrefix.path()));
    }

    void openTrustsTheCatalogueFile();
    void openScansARootWithoutCatalogue();
    void refreshFillsTheListOnce_data();
    void refreshFillsTheListOnce();
    void unreadableCatalogueIsRebuiltByAScan_data();
    void unreadableCatalogueIsRebuiltByAScan();
    void scanOnAWorkerThread();
    void stoppedScanLeavesEverythingAsItWas();
    void catalogueThatCannotBeWrittenStillShowsTheBases();
    void folderThatIsNoRootGetsNothingWritten_data();
    void folderThatIsNoRootGetsNothingWritten();
    void rootThatIsNoFolderIsReportedAndTheRowsStay();
    void namesWithControlCharactersAreLeftOut();
    void filterShowsMatchingLinesInCatalogueOrder();
    void knownRoots();
    void rootThatCannotBeRememberedStaysKnown();
    void serverRoot_data();
    void serverRoot();
    void currentBaseIsSelected_data();
    void currentBaseIsSelected();
    void enterChoosesAndRecordsTheBase_data();
    void enterChoosesAndRecordsTheBase();
    void emptyListEntersNothing();
    void moveSelection_data();
    void moveSelection();
    void fillStopsAtALineOfTooFewFields();
};

void BaseChooserTest::openTrustsTheCatalogueFile() {
    Fixture f;
    f.base(QStringLiteral("NO_DISCO"));
    writeBytes(f.cataloguePath(), crlf({line("ALFA"), line("\"Teste 2\"", "0,50")}));
    QSignalSpy shown(&f.chooser, &BaseChooser::rowsShown);

    f.chooser.open(f.root());

    QCOMPARE(f.names(), QStringList({"ALFA", "Teste 2"}));
    QCOMPARE(f.list.row(1).subItems(), QStringList({"05/03/2013 14:07:09", "0,50"}));
    QCOMPARE(f.fills, 1);
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown[0][0].toInt(), 2);
    QCOMPARE(f.notices, QStringList());
}

void BaseChooserTest::openScansARootWithoutCatalogue() {
    Fixture f;
    f.base(QStringLiteral("ALFA"));
    f.base(QStringLiteral("Loja, Centro"), 512);

    f.chooser.open(f.root());

    QCOMPARE(f.sortedNames(), QStringList({"ALFA", "Loja, Centro"}));
    QCOMPARE(f.fills, 1);
    // The file holds the lines in the order they were scanned, and they are the shown rows.
    QCOMPARE(readBytes(f.cataloguePath()), crlf(f.chooser.catalogue()));
    QVERIFY(f.chooser.catalogue().contains(line("\"Loja, Centro\"", "0,50")));
}

void BaseChooserTest::refreshFillsTheListOnce_data() {
    QTest::addColumn<QString>("filterText");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QString>("focused");

    QTest::newRow("whole catalogue, current base marked")
        << "" << QStringList{"ALFA", "BETA"} << "BETA";
    QTest::newRow("filtered, nothing marked") << "alf" << QStringList{"ALFA"} << "-";
}

void BaseChooserTest::refreshFillsTheListOnce() {
    QFETCH(QString, filterText);
    QFETCH(QStringList, names);
    QFETCH(QString, focused);
    Fixture f;
    writeBytes(f.iniPath(), "[ORQ]\r\nCAMINHO=C:\\ORQ_7\\ORQ_DADOS\\beta\\ORQ.FDB\r\n");
    writeBytes(f.cataloguePath(), crlf({line("ALFA")}));
    f.chooser.ReadIniFolderName();
    f.chooser.open(f.root());
    f.base(QStringLiteral("ALFA"));
    f.base(QStringLiteral("BETA"));
    f.fills = 0;

    f.chooser.refresh(f.root(), filterText);

    QCOMPARE(f.sortedNames(), names);
    QCOMPARE(f.fills, 1);
    const ListRow* mark = f.list.focusedRow();
    QCOMPARE(mark ? mark->caption() : QStringLiteral("-"), focused);
    // Only the focus mark: the selection is not touched.
    QCOMPARE(f.selected(), QStringLiteral("-"));
    QCOMPARE(f.chooser.catalogue().size(), 2);
}

// The window runs scans on a worker thread: what the scan finds and writes is the same, and the
// waiting side sees every folder counted.
void BaseChooserTest::scanOnAWorkerThread() {
    Fixture f;
    for (const char* name : {"ALFA", "BETA", "GAMA"})
        f.base(QString::fromLatin1(name));
    makeFolder(f.rootFolder.file(QStringLiteral("ORQ_DADOS/SEM_BANCO")));
    int counted = -1;
    QString scannedRoot;
    f.chooser.setScanRunner(
        [&](const QString& root, ScanProgress& progress, const std::function<BaseScan()>& scan) {
            scannedRoot = root;
            BaseScan result;
            std::thread worker([&] { result = scan(); });
            worker.join();
            counted = progress.folders;
            return result;
        });

    f.chooser.refresh(f.root(), QString());

    QCOMPARE(f.sortedNames(), QStringList({"ALFA", "BETA", "GAMA"}));
    QCOMPARE(scannedRoot, f.root());
    // The four folders and "..", which the scan looks into like any other.
    QCOMPARE(counted, 5);
    QCOMPARE(readBytes(f.cataloguePath()).count('\n'), 3);
}

// "Cancelar" during a scan: the catalogue, its file and the list stay as they were, and nothing
// is reported (the scan ends as a silent abort).
void BaseChooserTest::stoppedScanLeavesEverythingAsItWas() {
    Fixture f;
    writeBytes(f.cataloguePath(), crlf({line("ALFA")}));
    f.chooser.open(f.root());
    f.base(QStringLiteral("BETA"));
    const QByteArray file = readBytes(f.cataloguePath());
    f.chooser.setScanRunner(
        [](const QString&, ScanProgress& progress, const std::function<BaseScan()>& scan) {
            progress.stop = true;
            return scan();
        });
    f.fills = 0;

    bool aborted = false;
    try {
        f.chooser.refresh(f.root(), QString());
    } catch (const Abort&) {
        aborted = true;
    }

    QVERIFY(aborted);
    QCOMPARE(f.names(), QStringList{"ALFA"});
    QCOMPARE(f.chooser.catalogue().size(), 1);
    QCOMPARE(readBytes(f.cataloguePath()), file);
    QCOMPARE(f.fills, 0);
    QCOMPARE(f.notices, QStringList());
}

void BaseChooserTest::unreadableCatalogueIsRebuiltByAScan_data() {
    QTest::addColumn<QByteArray>("catalogue");
    QTest::addColumn<int>("badLine");

    const QByteArray alfa = sys::encodeAnsi(line("ALFA")) + "\r\n";
    QTest::newRow("blank line") << alfa + "\r\n" + alfa << 2;
    QTest::newRow("one field") << alfa + "BETA\r\n" << 2;
    QTest::newRow("two fields") << "BETA,\"05/03/2013\"\r\n" + alfa << 1;
    QTest::newRow("quote cut by a crash")
        << alfa + "\"Teste 2\",\"05/03/2013 14:07:09\",\"1,0" << 2;
    QTest::newRow("marked UTF-8 file") << utf8Mark + "GAMA\r\n" << 1;
}

void BaseChooserTest::unreadableCatalogueIsRebuiltByAScan() {
    QFETCH(QByteArray, catalogue);
    QFETCH(int, badLine);
    Fixture f;
    f.base(QStringLiteral("ALFA"));
    f.base(QStringLiteral("BETA"));
    f.base(QStringLiteral("Teste 2"));
    writeBytes(f.cataloguePath(), catalogue);

    f.chooser.open(f.root());

    QCOMPARE(f.sortedNames(), QStringList({"ALFA", "BETA", "Teste 2"}));
    QCOMPARE(f.notices, QStringList{QStringLiteral("O catálogo \"%1\" não pôde ser lido (linha %2) "
                                                   "e foi refeito a partir das pastas das bases")
                                        .arg(f.root() + QStringLiteral("\\ORQDados.csv"))
                                        .arg(badLine)});
    // The rebuilt file keeps the encoding and mark of the broken one.
    const QByteArray mark = catalogue.startsWith(utf8Mark) ? utf8Mark : QByteArray();
    QByteArray expected = mark;
    for (const QString& text : f.chooser.catalogue())
        expected += text.toUtf8() + "\r\n";
    QCOMPARE(readBytes(f.cataloguePath()), expected);
    QCOMPARE(f.fills, 1);
}

void BaseChooserTest::catalogueThatCannotBeWrittenStillShowsTheBases() {
    Fixture f;
    f.base(QStringLiteral("ALFA"));
    f.base(QStringLiteral("BETA"));
    chmodOrFail(f.root(), 0555);
    {
        Unprivileged user;
        QVERIFY(user.ok());
        f.chooser.open(f.root());
    }

    QCOMPARE(f.sortedNames(), QStringList({"ALFA", "BETA"}));
    QCOMPARE(f.notices, QStringList{QStringLiteral("Cannot create file \"") + f.root() +
                                    QStringLiteral("\\ORQDados.csv\". ") + errorText(EACCES)});
    QVERIFY(!QFile::exists(f.cataloguePath()));
}

void BaseChooserTest::folderThatIsNoRootGetsNothingWritten_data() {
    QTest::addColumn<QString>("layout");
    QTest::newRow("no ORQ_DADOS") << "";
    QTest::newRow("ORQ_DADOS is a file") << "file";
    QTest::newRow("ORQ_DADOS cannot be read") << "unreadable";
}

void BaseChooserTest::folderThatIsNoRootGetsNothingWritten() {
    QFETCH(QString, layout);
    Fixture f;
    if (layout == "file") {
        writeBytes(f.rootFolder.file("ORQ_DADOS"), "x");
    } else if (layout == "unreadable") {
        f.base(QStringLiteral("ALFA"));
        // A good cache must not be replaced by an empty one because the folder hides its bases.
        writeBytes(f.cataloguePath(), crlf({line("ALFA")}));
        chmodOrFail(f.rootFolder.file("ORQ_DADOS"), 0);
    }
    const bool hadCatalogue = QFile::exists(f.cataloguePath());
    const QByteArray before = hadCatalogue ? readBytes(f.cataloguePath()) : QByteArray();
    {
        Unprivileged user;
        QVERIFY(user.ok());
        f.chooser.refresh(f.root(), QString());
    }

    QCOMPARE(f.names(), QStringList());
    QCOMPARE(f.notices, QStringList());
    QCOMPARE(QFile::exists(f.cataloguePath()), hadCatalogue);
    if (hadCatalogue)
        QCOMPARE(readBytes(f.cataloguePath()), before);
}

void BaseChooserTest::rootThatIsNoFolderIsReportedAndTheRowsStay() {
    Fixture f;
    writeBytes(f.cataloguePath(), crlf({line("ALFA")}));
    f.chooser.open(f.root());
    const QString missing = f.rootFolder.file(QStringLiteral("nada"));

    try {
        f.chooser.refresh(missing, QString());
        QFAIL("a root that does not exist must be reported");
    } catch (const Error& error) {
        QCOMPARE(error.message(), QStringLiteral("Cannot create file \"") + missing +
                                      QStringLiteral("\\ORQDados.csv\". ") + errorText(ENOENT));
    }
    QCOMPARE(f.names(), QStringList{"ALFA"});
    QVERIFY(!QFile::exists(missing));
}

void BaseChooserTest::namesWithControlCharactersAreLeftOut() {
    Fixture f;
    f.base(QStringLiteral("ALFA"));
    f.base(QStringLiteral("duas\nlinhas"));
    f.base(QStringLiteral("tab\tulada"));

    f.chooser.open(f.root());

    QCOMPARE(f.names(), QStringList{"ALFA"});
    QCOMPARE(f.notices.size(), 1);
    QVERIFY2(f.notices[0].startsWith(QStringLiteral("Pastas deixadas fora da lista porque o nome "
                                                    "tem caracteres de controle: ")),
             qPrintable(f.notices[0]));
    QVERIFY(f.notices[0].contains(QStringLiteral("\"duas?linhas\"")));
    QVERIFY(f.notices[0].contains(QStringLiteral("\"tab?ulada\"")));
    // What was written reads back as the same bases on the next start.
    BaseChooser again(f.list, f.program.path(), f.ptBR);
    again.open(f.root());
    QCOMPARE(f.names(), QStringList{"ALFA"});
}

void BaseChooserTest::filterShowsMatchingLinesInCatalogueOrder() {
    Fixture f;
    writeBytes(f.cataloguePath(),
               crlf({line("SP_CAPITAL"), line("\"Mun sp\""), line("RJ"), line("\"SÃO\"")}));
    f.chooser.open(f.root());

    f.chooser.filter(QStringLiteral("sp"));
    QCOMPARE(f.names(), QStringList({"SP_CAPITAL", "Mun sp"}));
    QCOMPARE(f.chooser.filteredCatalogue(), QStringList({line("SP_CAPITAL"), line("\"Mun sp\"")}));
    f.chooser.filter(QStringLiteral("são"));
    QCOMPARE(f.names(), QStringList());
    f.chooser.filter(QString());
    QCOMPARE(f.names(), QStringList({"SP_CAPITAL", "Mun sp", "RJ", "SÃO"}));
}

void BaseChooserTest::knownRoots() {
    Fixture f;
    QCOMPARE(f.chooser.startupRoot({}), QStringLiteral("c:\\Varnelo\\ORQ_7"));
    writeBytes(f.hostsPath(), "c:\\Dados\\ORQ_7\r\n\\\\srv01\\c$\\ORQ_7");
    f.chooser.loadHosts();

    QCOMPARE(f.chooser.knownRoots(), QStringList({"c:\\Dados\\ORQ_7", "\\\\srv01\\c$\\ORQ_7"}));
    QCOMPARE(f.chooser.startupRoot({}), QStringLiteral("c:\\Dados\\ORQ_7"));
    QCOMPARE(f.chooser.startupRoot({"/outra", "x"}), QStringLiteral("/outra"));
    QVERIFY(f.chooser.isKnownRoot(QStringLiteral("C:\\DADOS\\orq_7")));
    QVERIFY(!f.chooser.isKnownRoot(QStringLiteral("c:\\Dados\\ORQ_7\\")));

    f.chooser.rememberRoot(QStringLiteral("/srv/orq"));
    QCOMPARE(readBytes(f.hostsPath()), QByteArray("c:\\Dados\\ORQ_7\r\n\\\\srv01\\c$\\ORQ_7\r\n"
                                                  "/srv/orq\r\n"));
}

void BaseChooserTest::rootThatCannotBeRememberedStaysKnown() {
    Fixture f;
    chmodOrFail(f.program.path(), 0555);
    {
        Unprivileged user;
        QVERIFY(user.ok());
        QVERIFY_THROWS_EXCEPTION(Error, f.chooser.rememberRoot(QStringLiteral("/srv/orq")));
    }
    QVERIFY(f.chooser.isKnownRoot(QStringLiteral("/srv/orq")));
    QVERIFY(!QFile::exists(f.hostsPath()));
}

void BaseChooserTest::serverRoot_data() {
    QTest::addColumn<bool>("doubled");
    QTest::addColumn<bool>("catalogue");
    QTest::addColumn<bool>("server");
    QTest::newRow("doubled backslash and a catalogue") << true << true << true;
    QTest::newRow("doubled backslash, no catalogue") << true << false << false;
    QTest::newRow("plain path with a catalogue") << false << true << false;
}

void BaseChooserTest::serverRoot() {
    QFETCH(bool, doubled);
    QFETCH(bool, catalogue);
    QFETCH(bool, server);
    Fixture f;
    if (catalogue)
        writeBytes(f.cataloguePath(), {});
    QString root = f.root();
    if (doubled) {
        const qsizetype cut = root.lastIndexOf(u'/');
        root = root.left(cut) + QStringLiteral("\\\\") + root.mid(cut + 1);
    }
    QCOMPARE(f.chooser.isServerRoot(root), server);
}

void BaseChooserTest::currentBaseIsSelected_data() {
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("selected");
    QTest::newRow("named base, other letter case") << "C:\\X\\ORQ_DADOS\\beta\\ORQ.FDB"
                                                   << "BETA";
    QTest::newRow("base not listed") << "C:\\X\\ORQ_DADOS\\OUTRA\\ORQ.FDB"
                                     << "-";
    QTest::newRow("no connection file") << ""
                                        << "-";
}

void BaseChooserTest::currentBaseIsSelected() {
    QFETCH(QString, stored);
    QFETCH(QString, selected);
    Fixture f;
    if (!stored.isEmpty())
        writeBytes(f.iniPath(), "[ORQ]\r\nCAMINHO=" + stored.toLatin1() + "\r\n");
    writeBytes(f.cataloguePath(), crlf({line("ALFA"), line("BETA")}));
    f.chooser.ReadIniFolderName();
    f.chooser.open(f.root());
    f.list.setSelectedRow(&f.list.row(0));

    f.chooser.selectCurrentBase();

    QCOMPARE(f.selected(), selected);
}

void BaseChooserTest::enterChoosesAndRecordsTheBase_data() {
    QTest::addColumn<int>("selectedRow"); // -1: nothing selected
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("root");
    QTest::addColumn<QString>("entered");
    QTest::addColumn<QByteArray>("ini");

    const QString beta = QStringLiteral("C:\\Varnelo\\ORQ_7\\ORQ_DADOS\\Beta\\ORQ.FDB");
    QTest::newRow("selected row") << 2 << beta << "c:\\Varnelo\\ORQ_7"
                                  << "GAMA"
                                  << QByteArray(
                                         "[ORQ]\r\nCAMINHO=C:\\Varnelo\\ORQ_7\\ORQ_DADOS\\"
                                         "GAMA\\ORQ.FDB\r\n[SERVIDOR]\r\nNOME=localhost\r\n");
    QTest::newRow("current base when nothing is selected")
        << -1 << beta << "\\\\srv01\\c$\\ORQ_7"
        << "BETA"
        << QByteArray("[ORQ]\r\nCAMINHO=C:\\Varnelo\\ORQ_7\\ORQ_DADOS\\BETA\\ORQ.FDB\r\n"
                      "[SERVIDOR]\r\nNOME=srv01\r\n");
    QTest::newRow("first row when the current base is not listed")
        << -1 << ""
        << "c:\\x"
        << "ALFA"
        << QByteArray("[SERVIDOR]\r\nNOME=localhost\r\n[ORQ]\r\nCAMINHO=\\ALFA\\ORQ.FDB\r\n");
}

void BaseChooserTest::enterChoosesAndRecordsTheBase() {
    QFETCH(int, selectedRow);
    QFETCH(QString, stored);
    QFETCH(QString, root);
    QFETCH(QString, entered);
    QFETCH(QByteArray, ini);
    Fixture f;
    if (!stored.isEmpty())
        writeBytes(f.iniPath(), "[ORQ]\r\nCAMINHO=" + stored.toLatin1() + "\r\n");
    writeBytes(f.cataloguePath(), crlf({line("ALFA"), line("BETA"), line("GAMA")}));
    f.chooser.ReadIniFolderName();
    f.chooser.open(f.root());
    if (selectedRow >= 0)
        f.list.setSelectedRow(&f.list.row(selectedRow));

    QCOMPARE(f.chooser.EnterSelectedBase(root), entered);

    QCOMPARE(f.selected(), entered);
    QCOMPARE(readBytes(f.iniPath()), ini);
}

void BaseChooserTest::emptyListEntersNothing() {
    Fixture f;
    writeBytes(f.cataloguePath(), {});
    f.chooser.open(f.root());
    try {
        f.chooser.EnterSelectedBase(QStringLiteral("c:\\x"));
        QFAIL("an empty list has no base to enter");
    } catch (const Error& error) {
        QCOMPARE(error.message(), QStringLiteral("Selecione um Item"));
    }
    QVERIFY(!QFile::exists(f.iniPath()));
}

void BaseChooserTest::moveSelection_data() {
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("selectedRow"); // -1: nothing selected
    QTest::addColumn<bool>("up");
    QTest::addColumn<int>("expected"); // -1: nothing selected
    QTest::addColumn<bool>("scrolls");

    QTest::newRow("empty list") << 0 << -1 << false << -1 << false;
    QTest::newRow("nothing selected, down") << 3 << -1 << false << 1 << true;
    QTest::newRow("nothing selected, up") << 3 << -1 << true << 0 << false;
    QTest::newRow("down") << 3 << 1 << false << 2 << true;
    QTest::newRow("up") << 3 << 1 << true << 0 << true;
    QTest::newRow("down on the last row") << 3 << 2 << false << 2 << false;
    QTest::newRow("up on the first row") << 3 << 0 << true << 0 << false;
}

void BaseChooserTest::moveSelection() {
    QFETCH(int, rows);
    QFETCH(int, selectedRow);
    QFETCH(bool, up);
    QFETCH(int, expected);
    QFETCH(bool, scrolls);
    Fixture f;
    QStringList lines;
    for (int i = 0; i < rows; ++i)
        lines << line(QStringLiteral("BASE%1").arg(i));
    writeBytes(f.cataloguePath(), crlf(lines));
    f.chooser.open(f.root());
    if (selectedRow >= 0)
        f.list.setSelectedRow(&f.list.row(selectedRow));
    QSignalSpy scrolled(&f.list, &ListStore::makeVisibleRequested);

    f.chooser.moveSelection(up);

    const ListRow* row = f.list.selectedRow();
    QCOMPARE(row ? row->index() : -1, expected);
    QCOMPARE(scrolled.size(), scrolls ? 1 : 0);
}

// The window never hands such lines to the fill any more, but the fill keeps its own rule.
void BaseChooserTest::fillStopsAtALineOfTooFewFields() {
    Fixture f;
    QStringList record;
    try {
        showCatalogueLines(f.list, {line("ALFA"), QStringLiteral("BETA"), line("GAMA")}, 3, record);
        QFAIL("a line of one field cannot fill a row");
    } catch (const Error& error) {
        QCOMPARE(error.message(), QStringLiteral("List index out of bounds (1)"));
    }
    QCOMPARE(f.names(), QStringList({"ALFA", "BETA"}));
    QCOMPARE(f.list.row(1).subItems(), QStringList());
    QVERIFY(!f.list.isUpdating());
}

QTEST_GUILESS_MAIN(BaseChooserTest)
#include "test_session_base_chooser.moc"
