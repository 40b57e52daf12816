#!/usr/bin/env python3
"""Checks `./zelvis demo` from the outside, as a user runs it: the video it writes
(size, frame rate, duration, an audio stream), the contact sheet beside it, and its
one-line errors.

    demo_checks.py --work-dir DIR [unittest arguments]
"""

import argparse
import json
import os
import subprocess
import sys
import unittest
from pathlib import Path

ROOT = Path(__file__).resolve().parents[2]
WORK = Path()


def run_demo(*args):
    return subprocess.run([sys.executable, str(ROOT / "tools" / "zelvis" / "main.py"), "demo", *args],
                          capture_output=True, text=True, timeout=900)


def probe(path):
    result = subprocess.run(
        ["ffprobe", "-v", "error", "-show_entries",
         "stream=codec_type,width,height,r_frame_rate:format=duration", "-of", "json", str(path)],
        capture_output=True, text=True, check=True)
    return json.loads(result.stdout)


class DemoVideo(unittest.TestCase):
    def check_video(self, video, size, fps, seconds):
        info = probe(video)
        streams = {s["codec_type"]: s for s in info["streams"]}
        self.assertIn("audio", streams, f"no audio stream in {video}: {info}")
        picture = streams["video"]
        self.assertEqual((picture["width"], picture["height"]), size)
        self.assertEqual(picture["r_frame_rate"], f"{fps}/1")
        self.assertAlmostEqual(float(info["format"]["duration"]), seconds, delta=0.25,
                               msg=f"duration of {video}")
        sheet = video.with_suffix(".png")
        self.assertTrue(sheet.exists(), f"no contact sheet beside {video}")

    def test_built_in_track(self):
        video = WORK / "builtin" / "demo.mp4"
        result = run_demo("--size", "320x240", "--fps", "10", "--out", str(video))
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertIn(str(video), result.stdout)
        self.check_video(video, (320, 240), 10, 32.0)

    def test_own_songs_in_compressed_formats_a_folder_and_a_file_in_turn(self):
        album = WORK / "album"
        album.mkdir(exist_ok=True)
        for name, seconds, rate in (("2 mono.mp3", 2, 22050), ("10 stereo.flac", 1, 48000),
                                    ("cover.jpg", 0, 0)):
            if rate:
                subprocess.run(["ffmpeg", "-nostdin", "-y", "-v", "error", "-f", "lavfi", "-i",
                                f"sine=frequency=220:duration={seconds}:sample_rate={rate}",
                                str(album / name)], check=True)
            else:
                (album / name).write_bytes(b"not music")
        song = WORK / "song.mp3"
        subprocess.run(["ffmpeg", "-nostdin", "-y", "-v", "error", "-f", "lavfi",
                        "-i", "sine=frequency=440:duration=1", "-ac", "2", str(song)], check=True)
        video = WORK / "song" / "song.mp4"
        result = run_demo(str(album), str(song), "--size", "256x192", "--fps", "15", "--out", str(video))
        self.assertEqual(result.returncode, 0, result.stderr)
        self.check_video(video, (256, 192), 15, 4.0)


class DemoErrors(unittest.TestCase):
    def assert_one_line_error(self, result, words):
        self.assertNotEqual(result.returncode, 0)
        lines = result.stderr.strip().splitlines()
        self.assertEqual(len(lines), 1, f"expected one error line, saw: {result.stderr!r}")
        self.assertIn(words, lines[0])

    def test_missing_file(self):
        self.assert_one_line_error(run_demo(str(WORK / "no-such-song.mp3")), "no such file")

    def test_file_ffmpeg_cannot_read(self):
        text = WORK / "notes.txt"
        text.write_text("not music\n")
        self.assert_one_line_error(run_demo(str(text)), "cannot read")

    def test_play_without_a_display(self):
        song = WORK / "silence.wav"
        subprocess.run(["ffmpeg", "-nostdin", "-y", "-v", "error", "-f", "lavfi",
                        "-i", "anullsrc=duration=1", str(song)], check=True)
        env = {k: v for k, v in os.environ.items() if k != "DISPLAY"}
        result = subprocess.run([sys.executable, str(ROOT / "tools" / "zelvis" / "main.py"), "play",
                                 str(song)], capture_output=True, text=True, env=env, timeout=60)
        self.assert_one_line_error(result, "no display")

    def test_bad_size(self):
        result = run_demo("--size", "big")
        self.assertEqual(result.returncode, 2)
        self.assertIn("size must be", result.stderr)


if __name__ == "__main__":
    parser = argparse.ArgumentParser()
    parser.add_argument("--work-dir", type=Path, required=True)
    options, rest = parser.parse_known_args()
    WORK = options.work_dir
    WORK.mkdir(parents=True, exist_ok=True)
    unittest.main(argv=[sys.argv[0], *rest], verbosity=2)
