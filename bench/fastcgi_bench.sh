#!/usr/bin/env bash
# Requests per second through lighttpd, measured with ab (apache2-utils):
# kavr as FastCGI workers, kavr as a CGI program and php-fpm with the same
# pages in PHP, for hello, a 10,000-iteration loop and 1000 rows from
# SQLite; then the memory of one kavr worker over 100,000 requests (a
# worker of its own, so that it serves every one of them).
# Each page's kavr answers are checked to be the same through FastCGI and
# CGI before anything is timed.
#
#   bench/fastcgi_bench.sh [KAVR]      default build/kavr
#
# REQUESTS=N scales the request counts (default 1: 5,000 hello requests
# per FastCGI peer), MEMORY_REQUESTS the memory run (default 100000),
# CONCURRENCY the clients of ab (default 2, one per core).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/scripts/sqlite_odbc.sh"
kavr=$(realpath "${1:-$root/build/kavr}")
scale=${REQUESTS:-1}
memory_requests=${MEMORY_REQUESTS:-100000}
concurrency=${CONCURRENCY:-2}
lighttpd=$(command -v lighttpd || echo /usr/sbin/lighttpd)
php_fpm=$(command -v php-fpm8.2 || command -v php-fpm || ls /usr/sbin/php-fpm* 2>/dev/null | head -1 || true)
for tool in ab curl; do
    command -v $tool > /dev/null || { echo "$tool is missing (apt-get install apache2-utils curl)" >&2; exit 1; }
done

work=$(mktemp -d /tmp/kavr-fcgi-bench-XXXXXX)
pids=()
cleanup() {
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
    wait 2>/dev/null || true
    [ -n "${KAVR_BENCH_KEEP:-}" ] || rm -rf "$work"
}
trap cleanup EXIT

# The benchmark site of bench/run_bench.sh: configurations, templates,
# PHP scripts and the SQLite database behind the data source kavr_bench.
mkdir -p "$work/odbc" "$work/run" "$work/log"
python3 "$root/bench/make_site.py" "$work" "$kavr" "$root/sample/cgi-bin/kavr_msg.ini"
write_sqlite_odbc_ini "$work/odbc" kavr_bench "$work/odbc/bench.db"
bin=$work/site/cgi-bin0   # LogLevel 0: a site in production
odbc_env="\"ODBCSYSINI\" => \"$work/odbc\", \"ODBCINI\" => \"$work/odbc/odbc.ini\""
port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')

php_handler=""
if [ -n "$php_fpm" ]; then
    cat > "$work/php-fpm.conf" <<CONF
[global]
pid = $work/run/php-fpm.pid
error_log = $work/log/php-fpm.log
daemonize = no
[bench]
listen = $work/run/php.sock
pm = static
pm.max_children = 2
pm.max_requests = 0
clear_env = no
env[ODBCSYSINI] = $work/odbc
env[ODBCINI] = $work/odbc/odbc.ini
CONF
    "$php_fpm" -F -R -y "$work/php-fpm.conf" > "$work/log/php-fpm.out" 2>&1 &
    pids+=($!)
    php_handler="\"/php/\" => ( ( \"socket\" => \"$work/run/php.sock\", \"check-local\" => \"disable\" ) ),"
fi

cat > "$work/lighttpd.conf" <<CONF
server.bind          = "127.0.0.1"
server.port          = $port
server.document-root = "$work/site"
server.errorlog      = "$work/log/lighttpd-error.log"
server.modules       = ( "mod_alias", "mod_cgi", "mod_fastcgi", "mod_setenv" )
setenv.add-environment = ( $odbc_env )
alias.url = ( "/php/" => "$work/site/php/" )
\$HTTP["url"] == "/cgi-bin/kavr" {
    alias.url  = ( "/cgi-bin/kavr" => "$bin/kavr" )
    cgi.assign = ( "" => "" )
}
fastcgi.server = (
    $php_handler
    "/fcgi/kavr" => ( (
        "bin-path" => "$bin/kavr", "socket" => "$work/run/kavr.sock", "max-procs" => 2,
        "check-local" => "disable", "bin-environment" => ( $odbc_env )
    ) ),
    "/fcgi1/kavr" => ( (
        "bin-path" => "$bin/kavr-one", "socket" => "$work/run/kavr1.sock", "max-procs" => 1,
        "check-local" => "disable", "bin-environment" => ( $odbc_env )
    ) )
)
CONF
# The memory run's worker: the same program and configuration under a name
# of its own, to find its process.
ln -sfn "$bin/kavr" "$bin/kavr-one"
"$lighttpd" -D -f "$work/lighttpd.conf" > "$work/log/lighttpd.out" 2>&1 &
pids+=($!)
base="http://127.0.0.1:$port"
for _ in $(seq 1 100); do
    curl -s -o /dev/null "$base/fcgi/kavr" && break
    sleep 0.1
