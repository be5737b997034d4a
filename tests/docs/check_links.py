#!/usr/bin/env python3
"""Checks the relative links of the documentation.

Usage: check_links.py [--root DIR]

Every markdown link of README.md and docs/**/*.md that is not a URL must
name a file or directory of the repository, and a "#fragment" must be the
anchor of a heading of the page it names (anchors as the usual markdown
renderers make them: lower case, punctuation dropped, blanks as "-", a
repeated heading numbered "-1", "-2"). Links inside code are not links.
"""

import argparse
import os
import re
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
LINK_RE = re.compile(r"(?<!\!)\[[^\]]*\]\(([^)\s]+)\)")
CODE_SPAN_RE = re.compile(r"`+[^`]*`+")


def slug(heading):
    text = heading.strip().lower().replace("`", "")
    text = re.sub(r"[^\w\- ]", "", text)
    return text.replace(" ", "-")


def anchors(path, cache={}):
    if path not in cache:
        found, seen, in_code = set(), {}, False
        with open(path, encoding="utf-8") as f:
            for line in f:
                if line.startswith("```") or line.startswith("~~~"):
                    in_code = not in_code
                m = None if in_code else re.match(r"^#{1,6}\s+(.*?)\s*#*\s*$", line)
                if m:
                    s = slug(m.group(1))
                    n = seen.get(s, 0)
                    seen[s] = n + 1
                    found.add(s if n == 0 else "%s-%d" % (s, n))
        cache[path] = found
    return cache[path]


def links(path):
    in_code = False
    with open(path, encoding="utf-8") as f:
        for number, line in enumerate(f, 1):
            if line.startswith("```") or line.startswith("~~~"):
                in_code = not in_code
                continue
            if in_code:
                continue
            for target in LINK_RE.findall(CODE_SPAN_RE.sub("", line)):
                yield number, target


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--root", default=os.path.dirname(os.path.dirname(HERE)))
    args = ap.parse_args()
    pages = [os.path.join(args.root, "README.md")]
    for dirpath, _dirs, names in os.walk(os.path.join(args.root, "docs")):
        pages += [os.path.join(dirpath, n) for n in names if n.endswith(".md")]
    problems, count = [], 0
    for page in sorted(pages):
        for number, target in links(page):
            if re.match(r"^[a-z][a-z0-9+.-]*:", target):
                continue
            count += 1
            file_part, _, fragment = target.partition("#")
            dest = os.path.normpath(os.path.join(os.path.dirname(page), file_part)) if file_part else page
            where = "%s:%d" % (os.path.relpath(page, args.root), number)
            if not os.path.exists(dest):
                problems.append("%s: %s: no such file" % (where, target))
            elif fragment and dest.endswith(".md") and fragment not in anchors(dest):
                problems.append("%s: %s: no heading with this anchor" % (where, target))
    for p in problems:
        print(p)
    print("links: %d checked in %d pages, %d broken" % (count, len(pages), len(problems)))
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
