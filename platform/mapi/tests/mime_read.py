"""Reads an RFC 822 file with Python's standard email parser under the
strict policy (any defect fails) and prints what it decoded as JSON:
addresses, subject, dates, headers, bodies, attachments and embedded
messages (recursively).

Display names are decoded as RFC 2047 reads them: Python's address parser
keeps the white space between two encoded words of a phrase, which RFC 2047
readers drop, so names are decoded from the raw field here."""
import email
import email.header
import email.policy
import email.utils
import json
import sys


def decoded(text):
    return str(email.header.make_header(email.header.decode_header(text)))


def addresses(msg, name):
    out = []
    header = msg[name]
    if header is None:
        return out
    if header.defects:
        raise ValueError(f"{name}: {header.defects}")
    raw = "".join(v for k, v in msg.raw_items() if k.lower() == name)
    mailboxes = iter(decoded(display) for display, address in email.utils.getaddresses([raw]) if "@" in address)
    for group in header.groups:
        if group.display_name is not None and not group.addresses:
            out.append({"name": group.display_name, "address": ""})
        for a in group.addresses:
            out.append({"name": next(mailboxes, a.display_name), "address": a.addr_spec})
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
        "from": addresses(msg, "from"),
        "to": addresses(msg, "to"),
        "cc": addresses(msg, "cc"),
        "bcc": addresses(msg, "bcc"),
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
    message = email.message_from_binary_file(f, policy=email.policy.strict)
json.dump(read(message), sys.stdout)
