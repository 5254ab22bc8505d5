#!/usr/bin/python3
"""fennimar-cli join and extract from an IMAP mailbox on a real Dovecot.

Usage: imap_join_test.py FENNIMAR_CLI

A set is split and mailed through the test SMTP server, the messages it
received (the parts' and the manifest's, but the last part's, which comes in a message written by Python's
email package under another subject) are stored with Python's mailbox
module in the Maildir a private
Dovecot serves on loopback (IMAPS on one free port, IMAP with STARTTLS on
another, certificates from make_test_certs.sh, its own configuration, users
file, base_dir and log), and then joined and extracted from the server.
Exits 77 when dovecot is not installed; the system's own dovecot service is
neither needed nor touched. With KEEP set, the outputs of fennimar-cli are
printed and the work directory is kept.
"""

import mailbox
import os
import pwd
import grp
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import time

DOVECOT = "/usr/sbin/dovecot"
HERE = os.path.dirname(os.path.abspath(__file__))
failures = []


def check(name, expected, actual):
    if expected != actual:
        failures.append(name)
        print("FAIL {}: expected {!r}, got {!r}".format(name, expected, actual))


def free_port():
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


def wait_for_port(port, process, seconds=15):
    for _ in range(int(seconds * 10)):
        if process.poll() is not None:
            return False
        try:
            with socket.create_connection(("127.0.0.1", port), timeout=1):
                return True
        except OSError:
            time.sleep(0.1)
    return False


class Dovecot:
    """A Dovecot of the test's own, stopped by its PID."""

    CONFIG = """\
base_dir = {work}/run
state_dir = {work}/state
log_path = {work}/dovecot.log
protocols = imap
listen = 127.0.0.1
ssl = yes
ssl_cert = <{work}/certs/server.pem
ssl_key = <{work}/certs/server.key
disable_plaintext_auth = yes
auth_mechanisms = plain
default_login_user = {login}
default_internal_user = {internal}
default_internal_group = {group}
first_valid_uid = 1
passdb {{
  driver = passwd-file
  args = scheme=PLAIN {work}/users
}}
userdb {{
  driver = static
  args = uid={mail_uid} gid={mail_gid} home={work}/home/%u
}}
mail_location = maildir:{work}/mail/%u
service imap-login {{
  chroot =
  inet_listener imap {{
    address = 127.0.0.1
    port = {plain_port}
  }}
  inet_listener imaps {{
    address = 127.0.0.1
    port = {port}
    ssl = yes
  }}
}}
service anvil {{
  chroot =
}}
"""

    def __init__(self, work):
        if os.getuid() == 0:
            # Mail is never served as root: the mail belongs to nobody and
            # the login and internal services run as the package's users.
            login, internal = "dovenull", "dovecot"
            group = grp.getgrgid(pwd.getpwnam("dovecot").pw_gid).gr_name
            mail_uid = pwd.getpwnam("nobody").pw_uid
            mail_gid = pwd.getpwnam("nobody").pw_gid
        else:
            login = internal = pwd.getpwuid(os.getuid()).pw_name
            group = grp.getgrgid(os.getgid()).gr_name
            mail_uid, mail_gid = os.getuid(), os.getgid()
        self.port, self.plain_port = free_port(), free_port()
        self.mail_uid, self.mail_gid = mail_uid, mail_gid
        self.config = os.path.join(work, "dovecot.conf")
        with open(self.config, "w") as out:
            out.write(self.CONFIG.format(work=work, login=login, internal=internal, group=group,
                                         mail_uid=mail_uid, mail_gid=mail_gid, port=self.port,
                                         plain_port=self.plain_port))
        with open(os.path.join(work, "users"), "w") as out:
            out.write("fen:{PLAIN}open sesame\n")
        self.log = os.path.join(work, "dovecot.log")
        self.process = None

    def start(self):
        self.process = subprocess.Popen([DOVECOT, "-F", "-c", self.config],
                                        stdout=subprocess.DEVNULL, stderr=subprocess.STDOUT)
        for port in (self.port, self.plain_port):
            if not wait_for_port(port, self.process):
                self.stop()
                sys.exit("dovecot did not start:\n" + open(self.log).read())

    def stop(self):
        if self.process and self.process.poll() is None:
            self.process.send_signal(signal.SIGTERM)
            try:
                self.process.wait(timeout=15)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()


