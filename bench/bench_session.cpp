// The window's hot paths at the size of large roots, each beside a floor run in the same binary:
// one keystroke in the filter box (filter and refill of the list) and the refill of a sorted
// list, for catalogues of 1 000 to 1 000 000 lines.

#include "catalogue/CatalogueLine.h"
#include "listview/ORQListViewModel.h"
#include "listview/uTORQListView.h"
#include "session/BaseChooser.h"
#include "system/TextList.h"

#include <QDir>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <map>
#include <memory>
#include <vector>

namespace {

const orq::sys::RegionalSettings& ptBR() {
    static const auto settings = orq::sys::RegionalSettings::forLocale(QLocale("pt_BR"));
    return settings;
}

// Catalogue lines as a scan writes them, in a scrambled but repeatable order.
QStringList catalogueLines(int count) {
    QStringList lines;
    lines.reserve(count);
    for (int i = 0; i < count; ++i) {
        const int n = int((qint64(i) * 7919) % count);
        lines << orq::encodeCatalogueLine(
            {QStringLiteral("BASE_%1").arg(n, 7, 10, QChar(u'0')),
             QStringLiteral("%1/%2/20%3 1%4:0%5:1%6")
                 .arg(1 + n % 28, 2, 10, QChar(u'0'))
                 .arg(1 + n % 12, 2, 10, QChar(u'0'))
                 .arg(10 + n % 15)
                 .arg(n % 10)
                 .arg(n % 10)
                 .arg(n % 7),
             QStringLiteral("%1,%2").arg(n % 90000).arg(n % 100, 2, 10, QChar(u'0'))});
    }
    return lines;
}

// A root whose catalogue has count lines, made once per size (there is no ORQ_DADOS: the
// catalogue is what the window shows).
QString rootWithCatalogue(int count) {
    static std::map<int, std::unique_ptr<QTemporaryDir>> roots;
    auto& dir = roots[count];
    if (!dir) {
        dir = std::make_unique<QTemporaryDir>();
        QDir(dir->path()).mkpath(QStringLiteral("ORQ_DADOS"));
        orq::sys::TextList list;
        list.lines = catalogueLines(count);
        list.saveToFile(dir->filePath(QStringLiteral("ORQDados.csv")));
    }
    return dir->path();
}

struct Window {
    Window() : list(ptBR()), model(list), program(), chooser(list, program.path(), ptBR()) {
        list.addColumn(QStringLiteral("Nome"), 356, Qt::AlignLeft);
        list.addColumn(QStringLiteral("Data/Hora"), 115, Qt::AlignHCenter);
        list.addColumn(QStringLiteral("Tamanho"), 86, Qt::AlignRight);
        list.setORQOrdenarColumnClick(true);
        list.setDesabilitarBusca(true);
    }
    orq::TORQListView list;
    orq::ORQListViewModel model;
    QTemporaryDir program;
    orq::BaseChooser chooser;
};

// "b" is a first letter that keeps every line; "base_0001" a later one that keeps one in a
// hundred. Argument 1: the user has sorted by "Nome" first, so every refill ends in a sort.
const char* const kTyped[] = {"b", "base_0001"};

void BM_Keystroke(benchmark::State& state) {
    Window window;
    const int lines = int(state.range(0));
    window.chooser.open(rootWithCatalogue(lines));
    if (state.range(2) == 1)
        window.list.ColClick(window.list.column(0));
    const QString typed = QString::fromLatin1(kTyped[state.range(1)]);
    // The first refill after a new sort column ranks the catalogue by it (about one sort of
    // every line); the keystrokes after it are what is measured.
    window.chooser.filter(typed);
    for (auto _ : state) {
        window.chooser.filter(typed);
        benchmark::DoNotOptimize(window.list.rowCount());
    }
    state.SetItemsProcessed(state.iterations() * lines);
}
BENCHMARK(BM_Keystroke)
    ->ArgNames({"lines", "typed", "sorted"})
    ->ArgsProduct({{1000, 10000, 100000, 1000000}, {0, 1}, {0, 1}})
    ->Unit(benchmark::kMillisecond);

// The floor: a substring scan of the same lines into a vector of the matching ones, the lines
// and the text upper-cased beforehand so only the scan is timed.
void BM_KeystrokeFloor(benchmark::State& state) {
    const int lines = int(state.range(0));
    QStringList all = catalogueLines(lines);
    for (QString& line : all)
        line = line.toUpper();
    const QString typed = QString::fromLatin1(kTyped[state.range(1)]).toUpper();
    for (auto _ : state) {
        std::vector<const QString*> shown;
        shown.reserve(size_t(lines));
        for (const QString& line : all)
            if (line.contains(typed))
                shown.push_back(&line);
        benchmark::DoNotOptimize(shown.data());
    }
    state.SetItemsProcessed(state.iterations() * lines);
}
BENCHMARK(BM_KeystrokeFloor)
    ->ArgNames({"lines", "typed", "sorted"})
    ->ArgsProduct({{1000, 10000, 100000, 1000000}, {0, 1}, {0, 1}})
    ->Unit(benchmark::kMillisecond);

// The refresh path: every line back in the list, sorted by "Nome".
void BM_RefillSorted(benchmark::State& state) {
    Window window;
    const int lines = int(state.range(0));
    window.chooser.open(rootWithCatalogue(lines));
    window.list.ColClick(window.list.column(0));
    for (auto _ : state) {
        window.chooser.filter(QString());
        benchmark::DoNotOptimize(window.list.rowCount());
    }
    state.SetItemsProcessed(state.iterations() * lines);
}
BENCHMARK(BM_RefillSorted)->ArgName("lines")->Arg(100000)->Unit(benchmark::kMillisecond);

// The floor: the same rows built into a vector and sorted by keys computed beforehand.
void BM_RefillSortedFloor(benchmark::State& state) {
    const int lines = int(state.range(0));
    const QStringList all = catalogueLines(lines);
    std::vector<QStringList> records;
    for (const QString& line : all)
        records.push_back(orq::decodeCatalogueLine(line));
    for (auto _ : state) {
        struct Row {
            QString key;
            QString caption;
            QStringList subItems;
        };
        std::vector<Row> rows;
        rows.reserve(records.size());
        for (const QStringList& record : records)
            rows.push_back({record.at(0), record.at(0), record.mid(1)});
        std::sort(rows.begin(), rows.end(),
                  [](const Row& a, const Row& b) { return a.key < b.key; });
        benchmark::DoNotOptimize(rows.data());
    }
    state.SetItemsProcessed(state.iterations() * lines);
}
BENCHMARK(BM_RefillSortedFloor)->ArgName("lines")->Arg(100000)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
