#!/usr/bin/env bash
# Serves the sample site with lighttpd on a free port of 127.0.0.1 (with the
# mail sink of scripts/serve.sh), fetches its pages and posts its forms with
# curl, checks them and stops the servers. The browser test
# (tests/browser/sample_site_test.py) goes through the same site in
# Chromium; this one also runs in the sanitizer build.
#
#   scripts/serve_test.sh KAVR [fastcgi|cgi|nginx]
#       fastcgi (the default): lighttpd with kavr as FastCGI workers;
#       cgi: lighttpd with kavr as a CGI program; nginx: nginx passing the
#       requests to a kavr worker that the test starts with --listen.
set -euo pipefail

if [ $# -lt 1 ] || [ $# -gt 2 ]; then
    echo "usage: $0 KAVR [fastcgi|cgi|nginx]" >&2
    exit 2
fi
export KAVR_GATEWAY=${2:-fastcgi}
root=$(cd "$(dirname "$0")/.." && pwd)
lighttpd=$(command -v lighttpd || echo /usr/sbin/lighttpd)
work=$(mktemp -d /tmp/kavr-serve-XXXXXX)
pid=""
sink=""
worker=""
cleanup() {
    for p in $pid $worker $sink; do
        kill "$p" 2>/dev/null || true
        wait "$p" 2>/dev/null || true
    done
    rm -rf "$work"
}
trap cleanup EXIT

# The site's mail goes to a local sink, as with scripts/serve.sh.
. "$root/scripts/mail_sink.sh"
start_mail_sink "$work/site/mail/inbox"
sink=$mail_sink_pid
port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
conf=$(SMTP_PORT=$mail_sink_port "$root/scripts/serve_site.sh" "$1" "$work/site" "$port")
server_log=$work/site/log/lighttpd-error.log
if [ "$KAVR_GATEWAY" = nginx ]; then
    server_log=$work/site/log/kavr-worker.log
    . "$root/scripts/listen_worker.sh"
    start_listen_worker "$work/site" "$server_log"
    worker=$listen_worker_pid
    nginx=$(command -v nginx || echo /usr/sbin/nginx)
    "$nginx" -p "$work/site/run/nginx" -e "$work/site/log/nginx-error.log" -c "$conf" \
        > "$work/lighttpd.out" 2>&1 &
else
    "$lighttpd" -D -f "$conf" > "$work/lighttpd.out" 2>&1 &
fi
pid=$!

base="http://127.0.0.1:$port"
for _ in $(seq 1 100); do
    if curl -s -o /dev/null "$base/" && { [ -z "$worker" ] || [ -S "$work/site/run/kavr.sock" ]; }; then
        break
    fi
    if ! kill -0 "$pid" 2>/dev/null; then
        echo "the web server did not start:"; cat "$work/lighttpd.out" "$server_log" "$work/site/log/nginx-error.log" 2>/dev/null
        exit 1
    fi
    sleep 0.1
done

failures=0
passed=0
pass() { echo "PASS $1"; passed=$((passed + 1)); }
fail() { echo "FAIL $1"; failures=$((failures + 1)); }
# check NAME URL EXPECTED-STATUS TEXT... [-- CURL-ARGS...]: every TEXT must
# occur in the body.
check() {
    local name=$1 url=$2 want=$3
    shift 3
    local texts=()
    while [ $# -gt 0 ] && [ "$1" != "--" ]; do texts+=("$1"); shift; done
    [ $# -gt 0 ] && shift
    local status
    status=$(curl -s -o "$work/body" -w '%{http_code}' "$@" "$base$url" || echo 000)
    if [ "$status" != "$want" ]; then
        fail "$name: status $status, expected $want"
        return
    fi
    for text in "${texts[@]}"; do
        if ! grep -aqF -- "$text" "$work/body"; then
            fail "$name: body lacks \"$text\""
            sed 's/^/    /' "$work/body" | head -20
            return
        fi
    done
    pass "$name"
}
t="/cgi-bin/kavr?template="

check "static home page" "/" 200 "Welcome to Lindenhof Books" "${t}/catalogue.kvl"
check "stylesheet" "/site.css" 200 "@media"
check "information page" "/cgi-bin/kavr" 200 "kavri.ini"
check "catalogue, first page" "${t}/catalogue.kvl" 200 "14 books, 5 to a page" "<h2>Children</h2>" \
    "Page 1 of 3" "template=/catalogue.kvl&amp;page=2"
check "catalogue, a page that goes on with a category" "${t}/catalogue.kvl&page=2" 200 \
    "(continued)</h2>" "Der Process" "Page 2 of 3"
check "preference cookie sets the page size" "${t}/catalogue.kvl" 200 "14 books, 10 to a page" \
    "Page 1 of 2" -- -H "Cookie: perpage=10"
check "search keeps its text, escaped" "${t}/catalogue.kvl&q=%22%3E%3Cb%3E" 200 \
    'value="&quot;&gt;&lt;b&gt;"' "0 books found"
check "search with a quote" "${t}/catalogue.kvl&q=%27s+winter" 200 "1 book found" "s Winter Fox"
check "search cannot change the statement" "${t}/catalogue.kvl&q=x%27+OR+%27a%27%3D%27a" 200 "0 books found"
check "item page" "${t}/book.kvl&id=1" 200 "<h1>Der Process</h1>" "Franz Kafka" 'name="id" value="1"'
check "item page for no book" "${t}/book.kvl&id=999" 200 "No such book"
check "insert form with its rules" "${t}/book_add.kvl" 200 'name="action" value="insert"' \
    'name="title_required"'
check "insert refused by a rule" "/cgi-bin/kavr" 200 "Please enter the title of the book." -- \
    --data "template=/book_add.kvl&action=insert&datasource=kavr_sample&tablename=books&title=&title_required=Please+enter+the+title+of+the+book."
check "insert shows the next page" "/cgi-bin/kavr" 200 "Book added" -- \
    --data "template=/book_add.kvl&action=insert&datasource=kavr_sample&tablename=books&nextpage=/book_added.htm&title=Momo&author=Michael+Ende&price=11.5&added=currentdate()"
check "the inserted book is listed first" "${t}/book_add.kvl" 200 ">Momo</a>"
check "edit shows the stored row" "/cgi-bin/kavr" 200 "are stored" '$8.25' -- \
    --data "template=/book_save.kvl&id=1&title=Der+Process&author=Franz+Kafka&price=8.25&note=x"
check "edit of a number with no row" "/cgi-bin/kavr" 200 "nothing was changed" -- \
    --data "template=/book_save.kvl&id=999&title=x&price=1"
printf '\x89PNG\r\n\x1a\n0000' > "$work/cover.png"
check "cover upload" "/cgi-bin/kavr" 200 "Cover saved" '/covers/2.png' -- \
    -F template=/cover_save.kvl -F id=2 -F "cover=@$work/cover.png"
check "cover served" "/covers/2.png" 200 "PNG"
check "upload that is no picture" "/cgi-bin/kavr" 200 "Not a picture" -- \
    -F template=/cover_save.kvl -F id=2 -F "cover=@$work/lighttpd.out"
check "guest book entry" "/cgi-bin/kavr" 200 "Ann: Hello &lt;b&gt;" -- \
    --data "template=/guestbook.kvl&name=Ann&message=Hello+%3Cb%3E"
check "preference form redirects" "/cgi-bin/kavr" 302 -- --data "template=/prefs_save.kvl&perpage=20"
check "preference page sets the cookie" "${t}/prefs.kvl&perpage=20" 200 "shows 20 books" -- -D "$work/headers"
if grep -qi '^Set-Cookie: *perpage=20' "$work/headers"; then pass "cookie header"; else fail "cookie header"; fi
check "visit counter" "${t}/visits.kvl" 200 "shown 1 time."
check "visit counter again" "${t}/visits.kvl" 200 "shown 2 times."
if grep -qx "visits=2" "$work/site/data/counter.ini" 2>/dev/null; then
    pass "visit counter kept in data/counter.ini"
else
    fail "visit counter: data/counter.ini lacks visits=2"
fi
check "contact form" "/cgi-bin/kavr" 200 "on its way to the shop" -- \
    --data "template=/contact.kvl&name=Ann&email=ann%40example.com&message=Hello+shop"
for _ in $(seq 1 100); do
    [ -s "$work/site/mail/inbox/msg1.part1.data" ] && break
    sleep 0.1
done
if grep -q "Hello shop" "$work/site/mail/inbox/msg1.part1.data" 2>/dev/null; then
    pass "contact mail delivered to the sink"
else
    fail "contact mail delivered to the sink"
fi
check "mailbox lists it" "${t}/mailbox.kvl" 200 "Message 1" "Hello shop" "books@lindenhof.example"
check "missing page in the site's words" "${t}/no-such-page.kvl" 404 \
    "Sorry, we cannot find the page you asked for." 'href="/site.css"'
check "configuration stays private" "/cgi-bin/kavri.ini" 404
check "catalog stays private" "/cgi-bin/kavr_msg.ini" 404

# The development settings: the same site with development.ini over its
# kavri.ini, run as CGI without a web server.
# A database of its own: the served site's workers keep theirs open.
KAVR_SITE_PGDATABASE="${KAVR_SITE_PGDATABASE:-kavr_sample}_dev" KAVR_SITE_MODE=development \
    "$root/scripts/serve_site.sh" "$1" "$work/dev" 1 > /dev/null
# Sanitizer builds need the ODBC driver's leak suppression (tests/lsan_odbc.supp).
dev_page=$(cd "$work/dev/cgi-bin" && env -i PATH="$PATH" ODBCSYSINI="$work/dev/odbc" \
    ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}fast_unwind_on_malloc=0" \
    LSAN_OPTIONS="suppressions=$root/tests/lsan_odbc.supp" \
    ODBCINI="$work/dev/odbc/odbc.ini" REQUEST_METHOD=GET QUERY_STRING="template=/catalogue.kvl" ./kavr)
if grep -q "^LogLevel=1$" "$work/dev/cgi-bin/kavri.ini" && grep -q "^LogLevel=3$" "$work/site/cgi-bin/kavri.ini" \
   && grep -qF "<B>Query SQL Statements:</B><BR><PRE>SELECT count(*) AS n FROM books</PRE>" <<< "$dev_page" \
   && grep -qF "Catalogue" <<< "$dev_page" && grep -q "Finish reading kavri.ini" "$work/dev/log/kavri.log"; then
    pass "development settings: full log and echo blocks"
else
    fail "development settings: full log and echo blocks"
fi
if grep -aqF "Query SQL Statements" "$work/body" || curl -s "$base${t}/catalogue.kvl" | grep -aqF "Execution Time"; then
    fail "production settings show echo blocks"
else
    pass "production settings show no echo block"
fi

# A worker's leaks are reported when it ends: stop the web server (and the
# worker of nginx) first.
kill $pid $worker 2>/dev/null || true
wait $pid $worker 2>/dev/null || true
pid=""
worker=""
if [ -s "$server_log" ] && grep -q "AddressSanitizer\|runtime error:\|LeakSanitizer" "$server_log"; then
    echo "FAIL sanitizer report in the server's error log:"
    cat "$server_log"
    failures=$((failures + 1))
fi

echo "serve ($KAVR_GATEWAY): $passed passed, $failures failed"
[ $failures -eq 0 ]
