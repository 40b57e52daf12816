"""./zelvis play: the player plays the music while the plug-in draws in its window
on the user's display."""

import os
import subprocess
from pathlib import Path

import audio_input
from wine_host import CommandError, WineHost


def run(root: Path, player: Path, audio: Path):
    if not os.environ.get("DISPLAY"):
        raise CommandError("no display: 'play' needs a desktop session (DISPLAY is not set)")
    audio_input.require_ffmpeg()
    audio_input.check_audio_file(audio)
    with WineHost(root, need_own_display=False) as host:
        feed = audio_input.decoder(audio)
        play = host.popen(player, ["--raw-pcm", str(audio_input.SAMPLE_RATE)], stdin=feed.stdout)
        feed.stdout.close()
        status = play.wait()
        feed.wait()
    if status != 0:
        raise CommandError(f"the player ended with exit code {status}")
