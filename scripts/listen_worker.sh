# Sourced by the scripts that serve the sample site through nginx, which
# starts no FastCGI application: runs one kavr worker of a laid-out site
# (scripts/serve_site.sh) on its own socket, in the background.
#
#   start_listen_worker SITE_DIR LOG    kavr --listen SITE_DIR/run/kavr.sock,
#                                       started from SITE_DIR/cgi-bin with
#                                       the site's ODBC files and nothing
#                                       else of this shell's environment but
#                                       PATH and the sanitizer settings; its
#                                       output goes to LOG. Sets
#                                       listen_worker_pid.

start_listen_worker() {
    local site=$1 log=$2 supp
    supp="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)/tests/lsan_odbc.supp"
    rm -f "$site/run/kavr.sock"
    # A sanitizer build needs the ODBC drivers' leak suppression; the other
    # build ignores these variables.
    (cd "$site/cgi-bin" && exec env -i PATH="$PATH" ODBCSYSINI="$site/odbc" ODBCINI="$site/odbc/odbc.ini" \
        ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}fast_unwind_on_malloc=0" \
        ${UBSAN_OPTIONS:+UBSAN_OPTIONS=$UBSAN_OPTIONS} LSAN_OPTIONS="suppressions=$supp" \
        "$site/cgi-bin/kavr" --listen "$site/run/kavr.sock") > "$log" 2>&1 &
    listen_worker_pid=$!
}
