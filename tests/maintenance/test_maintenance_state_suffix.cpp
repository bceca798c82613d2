// The rules of the state-suffix batch without a server: which captions count as suffixed, which
// folder a database path names, when a rename is refused, and how the scan resumes.
#include "maintenance/StateSuffix.h"

#include <QSet>
#include <QtTest>

using namespace orq;

class StateSuffixTest : public QObject {
    Q_OBJECT

private slots:
    void suffixedCaptions_data();
    void suffixedCaptions();
    void everyTailOfTheStateTextCounts();
    void databaseFolder_data();
    void databaseFolder();
    void endsWithSuffixIsExact();
    void renameProblems_data();
    void renameProblems();
    void scanResumesAfterTheLastStartedRow();
    void scanSkipsSuffixedRows();
};

void StateSuffixTest::suffixedCaptions_data() {
    QTest::addColumn<QString>("caption");
    QTest::addColumn<bool>("suffixed");
    QTest::newRow("code with its underscore") << "BASE1_SP" << true;
    QTest::newRow("code then underscore") << "XSP_" << true;
    QTest::newRow("join of two codes") << "TESTE_A" << true;
    QTest::newRow("join, longer name") << "PREFEITURA_M" << true;
    QTest::newRow("two letters found in the text") << "SP" << true;
    QTest::newRow("one letter found in the text") << "A" << true;
    QTest::newRow("lower case never matches") << "X_sp" << false;
    QTest::newRow("plain name") << "BASE1" << false;
    QTest::newRow("DF has no underscore after it") << "XDF_" << false;
    QTest::newRow("last code") << "BRASILIA_DF" << true;
    QTest::newRow("empty") << "" << false;
}

void StateSuffixTest::suffixedCaptions() {
    QFETCH(QString, caption);
    QFETCH(bool, suffixed);
    QCOMPARE(countsAsSuffixed(caption), suffixed);
}

// Of the text's three-character runs, 78 are distinct (27 "_XX", 26 "XX_", 25 joins): each
// must count, and a run taken across a join in the wrong order must not.
void StateSuffixTest::everyTailOfTheStateTextCounts() {
    const QString& text = stateCodeText();
    QSet<QString> tails;
    for (qsizetype i = 0; i + 3 <= text.size(); ++i) {
        const QString tail = text.mid(i, 3);
        tails.insert(tail);
        QVERIFY2(countsAsSuffixed(QStringLiteral("BASE") + tail), qPrintable(tail));
    }
    QCOMPARE(tails.size(), 78);
    QVERIFY(!countsAsSuffixed(QStringLiteral("BASE_SX")));
}

void StateSuffixTest::databaseFolder_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("folder");
    QTest::newRow("Windows path") << "C:\\V\\ORQ_DADOS\\BASE1\\ORQ.FDB"
                                  << "C:\\V\\ORQ_DADOS\\BASE1";
    QTest::newRow("server prefix") << "srv01:C:\\d\\ORQ_DADOS\\B 2\\ORQ.FDB"
                                   << "srv01:C:\\d\\ORQ_DADOS\\B 2";
    QTest::newRow("slashes separate too") << "C:/d/ORQ_DADOS/BASE1/ORQ.FDB"
                                          << "C:/d/ORQ_DADOS/BASE1";
    QTest::newRow("native path") << "/srv/orq/ORQ_DADOS/BASE1/ORQ.FDB"
                                 << "/srv/orq/ORQ_DADOS/BASE1";
    QTest::newRow("drive root keeps its backslash") << "C:\\ORQ.FDB"
                                                    << "C:\\";
    QTest::newRow("colon after the last separator") << "srv:ORQ.FDB"
                                                    << "srv:";
    QTest::newRow("no separator") << "ORQ.FDB"
                                  << "";
}

void StateSuffixTest::databaseFolder() {
    QFETCH(QString, path);
    QFETCH(QString, folder);
    QCOMPARE(orq::databaseFolder(path), folder);
}

void StateSuffixTest::endsWithSuffixIsExact() {
    QVERIFY(endsWithSuffix("C:\\d\\BASE1_SP", "_SP"));
    QVERIFY(!endsWithSuffix("C:\\d\\BASE_sp", "_SP"));
    // A code of another length never equals the three-character tail.
    QVERIFY(!endsWithSuffix("C:\\d\\BASE_S", "_S"));
}

