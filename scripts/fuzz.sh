#!/usr/bin/env bash
# Builds the libFuzzer targets of tests/fuzz with clang (AddressSanitizer and
# UndefinedBehaviorSanitizer) in build-fuzz/ and runs each for a given time
# on its seed corpus (drawn from the test cases) with the language's
# dictionary. Fails when any target finds a crash, a leak or a hang; the
# input that did it is kept in build-fuzz/fuzz-artifacts/.
#
#   scripts/fuzz.sh                      every target for 60 seconds
#   scripts/fuzz.sh 3600                 every target for an hour
#   scripts/fuzz.sh 30 template checker  two targets for 30 seconds
#   FUZZ_JOBS=2 scripts/fuzz.sh 30       two targets at a time
#   FUZZ_BUILD_DIR=...                   another build place
#
# The corpus each target grows is kept in build-fuzz/fuzz-corpus/TARGET and
# used again by the next run.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build_dir=${FUZZ_BUILD_DIR:-$root/build-fuzz}
seconds=${1:-60}
shift || true
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
    targets=(query_string urlencoded_body multipart cookies expression template checker)
fi
jobs=${FUZZ_JOBS:-1}

# Light optimisation and line tables only: quick to build, fast enough to
# fuzz, and sanitizer reports still name file and line.
CC=${CC:-clang} CXX=${CXX:-clang++} cmake -S "$root" -B "$build_dir" -DKAVR_FUZZ=ON \
    -DCMAKE_BUILD_TYPE=Fuzz -DCMAKE_CXX_FLAGS_FUZZ="-O1 -gline-tables-only" \
    -DCMAKE_C_FLAGS_FUZZ="-O1 -gline-tables-only" > /dev/null
cmake --build "$build_dir" -j2 --target fuzz_targets

seeds=$build_dir/fuzz-seeds
rm -rf "$seeds"
python3 "$root/tests/fuzz/make_seeds.py" "$seeds" > /dev/null
mkdir -p "$build_dir/fuzz-artifacts" "$build_dir/fuzz-logs"

# A sanitizer report ends the run with the input that caused it; leaks count.
export ASAN_OPTIONS=${FUZZ_ASAN_OPTIONS:-detect_leaks=1:abort_on_error=0:halt_on_error=1}
export UBSAN_OPTIONS=${FUZZ_UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

run_one() {
    local t=$1
    local corpus=$build_dir/fuzz-corpus/$t
    mkdir -p "$corpus"
    # Each input must end within 10 s (a hang is a finding); memory is capped.
    if "$build_dir/fuzz/fuzz_$t" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
        -max_len=65536 -dict="$root/tests/fuzz/kavr.dict" -print_final_stats=1 \
        -artifact_prefix="$build_dir/fuzz-artifacts/$t-" \
        "$corpus" "$seeds/$t" > "$build_dir/fuzz-logs/$t.log" 2>&1; then
        local runs
        runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$build_dir/fuzz-logs/$t.log")
        echo "fuzz: $t: ${runs:-?} inputs in ${seconds} s, nothing found"
    else
        echo "fuzz: $t: FOUND A PROBLEM (log: $build_dir/fuzz-logs/$t.log)"
        grep -E "ERROR|SUMMARY|Test unit written|runtime error" "$build_dir/fuzz-logs/$t.log" | head -20
        return 1
    fi
}

status=0
pids=()
for t in "${targets[@]}"; do
    run_one "$t" &
    pids+=($!)
    if [ ${#pids[@]} -ge "$jobs" ]; then
        wait "${pids[0]}" || status=1
        pids=("${pids[@]:1}")
    fi
done
for p in "${pids[@]}"; do
    wait "$p" || status=1
done
[ $status -eq 0 ] && echo "fuzz: all targets ran clean" || echo "fuzz: FAILED"
exit $status
