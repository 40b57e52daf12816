#include "options.h"

#include "frame_timing.h"
#include "queue/player_keys.h"

#include <CLI/CLI.hpp>

#include <charconv>
#include <climits>
#include <functional>
#include <string_view>
#include <utility>

namespace {

std::optional<long> parseCount(std::string_view text)
{
    long value = 0;
    const char* last = text.data() + text.size();
    const auto [end, status] = std::from_chars(text.data(), last, value);
    if (text.empty() || text.front() == '-' || status != std::errc() || end != last) {
        return std::nullopt;
    }
    return value;
}

// NOTE: CLI11 reads numbers as strtol does in base 0, "010" as 8 and "0x10" as 16;
// this hands it plain decimal only, within the option's range.
CLI::Validator wholeNumber(long low = 0, long high = LONG_MAX)
{
    const std::string needs = high == LONG_MAX
                                  ? "needs a non-negative whole number"
                                  : "needs a whole number from " + std::to_string(low) + " to " +
                                        std::to_string(high);
    return {[=](std::string& text) {
                const auto value = parseCount(text);
                if (!value || *value < low || *value > high) {
                    return needs;
                }
                text = std::to_string(*value);
                return std::string();
            },
            ""};
}

// Takes the option's text in with `read`, which answers false for text that is not
// what the option `needs`.
CLI::Validator reading(std::function<bool(const std::string&)> read, std::string needs)
{
    return {[read = std::move(read), needs = std::move(needs)](const std::string& text) {
                return read(text) ? std::string() : needs;
            },
            ""};
}

// Reads the option's text into `into` with `parse`, which answers nothing for text
// that is not what the option `needs`.
template <typename T, typename Parse>
CLI::Validator parsedInto(T& into, Parse parse, std::string needs)
{
    return reading(
        [&into, parse](const std::string& text) {
            const auto value = parse(text);
            if (value) {
                into = *value;
            }
            return value.has_value();
        },
        std::move(needs));
}

const CLI::Validator nonEmpty =
    reading([](const std::string& text) { return !text.empty(); }, "needs a value");

void addText(CLI::App& app, const char* name, std::string& into, const char* type, const char* help)
{
    app.add_option(name, into, help)->type_name(type)->check(nonEmpty);
}

template <typename Count>
void addCount(CLI::App& app, const char* name, Count& into, const char* help)
{
    app.add_option(name, into, help)->type_name("N")->transform(wholeNumber());
}

bool readSwapList(std::string_view list, PlayerOptions& options)
{
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

// FRAMES:KEY, ... (a key by its name in player_keys.h).
bool readKeyList(std::string_view list, PlayerOptions& options)
{
    while (true) {
        const size_t comma = list.find(',');
        const std::string_view item = list.substr(0, comma);
        const size_t colon = item.find(':');
        const auto frames = parseCount(item.substr(0, colon));
        const auto code = colon == std::string_view::npos ? std::nullopt : keyCodeNamed(item.substr(colon + 1));
        if (!frames || !code) {
            return false;
        }
        options.keyPresses.push_back(KeyPress{.afterFrames = *frames, .code = *code});
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
    const auto width = parseCount(text.substr(0, cross));
    const auto height =
        cross == std::string_view::npos ? std::nullopt : parseCount(text.substr(cross + 1));
    const auto fits = [](std::optional<long> side) {
        return side && *side >= 1 && *side <= maxFrameSide;
    };
    if (!fits(width) || !fits(height)) {
        return std::nullopt;
    }
    return FrameSize{.width = static_cast<int>(*width), .height = static_cast<int>(*height)};
}

// Files and folders as bare paths, and with --audio; the queue plays the first, then the others.
struct QueuedPaths {
    std::vector<std::string> bare;
    std::vector<std::string> named;
};

void describeAudio(CLI::App& app, PlayerOptions& options, QueuedPaths& paths)
{
    app.add_option("FILE", paths.bare,
                   "play these audio files and folders in turn, as --audio does (what is\n"
                   "dropped on zelplay)")
        ->type_name("")
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll)
        ->check(nonEmpty);
    app.option_defaults()->group("Audio (one source; without any the spectrum stays at zero)");
    app.add_option("--audio", paths.named,
                   "play an audio file: WAV, or what Windows decodes (MP3, AAC/M4A,\n"
                   "WMA, FLAC...) through Media Foundation; or a folder's audio files,\n"
                   "subfolders included, in the natural order of their names; given\n"
                   "again, or with more FILEs, a queue played in turn")
        ->type_name("FILE")
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll)
        ->check(nonEmpty);
    app.add_option("--raw-pcm", options.rawPcmRate,
                   "play 16-bit little-endian stereo PCM at RATE Hz from standard input")
        ->type_name("RATE")
        ->transform(wholeNumber(minSampleRate, maxSampleRate));
    app.add_flag("--demo-track")->description("play the built-in demo track");
    app.add_option("--spectrum", "show a fixed spectrum: silence, left, right, both or random")
        ->type_name("PATTERN")
        ->check(parsedInto(options.pattern, parseSpectrumPattern,
                           "needs one of silence, left, right, both, random"));
    app.add_flag_callback("--db-spectrum", [&] { options.scale = SpectrumScale::decibel; },
                          "hand the plug-in our decibel spectrum, livelier than the media\n"
                          "player's own, which is the default");
    addText(app, "--write-demo-wav", options.demoWavPath, "FILE",
            "write the demo track as a WAV file and exit");
    addText(app, "--write-decoded-wav", options.decodedWavPath, "FILE",
            "write the audio source as the player decoded it, the samples the\n"
            "spectrum is computed from, as a 16-bit WAV file and exit");
}

void describeRecording(CLI::App& app, PlayerOptions& options)
{
    app.option_defaults()->group(
        "Recording (offline, on the player's own clock; the same input gives the same frames)");
    app.add_flag("--record", options.record,
                 "render as fast as possible instead of playing the audio");
    addText(app, "--video-out", options.videoOut, "PATH",
            "write the frames as raw RGB24, top row first; '-' is standard output");
    app.add_option("--fps", options.fps,
                   "frames per second of the recording (default 30); live, frames\n"
                   "follow the plug-in's own delay, as in the media player")
        ->type_name("N")
        ->transform(wholeNumber(minFramesPerSecond, maxFramesPerSecond));
    app.add_option("--size", "client size of the visualisation window (recording: 640x480)")
        ->type_name("WxH")
        ->check(parsedInto(options.size, parseSize,
                           "needs WIDTHxHEIGHT, each from 1 to " + std::to_string(maxFrameSide) +
                               ", e.g. 640x480"));
    app.add_flag("--progress", options.progress,
                 "print 'progress <done> <total>' on stderr for every frame (a total\n"
                 "of 0: a track whose length is known only at its end, raw PCM on\n"
                 "standard input or a compressed file)");
}

void describeHosting(CLI::App& app, PlayerOptions& options)
{
    app.option_defaults()->group("Hosting behaviours (the default is the media player's, below)");
    app.add_flag("--single-thread,!--vis-thread", options.singleThread,
                 "call the plug-in on the thread of the player's window instead of\n"
                 "a thread per start (--vis-thread, the default)");
    app.add_option("--starts", options.starts, "start the visualisation N times in one process")
        ->type_name("N")
        ->transform(wholeNumber(1, maxStarts));
    app.add_flag("--keep-loaded", options.keepLoaded,
                 "keep the DLL loaded between starts instead of freeing it");
    app.add_flag("--render-thread", options.renderThread,
                 "call render on a thread of its own, not init's");
    app.add_flag("--ignore-init-result", options.ignoreInitResult,
                 "render and quit even after init failed");
    app.add_flag("--ignore-render-result", options.ignoreRenderResult,
                 "go on rendering when render answers nonzero");
    addCount(app, "--render-after-quit", options.rendersAfterQuit,
             "call render N more times after quit");
    app.add_flag("--quit-twice", options.quitTwice, "call quit a second time");
    app.add_flag("--stop-without-pumping", options.stopWithoutPumping,
                 "wait for the rendering thread without pumping at all");
    app.add_flag("--wait-for-wm-quit", options.waitForQuitMessage,
                 "end the rendering loop only on WM_QUIT: a stop or render's\n"
                 "answer only calls quit, and render goes on until WM_QUIT");
    app.add_option("--parent", "give the plug-in null, the desktop or a hidden 0x0 window\n"
                               "(null, desktop, hidden) instead of the player's window")
        ->type_name("KIND")
        ->check(parsedInto(options.parent, parseParent, "needs one of null, desktop, hidden"));
    app.add_flag("--null-instance", options.nullInstance, "leave the module's dllInstance null");
    app.add_flag("--old-host", options.oldHost, "reply 0 to the plug-in's version probe");
    app.add_flag("--about", options.showAbout, "call the module's config entry before init");
    app.add_flag("--unattended", options.unattended,
                 "answer the plug-in's message boxes with OK (logged)");
    addCount(app, "--config-after", options.configAfter,
             "press the player's Configure button after N frames");
    addCount(app, "--commands-after", options.commandsAfter,
             "send the plug-in's window the player's commands after N frames");
    addCount(app, "--pause-after", options.pauseAfter, "pause for a second after N frames");
    addCount(app, "--send-close-after", options.sendCloseAfter,
             "post WM_CLOSE to the plug-in window after N frames");
    app.add_option("--keys", "press keys on the plug-in's window, as a listener would: each\n"
                             "after N frames, e.g. 3:space,6:right,9:n (keys: space, left,\n"
                             "right, n, p, pagedown, pageup, f, esc, q)")
        ->type_name("N:KEY,...")
        ->check(reading([&](const std::string& text) { return readKeyList(text, options); },
                        "needs N:KEY items separated by commas, e.g. 3:space,6:right"));
    addCount(app, "--destroy-host-after", options.destroyHostAfter,
             "destroy the player's window after N frames (with the plug-in's\n"
             "window, where the two share a thread; with --render-thread\n"
             "there, while the next frame is drawn), then go on rendering\n"
             "until render answers nonzero, at most 50 more frames; a later\n"
             "start opens a new window");
    app.add_flag("--resize-on-notice", options.resizeOnNotice,
                 "size the plug-in's window to the player's client area when it is\n"
                 "announced and whenever the player's window is resized; --size\n"
                 "then sizes the player's window");
}

void describeTracing(CLI::App& app, PlayerOptions& options)
{
    app.option_defaults()->group("Tracing");
    addText(app, "--log", options.logPath, "FILE",
            "write what the host observes, one JSON object a line");
    app.add_option("--save-frames",
                   "save presented frames as PNG: swap indices and 'last', e.g. 0,10,last\n"
                   "(swap 0 is presented by init, swap k by the k-th render call)")
        ->type_name("LIST")
        ->check(reading([&](const std::string& text) { return readSwapList(text, options); },
                        "needs swap indices or 'last', separated by commas"));
    addText(app, "--out-dir", options.outDir, "DIR",
            "folder for saved frames (default: current folder)");
    addText(app, "--gl-trace", options.glTracePath, "FILE",
            "write every OpenGL call the plug-in makes, one line each");
    addCount(app, "--watchdog", options.watchdogSeconds,
             "end the run, with status 4, when it takes no step for N seconds, and say\n"
             "in which call of which start and frame it stood");
}

// The music the options chose, and how many sources they named: more than one cannot work.
int chooseAudio(const CLI::App& app, PlayerOptions& options)
{
    constexpr std::pair<const char*, AudioSource> sources[] = {
        {"FILE", AudioSource::file}, {"--audio", AudioSource::file},
        {"--raw-pcm", AudioSource::rawPcm}, {"--demo-track", AudioSource::demo},
        {"--spectrum", AudioSource::none},
    };
    int given = 0;
    bool files = false;
    for (const auto& [name, source] : sources) {
        const auto count = static_cast<int>(app.count(name));
        if (count > 0 && source != AudioSource::none) {
            options.audio = source;
        }
        // Every file and folder named is one source: the queue.
        if (count > 0 && source == AudioSource::file) {
            given += files ? 0 : 1;
            files = true;
            continue;
        }
        given += count;
    }
    return given;
}

// Combinations that parse but cannot work together.
bool checkCombination(const PlayerOptions& options, int sources, std::string& error)
{
    const std::pair<bool, const char*> refusals[] = {
        {sources > 1, "choose one of --audio, --raw-pcm, --demo-track and --spectrum"},
        {!options.decodedWavPath.empty() && options.audio == AudioSource::none,
         "--write-decoded-wav needs --audio, --raw-pcm or --demo-track"},
        {!options.decodedWavPath.empty() && options.audioPaths.size() > 1,
         "--write-decoded-wav writes one track: give one file"},
        {options.record && !options.keyPresses.empty(),
         "--keys steers live play: leave out --record"},
        {!options.record && !options.videoOut.empty(), "--video-out needs --record"},
        {!options.record && options.progress, "--progress needs --record"},
        {options.record && options.audio == AudioSource::none && !options.frames,
         "--record needs --audio, --raw-pcm or --demo-track, or a number of --frames"},
        {options.starts > 1 && !options.videoOut.empty(),
         "--video-out records one start: leave out --starts"},
        {options.starts > 1 && options.audio == AudioSource::rawPcm,
         "--raw-pcm is read once: leave out --starts"},
        {options.keepLoaded && options.pluginPaths.size() > 1,
         "--keep-loaded keeps one DLL: give one --plugin"},
        {options.singleThread && options.stopWithoutPumping,
         "--stop-without-pumping needs the rendering thread: leave out --single-thread"},
    };
    for (const auto& [refused, reason] : refusals) {
        if (refused) {
            error = reason;
            return false;
        }
    }
    return true;
}

} // namespace

