#!/usr/bin/env python3
"""Many kavr requests at once against one site: the mail spool and the log
must come out whole.

usage: concurrent_requests.py --kavr PATH SCENARIO [--requests N]

Scenarios:
  mail-delivered    N requests each spool one message and flush, with a real
                    SMTP server (tests/smtp/smtp_sink.py) on 127.0.0.1: the
                    server receives N messages, each exactly once, and every
                    spool file ends in the mail log.
  mail-server-down  the same with nothing listening on the SMTP port: N
                    intact spool files remain, none lost, none half written.
  log-lines         N requests append to one kavri.log (LogAppend=1): every
                    line is whole, and each request's lines are exactly the
                    lines one request alone writes.

The requests are started together and held on their body (each reads a
CONTENT_LENGTH body from a pipe) until all of them run; then every body is
written at once. Everything is bounded: a request that does not end within
the time limit fails the scenario, and servers are stopped on every path.
"""
import argparse
import os
import re
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
SINK = os.path.join(HERE, "..", "smtp", "smtp_sink.py")
SANITIZER_PATTERNS = (b"ERROR: AddressSanitizer", b"runtime error:", b"LeakSanitizer")
REQUEST_LIMIT_S = 120

MAIL_TEMPLATE = """<kavmail to="rcpt#url.n#@example.test" from="shop@example.test" \
subject="Order #url.n#">Body of message #form.n#.
Second line.
</kavmail><kavprint>Spooled #url.n#</kavprint>
"""

LOG_TEMPLATE = """<kavset v="#form.n#">
<kavfor i=1 to 20><kavprint>#v# #i#</kavprint></kavfor>
"""

# A spool step that fails shows on the page (and the template goes on), so
# the catalog gives that failure a text the outputs are checked for.
CATALOG = "[ErrorMsg]\n10230c=MAIL NOT SPOOLED\n"

LOG_PREFIX = re.compile(rb"^TID=(\d+), \d+-\d\d-\d\d \d\d:\d\d:\d\d: (.*)$")
CLOCK = re.compile(rb"\d\d:\d\d:\d\d")


class Failure(Exception):
    pass


def python_with_aiosmtpd():
    for py in (sys.executable, "/usr/bin/python3"):
        if subprocess.run([py, "-c", "import aiosmtpd.smtp"], stdout=subprocess.DEVNULL,
                          stderr=subprocess.DEVNULL).returncode == 0:
            return py
    raise Failure("no python3 with aiosmtpd (Debian package python3-aiosmtpd)")


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def make_site(root, kavr, ini, template_name, template):
    site = os.path.join(root, "site")
    os.makedirs(site)
    for d in ("spool", "sent", "errors"):
        os.makedirs(os.path.join(site, d))
    with open(os.path.join(site, "kavri.ini"), "w") as f:
        f.write(ini.replace("{SITE}", site))
    with open(os.path.join(site, template_name), "w") as f:
        f.write(template)
    with open(os.path.join(site, "kavr_msg.ini"), "w") as f:
        f.write(CATALOG)
    os.symlink(os.path.abspath(kavr), os.path.join(site, "kavr"))
    return site


def run_requests(site, template_name, count, body_value=lambda i: "%d" % i,
                 varying_query=True):
    """Starts count requests, releases them together, returns their outputs."""
    link = os.path.join(site, "kavr")
    procs = []
    try:
        for i in range(1, count + 1):
            body = ("n=%s" % body_value(i)).encode()
            query = "template=%s" % template_name
            if varying_query:
                query += "&n=%d" % i
            env = {"REQUEST_METHOD": "POST", "QUERY_STRING": query,
                   "CONTENT_TYPE": "application/x-www-form-urlencoded",
                   "CONTENT_LENGTH": str(len(body)), "PATH": os.environ.get("PATH", "")}
            for k in ("ASAN_OPTIONS", "UBSAN_OPTIONS", "LSAN_OPTIONS"):
                if k in os.environ:
                    env[k] = os.environ[k]
            p = subprocess.Popen([link], cwd=site, env=env, stdin=subprocess.PIPE,
                                 stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                                 start_new_session=True)
            procs.append((p, body))
        # Every request now waits for its body: let them all go at once.
        for p, body in procs:
            p.stdin.write(body)
            p.stdin.close()
            p.stdin = None  # written and closed: nothing more for communicate()
        deadline = time.monotonic() + REQUEST_LIMIT_S
        results = []
        for p, _ in procs:
            try:
                out, err = p.communicate(timeout=max(1, deadline - time.monotonic()))
            except subprocess.TimeoutExpired:
                raise Failure("a request did not end within %d s" % REQUEST_LIMIT_S)
            if p.returncode != 0:
                raise Failure("a request ended with status %d: %r" % (p.returncode, err[-2000:]))
            if any(s in err for s in SANITIZER_PATTERNS):
                raise Failure("sanitizer report:\n" + err.decode(errors="replace"))
            results.append(out)
        return results
    finally:
        for p, _ in procs:
            if p.poll() is None:
                os.killpg(p.pid, signal.SIGKILL)
                p.wait()


