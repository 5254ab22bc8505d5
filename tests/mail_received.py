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


def main():
    if sys.argv[1] == "deliver":
        deliver(sys.argv[2], sys.argv[3], sys.argv[4], sys.argv[5:])
    else:
        write(sys.argv[2], sys.argv[3], sys.argv[4:])


if __name__ == "__main__":
    main()
