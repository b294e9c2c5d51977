"""Parses a message with Python's email package and prints what a mail
reader would show, as JSON: decoded headers, the text, the attachments.

    python3 parse_message.py MESSAGE [--unstuff]

--unstuff first removes SMTP's dot stuffing, as a receiving server does.
"""
import base64
import email
import json
import sys
from email import policy


def addresses(header):
    if header is None:
        return None
    return ["%s|%s" % (a.display_name, a.addr_spec) for a in header.addresses]


def main():
    data = open(sys.argv[1], "rb").read()
    if "--unstuff" in sys.argv[2:]:
        data = b"\r\n".join(l[1:] if l.startswith(b".") else l for l in data.split(b"\r\n"))
    msg = email.message_from_bytes(data, policy=policy.default)
    body = msg.get_body(("plain",))
    out = {
        "subject": str(msg["subject"]),
        "from": addresses(msg["from"]),
        "to": addresses(msg["to"]),
        "cc": addresses(msg["cc"]),
        "bcc": msg["bcc"],
        "date": str(msg["date"]),
        "text": body.get_content().replace("\r\n", "\n") if body is not None else None,
        "attachments": [
            {"filename": p.get_filename(), "content_type": p.get_content_type(),
             "base64": base64.b64encode(p.get_payload(decode=True)).decode()}
            for p in msg.iter_attachments()
        ],
        "defects": [str(d) for p in msg.walk() for d in p.defects],
    }
    json.dump(out, sys.stdout, ensure_ascii=False)


main()
