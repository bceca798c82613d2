#!/usr/bin/env bash
# Builds the benchmarks in release mode, runs them, and prints every benchmark beside the floor
# run in the same binary, with the ratio and whether its target is met. The figures and the plot
# of keystroke time against catalogue lines land in build-bench/results/.
# Arguments go to every benchmark binary (e.g. --benchmark_filter=Keystroke).
set -euo pipefail
ORQ_ROOT=$(cd "$(dirname "$0")/.." && pwd)
source "$ORQ_ROOT/scripts/lib.sh"

ensure_packages python3 gnuplot-nox
cmake -S "$ORQ_ROOT" -B "$ORQ_ROOT/build-bench" -DCMAKE_BUILD_TYPE=Release -DORQ_BENCH=ON >/dev/null
cmake --build "$ORQ_ROOT/build-bench" -j"$(nproc)" --target bench_catalogue bench_listview \
    bench_session bench_copy bench_rename
results="$ORQ_ROOT/build-bench/results"
mkdir -p "$results"
# bench_copy writes a 1 GiB file (and copies of it) in $TMPDIR, or /tmp, and removes them.
for bench in bench_catalogue bench_listview bench_session bench_copy; do
    "$ORQ_ROOT/build-bench/bin/$bench" --benchmark_out="$results/$bench.json" \
        --benchmark_out_format=json "$@"
done

# The state-suffix batch needs the private Firebird server; one is started for it unless one runs.
firebird="${ORQ_FIREBIRD:-$ORQ_ROOT/build-firebird}"
if ! bash "$ORQ_ROOT/scripts/firebird.sh" status "$firebird" >/dev/null; then
    bash "$ORQ_ROOT/scripts/firebird.sh" start "$firebird"
    trap 'bash "$ORQ_ROOT/scripts/firebird.sh" stop "$firebird"' EXIT
fi
"$ORQ_ROOT/build-bench/bin/bench_rename" --benchmark_out="$results/bench_rename.json" \
    --benchmark_out_format=json "$@"

echo
python3 "$ORQ_ROOT/bench/ratios.py" "$results"/bench_*.json --plot "$results" \
    --target BM_ScanBases/=1.3x \
    --target BM_Keystroke/lines:100000/=16ms \
    --target BM_Keystroke/lines:10000/=4ms \
    --target BM_RefillSorted/lines:100000=60ms \
    --target BM_Agrupar/=150ms \
    --target BM_Filtrar/=16ms \
    --target BM_SearchStep/=2ms
