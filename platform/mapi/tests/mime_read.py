"""Reads an RFC 822 file with Python's standard email parser and prints what
it decoded as JSON: addresses, subject, dates, headers, bodies, attachments
and embedded messages (recursively)."""
import email
import email.policy
import email.utils
import json
import sys


def addresses(header):
    out = []
    if header is None:
        return out
    for group in header.groups:
        if group.display_name is not None and not group.addresses:
            out.append({"name": group.display_name, "address": ""})
        for a in group.addresses:
            out.append({"name": a.display_name, "address": a.addr_spec})
    return out


def date_of(text):
    if not text:
        return None
    return int(email.utils.parsedate_to_datetime(text).timestamp())


def walk(part, out):
    ctype = part.get_content_type()
    if ctype == "message/rfc822":
        out["attachments"].append({"filename": part.get_filename() or "",
                                   "message": read(part.get_payload()[0])})
        return
    if part.is_multipart():
        for p in part.iter_parts():
            walk(p, out)
        return
    disposition = part.get_content_disposition()
    for kind, key in (("text/plain", "text"), ("text/html", "html")):
        if ctype == kind and disposition != "attachment" and out[key] is None:
            out[key] = part.get_content()
            return
    out["attachments"].append({
        "filename": part.get_filename() or "",
        "content_type": ctype,
        "content_id": (part["content-id"] or "").strip().strip("<>"),
        "inline": disposition == "inline",
        "data": (part.get_payload(decode=True) or b"").hex(),
    })


def read(msg):
    received = msg.get_all("received") or []
    out = {
        "from": addresses(msg["from"]),
        "to": addresses(msg["to"]),
        "cc": addresses(msg["cc"]),
        "bcc": addresses(msg["bcc"]),
        "subject": str(msg["subject"] or ""),
        "date": date_of(str(msg["date"] or "")),
        "received": date_of(str(received[0]).rsplit(";", 1)[-1]) if received else None,
        "headers": [[k, str(v)] for k, v in msg.items()],
        "text": None,
        "html": None,
        "attachments": [],
    }
    walk(msg, out)
    return out


with open(sys.argv[1], "rb") as f:
    message = email.message_from_binary_file(f, policy=email.policy.default)
json.dump(read(message), sys.stdout)
