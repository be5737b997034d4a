#!/usr/bin/env python3
"""A small TCP peer on 127.0.0.1 for the socket tags' tests.

Usage: echo_server.py MODE

Binds a free port on 127.0.0.1, prints it on a line of its own on standard
output, and serves every connection in a thread of its own until standard
input closes (so it ends with the process that started it) or it gets
SIGTERM. Modes:

  echo    sends back every byte it receives
  silent  reads and never answers (for receive time-outs)
  burst   sends 20000 bytes ("0123456789" repeated) at once on connection,
          then echoes
  close   closes each connection as soon as it is accepted
"""

import signal
import socket
import sys
import threading

BURST = b"0123456789" * 2000


def serve_connection(conn, mode):
    with conn:
        try:
            if mode == "close":
                return
            if mode == "burst":
                conn.sendall(BURST)
            while True:
                data = conn.recv(65536)
                if not data:
                    return
                if mode != "silent":
                    conn.sendall(data)
        except OSError:
            return


def accept_loop(server, mode):
    while True:
        try:
            conn, _ = server.accept()
        except OSError:
            return
        threading.Thread(target=serve_connection, args=(conn, mode), daemon=True).start()


def main():
    if len(sys.argv) != 2 or sys.argv[1] not in ("echo", "silent", "burst", "close"):
        print(__doc__, file=sys.stderr)
        return 2
    mode = sys.argv[1]
    server = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    server.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    server.bind(("127.0.0.1", 0))
    server.listen(16)
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(0))
    threading.Thread(target=accept_loop, args=(server, mode), daemon=True).start()
    print(server.getsockname()[1], flush=True)
    sys.stdin.read()  # until the starter goes away
    return 0


if __name__ == "__main__":
    sys.exit(main())
