"""Runs zelplay.exe under Wine for the zelvis command: the i686 build under 32-bit
Wine (or an x86_64 one under wine64), in a Wine prefix of the project's own, kept
between runs, and an X server of our own when there is none."""

import os
import shutil
import struct
import subprocess
import tempfile
import time
from pathlib import Path

WINE32 = "/usr/lib/wine/wine"
WINE64 = "/usr/lib/wine/wine64"
WINESERVER = "/usr/lib/wine/wineserver"
PE_MACHINE_I386 = 0x14C


def loader_for(program: Path) -> str:
    """The Wine loader for a Windows program, from the machine field of its PE header."""
    with open(program, "rb") as f:
        header = f.read(4096)
    (pe_offset,) = struct.unpack_from("<I", header, 0x3C)
    (machine,) = struct.unpack_from("<H", header, pe_offset + 4)
    return WINE32 if machine == PE_MACHINE_I386 else WINE64


class CommandError(Exception):
    """A failure the user is told about in one line."""


class WineHost:
    def __init__(self, root: Path, need_own_display: bool, screen: str = "4096x2304x24"):
        self.root = root
        self.prefix = root / "build" / "wine-prefix"
        self.env = dict(os.environ)
        self.env.update(
            WINEPREFIX=str(self.prefix),
            WINEDEBUG="-all",
            # No Mono or Gecko installer prompts in a fresh prefix.
            WINEDLLOVERRIDES="mscoree,mshtml=",
        )
        self.xvfb = None
        self.desktop_user = None
        self.screen = screen
        self.need_own_display = need_own_display

    def __enter__(self):
        for tool in (WINE64, WINESERVER):
            if not os.access(tool, os.X_OK):
                raise CommandError(f"{tool} not found (apt-get install wine64)")
        if self.need_own_display or not self.env.get("DISPLAY"):
            self._start_xvfb()
        self._start_wine()
        return self

    def __exit__(self, *exc):
        if self.desktop_user:
            self.desktop_user.stdin.close()
        subprocess.run([WINESERVER, "-k"], env=self.env, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL)
        subprocess.run([WINESERVER, "-w"], env=self.env, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL)
        if self.desktop_user:
            self.desktop_user.wait()
        if self.xvfb:
            self.xvfb.terminate()
            try:
                self.xvfb.wait(timeout=5)
            except subprocess.TimeoutExpired:
                self.xvfb.kill()

    def _start_xvfb(self):
        if not shutil.which("Xvfb"):
            raise CommandError("Xvfb not found (apt-get install xvfb)")
        for display in range(200, 300):
            if Path(f"/tmp/.X{display}-lock").exists() or Path(f"/tmp/.X11-unix/X{display}").exists():
                continue
            self.xvfb = subprocess.Popen(
                ["Xvfb", f":{display}", "-screen", "0", self.screen, "-nolisten", "tcp"],
                stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                start_new_session=True)
            for _ in range(100):
                if Path(f"/tmp/.X11-unix/X{display}").exists():
                    self.env["DISPLAY"] = f":{display}"
                    return
                if self.xvfb.poll() is not None:
                    break
                time.sleep(0.1)
            self.xvfb.kill()
            self.xvfb = None
        raise CommandError("could not start an X server (Xvfb)")

    def _start_wine(self):
        log = self.root / "build" / "wine-host.log"
        log.parent.mkdir(parents=True, exist_ok=True)
        with open(log, "w") as out:
            if not (self.prefix / "system.reg").exists():
                print("zelvis: preparing a Wine prefix (once)", flush=True)
                subprocess.run([WINE64, "wineboot", "-i"], env=self.env, stdin=subprocess.DEVNULL,
                               stdout=out, stderr=out, check=False)
                subprocess.run([WINESERVER, "-w"], env=self.env, check=False)
            # NOTE: Wine's background processes inherit the output of whoever starts
            # them first; starting them here, into a log, keeps them off our pipes.
            subprocess.Popen([WINESERVER, "-p"], env=self.env, stdin=subprocess.DEVNULL,
                             stdout=out, stderr=out, start_new_session=True).wait()
            # NOTE: Wine waits up to 2 s for a window manager to withdraw each window
            # it hides (the plug-in's at quit, the player's at exit); our own X server
            # has none, so there its windows are left unmanaged. The prefix is shared,
            # so a run on the user's display sets the default back.
            managed = "N" if self.xvfb else "Y"
            subprocess.run([WINE64, "reg", "add", r"HKCU\Software\Wine\X11 Driver", "/v", "Managed",
                            "/d", managed, "/f"], env=self.env, stdin=subprocess.DEVNULL,
                           stdout=out, stderr=out, check=False)
            # NOTE: Wine's desktop process (explorer.exe) quits a second after the last
            # program using the desktop has ended, and the next program starts a new
            # one that holds that program's output open for its own lifetime (an
            # encoder reading the video waits a second longer for its end). A program
            # waiting on a pipe of ours keeps the desktop in use until we are done.
            self.desktop_user = subprocess.Popen(
                [WINE64, "cmd", "/c", "pause"], env=self.env, stdin=subprocess.PIPE,
                stdout=out, stderr=out, start_new_session=True)

    def popen(self, program: Path, args, **kwargs):
        loader = loader_for(program)
        if not os.access(loader, os.X_OK):
            raise CommandError(f"{loader} not found (apt-get install wine32:i386)")
        return subprocess.Popen([loader, str(program), *args], env=self.env, **kwargs)


def temporary_folder(root: Path) -> Path:
    base = root / "build" / "zelvis-tmp"
    base.mkdir(parents=True, exist_ok=True)
    return Path(tempfile.mkdtemp(dir=base))
