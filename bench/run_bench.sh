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
INI
cp "$root/sample/cgi-bin/kavr_msg.ini" "$site/cgi-bin/kavr_msg.ini"
cp "$root/sample/templates/hello.htm" "$site/templates/hello.htm"

# One line per page: a name, then the query string. Later pages go here.
cat > "$work/pages" <<'PAGES'
plain page	template=/site/hello.htm
information page	template=%3Finfo
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
    env = {"REQUEST_METHOD": "GET", "QUERY_STRING": query, "GATEWAY_INTERFACE": "CGI/1.1"}
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
