#!/usr/bin/env python3
"""Throw-away PostgreSQL server for the database tests.

The server lives in a fresh temporary directory, listens only on 127.0.0.1
(at a free port) and on a unix socket inside that directory, trusts local
connections, and is removed completely when stopped. As root the server runs
as an unprivileged user (postgres, else nobody) through runuser.

Command line:
  pg_server.py start STATE_DIR     start a server; writes STATE_DIR/server.env
  pg_server.py stop STATE_DIR      stop the server of STATE_DIR and remove it
  pg_server.py run -- CMD ARGS...  start, run CMD with the server's variables
                                   in its environment, stop (also when CMD
                                   fails or is interrupted); exits with CMD's code

server.env holds KEY=VALUE lines that clients read:
  PGHOST=127.0.0.1  PGPORT=<port>  PGUSER=kavr  PGDATABASE=kavr
  KAVR_PG_SOCKET_DIR=<dir>  KAVR_PG_RUNTIME=<dir>  KAVR_PG_BIN=<dir>
and `run` also exports KAVR_PG_ENV=<path of server.env>.

As a module: `with PgServer() as pg: pg.env ...` (see class PgServer).
"""

import glob
import os
import pwd
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import time

SUPERUSER = "kavr"
DATABASE = "kavr"
HOST = "127.0.0.1"


def find_bin_dir():
    configured = os.environ.get("KAVR_PG_BIN")
    if configured:
        return configured
    candidates = sorted(glob.glob("/usr/lib/postgresql/*/bin"),
                        key=lambda p: int(p.split("/")[-2]) if p.split("/")[-2].isdigit() else 0)
    for d in reversed(candidates):
        if os.path.exists(os.path.join(d, "initdb")):
            return d
    found = shutil.which("initdb")
    if found:
        return os.path.dirname(found)
    raise RuntimeError("no PostgreSQL binaries found (set KAVR_PG_BIN)")


def free_port():
    with socket.socket(socket.AF_INET, socket.SOCK_STREAM) as s:
        s.bind((HOST, 0))
        return s.getsockname()[1]


def server_user():
    """The account the server runs as, or None to run as ourselves."""
    if os.geteuid() != 0:
        return None
    for name in ("postgres", "nobody"):
        try:
            return pwd.getpwnam(name)
        except KeyError:
            pass
    raise RuntimeError("running as root and no unprivileged account to run PostgreSQL")


def read_env_file(path):
    env = {}
    with open(path) as f:
        for line in f:
            line = line.strip()
            if "=" in line:
                key, value = line.split("=", 1)
                env[key] = value
    return env


