#!/usr/bin/env python3
"""The FastCGI worker across requests: pooled connections reset between
requests, pooling switched off, the request limits, descriptors kept from
programs that kavrun starts, the worker's own environment kept from the
requests, and the mail spool flushed only after the response is complete.

    worker_test.py --kavr build/kavr
"""

import argparse
import errno
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
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.dirname(HERE))
import run_cases  # noqa: E402

KAVR = None
needs_postgresql = unittest.skipUnless(os.environ.get("KAVR_PG_ENV"), "needs a PostgreSQL server (KAVR_PG_ENV)")


class Site:
    """A site directory with the kavr link, its kavri.ini and templates, and
    a SQLite data source when asked."""

    def __init__(self, ini, files, database=False):
        self.root = tempfile.mkdtemp(prefix="kavr-worker-")
        self.dir = os.path.join(self.root, "site")
        os.mkdir(self.dir)
        self.tokens = {"SITE": self.dir}
        self.db = None
        if database:
            self.db = run_cases.OdbcDatabase("cases/db/schema.sql")
            self.tokens.update(self.db.start(self.root))
            self.db_file = os.path.join(self.tokens["ODBCSYSINI"], "case.db")
        self.write("kavri.ini", ini)
        for name, text in files.items():
            self.write(name, text)
        self.link = os.path.join(self.dir, "kavr")
        os.symlink(os.path.abspath(KAVR), self.link)
        self.worker = None

    def fill(self, text):
        for k, v in self.tokens.items():
            text = text.replace("{" + k + "}", v)
        return text

    def write(self, name, text):
        with open(os.path.join(self.dir, name), "w") as f:
            f.write(self.fill(text))

    def start(self, extra_env=None):
        env = {k: v for k, v in os.environ.items() if k in run_cases.SANITIZER_ENV}
        if self.db:
            odbc = self.tokens["ODBCSYSINI"]
            env.update({"ODBCSYSINI": odbc, "ODBCINI": os.path.join(odbc, "odbc.ini")})
            env["LSAN_OPTIONS"] = "suppressions=" + os.path.join(os.path.dirname(HERE), "lsan_odbc.supp")
        env.update(extra_env or {})
        self.worker = run_cases.FastCgiWorker(self.link, self.link, self.dir, env, self.root)
        return self.worker

    def get(self, query, timeout=20):
        answer = self.worker.request({"REQUEST_METHOD": "GET", "QUERY_STRING": query}, b"", timeout)
        if isinstance(answer, str):
            raise AssertionError(answer)
        return answer[0].decode("utf-8", "replace")

    def log(self):
        with open(os.path.join(self.dir, "kavri.log"), encoding="utf-8", errors="replace") as f:
            return f.read()

    def close(self):
        result = self.worker.stop() if self.worker else (0, b"", b"")
        if self.db:
            self.db.stop()
        shutil.rmtree(self.root, ignore_errors=True)
        return result


DB_INI = """[ODBC]
SQLDataSource1={DSN}
[Log]
LogLevel=1
LogAppend=1
LogFilePath={SITE}
[FastCGI]
PoolConnections=%d
"""

DB_FILES = {
    # An insert inside a transaction that never reaches its end: the next
    # query fails and stops the template.
    "open.kvl": '<kavdbtransaction><kavdbquery name="I" datasource="{DSN}" '
                'sql="INSERT INTO staff VALUES (9, \'x\', \'Zed\', 1)">'
                '<kavdbquery name="F" datasource="{DSN}" sql="SELECT nothing FROM nowhere">',
    "count.kvl": '<kavdbquery name="C" datasource="{DSN}" sql="SELECT count(*) AS n FROM staff">'
                 '<kavprint query="C">rows=#n#</kavprint>',
    "add.kvl": '<kavdbquery name="A" datasource="{DSN}" '
               'sql="INSERT INTO staff VALUES (#url.id#, \'q\', \'New\', 2)">added',
}


