#!/usr/bin/env bash
# Serves the sample site through lighttpd on http://127.0.0.1:8080/ (PORT=...
# for another port), with /cgi-bin/kavr running build/kavr, in the
# foreground, and a local mail sink on a free port of 127.0.0.1 that
# receives the site's mail (the site's Mailbox page lists it). Stop both
# with Ctrl-C.
#
#   KAVR_SITE_MODE=development scripts/serve.sh   the development settings
#                                                 (full log, echo blocks,
#                                                 error details)
#   scripts/serve.sh --cgi                         kavr as a CGI program, one
#                                                 process per request, instead
#                                                 of FastCGI workers
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build_dir=${BUILD_DIR:-$root/build}
port=${PORT:-8080}
site=$build_dir/serve
export KAVR_GATEWAY=fastcgi
case "${1:-}" in
    --cgi) KAVR_GATEWAY=cgi ;;
    "") ;;
    *) echo "usage: $0 [--cgi]" >&2; exit 2 ;;
esac

BUILD_DIR=$build_dir BUILD_TARGET=kavr "$root/scripts/setup.sh"

# The mail sink writes each message it receives into the site's mail/inbox.
. "$root/scripts/mail_sink.sh"
rm -rf "$site/mail/inbox"
lighttpd_pid=""
mail_sink_pid=""
stop() {
    for p in $lighttpd_pid $mail_sink_pid; do kill "$p" 2>/dev/null || true; done
    wait 2>/dev/null || true
}
trap stop EXIT
trap 'exit 130' INT TERM
start_mail_sink "$site/mail/inbox"
smtp_port=$mail_sink_port

conf=$(SMTP_PORT=$smtp_port "$root/scripts/serve_site.sh" "$build_dir/kavr" "$site" "$port")
echo "Serving the sample site (${KAVR_SITE_MODE:-production} settings, kavr through $KAVR_GATEWAY) on http://127.0.0.1:$port/"
echo "  log: $site/log/   mail sink: 127.0.0.1:$smtp_port -> $site/mail/inbox/"
lighttpd=$(command -v lighttpd || echo /usr/sbin/lighttpd)
"$lighttpd" -D -f "$conf" &
lighttpd_pid=$!
wait "$lighttpd_pid"
