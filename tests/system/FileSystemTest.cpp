#include "system/FileSystem.h"

#include "TestSupport.h"

#include <QFile>
#include <QtTest>

using namespace orq::sys;

namespace {

// Every entry a listing visits, as "name/" for a folder and "name" for anything else, sorted.
QStringList listing(const QString& folder, bool* started) {
    QStringList entries;
    *started = listFolder(folder, [&](const FolderEntry& entry) {
        entries.append(entry.isFolder ? entry.name + u'/' : entry.name);
    });
    entries.sort();
    return entries;
}

} // namespace

class FileSystemTest : public QObject {
    Q_OBJECT

private slots:
    // A base folder as users leave it: bases, a stray file, hidden entries, links.
    void listFolderShowsWhatAFolderSearchShows() {
        orqtest::FakeWinePrefix prefix;
        const QString dados = prefix.driveC() + "/ORQ_7/ORQ_DADOS";
        orqtest::makeFolder(dados + "/BASE1");
        orqtest::makeFolder(dados + "/Base Dois, SP");
        orqtest::makeFolder(dados + "/.git");
        orqtest::makeFolder(dados + "/..hidden too");
        orqtest::writeBytes(dados + "/.hidden", "x");
        orqtest::writeBytes(dados + "/leia-me.txt", "x");
        orqtest::writeBytes(dados + "/ORQ.FDB", "x");
        QVERIFY(QFile::link(dados + "/BASE1", dados + "/atalho"));
        QVERIFY(QFile::link(dados + "/nothing", dados + "/quebrado"));

        bool started = false;
        const auto entries = listing("c:\\ORQ_7\\ORQ_DADOS", &started);
        QVERIFY(started);
        QStringList expected{"./",          "../",     "BASE1/",  "Base Dois, SP/",
                             "leia-me.txt", "ORQ.FDB", "atalho/", "quebrado"};
        expected.sort();
        QCOMPARE(entries, expected);
    }

    void listFolderCannotStart_data() {
        QTest::addColumn<QString>("path");
        QTest::newRow("missing folder") << "c:\\Falta";
        QTest::newRow("a file") << "c:\\arquivo.txt";
        QTest::newRow("inside a file") << "c:\\arquivo.txt\\x";
        QTest::newRow("missing drive") << "q:\\ORQ_7";
    }
    void listFolderCannotStart() {
        QFETCH(QString, path);
        orqtest::FakeWinePrefix prefix;
        orqtest::writeBytes(prefix.driveC() + "/arquivo.txt", "x");
        bool started = true;
        const auto entries = listing(path, &started);
        QVERIFY(!started);
        QVERIFY(entries.isEmpty());
    }

    void lookupEntry() {
        orqtest::FakeWinePrefix prefix;
        const QString base = prefix.driveC() + "/ORQ_DADOS/BASE1";
        const QDateTime written(QDate(2013, 3, 5), QTime(17, 7, 9), Qt::UTC);
        orqtest::makeBase(prefix.driveC(), "BASE1", 1263616, written);
        orqtest::writeBytes(base + "/.oculto", "abc");

        const auto file = lookup("c:\\ORQ_DADOS\\BASE1\\ORQ.FDB");
        QVERIFY(file.has_value());
        QCOMPARE(file->size, qint64(1263616));
        QCOMPARE(file->lastWriteUtc, written);
        QCOMPARE(file->lastWriteUtc.timeSpec(), Qt::UTC);
        QVERIFY(!file->isFolder);

        const auto folder = lookup("C:\\ORQ_DADOS\\BASE1");
        QVERIFY(folder.has_value());
        QVERIFY(folder->isFolder);

        const auto hidden = lookup("c:\\ORQ_DADOS\\BASE1\\.oculto");
        QVERIFY(hidden.has_value());
        QCOMPARE(hidden->size, qint64(3));

        QVERIFY(!lookup("c:\\ORQ_DADOS\\BASE2\\ORQ.FDB").has_value());
    }

    void existence_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("file");
        QTest::addColumn<bool>("folder");
        QTest::newRow("file") << "c:\\ORQ_7\\ORQDados.csv" << true << false;
        QTest::newRow("folder") << "c:\\ORQ_7" << false << true;
        QTest::newRow("folder with trailing backslash") << "c:\\ORQ_7\\" << false << true;
        QTest::newRow("missing") << "c:\\ORQ_8" << false << false;
        QTest::newRow("below a file") << "c:\\ORQ_7\\ORQDados.csv\\x" << false << false;
        QTest::newRow("link to a folder") << "c:\\link" << false << true;
        QTest::newRow("dangling link") << "c:\\dangling" << false << false;
    }
    void existence() {
        QFETCH(QString, path);
        QFETCH(bool, file);
        QFETCH(bool, folder);
        orqtest::FakeWinePrefix prefix;
        orqtest::makeFolder(prefix.driveC() + "/ORQ_7");
        orqtest::writeBytes(prefix.driveC() + "/ORQ_7/ORQDados.csv", "");
        QVERIFY(QFile::link(prefix.driveC() + "/ORQ_7", prefix.driveC() + "/link"));
        QVERIFY(QFile::link(prefix.driveC() + "/none", prefix.driveC() + "/dangling"));
        QCOMPARE(fileExists(path), file);
        QCOMPARE(folderExists(path), folder);
    }

    void readAndWrite() {
        orqtest::FakeWinePrefix prefix;
        QByteArray content;
        for (int i = 0; i < 200000; ++i) // more than one read chunk
            content.append(char(i % 251));
        writeFile("c:\\dados.bin", content);
        QCOMPARE(orqtest::readBytes(prefix.driveC() + "/dados.bin"), content);
        QCOMPARE(readFile("c:\\dados.bin"), content);
        writeFile("c:\\dados.bin", "curto");
        QCOMPARE(readFile("c:\\dados.bin"), QByteArray("curto"));
        writeFile("c:\\dados.bin", QByteArray());
        QCOMPARE(readFile("c:\\dados.bin"), QByteArray());
        QVERIFY(fileExists("c:\\dados.bin"));
    }
};

QTEST_APPLESS_MAIN(FileSystemTest)
#include "FileSystemTest.moc"