void StateSuffixTest::renameProblems_data() {
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("code");
    QTest::addColumn<bool>("refused");

    QTest::newRow("the base's own folder") << "C:\\d\\ORQ_DADOS\\BASE1"
                                           << "BASE1"
                                           << "SP" << false;
    QTest::newRow("slash-separated folder") << "C:/d/ORQ_DADOS/BASE1"
                                            << "BASE1"
                                            << "SP" << false;
    QTest::newRow("odd but harmless code") << "C:\\d\\ORQ_DADOS\\BASE1"
                                           << "BASE1"
                                           << "S " << false;
    QTest::newRow("a drive") << "C:"
                             << "BASE1"
                             << "SP" << true;
    QTest::newRow("a drive root") << "C:\\"
                                  << "BASE1"
                                  << "SP" << true;
    QTest::newRow("the parent folder") << "C:\\d\\ORQ_DADOS"
                                       << "BASE1"
                                       << "SP" << true;
    QTest::newRow("code with a backslash") << "C:\\d\\ORQ_DADOS\\B"
                                           << "B"
                                           << "\\x" << true;
    QTest::newRow("code with a slash") << "C:\\d\\ORQ_DADOS\\B"
                                       << "B"
                                       << "/." << true;
    QTest::newRow("code with a colon") << "C:\\d\\ORQ_DADOS\\B"
                                       << "B"
                                       << "S:" << true;
    QTest::newRow("code dot dot") << "C:\\d\\ORQ_DADOS\\B"
                                  << "B"
                                  << ".." << true;
    QTest::newRow("code with a line break") << "C:\\d\\ORQ_DADOS\\B"
                                            << "B"
                                            << "S\n"
                                            << true;
}

void StateSuffixTest::renameProblems() {
    QFETCH(QString, folder);
    QFETCH(QString, caption);
    QFETCH(QString, code);
    QFETCH(bool, refused);
    QCOMPARE(!suffixRenameProblem(folder, caption, code).isEmpty(), refused);
}

// 25 rows without a suffix: 20 workers at once (ufindex 19), then one more each time one ends.
void StateSuffixTest::scanResumesAfterTheLastStartedRow() {
    const int rows = 25;
    int live = 0;
    QList<int> startedRows;
    SuffixScan scan;
    auto caption = [](int row) { return QStringLiteral("BASE%1").arg(row); };
    auto startWorker = [&](int row) {
        startedRows << row;
        ++live;
    };
    auto liveWorkers = [&] { return live; };

    QCOMPARE(scan.scan(0, rows, caption, startWorker, liveWorkers), 20);
    QCOMPARE(scan.ufindex, 19);
    QVERIFY(scan.hasMore(rows));
    for (int next = 20; next < rows; ++next) {
        --live; // a worker ended
        QCOMPARE(scan.scan(scan.resumeRow(), rows, caption, startWorker, liveWorkers), 1);
        QCOMPARE(scan.ufindex, next);
    }
    // The last resumption examines nothing and marks the end.
    --live;
    QCOMPARE(scan.scan(scan.resumeRow(), rows, caption, startWorker, liveWorkers), 0);
    QCOMPARE(scan.ufindex, rows);
    QVERIFY(!scan.hasMore(rows));
    QList<int> everyRow;
    for (int row = 0; row < rows; ++row)
        everyRow << row;
    QCOMPARE(startedRows, everyRow);
}

void StateSuffixTest::scanSkipsSuffixedRows() {
    const QStringList captions{"A_SP", "BASE1", "SP", "X_sp", "TESTE_A", "BASE2"};
    QList<int> started;
    SuffixScan scan;
    const int count = scan.scan(
        0, int(captions.size()), [&](int row) { return captions[row]; },
        [&](int row) { started << row; }, [] { return 0; });
    QCOMPARE(count, 3);
    QCOMPARE(started, QList<int>({1, 3, 5}));
    QCOMPARE(scan.ufindex, int(captions.size()));
}

QTEST_GUILESS_MAIN(StateSuffixTest)
#include "test_maintenance_state_suffix.moc"
