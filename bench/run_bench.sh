#!/usr/bin/env bash
# Times whole kavr requests against a C floor and php-cgi: every request
# is a new process, each variant of a page prints the same bytes (checked
# before timing), the variants run alternately and the table shows medians
# and ratios.
#
#   bench/run_bench.sh [KAVR] [RUNS]      defaults: build/kavr, 21
#
# php-cgi (with its ODBC module for the database pages) is used when it is
# installed: apt-get install php-cgi php8.2-odbc.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/scripts/sqlite_odbc.sh"
kavr=$(realpath "${1:-$root/build/kavr}")
runs=${2:-21}
if [ ! -x "$kavr" ]; then
    echo "kavr not found: $kavr (build it with scripts/setup.sh)" >&2
    exit 1
fi
work=$(mktemp -d /tmp/kavr-bench-XXXXXX)
[ -n "${KAVR_BENCH_KEEP:-}" ] || trap 'rm -rf "$work"' EXIT
cc -O2 -o "$work/min_cgi" "$root/bench/min_cgi.c"
cc -O2 -o "$work/min_odbc" "$root/bench/min_odbc.c" -lodbc
mkdir -p "$work/odbc"
python3 "$root/bench/make_site.py" "$work" "$kavr" "$root/sample/cgi-bin/kavr_msg.ini"
write_sqlite_odbc_ini "$work/odbc" kavr_bench "$work/odbc/bench.db"
python3 "$root/bench/time_pages.py" "$work" "$runs"
