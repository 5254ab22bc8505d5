#!/usr/bin/python3
"""A real SMTP server on loopback for the mail tests (aiosmtpd).

Usage: smtp_test_server.py DIRECTORY [MODE] [OPTION...]

Listens on a free port of 127.0.0.1 (::1 with --ipv6) and prints "PORT <n>"
on its first line of output. Every message accepted is stored as
DIRECTORY/message-<k>.eml (the content as received, dot-stuffing removed)
with DIRECTORY/message-<k>.env holding "from <sender>" and "to <recipient>"
lines. Every command the client gives is appended to DIRECTORY/session.log
("HELO <name>", "EHLO <name>", "STARTTLS", "AUTH <user> ok|refused",
"MAIL <address> [<parameter>...]", "RCPT <address>", "QUIT", and "CONNECT" for every
greeting).

MODE tells the server to misbehave:
  normal             a well-behaved server
  multiline-greeting the greeting is three lines: "220-", "220-", "220 "
  paused-multiline   as multiline-greeting, and every line of a multi-line
                     reply goes out on its own after a pause of 0.3 s
  drip-greeting      the greeting goes out one byte every 0.3 s
  refuse-ehlo        EHLO is answered "502"
  endless-ehlo       EHLO is answered by "250-" lines without end (until the
                     client hangs up, at most 100000 lines)
  rcpt-refused       RCPT is answered "550"
  hostile-rcpt       RCPT is answered "550" with terminal escapes (a title
                     and a clear screen)
  data-250           DATA is answered "250" instead of "354"
  refuse-after-data  the end of data is answered "554"
  silent-after-data  the end of data is never answered
  slow-after-data    the end of data is answered after 25 s
  silent             accepts connections and never says anything; logs what
                     it receives as "RECEIVED <bytes>"
  plain-after-starttls  STARTTLS is answered "220", and then the server goes
                     on in plain text

OPTIONS:
  --cert FILE --key FILE   the server's certificate and key
  --starttls               offer STARTTLS and require it before MAIL
  --implicit-tls           TLS from the first byte
  --auth USER:PASSWORD     require a login with these credentials
  --login-only             offer AUTH LOGIN but not PLAIN
  --ipv6                   listen on ::1
  --size-limit N           announce "SIZE N" after EHLO and refuse larger
                           messages (at MAIL for a larger SIZE=)
  --fail-message N         answer the end of the Nth message (counted from 1
                           over the server's life) with "451" and store
                           nothing of it
  --drop-message N,M       accept the Nth and Mth messages (counted as above)
                           but store nothing of them, as if lost on their way
"""

import argparse
import asyncio
import os
import ssl
import warnings

from aiosmtpd.smtp import SMTP, AuthResult


