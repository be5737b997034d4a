#!/usr/bin/env python3
r"""Runs the examples of the documentation through the real kavr.

Usage:
    run_doc_examples.py --kavr PATH [--docs DIR] [--keep] [--filter TEXT]
    run_doc_examples.py --kavr PATH --update FILE.md...   (rewrite expected output)
    run_doc_examples.py --list [--docs DIR]

An example is a group of fenced blocks in a markdown page, opened by an HTML
comment (invisible on the rendered page):

    <!-- example: NAME [extends=OTHER] [site=/srv/shop] -->

and ended by the next example comment, the next heading or
"<!-- end example -->". Fenced blocks whose info string carries one of the
roles below (the word after the language, e.g. ```html file=hello.kvl)
belong to the example; other blocks are left alone.

    file=PATH      a file of the site (templates, data files)
    kavri.ini      the configuration beside the program
    kavr_msg.ini   the message catalog beside the program
    schema         SQL that fills a fresh database; its data source is named
                   by the marker's dsn=NAME (default "shop")
    request        the request: "GET /cgi-bin/kavr?QUERY" or "POST ...", then
                   header lines ("Content-Type: ...", "Cookie: ..."), a blank
                   line and the body (multipart bodies get CR LF line ends);
                   default: GET ?template=<the first file=...kvl>
    page           the expected response after "Content-type: text/html" and
                   its blank line
    response       the whole expected response, header included
    left=PATH      a file the request must leave behind, with this content

A third word "pattern" makes page, response and left compare with the
wildcards of the case runner (%d, %s, %a, ...); "noeol" says the text has
no line end after its last line. Text after the first line of the marker
comment, up to "-->", is added to the case as it is (case-file sections,
for setup the reader need not see; --ENV-- lines are merged with the
request's).

An example without a page or response block is not run: it is a base
for others. extends=OTHER starts from the files, configuration, catalog and schema of
the example OTHER of the same page; a file given again replaces the old.
The word "sqlite" on a marker keeps the example (and those that extend it)
out of the PostgreSQL run (--databases-only with KAVR_PG_ENV set), for SQL
of SQLite's own. site=PREFIX writes PREFIX as the site's own directory
wherever it occurs;
echo-port=N starts a TCP echo server on 127.0.0.1 (tests/io/echo_server.py)
and writes its port wherever N occurs.

Each example becomes one case file of tests/run_cases.py (see
tests/cases/README.md), run in a fresh site directory; a failure prints the
page, the line of the example and the difference.
"""

import argparse
import os
import re
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
TESTS = os.path.dirname(HERE)
ROOT = os.path.dirname(TESTS)

MARKER_RE = re.compile(r"^<!--\s*example:\s*(\S+)(.*?)(-->)?\s*$")
END_RE = re.compile(r"^<!--\s*end example\s*-->\s*$")
FENCE_RE = re.compile(r"^(```+|~~~+)\s*(.*)$")
ROLE_WORDS = ("kavri.ini", "kavr_msg.ini", "schema", "request", "page", "response")


class DocError(Exception):
    pass


class Block:
    def __init__(self, role, arg, flags, text, first_line, last_line):
        self.role, self.arg, self.flags = role, arg, flags
        self.text = text                # content with a line end after each line
        self.first_line = first_line    # 1-based line of the first content line
        self.last_line = last_line      # 1-based line of the closing fence


class Example:
    def __init__(self, page, name, options, line):
        self.page, self.name, self.options, self.line = page, name, options, line
        self.hidden = []
        self.blocks = []
        self.flags = []

    def role(self, role):
        return [b for b in self.blocks if b.role == role]


def parse_role(info):
    words = info.split()
    for i, w in enumerate(words):
        for prefix in ("file=", "left="):
            if w.startswith(prefix):
                return prefix[:-1], w[len(prefix):], words[i + 1:]
        if w in ROLE_WORDS:
            return w, None, words[i + 1:]
    return None, None, []


