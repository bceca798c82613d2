#include "LaunchFixtures.h"
#include "TestSupport.h"

#include "launch/ProductLauncher.h"
#include "system/Error.h"

#include <QtTest>

#include <cerrno>

using namespace orqtest;

class ProductLauncherTest : public QObject {
    Q_OBJECT

private slots:
    void trimSystemMessage_data();
    void trimSystemMessage();
    void startsTheProductBesideUs();
    void failedStartGivesTheSystemText_data();
    void failedStartGivesTheSystemText();
};

void ProductLauncherTest::trimSystemMessage_data() {
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("trimmed");

    QTest::newRow("line end and full stop") << "Access is denied.\r\n"
                                            << "Access is denied";
    QTest::newRow("nothing to trim") << "No such file or directory"
                                     << "No such file or directory";
    QTest::newRow("stops and blanks mixed") << "Fim. .\t. \n"
                                            << "Fim";
    QTest::newRow("control characters and NUL")
        << QStringLiteral("Fim") + QChar(0) + u'\x1f' << "Fim";
    QTest::newRow("inner stops and leading blanks stay") << "  a.b. c"
                                                         << "  a.b. c";
    QTest::newRow("only stops") << "..."
                                << "";
    QTest::newRow("empty") << ""
                           << "";
}

void ProductLauncherTest::trimSystemMessage() {
    QFETCH(QString, message);
    QFETCH(QString, trimmed);
    QCOMPARE(orq::trimSystemMessage(message), trimmed);
}

void ProductLauncherTest::startsTheProductBesideUs() {
    // The stand-in lies beside this test program, exactly where the product is looked for
    // first; PATH offers nothing. It only reads the connection file beside it.
    TempFolder folder;
    const QString log = folder.file(QStringLiteral("orq7.log"));
    const ScopedEnvironment path("PATH", QFile::encodeName(folder.path()));
    const ScopedEnvironment exitAtOnce("ORQ7_EXIT", "1");
    const ScopedEnvironment logTo("ORQ7_LOG", QFile::encodeName(log));

    QCOMPARE(orq::launchProduct(), std::nullopt);
    QTRY_COMPARE(standInLog(log).size(), 1);
}

void ProductLauncherTest::failedStartGivesTheSystemText_data() {
    QTest::addColumn<QByteArray>("content"); // empty: no such program
    QTest::addColumn<int>("error");

    QTest::newRow("not found") << QByteArray() << ENOENT;
    QTest::newRow("windows program without wine") << QByteArray("MZ\x90\0", 4) << ENOEXEC;
    QTest::newRow("unknown format") << QByteArray("\x7f not a program") << ENOEXEC;
}

void ProductLauncherTest::failedStartGivesTheSystemText() {
    QFETCH(QByteArray, content);
    QFETCH(int, error);

    // A name that nothing beside this test program carries, so PATH decides.
    const QString name = QStringLiteral("orq-absent.exe");
    TempFolder folder;
    if (!content.isEmpty())
        writeFile(folder.file(name), content, Executable);
    const ScopedEnvironment path("PATH", QFile::encodeName(folder.path()));

    const std::optional<QString> failure = orq::launchProduct(name);
    QVERIFY(failure);
    QCOMPARE(*failure, orq::systemErrorText(error));
    QVERIFY(!failure->isEmpty());
}

QTEST_GUILESS_MAIN(ProductLauncherTest)
#include "test_launch_productlauncher.moc"
