#!/usr/bin/env python3
"""Runs tagcheck over template files and compares what it writes.

    run_tagcheck.py --tagcheck build/tagcheck [--clean DIR]... [--broken DIR]...
                    [--strict-clean DIR]...

Every *.kvl file under a --clean directory must check without a single
byte of output and with exit status 1. Every *.kvl file under a --broken
directory must write exactly the bytes of the file beside it with the
extension .out, and exit with the status in the file with the extension
.rc (1 when there is none). The program is also run without an argument
(nothing on standard output, a usage line on standard error, a non-zero
status) and on a path that does not exist. Every *.kvl file under a
--strict-clean directory (its subdirectories too) is checked in one call
with --strict --format=lines, which must write nothing and exit with 0.
The options are checked over the broken templates: the one-problem-a-line
and JSON layouts against the plain report, and the strict exit status.
Standard error must never hold a sanitizer report.
"""
import argparse
import glob
import json
import os
import re
import subprocess
import sys

SANITIZER_MARKS = ("ERROR: AddressSanitizer", "ERROR: LeakSanitizer", "runtime error:")


def run(tagcheck, args):
    p = subprocess.run([tagcheck] + args, stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=60)
    return p.returncode, p.stdout, p.stderr.decode("utf-8", "replace")


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--tagcheck", required=True)
    ap.add_argument("--clean", action="append", default=[])
    ap.add_argument("--broken", action="append", default=[])
    ap.add_argument("--strict-clean", action="append", default=[])
    opts = ap.parse_args()
    failures = []

    def check(name, ok, detail=""):
        if not ok:
            failures.append(name + (": " + detail if detail else ""))

    def no_sanitizer(name, err):
        check(name, not any(m in err for m in SANITIZER_MARKS), "sanitizer report:\n" + err)

    rc, out, err = run(opts.tagcheck, [])
    check("no argument: stdout", out == b"", repr(out))
    check("no argument: usage on stderr", "usage" in err.lower(), repr(err))
    check("no argument: status", rc != 0, str(rc))
    no_sanitizer("no argument", err)

    rc, out, err = run(opts.tagcheck, ["/nonexistent/dir/page.kvl"])
    check("missing file: stdout", out == b"Error: Open Template Failed\n", repr(out))
    check("missing file: status", rc == 0, str(rc))
    no_sanitizer("missing file", err)

    count = 0
    for d in opts.clean:
        for path in sorted(glob.glob(os.path.join(d, "*.kvl"))):
            count += 1
            rc, out, err = run(opts.tagcheck, [path])
            check(path, out == b"", "expected no output, got:\n" + out.decode("latin-1"))
            check(path + ": status", rc == 1, str(rc))
            no_sanitizer(path, err)

    for d in opts.broken:
        for path in sorted(glob.glob(os.path.join(d, "*.kvl"))):
            count += 1
            base = path[:-4]
            with open(base + ".out", "rb") as f:
                want = f.read()
            want_rc = 1
            if os.path.exists(base + ".rc"):
                with open(base + ".rc") as f:
                    want_rc = int(f.read().strip())
            # Only the first argument counts; a second one is ignored.
            rc, out, err = run(opts.tagcheck, [path, "ignored-argument"])
            if out != want:
                failures.append("%s: output differs\n--- expected\n%s--- got\n%s" %
                                (path, want.decode("latin-1"), out.decode("latin-1")))
            check(path + ": status", rc == want_rc, "expected %d, got %d" % (want_rc, rc))
            no_sanitizer(path, err)

    clean_files = sorted(p for d in opts.clean for p in glob.glob(os.path.join(d, "*.kvl")))
    broken_files = sorted(p for d in opts.broken for p in glob.glob(os.path.join(d, "*.kvl")))
    check_options(opts.tagcheck, clean_files, broken_files, check, no_sanitizer)

    for d in opts.strict_clean:
        files = sorted(glob.glob(os.path.join(d, "**", "*.kvl"), recursive=True))
        check(d + ": has templates", len(files) > 0)
        count += len(files)
        rc, out, err = run(opts.tagcheck, ["--strict", "--format=lines"] + files)
        check(d + ": strict check", rc == 0 and out == b"",
              "status %d, report:\n%s" % (rc, out.decode("latin-1")))
        no_sanitizer(d, err)

    for f in failures:
        print("FAIL " + f)
    print("%d templates, %d failures" % (count, len(failures)))
    return 1 if failures else 0