def parse_page(path):
    with open(path, encoding="utf-8") as f:
        lines = f.read().split("\n")
    examples, current, i = [], None, 0
    while i < len(lines):
        line = lines[i]
        m = MARKER_RE.match(line)
        if m:
            options = dict(w.split("=", 1) for w in m.group(2).split() if "=" in w)
            current = Example(path, m.group(1), options, i + 1)
            current.flags = [w for w in m.group(2).split() if "=" not in w]
            examples.append(current)
            if not m.group(3):
                i += 1
                while i < len(lines) and "-->" not in lines[i]:
                    current.hidden.append(lines[i])
                    i += 1
                if i == len(lines):
                    raise DocError("%s:%d: example comment not closed" % (path, current.line))
            i += 1
            continue
        if END_RE.match(line) or line.startswith("#"):
            current = None
            i += 1
            continue
        f = FENCE_RE.match(line)
        if f:
            fence, info = f.group(1), f.group(2)
            start = i + 1
            i += 1
            while i < len(lines) and not lines[i].startswith(fence):
                i += 1
            if i == len(lines):
                raise DocError("%s:%d: code block not closed" % (path, start))
            role, arg, flags = parse_role(info)
            if current is not None and role:
                text = "".join(l + "\n" for l in lines[start:i])
                current.blocks.append(Block(role, arg, flags, text, start + 1, i + 1))
            i += 1
            continue
        i += 1
    return examples


def split_hidden(hidden):
    """The hidden case sections as (header, body lines); ENV lines apart."""
    env, sections, cur = [], [], None
    for line in hidden:
        if re.match(r"^--[A-Z][A-Z0-9_]*(:.*)?--$", line):
            cur = [line, []]
            if line == "--ENV--":
                cur = ["ENV", env]
            else:
                sections.append(cur)
        elif cur is not None:
            cur[1].append(line)
        elif line.strip():
            raise DocError("text before the first hidden section: %r" % line)
    return env, sections


def parse_request(text, default_template):
    if text is None:
        return {"REQUEST_METHOD": "GET", "QUERY_STRING": "template=" + default_template}, b""
    head, _, body = text.partition("\n\n")
    lines = head.split("\n")
    method, _, target = lines[0].partition(" ")
    path, _, query = target.strip().partition("?")
    env = {"REQUEST_METHOD": method.strip(), "QUERY_STRING": query}
    if path:
        env["SCRIPT_NAME"] = path
    for line in lines[1:]:
        if not line.strip():
            continue
        name, _, value = line.partition(":")
        key = name.strip().upper().replace("-", "_")
        if key not in ("CONTENT_TYPE", "CONTENT_LENGTH"):
            key = "HTTP_" + key
        env[key] = value.strip()
    data = body.encode("utf-8")
    if "multipart/" in env.get("CONTENT_TYPE", "").lower():
        data = data.replace(b"\n", b"\r\n")
    elif data.endswith(b"\n"):
        data = data[:-1]
    if data or method.strip().upper() == "POST":
        env.setdefault("CONTENT_LENGTH", str(len(data)))
    return env, data


def case_body(text, flags):
    if "noeol" in flags and text.endswith("\n"):
        text = text[:-1]
    return text + "\n"