def read_record(data, at):
    if at + 4 > len(data):
        raise Failure("spool file cut inside a record length")
    n = int.from_bytes(data[at:at + 4], "little")
    if at + 4 + n > len(data):
        raise Failure("spool file cut inside a record")
    return data[at + 4:at + 4 + n], at + 4 + n


def spool_message(path):
    """(to, subject, body) of a spool file, checking its layout."""
    with open(path, "rb") as f:
        data = f.read()
    at = 0
    fields = []
    for _ in range(6):
        value, at = read_record(data, at)
        fields.append(value)
    return fields[1], fields[3], data[at:]


def mail_ini(port):
    return ("[SMTP]\nMailSpoolPath={SITE}/spool\nMailLogPath={SITE}/sent\n"
            "MailErrorPath={SITE}/errors\nSMTP_Server=127.0.0.1\nSMTP_Port=%d\n" % port)


def expected_body(i):
    return ("Body of message %d.\nSecond line.\n" % i).encode()


def check_outputs(outputs):
    for i, out in enumerate(outputs, 1):
        if ("Spooled %d" % i).encode() not in out or b"MAIL NOT SPOOLED" in out:
            raise Failure("request %d answered %r" % (i, out[-300:]))


def scenario_mail_delivered(kavr, root, count):
    sink_dir = os.path.join(root, "sink")
    os.makedirs(sink_dir)
    sink = subprocess.Popen([python_with_aiosmtpd(), SINK, sink_dir], start_new_session=True)
    try:
        port_file = os.path.join(sink_dir, "port")
        for _ in range(200):
            if os.path.exists(port_file):
                break
            if sink.poll() is not None:
                raise Failure("the SMTP server did not start")
            time.sleep(0.05)
        else:
            raise Failure("the SMTP server did not report its port")
        with open(port_file) as f:
            port = int(f.read())
        site = make_site(root, kavr, mail_ini(port), "mail.kvl", MAIL_TEMPLATE)
        check_outputs(run_requests(site, "mail.kvl", count))
        # Every request has ended, so every flush is over.
        received = {}
        for name in os.listdir(sink_dir):
            if name.endswith(".eml"):
                with open(os.path.join(sink_dir, name), "rb") as f:
                    m = re.search(rb"Body of message (\d+)\.", f.read())
                if not m:
                    raise Failure("a received message has no known body: " + name)
                received[int(m.group(1))] = received.get(int(m.group(1)), 0) + 1
        missing = [i for i in range(1, count + 1) if i not in received]
        repeated = {i: n for i, n in received.items() if n != 1}
        if missing or repeated or len(received) != count:
            raise Failure("messages never delivered: %s; delivered more than once: %s"
                          % (missing, repeated))
        left = os.listdir(os.path.join(site, "spool"))
        if left:
            raise Failure("files left in the spool: %s" % sorted(left))
        sent = os.listdir(os.path.join(site, "sent"))
        if len(sent) != count:
            raise Failure("%d files in the mail log, %d expected" % (len(sent), count))
        seen = set()
        for name in sent:
            to, subject, body = spool_message(os.path.join(site, "sent", name))
            n = int(re.match(rb"Order (\d+)$", subject).group(1))
            if to != b"rcpt%d@example.test" % n or body != expected_body(n) or n in seen:
                raise Failure("mail log file %s is not one whole message of its own" % name)
            seen.add(n)
        print("mail-delivered: %d requests, %d messages delivered once each, %d filed"
              % (count, len(received), len(sent)))
    finally:
        if sink.poll() is None:
            sink.send_signal(signal.SIGTERM)
            try:
                sink.wait(timeout=10)
            except subprocess.TimeoutExpired:
                os.killpg(sink.pid, signal.SIGKILL)
                sink.wait()


