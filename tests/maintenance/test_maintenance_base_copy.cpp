// The copy commands without a window: where they read and write, which names a new base may
// have, and what a fetch leaves behind when it succeeds, collides, is cancelled or fails. Real
// files in temporary folders; the copies are the platform's real file copy.
#include "TestSupport.h"

#include "maintenance/BaseCopy.h"
#include "system/Error.h"
#include "system/FileSystem.h"

#include <QtTest>

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

using namespace orq;
using namespace orqtest;

namespace {

const QDateTime kNow(QDate(2014, 3, 5), QTime(8, 7, 9));
const QDateTime kWritten(QDate(2013, 3, 5), QTime(14, 7, 9), Qt::UTC);

// The real copy, recording what was asked; cancelAfter cancels once that many bytes are done.
struct Copier {
    QList<QStringList> calls;
    qint64 cancelAfter = -1;
    int lastError = 0;

    FileCopier function() {
        return [this](const QString& source, const QString& target, bool failIfExists) {
            calls.append({source, target, failIfExists ? "fail if exists" : "replace"});
            const sys::Status status =
                sys::copyFile(source, target, failIfExists, [this](qint64 done, qint64) {
                    return cancelAfter < 0 || done < cancelAfter;
                });
            lastError = status.error();
            return status.ok();
        };
    }
};

struct Roots {
    TempFolder server;
    TempFolder program;
    QString root() const { return server.path(); }
    QString local(const QString& name) const {
        return program.path() + QStringLiteral("/ORQ_DADOS/") + name;
    }
};

} // namespace

class BaseCopyTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        static TempFolder emptyPrefix;
        qputenv("WINEPREFIX", QFile::encodeName(emptyPrefix.path()));
    }

    void paths();
    void newBaseNames_data();
    void newBaseNames();
    void newBaseCopiesBothFiles();
    void newBaseRefusesABadName_data();
    void newBaseRefusesABadName();
    void newBaseNeverOverwrites();
    void newBaseWithoutSourceFilesCopiesNothing();
    void fetchIntoAnEmptyLocalBase();
    void fetchKeepsTheReplacedLocalFile();
    void fetchTwiceInOneSecondKeepsTheOldFile();
    void fetchOfAMissingSourceTouchesNothing();
    void fetchThatDoesNotCompleteRestoresTheLocalFile_data();
    void fetchThatDoesNotCompleteRestoresTheLocalFile();
    void fetchFromOurOwnRootIsRefused_data();
    void fetchFromOurOwnRootIsRefused();
};

void BaseCopyTest::paths() {
    QCOMPARE(baseDatabasePath("D:\\dados", "BASE1"),
             QStringLiteral("D:\\dados\\ORQ_DADOS\\BASE1\\ORQ.FDB"));
    QCOMPARE(baseDataFilePath("\\\\srv\\c$\\ORQ_7", "B 2"),
             QStringLiteral("\\\\srv\\c$\\ORQ_7\\ORQ_DADOS\\B 2\\SYSTEM.DAT"));
    QCOMPARE(localBasePath("/opt/orq", "BASE1"), QStringLiteral("/opt/orq\\ORQ_DADOS\\BASE1"));
    QCOMPARE(copyStamp(kNow), QStringLiteral("20140305080709"));
    QCOMPARE(copyStamp(QDateTime(QDate(2025, 12, 31), QTime(23, 59, 59))),
             QStringLiteral("20251231235959"));
    QCOMPARE(keptDatabasePath("/opt/orq\\ORQ_DADOS\\BASE1", kNow),
             QStringLiteral("/opt/orq\\ORQ_DADOS\\BASE1\\20140305080709_ORQ.FDB"));
}

