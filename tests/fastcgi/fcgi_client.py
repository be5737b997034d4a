"""A small FastCGI client for the tests: one responder request over a Unix
or TCP socket, the parameters and the body sent, the standard output and
standard error records collected until the end of the request.

    python3 fcgi_client.py ADDRESS [NAME=VALUE ...] < body > response

ADDRESS is a socket path or HOST:PORT.
"""

import socket
import struct
import sys
import threading

VERSION = 1
BEGIN_REQUEST, ABORT_REQUEST, END_REQUEST, PARAMS, STDIN, STDOUT, STDERR = 1, 2, 3, 4, 5, 6, 7
RESPONDER = 1
REQUEST_ID = 1
MAX_CONTENT = 65535


class FastCgiError(Exception):
    pass


def record(kind, content=b""):
    padding = (8 - len(content) % 8) % 8
    return struct.pack("!BBHHBx", VERSION, kind, REQUEST_ID, len(content), padding) + content + b"\0" * padding


def stream(kind, data):
    """The records of one stream, ending with its empty record."""
    out = [record(kind, data[i:i + MAX_CONTENT]) for i in range(0, len(data), MAX_CONTENT)]
    out.append(record(kind))
    return out


def length(n):
    return struct.pack("!B", n) if n < 128 else struct.pack("!I", n | 0x80000000)


def encode_params(params):
    out = []
    for name, value in params.items():
        name = name.encode("utf-8", "surrogateescape") if isinstance(name, str) else name
        value = value.encode("utf-8", "surrogateescape") if isinstance(value, str) else value
        out.append(length(len(name)) + length(len(value)) + name + value)
    return b"".join(out)


def connect(address, timeout):
    if ":" in address and not address.startswith("/"):
        host, port = address.rsplit(":", 1)
        s = socket.create_connection((host, int(port)), timeout=timeout)
    else:
        s = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
        s.settimeout(timeout)
        try:
            s.connect(address)
        except OSError:
            s.close()
            raise
    return s


def read_exact(s, n):
    data = b""
    while len(data) < n:
        chunk = s.recv(n - len(data))
        if not chunk:
            raise FastCgiError("connection closed inside a record")
        data += chunk
    return data


def request(address, params, body=b"", timeout=20.0):
    """(stdout bytes, stderr bytes, application status) of one request."""
    s = connect(address, timeout)
    try:
        head = [record(BEGIN_REQUEST, struct.pack("!HB5x", RESPONDER, 0))]
        head += stream(PARAMS, encode_params(params))
        s.sendall(b"".join(head))

        # The body goes from a thread of its own: the application may answer
        # (and stop reading) before all of it has been sent.
        def send_body():
            try:
                for r in stream(STDIN, body):
                    s.sendall(r)
            except OSError:
                pass
        sender = threading.Thread(target=send_body, daemon=True)
        sender.start()

        out, err = [], []
        while True:
            try:
                header = read_exact(s, 8)
            except ConnectionResetError:
                raise FastCgiError("connection reset before the end of the request")
            version, kind, _rid, size, padding = struct.unpack("!BBHHBx", header)
            if version != VERSION:
                raise FastCgiError("record of version %d" % version)
            content = read_exact(s, size) if size else b""
            if padding:
                read_exact(s, padding)
            if kind == STDOUT:
                out.append(content)
            elif kind == STDERR:
                err.append(content)
            elif kind == END_REQUEST:
                status = struct.unpack("!IB3x", content)[0]
                sender.join(timeout)
                return b"".join(out), b"".join(err), status
    finally:
        s.close()


def main():
    if len(sys.argv) < 2:
        print(__doc__, file=sys.stderr)
        return 2
    params = dict(a.split("=", 1) for a in sys.argv[2:])
    out, err, status = request(sys.argv[1], params, sys.stdin.buffer.read())
    sys.stdout.buffer.write(out)
    sys.stderr.buffer.write(err)
    return 0 if status == 0 else 1


if __name__ == "__main__":
    sys.exit(main())
