// The list of bases at the size of a large server root: 100 000 rows, refilled and sorted by
// each of its three columns under pt_BR settings.

#include "listview/ORQListViewModel.h"
#include "listview/uTORQListView.h"

#include <benchmark/benchmark.h>

#include <QList>
#include <QStringList>

#include <cstdint>

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

} // namespace

BENCHMARK_MAIN();
