#!/usr/bin/env python3
"""Installs kavr into a staging directory and serves a page from it.

Usage: install_test.py --build BUILD_DIR [--lighttpd PATH]

Runs "cmake --install BUILD_DIR --prefix /usr/local" with DESTDIR set to a
temporary directory and checks that the programs, the manual pages, the
sample configuration and the documentation are where an administrator
looks for them. Then it lays out a small site the way docs/admin/install.md
tells a newcomer to (a link to the installed kavr, the installed sample
configuration with @SITE@ replaced, the installed catalog), serves it with
lighttpd on a free port of 127.0.0.1 and fetches a template, a missing
template (the installed catalog's 10220 box) and the information page.
Without lighttpd the same requests run the installed kavr as CGI directly.
The installed tagcheck checks the site's template, the manual pages must
format without a warning, tagcheck(1) must name every option of
tagcheck --help, and kavr(1) and the deployment guide --listen and every
[FastCGI] key of the configuration reader.
"""

import argparse
import os
import re
import shutil
import socket
import subprocess
import sys
import tempfile
import time
import urllib.error
import urllib.request

PREFIX = "usr/local"
EXPECTED = [
    "bin/kavr",
    "bin/tagcheck",
    "share/man/man1/kavr.1",
    "share/man/man1/tagcheck.1",
    "share/kavr/kavri.ini",
    "share/kavr/kavr_msg.ini",
    "share/doc/kavr/README.md",
    "share/doc/kavr/tutorial.md",
    "share/doc/kavr/configuration.md",
    "share/doc/kavr/reference/tags.md",
    "share/doc/kavr/reference/functions.md",
    "share/doc/kavr/admin/install.md",
]

TEMPLATE = """<kavset n = 0><kavfor i = 1 to 4><kavset n = #n + i#></kavfor>
<kavprint><p>Installed: #n# #HTMLEditFormat(url.who)#</p></kavprint>
"""


class Failure(Exception):
    pass


def check(condition, message):
    if not condition:
        raise Failure(message)


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def install(build, stage):
    env = dict(os.environ, DESTDIR=stage)
    r = subprocess.run(["cmake", "--install", build, "--prefix", "/" + PREFIX],
                       env=env, capture_output=True, text=True)
    check(r.returncode == 0, "cmake --install failed:\n" + r.stdout + r.stderr)
    root = os.path.join(stage, PREFIX)
    for rel in EXPECTED:
        check(os.path.isfile(os.path.join(root, rel)), "not installed: " + rel)
    for prog in ("bin/kavr", "bin/tagcheck"):
        check(os.access(os.path.join(root, prog), os.X_OK), "not executable: " + prog)
    with open(os.path.join(root, "share/doc/kavr/README.md"), encoding="utf-8") as f:
        check("The kavr book" in f.read(), "share/doc/kavr/README.md is not the book's index")
    return root


def check_man_pages(root):
    if not shutil.which("groff"):
        return
    for page in ("kavr.1", "tagcheck.1"):
        path = os.path.join(root, "share/man/man1", page)
        r = subprocess.run(["groff", "-man", "-Tutf8", "-ww", path], capture_output=True, text=True)
        check(r.returncode == 0 and not r.stderr.strip(), "%s: groff warns:\n%s" % (page, r.stderr))
        text = re.sub(r".\x08", "", r.stdout)  # overstrike bold and underline
        check("NAME" in text and "SYNOPSIS" in text, "%s formats without NAME or SYNOPSIS" % page)


def check_tagcheck_options(root):
    """Every option that the installed tagcheck's --help names is in its
    manual page."""
    r = subprocess.run([os.path.join(root, "bin/tagcheck"), "--help"], capture_output=True, text=True)
    check(r.returncode == 0, "tagcheck --help exits with %d" % r.returncode)
    options = set(re.findall(r"(?<![\w-])(--[a-z][a-z-]*(?:=[a-z]+)?)", r.stdout))
    check(options, "tagcheck --help names no option")
    if not shutil.which("groff"):
        return
    page = subprocess.run(["groff", "-man", "-Tascii", os.path.join(root, "share/man/man1/tagcheck.1")],
                          capture_output=True, text=True).stdout
    page = re.sub(r".\x08", "", page)
    missing = sorted(o for o in options if o not in page)
    check(not missing, "tagcheck(1) lacks options of tagcheck --help: " + ", ".join(missing))


def check_fastcgi_keys(root):
    """kavr(1) and the installed deployment guide name --listen and every
    key of [FastCGI] that the configuration reader knows."""
    source = os.path.join(os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__)))),
                          "driver", "core", "config.cpp")
    with open(source) as f:
        keys = re.findall(r'\("FastCGI",\s*"(\w+)"', f.read())
    check(keys, "no [FastCGI] key found in " + source)
    with open(os.path.join(root, "share/doc/kavr/admin/deployment.md")) as f:
        guide = f.read()
    missing = [k for k in keys + ["--listen"] if "`%s" % k not in guide]
    check(not missing, "admin/deployment.md lacks " + ", ".join(missing))
    if not shutil.which("groff"):
        return
    page = subprocess.run(["groff", "-man", "-Tascii", os.path.join(root, "share/man/man1/kavr.1")],
                          capture_output=True, text=True).stdout
    page = re.sub(r".\x08", "", page)
    missing = [k for k in keys + ["--listen"] if k not in page]
    check(not missing, "kavr(1) lacks " + ", ".join(missing))


