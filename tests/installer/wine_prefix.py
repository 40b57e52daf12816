"""The Wine prefix that the setup program's checks share, as they see it: Windows
programs run in it, its registry, and where its Windows folders lie on this machine."""

import os
import re
import shutil
import subprocess
import tempfile

from player_run import config

PLAYER_UNINSTALL_KEY = r"HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\Uninstall\Winamp"
PLAYER_KEY = r"HKEY_CURRENT_USER\Software\Winamp"
ZELVIS_UNINSTALL_KEY = r"HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\Uninstall\zelVis"


def windows_path(path):
    """A path of this machine as Windows programs in the prefix see it (drive Z: is /)."""
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def run(program, *args, env=None):
    """Runs a Windows program in the prefix, by the session's loader, to its end."""
    command = [config.wrapper, config.session, program, *args]
    return subprocess.run(command, capture_output=True, text=True, timeout=150,
                          env=dict(os.environ, **(env or {})))


def unescape(text):
    return re.sub(r"\\(.)", r"\1", text)


def reg_string(value):
    return '"' + value.replace("\\", "\\\\").replace('"', '\\"') + '"'


class Prefix:
    """The session's prefix. reset() takes away what any case may have left in it."""

    def __init__(self):
        with open(os.path.join(config.session, "session.env"), encoding="utf-8") as f:
            env = dict(line.strip().split("=", 1) for line in f if "=" in line)
        self.drive_c = os.path.join(env["WINEPREFIX"], "drive_c")
        # The loader's own view: a 32-bit program's Program Files is "Program Files (x86)".
        shown = run("cmd", "/c", "echo %ProgramFiles%^|%APPDATA%")
        if shown.returncode != 0 or "|" not in shown.stdout:
            raise AssertionError(f"cmd could not show the prefix's folders: {shown}")
        program_files, app_data = shown.stdout.strip().split("|")
        self.program_files = self.unix_path(program_files)
        self.app_data = self.unix_path(app_data)

    def unix_path(self, path):
        if not path.upper().startswith("C:\\"):
            raise AssertionError(f"expected a folder on drive C:, saw {path!r}")
        return os.path.join(self.drive_c, *path[3:].split("\\"))

    def player_in_program_files(self):
        return os.path.join(self.program_files, "Winamp")

    def reset(self, keys=None):
        """Removes the player's keys, zelVis's entry and the player in Program Files,
        then writes KEYS: {key: {value name ("" for the default): string}}."""
        shutil.rmtree(self.player_in_program_files(), ignore_errors=True)
        lines = ["Windows Registry Editor Version 5.00", ""]
        lines += [f"[-{key}]" for key in (PLAYER_UNINSTALL_KEY, PLAYER_KEY, ZELVIS_UNINSTALL_KEY)]
        for key, values in (keys or {}).items():
            lines += ["", f"[{key}]"]
            lines += [f"{reg_string(name) if name else '@'}={reg_string(value)}"
                      for name, value in values.items()]
        # NOTE: regedit reads a file without a byte order mark in the ANSI code page;
        # UTF-16, as regedit writes its own, carries folder names in every script.
        with tempfile.NamedTemporaryFile("w", suffix=".reg", dir=config.work_dir, delete=False,
                                         encoding="utf-16", newline="\r\n") as reg_file:
            reg_file.write("\n".join(lines) + "\n")
        try:
            imported = run("regedit", "/s", windows_path(reg_file.name))
        finally:
            os.unlink(reg_file.name)
        if imported.returncode != 0:
            raise AssertionError(f"regedit could not import the player's keys: {imported}")

    def values(self, key):
        """The string and number values of KEY, numbers as `reg query` shows them
        ("0x1f"), or None without the key."""
        # NOTE: reg writes a query into a pipe in the console's code page; an export
        # is UTF-16 and keeps every letter of a folder's name.
        with tempfile.NamedTemporaryFile(suffix=".reg", dir=config.work_dir) as exported:
            shown = run("reg", "export", key, windows_path(exported.name), "/y")
            if shown.returncode != 0:
                return None
            with open(exported.name, encoding="utf-16") as f:
                lines = f.read().splitlines()
        values = {}
        for line in lines:
            found = re.fullmatch(r'(@|"((?:[^"\\]|\\.)*)")=(?:"((?:[^"\\]|\\.)*)"|dword:([0-9a-f]{8}))',
                                 line)
            if found:
                name = "" if found[1] == "@" else unescape(found[2])
                values[name] = unescape(found[3]) if found[4] is None else hex(int(found[4], 16))
        return values
