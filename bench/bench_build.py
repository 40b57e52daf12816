"""The Windows build that the benchmarks under Wine run, and its name in
docs/PERFORMANCE.md: the i686 build where 32-bit Wine runs natively, else the
x86_64 one under wine64. QEMU's emulator runs the i686 build for the tests on a
machine that refuses 32-bit programs, but some 80 times slower: no timing of it
would say anything of the player users run."""

import os
import subprocess
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
WINE32 = "/usr/lib/wine/wine"
NAMES = {"win32": "the i686 build under 32-bit Wine",
         "win64": "the x86_64 build under wine64 (this machine runs no 32-bit programs "
                  "natively, and the emulated i686 build is too slow to time)"}


def bench_preset():
    """win32 or win64: as run_benchmarks.sh chose (ZELVIS_BENCH_BUILD), else as this
    machine allows."""
    chosen = os.environ.get("ZELVIS_BENCH_BUILD")
    if chosen:
        return chosen
    try:
        native = subprocess.run([WINE32, "--version"], capture_output=True).returncode == 0
    except OSError:
        native = False
    return "win32" if native else "win64"


def bench_build_dir():
    return ROOT / "build" / bench_preset()
