#!/usr/bin/env bash
# Times whole kavr requests against a minimal C CGI program that prints the
# same bytes, and prints the median of each and their ratio.
#
#   bench/run_bench.sh [KAVR] [RUNS]      defaults: build/kavr, 200
#
# Every request is a new process, so the time of one request is start-up,
# configuration, decoding and the page itself. Each page is run RUNS times
# for each program, alternating, with standard output thrown away.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/scripts/sqlite_odbc.sh"
kavr=$(realpath "${1:-$root/build/kavr}")
runs=${2:-200}
if [ ! -x "$kavr" ]; then
    echo "kavr not found: $kavr (build it with scripts/setup.sh)" >&2
    exit 1
fi

work=$(mktemp -d /tmp/kavr-bench-XXXXXX)
trap 'rm -rf "$work"' EXIT
site=$work/site
mkdir -p "$site/cgi-bin" "$site/templates"
ln -s "$kavr" "$site/cgi-bin/kavr"
cc -O2 -o "$work/min_cgi" "$root/bench/min_cgi.c"

cat > "$site/cgi-bin/kavri.ini" <<INI
[Template]
TmpLogicalPath1=/site
TmpPhysicalPath1=$site/templates
[Log]
LogLevel=0
[ODBC]
SQLDataSource1=kavr_bench
INI
cp "$root/sample/cgi-bin/kavr_msg.ini" "$site/cgi-bin/kavr_msg.ini"
cp "$root/sample/templates/hello.htm" "$site/templates/hello.htm"

# A SQLite database of 1000 rows behind the data source kavr_bench, with
# the driver manager's files of its own (the requests get ODBCSYSINI and
# ODBCINI), and two pages that print every row.
mkdir -p "$site/odbc"
python3 - "$site/odbc/bench.db" <<'PY'
import sqlite3, sys
con = sqlite3.connect(sys.argv[1])
con.execute("CREATE TABLE items (id integer PRIMARY KEY, grp varchar(10), name varchar(40), price numeric(8,2))")
con.executemany("INSERT INTO items VALUES (?, ?, ?, ?)",
                [(i, "group%02d" % (i // 50), "item number %d" % i, i * 0.25) for i in range(1, 1001)])
con.commit()
con.close()
PY
write_sqlite_odbc_ini "$site/odbc" kavr_bench "$site/odbc/bench.db"
cat > "$site/templates/print1000.kvl" <<'KVL'
<kavdbquery name="Items" datasource="kavr_bench" sql="SELECT id, grp, name, price FROM items ORDER BY id">
<kavprint query="Items" group="grp"><h2>#grp#</h2>
<ul><kavprint><li>#id#: #name#, #price#</li>
</kavprint></ul>
</kavprint>
KVL
cat > "$site/templates/table1000.kvl" <<'KVL'
<kavdbquery name="Items" datasource="kavr_bench" sql="SELECT id, grp, name, price FROM items ORDER BY id">
<kavprinttable query="Items" htmltable border><kavprinttablecol width="10" header="No." text="#id#" align="right"><kavprinttablecol header="Name" text="#name#"><kavprinttablecol header="Price" text="#price#" align="right"></kavprinttable>
KVL

# One line per page: a name, then the query string. Later pages go here.
cat > "$work/pages" <<'PAGES'
plain page	template=/site/hello.htm
information page	template=%3Finfo
kavprint of 1000 rows	template=/site/print1000.kvl
kavprinttable of 1000 rows	template=/site/table1000.kvl
PAGES

python3 - "$site" "$work/min_cgi" "$runs" "$work/pages" <<'PY'
import os, statistics, subprocess, sys, time

site, min_cgi, runs, pages_file = sys.argv[1], sys.argv[2], int(sys.argv[3]), sys.argv[4]
kavr = os.path.join(site, "cgi-bin", "kavr")
devnull = os.open(os.devnull, os.O_WRONLY)
os.chdir(site)

def once(path, env):
    start = time.perf_counter()
    pid = os.posix_spawn(path, [path], env, file_actions=[(os.POSIX_SPAWN_DUP2, devnull, 1)])
    os.waitpid(pid, 0)
    return time.perf_counter() - start

print("%d runs per program and page" % runs)
print("%-28s %12s %12s %8s" % ("page", "kavr", "min_cgi", "ratio"))
for line in open(pages_file):
    name, query = line.rstrip("\n").split("\t")
    env = {"REQUEST_METHOD": "GET", "QUERY_STRING": query, "GATEWAY_INTERFACE": "CGI/1.1",
           "ODBCSYSINI": os.path.join(site, "odbc"), "ODBCINI": os.path.join(site, "odbc", "odbc.ini")}
    answer = subprocess.run([kavr], env=env, capture_output=True).stdout
    expected_file = os.path.join(site, "answer-%s" % name.replace(" ", "-"))
    with open(expected_file, "wb") as f:
        f.write(answer)
    min_env = dict(env, MIN_CGI_FILE=expected_file)
    same = subprocess.run([min_cgi], env=min_env, capture_output=True).stdout
    if not answer or same != answer:
        sys.exit("%s: kavr gave %d bytes, min_cgi %d: not comparable" % (name, len(answer), len(same)))
    k, m = [], []
    for _ in range(runs):
        k.append(once(kavr, env))
        m.append(once(min_cgi, min_env))
    km, mm = statistics.median(k) * 1000, statistics.median(m) * 1000
    print("%-28s %9.3f ms %9.3f ms %7.2fx" % (name + " (%d B)" % len(answer), km, mm, km / mm))
PY
