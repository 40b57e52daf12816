#!/usr/bin/env python3
"""End-to-end checks of the setup program (release/zelvis-*-setup.exe in a Windows
build folder) under Wine, against stand-in player folders that hold a winamp.exe.

    installer_checks.py --session DIR --wrapper wine_run.sh --bin-dir WINDOWS_BUILD
                        --work-dir DIR --standin-player winamp.exe TestCase...

The cases share the Wine prefix of their CTest fixture; each clears what another
may have left in it before it sets up its own player.
"""

import configparser
import glob
import os
import re
import shutil
import subprocess
import time
import unittest

from player_run import PlayerRun, config, require_build, run_checks
from wine_prefix import (PLAYER_KEY, PLAYER_UNINSTALL_KEY, ZELVIS_UNINSTALL_KEY, Prefix, run,
                         windows_path)

INSTALLED = ("vis_zel.dll", "vis_zel.bmp")
UNINSTALLER = "zelvis-uninstall.exe"
EXIT_NO_PLAYER = 3
EXIT_PLAYER_RUNNING = 4


def setup_program():
    found = glob.glob(os.path.join(config.bin_dir, "release", "zelvis-*-setup.exe"))
    if len(found) != 1:
        raise AssertionError(f"expected one setup program in {config.bin_dir}/release, saw "
                             f"{found} (run cpack there)")
    return found[0]


def run_setup(*args, env=None):
    return run(setup_program(), *args, env=env)


def describe(completed):
    return (f"\ncommand: {' '.join(completed.args)}\nexit status: {completed.returncode}"
            f"\nstderr: {completed.stderr[-2000:]!r}")


def built(name):
    with open(os.path.join(config.bin_dir, name), "rb") as f:
        return f.read()


def differing(files):
    """The files to install that are missing from FILES (a tree()) or differ from the build's."""
    return [name for name in INSTALLED if files.get(name) != built(name)]


def tree(folder):
    """Every file under FOLDER, by its path there, with its bytes."""
    files = {}
    for parent, _, names in os.walk(folder):
        for name in names:
            path = os.path.join(parent, name)
            with open(path, "rb") as f:
                files[os.path.relpath(path, folder)] = f.read()
    return files


def make_folder(path, files=None):
    """A fresh folder holding FILES: {relative path: bytes or text}."""
    shutil.rmtree(path, ignore_errors=True)
    os.makedirs(path)
    for name, content in (files or {}).items():
        target = os.path.join(path, name)
        os.makedirs(os.path.dirname(target), exist_ok=True)
        with open(target, "wb") as f:
            f.write(content.encode() if isinstance(content, str) else content)
    return path


def make_player(path, files=None):
    with open(config.standin_player, "rb") as f:
        return make_folder(path, dict(files or {}, **{"winamp.exe": f.read()}))


def read_ini(path):
    """{section: {key: value}} of an INI file, keys in lower case; None without the file."""
    if not os.path.exists(path):
        return None
    with open(path, "rb") as f:
        raw = f.read()
    text = raw.decode("utf-16") if raw.startswith((b"\xff\xfe", b"\xfe\xff")) else raw.decode()
    ini = configparser.ConfigParser(interpolation=None, strict=False)
    ini.read_string(text)
    return {section: dict(ini[section]) for section in ini.sections()}


def case_dir(*parts):
    return os.path.join(config.work_dir, *parts)