void BaseCopyTest::newBaseNames_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("problem");

    const QString characters = QStringLiteral(
        "O nome da base não pode conter \\ / : * ? \" < > | nem caracteres de controle");
    const QString ending =
        QStringLiteral("O nome da base não pode terminar em espaço nem em ponto");
    QTest::newRow("plain") << "BASE1"
                           << "";
    QTest::newRow("blanks, accents, comma, inner dot")
        << QStringLiteral("Padaria São João, v.2") << "";
    QTest::newRow("leading blank") << " BASE"
                                   << "";
    QTest::newRow("255 characters") << QString(255, u'x') << "";
    QTest::newRow("device-like but longer") << "CONSOLE"
                                            << "";
    QTest::newRow("COM0 is no device") << "COM0"
                                       << "";
    QTest::newRow("empty") << ""
                           << "Informe um nome para a nova base";
    QTest::newRow("only blanks") << "   "
                                 << "Informe um nome para a nova base";
    QTest::newRow("dot") << "."
                         << "O nome da base não pode ser \".\" nem \"..\"";
    QTest::newRow("dot dot") << ".."
                             << "O nome da base não pode ser \".\" nem \"..\"";
    for (const char* bad : {"..\\fora", "../fora", "a/b", "c:x", "a*", "a?", "a\"b", "<a>", "a|b"})
        QTest::addRow("holds %s", bad) << QString::fromLatin1(bad) << characters;
    QTest::newRow("line break") << "duas\nlinhas" << characters;
    QTest::newRow("tab") << "a\tb" << characters;
    QTest::newRow("ends in a blank") << "BASE " << ending;
    QTest::newRow("ends in a dot") << "BASE." << ending;
    for (const char* device : {"CON", "prn", "Aux", "NUL", "COM1", "lpt9", "nul.txt"})
        QTest::addRow("device %s", device)
            << QString::fromLatin1(device)
            << QStringLiteral("\"%1\" é um nome reservado do Windows e não pode nomear uma base")
                   .arg(QString::fromLatin1(device));
    QTest::newRow("256 characters")
        << QString(256, u'x') << "O nome da base é longo demais (no máximo 255 caracteres)";
    QTest::newRow("200 letters, 400 bytes")
        << QString(200, u'ã') << "O nome da base é longo demais (no máximo 255 caracteres)";
}

void BaseCopyTest::newBaseNames() {
    QFETCH(QString, name);
    QFETCH(QString, problem);
    QCOMPARE(newBaseNameProblem(name), problem);
}

void BaseCopyTest::newBaseCopiesBothFiles() {
    Roots roots;
    makeFullBase(roots.root(), "BASE1", QByteArray(3 << 20, 'd'), kWritten);
    Copier copier;

    createNewBase(roots.root(), "BASE1", "NOVA", copier.function());

    const QString folder = roots.root() + QStringLiteral("/ORQ_DADOS/NOVA");
    QCOMPARE(readBytes(folder + "/ORQ.FDB"), QByteArray(3 << 20, 'd'));
    QCOMPARE(readBytes(folder + "/SYSTEM.DAT"), QByteArray("system BASE1"));
    QCOMPARE(QFileInfo(folder + "/ORQ.FDB").lastModified().toUTC(), kWritten);
    QCOMPARE(folderNames(folder), QStringList({"ORQ.FDB", "SYSTEM.DAT"}));
    QCOMPARE(copier.calls.size(), 2);
    QCOMPARE(copier.calls[0],
             QStringList({roots.root() + "\\ORQ_DADOS\\BASE1\\ORQ.FDB",
                          roots.root() + "\\ORQ_DADOS\\NOVA\\ORQ.FDB", "fail if exists"}));
}

// A name that would leave ORQ_DADOS or that Windows cannot open creates, copies and changes
// nothing anywhere.
void BaseCopyTest::newBaseRefusesABadName_data() {
    QTest::addColumn<QString>("name");
    QTest::newRow("climbs out") << "..\\..\\fora";
    QTest::newRow("slash") << "../fora";
    QTest::newRow("empty") << "";
    QTest::newRow("dot dot") << "..";
    QTest::newRow("trailing dot") << "BASE1.";
    QTest::newRow("device") << "CON";
    QTest::newRow("too long") << QString(300, u'x');
}