def make_site(root, site):
    for d in ("cgi-bin", "templates", "log", "tmp", "data", "mail/spool", "mail/sent", "mail/failed"):
        os.makedirs(os.path.join(site, d), exist_ok=True)
    os.symlink(os.path.join(root, "bin/kavr"), os.path.join(site, "cgi-bin/kavr"))
    with open(os.path.join(root, "share/kavr/kavri.ini"), encoding="utf-8") as f:
        ini = f.read().replace("@SITE@", site)
    with open(os.path.join(site, "cgi-bin/kavri.ini"), "w", encoding="utf-8") as f:
        f.write(ini)
    shutil.copy(os.path.join(root, "share/kavr/kavr_msg.ini"), os.path.join(site, "cgi-bin"))
    with open(os.path.join(site, "templates/hello.kvl"), "w") as f:
        f.write(TEMPLATE)


class Lighttpd:
    def __init__(self, program, site):
        self.program, self.site, self.proc = program, site, None
        self.port = free_port()

    def __enter__(self):
        conf = os.path.join(self.site, "lighttpd.conf")
        os.makedirs(os.path.join(self.site, "htdocs"), exist_ok=True)
        with open(conf, "w") as f:
            f.write('server.bind = "127.0.0.1"\nserver.port = %d\n'
                    'server.document-root = "%s/htdocs"\n'
                    'server.errorlog = "%s/log/lighttpd-error.log"\n'
                    'server.modules = ( "mod_alias", "mod_cgi" )\n'
                    '$HTTP["url"] == "/cgi-bin/kavr" {\n'
                    '    alias.url = ( "/cgi-bin/kavr" => "%s/cgi-bin/kavr" )\n'
                    '    cgi.assign = ( "" => "" )\n}\n' % (self.port, self.site, self.site, self.site))
        self.proc = subprocess.Popen([self.program, "-D", "-f", conf], stdin=subprocess.DEVNULL,
                                     stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        deadline = time.monotonic() + 10
        while time.monotonic() < deadline:
            if self.proc.poll() is not None:
                raise Failure("lighttpd ended: " + self.proc.stderr.read().decode(errors="replace"))
            try:
                socket.create_connection(("127.0.0.1", self.port), timeout=0.2).close()
                return self
            except OSError:
                time.sleep(0.05)
        raise Failure("lighttpd did not listen on port %d" % self.port)

    def __exit__(self, *exc):
        if self.proc and self.proc.poll() is None:
            self.proc.terminate()
            try:
                self.proc.wait(timeout=5)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait()

    def get(self, query):
        url = "http://127.0.0.1:%d/cgi-bin/kavr?%s" % (self.port, query)
        try:
            with urllib.request.urlopen(url, timeout=20) as r:
                return r.status, r.read().decode("utf-8", "replace")
        except urllib.error.HTTPError as e:
            return e.code, e.read().decode("utf-8", "replace")


class DirectCgi:
    """The same requests without a web server: the installed kavr as CGI."""

    def __init__(self, site):
        self.site = site

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        pass

    def get(self, query):
        env = {k: v for k, v in os.environ.items() if k.endswith("SAN_OPTIONS")}
        env.update(REQUEST_METHOD="GET", QUERY_STRING=query, GATEWAY_INTERFACE="CGI/1.1")
        program = os.path.join(self.site, "cgi-bin/kavr")
        r = subprocess.run([program], env=env, cwd=os.path.dirname(program), capture_output=True, timeout=20)
        check(r.returncode == 0, "installed kavr exited with %d" % r.returncode)
        head, _, body = r.stdout.decode("utf-8", "replace").partition("\n\n")
        status = 404 if head.startswith("Status: 404") else 200
        return status, body


def serve_checks(server):
    status, body = server.get("template=/hello&who=%3Cb%3Eme")
    check(status == 200, "hello page: status %d" % status)
    check("<p>Installed: 10 &lt;b&gt;me</p>" in body, "hello page not served from the install:\n" + body)
    status, body = server.get("template=/missing")
    check("10220" in body and "Error Code" in body,
          "missing template: no 10220 box from the installed catalog:\n" + body)
    status, body = server.get("template=%3Finfo")
    check(status == 200 and "kavr" in body.lower(), "information page missing:\n" + body)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--build", required=True)
    ap.add_argument("--lighttpd", default=shutil.which("lighttpd") or "/usr/sbin/lighttpd")
    args = ap.parse_args()
    tmp = tempfile.mkdtemp(prefix="kavr-install-")
    try:
        root = install(os.path.abspath(args.build), os.path.join(tmp, "stage"))
        check_man_pages(root)
        check_tagcheck_options(root)
        check_fastcgi_keys(root)
        site = os.path.join(tmp, "site")
        make_site(root, site)
        r = subprocess.run([os.path.join(root, "bin/tagcheck"), os.path.join(site, "templates/hello.kvl")],
                           capture_output=True, text=True)
        check(r.stdout == "", "installed tagcheck reports problems in a clean template:\n" + r.stdout)
        served = os.access(args.lighttpd, os.X_OK)
        with (Lighttpd(args.lighttpd, site) if served else DirectCgi(site)) as server:
            serve_checks(server)
        print("install: %d files in place, page served %s" %
              (len(EXPECTED), "through lighttpd" if served else "as CGI"))
        return 0
    except Failure as e:
        print("FAIL: %s" % e)
        return 1
    finally:
        shutil.rmtree(tmp, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
