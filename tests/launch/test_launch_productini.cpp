#include "LaunchFixtures.h"
#include "TestSupport.h"

#include "launch/ProductIni.h"
#include "system/Error.h"
#include "system/PrivateProfile.h"

#include <QFileInfo>
#include <QtTest>

using namespace orqtest;
using orq::ProductIni;
using orq::sys::PrivateProfile;

namespace {

const QString Ini = QStringLiteral("orqcon.ini");

} // namespace

class ProductIniTest : public QObject {
    Q_OBJECT

private slots:
    void baseNameOfStoredPath_data();
    void baseNameOfStoredPath();
    void namePart_data();
    void namePart();
    void pathTemplate_data();
    void pathTemplate();
    void serverNameFromRoot_data();
    void serverNameFromRoot();

    void fileLiesBesideTheProgram();
    void readsTheCurrentBase_data();
    void readsTheCurrentBase();
    void entersABase_data();
    void entersABase();
    void badRootWritesNothing_data();
    void badRootWritesNothing();
    void entryLeavesTheRestOfTheFileAlone();
    void failedWriteStopsTheEntry_data();
    void failedWriteStopsTheEntry();
};

void ProductIniTest::baseNameOfStoredPath_data() {
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("directory");
    QTest::addColumn<QString>("baseName");

    QTest::newRow("local path") << R"(C:\Varnelo\ORQ_7\ORQ_DADOS\BASE1\ORQ.FDB)"
                                << R"(C:\Varnelo\ORQ_7\ORQ_DADOS\BASE1)"
                                << "BASE1";
    QTest::newRow("server prefix") << R"(srv01:C:\dados\ORQ_DADOS\BASE1\ORQ.FDB)"
                                   << R"(srv01:C:\dados\ORQ_DADOS\BASE1)"
                                   << "BASE1";
    QTest::newRow("relative") << R"(BASE1\ORQ.FDB)"
                              << "BASE1"
                              << "BASE1";
    QTest::newRow("backslash after a colon stays") << R"(C:\ORQ.FDB)"
                                                   << R"(C:\)"
                                                   << "";
    QTest::newRow("leading backslash stays") << R"(\ORQ.FDB)"
                                             << R"(\)"
                                             << "";
    QTest::newRow("forward slashes do not separate") << "/dados/ORQ_DADOS/BASE1/ORQ.FDB"
                                                     << ""
                                                     << "";
    QTest::newRow("colon before forward slashes") << "srv:/dados/ORQ_DADOS/BASE1/ORQ.FDB"
                                                  << "srv:"
                                                  << "";
    QTest::newRow("doubled backslash") << R"(C:\dados\BASE1\\ORQ.FDB)"
                                       << R"(C:\dados\BASE1\\)"
                                       << "";
    QTest::newRow("key missing") << ""
                                 << ""
                                 << "";
}

void ProductIniTest::baseNameOfStoredPath() {
    QFETCH(QString, stored);
    QFETCH(QString, directory);
    QFETCH(QString, baseName);

    QCOMPARE(orq::directoryPart(stored), directory);
    QCOMPARE(orq::baseNameFromDatabasePath(stored), baseName);
}

void ProductIniTest::namePart_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("name");

    QTest::newRow("after the last backslash") << R"(C:\dados\BASE1)"
                                              << "BASE1";
    QTest::newRow("after a colon") << "srv:BASE1"
                                   << "BASE1";
    QTest::newRow("no separator") << "BASE1"
                                  << "BASE1";
    QTest::newRow("ends in a separator") << R"(C:\)"
                                         << "";
    QTest::newRow("forward slash is part of the name") << R"(C:\a/b)"
                                                       << "a/b";
}

void ProductIniTest::namePart() {
    QFETCH(QString, path);
    QFETCH(QString, name);
    QCOMPARE(orq::namePart(path), name);
}

