#!/usr/bin/env python3
"""Runs tagcheck over template files and compares what it writes.

    run_tagcheck.py --tagcheck build/tagcheck [--clean DIR]... [--broken DIR]...

Every *.kvl file under a --clean directory must check without a single
byte of output and with exit status 1. Every *.kvl file under a --broken
directory must write exactly the bytes of the file beside it with the
extension .out, and exit with the status in the file with the extension
.rc (1 when there is none). The program is also run without an argument
(nothing on standard output, a usage line on standard error, a non-zero
status) and on a path that does not exist. Standard error must never hold
a sanitizer report.
"""
import argparse
import glob
import os
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

    for f in failures:
        print("FAIL " + f)
    print("%d templates, %d failures" % (count, len(failures)))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