def build_case(example, by_name):
    chain, seen = [], set()
    ex = example
    while ex is not None:
        if ex.name in seen:
            raise DocError("extends loop at %s" % ex.name)
        seen.add(ex.name)
        chain.insert(0, ex)
        base = ex.options.get("extends")
        if base and base not in by_name:
            raise DocError("%s:%d: extends unknown example %s" % (ex.page, ex.line, base))
        ex = by_name.get(base) if base else None

    files, ini, msg, schema, hidden_env, hidden = {}, None, None, None, [], []
    for ex in chain:
        for b in ex.blocks:
            if b.role == "file":
                files[b.arg] = b
            elif b.role == "kavri.ini":
                ini = b
            elif b.role == "kavr_msg.ini":
                msg = b
            elif b.role == "schema":
                schema = b
        env_lines, sections = split_hidden(ex.hidden)
        hidden_env += env_lines
        hidden += sections

    requests = example.role("request")
    expected = example.role("page") + example.role("response")
    if len(requests) > 1 or len(expected) != 1:
        raise DocError("%s:%d: example %s needs one page or response block and at most one request"
                       % (example.page, example.line, example.name))
    own = [b.arg for b in example.role("file")]
    templates = [p for p in own + list(files) if p.endswith(".kvl")]
    default = templates[0] if templates else ""
    env, body = parse_request(requests[0].text if requests else None, default)
    site = example.options.get("site") or next(
        (e.options["site"] for e in reversed(chain) if "site" in e.options), None)

    echo_port = next((e.options["echo-port"] for e in reversed(chain) if "echo-port" in e.options), None)

    def place(text):
        if site:
            text = text.replace(site, "{SITE}")
        if echo_port:
            text = text.replace(echo_port, "{ECHO_PORT}")
        return text

    out = ["--TEST--", "%s:%d %s" % (os.path.relpath(example.page, ROOT), example.line, example.name)]
    services = []
    if echo_port:
        services.append("echo-server echo")
    if schema is not None:
        sql = os.path.join(CASE_DIR, example.name + ".sql")
        with open(sql, "w", encoding="utf-8") as f:
            f.write(schema.text)
        dsn = next((e.options["dsn"] for e in reversed(chain) if "dsn" in e.options), "shop")
        services.append("odbc-database %s %s" % (sql, dsn))
        env["ODBCSYSINI"] = "{ODBCSYSINI}"
        env["ODBCINI"] = "{ODBCSYSINI}/odbc.ini"
    if services:
        out += ["--SERVICES--"] + services
    if ini is not None:
        out += ["--INI--", place(case_body(ini.text, ini.flags))]
    if msg is not None:
        out += ["--MSG--", place(case_body(msg.text, msg.flags))]
    for path, b in files.items():
        out += ["--FILE: %s--" % path, place(case_body(b.text, b.flags))]
    out += ["--ENV--"] + ["%s=%s" % kv for kv in env.items()] + hidden_env
    if body:
        out += ["--STDIN: escapes--", escape(body) + "\n"]
    for b in expected:
        pattern = "pattern" in b.flags
        name = "EXPECTF" if pattern else "EXPECT"
        text = case_body(b.text, b.flags)
        if b.role == "page":
            text = "Content-type: text/html\n\n" + text
        out += ["--%s--" % name, place(text)]
    for b in example.role("left"):
        name = "EXPECTF_FILE" if "pattern" in b.flags else "EXPECT_FILE"
        out += ["--%s: %s--" % (name, b.arg), place(case_body(b.text, b.flags))]
    for header, lines in hidden:
        out += [header] + lines
    return join_sections(out)


def join_sections(parts):
    # parts alternate headers and bodies; a body given with its final line
    # end already carries the line break that belongs to the next header.
    text = ""
    for p in parts:
        text += p if p.endswith("\n") else p + "\n"
    return text


def escape(data):
    out = []
    for byte in data:
        c = chr(byte)
        if c == "\\":
            out.append("\\\\")
        elif c == "\r":
            out.append("\\r")
        elif c == "\n":
            out.append("\\n")
        elif 32 <= byte < 127:
            out.append(c)
        else:
            out.append("\\x%02x" % byte)
    return "".join(out)


def pages(docs):
    found = []
    for dirpath, _dirs, names in os.walk(docs):
        for n in names:
            if n.endswith(".md"):
                found.append(os.path.join(dirpath, n))
    found.append(os.path.join(ROOT, "README.md"))
    return sorted(p for p in found if os.path.exists(p))


def all_examples(paths):
    result = []
    for page in paths:
        examples = parse_page(page)
        by_name = {}
        for ex in examples:
            if ex.name in by_name:
                raise DocError("%s:%d: example name %s used twice" % (page, ex.line, ex.name))
            by_name[ex.name] = ex
        result += [(ex, by_name) for ex in examples]
    return result


CASE_DIR = None


def chain_of(ex, by_name):
    seen = []
    while ex is not None and ex not in seen:
        seen.append(ex)
        ex = by_name.get(ex.options.get("extends", ""))
    return seen


def uses_database(ex, by_name):
    """True for an example whose site has a schema and that runs on every
    database (no "sqlite" on its marker or those it extends)."""
    chain = chain_of(ex, by_name)
    return (any(e.role("schema") for e in chain)
            and not any("sqlite" in e.options or "sqlite" in e.flags for e in chain))