std::optional<PlayerOptions> parseOptions(int argc, char** argv, std::string& error)
{
    PlayerOptions options;
    CLI::App app("zelplay hosts a visualisation plug-in and drives it with music, live or into a\n"
                 "video. Without any argument the built-in track plays live.\n",
                 "zelplay");
    app.get_formatter()->column_width(26);
    // NOTE: on Windows CLI11 would take "/NAME" for an option; a path named the Unix way,
    // as Wine hands it on, would then be an unknown option instead of a file to play.
    app.allow_windows_style_options(false);
    // An option given twice counts once, the last; --plugin and --save-frames gather theirs.
    app.option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast)->group("General");
    app.set_help_flag("--help", "this text");
    app.set_version_flag("--version", "zelplay " ZELVIS_VERSION " (zelVis)",
                         "print zelplay's version");
    app.add_option("--plugin", options.pluginPaths,
                   "visualisation DLL to host (default: vis_zel.dll beside zelplay);\n"
                   "given again, the next start loads the next one")
        ->type_name("PATH")
        ->check(nonEmpty);
    addCount(app, "--frames", options.frames,
             "render at most N frames, then stop (default: to the end of the\n"
             "audio, or until the plug-in ends the visualisation)");
    QueuedPaths paths;
    describeAudio(app, options, paths);
    describeRecording(app, options);
    describeHosting(app, options);
    describeTracing(app, options);
    app.footer("By default zelplay hosts the plug-in as the media player does: each start on a\n"
               "thread of its own that loads the DLL, calls init, then render every delayMs while\n"
               "it pumps messages, then quit, and frees the DLL; no quit after a failed init; the\n"
               "player's window and its messages stay on the main thread, which stops a start by\n"
               "pumping for at most 2 s while it waits for the thread, then waiting without\n"
               "pumping. A render call that answers nonzero ends the visualisation; quit follows.\n"
               "\n"
               "Keys while the visualisation has the focus: Space pauses and plays on; Left and\n"
               "Right go 5 s back and on in the track (with Shift 30 s); N or Page Down plays the\n"
               "next track, P or Page Up the one before (at the first, the track again); F fills\n"
               "the screen, and F again gives the visualisation its own size back; Esc or Q stop.\n"
               "The player's window title shows the track, where it is and how long it lasts.\n"
               "\n"
               "Exit status: 0 run completed, 1 failure (plug-in not loaded, no audio that plays,\n"
               "output not written), 2 bad arguments, 3 the plug-in's init failed.");
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp&) {
        // NOTE: CLI11 leaves two blank lines after each group of options.
        options.infoText = CLI::detail::find_and_replace(app.help(), "\n\n\n", "\n\n");
        return options;
    } catch (const CLI::CallForVersion& version) {
        options.infoText = version.what() + std::string("\n");
        return options;
    } catch (const CLI::ParseError& refusal) {
        error = refusal.what();
        return std::nullopt;
    }
    options.audioPaths = std::move(paths.bare);
    options.audioPaths.insert(options.audioPaths.end(), paths.named.begin(), paths.named.end());
    const int sources = chooseAudio(app, options);
    if (argc <= 1) {
        options.audio = AudioSource::demo;
    }
    if (options.demoWavPath.empty() && !checkCombination(options, sources, error)) {
        return std::nullopt;
    }
    return options;
}