class PooledConnections(unittest.TestCase):
    def test_kept_connection_is_reset_between_requests(self):
        site = Site(DB_INI % 1, DB_FILES, database=True)
        try:
            site.start()
            self.assertIn("rows=5", site.get("template=count.kvl"))
            site.get("template=open.kvl")
            # The next request does not see the unfinished insert, and the
            # database is not held: another writer gets through at once.
            self.assertIn("rows=5", site.get("template=count.kvl"))
            other = sqlite3.connect(site.db_file, timeout=0.5)
            other.execute("UPDATE staff SET pay = 11 WHERE id = 1")
            other.commit()
            # Autocommit is on again: a plain insert is there for others.
            self.assertIn("added", site.get("template=add.kvl&id=20"))
            self.assertEqual(other.execute("SELECT count(*) FROM staff WHERE id = 20").fetchone()[0], 1)
            other.close()
            self.assertIn("rows=6", site.get("template=count.kvl"))
            self.assertEqual(site.log().count("Connecting with Datasource"), 1)
        finally:
            rc, err, _ = site.close()
        self.assertEqual(rc, 0, err.decode(errors="replace"))

    def test_pooling_off_connects_for_every_request(self):
        site = Site(DB_INI % 0, DB_FILES, database=True)
        try:
            site.start()
            for _ in range(3):
                self.assertIn("rows=5", site.get("template=count.kvl"))
            self.assertEqual(site.log().count("Connecting with Datasource"), 3)
        finally:
            rc, err, _ = site.close()
        self.assertEqual(rc, 0, err.decode(errors="replace"))


@needs_postgresql
class BrokenPooledConnection(unittest.TestCase):
    """A kept PostgreSQL connection that breaks between two requests of a
    worker (its backend terminated from outside, as a server restart or an
    administrator does) is opened again, and that request succeeds."""

    def test_terminated_backend_is_replaced_by_the_next_request(self):
        files = dict(DB_FILES, **{
            "pid.kvl": '<kavdbquery name="P" datasource="{DSN}" sql="SELECT pg_backend_pid() AS p">'
                       '<kavprint query="P">pid=#p#</kavprint>',
            "tx.kvl": '<kavdbtransaction><kavdbquery name="T" datasource="{DSN}" '
                      'sql="INSERT INTO staff VALUES (30, \'t\', \'Tx\', 3)"></kavdbtransaction>done'})
        site = Site((DB_INI % 1).replace("[Log]", "SQLFormTables1=staff\n[Log]"), files, database=True)

        def backend():
            return re.search(r"pid=(\d+)", site.get("template=pid.kvl")).group(1)

        def terminate(pid):
            site.db.psql("kavr", "SELECT pg_terminate_backend(%s)" % pid)
            for _ in range(50):  # gone once the server no longer lists it
                try:
                    site.db.psql("kavr", "DO $$ BEGIN IF EXISTS (SELECT 1 FROM pg_stat_activity "
                                         "WHERE pid = %s) THEN RAISE 'alive'; END IF; END $$" % pid)
                    return
                except run_cases.CaseError:
                    time.sleep(0.1)
        try:
            site.start()
            first = backend()
            self.assertIn("rows=5", site.get("template=count.kvl"))
            terminate(first)
            page = site.get("template=count.kvl")
            self.assertIn("rows=5", page)
            self.assertNotIn("connection", page.lower())
            second = backend()
            self.assertNotEqual(first, second)
            # Broken again, and the next request starts with a transaction.
            terminate(second)
            self.assertTrue(site.get("template=tx.kvl").endswith("\n\ndone"))
            self.assertIn("rows=6", site.get("template=count.kvl"))
            third = backend()
            self.assertNotEqual(second, third)
            # And a form-driven insert, which asks the driver for the
            # table's columns first.
            terminate(third)
            form = b"template=count.kvl&action=insert&datasource=kavr_case&tablename=staff&id=31&name=Form"
            answer = site.worker.request({"REQUEST_METHOD": "POST", "CONTENT_LENGTH": str(len(form)),
                                          "CONTENT_TYPE": "application/x-www-form-urlencoded"}, form, 20)
            self.assertIn(b"executed successfully", answer[0])
            self.assertIn("rows=7", site.get("template=count.kvl"))
            self.assertEqual(site.log().count("Connecting with Datasource"), 4)
            self.assertEqual(site.log().count("was lost; connecting again"), 3)
        finally:
            rc, err, _ = site.close()
        self.assertEqual(rc, 0, err.decode(errors="replace"))


@needs_postgresql
class AccountOfTheRequest(unittest.TestCase):
    def test_connection_opened_for_a_request_user_is_not_kept(self):
        ini = (DB_INI % 1).replace("[Log]", "SQLRequestUser1=1\n[Log]")
        who = ('<kavdbquery name="W" datasource="{DSN}" sql="SELECT current_user AS u">'
               '<kavprint query="W">user=#u#</kavprint>')
        site = Site(ini, {"who.kvl": who}, database=True)
        role = "kavr_visitor_%d" % os.getpid()
        try:
            site.db.psql("kavr", "CREATE ROLE %s LOGIN; GRANT ALL ON DATABASE %s TO %s"
                         % (role, site.db.dbname, role))
            site.start()
            self.assertIn("user=%s" % role, site.get("template=who.kvl&username=" + role))
            # The next request names no user: not the account of the one before.
            self.assertNotIn(role, site.get("template=who.kvl"))
            self.assertIn("user=%s" % role, site.get("template=who.kvl&username=" + role))
        finally:
            site.close()
            site.db.psql("kavr", "DROP ROLE IF EXISTS %s" % role)


