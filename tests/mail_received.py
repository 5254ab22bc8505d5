#!/usr/bin/python3
"""Stores and writes messages with Python's email and mailbox packages, for
the tests of the receiving side.

Usage:
  mail_received.py deliver MAILDIR MBOX EMLDIR MESSAGE...
      Stores every MESSAGE (as an SMTP server received it) as a local
      delivery does, with LF line ends: into the Maildir MAILDIR (created),
      into the mbox file MBOX written by mailbox.mbox, and as EMLDIR/<k>.eml.
  mail_received.py write POLICY OUTPUT NAME=PATH...
      Writes a message with a short text and every PATH attached as
      application/octet-stream under the file name NAME, with the
      email.policy POLICY ("default", "SMTP", "SMTPUTF8", "HTTP", "strict")
      (the message is built with the default one; HTTP cannot build) or,
      for "compat32", with the email.mime classes.
  mail_received.py store MAILDIR MBOX PATH[:read]...
      Stores one message per PATH, the file attached under its own name, in
      the Maildir MAILDIR (created) and the mbox file MBOX, in that order.
      A message marked ":read" is stored as a mail program leaves what was
      read: in the Maildir's cur/ with the flag S, in the mbox with
      "Status: RO".
"""

import email.policy
import mailbox
import os
import sys
from email.message import EmailMessage
from email.mime.application import MIMEApplication
from email.mime.multipart import MIMEMultipart
from email.mime.text import MIMEText


def deliver(maildir, mbox, emldir, messages):
    box = mailbox.Maildir(maildir, create=True)
    mb = mailbox.mbox(mbox)
    for k, path in enumerate(messages):
        with open(path, "rb") as source:
            data = source.read().replace(b"\r\n", b"\n")
        box.add(data)
        mb.add(data)
        with open(os.path.join(emldir, "{}.eml".format(k)), "wb") as out:
            out.write(data)
    mb.flush()
    mb.close()


def write(policy_name, output, specs):
    if policy_name == "compat32":
        message = MIMEMultipart()
        message.attach(MIMEText("The parts.\n"))
        for spec in specs:
            name, path = spec.split("=", 1)
            with open(path, "rb") as source:
                part = MIMEApplication(source.read(), "octet-stream")
            part.add_header("Content-Disposition", "attachment", filename=name)
            message.attach(part)
        policy = email.policy.compat32
    else:
        policy = getattr(email.policy, policy_name)
        message = EmailMessage()
        message.set_content("The parts.\n")
        for spec in specs:
            name, path = spec.split("=", 1)
            with open(path, "rb") as source:
                message.add_attachment(source.read(), maintype="application",
                                       subtype="octet-stream", filename=name)
    message["Subject"] = "Parts"
    message["From"] = "python@localhost"
    if "MIME-Version" not in message:
        message["MIME-Version"] = "1.0"
    with open(output, "wb") as out:
        out.write(message.as_bytes(policy=policy))


def store(maildir, mbox, specs):
    box = mailbox.Maildir(maildir, create=True)
    mb = mailbox.mbox(mbox)
    for k, spec in enumerate(specs):
        path, _, mark = spec.partition(":")
        message = EmailMessage()
        message["Subject"] = "Part {}".format(os.path.basename(path))
        message["From"] = "python@localhost"
        message["Date"] = "Tue, 01 Dec 2026 10:{:02d}:00 +0000".format(k)
        message.set_content("A part.\n")
        with open(path, "rb") as source:
            message.add_attachment(source.read(), maintype="application",
                                   subtype="octet-stream", filename=os.path.basename(path))
        kept = mailbox.MaildirMessage(message)
        boxed = mailbox.mboxMessage(message)
        if mark == "read":
            kept.set_subdir("cur")
            kept.set_flags("S")
            boxed.set_flags("RO")
        # Named in the order of the arguments, as a Maildir lists its files.
        key = box.add(kept)
        suffix = ":" + kept.get_info() if kept.get_info() else ""
        folder = os.path.join(maildir, kept.get_subdir())
        os.rename(os.path.join(folder, key + suffix),
                  os.path.join(folder, "{:03d}{}".format(k, suffix)))
        mb.add(boxed)
    mb.flush()
    mb.close()


def main():
    if sys.argv[1] == "store":
        store(sys.argv[2], sys.argv[3], sys.argv[4:])
    elif sys.argv[1] == "deliver":
        deliver(sys.argv[2], sys.argv[3], sys.argv[4], sys.argv[5:])
    else:
        write(sys.argv[2], sys.argv[3], sys.argv[4:])


if __name__ == "__main__":
    main()
