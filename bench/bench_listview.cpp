// The list of bases at the size of a large server root: 100 000 rows, refilled and sorted by
// each of its three columns under pt_BR settings.

#include "listview/ORQListViewModel.h"
#include "listview/uTORQListView.h"

#include <benchmark/benchmark.h>

#include <QList>
#include <QStringList>

#include <cstdint>
#include <unordered_map>
#include <vector>

namespace {

constexpr int kRows = 100000;

struct Cells {
    QString name;
    QString dateTime;
    QString size;
};

// Rows in a scrambled but repeatable order, with texts shaped like the catalogue's.
const QList<Cells>& baseRows() {
    static const QList<Cells> rows = [] {
        QList<Cells> out;
        out.reserve(kRows);
        std::uint32_t seed = 12345;
        auto next = [&seed] {
            seed = seed * 1664525u + 1013904223u;
            return seed >> 8;
        };
        for (int i = 0; i < kRows; ++i) {
            const int number = int((std::int64_t(i) * 7919) % kRows);
            const std::uint32_t r = next();
            const QString dateTime = QString::asprintf("%02u/%02u/%04u %02u:%02u:%02u", 1 + r % 28,
                                                       1 + (r / 28) % 12, 2005 + (r / 336) % 20,
                                                       (r / 7) % 24, (r / 11) % 60, (r / 13) % 60);
            const std::uint32_t kilobytes = next() % 5000000;
            const std::uint32_t cents = next() % 100;
            QString size = QString::number(kilobytes);
            for (qsizetype at = size.size() - 3; at > 0; at -= 3)
                size.insert(at, u'.');
            size += QString::asprintf(",%02u", cents);
            out.append({QString::asprintf("BASE_%05d", number), dateTime, size});
        }
        return out;
    }();
    return rows;
}

void addAll(orq::ListStore& list) {
    for (const Cells& cells : baseRows()) {
        orq::ListRow& row = list.addRow();
        row.setCaption(cells.name);
        row.appendSubItem(cells.dateTime);
        row.appendSubItem(cells.size);
    }
}

struct BaseList {
    BaseList()
        : list(orq::sys::RegionalSettings::forLocale(QLocale(QStringLiteral("pt_BR")))),
          model(list) {
        list.addColumn(QStringLiteral("Nome"), 356, Qt::AlignLeft);
        list.addColumn(QStringLiteral("Data/Hora"), 115, Qt::AlignHCenter);
        list.addColumn(QStringLiteral("Tamanho"), 86, Qt::AlignRight);
        list.setDesabilitarBusca(true); // as the program's window has it
    }
    orq::TORQListView list;
    orq::ORQListViewModel model;
};

// A refill of the whole list; with the argument 1 the user has sorted "Nome" first, so the
// refill ends in the re-sort the window sees.
void BM_Refill(benchmark::State& state) {
    BaseList base;
    if (state.range(0) == 1)
        base.list.Ordenar(base.list.column(0));
    for (auto _ : state) {
        base.list.BeginUpdateORQ(kRows);
        base.list.clearRows();
        addAll(base.list);
        base.list.EndUpdateORQ();
        benchmark::DoNotOptimize(base.list.rowCount());
    }
    state.SetItemsProcessed(state.iterations() * kRows);
}
BENCHMARK(BM_Refill)->ArgName("sortedByName")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// One sort from the scrambled order; the column is the argument (0 name, 1 date/time, 2 size).
void BM_Sort(benchmark::State& state) {
    BaseList base;
    orq::ListColumn& column = base.list.column(int(state.range(0)));
    for (auto _ : state) {
        state.PauseTiming();
        base.list.beginUpdate();
        base.list.clearRows();
        addAll(base.list);
        base.list.endUpdate();
        state.ResumeTiming();
        base.list.Ordenar(column);
        benchmark::DoNotOptimize(base.list.rowCount());
    }
    state.SetItemsProcessed(state.iterations() * kRows);
}
BENCHMARK(BM_Sort)->Arg(0)->Arg(1)->Arg(2)->ArgName("column")->Unit(benchmark::kMillisecond);

// Sorting an already sorted list again (the second click on a header: the order reverses).
void BM_SortAgain(benchmark::State& state) {
    BaseList base;
    orq::ListColumn& column = base.list.column(int(state.range(0)));
    addAll(base.list);
    base.list.Ordenar(column);
    for (auto _ : state) {
        base.list.Ordenar(column);
        benchmark::DoNotOptimize(base.list.rowCount());
    }
    state.SetItemsProcessed(state.iterations() * kRows);
}
BENCHMARK(BM_SortAgain)->Arg(0)->Arg(1)->Arg(2)->ArgName("column")->Unit(benchmark::kMillisecond);

// ---- grouping, filtering and the incremental search, each beside a floor in the same run

// Grouping 100 000 rows by a column of 27 values (argument 27) or of distinct values (0), from no
// groups, with the model following as a view would; Agrupar runs from a header click.
std::vector<QString> groupTexts(int values) {
    std::vector<QString> texts;
    texts.reserve(kRows);
    for (int i = 0; i < kRows; ++i)
        texts.push_back(values > 0 ? QStringLiteral("Cidade %1").arg(i * 7919 % values)
                                   : baseRows()[i].name);
    return texts;
}

void BM_Agrupar(benchmark::State& state) {
    BaseList base;
    const std::vector<QString> texts = groupTexts(int(state.range(0)));
    for (const QString& text : texts)
        base.list.addRow().setCaption(text);
    base.list.setORQAgruparColumnClick(true);
    for (auto _ : state) {
        state.PauseTiming();
        base.list.setGroupView(false);
        base.list.clearGroups();
        state.ResumeTiming();
        base.list.ColClick(base.list.column(0));
        benchmark::DoNotOptimize(base.list.groupCount());
    }
    state.SetItemsProcessed(state.iterations() * kRows);
}
BENCHMARK(BM_Agrupar)->ArgName("values")->Arg(27)->Arg(0)->Unit(benchmark::kMillisecond);

// The floor: the same texts grouped with a plain hash map, one group id per row.
void BM_AgruparFloor(benchmark::State& state) {
    const std::vector<QString> texts = groupTexts(int(state.range(0)));
    for (auto _ : state) {
        std::unordered_map<QString, int> groups;
        std::vector<int> ids;
        ids.reserve(texts.size());
        for (const QString& text : texts)
            ids.push_back(groups.try_emplace(text, int(groups.size())).first->second);
        benchmark::DoNotOptimize(ids.data());
    }
    state.SetItemsProcessed(state.iterations() * kRows);
}
BENCHMARK(BM_AgruparFloor)->ArgName("values")->Arg(27)->Arg(0)->Unit(benchmark::kMillisecond);

// One keystroke of a filter box calling Filtrar over 100 000 rows, the snapshot already taken:
// "b" keeps every row, "base_1" about one in nine, "base_12345" one.
const char* const kPatterns[] = {"b", "base_1", "base_12345"};

void BM_Filtrar(benchmark::State& state) {
    BaseList base;
    addAll(base.list);
    base.list.Filtrar(QString()); // the snapshot
    const QString pattern = QString::fromLatin1(kPatterns[state.range(0)]);
    for (auto _ : state) {
        base.list.Filtrar(pattern);
        benchmark::DoNotOptimize(base.list.rowCount());
    }
    state.SetItemsProcessed(state.iterations() * kRows);
}
BENCHMARK(BM_Filtrar)->ArgName("pattern")->DenseRange(0, 2)->Unit(benchmark::kMillisecond);

// The floor: a substring scan of the same texts into a vector of matching positions.
void BM_FiltrarFloor(benchmark::State& state) {
    const QString pattern = QString::fromLatin1(kPatterns[state.range(0)]);
    for (auto _ : state) {
        std::vector<int> shown;
        shown.reserve(kRows);
        for (int i = 0; i < kRows; ++i)
            if (baseRows()[i].name.contains(pattern, Qt::CaseInsensitive))
                shown.push_back(i);
        benchmark::DoNotOptimize(shown.data());
    }
    state.SetItemsProcessed(state.iterations() * kRows);
}
BENCHMARK(BM_FiltrarFloor)->ArgName("pattern")->DenseRange(0, 2)->Unit(benchmark::kMillisecond);

// One search keystroke that no row matches: the whole pass, over the sorted column (0 the
// captions, 1 the date-times, 2 the sizes).
void BM_SearchStep(benchmark::State& state) {
    BaseList base;
    base.list.setDesabilitarBusca(false);
    addAll(base.list);
    base.list.Ordenar(base.list.column(int(state.range(0))));
    for (auto _ : state) {
        base.list.EndSearch();
        QChar key(u'z');
        base.list.KeyPress(key);
        benchmark::DoNotOptimize(base.list.selectedRow());
    }
    state.SetItemsProcessed(state.iterations() * kRows);
}
BENCHMARK(BM_SearchStep)->ArgName("column")->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);

// The first keystroke after a change of the rows outside a refill or a sort (those build the
// search index as they end), which builds the index first.
void BM_SearchFirstStep(benchmark::State& state) {
    BaseList base;
    base.list.setDesabilitarBusca(false);
    addAll(base.list);
    base.list.Ordenar(base.list.column(int(state.range(0))));
    for (auto _ : state) {
        state.PauseTiming();
        base.list.EndSearch();
        base.list.row(0).setImageIndex(0); // any change of the rows
        state.ResumeTiming();
        QChar key(u'z');
        base.list.KeyPress(key);
        benchmark::DoNotOptimize(base.list.selectedRow());
    }
    state.SetItemsProcessed(state.iterations() * kRows);
}
BENCHMARK(BM_SearchFirstStep)->ArgName("column")->Arg(0)->Arg(2)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
