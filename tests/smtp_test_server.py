#!/usr/bin/python3
"""A real SMTP server on loopback for the mail tests (aiosmtpd).

Usage: smtp_test_server.py DIRECTORY [MODE]

Listens on a free port of 127.0.0.1 and prints "PORT <n>" on its first line
of output. Every message accepted is stored as DIRECTORY/message-<k>.eml
(the content as received, dot-stuffing removed) with DIRECTORY/message-<k>.env
holding "from <sender>" and "to <recipient>" lines. Every command the client
gives is appended to DIRECTORY/session.log ("HELO <name>", "MAIL <address>",
"RCPT <address>", "QUIT", and "CONNECT" for every greeting).

MODE tells the server to misbehave:
  normal             a well-behaved server
  multiline-greeting the greeting is three lines: "220-", "220-", "220 "
  rcpt-refused       RCPT is answered "550"
  data-250           DATA is answered "250" instead of "354"
  refuse-after-data  the end of data is answered "554"
  silent-after-data  the end of data is never answered
  silent             accepts connections and never says anything
"""

import asyncio
import os
import sys

from aiosmtpd.smtp import SMTP


class Recorder:
    def __init__(self, directory, mode):
        self.directory = directory
        self.mode = mode
        self.count = 0

    def log(self, line):
        with open(os.path.join(self.directory, "session.log"), "a") as out:
            out.write(line + "\n")

    async def handle_HELO(self, server, session, envelope, hostname):
        self.log("HELO " + hostname)
        session.host_name = hostname
        return "250 {}".format(server.hostname)

    async def handle_MAIL(self, server, session, envelope, address, options):
        self.log("MAIL " + address)
        envelope.mail_from = address
        return "250 OK"

    async def handle_RCPT(self, server, session, envelope, address, options):
        self.log("RCPT " + address)
        if self.mode == "rcpt-refused":
            return "550 No such user here"
        envelope.rcpt_tos.append(address)
        return "250 OK"

    async def handle_DATA(self, server, session, envelope):
        if self.mode == "refuse-after-data":
            return "554 Transaction failed"
        if self.mode == "silent-after-data":
            await asyncio.sleep(3600)
        name = os.path.join(self.directory, "message-{}".format(self.count))
        self.count += 1
        with open(name + ".eml.tmp", "wb") as out:
            out.write(envelope.original_content)
        with open(name + ".env", "w") as out:
            out.write("from {}\n".format(envelope.mail_from))
            for rcpt in envelope.rcpt_tos:
                out.write("to {}\n".format(rcpt))
        os.rename(name + ".eml.tmp", name + ".eml")
        return "250 Message accepted for delivery"

    async def handle_QUIT(self, server, session, envelope):
        self.log("QUIT")
        return "221 Bye"


class MisbehavingSmtp(SMTP):
    def __init__(self, handler, mode):
        super().__init__(handler, hostname="localhost", data_size_limit=None)
        self.mode = mode
        self.greeted = False

    async def push(self, status):
        text = status if isinstance(status, str) else status.decode()
        if not self.greeted and text.startswith("220 "):
            self.greeted = True
            self.event_handler.log("CONNECT")
            if self.mode == "multiline-greeting":
                await super().push("220-localhost Fennimar test server")
                await super().push("220-second line of the greeting")
        if self.mode == "data-250" and text.startswith("354"):
            status = "250 Go ahead anyway"
        await super().push(status)


async def silent(reader, writer):
    try:
        while await reader.read(4096):
            pass
    finally:
        writer.close()


async def main():
    directory = sys.argv[1]
    mode = sys.argv[2] if len(sys.argv) > 2 else "normal"
    loop = asyncio.get_running_loop()
    if mode == "silent":
        server = await asyncio.start_server(silent, "127.0.0.1", 0)
    else:
        handler = Recorder(directory, mode)
        server = await loop.create_server(lambda: MisbehavingSmtp(handler, mode), "127.0.0.1", 0)
    port = server.sockets[0].getsockname()[1]
    print("PORT {}".format(port), flush=True)
    async with server:
        await server.serve_forever()


if __name__ == "__main__":
    asyncio.run(main())