void BaseCopyTest::newBaseRefusesABadName() {
    QFETCH(QString, name);
    TempFolder top;
    const QString root = top.file("raiz");
    makeFullBase(root, "BASE1", "dados", kWritten);
    const auto before = folderSnapshot(top.path());
    Copier copier;

    try {
        createNewBase(root, "BASE1", name, copier.function());
        QFAIL("the name must be refused");
    } catch (const Error& error) {
        QCOMPARE(error.message(), newBaseNameProblem(name));
        QVERIFY(!error.message().isEmpty());
    }
    QCOMPARE(folderSnapshot(top.path()), before);
    QCOMPARE(copier.calls.size(), 0);
}

void BaseCopyTest::newBaseNeverOverwrites() {
    Roots roots;
    makeFullBase(roots.root(), "BASE1", "fonte", kWritten);
    makeFullBase(roots.root(), "BASE2", "existente", kWritten);
    const auto before = folderSnapshot(roots.root());
    Copier copier;

    createNewBase(roots.root(), "BASE1", "BASE2", copier.function());

    QCOMPARE(folderSnapshot(roots.root()), before);
    QCOMPARE(copier.calls.size(), 0);
}

void BaseCopyTest::newBaseWithoutSourceFilesCopiesNothing() {
    Roots roots;
    makeFolder(roots.root() + "/ORQ_DADOS/VAZIA");
    Copier copier;

    createNewBase(roots.root(), "VAZIA", "NOVA", copier.function());

    QCOMPARE(folderNames(roots.root() + "/ORQ_DADOS/NOVA"), QStringList());
    QCOMPARE(copier.calls.size(), 0);
}

void BaseCopyTest::fetchIntoAnEmptyLocalBase() {
    Roots roots;
    makeFullBase(roots.root(), "BASE1", "servidor", kWritten);
    Copier copier;

    QVERIFY(fetchBase(roots.root(), roots.program.path(), "BASE1", kNow, copier.function()));

    // Only the database is fetched; the product's data file stays on the server.
    QCOMPARE(folderNames(roots.local("BASE1")), QStringList{"ORQ.FDB"});
    QCOMPARE(readBytes(roots.local("BASE1") + "/ORQ.FDB"), QByteArray("servidor"));
}

void BaseCopyTest::fetchKeepsTheReplacedLocalFile() {
    Roots roots;
    makeFullBase(roots.root(), "BASE1", "servidor", kWritten);
    makeFullBase(roots.program.path(), "BASE1", "local antigo", kWritten);
    Copier copier;

    QVERIFY(fetchBase(roots.root(), roots.program.path(), "BASE1", kNow, copier.function()));

    QCOMPARE(folderNames(roots.local("BASE1")),
             QStringList({"20140305080709_ORQ.FDB", "ORQ.FDB", "SYSTEM.DAT"}));
    QCOMPARE(readBytes(roots.local("BASE1") + "/ORQ.FDB"), QByteArray("servidor"));
    QCOMPARE(readBytes(roots.local("BASE1") + "/20140305080709_ORQ.FDB"),
             QByteArray("local antigo"));
}

void BaseCopyTest::fetchTwiceInOneSecondKeepsTheOldFile() {
    Roots roots;
    makeFullBase(roots.root(), "BASE1", "servidor novo", kWritten);
    makeFullBase(roots.program.path(), "BASE1", "primeira cópia", kWritten);
    writeBytes(roots.local("BASE1") + "/20140305080709_ORQ.FDB", "guardado antes");
    const auto before = folderSnapshot(roots.program.path());
    Copier copier;

    try {
        fetchBase(roots.root(), roots.program.path(), "BASE1", kNow, copier.function());
        QFAIL("the second copy of the second must say why it did nothing");
    } catch (const Error& error) {
        QCOMPARE(error.message(),
                 QStringLiteral("Já existe uma cópia guardada neste segundo (\"%1\"); a base local "
                                "não foi alterada. Tente de novo em um instante")
                     .arg(roots.program.path() + "\\ORQ_DADOS\\BASE1\\20140305080709_ORQ.FDB"));
    }
    QCOMPARE(folderSnapshot(roots.program.path()), before);
    QCOMPARE(copier.calls.size(), 0);
}

