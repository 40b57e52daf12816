#!/usr/bin/env python3
"""End-to-end checks of the plug-in as hosted by zelplay.exe under Wine.

    player_checks.py --session DIR --wrapper wine_run.sh --bin-dir WINDOWS_BUILD
                     --broken-dir DIR --box-reader box_reader.exe --work-dir DIR TestCase

Each TestCase runs the player once (or a few times for the error paths) and
checks what the player's log recorded. The Wine session comes from the CTest
fixture (wine_session.sh).
"""

import os
import subprocess
import unittest
import wave

from png_reader import read_png
from player_run import PlayerRun, config, require_build, run_checks

WM_USER = 0x400
VERSION_PROBE = 505
WINDOW_NOTICE = 611

WS_CAPTION = 0xC00000
WS_SYSMENU = 0x80000
WS_CLIPSIBLINGS = 0x4000000
WS_CLIPCHILDREN = 0x2000000
WS_VISIBLE = 0x10000000
WS_CHILD = 0x40000000
WS_POPUP = 0x80000000
WS_THICKFRAME = 0x40000
WS_MINIMIZEBOX = 0x20000
WS_MAXIMIZEBOX = 0x10000
WS_EX_APPWINDOW = 0x40000
WS_EX_WINDOWEDGE = 0x100
MB_OK = 0

class RecordsAndAbout(unittest.TestCase):
    """The header and module as the host reads them, and the About box."""

    @classmethod
    def setUpClass(cls):
        require_build()
        cls.run_ = PlayerRun("records", ["--unattended", "--about", "--frames", "0"])

    def test_player_completes(self):
        self.assertEqual(self.run_.returncode, 0, self.run_.describe())

    def test_header_names_the_plugin_at_version_0x101(self):
        header = self.run_.one("header")
        self.assertEqual(header["version"], 0x101, self.run_.describe())
        self.assertEqual(header["description"], "zelVis", self.run_.describe())

    def test_module_static_fields(self):
        module = self.run_.one("module")
        expected = {
            "description": "zelVis", "latencyMs": 25, "delayMs": 25, "spectrumChannels": 2,
            "waveformChannels": 0, "userData": 0, "hasConfig": True, "hasInit": True,
            "hasRender": True, "hasQuit": True,
        }
        self.assertEqual({k: module[k] for k in expected}, expected, self.run_.describe())

    def test_about_box_names_the_plugin_and_its_author(self):
        boxes = self.run_.all("messageBox")
        self.assertEqual(len(boxes), 1, self.run_.describe())
        box = boxes[0]
        self.assertEqual(box["caption"], "About", self.run_.describe())
        self.assertRegex(box["text"], r"^zelVis by \S.*\.$", self.run_.describe())
        self.assertEqual(box["owner"], "player-main-window", self.run_.describe())
        self.assertEqual(box["style"], MB_OK, self.run_.describe())
        self.assertLess(self.run_.events.index(box), self.run_.index("init"),
                        "the About box should come from config, before init" + self.run_.describe())


