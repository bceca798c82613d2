// Writes one of the files the program replaces, through the program's own write path, for the
// kill test: once, or over and over until it is killed. It prints "ready" once everything before
// the first write is done, so the kills fall among the writes and not into the start-up, and
// "written" after each write.
//
//   reliability_writer ini|hosts|catalogue FOLDER once|loop [STEP]
//
// FOLDER holds "programa" (orqcon.ini, ORQDados.Hosts.txt) and "raiz" (ORQDados.csv), put in
// place by the test. Each write enters the base orqcon.ini does not name, remembers one root more,
// or saves the catalogue version STEP picks (1 unless given; the same version every time, so the
// writer makes one catalogue only).
#include "ReliabilityBench.h"

#include "system/Error.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    const auto file = args.size() >= 3 ? orqtest::writtenFileNamed(args[0]) : std::nullopt;
    const bool loop = args.size() >= 3 && args[2] == QStringLiteral("loop");
    if (!file || (!loop && args[2] != QStringLiteral("once"))) {
        std::fputs("usage: reliability_writer ini|hosts|catalogue FOLDER once|loop [STEP]\n",
                   stderr);
        return 2;
    }
    const int step = args.size() >= 4 ? args[3].toInt() : 1;
    orqtest::Bench bench(args[1] + QStringLiteral("/programa"), args[1] + QStringLiteral("/raiz"));
    try {
        switch (*file) {
        case orqtest::WrittenFile::Ini:
            bench.chooser.open(bench.root);
            break;
        case orqtest::WrittenFile::Hosts:
            bench.chooser.loadHosts();
            break;
        case orqtest::WrittenFile::Catalogue:
            bench.catalogue(step);
            break;
        }
        std::fputs("ready\n", stdout);
        std::fflush(stdout);
        do {
            orqtest::writeNext(*file, bench, step);
            std::fputs("written\n", stdout);
            std::fflush(stdout);
        } while (loop);
    } catch (const orq::Error& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
    return 0;
}
