#!/usr/bin/python3
"""Writes a multipart/mixed message with Python's email package, for the
parser tests.

Usage: mail_write.py OUTPUT [--lower] [--unquoted] KIND:PATH...

KIND is "base64" (an application/octet-stream attachment named after the
file) or "qp" (a text/plain part in quoted-printable). The message is written
with CR LF line ends, as it travels over SMTP. --lower writes every field
name of the message and its parts in lower case; --unquoted writes the
boundary parameter without double quotes.
"""

import email.policy
import os
import re
import sys
from email import encoders
from email.mime.application import MIMEApplication
from email.mime.multipart import MIMEMultipart
from email.mime.nonmultipart import MIMENonMultipart


def main():
    output = sys.argv[1]
    options = [a for a in sys.argv[2:] if a.startswith("--")]
    specs = [a for a in sys.argv[2:] if not a.startswith("--")]
    message = MIMEMultipart("mixed")
    message["Subject"] = "Parts written by Python"
    message["From"] = "Python <python@localhost>"
    message["To"] = "you@localhost"
    for spec in specs:
        kind, path = spec.split(":", 1)
        with open(path, "rb") as source:
            data = source.read()
        if kind == "base64":
            part = MIMEApplication(data, "octet-stream", name=os.path.basename(path))
        else:
            part = MIMENonMultipart("text", "plain", charset="utf-8")
            part.set_payload(data)
            encoders.encode_quopri(part)
        message.attach(part)
    if "--unquoted" in options:
        # A boundary that needs no quotes: no "=" or other special characters.
        message.set_boundary("Python_written_boundary_0123456789")
    text = message.as_bytes(policy=email.policy.SMTP)
    if "--lower" in options:
        text = re.sub(rb"(?m)^([A-Za-z-]+):", lambda m: m.group(1).lower() + b":", text)
    if "--unquoted" in options:
        text = re.sub(rb'boundary="([^"]*)"', rb"boundary=\1", text)
    with open(output, "wb") as out:
        out.write(text)


if __name__ == "__main__":
    main()
