#!/usr/bin/env bash
# Runs every test: the unit tests and the end-to-end cases, once in the
# normal build (build/) and once in a build with AddressSanitizer and
# UndefinedBehaviorSanitizer (build-asan/); then a short run of every fuzz
# target on its seed corpus (build-fuzz/, clang). Fails when any test fails,
# any sanitizer reports or a fuzz target finds anything.
#
#   scripts/test.sh
#   BUILD_DIR=... ASAN_BUILD_DIR=... scripts/test.sh    other build places
#   FUZZ_SMOKE_SECONDS=0 scripts/test.sh    no fuzzing (default 20 s a target)
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build_dir=${BUILD_DIR:-$root/build}
asan_dir=${ASAN_BUILD_DIR:-$root/build-asan}

BUILD_DIR=$build_dir "$root/scripts/setup.sh"

cmake -S "$root" -B "$asan_dir" -DKAVR_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug > /dev/null
cmake --build "$asan_dir" -j2

# A sanitizer report must fail the run even where the program would go on.
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=0:halt_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

status=0
echo "== tests in $build_dir"
ctest --test-dir "$build_dir" --output-on-failure -j2 || status=1
echo "== tests in $asan_dir (AddressSanitizer, UndefinedBehaviorSanitizer)"
ctest --test-dir "$asan_dir" --output-on-failure -j2 || status=1
smoke=${FUZZ_SMOKE_SECONDS:-20}
if [ "$smoke" != 0 ]; then
    echo "== fuzz targets, $smoke s each on their seed corpora"
    FUZZ_JOBS=2 "$root/scripts/fuzz.sh" "$smoke" || status=1
fi

if [ $status -ne 0 ]; then
    echo "test.sh: FAILED"
else
    echo "test.sh: all tests passed in both builds"
fi
exit $status