class Cli:
    def __init__(self, binary, work):
        self.binary, self.work = binary, work
        for folder in ("cfg/fennimar", "home", "tmp", "run-cli"):
            os.makedirs(os.path.join(work, folder), exist_ok=True)

    def run(self, *arguments, password="open sesame", ca="ca.pem"):
        environment = dict(os.environ, HOME=os.path.join(self.work, "home"),
                           XDG_CONFIG_HOME=os.path.join(self.work, "cfg"),
                           TMPDIR=os.path.join(self.work, "tmp"),
                           SSL_CERT_FILE=os.path.join(self.work, "certs", ca),
                           FENNIMAR_IMAP_PASSWORD=password or "")
        # No keyring is asked, and no password when none is given.
        for name in ["XDG_DOWNLOAD_DIR", "DBUS_SESSION_BUS_ADDRESS"] + (
                [] if password else ["FENNIMAR_IMAP_PASSWORD"]):
            environment.pop(name, None)
        done = subprocess.run([self.binary] + list(arguments), cwd=os.path.join(self.work, "run-cli"),
                              env=environment, stdin=subprocess.DEVNULL, capture_output=True,
                              timeout=120)
        out, err = done.stdout.decode(errors="replace"), done.stderr.decode(errors="replace")
        if os.environ.get("KEEP"):
            print(arguments[:2], done.returncode, out, err)
        return done.returncode, out, err


def mail_a_set(cli, work):
    """Splits DATA.BIN into four parts mailed through the test SMTP server;
    gives the messages it received."""
    received = os.path.join(work, "smtp")
    os.makedirs(received)
    server = subprocess.Popen([sys.executable, os.path.join(HERE, "smtp_test_server.py"), received],
                              stdout=subprocess.PIPE)
    try:
        port = int(server.stdout.readline().split()[1])
        with open(os.path.join(work, "cfg/fennimar/FENNIMAR.INI"), "w") as out:
            out.write("[FENNIMAR]\nSMTPHost=127.0.0.1:{}\nMyAddress=cli@localhost\n".format(port))
        with open(os.path.join(work, "DATA.BIN"), "wb") as out:
            out.write(os.urandom(40000))
        os.utime(os.path.join(work, "DATA.BIN"), (1500000000, 1500000000))
        code, _, err = cli.run("split", "../DATA.BIN", "-s", "12000", "-d", "../parts", "-y",
                               "--mail-to", "fen@localhost")
        check("split and mail", 0, code)
    finally:
        server.terminate()
        server.wait(timeout=15)
    names = sorted(n for n in os.listdir(received) if n.endswith(".eml"))
    return [open(os.path.join(received, n), "rb").read() for n in names]


def seen_flags(work):
    """The Maildir flags of every stored message, as Dovecot keeps them."""
    flags = []
    for folder in ("new", "cur"):
        for name in os.listdir(os.path.join(work, "mail/fen", folder)):
            flags.append(name.split(":2,")[1] if ":2," in name else "")
    return flags


def store(work, messages, dovecot):
    os.makedirs(os.path.join(work, "mail"))
    box = mailbox.Maildir(os.path.join(work, "mail/fen"), create=True)
    for message in messages:
        box.add(message)
    # A message that carries no part is found by no search of ours.
    box.add(b"From: a@localhost\r\nSubject: lunch\r\n\r\nAt noon?\r\n")
    for root, folders, files in os.walk(os.path.join(work, "mail")):
        for name in folders + files:
            os.chown(os.path.join(root, name), dovecot.mail_uid, dovecot.mail_gid)
    os.chown(os.path.join(work, "mail"), dovecot.mail_uid, dovecot.mail_gid)