class Limits(unittest.TestCase):
    def test_worker_ends_after_its_number_of_requests(self):
        site = Site("[FastCGI]\nMaxRequests=3\n", {"p.kvl": "page"})
        try:
            worker = site.start()
            for _ in range(3):
                self.assertIn("page", site.get("template=p.kvl"))
            worker.proc.wait(timeout=10)
            self.assertEqual(worker.proc.returncode, 0)
        finally:
            site.close()

    def test_request_over_its_time_ends_the_worker_with_a_reason(self):
        ini = "[FastCGI]\nRequestTimeout=1\n[Log]\nLogLevel=3\nLogFilePath={SITE}\n"
        site = Site(ini, {"loop.kvl": "<kavset i=1><kavwhile #i GT 0#><kavset i=#i + 1#></kavwhile>"})
        try:
            worker = site.start()
            started = time.monotonic()
            answer = worker.request({"QUERY_STRING": "template=loop.kvl"}, b"", 20)
            self.assertIsInstance(answer, str)  # the request never finished
            worker.proc.wait(timeout=10)
            self.assertLess(time.monotonic() - started, 8)
            self.assertNotEqual(worker.proc.returncode, 0)
            self.assertIn("Error: Request time limit of 1 seconds reached", site.log())
        finally:
            rc, err, _ = site.close()
        self.assertIn(b"Request time limit of 1 seconds reached", err)


class Listening(unittest.TestCase):
    """kavr --listen ADDRESS: the worker's own socket."""

    def start(self, site, address):
        env = {k: v for k, v in os.environ.items() if k in run_cases.SANITIZER_ENV}
        return subprocess.Popen([site.link, "--listen", address], cwd=site.dir, env=env,
                                stderr=subprocess.PIPE)

    def test_serves_a_unix_path_and_a_tcp_address(self):
        site = Site("", {"p.kvl": "page"})
        path = os.path.join(site.root, "w.sock")
        left = socket.socket(socket.AF_UNIX)  # as a worker that ended leaves it
        left.bind(path)
        left.close()
        with socket.socket() as s:
            s.bind(("127.0.0.1", 0))
            port = s.getsockname()[1]
        try:
            for address in (path, "127.0.0.1:%d" % port):
                proc = self.start(site, address)
                answer = None
                for _ in range(100):
                    try:
                        answer = run_cases.fcgi_client.request(
                            address, {"REQUEST_METHOD": "GET", "QUERY_STRING": "template=p.kvl"}, b"", 10)
                        break
                    except OSError:
                        time.sleep(0.05)
                proc.terminate()
                _, err = proc.communicate(timeout=10)
                self.assertIsNotNone(answer, "%s: no answer; %s" % (address, err))
                self.assertTrue(answer[0].endswith(b"\n\npage"), answer)
                self.assertEqual(proc.returncode, 0, err)
        finally:
            site.close()

    def test_an_address_it_cannot_listen_on_ends_it_with_the_reason(self):
        site = Site("", {"p.kvl": "page"})
        regular = os.path.join(site.root, "notes.txt")
        with open(regular, "w") as f:
            f.write("kept")
        try:
            for address, reason in ((os.path.join(site.root, "no-dir", "w.sock"), "No such file or directory"),
                                    (regular, "Address already in use"),
                                    ("127.0.0.1:70000", "the port must be a number from 1 to 65535")):
                proc = self.start(site, address)
                _, err = proc.communicate(timeout=10)
                self.assertEqual(proc.returncode, 1, address)
                self.assertEqual(err.decode(), "kavr: cannot listen on %s: %s\n" % (address, reason))
            with open(regular) as f:
                self.assertEqual(f.read(), "kept")
        finally:
            site.close()


