#!/usr/bin/env python3
"""Checks the release zip that cpack makes in a Windows build folder: the plug-in,
its picture, the player and the read-me, in one top folder, and nothing else; the
two programs stripped of symbols and debug information, without the time of their
link, and carrying the project's version.

    inspect_release.py BUILD_DIR PROJECT_VERSION
"""

import glob
import os
import struct
import sys
import zipfile

from pe_version import version_problems

EXPECTED = {"vis_zel.dll", "vis_zel.bmp", "zelplay.exe", "README.txt", "NOTICES.txt"}
PROGRAMS = ("vis_zel.dll", "zelplay.exe")


def unstripped_parts(image):
    """What a PE image carries beyond what runs: a COFF symbol table, and sections
    of debug information (".debug_*", whose long names live in that table as "/N")."""
    (pe_offset,) = struct.unpack_from("<I", image, 0x3C)
    sections, symbols_at, symbol_count, optional_size = struct.unpack_from(
        "<2xH4xIIH", image, pe_offset + 4)
    parts = [f"{symbol_count} symbols"] if symbols_at or symbol_count else []
    table = pe_offset + 24 + optional_size
    for k in range(sections):
        name = image[table + 40 * k:table + 40 * k + 8].rstrip(b"\0").decode("ascii", "replace")
        if name.startswith(("/", ".debug")):
            parts.append(f"section {name}")
    return parts


def link_time(image):
    (pe_offset,) = struct.unpack_from("<I", image, 0x3C)
    return struct.unpack_from("<I", image, pe_offset + 8)[0]


def main(build_dir, version):
    zips = glob.glob(os.path.join(build_dir, "release", "zelvis-*.zip"))
    if [os.path.basename(z) for z in zips] != [f"zelvis-{version}-win32.zip"]:
        print(f"expected zelvis-{version}-win32.zip alone under {build_dir}/release, saw {zips} "
              f"(run cpack)")
        return 1
    with zipfile.ZipFile(zips[0]) as archive:
        names = [n for n in archive.namelist() if not n.endswith("/")]
        folders = {n.split("/", 1)[0] for n in names}
        files = {n.split("/", 1)[-1] for n in names}
        bmp = archive.read(next(n for n in names if n.endswith("vis_zel.bmp")))
        readme = archive.read(next(n for n in names if n.endswith("README.txt"))).decode()
        programs = {p: archive.read(n) for n in names for p in PROGRAMS if n.endswith("/" + p)}
        with open(os.path.join(build_dir, "vis_zel.bmp"), "rb") as built:
            built_bmp = built.read()
    problems = []
    if len(folders) != 1:
        problems.append(f"expected one top folder, saw {sorted(folders)}")
    if files != EXPECTED:
        problems.append(f"expected files {sorted(EXPECTED)}, saw {sorted(files)}")
    if bmp != built_bmp:
        problems.append("the zip's vis_zel.bmp differs from the one beside the built DLL")
    if not readme.startswith(f"zelVis {version} "):
        problems.append(f"README.txt should begin with zelVis {version}, saw {readme[:40]!r}")
    for name, image in sorted(programs.items()):
        extra = unstripped_parts(image)
        if extra:
            problems.append(f"{name} is not stripped: {', '.join(extra[:4])}")
        if link_time(image):
            problems.append(f"{name}: expected the PE time stamp 0, saw {link_time(image):#x}")
        problems += [f"{name}: {problem}"
                     for problem in version_problems(image, version, OriginalFilename=name)]
    for problem in problems:
        print(problem)
    if not problems:
        print(f"{os.path.basename(zips[0])}: {sorted(files)}")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1], sys.argv[2]))
