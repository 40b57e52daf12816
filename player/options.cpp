#include "options.h"

#include "audio_track.h"
#include "frame_timing.h"

#include <cerrno>
#include <cstdlib>
#include <string_view>

const char* const usageText =
    "usage: zelplay [FILE.wav] [options]\n"
    "without any argument the built-in track plays live; a bare file path plays that file\n"
    "audio (one of them; without any the spectrum stays at zero):\n"
    "  --audio FILE.wav        play a WAV file\n"
    "  --raw-pcm RATE          play 16-bit little-endian stereo PCM at RATE Hz from standard input\n"
    "  --demo-track            play the built-in demo track\n"
    "  --spectrum PATTERN      show a fixed spectrum: silence, left, right, both or random\n"
    "  --db-spectrum           hand the plug-in our decibel spectrum, livelier than the media\n"
    "                          player's own, which is the default\n"
    "  --write-demo-wav FILE   write the demo track as a WAV file and exit\n"
    "recording (offline, on the player's own clock; the same input gives the same frames):\n"
    "  --record                render as fast as possible instead of playing the audio\n"
    "  --video-out PATH        write the frames as raw RGB24, top row first; '-' is standard output\n"
    "  --fps N                 frames per second of the recording (default 30); live, frames\n"
    "                          follow the plug-in's own delay, as in the media player\n"
    "  --size WxH              client size of the visualisation window (recording: 640x480)\n"
    "  --progress              print 'progress <done> <total>' on stderr for every frame\n"
    "host:\n"
    "  --plugin PATH           visualisation DLL to host (default: vis_zel.dll beside zelplay);\n"
    "                          given again, the next start loads the next one\n"
    "  --frames N              render at most N frames, then stop (default: to the end of the\n"
    "                          audio, or until the plug-in ends the visualisation)\n"
    "  --unattended            answer the plug-in's message boxes with OK (logged)\n"
    "  --old-host              reply 0 to the plug-in's version probe\n"
    "  --about                 call the module's config entry before init\n"
    "  --log FILE              write what the host observes, one JSON object a line\n"
    "  --save-frames LIST      save presented frames as PNG: swap indices and 'last', e.g. 0,10,last\n"
    "                          (swap 0 is presented by init, swap k by the k-th render call)\n"
    "  --out-dir DIR           folder for saved frames (default: current folder)\n"
    "  --send-close-after N    post WM_CLOSE to the plug-in window after N frames\n"
    "  --gl-trace FILE         write every OpenGL call the plug-in makes, one line each\n"
    "host behaviours (by default zelplay hosts the plug-in as the media player does: each start\n"
    "on a thread of its own that loads the DLL, calls init, then render every delayMs while it\n"
    "pumps messages, then quit, and frees the DLL; no quit after a failed init; the player's\n"
    "window and its messages stay on the main thread, which stops a start by pumping for at\n"
    "most 2 s while it waits for the thread, then waiting without pumping):\n"
    "  --vis-thread            a thread per start (the default)\n"
    "  --single-thread         call the plug-in on the thread of the player's window instead\n"
    "  --starts N              start the visualisation N times in this one process\n"
    "  --keep-loaded           keep the DLL loaded between starts instead of freeing it\n"
    "  --render-thread         call render on a thread of its own, not init's\n"
    "  --ignore-init-result    render and quit even after init failed\n"
    "  --ignore-render-result  go on rendering when render answers nonzero\n"
    "  --render-after-quit N   call render N more times after quit\n"
    "  --quit-twice            call quit a second time\n"
    "  --stop-without-pumping  wait for the rendering thread without pumping at all\n"
    "  --wait-for-wm-quit      end the rendering loop only on WM_QUIT: a stop or render's\n"
    "                          answer only calls quit, and render goes on until WM_QUIT\n"
    "  --parent KIND           give the plug-in null, the desktop or a hidden 0x0 window\n"
    "                          (null, desktop, hidden) instead of the player's window\n"
    "  --null-instance         leave the module's dllInstance null\n"
    "  --config-after N        press the player's Configure button after N frames\n"
    "  --commands-after N      send the plug-in's window the player's commands after N frames\n"
    "  --pause-after N         pause for a second after N frames\n"
    "  --resize-on-notice      size the plug-in's window to the player's client area when it is\n"
    "                          announced and whenever the player's window is resized; --size\n"
    "                          then sizes the player's window\n"
    "  --destroy-host-after N  destroy the player's window after N frames (with the plug-in's\n"
    "                          window, where the two share a thread), then go on rendering\n"
    "                          until render answers nonzero, at most 50 more frames\n"
    "  --help                  this text\n"
    "a render call that answers nonzero ends the visualisation, and quit follows\n"
    "exit status: 0 run completed, 1 failure (plug-in not loaded, audio unreadable, output\n"
    "             not written), 2 bad arguments, 3 the plug-in's init failed\n";

