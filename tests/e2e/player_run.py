"""What the end-to-end checks share: one run of zelplay.exe under the session's
Wine, with its exit status, output and logged events, and the checks' entry point."""

import argparse
import json
import os
import shutil
import subprocess
import sys
import unittest

config = argparse.Namespace()
WATCHDOG_SECONDS = 60
# The exit status of a run whose checks could not all run, which CTest counts as a skip.
EXIT_SKIPPED = 77
# Folder names that the Western ANSI code page (1252) cannot spell: Cyrillic, CJK, an
# emoji outside the Basic Multilingual Plane (a surrogate pair in UTF-16) and a mix
# with spaces.
NAMED_FOLDERS = ("Плагины", "插件", "emoji😀", "mixed Ä 日本 ë")


class PlayerRun:
    """One finished run of zelplay.exe: exit status, raw output and the logged events."""

    def __init__(self, name, args, log=True, stdin_path=None, bin_dir=None, env=None, launcher=()):
        self.dir = os.path.join(config.work_dir, name)
        shutil.rmtree(self.dir, ignore_errors=True)
        os.makedirs(self.dir)
        log_path = os.path.join(self.dir, "log.jsonl")
        # `launcher`: a Windows program and its arguments that start zelplay, such as
        # start.exe, which gives it a console of its own as Explorer does.
        command = [config.wrapper, config.session, *launcher,
                   os.path.join(bin_dir or config.bin_dir, "zelplay.exe")]
        command += [str(a) for a in args]
        if log:
            command += ["--log", log_path, "--out-dir", self.dir]
            # A run that stops moving ends long before the timeouts below, naming
            # the start, frame and call where it stood.
            if "--watchdog" not in command:
                command += ["--watchdog", str(WATCHDOG_SECONDS)]
        env = dict(os.environ, WINE_RUN_TIMEOUT="240", **(env or {}))
        if stdin_path is not None:
            env["WINE_RUN_STDIN"] = stdin_path
        completed = subprocess.run(command, capture_output=True, timeout=300, env=env)
        self.command = " ".join(command)
        self.returncode = completed.returncode
        self.stdout = completed.stdout
        self.stderr = completed.stderr.decode("utf-8", errors="replace")
        self.events = []
        if log and os.path.exists(log_path):
            with open(log_path, encoding="utf-8") as f:
                self.events = [json.loads(line) for line in f if line.strip()]

    def path(self, name):
        return os.path.join(self.dir, name)

    def describe(self):
        return (f"\ncommand: {self.command}\nexit status: {self.returncode}\n"
                f"stderr: {self.stderr[-2000:]!r}\nlog:\n"
                + "\n".join(json.dumps(e) for e in self.events))

    def all(self, event):
        return [e for e in self.events if e["event"] == event]

    def one(self, event):
        found = self.all(event)
        if len(found) != 1:
            raise AssertionError(f"expected one '{event}' event, found {len(found)}" + self.describe())
        return found[0]

    def host_messages(self):
        return [(e["wParam"], e["lParam"], e["reply"]) for e in self.all("hostMessage")]

    def index(self, event):
        return next(i for i, e in enumerate(self.events) if e["event"] == event)

    def our_stderr_lines(self):
        """stderr without what Wine's sound driver prints about a machine without sound."""
        return [line for line in self.stderr.splitlines()
                if line.strip() and not line.startswith("ALSA lib ")]


def plugin_folder(name, picture_bytes):
    """A copy of the DLL in a folder of its own, with the given picture or none; its path."""
    folder = os.path.join(config.work_dir, name + "-plugin")
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)
    shutil.copy(os.path.join(config.bin_dir, "vis_zel.dll"), folder)
    if picture_bytes is not None:
        with open(os.path.join(folder, "vis_zel.bmp"), "wb") as f:
            f.write(picture_bytes)
    return os.path.join(folder, "vis_zel.dll")


def require_build(bin_dir=None):
    bin_dir = bin_dir or config.bin_dir
    preset = os.path.basename(os.path.normpath(bin_dir))
    for name in ("zelplay.exe", "vis_zel.dll", "vis_zel.bmp"):
        path = os.path.join(bin_dir, name)
        if not os.path.exists(path):
            raise AssertionError(
                f"{path} is missing: build the {preset} preset first "
                f"(cmake --preset {preset} && cmake --build build/{preset})")


def run_checks(description, options):
    """Parses the session options and runs the named test cases of the calling file."""
    parser = argparse.ArgumentParser(description=description)
    for option in options:
        parser.add_argument(option, required=True)
    # The other Windows build, for the checks that compare the two.
    parser.add_argument("--x86-64-dir")
    # The build runs under QEMU's emulator, some 80 times slower: the checks run at
    # the sizes and lengths it affords.
    parser.add_argument("--emulated", action="store_true")
    parser.add_argument("tests", nargs="+")
    parsed = parser.parse_args()
    for key, value in vars(parsed).items():
        setattr(config, key, value)
    os.makedirs(config.work_dir, exist_ok=True)
    result = unittest.main(argv=[sys.argv[0], "-v"] + parsed.tests, exit=False).result
    if not result.wasSuccessful():
        sys.exit(1)
    for test, reason in result.skipped:
        # The line the test command's summary of skipped checks quotes.
        print(f"SKIPPED: {test.id()}: {reason}")
    sys.exit(EXIT_SKIPPED if result.skipped else 0)