void ProductIniTest::pathTemplate_data() {
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("pathTemplate");
    QTest::addColumn<QString>("pathForBase2");

    QTest::newRow("local path") << R"(C:\Varnelo\ORQ_7\ORQ_DADOS\BASE1\ORQ.FDB)"
                                << R"(C:\Varnelo\ORQ_7\ORQ_DADOS\%s\ORQ.FDB)"
                                << R"(C:\Varnelo\ORQ_7\ORQ_DADOS\BASE2\ORQ.FDB)";
    QTest::newRow("server prefix") << R"(srv01:C:\dados\ORQ_DADOS\BASE1\ORQ.FDB)"
                                   << R"(srv01:C:\dados\ORQ_DADOS\%s\ORQ.FDB)"
                                   << R"(srv01:C:\dados\ORQ_DADOS\BASE2\ORQ.FDB)";
    QTest::newRow("forward slashes, file name in lower case") << "/dados/ORQ_DADOS/BASE1/orq.fdb"
                                                              << "/dados/ORQ_DADOS/%s/ORQ.FDB"
                                                              << "/dados/ORQ_DADOS/BASE2/ORQ.FDB";
    QTest::newRow("ends in a backslash") << R"(C:\dados\ORQ_DADOS\BASE1\)"
                                         << R"(C:\dados\ORQ_DADOS\%s\ORQ.FDB)"
                                         << R"(C:\dados\ORQ_DADOS\BASE2\ORQ.FDB)";
    QTest::newRow("file in the drive root") << R"(C:\ORQ.FDB)"
                                            << R"(C:\%s\ORQ.FDB)"
                                            << R"(C:\BASE2\ORQ.FDB)";
    QTest::newRow("no separator") << "ORQ.FDB"
                                  << R"(ORQ.FDB\%s\ORQ.FDB)"
                                  << R"(ORQ.FDB\BASE2\ORQ.FDB)";
    QTest::newRow("one forward slash cuts at forward slashes only")
        << R"(srv/3050:C:\dados\ORQ_DADOS\BASE1\ORQ.FDB)"
        << "srv/%s/ORQ.FDB"
        << "srv/BASE2/ORQ.FDB";
    QTest::newRow("key missing") << ""
                                 << R"(\%s\ORQ.FDB)"
                                 << R"(\BASE2\ORQ.FDB)";
    // The stored prefix comes from a file: its percent signs are text, not directives.
    QTest::newRow("percent sign in the prefix") << R"(C:\100%\ORQ_DADOS\BASE1\ORQ.FDB)"
                                                << R"(C:\100%\ORQ_DADOS\%s\ORQ.FDB)"
                                                << R"(C:\100%\ORQ_DADOS\BASE2\ORQ.FDB)";
    QTest::newRow("directives in the prefix") << R"(C:\%s%d%n%%\ORQ_DADOS\BASE1\ORQ.FDB)"
                                              << R"(C:\%s%d%n%%\ORQ_DADOS\%s\ORQ.FDB)"
                                              << R"(C:\%s%d%n%%\ORQ_DADOS\BASE2\ORQ.FDB)";
}

void ProductIniTest::pathTemplate() {
    QFETCH(QString, stored);
    QFETCH(QString, pathTemplate);
    QFETCH(QString, pathForBase2);

    QCOMPARE(orq::pathTemplate(stored), pathTemplate);
    QCOMPARE(orq::fillPathTemplate(pathTemplate, QStringLiteral("BASE2")), pathForBase2);
}

