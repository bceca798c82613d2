#!/usr/bin/env bash
# Builds the benchmarks in release mode, runs them, and prints every benchmark beside the floor
# run in the same binary, with the ratio and whether its target is met. The figures and the plot
# of keystroke time against catalogue lines land in build-bench/results/.
# Arguments go to every benchmark binary (e.g. --benchmark_filter=Keystroke).
set -euo pipefail
ORQ_ROOT=$(cd "$(dirname "$0")/.." && pwd)
source "$ORQ_ROOT/scripts/lib.sh"

# The window timings read the program off an X server and type into it through XTest.
ensure_packages python3 gnuplot-nox libxtst-dev
cmake -S "$ORQ_ROOT" -B "$ORQ_ROOT/build-bench" -DCMAKE_BUILD_TYPE=Release -DORQ_BENCH=ON >/dev/null
cmake --build "$ORQ_ROOT/build-bench" -j"$(nproc)" --target bench_catalogue bench_listview \
    bench_session bench_copy bench_rename ORQDados window_timing empty_window
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

# The program as a user meets it: start, header click, typing and memory with a 100 000-line
# catalogue, read off a virtual screen without a window manager, in the locale the program is
# made for.
LANG=pt_BR.UTF-8 xvfb-run -a -s "-screen 0 1280x1024x24" "$ORQ_ROOT/build-bench/bin/window_timing" \
    "$ORQ_ROOT/build-bench/bin/ORQDados" "$ORQ_ROOT/build-bench/bin/empty_window" \
    "$results/bench_window.json" 100000 5 >/dev/null

echo
python3 "$ORQ_ROOT/bench/ratios.py" "$results"/bench_*.json --plot "$results" \
    --target BM_ScanBases/=1.3x \
    --target BM_Keystroke/lines:100000/=16ms \
    --target BM_Keystroke/lines:10000/=4ms \
    --target BM_RefillSorted/lines:100000=60ms \
    --target BM_Agrupar/=150ms \
    --target BM_Filtrar/=16ms \
    --target BM_SearchStep/=2ms \
    --target BM_StartToFirstFrame/=250ms \
    --target BM_HeaderClickRepaint/=150ms \
    --target BM_KeystrokeRepaint/=16ms \
    --target BM_PeakMemory/=100MB
