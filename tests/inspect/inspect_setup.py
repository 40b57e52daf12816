#!/usr/bin/env python3
"""Checks the setup program that cpack makes beside the release zip in a Windows
build folder: one, named for the project's version as the zip is, a 32-bit Windows
program for the 32-bit player carrying that version, and small enough to pass
around (under 300 KB).

    inspect_setup.py BUILD_DIR PROJECT_VERSION
"""

import glob
import os
import struct
import sys

from pe_version import version_problems

MAX_BYTES = 300 * 1000
I386 = 0x14C


def main(build_dir, version):
    release = os.path.join(build_dir, "release")
    setups = glob.glob(os.path.join(release, "zelvis-*-setup.exe"))
    zips = glob.glob(os.path.join(release, f"zelvis-{version}-win32.zip"))
    if len(setups) != 1 or len(zips) != 1:
        print(f"expected one setup program and one zip in {release}, saw {setups + zips} "
              f"(run cpack there, with makensis from the nsis package installed)")
        return 1
    setup = setups[0]
    problems = []
    if os.path.basename(setup) != f"zelvis-{version}-setup.exe":
        problems.append(f"expected zelvis-{version}-setup.exe beside the zip, saw "
                        f"{os.path.basename(setup)}")
    size = os.path.getsize(setup)
    if size >= MAX_BYTES:
        problems.append(f"{size} bytes: expected under {MAX_BYTES}")
    with open(setup, "rb") as f:
        image = f.read()
    (pe_offset,) = struct.unpack_from("<I", image, 0x3C)
    signature, machine = struct.unpack_from("<4sH", image, pe_offset)
    if image[:2] != b"MZ" or signature != b"PE\0\0" or machine != I386:
        problems.append(f"expected a 32-bit Windows program, saw signature {signature!r}, "
                        f"machine {machine:#x}")
    problems += version_problems(image, version)
    for problem in problems:
        print(f"{os.path.basename(setup)}: {problem}")
    if not problems:
        print(f"{os.path.basename(setup)}: 32-bit, {size} bytes")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1], sys.argv[2]))
