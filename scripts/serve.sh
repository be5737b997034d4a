#!/usr/bin/env bash
# Serves the sample site on http://127.0.0.1:8080/ (PORT=... for another
# port) in the foreground, with /cgi-bin/kavr running build/kavr, and a
# local mail sink on a free port of 127.0.0.1 that receives the site's mail
# (the site's Mailbox page lists it). Stop it with Ctrl-C.
#
#   scripts/serve.sh                    lighttpd, kavr as FastCGI workers
#                                       that lighttpd starts (the default)
#   scripts/serve.sh --cgi              lighttpd, kavr as a CGI program, one
#   KAVR_GATEWAY=cgi scripts/serve.sh   process per request
#   KAVR_GATEWAY=nginx scripts/serve.sh nginx, passing /cgi-bin/kavr to one
#                                       kavr --listen worker started here
#   KAVR_SITE_MODE=development scripts/serve.sh   the development settings
#                                       (full log, echo blocks, error details)
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build_dir=${BUILD_DIR:-$root/build}
port=${PORT:-8080}
site=$build_dir/serve
export KAVR_GATEWAY=${KAVR_GATEWAY:-fastcgi}
case "${1:-}" in
    --cgi) KAVR_GATEWAY=cgi ;;
    "") ;;
    *) echo "usage: $0 [--cgi]" >&2; exit 2 ;;
esac
case "$KAVR_GATEWAY" in
    fastcgi|cgi|nginx) ;;
    *) echo "$0: KAVR_GATEWAY must be fastcgi, cgi or nginx, not: $KAVR_GATEWAY" >&2; exit 2 ;;
esac

BUILD_DIR=$build_dir BUILD_TARGET=kavr "$root/scripts/setup.sh"

# The mail sink writes each message it receives into the site's mail/inbox.
. "$root/scripts/mail_sink.sh"
. "$root/scripts/listen_worker.sh"
rm -rf "$site/mail/inbox"
server_pid=""
mail_sink_pid=""
listen_worker_pid=""
stop() {
    for p in $server_pid $listen_worker_pid $mail_sink_pid; do kill "$p" 2>/dev/null || true; done
    wait 2>/dev/null || true
}
trap stop EXIT
trap 'exit 130' INT TERM
start_mail_sink "$site/mail/inbox"
smtp_port=$mail_sink_port

conf=$(SMTP_PORT=$smtp_port "$root/scripts/serve_site.sh" "$build_dir/kavr" "$site" "$port")
echo "Serving the sample site (${KAVR_SITE_MODE:-production} settings, kavr through $KAVR_GATEWAY) on http://127.0.0.1:$port/"
echo "  log: $site/log/   mail sink: 127.0.0.1:$smtp_port -> $site/mail/inbox/"
if [ "$KAVR_GATEWAY" = nginx ]; then
    start_listen_worker "$site" "$site/log/kavr-worker.log"
    nginx=$(command -v nginx || echo /usr/sbin/nginx)
    "$nginx" -p "$site/run/nginx" -e "$site/log/nginx-error.log" -c "$conf" &
else
    lighttpd=$(command -v lighttpd || echo /usr/sbin/lighttpd)
    "$lighttpd" -D -f "$conf" &
fi
server_pid=$!
wait "$server_pid"
