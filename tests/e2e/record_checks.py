#!/usr/bin/env python3
"""End-to-end checks of zelplay.exe as a music player under Wine: recording
videos on the player's own clock, live play, fixed spectrum patterns and the
refusals of bad input.

    record_checks.py --session DIR --wrapper wine_run.sh --bin-dir WINDOWS_BUILD
                     --work-dir DIR TestCase

The Wine session comes from the CTest fixture (wine_session.sh). Sizes are kept
small: a 640 x 480 frame costs a tenth of a second or more under Wine's software
GL.
"""

import array
import math
import operator
import os
import struct
import subprocess
import unittest
import wave

from png_reader import read_png
from player_run import NAMED_FOLDERS, PlayerRun, config, require_build, run_checks

def write_wav(path, seconds, rate=44100, channels=2):
    """A tone that changes from channel to channel, as 16-bit PCM."""
    frames = round(seconds * rate)
    with wave.open(path, "wb") as f:
        f.setnchannels(channels)
        f.setsampwidth(2)
        f.setframerate(rate)
        samples = bytearray()
        for n in range(frames):
            for c in range(channels):
                # A square wave: rich in harmonics, so the spectrum is lit across its width.
                period = 50 + 30 * c
                samples += struct.pack("<h", 12000 if (n // (period // 2)) % 2 else -12000)
        f.writeframes(bytes(samples))


def ffmpeg(source, target, *args):
    """Converts `source` into `target` with ffmpeg, as a user's tools would make the file."""
    subprocess.run(["ffmpeg", "-v", "error", "-y", "-i", source, *args, target], check=True)
    return target


def wav_samples(path):
    """Rate, channels and the interleaved 16-bit samples of a WAV file."""
    with wave.open(path, "rb") as f:
        samples = array.array("h", f.readframes(f.getnframes()))
        return f.getframerate(), f.getnchannels(), samples


def codec_delay(reference, decoded, channels, max_lag=4096, window=2048):
    """The lag, in frames, at which `decoded` best matches `reference` (cross-correlation of
    channel 0 over a window from the middle): the silence a lossy codec puts in front."""
    start = len(reference) // channels // 2
    ours = reference[start * channels:(start + window) * channels:channels]
    def correlation(lag):
        theirs = decoded[(start + lag) * channels:(start + lag + window) * channels:channels]
        return sum(map(operator.mul, ours, theirs)) if len(theirs) == window else -math.inf
    return max(range(max_lag), key=correlation)


def snr_db(reference, decoded, lag_samples):
    """Signal to noise of `decoded` against `reference`, `decoded` shifted by `lag_samples`."""
    count = min(len(reference), len(decoded) - lag_samples)
    signal = sum(map(operator.mul, reference[:count], reference[:count]))
    shifted = decoded[lag_samples:lag_samples + count]
    noise = sum((a - b) ** 2 for a, b in zip(reference[:count], shifted))
    return math.inf if noise == 0 else 10 * math.log10(signal / noise)


def frames_of(video, width, height):
    size = width * height * 3
    return [video[i:i + size] for i in range(0, len(video), size)]


def channel_stats(path):
    """Per channel: the sum of all values, and count and centroid (x, y) of values above 128."""
    width, height, channels, rows = read_png(path)
    stats = []
    for c in range(3):
        total = count = sx = sy = 0
        for y, row in enumerate(rows):
            for x in range(width):
                v = row[channels * x + c]
                total += v
                if v > 128:
                    count += 1
                    sx += x
                    sy += y
        centroid = (sx / count, sy / count) if count else None
        stats.append({"sum": total, "bright": count, "centroid": centroid})
    return width, height, stats


class RecordDemo(unittest.TestCase):
    """Three seconds of the demo track recorded twice at 320 x 240: into a file, then
    through standard output with progress lines. Both give the same bytes."""

    width, height, frames = 320, 240, 90

    @classmethod
    def setUpClass(cls):
        require_build()
        common = ["--demo-track", "--record", "--frames", cls.frames,
                  "--size", f"{cls.width}x{cls.height}", "--unattended"]
        cls.file_run = PlayerRun("record_file", common + ["--video-out",
                                                    os.path.join(config.work_dir, "demo.rgb")])
        cls.video_path = os.path.join(config.work_dir, "demo.rgb")
        cls.pipe_run = PlayerRun("record_stdout", common + ["--video-out", "-", "--progress"])

    def setUp(self):
        self.assertEqual(self.file_run.returncode, 0, self.file_run.describe())
        self.assertEqual(self.pipe_run.returncode, 0, self.pipe_run.describe())

    def test_video_holds_every_frame_at_the_asked_size(self):
        self.assertEqual(os.path.getsize(self.video_path), self.frames * self.width * self.height * 3)
        self.assertFalse(os.path.exists(self.video_path + ".part"))
        exit_event = self.file_run.one("exit")
        self.assertEqual((exit_event["frames"], exit_event["videoFrames"]),
                         (self.frames, self.frames), self.file_run.describe())

    def test_the_same_input_gives_the_same_bytes(self):
        with open(self.video_path, "rb") as f:
            from_file = f.read()
        self.assertEqual(len(self.pipe_run.stdout), len(from_file),
                         "standard output should carry the video and nothing else"
                         + self.pipe_run.describe())
        differing = [i for i, (a, b) in enumerate(zip(frames_of(from_file, self.width, self.height),
                                                      frames_of(self.pipe_run.stdout, self.width,
                                                                self.height))) if a != b]
        self.assertEqual(differing, [], "frames that differ between the two runs")

    def test_frames_are_lit_and_move(self):
        with open(self.video_path, "rb") as f:
            frames = frames_of(f.read(), self.width, self.height)
        dark = [i for i, frame in enumerate(frames) if max(frame) < 64]
        self.assertEqual(dark, [], "frames without a lit pixel")
        self.assertNotEqual(frames[1], frames[-1], "the picture should change over three seconds")

    def test_progress_is_one_line_per_frame(self):
        lines = self.pipe_run.our_stderr_lines()
        expected = [f"progress {k} {self.frames}" for k in range(1, self.frames + 1)]
        self.assertEqual(lines, expected, self.pipe_run.describe())

    def test_plugin_clock_is_replaced(self):
        clock = self.file_run.one("virtualClock")
        self.assertTrue(clock["getTickCount"], self.file_run.describe())
        feed = self.file_run.one("feed")
        self.assertEqual((feed["mode"], feed["source"], feed["sampleRate"], feed["channels"]),
                         ("record", "audio", 44100, 2), self.file_run.describe())


class RecordLength(unittest.TestCase):
    """Without --frames a recording covers the whole audio, rounded up to a frame."""

    @classmethod
    def setUpClass(cls):
        require_build()
        os.makedirs(config.work_dir, exist_ok=True)
        cls.wav = os.path.join(config.work_dir, "mono_22k.wav")
        write_wav(cls.wav, 1.01, rate=22050, channels=1)
        # Named bare, as when a file is dropped on the player.
        cls.wav_run = PlayerRun("record_length_wav", [cls.wav, "--record", "--size", "160x120",
                                                "--video-out", "-", "--unattended"])
        raw = os.path.join(config.work_dir, "half_second.s16")
        with open(raw, "wb") as f:
            # 0.5 s at 8000 Hz, and a byte of a frame cut off at the end.
            f.write(bytes((n * 37) & 0xFF for n in range(4000 * 4)) + b"\x01")
        cls.raw_run = PlayerRun("record_length_raw", ["--raw-pcm", 8000, "--record", "--size", "160x120",
                                                "--video-out", "-", "--progress", "--unattended"],
                                stdin_path=raw)

    def test_plays_a_track_longer_than_a_whole_decode_would_fit(self):
        # 2^26 + 1 frames of 8-bit mono at 8000 Hz: 2 h 20 min, past what the player once
        # held whole. The file is sparse: its samples are never written, and read as zeros.
        path = os.path.join(config.work_dir, "long.wav")
        frames = (1 << 26) + 1
        with open(path, "wb") as f:
            f.write(b"RIFF" + struct.pack("<I", 36 + frames) + b"WAVE"
                    + b"fmt " + struct.pack("<IHHIIHH", 16, 1, 1, 8000, 8000, 1, 8)
                    + b"data" + struct.pack("<I", frames))
            f.truncate(44 + frames)
        run = PlayerRun("record_long_wav", [path, "--record", "--frames", 3, "--size", "160x120",
                                            "--unattended"])
        os.remove(path)
        self.assertEqual(run.returncode, 0, run.describe())
        self.assertEqual((run.one("exit")["reason"], run.one("exit")["frames"]), ("frames-done", 3),
                         run.describe())

    def test_wav_of_1_01_seconds_gives_31_frames(self):
        run = self.wav_run
        self.assertEqual(run.returncode, 0, run.describe())
        self.assertEqual(run.one("exit")["reason"], "audio-end", run.describe())
        self.assertEqual(run.one("exit")["frames"], 31, run.describe())
        self.assertEqual(len(run.stdout), 31 * 160 * 120 * 3, run.describe())

    def test_mono_input_is_announced_as_one_channel_at_its_rate(self):
        feed = self.wav_run.one("feed")
        self.assertEqual((feed["sampleRate"], feed["channels"]), (22050, 1), self.wav_run.describe())

    def test_raw_pcm_from_standard_input(self):
        run = self.raw_run
        self.assertEqual(run.returncode, 0, run.describe())
        feed = run.one("feed")
        self.assertEqual((feed["sampleRate"], feed["channels"]), (8000, 2), run.describe())
        self.assertEqual(run.one("exit")["frames"], 15, run.describe())
        self.assertEqual(len(run.stdout), 15 * 160 * 120 * 3, run.describe())
        # Read as it comes, the stream's length is known only at its end: no total.
        self.assertEqual(run.our_stderr_lines(), [f"progress {k} 0" for k in range(1, 16)],
                         run.describe())


class LivePlay(unittest.TestCase):
    """Live play of a two-second WAV to its end, and of the demo until the window is closed."""

    @classmethod
    def setUpClass(cls):
        require_build()
        os.makedirs(config.work_dir, exist_ok=True)
        cls.wav = os.path.join(config.work_dir, "two_seconds.wav")
        write_wav(cls.wav, 2.0)
        cls.to_end = PlayerRun("live_to_end", ["--audio", cls.wav, "--size", "160x120", "--unattended"])
        cls.mp3 = ffmpeg(cls.wav, os.path.join(config.work_dir, "two_seconds.mp3"))
        cls.mp3_to_end = PlayerRun("live_mp3", [cls.mp3, "--size", "160x120", "--unattended"])
        cls.closed = PlayerRun("live_closed", ["--demo-track", "--size", "160x120", "--unattended",
                                         "--send-close-after", "5"])

    def test_plays_to_the_end_of_the_audio_and_ends_cleanly(self):
        run = self.to_end
        self.assertEqual(run.returncode, 0, run.describe())
        exit_event = run.one("exit")
        self.assertEqual(exit_event["reason"], "audio-end", run.describe())
        self.assertEqual(exit_event["trackMs"], 2000, run.describe())
        self.assertGreaterEqual(exit_event["heardMs"], 2000, run.describe())
        self.assertGreater(exit_event["frames"], 0, run.describe())
        self.assertEqual(run.one("renderSummary")["results"], {"0": exit_event["frames"]},
                         run.describe())
        self.assertTrue(run.one("unload")["freed"], run.describe())
        self.assertEqual(run.one("feed")["mode"], "live", run.describe())

    def test_plays_an_mp3_to_its_end(self):
        run = self.mp3_to_end
        self.assertEqual(run.returncode, 0, run.describe())
        exit_event = run.one("exit")
        self.assertEqual(exit_event["reason"], "audio-end", run.describe())
        # The codec's delay and its last frame's padding come on top: tens of milliseconds.
        self.assertTrue(2000 <= exit_event["trackMs"] <= 2100, run.describe())
        self.assertGreaterEqual(exit_event["heardMs"], exit_event["trackMs"], run.describe())
        feed = run.one("feed")
        self.assertEqual((feed["mode"], feed["sampleRate"], feed["channels"]), ("live", 44100, 2),
                         run.describe())
        self.assertTrue(run.one("unload")["freed"], run.describe())

    def test_says_once_when_there_is_no_audio_output(self):
        for run in (self.to_end, self.mp3_to_end):
            output = run.one("audioOutput")
            notices = [line for line in run.our_stderr_lines()
                       if line == "zelplay: no audio output device; playing in silence"]
            if output["device"]:
                self.assertEqual(notices, [], run.describe())
            else:
                self.assertEqual(output["reason"], "no audio output device", run.describe())
                self.assertEqual(len(notices), 1, run.describe())
            self.assertEqual([line for line in run.our_stderr_lines() if line not in notices], [],
                             run.describe())

    def test_closing_the_window_ends_the_run_cleanly(self):
        run = self.closed
        self.assertEqual(run.returncode, 0, run.describe())
        exit_event = run.one("exit")
        self.assertEqual(exit_event["reason"], "wm-quit", run.describe())
        self.assertEqual(exit_event["frames"], 5, run.describe())
        self.assertLess(exit_event["heardMs"], exit_event["trackMs"], run.describe())
        self.assertNotEqual(run.one("quit")["result"], 0, run.describe())
        self.assertFalse(run.one("afterQuit")["windowExists"], run.describe())
        self.assertTrue(run.one("unload")["freed"], run.describe())


class Queues(unittest.TestCase):
    """Files and folders played in turn in one start. A WAV, an MP3 and a picture named
    .mp3 recorded into one video: the two tracks back to back, each fed exactly what it is
    fed recorded alone, and the picture named once and passed over. A folder's files,
    subfolders included, in the natural order of their names."""

    @classmethod
    def setUpClass(cls):
        require_build()
        folder = os.path.join(config.work_dir, "queue")
        os.makedirs(folder, exist_ok=True)
        wav = os.path.join(folder, "first.wav")
        write_wav(wav, 1.0)
        other = os.path.join(folder, "second.wav")
        write_wav(other, 0.7, rate=22050, channels=1)
        mp3 = ffmpeg(other, os.path.join(folder, "second.mp3"))
        picture = os.path.join(folder, "cover.mp3")
        with open(os.path.join(config.bin_dir, "vis_zel.bmp"), "rb") as source, open(picture, "wb") as f:
            f.write(source.read())
        cls.tracks = [wav, mp3]
        record = ["--record", "--size", "160x120", "--unattended"]
        cls.video = os.path.join(folder, "queue.rgb")
        cls.queue = PlayerRun("queue_record", [wav, mp3, picture, *record, "--video-out", cls.video])
        cls.alone = [PlayerRun(f"queue_alone_{n}", [path, *record]) for n, path in enumerate(cls.tracks)]
        album = os.path.join(folder, "album")
        for name in ("10.wav", "2.wav", os.path.join("CD 2", "1.wav")):
            os.makedirs(os.path.dirname(os.path.join(album, name)), exist_ok=True)
            write_wav(os.path.join(album, name), 0.1)
        with open(os.path.join(album, "notes.txt"), "w") as f:
            f.write("not music\n")
        cls.album = PlayerRun("queue_folder", [album, *record, "--progress"])
        cls.twice = PlayerRun("queue_twice", [wav, mp3, "--starts", 2, *record])

    def test_plays_the_tracks_in_order_in_one_start_and_names_the_picture_once(self):
        run = self.queue
        self.assertEqual(run.returncode, 0, run.describe())
        self.assertEqual(len(run.all("init")), 1, "one start serves the queue" + run.describe())
        self.assertEqual([t["name"] for t in run.all("track")], self.tracks, run.describe())
        skipped = run.one("trackSkipped")
        self.assertEqual(skipped["index"], 2, run.describe())
        self.assertEqual([line for line in run.our_stderr_lines() if "cover.mp3" in line],
                         [f"zelplay: {skipped['reason']}"], "the picture is named once" + run.describe())
        self.assertEqual(run.one("exit")["reason"], "audio-end", run.describe())

    def test_each_track_is_fed_as_when_recorded_alone(self):
        ends = self.queue.all("trackEnd")
        self.assertEqual(len(ends), 2, self.queue.describe())
        for end, alone in zip(ends, self.alone):
            self.assertEqual(alone.returncode, 0, alone.describe())
            mine = alone.one("trackEnd")
            self.assertEqual((end["frames"], end["digest"]), (mine["frames"], mine["digest"]),
                             f"track {end['index']} in the queue and alone" + self.queue.describe())
        total = sum(alone.one("trackEnd")["frames"] for alone in self.alone)
        self.assertEqual(self.queue.one("exit")["videoFrames"], total, self.queue.describe())
        self.assertEqual(os.path.getsize(self.video), total * 160 * 120 * 3)

    def test_a_folder_plays_its_audio_in_natural_order(self):
        run = self.album
        self.assertEqual(run.returncode, 0, run.describe())
        names = [os.path.relpath(t["name"].replace("\\", "/"), self.album_dir()) for t in run.all("track")]
        self.assertEqual(names, ["2.wav", "10.wav", "CD 2/1.wav"], run.describe())
        self.assertEqual(run.all("trackSkipped"), [], run.describe())
        # Three tracks of 0.1 s, three frames each: the progress counts the whole queue.
        self.assertEqual(run.our_stderr_lines(), [f"progress {k} 9" for k in range(1, 10)], run.describe())

    def test_every_start_plays_the_queue_from_its_first_track(self):
        run = self.twice
        self.assertEqual(run.returncode, 0, run.describe())
        self.assertEqual([t["index"] for t in run.all("track")], [0, 1, 0, 1], run.describe())
        self.assertEqual([e["digest"] for e in run.all("trackEnd")],
                         [e["digest"] for e in self.queue.all("trackEnd")] * 2, run.describe())

    @staticmethod
    def album_dir():
        return os.path.join(config.work_dir, "queue", "album")


class LiveKeys(unittest.TestCase):
    """Keys pressed on the plug-in's window while a queue of a WAV and an MP3 plays live: a
    the track before at the first (the track again), a pause and play on, a seek forwards
    and one back, the next track, a seek in it and the track before, the screen filled and
    given back, and Esc, each logged with where the track stood before and after; and the
    player's window title following the track and the pause."""

    presses = "2:p,3:space,6:space,8:right,10:left,12:n,14:right,15:p,17:f,20:f,23:esc"
    actions = ["previous", "pause", "pause", "forward", "back", "next", "forward", "previous",
               "full-screen", "full-screen", "stop"]

    @classmethod
    def setUpClass(cls):
        require_build()
        wav, second = (os.path.join(config.work_dir, name) for name in ("keys one.wav", "keys two.wav"))
        write_wav(wav, 20.0, rate=8000)
        write_wav(second, 9.0)
        tracks = [wav, ffmpeg(second, os.path.join(config.work_dir, "keys two.mp3"))]
        cls.played = PlayerRun("live_keys", [*tracks, "--size", "160x120", "--unattended",
                                             "--keys", cls.presses])

    def keys(self):
        self.assertEqual(self.played.returncode, 0, self.played.describe())
        keys = self.played.all("key")
        self.assertEqual([k["action"] for k in keys], self.actions, self.played.describe())
        self.assertTrue(all(k["acted"] for k in keys), self.played.describe())
        return keys

    def test_pause_and_seeks_move_the_track_as_asked(self):
        again, pause, resume, forward, back, nxt, in_the_mp3, previous = self.keys()[:8]
        self.assertEqual((again["track"], round(again["after"], 1)), (0, 0.0), self.played.describe())
        self.assertEqual((pause["paused"], pause["after"]), (True, pause["before"]), self.played.describe())
        self.assertEqual((resume["paused"], resume["after"]), (False, resume["before"]), self.played.describe())
        for seek, step in ((forward, 5), (back, -5), (in_the_mp3, 5)):
            self.assertAlmostEqual(seek["after"], seek["before"] + step, delta=0.05, msg=self.played.describe())
        self.assertEqual(in_the_mp3["track"], 1, self.played.describe())
        for switch, tracks in ((nxt, (0, 1)), (previous, (1, 0))):
            self.assertEqual((switch["trackBefore"], switch["track"]), tracks, self.played.describe())
            self.assertLess(switch["after"], 0.1, self.played.describe())

    def test_esc_and_the_screen(self):
        filled, restored, stop = self.keys()[8:]
        self.assertTrue(filled["fullScreen"], self.played.describe())
        screen = (filled["screenWidth"], filled["screenHeight"])
        self.assertEqual((filled["windowWidth"], filled["windowHeight"]), screen, self.played.describe())
        self.assertEqual((filled["clientWidth"], filled["clientHeight"]), screen, self.played.describe())
        self.assertEqual((restored["fullScreen"], restored["clientWidth"], restored["clientHeight"]),
                         (False, 160, 120), self.played.describe())
        self.assertEqual(stop["track"], 0, self.played.describe())
        self.assertEqual(self.played.one("exit")["reason"], "host-closed", self.played.describe())
        self.assertEqual(len(self.played.all("init")), 1, self.played.describe())

    def test_window_title_shows_the_track(self):
        self.keys()
        titles = [t["text"] for t in self.played.all("title")]
        self.assertTrue(all(self.played.all("title")[i]["shown"] for i in range(len(titles))), titles)
        self.assertEqual(titles[:5], ["keys one \u2014 0:00 / 0:20 \u2014 zelplay",
                                      "keys one \u2014 0:00 / 0:20 (paused) \u2014 zelplay",
                                      "keys one \u2014 0:00 / 0:20 \u2014 zelplay",
                                      "keys two \u2014 0:00 / 0:09 \u2014 zelplay",
                                      "keys one \u2014 0:00 / 0:20 \u2014 zelplay"], self.played.describe())


class SpectrumPatterns(unittest.TestCase):
    """Fixed spectra on the recording clock, so that frames with the same number differ
    only by the pattern: where the sprites go and how the glow is tinted."""

    width, height, swap = 160, 120, 30

    @classmethod
    def setUpClass(cls):
        require_build()
        cls.runs = {}
        cls.stats = {}
        for pattern in ("silence", "left", "right"):
            run = PlayerRun(f"pattern_{pattern}",
                      ["--spectrum", pattern, "--record", "--frames", cls.swap, "--unattended",
                       "--size", f"{cls.width}x{cls.height}", "--save-frames", f"10,{cls.swap}"])
            cls.runs[pattern] = run
            if run.returncode == 0:
                cls.stats[pattern] = channel_stats(run.path(f"frame-{cls.swap}.png"))[2]
        cls.random = PlayerRun("pattern_random",
                         ["--spectrum", "random", "--record", "--frames", 2000, "--unattended",
                          "--size", f"{cls.width}x{cls.height}", "--save-frames", "1,1000,2000"])

    def setUp(self):
        for run in self.runs.values():
            self.assertEqual(run.returncode, 0, run.describe())

    def test_two_thousand_random_spectra_all_render(self):
        run = self.random
        self.assertEqual(run.returncode, 0, run.describe())
        self.assertEqual(run.one("renderSummary")["results"], {"0": 2000}, run.describe())
        self.assertEqual(run.one("exit")["presents"], 2001, run.describe())
        for swap in (1, 1000, 2000):
            _, _, stats = channel_stats(run.path(f"frame-{swap}.png"))
            self.assertGreater(sum(s["bright"] for s in stats), 0, f"frame {swap} is dark")

    def test_frames_show_the_sprites_in_silence(self):
        for swap in (10, self.swap):
            width, height, stats = channel_stats(self.runs["silence"].path(f"frame-{swap}.png"))
            self.assertEqual((width, height), (self.width, self.height))
            lit = stats[0]["bright"]
            self.assertGreater(lit, width * height // 20,
                               f"frame {swap}: only {lit} bright red values; the sprites are missing")

    def test_loud_channel_zero_moves_the_sprites_right(self):
        # Green only: the magenta glow of this pattern adds none.
        silence_x = self.stats["silence"][1]["centroid"][0]
        left_x = self.stats["left"][1]["centroid"][0]
        self.assertGreater(left_x, silence_x + self.width / 10,
                           f"bright green centroid x {left_x:.1f} with channel 0 loud, "
                           f"{silence_x:.1f} in silence")

    def test_loud_channel_one_moves_the_sprites_up(self):
        # Red only: the green glow of this pattern adds none. Rows count from the top.
        silence_y = self.stats["silence"][0]["centroid"][1]
        right_y = self.stats["right"][0]["centroid"][1]
        self.assertLess(right_y, silence_y - self.height / 10,
                        f"bright red centroid y {right_y:.1f} with channel 1 loud, "
                        f"{silence_y:.1f} in silence")

    def ratio(self, pattern, top, bottom):
        stats = self.stats[pattern]
        return stats[top]["sum"] / max(stats[bottom]["sum"], 1)

    def test_loud_channel_zero_tints_the_glow_magenta(self):
        for channel, name in ((0, "red"), (2, "blue")):
            quiet, loud = self.ratio("silence", channel, 1), self.ratio("left", channel, 1)
            self.assertGreater(loud, 1.5 * quiet,
                               f"{name} to green: {loud:.2f} with channel 0 loud, {quiet:.2f} in silence")

    def test_loud_channel_one_tints_the_glow_green(self):
        for channel, name in ((0, "red"), (2, "blue")):
            quiet, loud = self.ratio("silence", 1, channel), self.ratio("right", 1, channel)
            self.assertGreater(loud, 1.5 * quiet,
                               f"green to {name}: {loud:.2f} with channel 1 loud, {quiet:.2f} in silence")


class GlTraceAcrossBuilds(unittest.TestCase):
    """The i686 and x86_64 builds, recording the same music on the player's clock, make
    the same GL calls with the same arguments, to the last bit of every float: the
    plug-in computes the same numbers whichever build, and so whichever host, runs it."""

    @classmethod
    def setUpClass(cls):
        if not config.x86_64_dir:
            raise unittest.SkipTest("the i686 build cannot run on this machine, natively or "
                                    "emulated: no traces of both builds to compare")
        # Under the emulator the cost is the pixels: fewer frames of a smaller window,
        # the glow and the trail still in every one.
        cls.frames, size = (60, "160x120") if config.emulated else (300, "640x480")
        cls.runs, cls.traces = {}, {}
        for name, bin_dir in (("i686", config.bin_dir), ("x86_64", config.x86_64_dir)):
            require_build(bin_dir)
            path = os.path.join(config.work_dir, f"gl-trace-{name}.txt")
            cls.runs[name] = PlayerRun(f"gl_trace_{name}", [
                "--demo-track", "--record", "--frames", cls.frames, "--size", size,
                "--unattended", "--gl-trace", path], bin_dir=bin_dir)
            if os.path.exists(path):
                with open(path, encoding="ascii") as f:
                    cls.traces[name] = f.read().splitlines()

    def test_both_builds_make_the_same_calls(self):
        for name, bits in (("i686", 32), ("x86_64", 64)):
            run = self.runs[name]
            self.assertEqual(run.returncode, 0, run.describe())
            self.assertEqual(run.one("run")["pointerBits"], bits, run.describe())
            self.assertEqual(run.one("exit")["frames"], self.frames, run.describe())
        i686, x86_64 = self.traces["i686"], self.traces["x86_64"]
        first = next((i for i, (a, b) in enumerate(zip(i686, x86_64)) if a != b),
                     None if len(i686) == len(x86_64) else min(len(i686), len(x86_64)))
        if first is not None:
            self.fail(f"the traces part at line {first + 1} of {len(i686)} (i686) and "
                      f"{len(x86_64)} (x86_64):\n  i686:   {i686[first:first + 3]}\n"
                      f"  x86_64: {x86_64[first:first + 3]}")

    def test_trace_holds_the_frames_the_picture_and_the_music(self):
        trace = self.traces["i686"]
        swaps = sum(1 for line in trace if line.startswith("glClear(0x4100)"))
        self.assertGreater(swaps, self.frames, "a cleared buffer per frame and one in init")
        self.assertTrue(any(line.startswith("glTexImage2D(0xDE1,") and "bytes fnv1a" in line
                            for line in trace), "the sprite picture's upload with its checksum")
        tints = {line for line in trace if line.startswith("glColor4f(")}
        self.assertGreater(len(tints), 100, "glow tints that follow the music")


class NamedFiles(unittest.TestCase):
    """Names beyond the system's code page: the demo track written to a WAV so named,
    then recorded from it, with the log, a saved frame, the video and the GL trace in
    a folder so named."""

    frames = 10

    @classmethod
    def setUpClass(cls):
        require_build()
        folder = os.path.join(config.work_dir, NAMED_FOLDERS[3])
        os.makedirs(folder, exist_ok=True)
        cls.wav = os.path.join(folder, "демо 音楽 😀.wav")
        cls.video = os.path.join(folder, "видео 映像 😀.rgb")
        cls.trace = os.path.join(folder, "трасса 😀.txt")
        for leftover in (cls.wav, cls.video, cls.trace):
            if os.path.exists(leftover):
                os.remove(leftover)
        cls.written = PlayerRun("named_write", ["--write-demo-wav", cls.wav], log=False)
        cls.recorded = PlayerRun(f"{NAMED_FOLDERS[0]} {NAMED_FOLDERS[2]}", [
            cls.wav, "--record", "--frames", cls.frames, "--size", "160x120", "--unattended",
            "--video-out", cls.video, "--gl-trace", cls.trace, "--save-frames", "last"])

    def test_writes_the_wav_by_its_name(self):
        self.assertEqual(self.written.returncode, 0, self.written.describe())
        with wave.open(self.wav, "rb") as f:
            self.assertEqual((f.getnchannels(), f.getframerate()), (2, 44100))

    def test_records_from_it_into_files_so_named(self):
        run = self.recorded
        self.assertEqual(run.returncode, 0, run.describe())
        self.assertEqual(run.one("feed")["sampleRate"], 44100, run.describe())
        self.assertEqual(run.one("exit")["videoFrames"], self.frames, run.describe())
        self.assertEqual(os.path.getsize(self.video), self.frames * 160 * 120 * 3)
        self.assertEqual(run.one("glTrace")["path"], self.trace, run.describe())
        self.assertGreater(os.path.getsize(self.trace), 0, "the GL trace is empty")
        self.assertEqual(run.one("frameSaved")["path"], run.path("frame-last.png"), run.describe())
        self.assertTrue(os.path.exists(run.path("frame-last.png")), run.describe())


class DemoWav(unittest.TestCase):
    """--write-demo-wav writes the built-in track and plays nothing."""

    def test_writes_32_seconds_of_16_bit_stereo(self):
        require_build()
        os.makedirs(config.work_dir, exist_ok=True)
        path = os.path.join(config.work_dir, "demo.wav")
        if os.path.exists(path):
            os.remove(path)
        run = PlayerRun("demo_wav", ["--write-demo-wav", path], log=False)
        self.assertEqual(run.returncode, 0, run.describe())
        self.assertEqual(run.our_stderr_lines(), [], run.describe())
        with wave.open(path, "rb") as f:
            self.assertEqual((f.getnchannels(), f.getsampwidth(), f.getframerate(), f.getnframes()),
                             (2, 2, 44100, 32 * 44100))


class DecodedByWindows(unittest.TestCase):
    """Compressed files made with ffmpeg from the demo track, decoded by Windows' Media
    Foundation (Wine's decodes through GStreamer): FLAC gives the WAV's samples exactly; a
    192 kbit/s MP3 gives them with more than 24 dB of signal to noise once its codec delay
    is taken off (26.7 and 30.0 dB measured on its two channels, the demo's hard-edged synth
    being hard on MP3; one sample off gives 21 dB). The plug-in is fed accordingly: the same
    bytes from FLAC as from WAV, the same median loudness within 15% from MP3. A truncated
    MP3 plays what is there. Without Media Foundation the WAV still plays, through the
    player's own reader."""

    seconds = 6
    min_snr_db = 24
    width, height = 160, 120
    # Wine's source reader fails every file with 0x80004005 without these.
    hint = (" (is GStreamer there for this Wine? gstreamer1.0-plugins-base, -good and -libav,"
            " :i386 for 32-bit Wine)")

    @classmethod
    def setUpClass(cls):
        require_build()
        folder = os.path.join(config.work_dir, "compressed")
        os.makedirs(folder, exist_ok=True)
        demo = os.path.join(folder, "demo.wav")
        # The music itself, made by the quicker build where this one is emulated.
        PlayerRun("compressed_demo", ["--write-demo-wav", demo], log=False,
                  bin_dir=config.x86_64_dir if config.emulated else None)
        wav = ffmpeg(demo, os.path.join(folder, "clip.wav"), "-t", str(cls.seconds))
        cls.files = {"wav": wav, "flac": ffmpeg(wav, os.path.join(folder, "clip.flac")),
                     "mp3": ffmpeg(wav, os.path.join(folder, "clip.mp3"),
                                   "-c:a", "libmp3lame", "-b:a", "192k")}
        with open(cls.files["mp3"], "rb") as f:
            mp3 = f.read()
        cls.files["truncated"] = os.path.join(folder, "truncated.mp3")
        with open(cls.files["truncated"], "wb") as f:
            f.write(mp3[:len(mp3) // 2])
        cls.source = wav_samples(wav)
        # Decoded and recorded when a test first asks: a tier may run only some tests.
        cls.decodes, cls.records = {}, {}

    @classmethod
    def decode(cls, kind, path, env=None):
        out = os.path.join(config.work_dir, "compressed", f"decoded-{kind}.wav")
        if os.path.exists(out):
            os.remove(out)
        run = PlayerRun(f"compressed_decode_{kind}", ["--audio", path, "--write-decoded-wav", out],
                        log=False, env=env)
        return run, (wav_samples(out) if run.returncode == 0 else None)

    def decoded(self, kind):
        if kind not in self.decodes:
            if kind == "wav without Media Foundation":
                self.decodes[kind] = self.decode("wav_without_mf", self.files["wav"], env={
                    "WINE_RUN_DLL_OVERRIDES": "mfplat,mfreadwrite=d"})
            else:
                self.decodes[kind] = self.decode(kind, self.files[kind])
        run, decoded = self.decodes[kind]
        self.assertEqual(run.returncode, 0, run.describe() + self.hint)
        self.assertEqual(run.our_stderr_lines(), [], run.describe())
        self.assertEqual(decoded[:2], self.source[:2], "rate and channels" + run.describe())
        return decoded[2]

    def test_flac_and_wav_decode_to_the_same_samples(self):
        for kind in ("wav", "flac", "wav without Media Foundation"):
            samples = self.decoded(kind)
            self.assertEqual(len(samples), len(self.source[2]), kind)
            first = next((i for i, (a, b) in enumerate(zip(samples, self.source[2])) if a != b),
                         None)
            self.assertIsNone(first, f"{kind}: the first differing sample is number {first}")

    def test_mp3_matches_the_wav_after_its_codec_delay(self):
        rate, channels, source = self.source
        decoded = self.decoded("mp3")
        lag = codec_delay(source, decoded, channels)
        self.assertGreaterEqual(len(decoded), len(source) + lag * channels,
                                f"the MP3 decoded to {len(decoded) // channels} frames, "
                                f"delay {lag}")
        for channel in range(channels):
            snr = snr_db(source[channel::channels], decoded[channel::channels], lag)
            self.assertGreater(snr, self.min_snr_db,
                               f"channel {channel}: {snr:.1f} dB after a delay of {lag} frames")

    def test_truncated_mp3_plays_what_is_there(self):
        rate, channels, source = self.source
        decoded = self.decoded("truncated")
        whole = len(self.decoded("mp3"))
        self.assertTrue(0.4 * whole < len(decoded) < 0.6 * whole,
                        f"{len(decoded)} samples from half the file, {whole} from all of it")
        lag = codec_delay(source[:len(decoded)], decoded, channels)
        snr = snr_db(source[0::channels], decoded[0::channels], lag)
        self.assertGreater(snr, self.min_snr_db, f"{snr:.1f} dB after a delay of {lag} frames")

    def test_the_plugin_is_fed_accordingly(self):
        for kind in ("wav", "flac", "mp3"):
            video = os.path.join(config.work_dir, "compressed", f"record-{kind}.rgb")
            run = PlayerRun(f"compressed_record_{kind}", [
                self.files[kind], "--record", "--size", f"{self.width}x{self.height}",
                "--unattended", "--video-out", video])
            self.records[kind] = (run, video)
        energies = {}
        for kind, (run, _) in self.records.items():
            self.assertEqual(run.returncode, 0, run.describe() + self.hint)
            self.assertEqual(run.one("exit")["reason"], "audio-end", run.describe())
            energy = run.one("energy")
            energies[kind] = (energy["median0"], energy["median1"])
        with open(self.records["wav"][1], "rb") as wav, open(self.records["flac"][1], "rb") as flac:
            self.assertTrue(wav.read() == flac.read(), "FLAC and WAV should record the same bytes")
        self.assertEqual(energies["flac"], energies["wav"])
        for channel in range(2):
            mp3, wav = energies["mp3"][channel], energies["wav"][channel]
            self.assertLess(abs(mp3 - wav), 0.15 * wav,
                            f"channel {channel}: median loudness {mp3} from MP3, {wav} from WAV")


class RecordErrors(unittest.TestCase):
    """Input the player refuses: one line on stderr, a nonzero exit, no video left behind."""

    def check_refusal(self, name, args, expected_status, expected_words, stdin_path=None,
                      env=None, absent_words=()):
        video = os.path.join(config.work_dir, name + ".rgb")
        for leftover in (video, video + ".part"):
            if os.path.exists(leftover):
                os.remove(leftover)
        run = PlayerRun(name, list(args) + ["--unattended", "--video-out", video], log=False,
                  stdin_path=stdin_path, env=env)
        lines = run.our_stderr_lines()
        self.assertEqual(run.returncode, expected_status, run.describe())
        self.assertEqual(len(lines), 1, "expected one error line" + run.describe())
        self.assertTrue(lines[0].startswith("zelplay: "), run.describe())
        for word in expected_words:
            self.assertIn(word, lines[0], run.describe())
        for word in absent_words:
            self.assertNotIn(word, lines[0], run.describe())
        self.assertEqual(run.stdout, b"", run.describe())
        self.assertFalse(os.path.exists(video), "a video was left behind" + run.describe())
        self.assertFalse(os.path.exists(video + ".part"), "a partial video was left behind")

    def test_missing_audio_file(self):
        missing = os.path.join(config.work_dir, "no-such-song.wav")
        self.check_refusal("missing_wav", ["--audio", missing, "--record"], 1, ["no-such-song.wav"],
                           absent_words=["convert"])

    def test_named_files_are_named_as_typed(self):
        """Missing, the file is named and no conversion advised; there and not audio, named
        with what the decoders said."""
        missing = os.path.join(config.work_dir, "нет 音楽 😀.wav")
        self.check_refusal("missing_named_wav", [missing, "--record"], 1,
                           [missing + ": cannot open"], absent_words=["convert"])
        not_wav = os.path.join(config.work_dir, "песня 歌 😀.mp3")
        with open(not_wav, "wb") as f:
            f.write(b"ID3\x04\x00" + bytes(64))
        self.check_refusal("not_wav_named", [not_wav, "--record"], 1,
                           [not_wav + ": ", "decoders cannot read it"])

    def test_malformed_wav(self):
        os.makedirs(config.work_dir, exist_ok=True)
        path = os.path.join(config.work_dir, "malformed.wav")
        with open(path, "wb") as f:
            f.write(b"RIFF\x24\x00\x00\x00WAVEfmt \x10\x00\x00\x00" + bytes(20))
        self.check_refusal("malformed_wav", ["--audio", path, "--record"], 1,
                           ["malformed.wav", "plays WAV files"])

    def test_file_that_is_not_audio(self):
        path = os.path.join(config.work_dir, "notes.mp3")
        with open(path, "w", encoding="ascii") as f:
            f.write("Not music: a shopping list named like a song.\n" * 40)
        self.check_refusal("not_audio", ["--audio", path, "--record"], 1,
                           ["notes.mp3", "decoders cannot read it"])

    def test_compressed_file_without_media_foundation(self):
        # As on a Windows "N" edition without the Media Feature Pack.
        wav = os.path.join(config.work_dir, "tone.wav")
        write_wav(wav, 1.0)
        mp3 = ffmpeg(wav, os.path.join(config.work_dir, "tone.mp3"))
        self.check_refusal("no_media_foundation", ["--audio", mp3, "--record"], 1,
                           ["tone.mp3", "no Media Foundation", "Media Feature Pack"],
                           env={"WINE_RUN_DLL_OVERRIDES": "mfplat,mfreadwrite=d"})

    def test_empty_raw_pcm(self):
        self.check_refusal("empty_raw", ["--raw-pcm", "44100", "--record"], 1, ["standard input"])

    def test_window_larger_than_the_screen(self):
        # The session's screen is 1280 x 1024.
        self.check_refusal("too_large", ["--demo-track", "--record", "--frames", "3",
                                         "--size", "4000x3000"], 1, ["4000x3000"])

    def test_bad_values(self):
        self.check_refusal("bad_fps", ["--demo-track", "--record", "--fps", "0"], 2, ["--fps"])
        self.check_refusal("bad_size", ["--demo-track", "--record", "--size", "640"], 2, ["--size"])
        self.check_refusal("bad_pattern", ["--spectrum", "loud", "--record", "--frames", "3"], 2,
                           ["--spectrum"])
        self.check_refusal("two_sources", ["--demo-track", "--spectrum", "left", "--record"], 2,
                           ["choose one"])


if __name__ == "__main__":
    run_checks(__doc__.splitlines()[0], ("--session", "--wrapper", "--bin-dir", "--work-dir"))
