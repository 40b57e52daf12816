#!/usr/bin/env python3
"""End-to-end checks of the plug-in's sprite picture: without a usable one beside it
the player hears "Image load failed.", init fails and takes down all it built, so
that the media player, which calls no quit then and frees the DLL, keeps nothing of
it, and the player says so in one line; beside it in a folder of any name, it loads.

    picture_checks.py --session DIR --wrapper wine_run.sh --bin-dir BUILD --work-dir DIR TESTS...
"""

import os
import unittest

from png_reader import read_png
from player_run import NAMED_FOLDERS, PlayerRun, config, plugin_folder, require_build, run_checks

INIT_FAILED = 3


class PictureFailure:
    """Shared checks; subclasses name the picture they leave beside the DLL."""

    picture = None

    @classmethod
    def setUpClass(cls):
        require_build()
        dll = plugin_folder(cls.__name__, cls.picture)
        cls.run_ = PlayerRun(cls.__name__, ["--plugin", dll, "--unattended", "--frames", "3"])

    def test_init_fails_and_the_player_says_so_in_one_line(self):
        self.assertEqual(self.run_.one("init")["result"], 1, self.run_.describe())
        self.assertEqual(self.run_.returncode, INIT_FAILED, self.run_.describe())
        lines = self.run_.our_stderr_lines()
        self.assertEqual(len(lines), 1, self.run_.describe())

    def test_one_message_box_says_image_load_failed(self):
        boxes = self.run_.all("messageBox")
        self.assertEqual(len(boxes), 1, self.run_.describe())
        self.assertEqual(boxes[0]["text"], "Image load failed.", self.run_.describe())
        self.assertEqual(boxes[0]["caption"], "zelVis", self.run_.describe())

    def test_nothing_is_left_and_no_quit_is_needed(self):
        notices = [m for m in self.run_.host_messages() if m[1] == 611]
        self.assertEqual([w == 0 for w, _, _ in notices], [False, True],
                         "the window is announced, then withdrawn" + self.run_.describe())
        self.assertEqual(self.run_.all("quit"), [], self.run_.describe())
        after = self.run_.one("afterInitFailure")
        self.assertFalse(after["classWindowExists"], self.run_.describe())
        self.assertFalse(after["classRegistered"], self.run_.describe())
        self.assertEqual(after["contextsLeft"], 0, self.run_.describe())
        self.assertTrue(self.run_.one("unload")["freed"], self.run_.describe())


class PictureMissing(PictureFailure, unittest.TestCase):
    picture = None


class PictureCorrupt(PictureFailure, unittest.TestCase):
    # A bitmap header that claims a 32-bit picture, then nothing.
    picture = b"BM" + bytes(12) + (40).to_bytes(4, "little") + bytes(10) + (32).to_bytes(2, "little")


class PictureInNamedFolders(unittest.TestCase):
    """The plug-in with its picture in folders named beyond the system's code page, one
    start from each: every start finds the picture and draws it."""

    @classmethod
    def setUpClass(cls):
        require_build()
        with open(os.path.join(config.bin_dir, "vis_zel.bmp"), "rb") as f:
            picture = f.read()
        cls.dlls = [plugin_folder(name, picture) for name in NAMED_FOLDERS]
        args = ["--unattended", "--starts", len(cls.dlls), "--frames", 2, "--save-frames", "last"]
        for dll in cls.dlls:
            args += ["--plugin", dll]
        cls.run_ = PlayerRun("named-folders 日本", args)

    def test_every_start_loads_the_picture(self):
        run = self.run_
        self.assertEqual(run.returncode, 0, run.describe())
        self.assertEqual([e["plugin"] for e in run.all("run")], self.dlls, run.describe())
        self.assertEqual([e["result"] for e in run.all("init")], [0] * len(self.dlls),
                         run.describe())
        self.assertEqual(run.all("messageBox"), [], run.describe())

    def test_the_last_frame_shows_the_sprites(self):
        saved = self.run_.one("frameSaved")
        self.assertEqual(saved["path"], self.run_.path("frame-last.png"), self.run_.describe())
        _, _, channels, rows = read_png(saved["path"])
        bright = sum(1 for row in rows for v in row[::channels] if v > 128)
        self.assertGreater(bright, 200, "the last frame is dark: no sprite was drawn")


if __name__ == "__main__":
    run_checks(__doc__.splitlines()[0], ("--session", "--wrapper", "--bin-dir", "--work-dir"))
