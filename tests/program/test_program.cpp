// The program as a user starts it: a real process, its locale and time zone from the
// environment, its catalogue written to a real root.
#include "TestSupport.h"

#include <QProcess>
#include <QtTest>

namespace {

QString programPath() {
    return qEnvironmentVariable("ORQ_TEST_BIN") + QStringLiteral("/ORQDados");
}

// Runs ORQDados on a root until the catalogue file appears, then ends it.
QByteArray catalogueWrittenBy(const QString& root, const QByteArray& lang) {
    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LANG"), QString::fromLatin1(lang));
    env.remove(QStringLiteral("LC_ALL"));
    env.insert(QStringLiteral("TZ"), QStringLiteral("UTC"));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    program.setProcessEnvironment(env);
    program.start(programPath(), {root});
    if (!program.waitForStarted())
        return "not started";
    const QString catalogue = root + QStringLiteral("/ORQDados.csv");
    QByteArray bytes;
    // The file is written during start-up; wait until its content is complete.
    (void)QTest::qWaitFor(
        [&] {
            bytes = orqtest::readBytes(catalogue);
            return bytes.endsWith("\r\n");
        },
        20000);
    program.kill();
    program.waitForFinished();
    return bytes;
}

struct Run {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

// Runs ORQDados to its end with these arguments, in a scratch working folder, without a screen
// unless the platform is named.
Run run(const QStringList& arguments, const QString& platform, const QString& folder) {
    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    if (!platform.isEmpty())
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), platform);
    program.setProcessEnvironment(env);
    program.setWorkingDirectory(folder);
    program.start(programPath(), arguments);
    Run result;
    if (!program.waitForFinished(20000)) {
        program.kill();
        program.waitForFinished();
        return result;
    }
    result.exitCode = program.exitStatus() == QProcess::NormalExit ? program.exitCode() : -2;
    result.out = program.readAllStandardOutput();
    result.err = program.readAllStandardError();
    return result;
}

} // namespace

class ProgramTest : public QObject {
    Q_OBJECT

private slots:
    void writesTheCatalogueInTheUsersLocale_data() {
        QTest::addColumn<QByteArray>("lang");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("pt_BR") << QByteArray("pt_BR.UTF-8")
                               << QByteArray("Teste,\"05/03/2013 14:07:09\",\"1.234,56\"\r\n");
        QTest::newRow("en_US") << QByteArray("en_US.UTF-8")
                               << QByteArray("Teste,\"3/5/13 2:07:09 PM\",\"1,234.56\"\r\n");
    }
    void writesTheCatalogueInTheUsersLocale() {
        QFETCH(QByteArray, lang);
        QFETCH(QByteArray, expected);
        orqtest::TempFolder root;
        orqtest::makeBase(root.path(), QStringLiteral("Teste"), 1264189,
                          QDateTime(QDate(2013, 3, 5), QTime(14, 7, 9), Qt::UTC));
        QCOMPARE(catalogueWrittenBy(root.path(), lang), expected);
    }

    // Options are never taken for roots, and printing them needs no screen.
    void optionsNeedNoScreen_data() {
        QTest::addColumn<QString>("option");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QByteArray>("out");
        QTest::addColumn<QByteArray>("err");
        QTest::newRow("help") << "--help" << 0 << QByteArray("Usage: ORQDados [options] [raiz]")
                              << QByteArray();
        QTest::newRow("version") << "--version" << 0 << QByteArray("ORQDados " ORQ_VERSION "\n")
                                 << QByteArray();
        QTest::newRow("unknown option")
            << "--foo" << 2 << QByteArray()
            << QByteArray("ORQDados: Unknown option 'foo'.\nUse ORQDados --help");
    }
    void optionsNeedNoScreen() {
        QFETCH(QString, option);
        QFETCH(int, exitCode);
        QFETCH(QByteArray, out);
        QFETCH(QByteArray, err);
        orqtest::TempFolder folder;
        const Run result = run({option}, QString(), folder.path());
        QCOMPARE(result.exitCode, exitCode);
        QVERIFY2(result.out.startsWith(out), result.out.constData());
        QVERIFY2(result.err.startsWith(err), result.err.constData());
        // Nothing was opened as a root: no catalogue written anywhere near.
        QCOMPARE(orqtest::folderNames(folder.path()), QStringList());
    }

    void withoutAScreenItSaysSo() {
        orqtest::TempFolder folder;
        const Run result = run({folder.path()}, QString(), folder.path());
        QCOMPARE(result.exitCode, 1);
        QVERIFY2(result.err.startsWith("ORQDados: nenhuma tela dispon"), result.err.constData());
        QCOMPARE(orqtest::folderNames(folder.path()), QStringList());
    }
};

QTEST_GUILESS_MAIN(ProgramTest)
#include "test_program.moc"
