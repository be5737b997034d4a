#!/usr/bin/env bash
# Serves the sample site through lighttpd on http://127.0.0.1:8080/ (PORT=...
# for another port), with /cgi-bin/kavr answered by build/kavr as FastCGI
# workers, in the foreground. Stop it with Ctrl-C.
#
#   scripts/serve.sh          FastCGI: lighttpd keeps two kavr workers
#   scripts/serve.sh --cgi    CGI: one kavr process per request
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build_dir=${BUILD_DIR:-$root/build}
port=${PORT:-8080}
mode=fastcgi
case ${1:-} in
    --cgi) mode=cgi ;;
    "") ;;
    *) echo "usage: $0 [--cgi]" >&2; exit 2 ;;
esac

BUILD_DIR=$build_dir BUILD_TARGET=kavr "$root/scripts/setup.sh"
conf=$("$root/scripts/serve_site.sh" "$build_dir/kavr" "$build_dir/serve" "$port" "$mode")
echo "Serving the sample site on http://127.0.0.1:$port/ through $mode (log: $build_dir/serve/log/)"
lighttpd=$(command -v lighttpd || echo /usr/sbin/lighttpd)
exec "$lighttpd" -D -f "$conf"