namespace {

std::optional<long> parseCount(std::string_view text)
{
    if (text.empty() || text.front() < '0' || text.front() > '9') {
        return std::nullopt;
    }
    const std::string copy(text);
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(copy.c_str(), &end, 10);
    if (errno != 0 || *end != '\0') {
        return std::nullopt;
    }
    return value;
}

std::optional<int> parseInRange(std::string_view text, long low, long high)
{
    const auto value = parseCount(text);
    if (!value || *value < low || *value > high) {
        return std::nullopt;
    }
    return static_cast<int>(*value);
}

bool parseSwapList(std::string_view list, PlayerOptions& options)
{
    if (list.empty()) {
        return false;
    }
    while (true) {
        const size_t comma = list.find(',');
        const std::string_view item = list.substr(0, comma);
        if (item == "last") {
            options.saveLastSwap = true;
        } else if (const auto index = parseCount(item)) {
            options.saveSwaps.push_back(*index);
        } else {
            return false;
        }
        if (comma == std::string_view::npos) {
            return true;
        }
        list.remove_prefix(comma + 1);
    }
}

std::optional<ParentWindow> parseParent(std::string_view text)
{
    if (text == "null") return ParentWindow::none;
    if (text == "desktop") return ParentWindow::desktop;
    if (text == "hidden") return ParentWindow::hidden;
    return std::nullopt;
}

std::optional<FrameSize> parseSize(std::string_view text)
{
    const size_t cross = text.find('x');
    if (cross == std::string_view::npos) {
        return std::nullopt;
    }
    const auto width = parseInRange(text.substr(0, cross), 1, maxFrameSide);
    const auto height = parseInRange(text.substr(cross + 1), 1, maxFrameSide);
    if (!width || !height) {
        return std::nullopt;
    }
    return FrameSize{.width = *width, .height = *height};
}

// Combinations that parse but cannot work together.
bool checkCombination(const PlayerOptions& options, int sources, std::string& error)
{
    if (sources > 1) {
        error = "choose one of --audio, --raw-pcm, --demo-track and --spectrum";
        return false;
    }
    if (!options.record && !options.videoOut.empty()) {
        error = "--video-out needs --record";
        return false;
    }
    if (!options.record && options.progress) {
        error = "--progress needs --record";
        return false;
    }
    if (options.record && options.audio == AudioSource::none && !options.frames) {
        error = "--record needs --audio, --raw-pcm or --demo-track, or a number of --frames";
        return false;
    }
    if (options.starts > 1 && !options.videoOut.empty()) {
        error = "--video-out records one start: leave out --starts";
        return false;
    }
    if (options.starts > 1 && options.audio == AudioSource::rawPcm) {
        error = "--raw-pcm is read once: leave out --starts";
        return false;
    }
    if (options.keepLoaded && options.pluginPaths.size() > 1) {
        error = "--keep-loaded keeps one DLL: give one --plugin";
        return false;
    }
    if (options.singleThread && options.stopWithoutPumping) {
        error = "--stop-without-pumping needs the rendering thread: leave out --single-thread";
        return false;
    }
    return true;
}

} // namespace

