#include "TestSupport.h"
#include "catalogue/BaseScan.h"
#include "system/TextList.h"

#include <QtTest>

#include <ctime>

using namespace orq;

namespace {

const QDateTime kAfternoon(QDate(2013, 3, 5), QTime(14, 7, 9), Qt::UTC);
const QDateTime kMidnight(QDate(2014, 1, 5), QTime(0, 0), Qt::UTC);

QStringList sorted(QStringList lines) {
    lines.sort();
    return lines;
}

} // namespace

class BaseScanTest : public QObject {
    Q_OBJECT

    sys::RegionalSettings ptBR = sys::RegionalSettings::forLocale(QLocale("pt_BR"));

private slots:
    void initTestCase() {
        // Times in the catalogue are local; pin the zone so the expected texts hold anywhere.
        qputenv("TZ", "UTC");
        tzset();
    }

    void listsOnlyFoldersHoldingTheDatabase() {
        orqtest::TempFolder root;
        orqtest::makeBase(root.path(), "BASE1", 1263616, kAfternoon);
        orqtest::makeBase(root.path(), "Teste 2", 512, kMidnight);
        orqtest::makeBase(root.path(), "a,b", 0, kMidnight);
        orqtest::makeBase(root.path(), "say \"x\"", 10, kMidnight);
        orqtest::makeBase(root.path(), ".hidden", 1024, kMidnight);
        orqtest::makeFolder(root.file("ORQ_DADOS/NoDatabase"));
        orqtest::makeFolder(root.file("ORQ_DADOS/DatabaseIsAFolder/ORQ.FDB"));
        orqtest::writeBytes(root.file("ORQ_DADOS/loose.txt"), "x");
        // A line break in a name would split its catalogue line; such folders are set apart.
        orqtest::makeBase(root.path(), "duas\nlinhas", 10, kMidnight);
        orqtest::makeBase(root.path(), "sino\a", 10, kMidnight);
        orqtest::makeFolder(root.file("ORQ_DADOS/sem\tbanco"));

        const QStringList expected{
            "BASE1,\"05/03/2013 14:07:09\",\"1.234,00\"",
            "\"Teste 2\",05/01/2014,\"0,50\"",
            "\"a,b\",05/01/2014,\"0,00\"",
            "\"say \"\"x\"\"\",05/01/2014,\"0,01\"",
        };
        const BaseScan scan = scanBases(root.path(), ptBR);
        QVERIFY(scan.listed);
        QCOMPARE(sorted(scan.lines), sorted(expected));
        QCOMPARE(sorted(scan.skipped), QStringList({"duas\nlinhas", "sino\a"}));
    }

    void rootWithoutBasesListsNothing_data() {
        QTest::addColumn<QString>("layout");
        QTest::newRow("no ORQ_DADOS") << "";
        QTest::newRow("ORQ_DADOS is a file") << "file";
        QTest::newRow("root missing") << "missing";
    }
    void rootWithoutBasesListsNothing() {
        QFETCH(QString, layout);
        orqtest::TempFolder folder;
        QString root = folder.path();
        if (layout == "file")
            orqtest::writeBytes(folder.file("ORQ_DADOS"), "x");
        else if (layout == "missing")
            root = folder.file("nowhere");
        const BaseScan scan = scanBases(root, ptBR);
        QVERIFY(!scan.listed);
        QVERIFY(scan.lines.isEmpty());
    }

    // The listing returns "..", and the root's own ORQ.FDB then passes for a base of that name.
    void databaseInTheRootListsDotDot() {
        orqtest::TempFolder root;
        orqtest::makeFolder(root.file("ORQ_DADOS"));
        orqtest::writeBytes(root.file("ORQ.FDB"), QByteArray(1024, 'x'));
        orqtest::setLastWrite(root.file("ORQ.FDB"), kMidnight);
        QCOMPARE(scanBases(root.path(), ptBR).lines, QStringList{"..,05/01/2014,\"1,00\""});
    }

    void windowsFormRootIsMapped() {
        orqtest::TempFolder root;
        orqtest::makeBase(root.path(), "BASE1", 0, kMidnight);
        QString windowsForm = root.path();
        windowsForm.replace(u'/', u'\\');
        QCOMPARE(scanBases(windowsForm, ptBR).lines.size(), 1);
        QCOMPARE(catalogueFilePath(windowsForm), windowsForm + "\\ORQDados.csv");
        QCOMPARE(basesFolderPath(windowsForm), windowsForm + "\\ORQ_DADOS");
    }

    // What lands on disk: Windows-1252 without a mark, CR LF after every line, "?" for what the
    // code page lacks.
    void writtenCatalogueIsByteExact() {
        orqtest::TempFolder root;
        orqtest::makeBase(root.path(), "Łódź", 1263616, kAfternoon);
        sys::TextList dataBases;
        dataBases.lines = scanBases(root.path(), ptBR).lines;
        dataBases.saveToFile(catalogueFilePath(root.path()));
        QCOMPARE(orqtest::readBytes(root.file("ORQDados.csv")),
                 QByteArray("?\xf3"
                            "d?,\"05/03/2013 14:07:09\",\"1.234,00\"\r\n"));

        sys::TextList reloaded;
        reloaded.loadFromFile(catalogueFilePath(root.path()));
        QCOMPARE(reloaded.lines,
                 QStringList{QString::fromUtf8("?ód?,\"05/03/2013 14:07:09\",\"1.234,00\"")});
    }

    void emptyCatalogueIsAnEmptyFile() {
        orqtest::TempFolder root;
        sys::TextList dataBases;
        dataBases.lines = scanBases(root.path(), ptBR).lines;
        dataBases.saveToFile(catalogueFilePath(root.path()));
        QCOMPARE(orqtest::readBytes(root.file("ORQDados.csv")), QByteArray());
    }
};

QTEST_GUILESS_MAIN(BaseScanTest)
#include "test_catalogue_base_scan.moc"
