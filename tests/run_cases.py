#!/usr/bin/env python3
r"""End-to-end case runner for kavr.

Usage:
    run_cases.py --kavr PATH [--timeout S] [--keep] [--verbose] [--filter TEXT] CASE_OR_DIR...

Every case is one file NAME.case that describes one request: the site it runs
in, the environment and body it receives, and what it must answer. For each
case the runner makes a fresh temporary site directory, writes the site's
files, puts a symbolic link named "kavr" to the program under test in the
program directory, runs the program once and compares what it produced with
the case. It prints one line per case and a summary line
"AREA: N passed, N failed, N skipped", and exits 1 when any case failed.

Case file format
----------------
A case is a sequence of sections. A section starts with a header line:

    --NAME--            e.g. --TEST--, --INI--, --EXPECT--
    --NAME: WORDS--     e.g. --FILE: htdocs/page.htm--, --STDIN: crlf--

The body of a section is every line between its header and the next header
(or the end of the file). The line break that ends the last body line belongs
to the header that follows, not to the body. So a body that must end with a
line break is written with one empty line after it, and a body with no final
line break (a response ending in "</HTML>") simply ends before the next header:

    --EXPECT--              the response is exactly
    Content-type: text/html     "Content-type: text/html\n\n</HTML>"
                            
    </HTML>
    --EXPECT_LOG--          the log is exactly "a line\n"
    a line

    --DONE--                (any header ends the body above)

Files use "\n" line breaks; "\r" appears only through the crlf or escapes
options below.

Sections (names are upper case; unknown names are an error):

  TEST            one-line title (required).
  DESCRIPTION     free text for the reader; ignored.
  REQUIRES        one requirement per line; the case is skipped when one is
                  not met:  "command NAME" (program on PATH), "module NAME"
                  (Python module), "odbc-driver NAME" (odbcinst knows it),
                  "no-sanitizer" (the program was built without sanitizers).
  SERVICES        one service per line, started before the run and stopped
                  after it; each adds tokens (see SERVICES below). Known now:
                  "free-port" (a free TCP port on 127.0.0.1 as {PORT}),
                  "echo-server MODE" (tests/io/echo_server.py on 127.0.0.1,
                  MODE echo, silent, burst or close, port as {ECHO_PORT},
                  {SILENT_PORT}, {BURST_PORT} or {CLOSE_PORT}) and
                  "odbc-database SQLFILE [NAME]" (a fresh database filled by
                  SQLFILE, relative to tests/: SQLite, or PostgreSQL when
                  KAVR_PG_ENV names a server of tests/db/pg_server.py; its
                  data source name is {DSN}, NAME or kavr_case by default;
                  the driver manager's files are
                  in {ODBCSYSINI}: set ODBCSYSINI={ODBCSYSINI} and
                  ODBCINI={ODBCSYSINI}/odbc.ini in ENV).
  INI             written as kavri.ini in the program directory.
  MSG             written as kavr_msg.ini in the program directory.
  PROGRAM_DIR     directory (relative to the site) holding the "kavr" link,
                  kavri.ini and kavr_msg.ini; default "." (the site itself).
  CWD             directory (relative to the site) the program runs in;
                  default "." (the site itself).
  ARGV0           argv[0] as the program sees it; default the absolute path
                  of the link. The program itself is always the link.
  FILE: PATH      a site file at PATH (relative to the site; repeatable).
  DIR: PATH       an empty site directory (repeatable).
  ENV             KEY=VALUE lines: the program's whole environment. Nothing
                  is inherited, except the sanitizer settings (ASAN_OPTIONS,
                  UBSAN_OPTIONS, LSAN_OPTIONS) of the runner's environment.
                  Empty lines and lines starting with "#" are skipped.
  STDIN           standard input; repeatable, the bodies are concatenated in
                  order (so a large upload can be a crlf header part, a
                  size=N part and a crlf trailer). Without it stdin is empty.
  TIMEOUT         seconds before the run is killed (default --timeout, 20).
  EXPECT          the response (standard output), byte for byte.
  EXPECTF         the response, with wildcards (below).
  EXPECT_LOG      the log file, byte for byte; default path kavri.log in the
  EXPECTF_LOG     site, or "--EXPECT_LOG: logs/kavri.log--". With wildcards.
  EXPECT_FILE: P  a file the request left behind; P may be a glob pattern
  EXPECTF_FILE: P which must match exactly one file. With wildcards.
  EXPECT_NO_FILE: P  no file matches P (a glob pattern) after the run.
  EXPECT_STDERR   standard error, exact or with wildcards. Without these,
  EXPECTF_STDERR  standard error is only searched for sanitizer reports.

A case must hold at least one EXPECT* section.

Options after the path (or alone) in a header, separated by blanks:
  crlf      every line break of the body becomes "\r\n".
  escapes   C-style escapes in the body: \\ \n \r \t \0 \xHH.
  size=N    the body is a pattern repeated and cut to exactly N bytes
            ("x" when the body is empty); for large files, bodies and
            responses. No tokens are replaced in such a body.
  mode=OCT  file or directory permission bits, e.g. mode=755.
  raw       no tokens are replaced in this body.
The transformations run in the order: tokens, crlf, escapes, size.

Tokens replaced in every body (unless raw):
  {SITE}     absolute path of the site directory, e.g. /tmp/kavr-case-x/site
  {SITE_BS}  the same with every "/" written "\" (as kavr writes paths in
             its log)
  {PROGRAM}  absolute path of the "kavr" link
  {PID}      process id of the run (only in the EXPECT* sections)
  {STDIN_LENGTH}  the number of bytes of standard input (in ENV and the
             EXPECT* sections), e.g. for CONTENT_LENGTH
  {YEAR1900} the current year minus 1900 (as in log time stamps)
  {STAMP}    in EXPECTF sections: the prefix of a log line of this run,
             "TID={PID}, {YEAR1900}-" then month, day and time as two-digit
             wildcards, then ": "
  and the tokens of the case's services, e.g. {PORT}.
Unknown names in braces are left as they are.

Wildcards of EXPECTF sections:
  %d digits   %i signed integer   %x hex digits   %f number
  %s one or more characters other than line breaks   %S zero or more
  %a one or more characters of any kind              %A zero or more
  %w any white space (possibly none)   %c one character   %% a "%"
  %r...%r  a regular expression (Python syntax, on bytes)
Any other "%" stands for itself.

A case fails on any mismatch (shown as a unified diff), a non-zero exit
code, death by a signal, a time-out, or a sanitizer report on standard
error ("ERROR: AddressSanitizer", "runtime error:", "LeakSanitizer").

Services: a class in SERVICES below with start(tmp_dir) returning a dict of
tokens and stop(); add one there for a server that cases need (SMTP sink,
socket peer, database), and a requirement in REQUIREMENTS when it depends
on something that may be missing.
"""

