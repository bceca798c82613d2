#!/usr/bin/env bash
# Installs what is missing, builds, runs every test in a normal and a sanitizer build.
# Exits non-zero on any failure.
set -euo pipefail
ORQ_ROOT=$(cd "$(dirname "$0")/.." && pwd)
source "$ORQ_ROOT/scripts/lib.sh"

ensure_packages

# The database tests talk to a private Firebird server on 127.0.0.1:3055 (scripts/firebird.sh),
# whose instance folder lives beside the builds and is reused from run to run. It runs for both
# test runs and is stopped however this script ends, unless it was already running before (then
# it belongs to whoever started it).
export ORQ_FIREBIRD="${ORQ_FIREBIRD:-$ORQ_ROOT/build-firebird}"
firebird_started=0
stop_firebird() {
    if ((firebird_started)); then
        firebird_started=0
        bash "$ORQ_ROOT/scripts/firebird.sh" stop "$ORQ_FIREBIRD" ||
            echo "test.sh: the Firebird server in $ORQ_FIREBIRD did not stop" >&2
    fi
}
trap stop_firebird EXIT
trap 'exit 130' INT
trap 'exit 143' TERM HUP
start_firebird() {
    bash "$ORQ_ROOT/scripts/firebird.sh" status "$ORQ_FIREBIRD" >/dev/null && return 0
    firebird_started=1
    bash "$ORQ_ROOT/scripts/firebird.sh" start "$ORQ_FIREBIRD"
}

build build
start_firebird
(cd "$ORQ_ROOT/build" && ctest --output-on-failure -j2)

# AddressSanitizer + UndefinedBehaviorSanitizer over the same tests.
build build-asan -DORQ_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1
export LSAN_OPTIONS="suppressions=$ORQ_ROOT/scripts/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
start_firebird
(cd "$ORQ_ROOT/build-asan" && ctest --output-on-failure -j2)

# Each fuzz target for about 20 s on a copy of its seeds, under ASan/UBSan (clang's libFuzzer).
bash "$ORQ_ROOT/scripts/fuzz.sh" --ci

# ThreadSanitizer over the tests of the worker threads (the state-suffix batch and its workers).
cmake -S "$ORQ_ROOT" -B "$ORQ_ROOT/build-tsan" -DORQ_TSAN=ON -DCMAKE_BUILD_TYPE=Debug \
    -DORQ_BENCH=OFF >/dev/null
cmake --build "$ORQ_ROOT/build-tsan" -j"$(nproc)" --target test_maintenance_rename_batch \
    test_maintenance_state_suffix
export TSAN_OPTIONS="halt_on_error=1:suppressions=$ORQ_ROOT/scripts/tsan.supp"
start_firebird
(cd "$ORQ_ROOT/build-tsan" && ctest --output-on-failure -R '^test_maintenance_(rename_batch|state_suffix)$')
