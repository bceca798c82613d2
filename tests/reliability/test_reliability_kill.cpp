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

// Waits for a line of the writer's ("ready", "written"); false when it ended or said nothing for
// half a minute. What it said so far is kept in out.
bool waitForLine(QProcess& writer, QByteArray& out, const QByteArray& line) {
    while (!out.contains(line + '\n')) {
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

        // A writer left alone writes the next state whole, so the kills below hit real writes;
        // how long its write takes, on this machine and in this build, sets when they fall:
        // anywhere from before the temporary file exists to after the rename.
        int state = stateOf(kind, readBytes(path), catalogues);
        qint64 window = 0;
        {
            QProcess writer;
            QByteArray out;
            QVERIFY(startWriter(writer, "once", state + 1));
            QVERIFY2(waitForLine(writer, out, "ready"), writer.readAllStandardError().constData());
            QElapsedTimer timer;
            timer.start();
            QVERIFY2(waitForLine(writer, out, "written"),
                     writer.readAllStandardError().constData());
            window = qMax<qint64>(3 * timer.nsecsElapsed() / 2000, 2000);
            QVERIFY(writer.waitForFinished(60000));
            QVERIFY2(writer.exitStatus() == QProcess::NormalExit && writer.exitCode() == 0,
                     writer.readAllStandardError().constData());
            const int next = stateOf(kind, readBytes(path), catalogues);
            QCOMPARE(next, kind == WrittenFile::Hosts ? state + 1 : 1 - state);
            state = next;
        }
        std::uniform_int_distribution<qint64> moment(0, window);

        // A kill leaves a temporary file when it falls inside a write; the writer's next run
        // clears it with its first write, or, when that one is killed too, a later run does.
        QStringList leftovers;
        int leftBehind = 0;
        int checked = 0;
        for (int round = 0; round < kills; ++round) {
            const int before = state;
            QProcess writer;
            QByteArray out;
            QVERIFY(startWriter(writer, "loop", state + 1));
            QVERIFY2(waitForLine(writer, out, "ready"), writer.readAllStandardError().constData());
            QThread::usleep(quint64(moment(m_random)));
            writer.kill();
            QVERIFY(writer.waitForFinished(30000));
            QVERIFY2(writer.exitStatus() == QProcess::CrashExit,
                     qPrintable("the writer stopped by itself: " + writer.readAllStandardError()));
            const bool wrote = (out + writer.readAllStandardOutput()).contains("written\n");

            const QByteArray bytes = readBytes(path);
            state = stateOf(kind, bytes, catalogues);
            QVERIFY2(state >= 0 && (kind != WrittenFile::Hosts || state >= before),
                     qPrintable(QStringLiteral("kill %1 left %2 bytes, neither the old file nor "
                                               "a new one")
                                    .arg(round + 1)
                                    .arg(bytes.size())));
            const QStringList names = folderNames(bench.folderOf(kind));
            if (wrote) {
                for (const QString& name : std::as_const(leftovers))
                    QVERIFY2(!names.contains(name),
                             qPrintable(name + " stayed after a write that went through"));
                leftovers.clear();
                ++checked;
            }
            for (const QString& name : names) {
                if (!onlyItsFiles.contains(name) && !leftovers.contains(name)) {
                    leftovers << name;
                    ++leftBehind;
                }
            }
        }
        if (kind == WrittenFile::Hosts)
            bench.chooser.loadHosts();
        writeNext(kind, bench, state + 1);
        QVERIFY(stateOf(kind, readBytes(path), catalogues) >= 0);
        QCOMPARE(folderNames(bench.folderOf(kind)), onlyItsFiles);
        qInfo("%d of %d kills within %lld ms of the start of a write left a temporary file; "
              "%d writers finished a write before their kill, and each cleared what the "
              "kills before had left",
              leftBehind, kills, window / 1000, checked);
    }

private:
    quint32 m_seed = 0;
    std::mt19937 m_random;
};

QTEST_GUILESS_MAIN(KillTest)
#include "test_reliability_kill.moc"
