#pragma once
// What the player's window title, and so its taskbar entry, says of the track playing:
// "name — 1:23 / 4:56 — zelplay", with "(paused)" after the times while it is paused.

#include <optional>
#include <string>
#include <string_view>

// "m:ss", or "h:mm:ss" from an hour on; negative times read as 0.
std::string clockText(double seconds);

// The track's name as a user knows it: a file's name without its folder or extension;
// any other source (the built-in track, standard input) by its own name.
std::string trackDisplayName(std::string_view source, bool file);

struct NowPlaying {
    std::string_view source; // the file's path, or the source's name
    bool file = true;
    double position = 0.0;   // seconds
    std::optional<double> length; // empty for a stream whose length is known only at its end
    bool paused = false;
};

std::string nowPlayingTitle(const NowPlaying& playing);