done

pages=("hello|template=/site/hello.kvl|hello.php|5000|200"
       "loop, 10,000 iterations|template=/site/loop.kvl|loop.php|500|50"
       "1000 rows from SQLite|template=/site/print1000.kvl|print1000.php|500|50")

# The same bytes through FastCGI and CGI, a page that is no error, and
# the same body from the PHP script (else php-fpm would be timed on an
# error page).
for page in "${pages[@]}"; do
    IFS='|' read -r name query script _n _m <<< "$page"
    a=$(curl -s "$base/fcgi/kavr?$query" | md5sum)
    b=$(curl -s "$base/cgi-bin/kavr?$query" | md5sum)
    if [ "$a" != "$b" ] || curl -s "$base/fcgi/kavr?$query" | grep -q "Error Code"; then
        echo "$name: FastCGI and CGI answers differ, or the page fails" >&2
        exit 1
    fi
    if [ -n "$php_handler" ] && [ "$(curl -s -f "$base/php/$script" | md5sum)" != "$a" ]; then
        echo "$name: php-fpm does not answer $script with kavr's body" >&2
        exit 1
    fi
done

rate() {  # URL REQUESTS -> requests per second
    ab -q -n "$2" -c "$concurrency" "$1" 2>/dev/null | awk '/^Requests per second/ {printf "%.0f", $4}'
}

echo "| page | kavr FastCGI req/s | kavr CGI req/s | php-fpm req/s | FastCGI / php-fpm | FastCGI / CGI |"
echo "|---|---:|---:|---:|---:|---:|"
for page in "${pages[@]}"; do
    IFS='|' read -r name query script n m <<< "$page"
    n=$((n * scale)); m=$((m * scale))
    rate "$base/fcgi/kavr?$query" $((n / 10 + 1)) > /dev/null   # warm the workers
    fcgi=$(rate "$base/fcgi/kavr?$query" "$n")
    cgi=$(rate "$base/cgi-bin/kavr?$query" "$m")
    php="-"
    if [ -n "$php_handler" ]; then
        rate "$base/php/$script" $((n / 10 + 1)) > /dev/null
        php=$(rate "$base/php/$script" "$n")
    fi
    ratio_php=$(awk -v a="$fcgi" -v b="$php" 'BEGIN { if (b + 0 > 0) printf "%.2f", a / b; else print "-" }')
    ratio_cgi=$(awk -v a="$fcgi" -v b="$cgi" 'BEGIN { if (b + 0 > 0) printf "%.0f", a / b; else print "-" }')
    echo "| $name | $fcgi | $cgi | $php | $ratio_php | $ratio_cgi |"
done

# Memory: the resident size of the one worker behind /fcgi1/ after a
# first thousand hello requests, after every fifth of the memory run's
# hello requests, then after a hundredth and a tenth as many 1000-row
# pages.
worker_rss() {
    local p
    p=$(pgrep -f "^$bin/kavr-one" | head -1)
    awk '/^VmRSS/ {print $2}' "/proc/$p/status" 2>/dev/null || echo 0
}
one="$base/fcgi1/kavr?template=/site"
ab -q -n 1000 -c "$concurrency" "$one/hello.kvl" > /dev/null 2>&1
first_pid=$(pgrep -f "^$bin/kavr-one" | head -1)
sizes="1,000: $(worker_rss)"
step=$((memory_requests / 5))
for i in 1 2 3 4 5; do
    ab -q -n "$step" -c "$concurrency" "$one/hello.kvl" > /dev/null 2>&1
    sizes="$sizes, $((1000 + i * step)): $(worker_rss)"
done
ab -q -n $((memory_requests / 100)) -c "$concurrency" "$one/print1000.kvl" > /dev/null 2>&1
rows_first=$(worker_rss)
ab -q -n $((memory_requests / 10 - memory_requests / 100)) -c "$concurrency" "$one/print1000.kvl" > /dev/null 2>&1
rows=$(worker_rss)
if [ "$(pgrep -f "^$bin/kavr-one" | head -1)" != "$first_pid" ]; then
    echo "the memory run's worker was replaced: the figures below are of two processes" >&2
fi
echo
echo "One worker's resident size in kB after N hello requests: $sizes;" \
     "then after $((memory_requests / 100)) 1000-row pages: $rows_first, after $((memory_requests / 10)): $rows."
