#!/usr/bin/python3
"""Runs the Linux-side peers of a Windows test program under wine.

Usage: run_for_wine.py PORT_FILE

A Windows program cannot start the tests' Python servers and checkers
itself, so tests/run_under_wine.sh starts this runner beside it. The runner
listens on a free port of 127.0.0.1, writes "<port> <token>" to PORT_FILE
and serves one request per connection: a line of JSON, an object with
"token" and one of
  "run":   [SCRIPT, ARG...]  runs SCRIPT of the tests folder; answers
                             "EXIT <status>"
  "shell": COMMAND           runs COMMAND with /bin/sh; answers "EXIT <status>"
  "start": [SCRIPT, ARG...]  starts SCRIPT, answers its first line of output
                             ("PORT <n>") and ends it when the connection
                             closes
  "port":  null              answers a local port with nothing listening
Windows paths ("C:\\...", "Z:\\...") in arguments and commands are turned
into the Linux paths of the run's wine prefix (WINEPREFIX). The runner ends
at SIGTERM, ending what it started.
"""

import json
import os
import re
import secrets
import signal
import socket
import socketserver
import subprocess
import sys

TESTS = os.path.dirname(os.path.abspath(__file__))
PREFIX = os.environ.get("WINEPREFIX", os.path.expanduser("~/.wine"))
WINDOWS_PATH = re.compile(r"([A-Za-z]):\\([^\s'\"|<>;&]*)")
WHOLE_PATH = re.compile(r"([A-Za-z]):\\(.*)", re.DOTALL)
TOKEN = secrets.token_hex(16)
started = set()


def unix_path(match):
    drive = os.path.realpath(os.path.join(PREFIX, "dosdevices", match.group(1).lower() + ":"))
    return os.path.join(drive, match.group(2).replace("\\", "/"))


def translate(text):
    return WINDOWS_PATH.sub(unix_path, text)


def translate_word(word):
    """A whole argument that is a path may hold spaces."""
    return unix_path(WHOLE_PATH.match(word)) if WHOLE_PATH.match(word) else translate(word)


def command(words):
    script = os.path.join(TESTS, os.path.basename(words[0]))
    runner = ["/usr/bin/python3"] if script.endswith(".py") else []
    return runner + [script] + [translate_word(word) for word in words[1:]]


class Handler(socketserver.StreamRequestHandler):
    def handle(self):
        self.request.settimeout(600)
        request = json.loads(self.rfile.readline(1 << 20))
        if request.get("token") != TOKEN:
            return
        if "run" in request:
            status = subprocess.run(command(request["run"]), timeout=600).returncode
            self.answer(f"EXIT {status}")
        elif "shell" in request:
            status = subprocess.run(["/bin/sh", "-c", translate(request["shell"])],
                                    timeout=600).returncode
            self.answer(f"EXIT {status}")
        elif "port" in request:
            with socket.socket() as probe:
                probe.bind(("127.0.0.1", 0))
                self.answer(f"PORT {probe.getsockname()[1]}")
        elif "start" in request:
            self.serve(command(request["start"]))

    def answer(self, line):
        self.wfile.write(line.encode() + b"\n")

    def serve(self, words):
        server = subprocess.Popen(words, stdout=subprocess.PIPE)
        started.add(server)
        try:
            self.answer(server.stdout.readline(64).decode().strip())
            self.rfile.read()  # until the test program hangs up
        except OSError:
            pass
        finally:
            server.terminate()
            server.wait(30)
            started.discard(server)


class Runner(socketserver.ThreadingTCPServer):
    daemon_threads = True


def stop(*_):
    for server in list(started):
        server.terminate()
    sys.exit(0)


def main():
    signal.signal(signal.SIGTERM, stop)
    with Runner(("127.0.0.1", 0), Handler) as runner:
        with open(sys.argv[1] + ".new", "w") as out:
            out.write(f"{runner.server_address[1]} {TOKEN}\n")
        os.rename(sys.argv[1] + ".new", sys.argv[1])
        runner.serve_forever()


if __name__ == "__main__":
    main()