import argparse
import difflib
import glob
import importlib.util
import os
import re
import shutil
import signal
import socket
import sqlite3
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "fastcgi"))
import fcgi_client  # noqa: E402

SANITIZER_PATTERNS = (b"ERROR: AddressSanitizer", b"runtime error:", b"LeakSanitizer")
SANITIZER_ENV = ("ASAN_OPTIONS", "UBSAN_OPTIONS", "LSAN_OPTIONS")

HEADER_RE = re.compile(rb"^--([A-Z][A-Z0-9_]*)(?::[ \t]*(.*?))?--$")

# name: (path: True required, "optional", False none; may repeat)
SECTIONS = {
    "TEST": (False, False),
    "DESCRIPTION": (False, False),
    "REQUIRES": (False, False),
    "SERVICES": (False, False),
    "INI": (False, False),
    "MSG": (False, False),
    "PROGRAM_DIR": (False, False),
    "CWD": (False, False),
    "ARGV0": (False, False),
    "FILE": (True, True),
    "DIR": (True, True),
    "ENV": (False, False),
    "STDIN": (False, True),
    "TIMEOUT": (False, False),
    "EXPECT": (False, False),
    "EXPECTF": (False, False),
    "EXPECT_LOG": ("optional", False),
    "EXPECTF_LOG": ("optional", False),
    "EXPECT_FILE": (True, True),
    "EXPECTF_FILE": (True, True),
    "EXPECT_NO_FILE": (True, True),
    "EXPECT_STDERR": (False, False),
    "EXPECTF_STDERR": (False, False),
}
EXPECT_SECTIONS = {n for n in SECTIONS if n.startswith("EXPECT")}
# Sections whose text is used as a single-line value.
LINE_SECTIONS = {"TEST", "PROGRAM_DIR", "CWD", "ARGV0", "TIMEOUT"}


class CaseError(Exception):
    """A case file that cannot be understood."""


class Section:
    def __init__(self, name, path, options, body, line):
        self.name = name
        self.path = path
        self.options = options
        self.body = body
        self.line = line

    def option(self, key):
        for opt in self.options:
            if opt == key:
                return True
            if opt.startswith(key + "="):
                return opt[len(key) + 1:]
        return None


# ---------------------------------------------------------------- parsing

def is_option(word):
    return word in ("crlf", "escapes", "raw") or re.match(r"^(size|mode)=\d+$", word) is not None


def parse_case(data):
    lines = data.split(b"\n")
    if data.endswith(b"\n"):
        lines.pop()
    sections = []
    current = None
    body = []
    for number, line in enumerate(lines, 1):
        m = HEADER_RE.match(line)
        if m and m.group(1).decode() in SECTIONS:
            if current is not None:
                current.body = b"\n".join(body)
                sections.append(current)
            name = m.group(1).decode()
            words = (m.group(2) or b"").decode("utf-8", "surrogateescape").split()
            takes_path, _ = SECTIONS[name]
            path = None
            if takes_path is True and not words:
                raise CaseError("line %d: --%s-- needs a path" % (number, name))
            if takes_path and words and not is_option(words[0]):
                path, words = words[0], words[1:]
            current = Section(name, path, words, b"", number)
            body = []
        elif m:
            raise CaseError("line %d: unknown section --%s--" % (number, m.group(1).decode()))
        elif current is None:
            if line.strip():
                raise CaseError("line %d: text before the first section" % number)
        else:
            body.append(line)
    if current is not None:
        current.body = b"\n".join(body)
        sections.append(current)

    seen = set()
    for s in sections:
        _, repeatable = SECTIONS[s.name]
        key = (s.name, s.path)
        if key in seen and not (repeatable and s.name == "STDIN"):
            raise CaseError("line %d: section --%s-- given twice" % (s.line, s.name))
        seen.add(key)
        for opt in s.options:
            if not is_option(opt):
                raise CaseError("line %d: unknown option %r" % (s.line, opt))
    names = {s.name for s in sections}
    if "TEST" not in names:
        raise CaseError("no --TEST-- section")
    if not names & EXPECT_SECTIONS:
        raise CaseError("no --EXPECT...-- section: the case would check nothing")
    for a, b in (("EXPECT", "EXPECTF"), ("EXPECT_LOG", "EXPECTF_LOG"),
                 ("EXPECT_STDERR", "EXPECTF_STDERR")):
        if a in names and b in names:
            raise CaseError("--%s-- and --%s-- exclude each other" % (a, b))
    return sections


