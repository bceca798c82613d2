// Files a user can meet on a real machine, each through the classes the window works with: a
// catalogue that is cut, huge, zero-filled or in another encoding, an orqcon.ini that is a folder,
// binary, huge or UTF-16, a long known-roots file, link loops under ORQ_DADOS and base names of
// every kind. None may crash or hang the program; where the user must act, a message says so; and
// nothing outside the files the step writes changes, inside the root or out of it.
#include "ReliabilityBench.h"
#include "TestSupport.h"

#include "catalogue/BaseScan.h"
#include "catalogue/CatalogueLine.h"
#include "system/Error.h"
#include "system/PrivateProfile.h"
#include "system/TextEncoding.h"

#include <QFile>
#include <QRandomGenerator>
#include <QtTest>

#include <ctime>
#include <functional>

using namespace orqtest;

namespace {

const QDateTime kWhen(QDate(2013, 3, 5), QTime(14, 7, 9), Qt::UTC);

// A program folder and a root side by side, and a folder outside both that links may reach.
struct Scene {
    TempFolder top;
    QString program() const { return top.file(QStringLiteral("programa")); }
    QString root() const { return top.file(QStringLiteral("raiz")); }
    QString outside() const { return top.file(QStringLiteral("fora")); }
    QString bases() const { return root() + QStringLiteral("/ORQ_DADOS"); }
    QString catalogue() const { return root() + QStringLiteral("/ORQDados.csv"); }
    QString ini() const { return program() + QStringLiteral("/orqcon.ini"); }
    QString hosts() const { return program() + QStringLiteral("/ORQDados.Hosts.txt"); }
};

QStringList changedBetween(const QMap<QString, QString>& before,
                           const QMap<QString, QString>& after) {
    QStringList changed;
    for (auto it = before.begin(); it != before.end(); ++it) {
        if (after.value(it.key()) != it.value())
            changed << it.key();
    }
    for (auto it = after.begin(); it != after.end(); ++it) {
        if (!before.contains(it.key()))
            changed << it.key();
    }
    changed.sort();
    return changed;
}

QByteArray line(const QString& name, const QString& size = QStringLiteral("1,00")) {
    return orq::sys::encodeAnsi(
        orq::encodeCatalogueLine({name, QStringLiteral("05/03/2013 14:07:09"), size}));
}

QByteArray utf16(const QByteArray& mark, const QString& text, orq::sys::TextEncoding encoding) {
    return mark + orq::sys::encodeText(text, encoding);
}

void link(const QString& target, const QString& linkPath) {
    if (!QFile::link(target, linkPath))
        qFatal("cannot link %s", qPrintable(linkPath));
}

QString catalogueNotice(const Scene& scene, int line) {
    return QStringLiteral("O catálogo \"%1\" não pôde ser lido (linha %2) e foi refeito a partir "
                          "das pastas das bases")
        .arg(orq::catalogueFilePath(scene.root()))
        .arg(line);
}

// One file a user can meet: how it is put in place over the usual scene, what the user does, and
// what must come of it.
struct BadFile {
    std::function<void(const Scene&)> setup;
    std::function<void(Bench&)> step;
    // The message the step ends with; empty when it ends well.
    std::function<QString(const Scene&)> error;
    // The notices the step gives, each in full.
    std::function<QStringList(const Scene&)> notices;
    // The names listed afterwards, in any order (a scan gives the file system's).
    QStringList names;
    // The only entries under the scene that may change, relative to it.
    QStringList writes;
    // Whatever else must hold.
    std::function<void(const Scene&, Bench&)> check;
};

void open(Bench& bench) {
    bench.chooser.ReadIniFolderName();
    bench.chooser.open(bench.root);
}

std::function<void(Bench&)> openAndEnter(const QString& base) {
    return [base](Bench& bench) {
        open(bench);
        bench.enter(base);
    };
}

const QString kCatalogue = QStringLiteral("raiz/ORQDados.csv");
const QString kIni = QStringLiteral("programa/orqcon.ini");
const QString kHosts = QStringLiteral("programa/ORQDados.Hosts.txt");
const QStringList kBases{QStringLiteral("BASE1"), QStringLiteral("BASE2")};

} // namespace

Q_DECLARE_METATYPE(BadFile)

class BadFilesTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        qputenv("TZ", "UTC");
        tzset();
    }

    void badFile_data();
    void badFile();
};

