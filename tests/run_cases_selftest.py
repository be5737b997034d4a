#!/usr/bin/env python3
"""Checks of the case runner itself: that section bodies mean the bytes the
case format promises, and that every kind of failure of the program under
test fails its case. Uses small shell programs in place of kavr."""

import os
import subprocess
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.dont_write_bytecode = True
sys.path.insert(0, HERE)
import run_cases  # noqa: E402


def body(case_text, name):
    sections = run_cases.parse_case(case_text.encode())
    section = next(s for s in sections if s.name == name)
    return run_cases.content(section, {"SITE": "/s"})


class SectionBodies(unittest.TestCase):
    def test_last_line_break_belongs_to_the_next_header(self):
        case = "--TEST--\nt\n--EXPECT--\nHeader\n\n</HTML>\n--STDIN--\nline\n\n--ENV--\n"
        self.assertEqual(body(case, "EXPECT"), b"Header\n\n</HTML>")
        self.assertEqual(body(case, "STDIN"), b"line\n")
        self.assertEqual(body(case, "ENV"), b"")

    def test_options_apply_in_order(self):
        case = "--TEST--\nt\n--STDIN: crlf escapes--\na\\x41\n{SITE}\\n\n--EXPECT--\n"
        self.assertEqual(body(case, "STDIN"), b"aA\r\n/s\n")
        case = "--TEST--\nt\n--STDIN: size=7--\nab{SITE}\n--EXPECT--\n"
        self.assertEqual(body(case, "STDIN"), b"ab{SITE")

    def test_bad_cases_are_refused(self):
        for text in ("--TEST--\nt\n",                                   # checks nothing
                     "--TEST--\nt\n--EXPECTX--\n",                      # unknown section
                     "--TEST--\nt\n--EXPECT: nosuch--\n",               # unknown option
                     "--TEST--\nt\n--EXPECT--\n--EXPECTF--\n",          # both forms
                     "junk\n--TEST--\nt\n--EXPECT--\n"):                # text before
            with self.assertRaises(run_cases.CaseError, msg=text):
                run_cases.parse_case(text.encode())

    def test_wildcards(self):
        m = run_cases.matches
        self.assertTrue(m(b"t=%d ms%A", b"t=12 ms\nmore", True))
        self.assertFalse(m(b"t=%d ms", b"t= ms", True))
        self.assertFalse(m(b"a%sb", b"a\nb", True))
        self.assertTrue(m(b"a%ab", b"a\nb", True))
        self.assertTrue(m(b"100%%", b"100%", True))
        self.assertTrue(m(b"x%r\\d{2}%r", b"x42", True))
        self.assertFalse(m(b"abc", b"abc\n", False))


class Runs(unittest.TestCase):
    """Whole runs against shell programs standing in for kavr."""

    def run_case(self, program, case_text):
        with tempfile.TemporaryDirectory() as d:
            prog = os.path.join(d, "prog")
            with open(prog, "w") as f:
                f.write("#!/bin/sh\n" + program)
            os.chmod(prog, 0o755)
            case = os.path.join(d, "x.case")
            with open(case, "w") as f:
                f.write(case_text)
            return subprocess.run([sys.executable, os.path.join(HERE, "run_cases.py"),
                                   "--kavr", prog, "--timeout", "2", case],
                                  capture_output=True, text=True)

    def test_environment_stdin_files_and_log_are_as_the_case_says(self):
        r = self.run_case(
            'printf "%s|%s|" "$QUERY_STRING" "$HOME"; cat; cat data.txt; '
            'cat kavri.ini > kavri.log\n',
            "--TEST--\nt\n--INI--\nLogFilePath={SITE}\n--ENV--\nQUERY_STRING=a=1\n"
            "--STDIN--\nin\n--FILE: data.txt--\nfile\n--EXPECT--\na=1||infile\n"
            "--EXPECT_LOG--\nLogFilePath={SITE}\n")
        self.assertEqual(r.returncode, 0, r.stdout)
        self.assertIn("1 passed, 0 failed", r.stdout)

    def test_each_failure_kind_fails_the_case(self):
        ok = "--TEST--\nt\n--EXPECT--\nout\n"
        for program, reason in (('printf other\n', "response differs"),
                                ('printf out; exit 3\n', "exit code 3"),
                                ('printf out; kill -SEGV $$\n', "killed by signal 11"),
                                ('sleep 5; printf out\n', "timed out"),
                                ('printf out; echo "x.c:1: runtime error: overflow" >&2\n',
                                 "sanitizer report")):
            r = self.run_case(program, ok)
            self.assertEqual(r.returncode, 1, program)
            self.assertIn(reason, r.stdout, program)

    def test_missing_and_unexpected_files_fail(self):
        r = self.run_case("printf out; touch left.tmp\n",
                          "--TEST--\nt\n--EXPECT--\nout\n--EXPECT_NO_FILE: *.tmp--\n"
                          "--EXPECT_FILE: made.txt--\n")
        self.assertEqual(r.returncode, 1)
        self.assertIn("should not exist", r.stdout)
        self.assertIn("expected exactly one file made.txt", r.stdout)


if __name__ == "__main__":
    unittest.main()
