#include "queue/now_playing.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

std::string clockText(double seconds)
{
    const auto whole = static_cast<long long>(std::floor(std::max(seconds, 0.0)));
    char text[32];
    if (whole >= 3600) {
        std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", whole / 3600, whole / 60 % 60, whole % 60);
    } else {
        std::snprintf(text, sizeof text, "%lld:%02lld", whole / 60, whole % 60);
    }
    return text;
}

std::string trackDisplayName(std::string_view source, bool file)
{
    if (!file) {
        return std::string(source);
    }
    const std::size_t slash = source.find_last_of("\\/");
    std::string_view name = slash == std::string_view::npos ? source : source.substr(slash + 1);
    // A leading dot names a file; it is no extension.
    if (const std::size_t dot = name.find_last_of('.'); dot != std::string_view::npos && dot > 0) {
        name = name.substr(0, dot);
    }
    return std::string(name);
}

std::string nowPlayingTitle(const NowPlaying& playing)
{
    std::string title =
        trackDisplayName(playing.source, playing.file) + " \u2014 " + clockText(playing.position);
    if (playing.length) {
        title += " / " + clockText(*playing.length);
    }
    if (playing.paused) {
        title += " (paused)";
    }
    return title + " \u2014 zelplay";
}
