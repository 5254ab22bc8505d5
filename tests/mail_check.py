#!/usr/bin/python3
"""Reads a stored message with Python's email package, as a second opinion.

Usage: mail_check.py MESSAGE OUTDIR

Writes OUTDIR/summary.txt with "key=value" lines: subject, from, to, date,
message-id, mime-version, content-type, boundary, defects (number of defects found),
parts (number of leaf parts), and for each leaf part k "type-k", "name-k",
"cte-k" and "filename-k" (the disposition's name, else the content type's);
every defect of a header counts too. The decoded payload of leaf part k goes to OUTDIR/part-k.
"""

import email
import email.policy
import os
import sys


def main():
    message_path, outdir = sys.argv[1], sys.argv[2]
    with open(message_path, "rb") as source:
        message = email.message_from_binary_file(source, policy=email.policy.default)
    lines = []
    defects = len(message.defects)
    defects += sum(len(getattr(message[key], "defects", ())) for key in message.keys())
    lines.append("subject=" + str(message.get("Subject", "")))
    lines.append("from=" + str(message.get("From", "")))
    lines.append("to=" + str(message.get("To", "")))
    lines.append("date=" + str(message.get("Date", "")))
    lines.append("message-id=" + str(message.get("Message-ID", "")))
    lines.append("mime-version=" + str(message.get("MIME-Version", "")))
    lines.append("content-type=" + message.get_content_type())
    lines.append("boundary=" + str(message.get_boundary("")))
    leaves = [part for part in message.walk() if not part.is_multipart()]
    for k, part in enumerate(leaves):
        defects += len(part.defects)
        defects += sum(len(getattr(part[key], "defects", ())) for key in part.keys())
        lines.append("type-{}={}".format(k, part.get_content_type()))
        lines.append("name-{}={}".format(k, part.get_param("name", "") or ""))
        lines.append("cte-{}={}".format(k, part.get("Content-Transfer-Encoding", "")))
        lines.append("filename-{}={}".format(k, part.get_filename("")))
        with open(os.path.join(outdir, "part-{}".format(k)), "wb") as out:
            out.write(part.get_payload(decode=True) or b"")
    lines.append("defects={}".format(defects))
    lines.append("parts={}".format(len(leaves)))
    with open(os.path.join(outdir, "summary.txt"), "w") as out:
        out.write("\n".join(lines) + "\n")


if __name__ == "__main__":
    main()
