#!/usr/bin/env python3
"""Puts the keys of an overlay ini file over a configuration file, in place.

usage: ini_overlay.py CONFIG OVERLAY

Each key=value of OVERLAY replaces the line of that key in the same section
of CONFIG (section and key names compared without regard to case, as kavr
reads them), or is added at the end of that section, or with the section
at the end of the file. Comments and every other line of CONFIG stay.
"""
import re
import sys

SECTION = re.compile(r"^\s*\[([^\]]*)\]\s*$")
KEY = re.compile(r"^\s*([^;=\s][^=]*?)\s*=(.*)$")


def read_overlay(path):
    keys, section = [], ""
    with open(path, encoding="utf-8") as f:
        for line in f:
            m = SECTION.match(line)
            if m:
                section = m.group(1).strip()
                continue
            m = KEY.match(line)
            if m:
                keys.append((section, m.group(1), m.group(2).strip()))
    return keys


def apply(lines, section, key, value):
    new = "%s=%s\n" % (key, value)
    current, start, end = None, None, None
    for i, line in enumerate(lines):
        m = SECTION.match(line)
        if m:
            if current is not None and current.lower() == section.lower() and end is None:
                end = i
            current = m.group(1).strip()
            if current.lower() == section.lower() and start is None:
                start = i
            continue
        m = KEY.match(line)
        if m and current is not None and current.lower() == section.lower() \
                and m.group(1).lower() == key.lower():
            lines[i] = new
            return
    if start is None:
        lines.extend(["\n", "[%s]\n" % section, new])
    else:
        lines.insert(end if end is not None else len(lines), new)


def main():
    if len(sys.argv) != 3:
        sys.exit("usage: ini_overlay.py CONFIG OVERLAY")
    with open(sys.argv[1], encoding="utf-8") as f:
        lines = f.readlines()
    if lines and not lines[-1].endswith("\n"):
        lines[-1] += "\n"
    for section, key, value in read_overlay(sys.argv[2]):
        apply(lines, section, key, value)
    with open(sys.argv[1], "w", encoding="utf-8") as f:
        f.writelines(lines)


if __name__ == "__main__":
    main()
