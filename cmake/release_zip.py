#!/usr/bin/env python3
"""Writes the release zip so that the same files give the same bytes, whoever builds
it, wherever and whenever: the files in sorted order under one top folder, each
stamped with the given time in UTC, with no owner, file mode or extra fields.

    release_zip.py --mtime EPOCH_SECONDS --top FOLDER OUT.zip STAGED_DIR
"""

import argparse
import os
import sys
import time
import zipfile

# 1980-01-01 UTC: a zip entry's time cannot be earlier.
ZIP_EPOCH = 315532800


def staged_files(staged):
    """Every file under STAGED, by its path there with forward slashes, sorted."""
    found = []
    for parent, _, names in os.walk(staged):
        for name in names:
            path = os.path.join(parent, name)
            found.append(os.path.relpath(path, staged).replace(os.sep, "/"))
    return sorted(found)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--mtime", type=int, required=True)
    parser.add_argument("--top", required=True)
    parser.add_argument("out")
    parser.add_argument("staged")
    args = parser.parse_args()
    stamp = time.gmtime(max(args.mtime, ZIP_EPOCH))[:6]
    partial = args.out + ".part"
    with zipfile.ZipFile(partial, "w") as archive:
        for name in staged_files(args.staged):
            entry = zipfile.ZipInfo(f"{args.top}/{name}", stamp)
            # Made on "MS-DOS", with the archive attribute that Windows' own zips
            # give files: no Unix mode or owner of the builder's.
            entry.create_system = 0
            entry.external_attr = 0x20
            entry.compress_type = zipfile.ZIP_DEFLATED
            with open(os.path.join(args.staged, name), "rb") as f:
                archive.writestr(entry, f.read(), compresslevel=9)
    os.replace(partial, args.out)
    return 0


if __name__ == "__main__":
    sys.exit(main())