class Startup(unittest.TestCase):
    """init: version probe, window announced to the host, window shown, a black first frame."""

    @classmethod
    def setUpClass(cls):
        require_build()
        cls.run_ = PlayerRun("startup", ["--unattended", "--frames", "1", "--save-frames", "0"])

    def setUp(self):
        self.assertEqual(self.run_.returncode, 0, self.run_.describe())
        self.assertEqual(self.run_.one("init")["result"], 0, self.run_.describe())

    def test_probe_comes_first_then_the_window_notice(self):
        messages = self.run_.host_messages()
        self.assertGreaterEqual(len(messages), 2, self.run_.describe())
        self.assertTrue(all(e["message"] == WM_USER for e in self.run_.all("hostMessage")),
                        self.run_.describe())
        (probe_w, probe_l, probe_reply), (notice_w, notice_l, _) = messages[:2]
        self.assertEqual((probe_w, probe_l), (0, VERSION_PROBE), self.run_.describe())
        self.assertNotEqual(probe_reply, 0, self.run_.describe())
        self.assertEqual(notice_l, WINDOW_NOTICE, self.run_.describe())
        window = self.run_.one("pluginWindow")
        self.assertEqual(notice_w, window["handle"],
                         "the notice should carry the plug-in's window" + self.run_.describe())
        self.assertNotEqual(notice_w, 0, self.run_.describe())

    def test_window_class_title_owner_and_size(self):
        window = self.run_.one("pluginWindow")
        self.assertTrue(window["exists"], self.run_.describe())
        self.assertEqual(window["class"], "f_zelvis", self.run_.describe())
        self.assertEqual(window["title"], "zelVis", self.run_.describe())
        self.assertEqual(window["owner"], "player-main-window", self.run_.describe())
        self.assertEqual((window["clientWidth"], window["clientHeight"]), (640, 480),
                         self.run_.describe())
        self.assertEqual((window["left"], window["top"]), (0, 0), self.run_.describe())

    def test_window_is_a_shown_captioned_fixed_size_top_level_window(self):
        window = self.run_.one("pluginWindow")
        style, ex_style = window["style"], window["exStyle"]
        self.assertTrue(window["visible"], self.run_.describe())
        wanted = WS_CAPTION | WS_SYSMENU | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | WS_VISIBLE
        self.assertEqual(style & wanted, wanted, f"style {style:#x}" + self.run_.describe())
        unwanted = WS_CHILD | WS_POPUP | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX
        self.assertEqual(style & unwanted, 0, f"style {style:#x}" + self.run_.describe())
        wanted_ex = WS_EX_APPWINDOW | WS_EX_WINDOWEDGE
        self.assertEqual(ex_style & wanted_ex, wanted_ex,
                         f"exStyle {ex_style:#x}" + self.run_.describe())

    def test_first_presented_frame_is_black(self):
        saved = [e for e in self.run_.all("frameSaved") if e["swap"] == 0]
        self.assertEqual(len(saved), 1, self.run_.describe())
        self.assertLess(self.run_.events.index(saved[0]), self.run_.index("init"),
                        "swap 0 should be presented inside init" + self.run_.describe())
        width, height, _, rows = read_png(os.path.join(self.run_.dir, "frame-0.png"))
        self.assertEqual((width, height), (640, 480))
        lit = [(x // 3, y) for y, row in enumerate(rows) for x, v in enumerate(row) if v != 0]
        self.assertEqual(len(lit), 0,
                         f"non-black channel values, the first at pixels {lit[:5]} (x, y)")

    def test_no_message_box_on_a_good_start(self):
        self.assertEqual(self.run_.all("messageBox"), [], self.run_.describe())


class RenderingAndShutdown(unittest.TestCase):
    """render answers 0 for every frame; quit withdraws the window and tears everything down."""

    frames = 6

    @classmethod
    def setUpClass(cls):
        require_build()
        cls.run_ = PlayerRun("rendering", ["--unattended", "--frames", str(cls.frames)])

    def test_run_completes_by_frame_count(self):
        self.assertEqual(self.run_.returncode, 0, self.run_.describe())
        exit_event = self.run_.one("exit")
        self.assertEqual(exit_event["reason"], "frames-done", self.run_.describe())
        self.assertEqual(exit_event["frames"], self.frames, self.run_.describe())

    def test_render_returns_zero_for_every_frame(self):
        summary = self.run_.one("renderSummary")
        self.assertEqual(summary["calls"], self.frames, self.run_.describe())
        self.assertEqual(summary["results"], {"0": self.frames}, self.run_.describe())

    def test_each_render_presents_one_frame_after_inits_own(self):
        self.assertEqual(self.run_.one("exit")["presents"], self.frames + 1, self.run_.describe())

    def test_quit_withdraws_the_window_from_the_host(self):
        messages = self.run_.host_messages()
        notices = [m for m in messages if m[1] == WINDOW_NOTICE]
        self.assertEqual(len(notices), 2, self.run_.describe())
        self.assertEqual(notices[-1][0], 0,
                         "the last notice should withdraw the window" + self.run_.describe())
        withdrawal = [e for e in self.run_.all("hostMessage") if e["lParam"] == WINDOW_NOTICE][-1]
        self.assertLess(self.run_.index("renderSummary"), self.run_.events.index(withdrawal),
                        self.run_.describe())
        self.assertLess(self.run_.events.index(withdrawal), self.run_.index("quit"),
                        self.run_.describe())

    def test_quit_removes_window_and_class(self):
        self.assertNotEqual(self.run_.one("quit")["result"], 0,
                            "quit should answer nonzero when the class was unregistered"
                            + self.run_.describe())
        after = self.run_.one("afterQuit")
        self.assertNotEqual(after["window"], 0, self.run_.describe())
        self.assertFalse(after["windowExists"], self.run_.describe())
        self.assertFalse(after["classWindowExists"], self.run_.describe())
        self.assertFalse(after["classRegistered"], self.run_.describe())

    def test_dll_unloads(self):
        self.assertTrue(self.run_.one("unload")["freed"], self.run_.describe())


class OldHost(unittest.TestCase):
    """A host that answers 0 to the version probe is refused before anything is built."""

    @classmethod
    def setUpClass(cls):
        require_build()
        cls.run_ = PlayerRun("old_host", ["--unattended", "--old-host", "--frames", "3"])

    def test_init_fails_and_the_player_says_so(self):
        self.assertEqual(self.run_.one("init")["result"], 1, self.run_.describe())
        self.assertEqual(self.run_.returncode, 3, self.run_.describe())
        self.assertEqual(self.run_.one("exit")["reason"], "init-failed", self.run_.describe())

    def test_one_message_box_names_the_required_host(self):
        boxes = self.run_.all("messageBox")
        self.assertEqual(len(boxes), 1, self.run_.describe())
        box = boxes[0]
        self.assertEqual(box["text"], "This plugin requires Winamp 5.0+", self.run_.describe())
        self.assertEqual(box["caption"], "zelVis", self.run_.describe())
        self.assertEqual(box["owner"], "player-main-window", self.run_.describe())
        self.assertEqual(box["style"], MB_OK, self.run_.describe())

    def test_only_the_probe_reaches_the_host(self):
        self.assertEqual(self.run_.host_messages(), [(0, VERSION_PROBE, 0)], self.run_.describe())

    def test_no_window_and_no_class(self):
        self.assertFalse(self.run_.one("pluginWindow")["exists"], self.run_.describe())
        after = self.run_.one("afterInitFailure")
        self.assertFalse(after["classWindowExists"], self.run_.describe())
        self.assertFalse(after["classRegistered"], self.run_.describe())
        self.assertEqual(self.run_.all("quit"), [],
                         "no window was announced, so no quit" + self.run_.describe())


class NoGlDriver(unittest.TestCase):
    """Without a GL library for the player's process, init fails at the pixel format with
    "ERRORCODE4" and takes down what it built; the player says so."""

    @classmethod
    def setUpClass(cls):
        require_build()
        # An empty file where the loader looks first stands for a missing GL library.
        no_gl = os.path.join(config.work_dir, "no-gl")
        os.makedirs(no_gl, exist_ok=True)
        open(os.path.join(no_gl, "libGL.so.1"), "wb").close()
        cls.run_ = PlayerRun("no_gl_driver", ["--unattended", "--frames", "3"],
                             env={"LD_LIBRARY_PATH": no_gl})

    def test_init_fails_with_one_message(self):
        self.assertEqual(self.run_.returncode, 3, self.run_.describe())
        self.assertEqual(self.run_.one("init")["result"], 1, self.run_.describe())
        self.assertEqual([(b["text"], b["caption"], b["owner"]) for b in self.run_.all("messageBox")],
                         [("ERRORCODE4", "zelVis", "player-main-window")], self.run_.describe())

    def test_nothing_is_left_behind(self):
        self.assertEqual(self.run_.host_messages()[1:], [],
                         "only the probe: the window was never announced" + self.run_.describe())
        after = self.run_.one("afterInitFailure")
        self.assertFalse(after["classWindowExists"], self.run_.describe())
        self.assertFalse(after["classRegistered"], self.run_.describe())


class CloseRequest(unittest.TestCase):
    """WM_CLOSE to the plug-in window ends the run through WM_QUIT, and quit still tears down."""

    @classmethod
    def setUpClass(cls):
        require_build()
        cls.run_ = PlayerRun("close_request",
                             ["--unattended", "--frames", "200", "--send-close-after", "2"])

    def test_close_ends_the_run_with_wm_quit(self):
        self.assertEqual(self.run_.returncode, 0, self.run_.describe())
        self.assertTrue(self.run_.one("closeSent")["posted"], self.run_.describe())
        exit_event = self.run_.one("exit")
        self.assertEqual(exit_event["reason"], "wm-quit", self.run_.describe())
        self.assertEqual(exit_event["quitExitCode"], 0, self.run_.describe())
        self.assertEqual(exit_event["frames"], 2, self.run_.describe())

    def test_window_survives_the_close_until_quit(self):
        notices = [m for m in self.run_.host_messages() if m[1] == WINDOW_NOTICE]
        self.assertEqual([w == 0 for w, _, _ in notices], [False, True], self.run_.describe())
        self.assertNotEqual(self.run_.one("quit")["result"], 0, self.run_.describe())
        after = self.run_.one("afterQuit")
        self.assertFalse(after["windowExists"], self.run_.describe())
        self.assertFalse(after["classRegistered"], self.run_.describe())


class PlayerErrors(unittest.TestCase):
    """What the player cannot host: one line on stderr and a nonzero exit; a run that
    stops moving, ended by the watchdog. And --version, which answers on stdout
    instead of a run."""

    def check_refusal(self, name, args, expected_status, expected_words):
        run = PlayerRun(name, args, log=False)
        lines = [line for line in run.stderr.splitlines() if line.strip()]
        self.assertEqual(run.returncode, expected_status, run.describe())
        self.assertEqual(len(lines), 1, "expected one error line" + run.describe())
        self.assertTrue(lines[0].startswith("zelplay: "), run.describe())
        for word in expected_words:
            self.assertIn(word, lines[0], run.describe())
        self.assertEqual(run.stdout.strip(), b"", run.describe())

    def test_missing_dll(self):
        missing = os.path.join(config.work_dir, "no-such-plugin.dll")
        self.check_refusal("missing_dll", ["--plugin", missing, "--frames", "1"], 1,
                           ["cannot load", "no-such-plugin.dll"])

    def test_dll_without_the_header_export(self):
        dll = os.path.join(config.broken_dir, "no_export.dll")
        self.check_refusal("no_export", ["--plugin", dll, "--frames", "1"], 1,
                           ["winampVisGetHeader"])

    def test_dll_without_module_zero(self):
        dll = os.path.join(config.broken_dir, "null_module.dll")
        self.check_refusal("null_module", ["--plugin", dll, "--frames", "1"], 1, ["getModule(0)"])

    def test_bad_arguments(self):
        self.check_refusal("bad_count", ["--frames", "many"], 2, ["--frames"])
        self.check_refusal("unknown_option", ["--loud"], 2, ["--loud"])
        self.check_refusal("bad_swap_list", ["--save-frames", "0,first"], 2, ["--save-frames"])
        self.check_refusal("missing_value", ["--frames"], 2, ["--frames"])

    def test_stalled_run_is_ended_and_named(self):
        dll = os.path.join(config.broken_dir, "stalls.dll")
        run = PlayerRun("stalls", ["--plugin", dll, "--frames", 10, "--watchdog", 2])
        self.assertEqual(run.returncode, 4, run.describe())
        self.assertIn("start 0, frame 2, in render", run.stderr, run.describe())
        self.assertEqual({k: run.one("stalled")[k] for k in ("start", "frame", "call")},
                         {"start": 0, "frame": 2, "call": "render"}, run.describe())

    def test_version(self):
        run = PlayerRun("version", ["--version"], log=False)
        self.assertEqual(run.returncode, 0, run.describe())
        self.assertRegex(run.stdout.decode(), r"^zelplay \d+\.\d+\.\d+ \(zelVis\)\r?\n$", run.describe())


class StartedFromExplorer(unittest.TestCase):
    """Started as Explorer starts it, the only process on a console of its own (Wine's
    start.exe opens one, with a window on screen), the player gives that console up and
    tells an error in a message box; started from a script, as every other check here
    is (Wine then gives it no console at all), it keeps to standard error."""

    EXPLORER = ("start", "/wait", "/unix")
    CONSOLE_WINDOW = "window: WineConsoleClass"

    def test_a_run_gives_its_own_console_up(self):
        run = PlayerRun("explorer_run", ["--unattended", "--frames", "2"], launcher=self.EXPLORER)
        self.assertEqual(run.returncode, 0, run.describe())
        self.assertEqual(run.one("console"), {"event": "console", "processes": 1, "released": True,
                                              "errorsInBox": True}, run.describe())
        self.assertEqual(run.one("init")["result"], 0, run.describe())

    def started_with_a_box(self, name, args):
        """The player started as Explorer starts it, and the lines of the box it shows."""
        reader = subprocess.Popen([config.wrapper, config.session, config.box_reader, "zelplay",
                                   "120"], stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        try:
            run = PlayerRun(name, args, log=False, launcher=self.EXPLORER)
        finally:
            seen, reader_errors = reader.communicate(timeout=180)
        self.assertEqual(reader.returncode, 0, reader_errors.decode(errors="replace") + run.describe())
        return run, seen.decode("utf-8").splitlines()

    @staticmethod
    def dropped(name):
        # As Explorer hands on a dropped file: its Windows path.
        return "Z:" + os.path.join(config.work_dir, name).replace("/", "\\")

    def test_an_error_is_told_in_a_box_and_no_console_window_stays(self):
        missing = self.dropped("нет 音楽😀.wav")
        run, lines = self.started_with_a_box("explorer_error", [missing])
        self.assertIn(f"text: zelplay: {missing}: cannot open: No such file or directory", lines,
                      run.describe())
        self.assertNotIn(self.CONSOLE_WINDOW, lines, "the console window stayed on screen")
        self.assertEqual(run.returncode, 1, run.describe())

    def test_files_passed_over_are_listed_in_one_box_once_the_queue_has_played(self):
        with wave.open(os.path.join(config.work_dir, "short.wav"), "wb") as f:
            f.setnchannels(1)
            f.setsampwidth(2)
            f.setframerate(8000)
            f.writeframes(bytes(1600))
        missing = [self.dropped("нет 1.wav"), self.dropped("нет 2.mp3")]
        run, lines = self.started_with_a_box(
            "explorer_skipped", [missing[0], self.dropped("short.wav"), missing[1], "--unattended"])
        self.assertEqual(run.returncode, 0, run.describe())
        for path in missing:
            self.assertTrue(any(f"zelplay: {path}: cannot open" in line for line in lines), lines)

    def test_a_script_keeps_to_standard_error(self):
        run = PlayerRun("script_error", ["--unattended", "--frames", "1"])
        console = run.one("console")
        self.assertEqual((console["released"], console["errorsInBox"]), (False, False),
                         run.describe())
        missing = os.path.join(config.work_dir, "нет 音楽😀.wav")
        refused = PlayerRun("script_missing", [missing], log=False)
        self.assertEqual(refused.our_stderr_lines(),
                         [f"zelplay: {missing}: cannot open: No such file or directory"],
                         refused.describe())


if __name__ == "__main__":
    run_checks(__doc__.splitlines()[0],
               ("--session", "--wrapper", "--bin-dir", "--broken-dir", "--box-reader",
                "--work-dir"))
