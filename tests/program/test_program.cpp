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
};

QTEST_GUILESS_MAIN(ProgramTest)
#include "test_program.moc"
