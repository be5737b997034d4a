#!/usr/bin/env python3
"""Compares the language reference with the engine's tag and function tables.

Usage: check_reference.py --lister PATH [--reference DIR]

The lister (kavr_list_tables) prints "tag NAME" and "function NAME" for
every row that kavr registers. The reference documents a function as a
third-level heading of docs/reference/functions.md and a tag as a
third-level heading of any other page of docs/reference/, each name in
backquotes (several names may share a heading: "### `kavexitwhile`,
`kavexitfor`"). Tags that live only inside another tag's body (kavelse,
kavcase, kavprinttablecol) are fourth-level headings and not compared.
Closing tags with a handler of their own ("/kavdbquery") belong to their
opening tag's entry.

Fails when the engine has a tag or function without an entry, or the
reference has an entry the engine does not know.
"""

import argparse
import os
import re
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
HEADING_RE = re.compile(r"^###\s+(.*)$")
NAME_RE = re.compile(r"`([A-Za-z][A-Za-z0-9_]*)`")


def documented(reference):
    tags, functions = {}, {}
    for name in sorted(os.listdir(reference)):
        if not name.endswith(".md"):
            continue
        path = os.path.join(reference, name)
        into = functions if name == "functions.md" else tags
        in_code = False
        with open(path, encoding="utf-8") as f:
            for number, line in enumerate(f, 1):
                if line.startswith("```"):
                    in_code = not in_code
                m = None if in_code else HEADING_RE.match(line)
                if not m:
                    continue
                for entry in NAME_RE.findall(m.group(1)):
                    if into is tags and not entry.lower().startswith("kav"):
                        continue
                    into.setdefault(entry.lower(), (entry, "%s:%d" % (os.path.relpath(path, ROOT), number)))
    return tags, functions


def engine(lister):
    out = subprocess.run([lister], capture_output=True, check=True).stdout.decode()
    tags, functions = {}, {}
    for line in out.splitlines():
        kind, _, name = line.partition(" ")
        if kind == "tag" and not name.startswith("/"):
            tags[name.lower()] = name
        elif kind == "function":
            functions[name.lower()] = name
    return tags, functions


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--lister", required=True)
    ap.add_argument("--reference", default=os.path.join(ROOT, "docs", "reference"))
    args = ap.parse_args()
    doc_tags, doc_functions = documented(args.reference)
    eng_tags, eng_functions = engine(args.lister)
    problems = []
    for what, eng, doc in (("tag", eng_tags, doc_tags), ("function", eng_functions, doc_functions)):
        for key in sorted(set(eng) - set(doc)):
            problems.append("%s %s has no entry in %s" % (what, eng[key], os.path.relpath(args.reference, ROOT)))
        for key in sorted(set(doc) - set(eng)):
            name, where = doc[key]
            problems.append("%s: %s %s is documented but the engine has no such %s" % (where, what, name, what))
    if not eng_tags or not eng_functions:
        problems.append("the lister printed no tags or no functions")
    for p in problems:
        print(p)
    print("reference: %d tags and %d functions documented, %d and %d in the engine, %d problems"
          % (len(doc_tags), len(doc_functions), len(eng_tags), len(eng_functions), len(problems)))
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
