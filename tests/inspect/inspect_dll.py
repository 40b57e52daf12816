#!/usr/bin/env python3
"""Checks a built vis_zel.dll from the outside, with objdump -p: the file format,
an export table holding nothing but winampVisGetHeader at ordinal 1, imports
from the system DLLs every Windows installation has, and the picture beside it;
and that zelplay.exe beside it imports only such DLLs too.

    inspect_dll.py --objdump OBJDUMP --format pei-i386 BUILD_DIR
"""

import argparse
import os
import re
import subprocess
import sys

ALLOWED_IMPORTS = {"kernel32.dll", "user32.dll", "gdi32.dll", "opengl32.dll", "msvcrt.dll"}
# zelplay.exe must start on every Windows: Media Foundation (mfplat.dll, mfreadwrite.dll),
# which "N" editions lack, is loaded when a compressed file is opened, never imported.
PLAYER_IMPORTS = ALLOWED_IMPORTS | {"winmm.dll", "ole32.dll"}
EXPORT_NAME = "winampVisGetHeader"


def unexpected_imports(dump, allowed):
    imports = re.findall(r"DLL Name:\s*(\S+)", dump)
    if not imports:
        return ["no import table found"]
    unexpected = sorted({name for name in imports if name.lower() not in allowed})
    return [f"imports from DLLs outside {sorted(allowed)}: {unexpected}"] if unexpected else []


def parse_exports(dump):
    """Returns (ordinals from the address table, names from the name table)."""
    ordinals = []
    names = []
    section = None
    for line in dump.splitlines():
        if line.startswith("Export Address Table -- Ordinal Base"):
            section = "addresses"
            continue
        if line.startswith("[Ordinal/Name Pointer] Table"):
            section = "names"
            continue
        if not line.strip():
            section = None
            continue
        if section == "addresses":
            match = re.match(r"\s*\[\s*\d+\]\s*\+base\[\s*(\d+)\]", line)
            if match:
                ordinals.append(int(match.group(1)))
        elif section == "names":
            match = re.match(r"\s*\[\s*\d+\]\s*(\S+)", line)
            if match:
                names.append(match.group(1))
    return ordinals, names


def dump_of(objdump, path, expected_format, problems):
    """objdump -p of `path`, or None with the reason in `problems`."""
    if not os.path.isfile(path):
        problems.append(f"{path} does not exist: build the preset for {expected_format} first")
        return None
    try:
        completed = subprocess.run([objdump, "-p", path], capture_output=True, text=True)
    except OSError as error:
        problems.append(f"cannot run {objdump}: {error}")
        return None
    if completed.returncode != 0:
        problems.append(f"{objdump} -p {path} failed ({completed.returncode}): "
                        f"{completed.stderr.strip()}")
        return None
    return completed.stdout


def inspect(objdump, expected_format, build_dir):
    problems = []
    player = dump_of(objdump, os.path.join(build_dir, "zelplay.exe"), expected_format, problems)
    if player is not None:
        problems += [f"zelplay.exe: {p}" for p in unexpected_imports(player, PLAYER_IMPORTS)]
    dump = dump_of(objdump, os.path.join(build_dir, "vis_zel.dll"), expected_format, problems)
    if dump is None:
        return problems

    match = re.search(r"file format (\S+)", dump)
    found_format = match.group(1) if match else "nothing"
    if found_format != expected_format:
        problems.append(f"file format: expected {expected_format}, found {found_format}")

    ordinals, names = parse_exports(dump)
    if names != [EXPORT_NAME]:
        problems.append(f"exported names: expected only {EXPORT_NAME}, found {names}")
    if ordinals != [1]:
        problems.append(f"export ordinals: expected only ordinal 1, found {ordinals}")

    problems += unexpected_imports(dump, ALLOWED_IMPORTS)

    picture = os.path.join(build_dir, "vis_zel.bmp")
    if not os.path.isfile(picture):
        problems.append(f"{picture} is missing: the plug-in loads its picture from beside the DLL")
    return problems


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--objdump", required=True)
    parser.add_argument("--format", required=True, help="expected objdump file format")
    parser.add_argument("build_dir")
    args = parser.parse_args()
    problems = inspect(args.objdump, args.format, args.build_dir)
    for problem in problems:
        print(f"FAIL: {problem}")
    if problems:
        return 1
    print(f"vis_zel.dll in {args.build_dir}: {args.format}, exports only {EXPORT_NAME} at "
          f"ordinal 1, imports only system DLLs, picture present; zelplay.exe imports only "
          f"DLLs every Windows has")
    return 0


if __name__ == "__main__":
    sys.exit(main())
