#!/usr/bin/env bash
# Builds the benchmarks in release mode and runs them; prints the figures, judges nothing.
set -euo pipefail
ORQ_ROOT=$(cd "$(dirname "$0")/.." && pwd)
source "$ORQ_ROOT/scripts/lib.sh"

ensure_packages
cmake -S "$ORQ_ROOT" -B "$ORQ_ROOT/build-bench" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$ORQ_ROOT/build-bench" -j"$(nproc)" --target bench_catalogue bench_listview bench_copy \
    bench_rename
# bench_copy writes a 1 GiB file (and copies of it) in $TMPDIR, or /tmp, and removes them.
for bench in bench_catalogue bench_listview bench_copy; do
    "$ORQ_ROOT/build-bench/bin/$bench" "$@"
done

# The state-suffix batch needs the private Firebird server; one is started for it unless one runs.
firebird="${ORQ_FIREBIRD:-$ORQ_ROOT/build-firebird}"
if ! bash "$ORQ_ROOT/scripts/firebird.sh" status "$firebird" >/dev/null; then
    bash "$ORQ_ROOT/scripts/firebird.sh" start "$firebird"
    trap 'bash "$ORQ_ROOT/scripts/firebird.sh" stop "$firebird"' EXIT
fi
"$ORQ_ROOT/build-bench/bin/bench_rename" "$@"