std::optional<PlayerOptions> parseOptions(int argc, char** argv, std::string& error)
{
    PlayerOptions options;
    int sources = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string_view name = argv[i];
        const auto value = [&]() -> const char* {
            return i + 1 < argc ? argv[++i] : nullptr;
        };
        const auto countValue = [&](std::optional<long>& into) {
            const char* text = value();
            into = text != nullptr ? parseCount(text) : std::nullopt;
            if (!into) {
                error = std::string(name) + " needs a non-negative whole number";
            }
            return into.has_value();
        };
        const auto rangeValue = [&](int& into, long low, long high) {
            const char* text = value();
            const auto parsed = text != nullptr ? parseInRange(text, low, high) : std::nullopt;
            if (!parsed) {
                error = std::string(name) + " needs a whole number from " + std::to_string(low) +
                        " to " + std::to_string(high);
                return false;
            }
            into = *parsed;
            return true;
        };
        const auto textValue = [&](std::string& into) {
            const char* text = value();
            if (text == nullptr || *text == '\0') {
                error = std::string(name) + " needs a value";
                return false;
            }
            into = text;
            return true;
        };

        if (name == "--plugin") {
            if (!textValue(options.pluginPaths.emplace_back())) return std::nullopt;
        } else if (name == "--starts") {
            int starts = 0;
            if (!rangeValue(starts, 1, maxStarts)) return std::nullopt;
            options.starts = starts;
        } else if (name == "--keep-loaded") {
            options.keepLoaded = true;
        } else if (name == "--render-thread") {
            options.renderThread = true;
        } else if (name == "--ignore-init-result") {
            options.ignoreInitResult = true;
        } else if (name == "--ignore-render-result") {
            options.ignoreRenderResult = true;
        } else if (name == "--render-after-quit") {
            std::optional<long> count;
            if (!countValue(count)) return std::nullopt;
            options.rendersAfterQuit = *count;
        } else if (name == "--quit-twice") {
            options.quitTwice = true;
        } else if (name == "--stop-without-pumping") {
            options.stopWithoutPumping = true;
        } else if (name == "--wait-for-wm-quit") {
            options.waitForQuitMessage = true;
        } else if (name == "--parent") {
            const char* text = value();
            const auto parent = text != nullptr ? parseParent(text) : std::nullopt;
            if (!parent) {
                error = "--parent needs one of null, desktop, hidden";
                return std::nullopt;
            }
            options.parent = *parent;
        } else if (name == "--null-instance") {
            options.nullInstance = true;
        } else if (name == "--config-after") {
            if (!countValue(options.configAfter)) return std::nullopt;
        } else if (name == "--commands-after") {
            if (!countValue(options.commandsAfter)) return std::nullopt;
        } else if (name == "--pause-after") {
            if (!countValue(options.pauseAfter)) return std::nullopt;
        } else if (name == "--db-spectrum") {
            options.scale = SpectrumScale::decibel;
        } else if (name == "--frames") {
            if (!countValue(options.frames)) return std::nullopt;
        } else if (name == "--send-close-after") {
            if (!countValue(options.sendCloseAfter)) return std::nullopt;
        } else if (name == "--destroy-host-after") {
            if (!countValue(options.destroyHostAfter)) return std::nullopt;
        } else if (name == "--vis-thread") {
            options.singleThread = false;
        } else if (name == "--single-thread") {
            options.singleThread = true;
        } else if (name == "--resize-on-notice") {
            options.resizeOnNotice = true;
        } else if (name == "--gl-trace") {
            if (!textValue(options.glTracePath)) return std::nullopt;
        } else if (name == "--log") {
            if (!textValue(options.logPath)) return std::nullopt;
        } else if (name == "--out-dir") {
            if (!textValue(options.outDir)) return std::nullopt;
        } else if (name == "--save-frames") {
            std::string list;
            if (!textValue(list)) return std::nullopt;
            if (!parseSwapList(list, options)) {
                error = "--save-frames needs swap indices or 'last', separated by commas";
                return std::nullopt;
            }
        } else if (name == "--audio") {
            if (!textValue(options.audioPath)) return std::nullopt;
            options.audio = AudioSource::wavFile;
            ++sources;
        } else if (name == "--raw-pcm") {
            if (!rangeValue(options.rawPcmRate, minSampleRate, maxSampleRate)) return std::nullopt;
            options.audio = AudioSource::rawPcm;
            ++sources;
        } else if (name == "--demo-track") {
            options.audio = AudioSource::demo;
            ++sources;
        } else if (name == "--spectrum") {
            std::string pattern;
            if (!textValue(pattern)) return std::nullopt;
            options.pattern = parseSpectrumPattern(pattern);
            if (!options.pattern) {
                error = "--spectrum needs one of silence, left, right, both, random";
                return std::nullopt;
            }
            ++sources;
        } else if (name == "--write-demo-wav") {
            if (!textValue(options.demoWavPath)) return std::nullopt;
        } else if (name == "--record") {
            options.record = true;
        } else if (name == "--video-out") {
            if (!textValue(options.videoOut)) return std::nullopt;
        } else if (name == "--fps") {
            if (!rangeValue(options.fps, minFramesPerSecond, maxFramesPerSecond)) return std::nullopt;
        } else if (name == "--size") {
            const char* text = value();
            options.size = text != nullptr ? parseSize(text) : std::nullopt;
            if (!options.size) {
                error = "--size needs WIDTHxHEIGHT, each from 1 to " + std::to_string(maxFrameSide) +
                        ", e.g. 640x480";
                return std::nullopt;
            }
        } else if (name == "--progress") {
            options.progress = true;
        } else if (name == "--unattended") {
            options.unattended = true;
        } else if (name == "--old-host") {
            options.oldHost = true;
        } else if (name == "--about") {
            options.showAbout = true;
        } else if (name == "--help") {
            options.help = true;
        } else if (!name.starts_with("-")) {
            // A file dropped on the player, or named without an option.
            options.audioPath = name;
            options.audio = AudioSource::wavFile;
            ++sources;
        } else {
            error = "unknown option '" + std::string(name) + "'";
            return std::nullopt;
        }
    }
    if (argc <= 1) {
        options.audio = AudioSource::demo;
    }
    if (!options.help && options.demoWavPath.empty() && !checkCombination(options, sources, error)) {
        return std::nullopt;
    }
    return options;
}
