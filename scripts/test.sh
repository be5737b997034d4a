#!/usr/bin/env bash
# Runs every test: the unit tests and the end-to-end cases, once in the
# normal build (build/) and once in a build with AddressSanitizer and
# UndefinedBehaviorSanitizer (build-asan/). Fails when any test fails or
# any sanitizer reports.
#
#   scripts/test.sh
#   BUILD_DIR=... ASAN_BUILD_DIR=... scripts/test.sh    other build places
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

if [ $status -ne 0 ]; then
    echo "test.sh: FAILED"
else
    echo "test.sh: all tests passed in both builds"
fi
exit $status
