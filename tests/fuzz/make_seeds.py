#!/usr/bin/env python3
"""Seed corpora for the fuzz targets, drawn from the end-to-end cases and the
checker's templates, in the input form each target reads.

usage: make_seeds.py OUT_DIR

Writes OUT_DIR/TARGET/NNNN for every target of tests/fuzz:
  query_string     QUERY_STRING values of the cases
  urlencoded_body  query string, a line feed, then the URL-encoded body
  multipart        the boundary of CONTENT_TYPE, a line feed, then the body
  cookies          HTTP_COOKIE values
  expression       every #...# reference of the cases' templates and values
  template         the cases' template files (.kvl, .htm, .html, .txt), the
                   checker's templates and the sample site's
  checker          the same templates
Bodies of more than 64 KiB are left out (the fuzzers grow their own).
"""
import glob
import hashlib
import os
import re
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
TESTS = os.path.dirname(HERE)
sys.path.insert(0, TESTS)
import run_cases  # noqa: E402  (the case format's own parser)

MAX_SEED = 64 * 1024
TOKENS = {"SITE": "/site", "SITE_BS": "\\site", "PROGRAM": "/site/kavr", "YEAR1900": "126",
          "PID": "4711", "STDIN_LENGTH": "0"}
TEMPLATE_EXT = (".kvl", ".htm", ".html", ".txt")
REFERENCE = re.compile(rb"#[^#\r\n]{1,200}#")


def environment(sections):
    env = {}
    for s in sections:
        if s.name == "ENV":
            for line in run_cases.content(s, TOKENS).split(b"\n"):
                if b"=" in line and not line.startswith(b"#"):
                    k, v = line.split(b"=", 1)
                    env[k.decode(errors="replace")] = v
    return env


def stdin_of(sections):
    parts = [run_cases.content(s, TOKENS) for s in sections if s.name == "STDIN"]
    return b"".join(parts)


def collect():
    seeds = {t: set() for t in ("query_string", "urlencoded_body", "multipart", "cookies",
                                "expression", "template", "checker")}
    templates = []
    for path in sorted(glob.glob(os.path.join(TESTS, "cases", "**", "*.case"), recursive=True)):
        with open(path, "rb") as f:
            try:
                sections = run_cases.parse_case(f.read())
            except Exception:
                continue
        env = environment(sections)
        body = stdin_of(sections)
        query = env.get("QUERY_STRING", b"")
        if query:
            seeds["query_string"].add(query)
        kind = env.get("CONTENT_TYPE", b"")
        if env.get("REQUEST_METHOD", b"") == b"POST" and len(body) <= MAX_SEED:
            if b"multipart/form-data" in kind and b"oundary=" in kind:
                seeds["multipart"].add(kind.split(b"oundary=", 1)[1] + b"\n" + body)
            else:
                seeds["urlencoded_body"].add(query + b"\n" + body)
        if env.get("HTTP_COOKIE"):
            seeds["cookies"].add(env["HTTP_COOKIE"])
        for s in sections:
            if s.name == "FILE" and s.path.lower().endswith(TEMPLATE_EXT) and not s.option("size"):
                templates.append(run_cases.content(s, TOKENS))
        for value in env.values():
            templates.append(value)  # references in values feed the expressions only
    sample = os.path.join(os.path.dirname(TESTS), "sample", "templates", "*.kvl")
    for path in sorted(glob.glob(os.path.join(TESTS, "checker", "*", "*.kvl")) + glob.glob(sample)):
        with open(path, "rb") as f:
            templates.append(f.read())
    for text in templates:
        if len(text) > MAX_SEED:
            continue
        for ref in REFERENCE.findall(text):
            seeds["expression"].add(ref)
        if b"<" in text:
            seeds["template"].add(text)
            seeds["checker"].add(text)
    return seeds


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: make_seeds.py OUT_DIR")
    out = sys.argv[1]
    for target, items in collect().items():
        d = os.path.join(out, target)
        os.makedirs(d, exist_ok=True)
        for item in sorted(items):
            name = hashlib.sha1(item).hexdigest()[:16]
            with open(os.path.join(d, name), "wb") as f:
                f.write(item)
        print("%s: %d seeds" % (target, len(items)))


if __name__ == "__main__":
    main()