class WhatRequestsSee(unittest.TestCase):
    def test_programs_inherit_no_descriptor_of_the_worker(self):
        ini = "[KavRun]\nKavRunEnabled=1\n"
        page = '<kavrun exe="/bin/sh -c ""ls -l /proc/$$/fd""" outvar="fds"><kavprint>#fds#</kavprint>'
        site = Site(ini, {"fds.kvl": page})
        try:
            site.start()
            listing = site.get("template=fds.kvl")
            fds = re.findall(r" (\d+) -> ", listing)
            self.assertTrue(fds, listing)
            self.assertLessEqual(set(fds), {"0", "1", "2"}, listing)
            self.assertNotIn("socket:", listing)
        finally:
            site.close()

    def test_programs_get_the_request_environment_as_under_cgi(self):
        # The worker's own PATH and variables lead to one program, the
        # request's to another of the same name: kavrun must find and run
        # it as the CGI program of that request does.
        page = '<kavrun exe="kavr_probe" outvar="o"><kavprint>#o#</kavprint>'
        site = Site("[KavRun]\nKavRunEnabled=1\n[Log]\nLogLevel=3\nLogFilePath={SITE}\n", {"run.kvl": page})
        probe = "#!/bin/sh\necho %s ua=$HTTP_USER_AGENT var=${KAVR_PROBE_VAR:-unset}\n"
        for where in ("own", "req"):
            os.mkdir(os.path.join(site.dir, where))
            site.write(os.path.join(where, "kavr_probe"), probe % where)
            os.chmod(os.path.join(site.dir, where, "kavr_probe"), 0o755)
        request = {"REQUEST_METHOD": "GET", "QUERY_STRING": "template=run.kvl", "HTTP_USER_AGENT": "probe",
                   "PATH": os.path.join(site.dir, "req") + ":/usr/bin:/bin"}
        sanitizers = {k: v for k, v in os.environ.items() if k in run_cases.SANITIZER_ENV}
        try:
            site.start({"PATH": os.path.join(site.dir, "own") + ":/usr/bin:/bin",
                        "KAVR_PROBE_VAR": "the worker's own"})
            through_fastcgi = site.worker.request(request, b"", 20)[0].decode()
            cgi = subprocess.run([site.link], cwd=site.dir, env=dict(request, **sanitizers),
                                 stdout=subprocess.PIPE, check=True).stdout.decode()
            self.assertIn("req ua=probe var=unset", through_fastcgi)
            self.assertEqual(through_fastcgi, cgi)
            # A request without PATH (as nginx sends them): the system's
            # default path, never the worker's.
            del request["PATH"]
            page = site.worker.request(request, b"", 20)[0].decode()
            self.assertNotIn("ua=probe", page)
            self.assertIn("Error: CreateProcess: %d" % errno.ENOENT, site.log())
        finally:
            site.close()

    def test_worker_environment_is_not_the_request_environment(self):
        page = "<kavprint>[#cgi.http_user_agent#][#cgi.query_string#]</kavprint>"
        site = Site("", {"env.kvl": page})
        try:
            site.start({"HTTP_USER_AGENT": "the worker's own", "QUERY_STRING": "template=env.kvl&w=1"})
            self.assertIn("[][template=env.kvl]", site.get("template=env.kvl"))
        finally:
            site.close()

    def test_response_is_finished_before_the_mail_goes_out(self):
        # An SMTP server that accepts the connection and never greets: the
        # delivery waits for its time-out, the visitor must not.
        silent = socket.socket()
        silent.bind(("127.0.0.1", 0))
        silent.listen(4)
        port = silent.getsockname()[1]
        ini = ("[SMTP]\nMailSpoolPath={SITE}/spool\nMailLogPath={SITE}/sent\n"
               "MailErrorPath={SITE}/failed\nSMTP_Server=127.0.0.1\nSMTP_Port=%d\n" % port)
        page = '<kavmail from="a@example.org" to="b@example.org" subject="s">body</kavmail>sent'
        site = Site(ini, {"mail.kvl": page})
        for d in ("spool", "sent", "failed"):
            os.mkdir(os.path.join(site.dir, d))
        try:
            worker = site.start()
            started = time.monotonic()
            self.assertIn("sent", site.get("template=mail.kvl", timeout=15))
            self.assertLess(time.monotonic() - started, 5)
            self.assertTrue(os.listdir(os.path.join(site.dir, "spool")))
        finally:
            worker.proc.send_signal(signal.SIGKILL)
            site.close()
            silent.close()


def main():
    global KAVR
    ap = argparse.ArgumentParser()
    ap.add_argument("--kavr", required=True)
    args, rest = ap.parse_known_args()
    KAVR = args.kavr
    unittest.main(argv=[sys.argv[0]] + rest, verbosity=2)


if __name__ == "__main__":
    main()
