"""./zelvis stills: the two frames the README shows, rendered by the plug-in under
Wine through the player's offline mode, so that they are the same on every run."""

import shutil
import subprocess
from pathlib import Path

from wine_host import CommandError, WineHost, temporary_folder

FPS = 30
# Six seconds into the built-in track: the bass and pad lean left at full level.
LOUD_FRAME = 6 * FPS
# A few seconds of silence: long enough for the trail to fill the window.
QUIET_FRAME = 3 * FPS

STILLS = [
    ("frame-silence.png", ["--spectrum", "silence", "--frames", str(QUIET_FRAME)], QUIET_FRAME),
    ("frame-loud.png", ["--demo-track", "--frames", str(LOUD_FRAME)], LOUD_FRAME),
]


def run(root: Path, player: Path):
    docs = root / "docs"
    work = temporary_folder(root)
    with WineHost(root, need_own_display=True) as host:
        for name, source, frame in STILLS:
            out_dir = work / name
            out_dir.mkdir()
            # Swap 0 is init's cleared frame, so frame k is presented by swap k.
            args = [*source, "--record", "--fps", str(FPS), "--size", "640x480",
                    "--video-out", "NUL", "--unattended",
                    "--save-frames", str(frame), "--out-dir", str(out_dir)]
            status = host.popen(player, args, stdin=subprocess.DEVNULL,
                                stdout=subprocess.DEVNULL).wait()
            saved = out_dir / f"frame-{frame}.png"
            if status != 0 or not saved.exists():
                raise CommandError(f"the player could not render {name} (exit {status})")
            shutil.copyfile(saved, docs / name)
            print(f"zelvis: {docs / name}")
    shutil.rmtree(work, ignore_errors=True)
