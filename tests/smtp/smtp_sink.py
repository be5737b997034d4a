#!/usr/bin/env python3
"""A real SMTP server for the mail tests (aiosmtpd) on 127.0.0.1 that keeps
every message it accepts, taken apart so a test can check it without a MIME
parser of its own.

usage: smtp_sink.py OUT_DIR

Once listening it writes its port to OUT_DIR/port. For the N-th message:
  msgN.eml            the message data as the server received it
  msgN.envelope       "MAIL FROM:<sender>" and one "RCPT TO:<address>" per line
  msgN.headers        the top-level headers, "Name: value" per line
  msgN.partK.type     content type of leaf part K (1-based), and
                      ";name=<file name>" when the part names a file
  msgN.partK.data     the part's payload, transfer encoding undone
It serves until SIGTERM or SIGINT.
"""
import asyncio
import email
import email.policy
import os
import signal
import sys

from aiosmtpd.smtp import SMTP


class SaveMessages:
    def __init__(self, out_dir):
        self.out_dir = out_dir
        self.count = 0

    def _write(self, name, data):
        path = os.path.join(self.out_dir, name)
        with open(path + ".tmp", "wb") as f:
            f.write(data)
        os.replace(path + ".tmp", path)

    async def handle_DATA(self, server, session, envelope):
        self.count += 1
        base = "msg%d" % self.count
        raw = envelope.original_content
        self._write(base + ".eml", raw)
        lines = ["MAIL FROM:<%s>" % envelope.mail_from]
        lines += ["RCPT TO:<%s>" % r for r in envelope.rcpt_tos]
        self._write(base + ".envelope", ("\n".join(lines) + "\n").encode())
        msg = email.message_from_bytes(raw, policy=email.policy.compat32)
        headers = "".join("%s: %s\n" % (k, v) for k, v in msg.items())
        self._write(base + ".headers", headers.encode("utf-8", "surrogateescape"))
        leaves = [p for p in msg.walk() if not p.is_multipart()]
        for k, part in enumerate(leaves, 1):
            kind = part.get_content_type()
            if part.get_filename():
                kind += ";name=" + part.get_filename()
            self._write("%s.part%d.type" % (base, k), kind.encode())
            self._write("%s.part%d.data" % (base, k), part.get_payload(decode=True) or b"")
        return "250 Message accepted"


async def serve(out_dir):
    loop = asyncio.get_running_loop()
    handler = SaveMessages(out_dir)
    server = await loop.create_server(
        lambda: SMTP(handler, hostname="sink.test"), "127.0.0.1", 0)
    port = server.sockets[0].getsockname()[1]
    with open(os.path.join(out_dir, "port.tmp"), "w") as f:
        f.write(str(port))
    os.replace(os.path.join(out_dir, "port.tmp"), os.path.join(out_dir, "port"))
    stop = loop.create_future()
    for sig in (signal.SIGTERM, signal.SIGINT):
        loop.add_signal_handler(sig, lambda: stop.done() or stop.set_result(None))
    await stop
    server.close()
    await server.wait_closed()


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit("usage: smtp_sink.py OUT_DIR")
    asyncio.run(serve(sys.argv[1]))
