#!/usr/bin/env bash
# libFuzzer runs over the code that reads what users, editors and other machines write: the
# catalogue line decoder, the text-list loader, the ini reader and writer, the path rules and the
# sort keys (tests/fuzz). Builds them in build-fuzz with clang, AddressSanitizer and
# UndefinedBehaviorSanitizer.
#
#   scripts/fuzz.sh [TARGET|all] [SECONDS]   long runs, 60 s a target unless told; each target's
#                                            corpus grows in build-fuzz/corpus/TARGET from the
#                                            seeds in tests/fuzz/corpus/TARGET
#   scripts/fuzz.sh --ci                     every target for about 20 s on a copy of its seeds
#
# Prints the executions done per target. A crash or a broken property fails the script; the
# input that caused it is kept in build-fuzz/crashes/ and named in the output.
set -euo pipefail
ORQ_ROOT=$(cd "$(dirname "$0")/.." && pwd)
source "$ORQ_ROOT/scripts/lib.sh"

targets=(catalogue_line text_list private_profile path_rules sort_keys)
usage() {
    echo "usage: scripts/fuzz.sh [--ci | TARGET|all [SECONDS]]  (targets: ${targets[*]})" >&2
    exit 2
}

ci=0
if [[ ${1:-} == --ci ]]; then
    ci=1
    (($# == 1)) || usage
    chosen=("${targets[@]}")
    seconds=20
else
    target=${1:-all}
    seconds=${2:-60}
    (($# <= 2)) || usage
    [[ $seconds =~ ^[1-9][0-9]*$ ]] || usage
    if [[ $target == all ]]; then
        chosen=("${targets[@]}")
    elif [[ " ${targets[*]} " == *" $target "* ]]; then
        chosen=("$target")
    else
        usage
    fi
fi

ensure_packages clang-14 libclang-rt-14-dev

# Debug keeps Qt's and our own assertions (bounds of every QString and QList index among them),
# which catch faults a sanitizer cannot see inside a valid allocation; -O1 keeps the runs fast.
build_dir="$ORQ_ROOT/build-fuzz"
CC=clang-14 CXX=clang++-14 cmake -S "$ORQ_ROOT" -B "$build_dir" -DORQ_FUZZ=ON \
    -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 \
    -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-g -O1" >/dev/null
cmake --build "$build_dir" -j"$(nproc)" --target fuzz

# The targets that write files do it in a scratch folder of their process under TMPDIR; on a
# RAM disk a run does several times the executions, since every write is flushed to disk.
scratch_parent=/dev/shm
[[ -d $scratch_parent && -w $scratch_parent ]] || scratch_parent="$build_dir"
work=$(mktemp -d "$scratch_parent/orqfuzz.XXXXXX")
trap 'rm -rf "$work"' EXIT
trap 'exit 130' INT
trap 'exit 143' TERM HUP

crashes="$build_dir/crashes"
mkdir -p "$crashes"
export ASAN_OPTIONS=detect_leaks=1:strict_string_checks=1
export LSAN_OPTIONS="suppressions=$ORQ_ROOT/scripts/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

failed=()
for name in "${chosen[@]}"; do
    seeds="$ORQ_ROOT/tests/fuzz/corpus/$name"
    corpus_args=()
    if ((ci)); then
        # A copy: what the run finds must never reach the committed seeds.
        corpus="$work/corpus-$name"
        cp -r "$seeds" "$corpus"
        corpus_args=("$corpus")
    else
        corpus="$build_dir/corpus/$name"
        mkdir -p "$corpus"
        corpus_args=("$corpus" "$seeds") # new inputs go to the first folder only
    fi
    log="$work/$name.log"
    mkdir -p "$work/tmp-$name"
    rc=0
    (cd "$work" && TMPDIR="$work/tmp-$name" "$build_dir/bin/fuzz_$name" \
        -max_total_time="$seconds" -print_final_stats=1 -timeout=30 -rss_limit_mb=2048 \
        -artifact_prefix="$crashes/$name-" "${corpus_args[@]}") >"$log" 2>&1 || rc=$?
    executed=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
    if ((rc == 0)); then
        printf 'fuzz_%s: %s executions in %s s, no fault\n' "$name" "${executed:-?}" "$seconds"
        continue
    fi
    failed+=("$name")
    input=$(sed -n 's/.*Test unit written to //p' "$log" | tail -n 1)
    printf 'fuzz_%s: FAILED (exit status %d) after %s executions\n' "$name" "$rc" "${executed:-?}"
    # The property that broke or the sanitizer's report, without libFuzzer's chatter.
    grep -E 'property broken|^  |ERROR|SUMMARY|^    #[0-9]' "$log" | head -n 40 | sed 's/^/    /'
    if [[ -n $input ]]; then
        echo "    crash input: $input"
        echo "    reproduce:   $build_dir/bin/fuzz_$name $input"
    else
        echo "    no input was saved; the whole log:"
        sed 's/^/    /' "$log" | tail -n 60
    fi
done

if ((${#failed[@]})); then
    echo "fuzz.sh: faults in ${failed[*]}" >&2
    exit 1
fi
