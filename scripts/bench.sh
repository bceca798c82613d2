#!/usr/bin/env bash
# Builds the benchmarks in release mode and runs them; prints the figures, judges nothing.
set -euo pipefail
ORQ_ROOT=$(cd "$(dirname "$0")/.." && pwd)
source "$ORQ_ROOT/scripts/lib.sh"

ensure_packages
cmake -S "$ORQ_ROOT" -B "$ORQ_ROOT/build-bench" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$ORQ_ROOT/build-bench" -j"$(nproc)" --target bench_catalogue bench_listview
for bench in bench_catalogue bench_listview; do
    "$ORQ_ROOT/build-bench/bin/$bench" "$@"
done