class PgServer:
    def __init__(self, state_dir=None):
        self.state_dir = state_dir
        self.own_state_dir = state_dir is None
        self.runtime = None
        self.port = None
        self.bin = find_bin_dir()
        self.user = server_user()
        self.env = {}

    # Runs a server binary as the server's account.
    def _server_cmd(self, args):
        cmd = [os.path.join(self.bin, args[0])] + args[1:]
        if self.user is not None:
            cmd = ["runuser", "-u", self.user.pw_name, "--"] + cmd
        return cmd

    def _run(self, args, **kw):
        return subprocess.run(self._server_cmd(args), stdout=subprocess.PIPE,
                              stderr=subprocess.STDOUT, text=True, cwd=self.runtime, **kw)

    def start(self):
        if self.state_dir is None:
            self.state_dir = tempfile.mkdtemp(prefix="kavr-pgstate-")
        os.makedirs(self.state_dir, exist_ok=True)
        # The data lives under /tmp so that the unprivileged account can reach it
        # whatever the permissions of the build directory are.
        self.runtime = tempfile.mkdtemp(prefix="kavr-pg-")
        os.chmod(self.runtime, 0o700)
        if self.user is not None:
            os.chown(self.runtime, self.user.pw_uid, self.user.pw_gid)
        data = os.path.join(self.runtime, "data")
        try:
            r = self._run(["initdb", "-D", data, "-U", SUPERUSER, "--auth=trust", "-E", "UTF8",
                           "--no-locale", "--no-sync"])
            if r.returncode != 0:
                raise RuntimeError("initdb failed:\n" + r.stdout)
            last = ""
            for _ in range(3):
                self.port = free_port()
                opts = ("-c listen_addresses=%s -p %d -k %s -c fsync=off "
                        "-c full_page_writes=off -c max_connections=40"
                        % (HOST, self.port, self.runtime))
                r = self._run(["pg_ctl", "-D", data, "-l", os.path.join(self.runtime, "server.log"),
                               "-w", "-t", "60", "-o", opts, "start"])
                if r.returncode == 0:
                    break
                last = r.stdout + self._server_log()
            else:
                raise RuntimeError("PostgreSQL did not start:\n" + last)
            r = subprocess.run([os.path.join(self.bin, "createdb"), "-h", HOST, "-p", str(self.port),
                                "-U", SUPERUSER, DATABASE],
                               stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
            if r.returncode != 0:
                raise RuntimeError("createdb failed:\n" + r.stdout)
        except BaseException:
            self.stop()
            raise
        self.env = {
            "PGHOST": HOST, "PGPORT": str(self.port), "PGUSER": SUPERUSER, "PGDATABASE": DATABASE,
            "KAVR_PG_SOCKET_DIR": self.runtime, "KAVR_PG_RUNTIME": self.runtime,
            "KAVR_PG_BIN": self.bin,
        }
        with open(self.env_path(), "w") as f:
            for key, value in self.env.items():
                f.write("%s=%s\n" % (key, value))
        return self

    def env_path(self):
        return os.path.join(self.state_dir, "server.env")

    def _server_log(self):
        try:
            with open(os.path.join(self.runtime, "server.log")) as f:
                return f.read()
        except OSError:
            return ""

    def stop(self):
        if self.runtime and os.path.isdir(self.runtime):
            data = os.path.join(self.runtime, "data")
            if os.path.exists(os.path.join(data, "postmaster.pid")):
                r = self._run(["pg_ctl", "-D", data, "-m", "immediate", "-w", "-t", "30", "stop"])
                if r.returncode != 0:
                    kill_postmaster(data)
            shutil.rmtree(self.runtime, ignore_errors=True)
        self.runtime = None
        if self.state_dir:
            if self.own_state_dir:
                shutil.rmtree(self.state_dir, ignore_errors=True)
            else:
                try:
                    os.remove(self.env_path())
                except OSError:
                    pass

    @classmethod
    def attach(cls, state_dir):
        """The server that `start` left running for state_dir."""
        server = cls(state_dir)
        server.env = read_env_file(server.env_path())
        server.runtime = server.env.get("KAVR_PG_RUNTIME")
        server.port = int(server.env.get("PGPORT", "0"))
        server.bin = server.env.get("KAVR_PG_BIN", server.bin)
        return server

    def __enter__(self):
        return self.start()

    def __exit__(self, *exc):
        self.stop()
        return False


def kill_postmaster(data):
    try:
        with open(os.path.join(data, "postmaster.pid")) as f:
            pid = int(f.readline().strip())
    except (OSError, ValueError):
        return
    try:
        os.kill(pid, signal.SIGQUIT)
        for _ in range(50):
            os.kill(pid, 0)
            time.sleep(0.1)
        os.kill(pid, signal.SIGKILL)
    except OSError:
        pass


def main(argv):
    if len(argv) >= 3 and argv[1] == "start":
        # A server left behind by an interrupted run goes first.
        if os.path.exists(os.path.join(argv[2], "server.env")):
            PgServer.attach(argv[2]).stop()
        server = PgServer(argv[2]).start()
        sys.stdout.write(open(server.env_path()).read())
        return 0
    if len(argv) >= 3 and argv[1] == "stop":
        if not os.path.exists(os.path.join(argv[2], "server.env")):
            return 0
        PgServer.attach(argv[2]).stop()
        return 0
    if len(argv) >= 4 and argv[1] == "run" and argv[2] == "--":
        server = PgServer()
        # An interrupt or termination still stops the server below.
        signal.signal(signal.SIGTERM, lambda *_: sys.exit(143))
        try:
            server.start()
            env = dict(os.environ)
            env.update(server.env)
            env["KAVR_PG_ENV"] = server.env_path()
            return subprocess.call(argv[3:], env=env)
        finally:
            server.stop()
    sys.stderr.write(__doc__)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))
