// Catalogue figures: scanning a root of many bases, and loading and decoding a large catalogue.
#include "catalogue/BaseScan.h"
#include "catalogue/CatalogueLine.h"
#include "system/TextList.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <dirent.h>
#include <sys/stat.h>

#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

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

// The floor: readdir of ORQ_DADOS, one fstatat per folder (its ORQ.FDB) and a catalogue line
// formatted per base, without Qt.
void BM_ScanBasesFloor(benchmark::State& state) {
    const std::string folder = (rootWithBases(int(state.range(0))) + "/ORQ_DADOS").toStdString();
    for (auto _ : state) {
        std::vector<std::string> lines;
        DIR* dir = opendir(folder.c_str());
        const int fd = dirfd(dir);
        while (const dirent* entry = readdir(dir)) {
            if (entry->d_name[0] == '.')
                continue;
            const std::string fdb = std::string(entry->d_name) + "/ORQ.FDB";
            struct stat info {};
            if (fstatat(fd, fdb.c_str(), &info, 0) != 0)
                continue;
            char line[512];
            struct tm when {};
            localtime_r(&info.st_mtime, &when);
            std::snprintf(line, sizeof line, "%s,%02d/%02d/%04d %02d:%02d:%02d,%lld,%02lld",
                          entry->d_name, when.tm_mday, when.tm_mon + 1, when.tm_year + 1900,
                          when.tm_hour, when.tm_min, when.tm_sec,
                          static_cast<long long>(info.st_size / 1024 / 1024),
                          static_cast<long long>(info.st_size / 10240 % 100));
            lines.emplace_back(line);
        }
        closedir(dir);
        benchmark::DoNotOptimize(lines.data());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_ScanBasesFloor)->Arg(10000)->Unit(benchmark::kMillisecond);

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