def plain_messages(report):
    """The messages of a plain report with their lines: the echoed line
    before a message is dropped, and a leading line number is taken off."""
    lines = report.decode("latin-1").split("\n")[:-1]
    messages = []
    for i, line in enumerate(lines):
        m = re.match(r"^(\d+):? (.*)$", line)
        if m:
            messages.append((int(m.group(1)), m.group(2)))
        elif re.match(r"^(Error|Illegal function name)", line):
            messages.append((None, line))
    return messages


def check_options(tagcheck, clean_files, broken_files, check, no_sanitizer):
    missing = "/nonexistent/dir/page.kvl"
    rc, out, err = run(tagcheck, ["--help"])
    check("--help", rc == 0 and b"--strict" in out and b"--format=lines" in out and b"--format=json" in out,
          "status %d" % rc)
    rc, out, err = run(tagcheck, ["--colour", clean_files[0]])
    check("unknown option", rc == 2 and out == b"" and "usage" in err.lower(), "status %d" % rc)
    rc, out, err = run(tagcheck, ["--format=xml", clean_files[0]])
    check("unknown format", rc == 2 and out == b"", "status %d" % rc)

    # Strict status: clean files 0, a problem 1 (each broken file, below),
    # an unreadable file 2.
    rc, out, err = run(tagcheck, ["--strict"] + clean_files)
    check("strict: clean files", rc == 0 and out == b"", "status %d: %r" % (rc, out[:200]))
    rc, out, err = run(tagcheck, ["--strict", "--format=lines", clean_files[0], missing, broken_files[0]])
    check("strict: unreadable wins", rc == 2, "status %d" % rc)
    check("lines: unreadable file", (missing + ": Error: Open Template Failed\n").encode() in out, repr(out))
    # Without --strict, several files keep the plain statuses.
    rc, out, err = run(tagcheck, ["--format=report"] + clean_files)
    check("report: several clean files", rc == 1 and out == b"", "status %d" % rc)
    rc, out, err = run(tagcheck, ["--format=report", clean_files[0], missing])
    check("report: a missing file among several", rc == 0 and b"==> " + missing.encode() + b" <==\n" in out,
          "status %d: %r" % (rc, out))
    # "--" ends the options; a file named like an option is a file.
    rc, out, err = run(tagcheck, ["--strict", "--", "--strict"])
    check("--", rc == 2 and out == b"Error: Open Template Failed\n", "status %d: %r" % (rc, out))

    # The laid-out reports hold the plain report's messages, in order,
    # each with its file and line (notes come on top).
    for path in broken_files:
        rc, plain, err = run(tagcheck, [path])
        want_strict = 1 if plain or rc != 1 else 0
        want = plain_messages(plain)
        # A text whose comments cannot be removed has no plain report (the
        # reason goes to standard error); the laid-out one names the line.
        if rc == 0 and plain == b"" and "HTML comment" in err:
            want = [(None, 'Error: the text ends inside an HTML comment or right after "<", "<!" or "<!-"')]
        rc, out, err = run(tagcheck, ["--strict", "--format=lines", path])
        check("strict: " + path, rc == want_strict, "status %d, expected %d" % (rc, want_strict))
        no_sanitizer("lines: " + path, err)
        got = []
        for line in out.decode("latin-1").split("\n")[:-1]:
            m = re.match(r"^(.*?):(\d+): (.*)$", line)
            if not m or m.group(1) != path:
                check("lines: " + path, False, "not FILE:LINE: message: " + line)
                continue
            if m.group(3).startswith("note: "):
                continue
            got.append((int(m.group(2)), m.group(3)))
        check("lines: " + path, [t for _, t in got] == [t for _, t in want],
              "\n%s\n%s" % (got, want))
        for (gl, _), (wl, _) in zip(got, want):
            check("lines: line numbers of " + path, wl is None or gl == wl, "%s / %s" % (got, want))
        rc, out, err = run(tagcheck, ["--format=json", path])
        try:
            items = json.loads(out.decode("utf-8"))
        except ValueError as e:
            check("json: " + path, False, "%s: %r" % (e, out[:300]))
            continue
        errors = [(i["line"], i["message"]) for i in items if i["severity"] == "error"]
        check("json: " + path, errors == got, "\n%s\n%s" % (errors, got))
        check("json: members of " + path,
              all(set(i) == {"file", "line", "severity", "message", "text"} and i["file"] == path for i in items))
        with open(path, "rb") as f:
            file_lines = f.read().decode("latin-1").split("\n")
        for i in items:
            if i["line"] > 0:
                check("json: text of %s:%d" % (path, i["line"]),
                      i["text"] == file_lines[i["line"] - 1].rstrip("\r"), repr(i))


if __name__ == "__main__":
    sys.exit(main())
