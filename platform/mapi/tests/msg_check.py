#!/usr/bin/env python3
"""Checks the structure of an Outlook message file with olefile, as a reader
that is not ours: every property stream's header size and entries, the value
stream of each variable-length entry and its size, the object storages, and
the recipient and attachment counts. Prints a JSON summary."""
import json
import struct
import sys

import olefile

VARIABLE = {0x001E: 1, 0x001F: 2, 0x0102: 0, 0x0048: 0}  # type: bytes the size adds


def main(path):
    out = {"ole": olefile.isOleFile(path), "errors": [], "objects": {}}
    if not out["ole"]:
        print(json.dumps(out))
        return
    ole = olefile.OleFileIO(path)
    out["clsid"] = ole.root.clsid
    entries = ole.listdir(streams=True, storages=True)
    names = {"/".join(e) for e in entries}
    storages = [()] + [tuple(e) for e in entries if ole.get_type("/".join(e)) == olefile.STGTY_STORAGE]
    errors = out["errors"]
    for st in storages:
        prefix = "/".join(st) + "/" if st else ""
        prop = prefix + "__properties_version1.0"
        if prop not in names:
            continue
        last = st[-1] if st else ""
        header = 32 if not st else 24 if last == "__substg1.0_3701000D" else 8
        data = ole.openstream(prop).read()
        if len(data) < header or (len(data) - header) % 16:
            errors.append("%s: size %d" % (prop, len(data)))
            continue
        children = [n[len(prefix):] for n in names if n.startswith(prefix) and "/" not in n[len(prefix):]]
        if header != 8:
            recips, attachs = struct.unpack_from("<II", data, 16)
            if recips != sum(c.startswith("__recip_version1.0_#") for c in children):
                errors.append("%s: %d recipients" % (prop, recips))
            if attachs != sum(c.startswith("__attach_version1.0_#") for c in children):
                errors.append("%s: %d attachments" % (prop, attachs))
        tags = []
        for at in range(header, len(data), 16):
            tag, _flags, size = struct.unpack_from("<III", data, at)
            kind = tag & 0xFFFF
            tags.append("%08X" % tag)
            value = prefix + "__substg1.0_%08X" % tag
            if kind == 0x000D:
                if size != 0xFFFFFFFF or ole.get_type(value) != olefile.STGTY_STORAGE:
                    errors.append("%s: object" % value)
            elif kind in VARIABLE or kind & 0x1000:
                if value not in names:
                    errors.append("%s: missing" % value)
                elif ole.get_size(value) + VARIABLE.get(kind, 0) != size:
                    errors.append("%s: size %d, entry %d" % (value, ole.get_size(value), size))
        out["objects"]["/".join(st)] = tags
    out["streams"] = sorted(n for n in names if ole.get_type(n) == olefile.STGTY_STREAM)
    print(json.dumps(out))


if __name__ == "__main__":
    main(sys.argv[1])
