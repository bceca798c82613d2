// A writer process killed with SIGKILL at random moments while it replaces orqcon.ini, the known
// roots file or a catalogue of 100 000 lines: afterwards the file is the old one or the new one,
// byte for byte, and the next write leaves nothing beside it. The moments come from a seeded
// generator; ORQ_KILL_SEED=N runs the same moments again.
#include "ReliabilityBench.h"
#include "TestSupport.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QThread>
#include <QtTest>

#include <random>

using namespace orqtest;

namespace {

constexpr int kills = 100;

// Which state of its file the bytes are: the base entered (0 or 1), the number of known roots, or
// the catalogue version; -1 for anything else, an empty or cut file among them.
int stateOf(WrittenFile file, const QByteArray& bytes, const QByteArray (&catalogues)[2]) {
    switch (file) {
    case WrittenFile::Ini:
        for (int step = 0; step < 2; ++step) {
            if (bytes == iniWithBase(iniBase(step)))
                return step;
        }
        return -1;
    case WrittenFile::Hosts: {
        const int roots = int(bytes.count("\r\n"));
        return bytes == hostsWithRoots(roots) ? roots : -1;
    }
    case WrittenFile::Catalogue:
        for (int version = 0; version < 2; ++version) {
            if (bytes == catalogues[version])
                return version;
        }
        return -1;
    }
    return -1;
}

// The writer's line "ready", or false when it ended or said nothing for half a minute.
bool waitUntilReady(QProcess& writer) {
    QByteArray out;
    while (!out.contains("ready\n")) {
        if (!writer.waitForReadyRead(30000))
            return false;
        out += writer.readAllStandardOutput();
    }
    return true;
}

} // namespace

class KillTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        bool given = false;
        m_seed = qEnvironmentVariable("ORQ_KILL_SEED").toUInt(&given);
        if (!given)
            m_seed = std::random_device()();
        qInfo("ORQ_KILL_SEED=%u", m_seed);
        m_random.seed(m_seed);
    }

    void killedWriteLeavesTheOldFileOrTheNew_data() {
        QTest::addColumn<QString>("file");
        QTest::newRow("orqcon.ini, entering a base") << "ini";
        QTest::newRow("known roots, a root remembered") << "hosts";
        QTest::newRow("catalogue of 100 000 lines, saved") << "catalogue";
    }
    void killedWriteLeavesTheOldFileOrTheNew() {
        QFETCH(QString, file);
        const WrittenFile kind = *writtenFileNamed(file);
        TempFolder folder;
        makeFolder(folder.file("programa"));
        makeFolder(folder.file("raiz"));
        Bench bench(folder.file("programa"), folder.file("raiz"));
        prepare(kind, bench);
        if (kind == WrittenFile::Ini)
            bench.chooser.open(bench.root);
        const QByteArray catalogues[2] = {catalogueBytes(0), catalogueBytes(1)};
        const QString path = bench.pathOf(kind);
        const QStringList onlyItsFiles = folderNames(bench.folderOf(kind));
        const QString writerProgram =
            QCoreApplication::applicationDirPath() + QStringLiteral("/reliability_writer");
        const auto startWriter = [&](QProcess& writer, const char* mode, int step) {
            writer.start(writerProgram,
                         {file, folder.path(), QString::fromLatin1(mode), QString::number(step)});
            return writer.waitForStarted(30000);
        };

        // A writer left alone writes the next state whole, so the kills below hit real writes.
        int state = stateOf(kind, readBytes(path), catalogues);
        {
            QProcess writer;
            QVERIFY(startWriter(writer, "once", state + 1));
            QVERIFY(writer.waitForFinished(60000));
            QVERIFY2(writer.exitStatus() == QProcess::NormalExit && writer.exitCode() == 0,
                     writer.readAllStandardError().constData());
            const int next = stateOf(kind, readBytes(path), catalogues);
            QCOMPARE(next, kind == WrittenFile::Hosts ? state + 1 : 1 - state);
            state = next;
        }

        // Kills fall anywhere in the time of a write and a half, measured on this machine and
        // build: from before the first write's temporary file exists to after its rename.
        QElapsedTimer timer;
        timer.start();
        if (kind == WrittenFile::Hosts)
            bench.chooser.loadHosts();
        writeNext(kind, bench, state + 1);
        const qint64 window = qMax<qint64>(3 * timer.nsecsElapsed() / 2000, 2000);
        state = stateOf(kind, readBytes(path), catalogues);
        std::uniform_int_distribution<qint64> moment(0, window);

        int leftBehind = 0;
        for (int round = 0; round < kills; ++round) {
            const int before = state;
            QProcess writer;
            QVERIFY(startWriter(writer, "loop", state + 1));
            QVERIFY2(waitUntilReady(writer), writer.readAllStandardError().constData());
            QThread::usleep(quint64(moment(m_random)));
            writer.kill();
            QVERIFY(writer.waitForFinished(30000));
            QVERIFY2(writer.exitStatus() == QProcess::CrashExit,
                     qPrintable("the writer stopped by itself: " + writer.readAllStandardError()));

            const QByteArray bytes = readBytes(path);
            state = stateOf(kind, bytes, catalogues);
            QVERIFY2(state >= 0 && (kind != WrittenFile::Hosts || state >= before),
                     qPrintable(QStringLiteral("kill %1 left %2 bytes, neither the old file nor "
                                               "a new one")
                                    .arg(round + 1)
                                    .arg(bytes.size())));
            if (folderNames(bench.folderOf(kind)) != onlyItsFiles)
                ++leftBehind;

            if (kind == WrittenFile::Hosts)
                bench.chooser.loadHosts();
            writeNext(kind, bench, state + 1);
            const int next = stateOf(kind, readBytes(path), catalogues);
            QCOMPARE(next, kind == WrittenFile::Hosts ? state + 1 : 1 - state);
            state = next;
            QCOMPARE(folderNames(bench.folderOf(kind)), onlyItsFiles);
        }
        qInfo("%d of %d kills within %lld ms of the start of a write left a temporary file, each "
              "cleared by the next write",
              leftBehind, kills, window / 1000);
    }

private:
    quint32 m_seed = 0;
    std::mt19937 m_random;
};

QTEST_GUILESS_MAIN(KillTest)
#include "test_reliability_kill.moc"
