#pragma once
// One visualisation run, as the media player drives it: init, a render call per
// frame while the host's messages are pumped, quit. Live, the frames follow the
// music as it plays; recording, they follow the player's own clock.

#include "audio_track.h"
#include "host_log.h"
#include "host_window.h"
#include "options.h"
#include "plugin_loader.h"
#include "video_output.h"

#include <cstdint>
#include <string>

// The plug-in's clock at the first frame of a recording, and during its init.
constexpr std::uint32_t recordStartMs = 0;

struct RunMedia {
    const AudioTrack* track = nullptr; // null: no audio; the options' pattern, if any, instead
    VideoOutput* video = nullptr;      // where a recording's frames go; null: nowhere
};

enum class RunOutcome {
    completed,   // frames done, the audio's end, a WM_QUIT from the plug-in, or the player's window closed
    initFailed,  // init answered nonzero
    failed,      // the run could not go on; the reason is in `error`
};

RunOutcome runPlugin(const LoadedPlugin& plugin, HostWindow& host, const PlayerOptions& options,
                     const RunMedia& media, HostLog& log, std::string& error);