void BaseCopyTest::fetchOfAMissingSourceTouchesNothing() {
    Roots roots;
    makeFolder(roots.root() + "/ORQ_DADOS/BASE1");
    Copier copier;

    try {
        fetchBase(roots.root(), roots.program.path(), "BASE1", kNow, copier.function());
        QFAIL("a missing source must be reported");
    } catch (const Error& error) {
        QCOMPARE(error.message(), QStringLiteral("Arquivo não encontrado: \"") + roots.root() +
                                      QStringLiteral("\\ORQ_DADOS\\BASE1\\ORQ.FDB\""));
    }
    QCOMPARE(folderNames(roots.program.path()), QStringList());
}

// Cancelled by the user, or failed halfway (the disk full): no partial database anywhere, and
// the local base opens with its own database again.
void BaseCopyTest::fetchThatDoesNotCompleteRestoresTheLocalFile_data() {
    QTest::addColumn<QString>("how");
    QTest::addColumn<int>("error");
    QTest::newRow("cancelled") << "cancel" << ECANCELED;
    QTest::newRow("disk full halfway") << "limit" << EFBIG;
}

void BaseCopyTest::fetchThatDoesNotCompleteRestoresTheLocalFile() {
    QFETCH(QString, how);
    QFETCH(int, error);
    Roots roots;
    makeFullBase(roots.root(), "BASE1", QByteArray(8 << 20, 's'), kWritten);
    makeFullBase(roots.program.path(), "BASE1", "local antigo", kWritten);
    const auto before = folderSnapshot(roots.program.path());
    Copier copier;
    if (how == "cancel")
        copier.cancelAfter = 1;
    bool copied = true;
    {
        std::optional<FileSizeLimit> limit;
        if (how == "limit")
            limit.emplace(1 << 20);
        copied = fetchBase(roots.root(), roots.program.path(), "BASE1", kNow, copier.function());
    }

    QVERIFY(!copied);
    QCOMPARE(copier.lastError, error);
    QCOMPARE(folderSnapshot(roots.program.path()), before);
}

// The root box shows the program's own root: source and local database are one file, and the
// fetch would move the only copy aside.
void BaseCopyTest::fetchFromOurOwnRootIsRefused_data() {
    QTest::addColumn<QString>("spelling");
    QTest::newRow("the same path") << "same";
    QTest::newRow("another spelling") << "dot";
    QTest::newRow("through a symbolic link") << "link";
}

void BaseCopyTest::fetchFromOurOwnRootIsRefused() {
    QFETCH(QString, spelling);
    Roots roots;
    makeFullBase(roots.program.path(), "BASE1", "única cópia", kWritten);
    QString root = roots.program.path();
    if (spelling == "dot") {
        root += QStringLiteral("/.");
    } else if (spelling == "link") {
        root = roots.server.file("atalho");
        QVERIFY(QFile::link(roots.program.path(), root));
    }
    const auto before = folderSnapshot(roots.program.path());
    Copier copier;

    try {
        fetchBase(root, roots.program.path(), "BASE1", kNow, copier.function());
        QFAIL("the program's own root must be refused");
    } catch (const Error& error) {
        QVERIFY2(error.message().startsWith(QStringLiteral("A base \"BASE1\" já é a deste "
                                                           "computador")),
                 qPrintable(error.message()));
    }
    QCOMPARE(folderSnapshot(roots.program.path()), before);
    QCOMPARE(copier.calls.size(), 0);
}

QTEST_GUILESS_MAIN(BaseCopyTest)
#include "test_maintenance_base_copy.moc"
