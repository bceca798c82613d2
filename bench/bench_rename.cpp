// The state-suffix batch over 200 real databases, limit 20, beside the floor: the same 200
// attach, select and detach calls made back to back by a bare fbclient loop, in the same run,
// against the same private server (scripts/firebird.sh must be running on 127.0.0.1:3055).
// Between iterations the folders get their old names back, untimed. The peak number of live
// workers, an upper bound on the attachments open at once, is reported as a counter.
#include "MakeRoot.h"
#include "listview/uTORQListView.h"
#include "maintenance/RenameBatch.h"
#include "system/FileSystem.h"
#include "system/Firebird.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdio>
#include <thread>

namespace {

constexpr int kBases = 200;

QString baseName(int i) {
    return QStringLiteral("BASE%1").arg(i, 3, 10, QLatin1Char('0'));
}

struct Bases {
    QTemporaryDir root;
    QTemporaryDir program;
    QString error;

    Bases() {
        QStringList bases;
        for (int i = 0; i < kBases; ++i)
            bases << baseName(i) + QStringLiteral("=SP");
        try {
            orqfb::makeRoot(root.path(), bases, {});
        } catch (const orq::Error& e) {
            error = e.message();
        }
        QFile ini(program.filePath(QStringLiteral("orqcon.ini")));
        if (ini.open(QIODevice::WriteOnly))
            ini.write("[ORQ]\r\nCAMINHO=" + QFile::encodeName(root.path()) +
                      "/ORQ_DADOS/X/ORQ.FDB\r\n");
    }

    QString database(int i) const {
        return root.path() + QStringLiteral("/ORQ_DADOS/") + baseName(i) +
               QStringLiteral("/ORQ.FDB");
    }

    // Back to the names without a suffix, so the next batch renames every folder again.
    void unsuffix() const {
        for (int i = 0; i < kBases; ++i) {
            const QString folder = root.path() + QStringLiteral("/ORQ_DADOS/") + baseName(i);
            QDir().rename(folder + QStringLiteral("_SP"), folder);
        }
    }
};

Bases& bases() {
    static Bases instance;
    return instance;
}

void BM_Batch(benchmark::State& state) {
    Bases& b = bases();
    if (!b.error.isEmpty()) {
        state.SkipWithError(qPrintable(b.error));
        return;
    }
    int peak = 0;
    for (auto _ : state) {
        state.PauseTiming();
        b.unsuffix();
        orq::TORQListView list;
        list.addColumn(QStringLiteral("Nome"), 100);
        for (int i = 0; i < kBases; ++i)
            list.addRow().setCaption(baseName(i));
        QStringList errors;
        orq::RenameBatch batch(list, b.program.filePath(QStringLiteral("orqcon.ini")),
                               [&](const QString& message) { errors << message; });
        QEventLoop loop;
        QObject::connect(&batch, &orq::RenameBatch::finished, &loop, &QEventLoop::quit);
        std::atomic<bool> watching{true};
        std::atomic<int> seen{0};
        std::thread watcher([&] {
            while (watching) {
                const int live = orq::TRenomearPastasParaUF::getInstanceCount();
                if (live > seen)
                    seen = live;
            }
        });
        state.ResumeTiming();

        batch.start();
        if (batch.running())
            loop.exec();

        state.PauseTiming();
        watching = false;
        watcher.join();
        peak = std::max(peak, seen.load());
        if (!errors.isEmpty()) {
            state.SkipWithError(qPrintable(errors.first()));
            return;
        }
        state.ResumeTiming();
    }
    state.counters["peak_live_workers"] = peak;
}
BENCHMARK(BM_Batch)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

void BM_BareCalls(benchmark::State& state) {
    Bases& b = bases();
    if (!b.error.isEmpty()) {
        state.SkipWithError(qPrintable(b.error));
        return;
    }
    b.unsuffix();
    const orq::sys::FirebirdLogin login{QStringLiteral("XUQORQ"), QStringLiteral("quh"),
                                        QStringLiteral("WIN1252")};
    for (auto _ : state) {
        for (int i = 0; i < kBases; ++i) {
            auto connection = orq::sys::FirebirdConnection::attach(
                QStringLiteral("localhost/3055:") + b.database(i), login);
            benchmark::DoNotOptimize(connection.firstText(
                QStringLiteral("select first 1 uf from empresa order by codigo")));
            connection.close();
        }
    }
}
BENCHMARK(BM_BareCalls)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