class Recorder:
    def __init__(self, directory, mode, fail_message=None, drop_messages=()):
        self.directory = directory
        self.mode = mode
        self.count = 0
        self.fail_message = fail_message
        self.drop_messages = drop_messages
        self.data_seen = 0

    def log(self, line):
        with open(os.path.join(self.directory, "session.log"), "a") as out:
            out.write(line + "\n")

    async def handle_HELO(self, server, session, envelope, hostname):
        self.log("HELO " + hostname)
        session.host_name = hostname
        return "250 {}".format(server.hostname)

    async def handle_EHLO(self, server, session, envelope, hostname, responses):
        self.log("EHLO " + hostname)
        session.host_name = hostname
        return responses

    async def handle_MAIL(self, server, session, envelope, address, options):
        self.log(" ".join(["MAIL", address] + options))
        envelope.mail_from = address
        return "250 OK"

    async def handle_RCPT(self, server, session, envelope, address, options):
        self.log("RCPT " + address)
        if self.mode == "rcpt-refused":
            return "550 No such user here"
        if self.mode == "hostile-rcpt":
            return "550 \x1b]0;PWNED\x07\x1b[2J"
        envelope.rcpt_tos.append(address)
        return "250 OK"

    async def handle_DATA(self, server, session, envelope):
        self.data_seen += 1
        if self.data_seen == self.fail_message:
            self.log("DATA failed")
            return "451 Requested action aborted: local error in processing"
        if self.data_seen in self.drop_messages:
            self.log("DATA dropped")
            return "250 Message accepted for delivery"
        if self.mode == "refuse-after-data":
            return "554 Transaction failed"
        if self.mode == "silent-after-data":
            await asyncio.sleep(3600)
        if self.mode == "slow-after-data":
            await asyncio.sleep(25)
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
    def __init__(self, handler, mode, size_limit=None, **options):
        super().__init__(handler, hostname="localhost", data_size_limit=size_limit, **options)
        self.mode = mode
        self.greeted = False

    async def push(self, status):
        text = status if isinstance(status, str) else status.decode()
        paused = self.mode == "paused-multiline"
        if not self.greeted and text.startswith("220 "):
            self.greeted = True
            self.event_handler.log("CONNECT")
            if self.mode in ("multiline-greeting", "paused-multiline"):
                await self.push_line("220-localhost Fennimar test server", paused)
                await self.push_line("220-second line of the greeting", paused)
            if self.mode == "drip-greeting":
                for byte in (text + "\r\n").encode():
                    self._writer.write(bytes([byte]))
                    await self._writer.drain()
                    await asyncio.sleep(0.3)
                return
        if self.mode == "data-250" and text.startswith("354"):
            status = "250 Go ahead anyway"
        await self.push_line(status, paused and len(text) > 3 and text[3] == "-")

    async def push_line(self, status, pause):
        await super().push(status)
        if pause:
            await asyncio.sleep(0.3)

    async def smtp_EHLO(self, hostname):
        if self.mode == "refuse-ehlo":
            self.event_handler.log("EHLO " + hostname)
            await self.push("502 5.5.1 EHLO is not spoken here")
            return
        if self.mode == "endless-ehlo":
            self.event_handler.log("EHLO " + hostname)
            try:
                for k in range(100000):
                    await self.push("250-localhost extension {}".format(k))
            except (ConnectionError, OSError):
                pass
            return
        await super().smtp_EHLO(hostname)

    async def smtp_STARTTLS(self, arg):
        self.event_handler.log("STARTTLS")
        if self.mode == "plain-after-starttls":
            await self.push("220 Ready to start TLS")
            await self.push("220 localhost still in plain text")
            return
        await super().smtp_STARTTLS(arg)


async def silent(reader, writer, handler):
    try:
        while data := await reader.read(4096):
            handler.log("RECEIVED {!r}".format(data))
    finally:
        writer.close()


def main():
    warnings.simplefilter("ignore")
    parser = argparse.ArgumentParser()
    parser.add_argument("directory")
    parser.add_argument("mode", nargs="?", default="normal")
    parser.add_argument("--cert")
    parser.add_argument("--key")
    parser.add_argument("--starttls", action="store_true")
    parser.add_argument("--implicit-tls", action="store_true")
    parser.add_argument("--auth")
    parser.add_argument("--login-only", action="store_true")
    parser.add_argument("--ipv6", action="store_true")
    parser.add_argument("--size-limit", type=int)
    parser.add_argument("--fail-message", type=int)
    parser.add_argument("--drop-message", type=lambda text: {int(n) for n in text.split(",")},
                        default=set())
    args = parser.parse_args()
    asyncio.run(serve(args))


async def serve(args):
    handler = Recorder(args.directory, args.mode, args.fail_message, args.drop_message)
    context = None
    if args.cert:
        context = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
        context.load_cert_chain(args.cert, args.key)
    options = {"size_limit": args.size_limit}
    if args.starttls:
        options.update(tls_context=context, require_starttls=True)
    if args.auth:
        user, password = args.auth.split(":", 1)

        def authenticator(server, session, envelope, mechanism, data):
            ok = data.login.decode() == user and data.password.decode() == password
            handler.log("AUTH {} {} {}".format(mechanism, data.login.decode(),
                                              "ok" if ok else "refused"))
            return AuthResult(success=ok, handled=False)

        # aiosmtpd only counts STARTTLS as encryption; with TLS from the
        # first byte the connection is encrypted all the same.
        options.update(authenticator=authenticator, auth_required=True,
                       auth_require_tls=not args.implicit_tls)
        if args.login_only:
            options.update(auth_exclude_mechanism=["PLAIN"])
    host = "::1" if args.ipv6 else "127.0.0.1"
    loop = asyncio.get_running_loop()
    if args.mode == "silent":
        server = await asyncio.start_server(
            lambda reader, writer: silent(reader, writer, handler), host, 0)
    else:
        server = await loop.create_server(
            lambda: MisbehavingSmtp(handler, args.mode, **options), host, 0,
            ssl=context if args.implicit_tls else None)
    port = server.sockets[0].getsockname()[1]
    print("PORT {}".format(port), flush=True)
    async with server:
        await server.serve_forever()


if __name__ == "__main__":
    main()
