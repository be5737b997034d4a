#!/usr/bin/env bash
# Serves the sample site through lighttpd on http://127.0.0.1:8080/ (PORT=...
# for another port), with /cgi-bin/kavr running build/kavr, in the
# foreground. Stop it with Ctrl-C.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build_dir=${BUILD_DIR:-$root/build}
port=${PORT:-8080}

BUILD_DIR=$build_dir BUILD_TARGET=kavr "$root/scripts/setup.sh"
conf=$("$root/scripts/serve_site.sh" "$build_dir/kavr" "$build_dir/serve" "$port")
echo "Serving the sample site on http://127.0.0.1:$port/ (log: $build_dir/serve/log/)"
lighttpd=$(command -v lighttpd || echo /usr/sbin/lighttpd)
exec "$lighttpd" -D -f "$conf"