ESCAPE_RE = re.compile(rb"\\(x[0-9A-Fa-f]{2}|.)", re.S)
ESCAPES = {b"\\": b"\\", b"n": b"\n", b"r": b"\r", b"t": b"\t", b"0": b"\0"}


def unescape(data):
    def one(m):
        e = m.group(1)
        if e[:1] == b"x" and len(e) == 3:
            return bytes([int(e[1:], 16)])
        if e in ESCAPES:
            return ESCAPES[e]
        raise CaseError("unknown escape \\%s" % e.decode("latin-1"))
    return ESCAPE_RE.sub(one, data)


def substitute(data, tokens):
    for name, value in tokens.items():
        data = data.replace(b"{" + name.encode() + b"}", value.encode("utf-8", "surrogateescape"))
    return data


def content(section, tokens):
    """The bytes a section stands for, after its options."""
    data = section.body
    size = section.option("size")
    if not section.option("raw") and size is None:
        data = substitute(data, tokens)
    if section.option("crlf"):
        data = data.replace(b"\n", b"\r\n")
    if section.option("escapes"):
        data = unescape(data)
    if size is not None:
        n = int(size)
        pattern = data or b"x"
        data = (pattern * (n // len(pattern) + 1))[:n]
    return data


def text_of(section, tokens):
    return content(section, tokens).decode("utf-8", "surrogateescape").strip()


# ------------------------------------------------------------ wildcards

WILDCARDS = {
    b"d": rb"\d+",
    b"i": rb"[+-]?\d+",
    b"x": rb"[0-9A-Fa-f]+",
    b"f": rb"[+-]?(?:\d+\.?\d*|\.\d+)(?:[Ee][+-]?\d+)?",
    b"s": rb"[^\r\n]+",
    b"S": rb"[^\r\n]*",
    b"a": rb".+?",
    b"A": rb".*?",
    b"w": rb"\s*",
    b"c": rb".",
}


def wildcard_regex(pattern):
    out = []
    i = 0
    n = len(pattern)
    while i < n:
        j = pattern.find(b"%", i)
        if j < 0:
            out.append(re.escape(pattern[i:]))
            break
        out.append(re.escape(pattern[i:j]))
        code = pattern[j + 1:j + 2]
        if code == b"%":
            out.append(re.escape(b"%"))
            i = j + 2
        elif code == b"r":
            end = pattern.find(b"%r", j + 2)
            if end < 0:
                raise CaseError("%r without its closing %r")
            out.append(b"(?:" + pattern[j + 2:end] + b")")
            i = end + 2
        elif code in WILDCARDS:
            out.append(WILDCARDS[code])
            i = j + 2
        else:
            out.append(re.escape(b"%"))
            i = j + 1
    return re.compile(b"".join(out), re.S)


def matches(expected, actual, wildcards):
    if not wildcards:
        return expected == actual
    return wildcard_regex(expected).fullmatch(actual) is not None


# ------------------------------------------------------------- reporting

def visible(line):
    """A line as text, with control characters shown as escapes."""
    out = []
    for ch in line.decode("latin-1"):
        if ch == "\r":
            out.append("\\r")
        elif ch == "\0":
            out.append("\\0")
        elif ord(ch) < 32 and ch not in "\t\n":
            out.append("\\x%02x" % ord(ch))
        else:
            out.append(ch)
    return "".join(out)


def aligned_pattern(expected, actual_lines):
    """Pattern lines, with each one that matches a nearby actual line shown as
    that line, so the diff points at real differences. A line that starts
    with %A or %a stands for the actual lines it skips, up to the first line
    that matches its rest."""
    shown = []
    j = 0
    for line in expected.splitlines(keepends=True):
        skips = line[:2] in (b"%A", b"%a")
        rest = line[2:] if skips else line
        hit = None
        if b"%a" not in rest and b"%A" not in rest:
            try:
                rx = wildcard_regex((b"%S" if skips else b"") + rest)
            except (CaseError, re.error):
                rx = None
            end = len(actual_lines) if skips else min(j + 6, len(actual_lines))
            for k in range(j, end):
                if rx is not None and rx.fullmatch(actual_lines[k]):
                    hit = k
                    break
        if hit is None:
            shown.append(line)
        else:
            shown.extend(actual_lines[j:hit + 1] if skips else [actual_lines[hit]])
            j = hit + 1
    return shown


def describe_mismatch(what, expected, actual, wildcards):
    limit = 256 * 1024
    if len(expected) > limit or len(actual) > limit:
        if wildcards:
            return "%s differs (expected pattern of %d bytes, got %d bytes)" % (
                what, len(expected), len(actual))
        n = 0
        while n < min(len(expected), len(actual)) and expected[n] == actual[n]:
            n += 1
        return "%s differs at byte %d (expected %d bytes, got %d):\n  expected ...%s\n  actual   ...%s" % (
            what, n, len(expected), len(actual),
            visible(expected[max(0, n - 40):n + 40]), visible(actual[max(0, n - 40):n + 40]))
    actual_lines = actual.splitlines(keepends=True)
    if wildcards:
        expected_lines = aligned_pattern(expected, actual_lines)
    else:
        expected_lines = expected.splitlines(keepends=True)

    def marked(lines):
        out = []
        for i, line in enumerate(lines):
            text = visible(line)
            if text.endswith("\n"):
                text = text[:-1]
            elif i == len(lines) - 1:
                text += "  <no final line break>"
            out.append(text)
        return out

    diff = difflib.unified_diff(marked(expected_lines), marked(actual_lines),
                                "expected", "actual", lineterm="")
    return "%s differs:\n%s" % (what, "\n".join("  " + d for d in diff))


# ---------------------------------------------------- requirements, services

def require_command(arg):
    return None if shutil.which(arg) else "command %s not found" % arg


def require_module(arg):
    return None if importlib.util.find_spec(arg) else "Python module %s not found" % arg


def require_odbc_driver(arg):
    try:
        out = subprocess.run(["odbcinst", "-q", "-d"], capture_output=True, timeout=10).stdout
    except (OSError, subprocess.SubprocessError):
        return "odbcinst not available"
    names = [l.strip().strip(b"[]").decode("latin-1").lower() for l in out.splitlines()]
    return None if arg.lower() in names else "ODBC driver %s not installed" % arg


def require_no_sanitizer(_arg, kavr=None):
    try:
        with open(kavr, "rb") as f:
            sanitized = b"AddressSanitizer" in f.read()
    except OSError:
        sanitized = False
    return "program built with sanitizers" if sanitized else None


REQUIREMENTS = {
    "command": require_command,
    "module": require_module,
    "odbc-driver": require_odbc_driver,
    "no-sanitizer": require_no_sanitizer,
}


class FreePort:
    """A TCP port on 127.0.0.1 that nothing listens on when the case starts."""

    def start(self, tmp_dir):
        with socket.socket(socket.AF_INET, socket.SOCK_STREAM) as s:
            s.bind(("127.0.0.1", 0))
            port = s.getsockname()[1]
        return {"PORT": str(port)}

    def stop(self):
        pass


class EchoServer:
    """tests/io/echo_server.py in one of its modes (echo, silent, burst,
    close) on 127.0.0.1; its port is {ECHO_PORT}, {SILENT_PORT}, {BURST_PORT}
    or {CLOSE_PORT} after the mode."""

    def __init__(self, mode="echo"):
        self.mode = mode
        self.proc = None

    def start(self, tmp_dir):
        script = os.path.join(os.path.dirname(os.path.abspath(__file__)), "io", "echo_server.py")
        self.proc = subprocess.Popen([sys.executable, script, self.mode], stdin=subprocess.PIPE,
                                     stdout=subprocess.PIPE)
        port = self.proc.stdout.readline().strip().decode()
        if not port.isdigit():
            self.stop()
            raise CaseError("echo server (%s) did not start" % self.mode)
        return {self.mode.upper() + "_PORT": port}

    def stop(self):
        if self.proc:
            self.proc.stdin.close()
            try:
                self.proc.wait(timeout=5)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait()
            self.proc.stdout.close()
            self.proc = None


class OdbcDatabase:
    """A fresh database for one case behind the data source name kavr_case,
    with its own odbcinst.ini and odbc.ini: a SQLite file, or a new database
    on the PostgreSQL server that KAVR_PG_ENV names."""

    SQLITE_DRIVERS = ("/usr/lib/x86_64-linux-gnu/odbc/libsqlite3odbc.so",
                      "/usr/lib/aarch64-linux-gnu/odbc/libsqlite3odbc.so",
                      "/usr/lib/odbc/libsqlite3odbc.so")
    # psqlODBC's ANSI driver hands text over as the bytes the server sends,
    # and the client encoding is UTF-8 whatever the environment says, so
    # UTF-8 text comes back byte for byte.
    PG_DRIVERS = ("/usr/lib/x86_64-linux-gnu/odbc/psqlodbca.so",
                  "/usr/lib/aarch64-linux-gnu/odbc/psqlodbca.so",
                  "/usr/lib/odbc/psqlodbca.so")

    def __init__(self, sql_file, dsn="kavr_case"):
        self.sql_path = os.path.join(os.path.dirname(os.path.abspath(__file__)), sql_file)
        self.dsn = dsn
        self.pg = None
        self.dbname = None

    @staticmethod
    def first(paths, override):
        configured = os.environ.get(override)
        if configured:
            return configured
        for p in paths:
            if os.path.exists(p):
                return p
        return paths[0]

    def start(self, tmp_dir):
        conf = os.path.join(tmp_dir, "odbc")
        os.makedirs(conf, exist_ok=True)
        with open(self.sql_path, encoding="utf-8") as f:
            sql = f.read()
        env_path = os.environ.get("KAVR_PG_ENV")
        if env_path:
            self.pg = {}
            with open(env_path) as f:
                for line in f:
                    if "=" in line:
                        k, v = line.rstrip("\n").split("=", 1)
                        self.pg[k] = v
            self.dbname = "kavr_case_%d_%d" % (os.getpid(), int(time.time() * 1000) % 1000000)
            self.psql("kavr", "CREATE DATABASE %s" % self.dbname)
            self.psql(self.dbname, sql)
            driver = self.first(self.PG_DRIVERS, "KAVR_PSQL_ODBC")
            source = ("Driver=kavr_case_driver\nServername=%s\nPort=%s\nDatabase=%s\n"
                      "Username=%s\nPassword=\nConnSettings=SET client_encoding TO 'UTF8'\n" % (self.pg["PGHOST"], self.pg["PGPORT"],
                                                    self.dbname, self.pg.get("PGUSER", "kavr")))
        else:
            db = os.path.join(conf, "case.db")
            con = sqlite3.connect(db)
            con.executescript(sql)
            con.commit()
            con.close()
            driver = self.first(self.SQLITE_DRIVERS, "KAVR_SQLITE_ODBC")
            source = "Driver=kavr_case_driver\nDatabase=%s\n" % db
        with open(os.path.join(conf, "odbcinst.ini"), "w") as f:
            f.write("[kavr_case_driver]\nDriver=%s\n" % driver)
        with open(os.path.join(conf, "odbc.ini"), "w") as f:
            f.write("[%s]\n" % self.dsn + source)
        return {"DSN": self.dsn, "ODBCSYSINI": conf}

    def psql(self, database, sql):
        psql = os.path.join(self.pg["KAVR_PG_BIN"], "psql")
        r = subprocess.run([psql, "-q", "-v", "ON_ERROR_STOP=1", "-h", self.pg["PGHOST"],
                            "-p", self.pg["PGPORT"], "-U", self.pg.get("PGUSER", "kavr"),
                            "-d", database], input=sql.encode(), capture_output=True, timeout=60)
        if r.returncode != 0:
            raise CaseError("psql failed: " + r.stderr.decode(errors="replace"))

    def stop(self):
        if self.pg and self.dbname:
            try:
                self.psql("kavr", "DROP DATABASE IF EXISTS %s" % self.dbname)
            except (CaseError, OSError, subprocess.SubprocessError):
                pass
            self.dbname = None


SERVICES = {
    "free-port": FreePort,
    "echo-server": EchoServer,
    "odbc-database": OdbcDatabase,
}


# ------------------------------------------------------------- running

class Outcome:
    def __init__(self, status, detail=""):
        self.status = status  # "PASS", "FAIL", "SKIP"
        self.detail = detail


def inside(site, rel):
    path = os.path.normpath(os.path.join(site, rel))
    if path != site and not path.startswith(site + os.sep):
        raise CaseError("path %s leaves the site directory" % rel)
    return path


def section_lines(sections, name):
    """The words of each line of the named sections, blank and "#" lines
    left out."""
    for s in sections:
        if s.name != name:
            continue
        for line in s.body.decode().splitlines():
            words = line.split()
            if words and not words[0].startswith("#"):
                yield words


def check_requirements(sections, kavr):
    for words in section_lines(sections, "REQUIRES"):
        check = REQUIREMENTS.get(words[0])
        if check is None:
            raise CaseError("unknown requirement %r" % words[0])
        arg = words[1] if len(words) > 1 else ""
        reason = check(arg, kavr) if check is require_no_sanitizer else check(arg)
        if reason:
            return reason
    return None


def write_file(path, data, mode):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)
    if mode is not None:
        os.chmod(path, int(mode, 8))


def build_environment(sections, tokens):
    env = {}
    for name in SANITIZER_ENV:
        if name in os.environ:
            env[name] = os.environ[name]
    for s in sections:
        if s.name != "ENV":
            continue
        for line in content(s, tokens).decode("utf-8", "surrogateescape").split("\n"):
            if not line or line.startswith("#"):
                continue
            if "=" not in line:
                raise CaseError("ENV line without '=': %r" % line)
            key, value = line.split("=", 1)
            env[key] = value
    return env


class Prepared:
    """A case's site written out, ready to run."""

    def __init__(self, **kw):
        self.__dict__.update(kw)


def start_services(sections, root, tokens, services):
    for words in section_lines(sections, "SERVICES"):
        cls = SERVICES.get(words[0])
        if cls is None:
            raise CaseError("unknown service %r" % words[0])
        service = cls(*words[1:])
        services.append(service)
        tokens.update(service.start(root))


def prepare_site(sections, kavr, root, site, services, default_timeout):
    """Starts the case's services and writes its site; the link to kavr is
    made last."""
    tokens = {"SITE": site, "SITE_BS": site.replace("/", "\\"),
              "YEAR1900": str(time.localtime().tm_year - 1900)}
    start_services(sections, root, tokens, services)

    by_name = {}
    for s in sections:
        by_name.setdefault(s.name, s)
    program_dir = inside(site, text_of(by_name["PROGRAM_DIR"], tokens)
                         if "PROGRAM_DIR" in by_name else ".")
    cwd = inside(site, text_of(by_name["CWD"], tokens) if "CWD" in by_name else ".")
    link = os.path.join(program_dir, "kavr")
    tokens["PROGRAM"] = link

    for s in sections:
        if s.name == "DIR":
            d = inside(site, s.path)
            os.makedirs(d, exist_ok=True)
            if s.option("mode"):
                os.chmod(d, int(s.option("mode"), 8))
    generated = {os.path.join(program_dir, "kavri.ini"): "INI",
                 os.path.join(program_dir, "kavr_msg.ini"): "MSG"}
    for s in sections:
        if s.name == "FILE" and generated.get(inside(site, s.path)) in by_name:
            raise CaseError("--FILE: %s-- is the file of the --%s-- section" % (
                s.path, generated[inside(site, s.path)]))
    for s in sections:
        if s.name == "FILE":
            write_file(inside(site, s.path), content(s, tokens), s.option("mode"))
        elif s.name == "INI":
            write_file(os.path.join(program_dir, "kavri.ini"), content(s, tokens), s.option("mode"))
        elif s.name == "MSG":
            write_file(os.path.join(program_dir, "kavr_msg.ini"), content(s, tokens), s.option("mode"))
    os.makedirs(program_dir, exist_ok=True)
    os.makedirs(cwd, exist_ok=True)
    os.symlink(os.path.abspath(kavr), link)

    body = b"".join(content(s, tokens) for s in sections if s.name == "STDIN")
    tokens["STDIN_LENGTH"] = str(len(body))
    return Prepared(
        tokens=tokens, link=link, cwd=cwd, body=body,
        env=build_environment(sections, tokens),
        argv0=text_of(by_name["ARGV0"], tokens) if "ARGV0" in by_name else link,
        timeout=float(text_of(by_name["TIMEOUT"], tokens)) if "TIMEOUT" in by_name else default_timeout)


def run_cgi(p, root):
    """(stdout, stderr, exit code, pid) of one CGI run, or a failure text."""
    stdin_path = os.path.join(root, "stdin")
    with open(stdin_path, "wb") as f:
        f.write(p.body)
    with open(stdin_path, "rb") as stdin:
        proc = subprocess.Popen([p.argv0], executable=p.link, cwd=p.cwd, env=p.env, stdin=stdin,
                                stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                                start_new_session=True)
        try:
            out, err = proc.communicate(timeout=p.timeout)
        except subprocess.TimeoutExpired:
            os.killpg(proc.pid, signal.SIGKILL)
            proc.communicate()
            return "timed out after %g s" % p.timeout
    return out, err, proc.returncode, proc.pid


# The driver manager reads its own configuration from the process: a
# worker gets these from the environment it is started with, as a web
# server's FastCGI settings give them.
PROCESS_ENV_PREFIXES = ("ODBC",)


def worker_environment(case_env):
    env = {k: v for k, v in os.environ.items() if k in SANITIZER_ENV}
    env.update({k: v for k, v in case_env.items() if k.startswith(PROCESS_ENV_PREFIXES)})
    return env


class FastCgiWorker:
    """kavr started as a FastCGI application: its standard input is a
    listening Unix socket, as web servers hand it over. Requests go through
    tests/fastcgi/fcgi_client.py."""

    def __init__(self, argv0, link, cwd, env, ctl_dir):
        self.address = os.path.join(ctl_dir, "kavr.sock")
        self.stderr_path = os.path.join(ctl_dir, "worker.stderr")
        self.stdout_path = os.path.join(ctl_dir, "worker.stdout")
        if os.path.exists(self.address):
            os.unlink(self.address)  # of a worker that ended
        listener = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
        listener.bind(self.address)
        listener.listen(16)
        with open(self.stderr_path, "wb") as err, open(self.stdout_path, "wb") as out:
            self.proc = subprocess.Popen([argv0], executable=link, cwd=cwd, env=env,
                                         stdin=listener.fileno(), stdout=out, stderr=err,
                                         start_new_session=True)
        listener.close()
        self.pid = self.proc.pid

    def request(self, params, body, timeout):
        """(stdout, stderr records), or a failure text."""
        try:
            out, err, _status = fcgi_client.request(self.address, params, body, timeout)
            return out, err
        except socket.timeout:
            return "timed out after %g s" % timeout
        except (OSError, fcgi_client.FastCgiError) as e:
            return "FastCGI request failed: %s (worker %s)" % (e, self.state())

    def state(self):
        rc = self.proc.poll()
        return "running" if rc is None else ("ended with %d" % rc)

    def stop(self, timeout=20):
        """(exit code, stderr, stdout of the worker itself)."""
        if self.proc.poll() is None:
            self.proc.send_signal(signal.SIGTERM)
            try:
                self.proc.wait(timeout=timeout)
            except subprocess.TimeoutExpired:
                os.killpg(self.proc.pid, signal.SIGKILL)
                self.proc.wait()
        with open(self.stderr_path, "rb") as f:
            err = f.read()
        with open(self.stdout_path, "rb") as f:
            out = f.read()
        return self.proc.returncode, err, out


def run_fastcgi(p, root):
    """One worker in the case's site for this case alone: same answer."""
    ctl = tempfile.mkdtemp(prefix="kavr-fcgi-")
    try:
        worker = FastCgiWorker(p.argv0, p.link, p.cwd, worker_environment(p.env), ctl)
        answer = worker.request(p.env, p.body, p.timeout)
        rc, err, own_out = worker.stop()
        if isinstance(answer, str):
            return answer + ("\nworker stderr:\n" + visible(err) if err else "")
        out, records_err = answer
        if own_out:
            return "the worker wrote to its own standard output:\n" + visible(own_out)
        return out, records_err + err, rc, worker.pid
    finally:
        shutil.rmtree(ctl, ignore_errors=True)


def judge(sections, p, site, out, err, returncode, pid, verbose, elapsed):
    tokens = p.tokens
    tokens["PID"] = str(pid)
    tokens["STAMP"] = "TID=%d, %s-%%r\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d%%r: " % (
        pid, tokens["YEAR1900"])
    problems = []
    for pattern in SANITIZER_PATTERNS:
        if pattern in err:
            problems.append("sanitizer report on stderr:\n" + visible(err))
            break
    if returncode < 0:
        problems.append("killed by signal %d" % -returncode)
    elif returncode > 0:
        problems.append("exit code %d (expected 0)" % returncode)
    problems += compare_outputs(sections, tokens, site, out, err)
    if problems and err and not any("stderr" in x for x in problems):
        problems.append("stderr:\n" + visible(err))
    if verbose:
        print("  ran in %.3f s, pid %d, site %s" % (elapsed, pid, site))
    if problems:
        return Outcome("FAIL", "\n".join(problems))
    return Outcome("PASS")


def load_case(path, kavr):
    with open(path, "rb") as f:
        sections = parse_case(f.read())
    title = next(s for s in sections if s.name == "TEST").body.decode().strip()
    return sections, title, check_requirements(sections, kavr)


def run_case(path, kavr, default_timeout, keep, verbose, mode="cgi"):
    sections, title, reason = load_case(path, kavr)
    if reason:
        return title, Outcome("SKIP", reason)

    root = tempfile.mkdtemp(prefix="kavr-case-")
    site = os.path.join(root, "site")
    os.mkdir(site)
    services = []
    try:
        p = prepare_site(sections, kavr, root, site, services, default_timeout)
        started = time.monotonic()
        result = (run_fastcgi if mode == "fastcgi" else run_cgi)(p, root)
        if isinstance(result, str):
            return title, Outcome("FAIL", result)
        out, err, returncode, pid = result
        return title, judge(sections, p, site, out, err, returncode, pid, verbose,
                            time.monotonic() - started)
    finally:
        for service in services:
            service.stop()
        if keep:
            print("  kept %s" % root)
        else:
            shutil.rmtree(root, ignore_errors=True)


# ------------------------------------------------------------ isolation

# Sections that place the program itself; such a case needs a worker of its
# own and cannot share one.
OWN_PROCESS_SECTIONS = {"PROGRAM_DIR", "CWD", "ARGV0"}


def clear_directory(path):
    for name in os.listdir(path):
        full = os.path.join(path, name)
        if os.path.isdir(full) and not os.path.islink(full):
            for dirpath, dirs, _files in os.walk(full):
                for d in dirs:  # a case may leave a directory without write permission
                    os.chmod(os.path.join(dirpath, d), 0o755)
            os.chmod(full, 0o755)
            shutil.rmtree(full)
        else:
            os.unlink(full)


def run_isolation(cases, kavr, default_timeout, rounds, seed, verbose, report):
    """Every case through ONE worker, back to back, in a shuffled order,
    rounds times: the site directory is emptied and written afresh for each
    case (so kavri.ini changes under the worker), and every answer must be
    the one the case expects alone."""
    import random
    rng = random.Random(seed)
    root = tempfile.mkdtemp(prefix="kavr-isolation-")
    site = os.path.join(root, "site")
    ctl = tempfile.mkdtemp(prefix="kavr-isolation-ctl-")
    os.mkdir(site)
    loaded = []
    for case in cases:
        try:
            sections, title, reason = load_case(case, kavr)
        except CaseError as e:
            report(case, "", Outcome("FAIL", "bad case file: %s" % e))
            continue
        if not reason and {s.name for s in sections} & OWN_PROCESS_SECTIONS:
            reason = "places the program itself; needs a worker of its own"
        if reason:
            report(case, title, Outcome("SKIP", reason))
            continue
        loaded.append((case, sections, title))
    link = os.path.join(site, "kavr")
    odbc_dir = os.path.join(root, "odbc")
    env = {k: v for k, v in os.environ.items() if k in SANITIZER_ENV}
    env.update({"ODBCSYSINI": odbc_dir, "ODBCINI": os.path.join(odbc_dir, "odbc.ini")})
    os.symlink(os.path.abspath(kavr), link)
    worker = FastCgiWorker(link, link, site, env, ctl)
    try:
        for round_number in range(1, rounds + 1):
            order = loaded[:]
            rng.shuffle(order)
            for case, sections, title in order:
                services = []
                try:
                    for name in os.listdir(root):
                        if name != "site":
                            full = os.path.join(root, name)
                            shutil.rmtree(full) if os.path.isdir(full) else os.unlink(full)
                    clear_directory(site)
                    # Timestamps of the files just written must differ from
                    # those of the previous case's files of the same name.
                    time.sleep(0.012)
                    p = prepare_site(sections, kavr, root, site, services, default_timeout)
                    started = time.monotonic()
                    answer = worker.request(p.env, p.body, p.timeout)
                    if isinstance(answer, str):
                        outcome = Outcome("FAIL", answer)
                        rc, err, _ = worker.stop()
                        outcome.detail += "\nworker stderr:\n" + visible(err)
                        worker = FastCgiWorker(link, link, site, env, ctl)
                    else:
                        out, err = answer
                        outcome = judge(sections, p, site, out, err, 0, worker.pid, verbose,
                                        time.monotonic() - started)
                except CaseError as e:
                    outcome = Outcome("FAIL", "bad case file: %s" % e)
                finally:
                    for service in services:
                        service.stop()
                report(case, title, outcome, "round %d: " % round_number)
                if worker.proc.poll() is not None:
                    report(case, title, Outcome("FAIL", "the worker ended: %s" % worker.state()))
                    worker = FastCgiWorker(link, link, site, env, ctl)
    finally:
        rc, err, own_out = worker.stop()
        shutil.rmtree(ctl, ignore_errors=True)
        shutil.rmtree(root, ignore_errors=True)
    problems = []
    if rc != 0:
        problems.append("the worker exited with %d" % rc)
    for pattern in SANITIZER_PATTERNS:
        if pattern in err:
            problems.append("sanitizer report from the worker:\n" + visible(err))
            break
    if own_out:
        problems.append("the worker wrote to its own standard output:\n" + visible(own_out))
    if problems:
        report("worker", "the shared worker at its end", Outcome("FAIL", "\n".join(problems)))


def compare_outputs(sections, tokens, site, out, err):
    problems = []
    for s in sections:
        if s.name not in EXPECT_SECTIONS:
            continue
        wildcards = s.name.startswith("EXPECTF")
        expected = content(s, tokens)
        if s.name in ("EXPECT", "EXPECTF"):
            if not matches(expected, out, wildcards):
                problems.append(describe_mismatch("response", expected, out, wildcards))
        elif s.name in ("EXPECT_STDERR", "EXPECTF_STDERR"):
            if not matches(expected, err, wildcards):
                problems.append(describe_mismatch("stderr", expected, err, wildcards))
        elif s.name == "EXPECT_NO_FILE":
            found = glob.glob(inside(site, s.path))
            if found:
                problems.append("file %s should not exist, found: %s" % (
                    s.path, ", ".join(os.path.relpath(p, site) for p in found)))
        else:
            rel = s.path if s.path else "kavri.log"
            found = glob.glob(inside(site, rel))
            if len(found) != 1:
                problems.append("expected exactly one file %s, found %d" % (rel, len(found)))
                continue
            with open(found[0], "rb") as f:
                actual = f.read()
            if not matches(expected, actual, wildcards):
                problems.append(describe_mismatch("file " + rel, expected, actual, wildcards))
    return problems


def collect(paths):
    cases = []
    for p in paths:
        if os.path.isdir(p):
            for dirpath, _dirs, files in os.walk(p):
                for name in files:
                    if name.endswith(".case"):
                        cases.append(os.path.join(dirpath, name))
        elif os.path.isfile(p):
            cases.append(p)
        else:
            print("no such case or directory: %s" % p, file=sys.stderr)
            sys.exit(2)
    return sorted(cases)


def main():
    ap = argparse.ArgumentParser(description="Run kavr end-to-end cases.")
    ap.add_argument("--kavr", required=True, help="path of the kavr program under test")
    ap.add_argument("--timeout", type=float, default=20.0, help="seconds per case (default 20)")
    ap.add_argument("--keep", action="store_true", help="keep the temporary site directories")
    ap.add_argument("--verbose", "-v", action="store_true")
    ap.add_argument("--filter", help="run only cases whose path contains this text")
    ap.add_argument("--fastcgi", action="store_true",
                    help="send each case as a FastCGI request to a worker started in its site")
    ap.add_argument("--isolation", type=int, metavar="ROUNDS",
                    help="send all cases, shuffled, ROUNDS times through one FastCGI worker")
    ap.add_argument("--seed", type=int, help="shuffle seed of --isolation (default: random, printed)")
    ap.add_argument("paths", nargs="+", help="case files or directories of cases")
    args = ap.parse_args()

    if not os.access(args.kavr, os.X_OK):
        print("kavr program not found or not executable: %s" % args.kavr, file=sys.stderr)
        return 2
    cases = collect(args.paths)
    if args.filter:
        cases = [c for c in cases if args.filter in c]
    if not cases:
        print("no cases found", file=sys.stderr)
        return 2

    counts = {"PASS": 0, "FAIL": 0, "SKIP": 0}

    def report(case, title, outcome, prefix=""):
        shown = os.path.join(os.path.basename(os.path.dirname(case)), os.path.basename(case))
        counts[outcome.status] += 1
        line = "%s%s %s" % (prefix, outcome.status, shown)
        if title:
            line += "  -- " + title
        if outcome.status == "SKIP":
            line += "  (%s)" % outcome.detail
        print(line)
        if outcome.status == "FAIL":
            for detail_line in outcome.detail.splitlines():
                print("    " + detail_line)
        sys.stdout.flush()

    if args.isolation:
        seed = args.seed if args.seed is not None else int.from_bytes(os.urandom(4), "big")
        print("isolation: %d rounds, seed %d" % (args.isolation, seed))
        run_isolation(cases, args.kavr, args.timeout, args.isolation, seed, args.verbose, report)
    else:
        for case in cases:
            try:
                title, outcome = run_case(case, args.kavr, args.timeout, args.keep, args.verbose,
                                          "fastcgi" if args.fastcgi else "cgi")
            except CaseError as e:
                title, outcome = "", Outcome("FAIL", "bad case file: %s" % e)
            report(case, title, outcome)

    area = ",".join(sorted({os.path.basename(os.path.normpath(p)) for p in args.paths}))
    mode = " (isolation)" if args.isolation else (" (FastCGI)" if args.fastcgi else "")
    print("%s%s: %d passed, %d failed, %d skipped" % (area, mode, counts["PASS"], counts["FAIL"],
                                                     counts["SKIP"]))
    return 1 if counts["FAIL"] else 0


if __name__ == "__main__":
    sys.exit(main())