void BadFilesTest::badFile_data() {
    using orq::sys::TextEncoding;
    QTest::addColumn<BadFile>("bad");
    const auto none = [](const Scene&) { return QStringList(); };
    const auto noError = [](const Scene&) { return QString(); };
    const auto noCheck = [](const Scene&, Bench&) {};
    const auto catalogue = [](QByteArray bytes) {
        return [bytes](const Scene& scene) { writeBytes(scene.catalogue(), bytes); };
    };
    const auto noCatalogue = [](const Scene& scene) { QVERIFY(QFile::remove(scene.catalogue())); };
    const auto rebuiltAtLine = [](int at) {
        return [at](const Scene& scene) { return QStringList{catalogueNotice(scene, at)}; };
    };
    // A catalogue the window cannot read whole: reported at that line and rebuilt from the
    // folders, which only rewrites the catalogue.
    const auto rebuilt = [&](const QByteArray& bytes, int at) {
        return BadFile{catalogue(bytes), open,         noError, rebuiltAtLine(at),
                       kBases,           {kCatalogue}, noCheck};
    };

    // --- Catalogues ---------------------------------------------------------------------------
    QTest::newRow("catalogue: a quote left open")
        << rebuilt(line("BASE1") + "\r\nBASE9,\"05/03/2013 14:0", 2);
    QTest::newRow("catalogue: a line of 1 MB")
        << rebuilt(QByteArray(1 << 20, 'A') + "\r\n" + line("BASE9") + "\r\n", 1);
    const QString hugeName(1 << 20, u'N');
    QTest::newRow("catalogue: a base name of 1 MB") << BadFile{
        catalogue(line(hugeName) + "\r\n"), open, noError, none, {hugeName}, {}, noCheck};
    QTest::newRow("catalogue: a NUL inside a line") << rebuilt(
        line("BASE9") + "\r\nBA" + QByteArray(1, '\0') + "SE8,x,y\r\n" + line("BASE7") + "\r\n", 2);
    // What a crash of the machine can leave of a file whose size was written before its blocks.
    QTest::newRow("catalogue: zero-filled") << rebuilt(QByteArray(4096, '\0'), 1);
    QTest::newRow("catalogue: zero-filled after its first line")
        << rebuilt(line("BASE9") + "\r\n" + QByteArray(4096, '\0'), 2);
    const QString accented = QStringLiteral("Ação São Paulo");
    const QString catalogueText =
        orq::encodeCatalogueLine({accented, "05/03/2013", "1,00"}) + "\r\n" +
        orq::encodeCatalogueLine({"BASE9", "05/03/2013", "2,00"}) + "\r\n";
    QTest::newRow("catalogue: UTF-8 mark") << BadFile{catalogue(utf8Mark + catalogueText.toUtf8()),
                                                      open,
                                                      noError,
                                                      none,
                                                      {"BASE9", accented},
                                                      {},
                                                      noCheck};
    QTest::newRow("catalogue: UTF-16 little-endian mark")
        << BadFile{catalogue(utf16(leMark, catalogueText, TextEncoding::Utf16LE)),
                   open,
                   noError,
                   none,
                   {"BASE9", accented},
                   {},
                   noCheck};
    QTest::newRow("catalogue: UTF-16 big-endian mark")
        << BadFile{catalogue(utf16(beMark, catalogueText, TextEncoding::Utf16BE)),
                   open,
                   noError,
                   none,
                   {"BASE9", accented},
                   {},
                   noCheck};
    // The rebuilt catalogue keeps the encoding of the broken one.
    QTest::newRow("catalogue: UTF-16, cut short")
        << BadFile{catalogue(utf16(leMark, catalogueText + "BASE8,\"05", TextEncoding::Utf16LE)),
                   open,
                   noError,
                   rebuiltAtLine(3),
                   kBases,
                   {kCatalogue},
                   [](const Scene& scene, Bench&) {
                       QVERIFY(readBytes(scene.catalogue()).startsWith(leMark));
                   }};
    QTest::newRow("catalogue: lines ended by CR only")
        << BadFile{catalogue(line("BASE9") + '\r' + line("BASE8") + '\r'),
                   open,
                   noError,
                   none,
                   {"BASE8", "BASE9"},
                   {},
                   noCheck};
    QTest::newRow("catalogue: lines ended by LF only")
        << BadFile{catalogue(line("BASE9") + '\n' + line("BASE8") + '\n'),
                   open,
                   noError,
                   none,
                   {"BASE8", "BASE9"},
                   {},
                   noCheck};

    // --- orqcon.ini ---------------------------------------------------------------------------
    QTest::newRow("orqcon.ini: a folder") << BadFile{
        [](const Scene& scene) {
            QVERIFY(QFile::remove(scene.ini()));
            makeFolder(scene.ini());
        },
        openAndEnter("BASE1"),
        [](const Scene& scene) { return QStringLiteral("Unable to write to ") + scene.ini(); },
        none,
        kBases,
        {},
        noCheck};
    QByteArray binary(65536, Qt::Uninitialized);
    QRandomGenerator random(7);
    for (char& byte : binary)
        byte = char(random.bounded(256));
    QTest::newRow("orqcon.ini: binary")
        << BadFile{[binary](const Scene& scene) { writeBytes(scene.ini(), binary); },
                   openAndEnter("BASE1"),
                   noError,
                   none,
                   kBases,
                   {kIni},
                   [binary](const Scene& scene, Bench&) {
                       QVERIFY(readBytes(scene.ini()).startsWith(binary));
                       QCOMPARE(orq::sys::PrivateProfile::read(scene.ini(), "ORQ", "CAMINHO"),
                                std::optional(QStringLiteral("\\BASE1\\ORQ.FDB")));
                   }};
    QByteArray comments;
    while (comments.size() < 10 << 20)
        comments += "; linha de comentario deixada pelo produto, uma de muitas\r\n";
    QTest::newRow("orqcon.ini: 10 MB")
        << BadFile{[comments](const Scene& scene) {
                       writeBytes(scene.ini(), comments + iniWithBase("BASE2"));
                   },
                   openAndEnter("BASE1"),
                   noError,
                   none,
                   kBases,
                   {kIni},
                   [comments](const Scene& scene, Bench&) {
                       QVERIFY(readBytes(scene.ini()) == comments + iniWithBase("BASE1"));
                   }};
    const auto utf16Ini = [](const QString& base) {
        return utf16(leMark, orq::sys::decodeAnsi(iniWithBase(base)), TextEncoding::Utf16LE);
    };
    QTest::newRow("orqcon.ini: UTF-16")
        << BadFile{[utf16Ini](const Scene& scene) { writeBytes(scene.ini(), utf16Ini("BASE2")); },
                   openAndEnter("BASE1"),
                   noError,
                   none,
                   kBases,
                   {kIni},
                   [utf16Ini](const Scene& scene, Bench&) {
                       QCOMPARE(readBytes(scene.ini()), utf16Ini("BASE1"));
                   }};
    const QByteArray bigEndian =
        utf16(beMark, orq::sys::decodeAnsi(iniWithBase("BASE2")), TextEncoding::Utf16BE);
    QTest::newRow("orqcon.ini: UTF-16 big-endian")
        << BadFile{[bigEndian](const Scene& scene) { writeBytes(scene.ini(), bigEndian); },
                   openAndEnter("BASE1"),
                   noError,
                   none,
                   kBases,
                   {kIni},
                   [bigEndian](const Scene& scene, Bench&) {
                       QVERIFY(readBytes(scene.ini()).startsWith(bigEndian));
                   }};

    // --- Known roots ----------------------------------------------------------------------------
    QTest::newRow("known roots: 10 000 lines")
        << BadFile{[](const Scene& scene) { writeBytes(scene.hosts(), hostsWithRoots(10000)); },
                   [](Bench& bench) {
                       bench.chooser.loadHosts();
                       QCOMPARE(bench.chooser.startupRoot({}), hostRoot(0));
                       QVERIFY(bench.chooser.isKnownRoot(hostRoot(9999)));
                       bench.chooser.rememberRoot(hostRoot(10000));
                       open(bench);
                   },
                   noError,
                   none,
                   kBases,
                   {kHosts},
                   [](const Scene& scene, Bench&) {
                       QVERIFY(readBytes(scene.hosts()) == hostsWithRoots(10001));
                   }};

    // --- The scan -------------------------------------------------------------------------------
    QTest::newRow("scan: link loops under ORQ_DADOS, and a link out of the root") << BadFile{
        [noCatalogue](const Scene& scene) {
            noCatalogue(scene);
            link(scene.bases() + "/LACO", scene.bases() + "/LACO");
            link(scene.bases() + "/VOLTA", scene.bases() + "/IDA");
            link(scene.bases() + "/IDA", scene.bases() + "/VOLTA");
            link(scene.bases(), scene.bases() + "/DENTRO");
            link(scene.root(), scene.bases() + "/ACIMA");
            link(scene.bases() + "/BASE1", scene.bases() + "/BASE1/DE NOVO");
            makeFolder(scene.outside() + "/FORA");
            writeBytes(scene.outside() + "/FORA/ORQ.FDB", "base de outra raiz");
            link(scene.outside() + "/FORA", scene.bases() + "/FORA");
        },
        openAndEnter("FORA"),
        noError,
        none,
        {"BASE1", "BASE2", "FORA"},
        {kCatalogue, kIni},
        [](const Scene& scene, Bench&) {
            QCOMPARE(orq::sys::PrivateProfile::read(scene.ini(), "ORQ", "CAMINHO"),
                     std::optional(QStringLiteral("C:\\Varnelo\\ORQ_7\\ORQ_DADOS\\FORA\\ORQ.FDB")));
        }};
    const QStringList oddNames{"Base Um", "Base, Dois", "Base \"Três\"", "'Quatro'",
                               accented,  " cinco ",    "seis,\"7\",8"};
    QStringList oddListed = kBases + oddNames;
    oddListed.sort();
    QTest::newRow("scan: names with blanks, commas, quotes and accents")
        << BadFile{[noCatalogue, oddNames](const Scene& scene) {
                       noCatalogue(scene);
                       for (const QString& name : oddNames)
                           makeBase(scene.root(), name, 1024, kWhen);
                   },
                   openAndEnter(QStringLiteral("Base \"Três\"")),
                   noError,
                   none,
                   oddListed,
                   {kCatalogue, kIni},
                   [oddListed](const Scene& scene, Bench&) {
                       // The catalogue written gives the same names back.
                       Bench again(scene.program(), scene.root());
                       again.chooser.open(scene.root());
                       QStringList names = again.names();
                       names.sort();
                       QCOMPARE(names, oddListed);
                       QVERIFY(again.notices.isEmpty());
                       QCOMPARE(orq::sys::PrivateProfile::read(scene.ini(), "ORQ", "CAMINHO"),
                                std::optional(QStringLiteral(
                                    "C:\\Varnelo\\ORQ_7\\ORQ_DADOS\\Base \"Três\"\\ORQ.FDB")));
                   }};
    const QString beyond = QStringLiteral("Base Ω 😀");
    QTest::newRow("scan: a name outside Windows-1252")
        << BadFile{[noCatalogue, beyond](const Scene& scene) {
                       noCatalogue(scene);
                       makeBase(scene.root(), beyond, 1024, kWhen);
                   },
                   openAndEnter(beyond),
                   noError,
                   none,
                   {"BASE1", "BASE2", beyond},
                   {kCatalogue, kIni},
                   noCheck};
    QTest::newRow("scan: a name with a line break")
        << BadFile{[noCatalogue](const Scene& scene) {
                       noCatalogue(scene);
                       makeBase(scene.root(), "Base\nDois", 1024, kWhen);
                   },
                   open,
                   noError,
                   [](const Scene&) {
                       return QStringList{QStringLiteral(
                           "Pastas deixadas fora da lista porque o nome tem caracteres de "
                           "controle: \"Base?Dois\"")};
                   },
                   kBases,
                   {kCatalogue},
                   noCheck};
}