void ProductIniTest::serverNameFromRoot_data() {
    QTest::addColumn<QString>("root");
    QTest::addColumn<QString>("host");
    QTest::addColumn<QString>("error");

    QTest::newRow("share") << R"(\\srv01\c$\Varnelo\ORQ_7)"
                           << "srv01"
                           << "";
    QTest::newRow("share, short") << R"(\\srv01\c$\dados)"
                                  << "srv01"
                                  << "";
    QTest::newRow("host alone") << R"(\\srv01)"
                                << "srv01"
                                << "";
    QTest::newRow("drive") << R"(c:\Varnelo\ORQ_7)"
                           << "localhost"
                           << "";
    QTest::newRow("forward slashes") << "//srv01/dados"
                                     << "localhost"
                                     << "";
    QTest::newRow("relative") << "dados"
                              << "localhost"
                              << "";
    QTest::newRow("leading blank") << R"( \\srv01\dados)"
                                   << "localhost"
                                   << "";
    QTest::newRow("one backslash") << R"(\srv01\dados)"
                                   << "localhost"
                                   << "";
    QTest::newRow("empty") << ""
                           << "localhost"
                           << "";
    QTest::newRow("blank splits the host") << R"(\\srv 01\dados)"
                                           << "srv"
                                           << "";
    QTest::newRow("blanks before the host") << "\\\\  srv01\\dados"
                                            << "srv01"
                                            << "";
    QTest::newRow("quoted host") << R"(\\"srv 01"\dados)"
                                 << "srv 01"
                                 << "";
    QTest::newRow("third backslash") << R"(\\\srv\dados)"
                                     << ""
                                     << "";
    QTest::newRow("two backslashes alone") << R"(\\)"
                                           << ""
                                           << "";
    QTest::newRow("two backslashes, then blanks") << "\\\\   "
                                                  << ""
                                                  << "List index out of bounds (2)";
    QTest::newRow("two backslashes, then a tab") << "\\\\\t"
                                                 << ""
                                                 << "List index out of bounds (2)";
}

void ProductIniTest::serverNameFromRoot() {
    QFETCH(QString, root);
    QFETCH(QString, host);
    QFETCH(QString, error);

    try {
        const QString result = orq::serverNameFromRoot(root);
        QVERIFY2(error.isEmpty(), "expected an error");
        QCOMPARE(result, host);
    } catch (const orq::Error& e) {
        QCOMPARE(e.message(), error);
    }
}

void ProductIniTest::fileLiesBesideTheProgram() {
    // Where the product looks for it, whatever our current directory.
    const QFileInfo file(ProductIni().path());
    QCOMPARE(file.fileName(), Ini);
    QCOMPARE(QFileInfo(file.path()).canonicalFilePath(),
             QFileInfo(testBinFolder()).canonicalFilePath());
}

void ProductIniTest::readsTheCurrentBase_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("serverName");
    QTest::addColumn<QString>("databasePath");
    QTest::addColumn<QString>("baseName");

    // Whatever is missing reads as the empty text, as the product reads it.
    QTest::newRow("no file") << QByteArray() << ""
                             << ""
                             << "";
    QTest::newRow("no such sections") << QByteArray("[OUTRA]\r\nNOME=x\r\nCAMINHO=y\r\n") << ""
                                      << ""
                                      << "";
    QTest::newRow("no such keys") << QByteArray("[SERVIDOR]\r\nPORTA=1\r\n[ORQ]\r\nX=y\r\n") << ""
                                  << ""
                                  << "";
    QTest::newRow("stored path")
        << QByteArray("[SERVIDOR]\r\nNOME=srv01\r\n"
                      "[ORQ]\r\nCAMINHO=C:\\Varnelo\\ORQ_7\\ORQ_DADOS\\BASE1\\ORQ.FDB\r\n")
        << "srv01"
        << "C:\\Varnelo\\ORQ_7\\ORQ_DADOS\\BASE1\\ORQ.FDB"
        << "BASE1";
    QTest::newRow("forward slashes")
        << QByteArray("[ORQ]\r\nCAMINHO=/dados/ORQ_DADOS/B1/ORQ.FDB\r\n") << ""
        << "/dados/ORQ_DADOS/B1/ORQ.FDB"
        << "";
}

void ProductIniTest::readsTheCurrentBase() {
    QFETCH(QByteArray, content);
    QFETCH(QString, serverName);
    QFETCH(QString, databasePath);
    QFETCH(QString, baseName);

    TempFolder folder;
    if (!content.isEmpty())
        writeBytes(folder.file(Ini), content);
    const ProductIni ini(folder.file(Ini));
    QCOMPARE(ini.serverName(), serverName);
    QCOMPARE(ini.databasePath(), databasePath);
    QCOMPARE(ini.currentBaseName(), baseName);
}