def scenarios(cli, work, dovecot):
    imaps = "imaps://fen@127.0.0.1:{}/INBOX".format(dovecot.port)
    joined = os.path.join(work, "joined")

    code, out, err = cli.run("join", imaps, "-d", joined, "-y")
    check("join from imaps", 0, code)
    data = open(os.path.join(work, "DATA.BIN"), "rb").read()
    target = os.path.join(joined, "DATA.BIN")
    check("joined byte for byte", data, open(target, "rb").read() if os.path.exists(target) else b"")
    check("joined mtime", 1500000000, int(os.stat(target).st_mtime) if os.path.exists(target) else 0)
    check("temporary files removed", [], os.listdir(os.path.join(work, "tmp")))
    check("still unread", [""] * 6, [f.replace("S", "read") for f in seen_flags(work)])

    for name, arguments, expected in [
            ("wrong password", {"password": "guess"}, "AUTHENTICATIONFAILED"),
            ("refused certificate", {"ca": "untrusted.pem"}, "certificate"),
            ("no password", {"password": None}, "set FENNIMAR_IMAP_PASSWORD"),
    ]:
        code, out, err = cli.run("join", imaps, "-d", os.path.join(work, "no"), "-y", **arguments)
        check(name + " exit", 1, code)
        check(name + " names the mailbox", True, "Merge: Can not read the mailbox\n" + imaps in err)
        check(name + " told", True, expected in err)
        check(name + " nothing written", False, os.path.exists(os.path.join(work, "no")))
    code, out, err = cli.run("join", imaps[:-5] + "Nowhere", "-d", os.path.join(work, "no"))
    check("unknown mailbox", (1, True), (code, "open the mailbox Nowhere: the server answered: NO" in err))
    code, out, err = cli.run("join", "imaps://fen@127.0.0.1:{}/INBOX".format(free_port()), "-d",
                             os.path.join(work, "no"))
    check("no server there", (1, True), (code, "Connection refused" in err))
    for source in ("pop3://fen@127.0.0.1/INBOX", "../NOT-THERE.Z00"):
        code, out, err = cli.run("join", source, "-d", os.path.join(work, "no"), "-y")
        check("refused before anything is made: " + source,
              (1, False), (code, os.path.exists(os.path.join(work, "no"))))
    check("nothing marked read by failures", 6, len([f for f in seen_flags(work) if "S" not in f]))

    # imap:// turns to TLS with STARTTLS before the password is sent.
    imap = "imap://fen@127.0.0.1:{}/INBOX".format(dovecot.plain_port)
    code, out, err = cli.run("extract", imap, "-d", os.path.join(work, "extracted"), "-y")
    check("extract from imap with STARTTLS", 0, code)
    # The manifest's message, found by its subject, comes out beside the parts.
    for name in ("DATA.Z00", "DATA.Z01", "DATA.Z02", "DATA.Z03", "DATA.sha256"):
        extracted = os.path.join(work, "extracted", name)
        check("extracted " + name, open(os.path.join(work, "parts", name), "rb").read(),
              open(extracted, "rb").read() if os.path.exists(extracted) else b"")


def main():
    if not os.access(DOVECOT, os.X_OK):
        print("dovecot is not installed")
        return 77
    work = tempfile.mkdtemp(prefix="fimap")
    dovecot = None
    try:
        if os.getuid() == 0:
            os.chmod(work, 0o755)  # the mail user and dovecot's own users reach into it
        os.makedirs(os.path.join(work, "certs"))
        subprocess.run([os.path.join(HERE, "make_test_certs.sh"), os.path.join(work, "certs")],
                       check=True, capture_output=True, timeout=60)
        cli = Cli(os.path.abspath(sys.argv[1]), work)
        messages = mail_a_set(cli, work)
        check("messages mailed, the manifest after the parts", 5, len(messages))
        # The last part comes from another mailer, under a subject of its
        # own: only its attachment's name can find it.
        subprocess.run([sys.executable, os.path.join(HERE, "mail_write.py"),
                        os.path.join(work, "other.eml"),
                        "base64:" + os.path.join(work, "parts", "DATA.Z03")], check=True, timeout=60)
        kept = [m for m in messages if b"Part  4 of total" not in m]
        check("one message per part and the manifest's", 4, len(kept))
        dovecot = Dovecot(work)
        store(work, kept + [open(os.path.join(work, "other.eml"), "rb").read()], dovecot)
        dovecot.start()
        scenarios(cli, work, dovecot)
    finally:
        if dovecot:
            dovecot.stop()
        if failures or os.environ.get("KEEP"):
            print("work directory:", work)
        else:
            shutil.rmtree(work, ignore_errors=True)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