void BadFilesTest::badFile() {
    QFETCH(BadFile, bad);
    Scene scene;
    makeFolder(scene.program());
    makeFolder(scene.outside());
    writeBytes(scene.outside() + "/leia-me.txt", "fora da raiz");
    makeBase(scene.root(), "BASE1", 1024, kWhen);
    makeBase(scene.root(), "BASE2", 2048, kWhen);
    writeBytes(scene.catalogue(), line("BASE1") + "\r\n" + line("BASE2", "2,00") + "\r\n");
    writeBytes(scene.ini(), iniWithBase("BASE2"));
    bad.setup(scene);
    if (QTest::currentTestFailed())
        return;
    const QMap<QString, QString> before = folderSnapshot(scene.top.path());

    Bench bench(scene.program(), scene.root());
    QString error;
    try {
        bad.step(bench);
    } catch (const orq::Error& e) {
        error = e.message();
    }
    if (QTest::currentTestFailed())
        return;
    QCOMPARE(error, bad.error(scene));
    QCOMPARE(bench.notices, bad.notices(scene));
    QStringList names = bench.names();
    names.sort();
    bad.names.sort();
    QCOMPARE(names, bad.names);
    bad.writes.sort();
    QCOMPARE(changedBetween(before, folderSnapshot(scene.top.path())), bad.writes);
    bad.check(scene, bench);
}

QTEST_GUILESS_MAIN(BadFilesTest)
#include "test_reliability_bad_files.moc"
