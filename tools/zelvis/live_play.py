"""./zelvis play: the player plays the music while the plug-in draws in its window
on the user's display. The player gets the files and folders themselves, as when they
are dropped on it, and plays them in turn: its keys and window title steer and show them."""

import os
from pathlib import Path

from wine_host import CommandError, WineHost


def run(root: Path, player: Path, audio):
    if not os.environ.get("DISPLAY"):
        raise CommandError("no display: 'play' needs a desktop session (DISPLAY is not set)")
    for path in audio:
        if not path.exists():
            raise CommandError(f"no such file or folder: {path}")
    with WineHost(root, need_own_display=False) as host:
        play = host.popen(player, [str(path.resolve()) for path in audio])
        status = play.wait()
    if status != 0:
        raise CommandError(f"the player ended with exit code {status}")
