# Sourced by the scripts that serve the sample site: starts the local mail
# sink (tests/smtp/smtp_sink.py, python3-aiosmtpd) on a free port of
# 127.0.0.1 in the background.
#
#   start_mail_sink DIR    the sink writes what it receives into DIR; sets
#                          mail_sink_pid and mail_sink_port
#
# The interpreter is $KAVR_PYTHON, else the first python3 that has aiosmtpd
# (Debian's /usr/bin/python3 has it; a python3 of a version manager may not).

start_mail_sink() {
    local dir=$1 py="" candidate
    for candidate in ${KAVR_PYTHON:-} /usr/bin/python3 python3; do
        if "$candidate" -c 'import aiosmtpd' 2>/dev/null; then py=$candidate; break; fi
    done
    if [ -z "$py" ]; then
        echo "no python3 with aiosmtpd (Debian package python3-aiosmtpd)" >&2
        return 1
    fi
    mkdir -p "$dir"
    rm -f "$dir/port"
    "$py" "$(dirname "${BASH_SOURCE[0]}")/../tests/smtp/smtp_sink.py" "$dir" &
    mail_sink_pid=$!
    local _
    for _ in $(seq 1 100); do
        if [ -s "$dir/port" ]; then
            mail_sink_port=$(cat "$dir/port")
            return 0
        fi
        kill -0 "$mail_sink_pid" 2>/dev/null || break
        sleep 0.1
    done
    echo "the mail sink did not start" >&2
    return 1
}
