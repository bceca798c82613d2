#!/usr/bin/env bash
# Installs what is missing, builds, runs every test in a normal and a sanitizer build.
# Exits non-zero on any failure.
set -euo pipefail
ORQ_ROOT=$(cd "$(dirname "$0")/.." && pwd)
source "$ORQ_ROOT/scripts/lib.sh"

ensure_packages

build build
(cd "$ORQ_ROOT/build" && ctest --output-on-failure -j2)

# AddressSanitizer + UndefinedBehaviorSanitizer over the same tests.
build build-asan -DORQ_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1
export LSAN_OPTIONS="suppressions=$ORQ_ROOT/scripts/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
(cd "$ORQ_ROOT/build-asan" && ctest --output-on-failure -j2)