def write_cases(examples, directory, databases_only=False):
    global CASE_DIR
    CASE_DIR = directory
    paths = {}
    for ex, by_name in examples:
        if not ex.role("page") + ex.role("response"):
            continue  # a base that other examples extend
        if databases_only and not uses_database(ex, by_name):
            continue
        stem = "%s__%s" % (os.path.relpath(ex.page, ROOT).replace("/", "_").replace(".md", ""), ex.name)
        path = os.path.join(directory, stem + ".case")
        with open(path, "w", encoding="utf-8") as f:
            f.write(build_case(ex, by_name))
        paths[path] = ex
    return paths


def update(examples, kavr, directory):
    """Runs each example and writes what kavr answered into its page or
    response block (for authors; review the result before committing)."""
    sys.path.insert(0, TESTS)
    import run_cases
    captured = {}
    original = run_cases.compare_outputs

    def capture(sections, tokens, site, out, err):
        captured["out"] = out
        return original(sections, tokens, site, out, err)

    run_cases.compare_outputs = capture
    edits = {}
    for path, ex in write_cases(examples, directory).items():
        captured.clear()
        run_cases.run_case(path, kavr, 20.0, False, False)
        if "out" not in captured:
            print("not run: %s:%d %s" % (ex.page, ex.line, ex.name))
            continue
        out = captured["out"].decode("utf-8", "surrogateescape")
        block = (ex.role("page") + ex.role("response"))[0]
        if "pattern" in block.flags:
            continue
        if block.role == "page":
            header = "Content-type: text/html\n\n"
            if not out.startswith(header):
                print("no plain header, left alone: %s:%d %s" % (ex.page, ex.line, ex.name))
                continue
            out = out[len(header):]
        edits.setdefault(ex.page, []).append((block, out))
    for page, changes in edits.items():
        with open(page, encoding="utf-8") as f:
            lines = f.read().split("\n")
        for block, out in sorted(changes, key=lambda c: -c[0].first_line):
            fence = block.first_line - 2
            words = lines[fence].split()
            if out.endswith("\n"):
                out = out[:-1]
                words = [w for w in words if w != "noeol"]
            elif "noeol" not in words:
                words.append("noeol")
            lines[fence] = " ".join(words)
            lines[block.first_line - 1:block.last_line - 1] = out.split("\n")
        with open(page, "w", encoding="utf-8") as f:
            f.write("\n".join(lines))
        print("updated %s (%d examples)" % (page, len(changes)))


def main():
    ap = argparse.ArgumentParser(description="Run the documentation's examples through kavr.")
    ap.add_argument("--kavr")
    ap.add_argument("--docs", default=os.path.join(ROOT, "docs"))
    ap.add_argument("--filter")
    ap.add_argument("--keep", action="store_true")
    ap.add_argument("--list", action="store_true")
    ap.add_argument("--update", nargs="+", metavar="PAGE")
    ap.add_argument("--databases-only", action="store_true",
                    help="only the examples with a schema that run on every database "
                         "(for the PostgreSQL run, KAVR_PG_ENV set)")
    args = ap.parse_args()
    try:
        if args.update:
            examples = all_examples([os.path.abspath(p) for p in args.update])
        else:
            examples = all_examples(pages(args.docs))
        if args.filter:
            examples = [e for e in examples if args.filter in e[0].name or args.filter in e[0].page]
        if args.list:
            for ex, _ in examples:
                print("%s:%d %s" % (os.path.relpath(ex.page, ROOT), ex.line, ex.name))
            return 0
        if not args.kavr:
            ap.error("--kavr is required")
        if not examples:
            print("no examples found", file=sys.stderr)
            return 2
        with tempfile.TemporaryDirectory(prefix="kavr-doc-examples-") as directory:
            if args.update:
                update(examples, args.kavr, directory)
                return 0
            if not write_cases(examples, directory, args.databases_only):
                print("no examples to run", file=sys.stderr)
                return 2
            cmd = [sys.executable, os.path.join(TESTS, "run_cases.py"), "--kavr", args.kavr, directory]
            if args.keep:
                cmd.append("--keep")
            return subprocess.call(cmd)
    except DocError as e:
        print("error: %s" % e, file=sys.stderr)
        return 2


if __name__ == "__main__":
    sys.exit(main())