void ProductIniTest::entersABase_data() {
    QTest::addColumn<QString>("stored"); // empty: no file at all
    QTest::addColumn<QString>("root");
    QTest::addColumn<QString>("base");
    QTest::addColumn<QString>("host");
    QTest::addColumn<QString>("path");

    QTest::newRow("no file yet") << ""
                                 << R"(c:\Varnelo\ORQ_7)"
                                 << "BASE1"
                                 << "localhost"
                                 << R"(\BASE1\ORQ.FDB)";
    // The root decides the host only; the stored prefix stays whatever root is shown.
    QTest::newRow("share root keeps the stored prefix")
        << R"(C:\Varnelo\ORQ_7\ORQ_DADOS\BASE1\ORQ.FDB)"
        << R"(\\srv01\c$\Varnelo\ORQ_7)"
        << "BASE2"
        << "srv01"
        << R"(C:\Varnelo\ORQ_7\ORQ_DADOS\BASE2\ORQ.FDB)";
    QTest::newRow("local root") << R"(C:\Varnelo\ORQ_7\ORQ_DADOS\BASE1\ORQ.FDB)"
                                << R"(c:\Varnelo\ORQ_7)"
                                << "BASE2"
                                << "localhost"
                                << R"(C:\Varnelo\ORQ_7\ORQ_DADOS\BASE2\ORQ.FDB)";
    QTest::newRow("server prefix kept") << R"(srv01:C:\dados\ORQ_DADOS\BASE1\ORQ.FDB)"
                                        << R"(d:\outra)"
                                        << "BASE2"
                                        << "localhost"
                                        << R"(srv01:C:\dados\ORQ_DADOS\BASE2\ORQ.FDB)";
    QTest::newRow("percent sign in the stored path") << R"(C:\100%s%d\ORQ_DADOS\BASE1\ORQ.FDB)"
                                                     << R"(c:\x)"
                                                     << "BASE2"
                                                     << "localhost"
                                                     << R"(C:\100%s%d\ORQ_DADOS\BASE2\ORQ.FDB)";
    QTest::newRow("empty host") << R"(C:\dados\ORQ_DADOS\BASE1\ORQ.FDB)"
                                << R"(\\\srv\dados)"
                                << "BASE2"
                                << ""
                                << R"(C:\dados\ORQ_DADOS\BASE2\ORQ.FDB)";
}

void ProductIniTest::entersABase() {
    QFETCH(QString, stored);
    QFETCH(QString, root);
    QFETCH(QString, base);
    QFETCH(QString, host);
    QFETCH(QString, path);

    TempFolder folder;
    const QString file = folder.file(Ini);
    if (!stored.isEmpty())
        writeBytes(file, "[ORQ]\r\nCAMINHO=" + stored.toLatin1() + "\r\n");

    const orq::EnteredBase entered = orq::writeEnteredBase(ProductIni(file), root, base);
    QCOMPARE(entered.serverName, host);
    QCOMPARE(entered.databasePath, path);

    // An empty host still leaves the key for the product to find.
    QCOMPARE(PrivateProfile::read(file, QStringLiteral("SERVIDOR"), QStringLiteral("NOME")),
             std::optional(host));
    QCOMPARE(PrivateProfile::read(file, QStringLiteral("ORQ"), QStringLiteral("CAMINHO")),
             std::optional(path));
}

void ProductIniTest::badRootWritesNothing_data() {
    QTest::addColumn<bool>("fileExists");
    QTest::newRow("file exists") << true;
    QTest::newRow("no file") << false;
}

