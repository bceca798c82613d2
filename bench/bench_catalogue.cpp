// Catalogue figures: scanning a root of many bases, and loading and decoding a large catalogue.
#include "catalogue/BaseScan.h"
#include "catalogue/CatalogueLine.h"
#include "system/TextList.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

const orq::sys::RegionalSettings& ptBR() {
    static const auto settings = orq::sys::RegionalSettings::forLocale(QLocale("pt_BR"));
    return settings;
}

// A root with `count` bases, made once per size and kept for every iteration.
QString rootWithBases(int count) {
    static std::map<int, std::unique_ptr<QTemporaryDir>> roots;
    auto& dir = roots[count];
    if (!dir) {
        dir = std::make_unique<QTemporaryDir>();
        for (int i = 0; i < count; ++i) {
            const QString folder = dir->filePath(QStringLiteral("ORQ_DADOS/BASE_%1").arg(i));
            QDir().mkpath(folder);
            QFile fdb(folder + QStringLiteral("/ORQ.FDB"));
            fdb.open(QIODevice::WriteOnly);
            fdb.resize(1024 * (i % 5000));
        }
    }
    return dir->path();
}

void BM_ScanBases(benchmark::State& state) {
    const QString root = rootWithBases(int(state.range(0)));
    for (auto _ : state) {
        const QStringList lines = orq::scanBases(root, ptBR()).lines;
        benchmark::DoNotOptimize(lines.size());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_ScanBases)->Arg(10000)->Unit(benchmark::kMillisecond);

QString catalogueWithLines(int count) {
    static std::map<int, std::unique_ptr<QTemporaryDir>> roots;
    auto& dir = roots[count];
    if (!dir) {
        dir = std::make_unique<QTemporaryDir>();
        orq::sys::TextList list;
        for (int i = 0; i < count; ++i)
            list.lines.append(orq::encodeCatalogueLine({QStringLiteral("BASE %1").arg(i),
                                                        QStringLiteral("05/03/2013 14:07:09"),
                                                        QStringLiteral("%1,56").arg(i % 100000)}));
        list.saveToFile(dir->filePath(QStringLiteral("ORQDados.csv")));
    }
    return dir->filePath(QStringLiteral("ORQDados.csv"));
}

void BM_LoadCatalogue(benchmark::State& state) {
    const QString path = catalogueWithLines(int(state.range(0)));
    for (auto _ : state) {
        orq::sys::TextList list;
        list.loadFromFile(path);
        benchmark::DoNotOptimize(list.lines.size());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_LoadCatalogue)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_LoadAndDecodeCatalogue(benchmark::State& state) {
    const QString path = catalogueWithLines(int(state.range(0)));
    for (auto _ : state) {
        orq::sys::TextList list;
        list.loadFromFile(path);
        qsizetype fields = 0;
        for (const QString& line : list.lines)
            fields += orq::decodeCatalogueLine(line).size();
        benchmark::DoNotOptimize(fields);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_LoadAndDecodeCatalogue)->Arg(100000)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