def scenario_mail_server_down(kavr, root, count):
    site = make_site(root, kavr, mail_ini(free_port()), "mail.kvl", MAIL_TEMPLATE)
    check_outputs(run_requests(site, "mail.kvl", count))
    names = sorted(os.listdir(os.path.join(site, "spool")))
    if len(names) != count or not all(re.match(r"mail\d{6}\.txt$", n) for n in names):
        raise Failure("spool holds %s, %d finished messages expected" % (names, count))
    seen = set()
    for name in names:
        to, subject, body = spool_message(os.path.join(site, "spool", name))
        m = re.match(rb"Order (\d+)$", subject)
        n = int(m.group(1)) if m else 0
        if to != b"rcpt%d@example.test" % n or body != expected_body(n) or n in seen:
            raise Failure("spool file %s is not one whole message of its own" % name)
        seen.add(n)
    if os.listdir(os.path.join(site, "sent")) or os.listdir(os.path.join(site, "errors")):
        raise Failure("a message was filed although no server listened")
    print("mail-server-down: %d requests, %d intact spool files" % (count, len(names)))


def log_lines(data):
    if data and not data.endswith(b"\n"):
        raise Failure("the log ends inside a line")
    return data.split(b"\n")[:-1] if data else []


def split_by_request(lines):
    """Prefixed lines grouped by TID; lines without a prefix apart."""
    by_tid, plain = {}, []
    for line in lines:
        m = LOG_PREFIX.match(line)
        if m:
            # The times of day differ from request to request.
            by_tid.setdefault(m.group(1), []).append(CLOCK.sub(b"hh:mm:ss", m.group(2)))
        else:
            plain.append(line)
    return by_tid, plain


def scenario_log_lines(kavr, root, count):
    ini = "[Log]\nLogLevel=1\nLogAppend=1\nLogFilePath={SITE}\n"
    site = make_site(root, kavr, ini, "log.kvl", LOG_TEMPLATE)
    log = os.path.join(site, "kavri.log")
    # One request alone gives the lines every request must write. The value
    # holds a line break, which must stay inside its line.
    value = "line%0Abreak%0D%00"
    run_requests(site, "log.kvl", 1, body_value=lambda i: value, varying_query=False)
    with open(log, "rb") as f:
        alone = f.read()
    ref_by_tid, ref_plain = split_by_request(log_lines(alone))
    if len(ref_by_tid) != 1:
        raise Failure("one request wrote lines under %d thread numbers" % len(ref_by_tid))
    reference = next(iter(ref_by_tid.values()))
    if len(reference) < 50:
        raise Failure("one request wrote only %d lines" % len(reference))
    os.unlink(log)
    run_requests(site, "log.kvl", count, body_value=lambda i: value, varying_query=False)
    with open(log, "rb") as f:
        by_tid, plain = split_by_request(log_lines(f.read()))
    if len(by_tid) != count:
        raise Failure("%d requests wrote lines, %d expected" % (len(by_tid), count))
    for tid, lines in by_tid.items():
        if lines != reference:
            diff = [(a, b) for a, b in zip(lines, reference) if a != b][:3]
            raise Failure("the lines of request %s differ from those of a request alone "
                          "(%d and %d lines; first differences %r)"
                          % (tid.decode(), len(lines), len(reference), diff))
    if sorted(plain) != sorted(ref_plain * count):
        raise Failure("lines without prefix are torn or mixed: %r" % plain[:10])
    print("log-lines: %d requests, %d lines each, all whole" % (count, len(reference)))


SCENARIOS = {"mail-delivered": scenario_mail_delivered,
             "mail-server-down": scenario_mail_server_down,
             "log-lines": scenario_log_lines}


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--kavr", required=True)
    ap.add_argument("--requests", type=int, default=50)
    ap.add_argument("scenario", choices=sorted(SCENARIOS))
    args = ap.parse_args()
    root = tempfile.mkdtemp(prefix="kavr-concurrency-")
    try:
        SCENARIOS[args.scenario](args.kavr, root, args.requests)
    except Failure as e:
        print("%s: FAILED: %s" % (args.scenario, e))
        return 1
    finally:
        shutil.rmtree(root, ignore_errors=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