class InstallAndUninstall(unittest.TestCase):
    """A silent install over an older zelVis into the Plugins folder of the player
    that the uninstall entry names; zelplay hosts the installed copy; the uninstaller
    takes it away again, and only it."""

    foreign = {"vis_other.dll": b"another visualisation", "vis_other.ini": b"[other]\nx=1\n"}
    folder = "Winamp"

    @classmethod
    def setUpClass(cls):
        require_build()
        prefix = Prefix()
        cls.player = make_player(case_dir("install", cls.folder), dict(
            {f"Plugins/{name}": content for name, content in cls.foreign.items()},
            **{f"Plugins/{name}": b"an older zelVis" for name in INSTALLED}))
        cls.plugins = os.path.join(cls.player, "Plugins")
        prefix.reset({PLAYER_UNINSTALL_KEY: {
            "UninstallString": f'"{windows_path(cls.player)}\\UninstWA.exe"'}})
        cls.install = run_setup("/S")
        cls.installed = tree(cls.plugins)
        cls.entry = prefix.values(ZELVIS_UNINSTALL_KEY)
        cls.hosted = PlayerRun("hosted-" + cls.__name__, [
            "--plugin", os.path.join(cls.plugins, "vis_zel.dll"), "--unattended", "--record",
            "--frames", "5", "--size", "160x120"])
        cls.uninstall = run(os.path.join(cls.plugins, UNINSTALLER), "/S",
                            "_?=" + windows_path(cls.plugins))
        cls.left = tree(cls.plugins)
        cls.entry_after = prefix.values(ZELVIS_UNINSTALL_KEY)
        cls.restart = run("wineboot", "-r")
        cls.left_after_restart = tree(cls.plugins)

    def test_replaces_both_files_with_the_built_ones(self):
        self.assertEqual(self.install.returncode, 0, describe(self.install))
        self.assertEqual(differing(self.installed), [],
                         "files in Plugins that are not the built ones, byte for byte")

    def test_touches_nothing_else(self):
        self.assertEqual(set(self.installed), set(INSTALLED) | set(self.foreign) | {UNINSTALLER},
                         describe(self.install))
        self.assertFalse(os.path.exists(os.path.join(self.player, "winamp.ini")),
                         "without /MAKEDEFAULT the player's settings should stay as they were")

    def test_lists_zelvis_with_its_version_publisher_size_and_uninstaller(self):
        version = re.search(r"zelvis-([0-9.]+)-", os.path.basename(setup_program())).group(1)
        self.assertIsNotNone(self.entry, "no uninstall entry for zelVis" + describe(self.install))
        size = sum(len(self.installed.get(name, b"")) for name in (*INSTALLED, UNINSTALLER))
        shown = {"DisplayName": "zelVis", "DisplayVersion": version,
                 "Publisher": "the zelVis authors", "EstimatedSize": hex(-(-size // 1024))}
        self.assertEqual({name: self.entry.get(name) for name in shown}, shown,
                         "EstimatedSize: the installed files' KB, rounded up")
        self.assertEqual(self.entry.get("UninstallString"),
                         f'"{windows_path(self.plugins)}\\{UNINSTALLER}"')

    def test_zelplay_hosts_the_installed_plugin(self):
        run_ = self.hosted
        self.assertEqual(run_.returncode, 0, run_.describe())
        self.assertEqual(run_.one("init")["result"], 0, run_.describe())
        self.assertEqual(run_.one("renderSummary")["results"], {"0": 5}, run_.describe())

    def test_uninstaller_removes_our_files_and_entry_only(self):
        self.assertEqual(self.uninstall.returncode, 0, describe(self.uninstall))
        # Run in place, the uninstaller leaves its own file to the next restart.
        self.assertEqual(sorted(set(self.left) - {UNINSTALLER}), sorted(self.foreign),
                         "files in Plugins after uninstalling")
        self.assertEqual(self.restart.returncode, 0, describe(self.restart))
        self.assertEqual(sorted(self.left_after_restart), sorted(self.foreign),
                         "files in Plugins after uninstalling and restarting")
        self.assertEqual(self.left_after_restart, self.foreign, "the foreign files should be intact")
        self.assertIsNone(self.entry_after, "zelVis's uninstall entry should be gone")


class InstallIntoANamedFolder(InstallAndUninstall):
    """The same, for a player whose folder the system's code page cannot spell."""

    # NOTE: without a space: the uninstaller takes _?= only unquoted, and Wine quotes
    # an argument with a space as it makes the command line.
    folder = "音乐Плеер😀"


class FindsThePlayer(unittest.TestCase):
    """Where a silent install without /D= looks for the player, first to last: the
    player's uninstall entry, its own key, Program Files; a folder counts only with
    a winamp.exe in it."""

    # name: (players, uninstall entry's folder and whether it is quoted, own key's
    #        folder, where zelVis should land). Folders: "a", "b" (with a space in
    #        their names) and "pf", the player in Program Files.
    CASES = {
        "quoted uninstall entry over the player's key": ({"a", "b"}, ("a", True), "b", "a"),
        "unquoted uninstall entry": ({"a"}, ("a", False), None, "a"),
        "player's key when the entry's folder has no player": ({"b"}, ("a", True), "b", "b"),
        "Program Files when no key names a player": ({"pf"}, None, "a", "pf"),
    }

    @classmethod
    def setUpClass(cls):
        require_build()
        cls.prefix = Prefix()

    def folders(self):
        return {"a": case_dir("finds", "Player A"), "b": case_dir("finds", "Player B"),
                "pf": self.prefix.player_in_program_files()}

    def test_installs_for_the_first_player_found(self):
        for name, (players, entry, own_key, expected) in self.CASES.items():
            with self.subTest(name):
                folders = self.folders()
                keys = {}
                if entry:
                    program = f"{windows_path(folders[entry[0]])}\\UninstWA.exe"
                    # A path in the arguments as well: the program's folder ends at the quote.
                    quoted = f'"{program}" /log=C:\\windows\\temp\\uninstall.log'
                    keys[PLAYER_UNINSTALL_KEY] = {"UninstallString": quoted if entry[1] else program}
                if own_key:
                    keys[PLAYER_KEY] = {"": windows_path(folders[own_key])}
                self.prefix.reset(keys)
                for key, folder in folders.items():
                    (make_player if key in players else make_folder)(folder)
                install = run_setup("/S")
                self.assertEqual(install.returncode, 0, describe(install))
                landed = sorted(key for key, folder in folders.items()
                                if os.path.exists(os.path.join(folder, "Plugins", "vis_zel.dll")))
                self.assertEqual(landed, [expected], "players that got zelVis")


class PluginsFolder(unittest.TestCase):
    """The plug-ins folder and winamp.ini that the player's own settings name, and
    /MAKEDEFAULT, with the player's folder given by /D=."""

    @classmethod
    def setUpClass(cls):
        require_build()
        cls.prefix = Prefix()

    def test_installs_where_the_players_settings_say(self):
        player = case_dir("plugins", "Winamp")
        plugins, vis = os.path.join(player, "Plugins"), case_dir("plugins", "vis")
        own_ini = os.path.join(player, "winamp.ini")
        shell_ini = os.path.join(self.prefix.app_data, "zelvis-test", "winamp.ini")
        env_ini = case_dir("plugins", "settings", "winamp.ini")
        visdir = f"VisDir={windows_path(vis)}\n"
        # name: (files in the player's folder, winamp.ini elsewhere and what it holds,
        #        the winamp.ini in use, where zelVis should land, /MAKEDEFAULT)
        cases = {
            "VisDir in the player's winamp.ini": (
                {"winamp.ini": f"[Winamp]\n{visdir}skin=big\n"}, None, own_ini, vis, False),
            "inidir with a shell folder number": (
                {"paths.ini": "[Winamp]\ninidir={26}\\zelvis-test\n"},
                (shell_ini, f"[Winamp]\n{visdir}visplugin_name=vis_other.dll\n"), shell_ini, vis, True),
            "inidir with an environment variable": (
                {"paths.ini": "[Winamp]\ninidir=%ZELVIS_SETTINGS%\n"}, (env_ini, "[Winamp]\n"),
                env_ini, plugins, True),
            "no settings": ({}, None, own_ini, plugins, True),
        }
        env = {"ZELVIS_SETTINGS": windows_path(os.path.dirname(env_ini))}
        for name, (player_files, elsewhere, settings, target, make_default) in cases.items():
            with self.subTest(name):
                self.prefix.reset()
                make_player(player, player_files)
                make_folder(vis)
                if elsewhere:
                    make_folder(os.path.dirname(elsewhere[0]), {"winamp.ini": elsewhere[1]})
                expected = read_ini(settings)
                if make_default:
                    expected = expected or {}
                    expected.setdefault("Winamp", {}).update(visplugin_name="vis_zel.dll",
                                                             visplugin_num="0")
                install = run_setup("/S", *(["/MAKEDEFAULT"] if make_default else []),
                                    "/D=" + windows_path(player), env=env)
                self.assertEqual(install.returncode, 0, describe(install))
                self.assertEqual(differing(tree(target)), [],
                                 f"files missing from {target} or not the built ones, byte for byte")
                self.assertEqual(read_ini(settings), expected, settings)
                if settings != own_ini:
                    self.assertFalse(os.path.exists(own_ini),
                                     "winamp.ini written in the player's folder, not where paths.ini says")


class Refusals(unittest.TestCase):
    """A silent install that cannot go ahead exits nonzero and writes nothing."""

    @classmethod
    def setUpClass(cls):
        require_build()
        cls.prefix = Prefix()

    def assert_wrote_nothing(self, install, folder, before):
        self.assertEqual(tree(folder), before, f"{folder} changed" + describe(install))
        self.assertIsNone(self.prefix.values(ZELVIS_UNINSTALL_KEY),
                          "an uninstall entry for zelVis was written" + describe(install))

    def test_no_player_anywhere(self):
        self.prefix.reset()
        install = run_setup("/S")
        self.assertEqual(install.returncode, EXIT_NO_PLAYER, describe(install))
        ours = [os.path.join(parent, name) for parent, _, names in os.walk(self.prefix.drive_c)
                for name in names if name in INSTALLED + (UNINSTALLER,)]
        self.assertEqual(ours, [], "zelVis's files written into the prefix" + describe(install))
        self.assertIsNone(self.prefix.values(ZELVIS_UNINSTALL_KEY),
                          "an uninstall entry for zelVis was written" + describe(install))

    def test_folder_without_a_player(self):
        folder = make_folder(case_dir("refusals", "not-a-player"), {"Plugins/vis_other.dll": b"x"})
        self.prefix.reset()
        before = tree(folder)
        install = run_setup("/S", "/D=" + windows_path(folder))
        self.assertEqual(install.returncode, EXIT_NO_PLAYER, describe(install))
        self.assert_wrote_nothing(install, folder, before)

    def test_player_running(self):
        """Neither a new zelVis over an older one nor the uninstaller while the player runs."""
        player = make_player(case_dir("refusals", "Winamp"))
        plugins = os.path.join(player, "Plugins")
        self.prefix.reset()
        first = run_setup("/S", "/D=" + windows_path(player))
        self.assertEqual(first.returncode, 0, describe(first))
        self.prefix.reset()
        for name in INSTALLED:
            with open(os.path.join(plugins, name), "wb") as f:
                f.write(b"an older zelVis")
        running = subprocess.Popen([config.wrapper, config.session,
                                    os.path.join(player, "winamp.exe"), windows_path(player)],
                                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        try:
            for _ in range(300):
                if os.path.exists(os.path.join(player, "ready")) or running.poll() is not None:
                    break
                time.sleep(0.1)
            self.assertTrue(os.path.exists(os.path.join(player, "ready")),
                            "the stand-in player did not start")
            before = tree(player)
            install = run_setup("/S", "/D=" + windows_path(player))
            uninstall = run(os.path.join(plugins, UNINSTALLER), "/S", "_?=" + windows_path(plugins))
        finally:
            open(os.path.join(player, "stop"), "w").close()
            running.wait(timeout=30)
        self.assertEqual(install.returncode, EXIT_PLAYER_RUNNING, describe(install))
        self.assertEqual(uninstall.returncode, EXIT_PLAYER_RUNNING, describe(uninstall))
        before["stop"] = b""
        self.assert_wrote_nothing(install, player, before)


if __name__ == "__main__":
    run_checks(__doc__.splitlines()[0],
               ("--session", "--wrapper", "--bin-dir", "--work-dir", "--standin-player"))
