#!/usr/bin/env python3
"""Rewrites zip archives so that their bytes depend on their contents alone.

    reproducible_zip.py ARCHIVE...

Members go in name order, whatever order the file system listed them in; each
takes the commit's time (SOURCE_DATE_EPOCH), carries no owner, and has fixed
permissions: 0755 for folders and programs, 0644 for everything else.
"""
import os
import sys
import time
import zipfile

ZIP_EPOCH = 315532800  # 1980-01-01, the earliest time a zip file can hold


def rewrite(path, stamp):
    with zipfile.ZipFile(path) as source:
        members = [(info, source.read(info)) for info in source.infolist()]
    members.sort(key=lambda member: member[0].filename)
    temporary = path + ".tmp"
    with zipfile.ZipFile(temporary, "w") as target:
        for info, data in members:
            folder = info.filename.endswith("/")
            executable = folder or (info.external_attr >> 16) & 0o111
            mode = (0o040000 if folder else 0o100000) | (0o755 if executable else 0o644)
            member = zipfile.ZipInfo(info.filename, stamp)
            member.create_system = 3  # Unix, so that the mode is understood
            member.external_attr = (mode << 16) | (0x10 if folder else 0)
            member.compress_type = zipfile.ZIP_STORED if folder else zipfile.ZIP_DEFLATED
            target.writestr(member, data, compresslevel=9)
    os.replace(temporary, path)


def main(paths):
    epoch = max(int(os.environ.get("SOURCE_DATE_EPOCH", ZIP_EPOCH)), ZIP_EPOCH)
    stamp = time.gmtime(epoch)[:6]
    for path in paths:
        rewrite(path, stamp)


if __name__ == "__main__":
    main(sys.argv[1:])