void ProductIniTest::badRootWritesNothing() {
    QFETCH(bool, fileExists);

    TempFolder folder;
    const QString file = folder.file(Ini);
    const QByteArray before = "[ORQ]\r\nCAMINHO=C:\\dados\\ORQ_DADOS\\BASE1\\ORQ.FDB\r\n";
    if (fileExists)
        writeBytes(file, before);

    QVERIFY_THROWS_EXCEPTION(
        orq::Error,
        orq::writeEnteredBase(ProductIni(file), QStringLiteral("\\\\  "), QStringLiteral("BASE2")));
    if (fileExists)
        QCOMPARE(readBytes(file), before);
    else
        QVERIFY(!QFileInfo::exists(file));
}

void ProductIniTest::entryLeavesTheRestOfTheFileAlone() {
    // The product owns the file: comments, other sections, the same key name elsewhere and
    // text in its code page must come through untouched.
    const QByteArray head = "; gerado pelo ORQ\r\n"
                            "[Geral]\r\n"
                            "CAMINHO=C:\\outro\\ORQ.FDB\r\n"
                            "Descri\xe7\xe3o=Empresa S\xe3o Jo\xe3o\r\n"
                            "\r\n"
                            "[SERVIDOR]\r\n";
    const QByteArray middle = "PORTA=3050\r\n"
                              "[ORQ]\r\n";
    const QByteArray tail = "Usuario=SYSDBA\r\n"
                            "\r\n"
                            "[Janela]\r\n"
                            "Maximizada=1\r\n";
    TempFolder folder;
    const QString file = folder.file(Ini);
    writeBytes(file, head + "NOME=localhost\r\n" + middle +
                         "CAMINHO=C:\\dados\\ORQ_DADOS\\BASE1\\ORQ.FDB\r\n" + tail);

    orq::writeEnteredBase(ProductIni(file), QStringLiteral("\\\\srv01\\c$\\dados"),
                          QStringLiteral("BASE2"));

    QCOMPARE(readBytes(file), head + "NOME=srv01\r\n" + middle +
                                  "CAMINHO=C:\\dados\\ORQ_DADOS\\BASE2\\ORQ.FDB\r\n" + tail);
}

void ProductIniTest::failedWriteStopsTheEntry_data() {
    QTest::addColumn<QString>("root");
    QTest::addColumn<QString>("base");
    QTest::addColumn<QString>("hostAfter");

    // The limit lets the file grow by nothing: whichever write would make it longer fails.
    QTest::newRow("host fails: the path keeps its old value") << R"(\\a-much-longer-server-name\c$)"
                                                              << "B"
                                                              << "localhost";
    QTest::newRow("path fails after the host was written") << R"(\\srv\c$)"
                                                           << "A-MUCH-LONGER-BASE-NAME"
                                                           << "srv";
}

void ProductIniTest::failedWriteStopsTheEntry() {
    QFETCH(QString, root);
    QFETCH(QString, base);
    QFETCH(QString, hostAfter);

    TempFolder folder;
    const QString file = folder.file(Ini);
    const QString oldPath = QStringLiteral("C:\\dados\\ORQ_DADOS\\BASE1\\ORQ.FDB");
    const QByteArray before =
        "[SERVIDOR]\r\nNOME=localhost\r\n[ORQ]\r\nCAMINHO=" + oldPath.toLatin1() + "\r\n";
    writeBytes(file, before);

    QString message;
    {
        const FileSizeLimit limit(rlim_t(before.size()));
        try {
            orq::writeEnteredBase(ProductIni(file), root, base);
        } catch (const orq::Error& e) {
            message = e.message();
        }
    }
    QCOMPARE(message, QStringLiteral("Unable to write to ") + file);
    QCOMPARE(PrivateProfile::read(file, QStringLiteral("SERVIDOR"), QStringLiteral("NOME")),
             std::optional(hostAfter));
    QCOMPARE(PrivateProfile::read(file, QStringLiteral("ORQ"), QStringLiteral("CAMINHO")),
             std::optional(oldPath));
}

QTEST_GUILESS_MAIN(ProductIniTest)
#include "test_launch_productini.moc"
