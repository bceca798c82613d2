#include "system/Paths.h"

#include "TestSupport.h"

#include <QFileInfo>
#include <QtTest>

using namespace orq::sys;

class PathsTest : public QObject {
    Q_OBJECT

private slots:
    void nativePath_data() {
        QTest::addColumn<QString>("windows");
        QTest::addColumn<QString>("native");
        const QString dos = QStringLiteral("/opt/pfx/dosdevices/");
        QTest::newRow("default root") << "c:\\Varnelo\\ORQ_7" << dos + "c:/Varnelo/ORQ_7";
        QTest::newRow("drive letter in upper case")
            << "C:\\Varnelo\\ORQ_7\\ORQDados.csv" << dos + "c:/Varnelo/ORQ_7/ORQDados.csv";
        QTest::newRow("other drive") << "D:\\dados" << dos + "d:/dados";
        QTest::newRow("drive alone") << "c:" << dos + "c:";
        QTest::newRow("root ending in a backslash, then a tail")
            << "c:\\Varnelo\\ORQ_7\\\\ORQDados.csv" << dos + "c:/Varnelo/ORQ_7//ORQDados.csv";
        QTest::newRow("case of the rest kept") << "c:\\Varnelo\\ORQ_DADOS\\Base Um\\ORQ.FDB"
                                               << dos + "c:/Varnelo/ORQ_DADOS/Base Um/ORQ.FDB";
        QTest::newRow("network share") << "\\\\host\\share\\x" << dos + "unc/host/share/x";
        QTest::newRow("administrative share")
            << "\\\\srv01\\c$\\Varnelo\\ORQ_7" << dos + "unc/srv01/c$/Varnelo/ORQ_7";
        QTest::newRow("share written with slashes") << "//srv01/dados" << dos + "unc/srv01/dados";
        QTest::newRow("native path stays") << "/srv/orq"
                                           << "/srv/orq";
        QTest::newRow("relative path") << "ORQ_DADOS\\BASE1"
                                       << "ORQ_DADOS/BASE1";
        QTest::newRow("digit is no drive") << "1:\\x"
                                           << "1:/x";
        QTest::newRow("empty") << ""
                               << "";
    }
    void nativePath() {
        QFETCH(QString, windows);
        QFETCH(QString, native);
        orqtest::ScopedEnvironment prefix("WINEPREFIX", "/opt/pfx");
        QCOMPARE(orq::sys::nativePath(windows), native);
    }

    void defaultPrefixIsInHome() {
        orqtest::ScopedEnvironment prefix("WINEPREFIX", QByteArray());
        orqtest::ScopedEnvironment home("HOME", "/home/orq");
        QCOMPARE(orq::sys::nativePath("c:\\Varnelo\\ORQ_7"),
                 QStringLiteral("/home/orq/.wine/dosdevices/c:/Varnelo/ORQ_7"));
        QCOMPARE(orq::sys::nativePath("\\\\host\\share"),
                 QStringLiteral("/home/orq/.wine/dosdevices/unc/host/share"));
    }

    void emptyPrefixCountsAsUnset() {
        orqtest::ScopedEnvironment prefix("WINEPREFIX", "");
        orqtest::ScopedEnvironment home("HOME", "/home/orq");
        QCOMPARE(orq::sys::nativePath("c:\\x"), QStringLiteral("/home/orq/.wine/dosdevices/c:/x"));
    }

    // The test runner says where the test programs are built; this one is among them.
    void programFolderIsTheExecutablesFolder() {
        const QString bin = qEnvironmentVariable("ORQ_TEST_BIN");
        if (bin.isEmpty())
            QSKIP("ORQ_TEST_BIN is set by the test runner");
        const QString folder = programFolder();
        QVERIFY(!folder.endsWith(u'/'));
        QCOMPARE(QFileInfo(folder).canonicalFilePath(), QFileInfo(bin).canonicalFilePath());
    }
};

QTEST_APPLESS_MAIN(PathsTest)
#include "test_system_paths.moc"
