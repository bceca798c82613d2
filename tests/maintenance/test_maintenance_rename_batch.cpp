// The state-suffix batch and its workers against the real Firebird server that scripts/test.sh
// starts on 127.0.0.1:3055: real databases made by orqfb, real threads, real folder renames.
#include "TestSupport.h"

#include "MakeRoot.h"
#include "listview/uTORQListView.h"
#include "maintenance/RenameBatch.h"

#include <QSignalSpy>
#include <QtTest>

using namespace orq;
using namespace orqtest;

namespace {

// A root of real bases, a list showing them in the order given, and a batch over that list
// whose "Erro" boxes are recorded.
struct Batch {
    TempFolder root;
    TempFolder program;
    TORQListView list;
    QStringList errors;
    std::function<void(const QString&)> onError; // runs inside the "Erro" box, when set
    RenameBatch batch{list, program.file("orqcon.ini"), [this](const QString& message) {
                          errors << message;
                          if (onError)
                              onError(message);
                      }};

    // The bases as orqfb takes them, "NAME=UF"; the list shows them in this order.
    explicit Batch(const QStringList& bases) {
        orqfb::makeRoot(root.path(), bases, {});
        list.addColumn(QStringLiteral("Nome"), 200);
        for (const QString& base : bases)
            list.addRow().setCaption(orqfb::parseBaseArgument(base).name);
        // The product names its bases with slashes here: the batch must still find the folders.
        writeBytes(program.file("orqcon.ini"),
                   "[ORQ]\r\nCAMINHO=" + QFile::encodeName(root.path()) +
                       "/ORQ_DADOS/QUALQUER/ORQ.FDB\r\n");
    }

    QStringList folders() const { return folderNames(root.file("ORQ_DADOS")); }
    QStringList captions() const {
        QStringList out;
        for (int i = 0; i < list.rowCount(); ++i)
            out << list.row(i).caption();
        return out;
    }
    // Runs the batch to its end; false when it did not end in time.
    bool run() {
        QSignalSpy finished(&batch, &RenameBatch::finished);
        batch.start();
        return finished.size() == 1 || finished.wait(60000);
    }
};

QStringList sorted(QStringList list) {
    list.sort();
    return list;
}

} // namespace

class RenameBatchTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        TempFolder probe;
        try {
            orqfb::makeRoot(probe.path(), QStringList{QStringLiteral("PROBE=SP")}, {});
        } catch (const Error& error) {
            QFAIL(qPrintable(QStringLiteral("the Firebird server of scripts/firebird.sh must run "
                                            "on 127.0.0.1:3055: ") +
                             error.message()));
        }
    }
    void cleanup() { TRenomearPastasParaUF::setServerPrefix(TRenomearPastasParaUF::ServerPrefix); }

    void twentyFiveBasesTwentyAtATime();
    void whatEachBaseBecomes();
    void noWorkerNeededEndsAtOnce();
    void serverNotRunning();
    void renameTargetTaken();
    void errorBoxOpenWhileOthersFinish();
    void stateCodeThatIsNoFolderName();
};

void RenameBatchTest::twentyFiveBasesTwentyAtATime() {
    QStringList bases;
    QStringList renamed;
    for (int i = 0; i < 25; ++i) {
        const QString uf = i % 2 ? QStringLiteral("RJ") : QStringLiteral("SP");
        bases << QStringLiteral("BASE%1=%2").arg(i, 2, 10, QLatin1Char('0')).arg(uf);
        renamed << QStringLiteral("BASE%1_%2").arg(i, 2, 10, QLatin1Char('0')).arg(uf);
    }
    Batch b(bases);
    QSignalSpy finished(&b.batch, &RenameBatch::finished);

    b.batch.start();

    // Every worker waits for the main thread to rename its folder, so none has ended yet.
    QCOMPARE(b.batch.ufindex(), 19);
    QCOMPARE(TRenomearPastasParaUF::getInstanceCount(), 20);
    QCOMPARE(b.batch.workersStarted(), 20);
    QVERIFY(finished.wait(60000));
    QCOMPARE(b.batch.workersStarted(), 25);
    QCOMPARE(b.batch.ufindex(), 25);
    QCOMPARE(TRenomearPastasParaUF::getInstanceCount(), 0);
    QCOMPARE(b.errors, QStringList());
    QCOMPARE(sorted(b.folders()), renamed);
    QCOMPARE(b.captions(), renamed);
    // One end, one rescan: late termination handlers do not end it again.
    QTest::qWait(200);
    QCOMPARE(finished.size(), 1);
}

