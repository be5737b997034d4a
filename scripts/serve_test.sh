#!/usr/bin/env bash
# Serves the sample site with lighttpd on a free port of 127.0.0.1, fetches
# a static page and the pages that kavr answers through FastCGI (or CGI),
# checks them and stops the server.
#
#   scripts/serve_test.sh KAVR [fastcgi|cgi]
set -euo pipefail

if [ $# -lt 1 ] || [ $# -gt 2 ]; then
    echo "usage: $0 KAVR [fastcgi|cgi]" >&2
    exit 2
fi
mode=${2:-fastcgi}
root=$(cd "$(dirname "$0")/.." && pwd)
lighttpd=$(command -v lighttpd || echo /usr/sbin/lighttpd)
work=$(mktemp -d /tmp/kavr-serve-XXXXXX)
pid=""
cleanup() {
    if [ -n "$pid" ]; then
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT

port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
conf=$("$root/scripts/serve_site.sh" "$1" "$work/site" "$port" "$mode")
"$lighttpd" -D -f "$conf" > "$work/lighttpd.out" 2>&1 &
pid=$!

base="http://127.0.0.1:$port"
for _ in $(seq 1 100); do
    if curl -s -o /dev/null "$base/"; then break; fi
    if ! kill -0 "$pid" 2>/dev/null; then
        echo "lighttpd did not start:"; cat "$work/lighttpd.out" "$work/site/log/lighttpd-error.log" 2>/dev/null
        exit 1
    fi
    sleep 0.1
done

failures=0
passed=0
# check NAME URL EXPECTED-STATUS TEXT...: every TEXT must occur in the body.
check() {
    local name=$1 url=$2 want=$3
    shift 3
    local status
    status=$(curl -s -o "$work/body" -w '%{http_code}' "$base$url" || echo 000)
    if [ "$status" != "$want" ]; then
        echo "FAIL $name: status $status, expected $want"
        failures=$((failures + 1))
        return
    fi
    for text in "$@"; do
        if ! grep -qF -- "$text" "$work/body"; then
            echo "FAIL $name: body lacks \"$text\""
            sed 's/^/    /' "$work/body" | head -20
            failures=$((failures + 1))
            return
        fi
    done
    echo "PASS $name"
    passed=$((passed + 1))
}

check "static index page" "/" 200 "kavr sample site" "/cgi-bin/kavr?template=/hello.htm"
check "information page" "/cgi-bin/kavr" 200 "kavri.ini"
check "plain page through kavr" "/cgi-bin/kavr?template=/hello.htm" 200 "<h1>A plain page</h1>"
check "validation page" "/cgi-bin/kavr?template=/thanks.kvl&name=&name_required=Please+enter+your+name." 200 \
    "Error Code = 10010" "<li>Please enter your name."
check "form that passes its rules runs the template" \
    "/cgi-bin/kavr?template=/thanks.kvl&name=Ann&name_required=Name&age=30&age_range=min%3D1+max%3D120" 200 \
    "<h1>Thank you</h1>"
check "visit counter page" "/cgi-bin/kavr?template=/counter.kvl" 200 "<h1>Visit counter</h1>"
check "visit counter page again" "/cgi-bin/kavr?template=/counter.kvl" 200 "This page has been shown 2 times."
if grep -qx "visits=2" "$work/site/data/counter.ini" 2>/dev/null; then
    echo "PASS visit counter kept in data/counter.ini"
    passed=$((passed + 1))
else
    echo "FAIL visit counter: data/counter.ini lacks visits=2"
    failures=$((failures + 1))
fi
check "empty guest book" "/cgi-bin/kavr?template=/guestbook.kvl" 200 "No entries yet."
check "catalogue by category" "/cgi-bin/kavr?template=/catalogue.kvl" 200 \
    "<h2>Bakery</h2>" "<li>Croissant: \$1.10</li>" "(Crisp and sweet)" "7 products in the categories Bakery,Dairy,Fruit."
check "price table" "/cgi-bin/kavr?template=/table.kvl" 200 \
    "<TABLE WIDTH=\"446\" CELLSPACING=\"2\"  BORDER>" "<TD WIDTH=200 ALIGN=LEFT>Goat's cheese</TD>" "</TT></PRE>"
check "search with a quote" "/cgi-bin/kavr?template=/search.kvl&q=Goat%27s" 200 "Results for <b>Goat's</b>: 1" "<li>Goat's cheese (Dairy), \$4.20</li>"
check "search cannot change the statement" "/cgi-bin/kavr?template=/search.kvl&q=x%27+OR+%27a%27%3D%27a" 200 ": 0</p>"
book_form="/cgi-bin/kavr?template=/books_edit.kvl&datasource=kavr_sample&tablename=books"
check "book forms" "/cgi-bin/kavr?template=/books_edit.kvl" 200 '<input type="hidden" name="action" value="update">'
check "book insert shows the next page" \
    "$book_form&action=insert&nextpage=/books_saved.htm&id=2&title=O%27Brien&price=3.5&added=currentdate()" 200 \
    "The book has been stored."
check "book update from a template" "/cgi-bin/kavr?template=/books_discount.kvl&id=2&price=9.50" 200 \
    "Book 2 now costs 9.50."
check "book insert refuses a price that is no number" \
    "$book_form&action=insert&id=3&title=x&price=1%29%3B+DROP+TABLE+books%3B--" 200 "Invalid value for column price<BR>"
check "book update without its key" "$book_form&action=update&title=x" 200 "Not all primary keys with value<BR>"
check "contact form mails a confirmation" \
    "/cgi-bin/kavr?template=/contact.kvl&name=Ann&email=ann%40example.com&message=Hello" 200 \
    "A confirmation is on its way to ann@example.com."
if ls "$work/site/mail/spool" "$work/site/mail/sent" "$work/site/mail/failed" 2>/dev/null | grep -q '^mail[0-9]*\.txt$'; then
    passed=$((passed + 1)); echo "PASS confirmation spooled"
else
    failures=$((failures + 1)); echo "FAIL confirmation spooled: no mail file"
fi
check "configuration stays private" "/cgi-bin/kavri.ini" 404
check "catalog stays private" "/cgi-bin/kavr_msg.ini" 404

if [ -s "$work/site/log/lighttpd-error.log" ] && grep -q "AddressSanitizer\|runtime error:\|LeakSanitizer" "$work/site/log/lighttpd-error.log"; then
    echo "FAIL sanitizer report in the server's error log:"
    cat "$work/site/log/lighttpd-error.log"
    failures=$((failures + 1))
fi

echo "serve ($mode): $passed passed, $failures failed"
[ $failures -eq 0 ]
