"""Checks RFC 822 files against RFC 5322, 2045-2049, 2047 and 2231 as far as
the converter's output goes, beyond what a lenient reader accepts:

- Python's email parser under the strict policy finds no defect in the
  message, in any header of any part, or in decoding any part;
- every line ends with CR LF and holds at most 998 characters, all 7-bit;
- header lines stay within 78 characters unless they hold one unbreakable
  word, and no two encoded words touch ("?==?");
- From, when present, carries an address in each mailbox; a file whose name
  ends in "-from.eml" must have one.

Usage: mime_check.py FILE_OR_DIR...  Prints one line per fault; exit status 1
when there is any."""
import email
import email.policy
import os
import re
import sys

ENCODED_WORDS_TOUCH = re.compile(r"\?=[^\s]*=\?")
# The "name" parameter of Content-Type carries a non-ASCII file name as
# RFC 2047 words in a quoted string beside the RFC 2231 "filename" of
# Content-Disposition: not RFC 2047, but what mail readers look for there.
NAME_PARAMETER_DEFECTS = {"encoded word inside quoted string", "missing trailing whitespace after encoded-word"}


def header_faults(part):
    for name, raw in part.raw_items():
        text = f"{name}: {raw}"
        for line in re.split(r"\r?\n", text):
            if len(line) > 78 and re.search(r"\s", line.strip()):
                yield f"header line of {len(line)} characters: {line[:60]}..."
        if "?==?" in raw or ENCODED_WORDS_TOUCH.search(raw.replace("?= =?", "")):
            yield f"encoded words not separated: {name}"
        if not raw.isascii():
            yield f"8-bit header: {name}"
        defects = [str(d) for d in getattr(part[name], "defects", ())]
        if name.lower() == "content-type" and re.search(r'name="=\?', raw):
            defects = [d for d in defects if d not in NAME_PARAMETER_DEFECTS]
        if defects:
            yield f"{name}: {defects}"


def part_faults(msg):
    for part in msg.walk():
        yield from header_faults(part)
        if part.is_multipart() or part.get_content_type() == "message/rfc822":
            continue
        try:
            part.get_content()
        except Exception as e:  # noqa: BLE001 - any decoding failure is a fault
            yield f"content of {part.get_content_type()}: {e!r}"
        if part.defects:
            yield f"{part.get_content_type()}: {part.defects}"


def from_faults(msg, required):
    header = msg["from"]
    if header is None:
        if required:
            yield "no From"
        return
    mailboxes = header.addresses
    if not mailboxes:
        yield f"From without a mailbox: {header}"
    for a in mailboxes:
        if "@" not in a.addr_spec:
            yield f"From without an address: {header}"


def raw_faults(data):
    if re.search(rb"(?<!\r)\n|\r(?!\n)", data):
        yield "a line end other than CR LF"
    if not data.endswith(b"\r\n"):
        yield "no line end at the end"
    for line in data.split(b"\r\n"):
        if len(line) > 998:
            yield f"line of {len(line)} characters"
            break
    if not data.isascii():
        yield "8-bit data"


def check(path):
    with open(path, "rb") as f:
        data = f.read()
    yield from raw_faults(data)
    try:
        msg = email.message_from_bytes(data, policy=email.policy.strict)
    except Exception as e:  # noqa: BLE001 - the strict policy raises the defect
        yield f"parse: {e!r}"
        return
    try:
        yield from part_faults(msg)
        yield from from_faults(msg, path.endswith("-from.eml"))
    except Exception as e:  # noqa: BLE001
        yield f"reading: {e!r}"


def files(args):
    for arg in args:
        if os.path.isdir(arg):
            for name in sorted(os.listdir(arg)):
                if name.endswith(".eml"):
                    yield os.path.join(arg, name)
        else:
            yield arg


faults = 0
for path in files(sys.argv[1:]):
    for fault in check(path):
        print(f"{path}: {fault}")
        faults += 1
sys.exit(1 if faults else 0)