void RenameBatchTest::whatEachBaseBecomes() {
    Batch b({"BASE1=SP", "JA_SP=SP", "BASE_sp=SP", "VAZIA=", "DUAS=RJ,SP", "X_sp=sp", "SEM=-"});

    QVERIFY(b.run());

    QCOMPARE(sorted(b.folders()),
             QStringList({"BASE1_SP", "BASE_sp_SP", "DUAS_RJ", "JA_SP", "SEM", "VAZIA", "X_sp"}));
    QCOMPARE(b.captions(),
             QStringList({"BASE1_SP", "JA_SP", "BASE_sp_SP", "VAZIA", "DUAS_RJ", "X_sp", "SEM"}));
    // Only the base without the table fails, with the server's own words; no full stop added.
    QCOMPARE(b.errors.size(), 1);
    QVERIFY2(b.errors[0].startsWith(QStringLiteral("Dynamic SQL Error\n-SQL error code = -204\n"
                                                   "-Table unknown\n-EMPRESA")),
             qPrintable(b.errors[0]));
    // JA_SP counts as suffixed and gets no worker.
    QCOMPARE(b.batch.workersStarted(), 6);
}

void RenameBatchTest::noWorkerNeededEndsAtOnce() {
    Batch b({"A_SP=SP", "TESTE_A=RJ"});
    QSignalSpy finished(&b.batch, &RenameBatch::finished);
    b.batch.start();
    QCOMPARE(finished.size(), 1);
    QVERIFY(!b.batch.running());
    QCOMPARE(b.batch.workersStarted(), 0);
}

void RenameBatchTest::serverNotRunning() {
    Batch b({"BASE1=SP", "BASE2=RJ", "BASE3=MG"});
    TRenomearPastasParaUF::setServerPrefix(QStringLiteral("localhost/3056:"));

    QVERIFY(b.run());

    QCOMPARE(b.errors, QStringList(3, QStringLiteral("Unable to complete network request to host "
                                                     "\"localhost\".\n-Failed to establish a "
                                                     "connection.")));
    QCOMPARE(sorted(b.folders()), QStringList({"BASE1", "BASE2", "BASE3"}));
    QCOMPARE(b.captions(), QStringList({"BASE1", "BASE2", "BASE3"}));
    QCOMPARE(TRenomearPastasParaUF::getInstanceCount(), 0);
}

// The name the suffix gives is taken: the folder gets the next free name, and the row shows the
// suffix until the rescan tells the truth.
void RenameBatchTest::renameTargetTaken() {
    Batch b({"BASE1=SP"});
    makeFolder(b.root.file("ORQ_DADOS/BASE1_SP"));
    writeBytes(b.root.file("ORQ_DADOS/BASE1_SP/outra.txt"), "outra");

    QVERIFY(b.run());

    QCOMPARE(sorted(b.folders()), QStringList({"BASE1_SP", "BASE1_SP (2)"}));
    QCOMPARE(readBytes(b.root.file("ORQ_DADOS/BASE1_SP/outra.txt")), QByteArray("outra"));
    QVERIFY(QFile::exists(b.root.file("ORQ_DADOS/BASE1_SP (2)/ORQ.FDB")));
    QCOMPARE(b.captions(), QStringList{"BASE1_SP"});
    QCOMPARE(b.errors, QStringList());
}

// While one worker's "Erro" box is open, the others still rename their folders and end.
void RenameBatchTest::errorBoxOpenWhileOthersFinish() {
    Batch b({"SEM=-", "BASE1=SP", "BASE2=RJ", "BASE3=MG"});
    bool othersDoneWhileOpen = false;
    QString seenWhileOpen;
    b.onError = [&](const QString&) {
        QElapsedTimer clock;
        clock.start();
        const QStringList done{"BASE1_SP", "BASE2_RJ", "BASE3_MG", "SEM"};
        while ((sorted(b.folders()) != done || b.batch.workersFinished() < 3) &&
               clock.elapsed() < 30000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        othersDoneWhileOpen = sorted(b.folders()) == done && b.batch.workersFinished() == 3;
        seenWhileOpen = QStringLiteral("folders %1, %2 workers finished, errors: %3")
                            .arg(sorted(b.folders()).join(u' '))
                            .arg(b.batch.workersFinished())
                            .arg(b.errors.join(QStringLiteral(" | ")));
    };

    QVERIFY(b.run());

    QVERIFY2(othersDoneWhileOpen, qPrintable(seenWhileOpen));
    QCOMPARE(b.errors.size(), 1);
    QCOMPARE(b.batch.workersFinished(), 4);
}

// Whatever the database holds, a folder is never moved out of ORQ_DADOS.
void RenameBatchTest::stateCodeThatIsNoFolderName() {
    Batch b({"PONTOS=..", "BARRA=/x", "BOM=SP"});

    QVERIFY(b.run());

    QCOMPARE(sorted(b.folders()), QStringList({"BARRA", "BOM_SP", "PONTOS"}));
    QCOMPARE(b.errors.size(), 2);
    for (const QString& error : b.errors)
        QVERIFY2(error.contains(QStringLiteral("não serve para nome de pasta")), qPrintable(error));
    QCOMPARE(folderNames(b.root.path()), QStringList{"ORQ_DADOS"});
}

QTEST_GUILESS_MAIN(RenameBatchTest)
#include "test_maintenance_rename_batch.moc"
