#!/usr/bin/env python3
"""Prints what olefile, a reader that is not ours, sees in an Outlook message
file: its class id, subject and plain-text body, and its attachment count."""
import json
import sys

import olefile


def text(ole, name):
    return ole.openstream(name).read().decode("utf-16-le") if ole.exists(name) else None


def main(path):
    if not olefile.isOleFile(path):
        print(json.dumps({"ole": False}))
        return
    ole = olefile.OleFileIO(path)
    top = {entry[0] for entry in ole.listdir(streams=True, storages=True)}
    print(json.dumps({
        "ole": True,
        "clsid": ole.root.clsid,
        "subject": text(ole, "__substg1.0_0037001F"),
        "body": text(ole, "__substg1.0_1000001F"),
        "attachments": sum(name.startswith("__attach_version1.0_#") for name in top),
    }))


if __name__ == "__main__":
    main(sys.argv[1])
