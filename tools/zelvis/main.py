"""Entry point of the zelvis command's demo and play subcommands."""

import argparse
import os
import re
import sys
from pathlib import Path

import demo_video
import live_play
import readme_stills
from wine_host import CommandError


def parse_size(text):
    match = re.fullmatch(r"(\d+)x(\d+)", text)
    if not match or not (16 <= int(match[1]) <= 4096 and 16 <= int(match[2]) <= 2304):
        raise argparse.ArgumentTypeError(f"size must be WIDTHxHEIGHT within 16x16..4096x2304: {text}")
    return int(match[1]), int(match[2])


def parse_fps(text):
    if not text.isdigit() or not 1 <= int(text) <= 240:
        raise argparse.ArgumentTypeError(f"fps must be 1..240: {text}")
    return int(text)


def main(argv):
    root = Path(__file__).resolve().parents[2]
    # The i686 build users install, unless ./zelvis found this machine refuses it.
    player = root / "build" / os.environ.get("ZELVIS_BUILD", "win32") / "zelplay.exe"
    parser = argparse.ArgumentParser(prog="zelvis")
    commands = parser.add_subparsers(dest="command", required=True)
    demo = commands.add_parser("demo", help="render the visualisation into a video")
    demo.add_argument("audio", nargs="*", type=Path, help="audio files ffmpeg reads, and folders "
                      "of them, played in turn; default: the built-in track")
    demo.add_argument("--size", type=parse_size, default=(640, 480))
    demo.add_argument("--fps", type=parse_fps, default=30)
    demo.add_argument("--out", type=Path, default=root / "out" / "demo.mp4")
    demo.add_argument("--db-spectrum", action="store_true",
                      help="feed the livelier decibel spectrum instead of the media player's own")
    play = commands.add_parser("play", help="play music live with the visualisation")
    play.add_argument("audio", nargs="+", type=Path, help="audio files and folders, played in turn")
    commands.add_parser("stills", help="render the README's two frames into docs/")
    args = parser.parse_args(argv)
    try:
        if args.command == "demo":
            demo_video.run(root, player, args.audio, args.size, args.fps, args.out.resolve(),
                           args.db_spectrum)
        elif args.command == "play":
            live_play.run(root, player, args.audio)
        else:
            readme_stills.run(root, player)
    except CommandError as error:
        print(f"zelvis: {error}", file=sys.stderr)
        return 1
    except KeyboardInterrupt:
        return 130
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
