// zelplay: a stand-in for the media player that hosts a visualisation plug-in,
// made to drive the plug-in unattended and record what a host can observe.

#include "audio_input.h"
#include "console_text.h"
#include "frame_timing.h"
#include "host_log.h"
#include "hosting/host_window.h"
#include "hosting/plugin_start.h"
#include "hosting/start_thread.h"
#include "options.h"
#include "recording/frame_capture.h"
#include "recording/video_output.h"
#include "tracing/gl_trace.h"
#include "tracing/watchdog.h"
#include "win32_error.h"
#include "demo_track.h"
#include "utf8_file.h"
#include "wav_writer.h"

#include <algorithm>
#include <cstdio>
#include <functional>
#include <optional>
#include <vector>

namespace {

constexpr int exitOk = 0;
constexpr int exitFailure = 1;
constexpr int exitUsage = 2;
constexpr int exitInitFailed = 3;

int failWith(int code, const std::string& message)
{
    reportError(message);
    return code;
}

// The command line as the user typed it, in UTF-8; false names the argument that
// is no Unicode text (a lone half of a surrogate pair).
bool utf8Arguments(int argc, wchar_t** argv, std::vector<std::string>& arguments,
                   std::string& error)
{
    arguments.resize(static_cast<size_t>(argc));
    for (int i = 0; i < argc; ++i) {
        if (!narrowToUtf8(argv[i], arguments[static_cast<size_t>(i)])) {
            error = "argument " + std::to_string(i) + " is not Unicode text";
            return false;
        }
    }
    return true;
}

int writeDemoWav(const std::string& path)
{
    std::string error;
    AudioStream demo = demoTrackStream();
    if (!writeWav16File(path, demo, error)) {
        return failWith(exitFailure, error);
    }
    return exitOk;
}

int writeDecodedWav(const AudioRequest& audio, const std::string& path)
{
    std::string error;
    AudioStream stream;
    if (!openAudioStream(audio, stream, error)) {
        return failWith(exitFailure, error);
    }
    const bool written = writeWav16File(path, stream, error);
    closeAudioStream(stream);
    return written ? exitOk : failWith(exitFailure, error);
}

// The frames a recording will show, as far as is known before it starts: 0 for a track
// from a pipe without --frames, which is recorded to its end.
std::uint64_t framesToRecord(const PlayerOptions& options, const TrackWindow* track)
{
    const auto asked = static_cast<std::uint64_t>(options.frames.value_or(0));
    const std::optional<std::uint64_t> length = track != nullptr ? trackLength(*track) : std::nullopt;
    if (track == nullptr || !length) {
        return asked;
    }
    const std::uint64_t covering = recordFrameCount(*length, track->stream.sampleRate, options.fps);
    return options.frames ? std::min(covering, asked) : covering;
}

// The window the plug-in is told is its host's, as the options ask.
bool chooseParent(const PlayerOptions& options, HostWindow& player, HostWindow& hidden,
                  PlayerSession& session, std::string& error)
{
    switch (options.parent) {
    case ParentWindow::player:
        session.parent = &player;
        session.parentWindow = player.window;
        return true;
    case ParentWindow::none:
        return true;
    case ParentWindow::desktop:
        session.parentWindow = GetDesktopWindow();
        return true;
    case ParentWindow::hidden:
        if (!createHostWindow(GetModuleHandleA(nullptr), hidden, HostWindowKind::hidden, error)) {
            return false;
        }
        session.parent = &hidden;
        session.parentWindow = hidden.window;
        return true;
    }
    return true;
}

// A player whose window went with an earlier start opens a new one for the next,
// and gives it to the plug-in as its host window when the options ask for the
// player's own.
bool reopenPlayerWindow(const PlayerOptions& options, PlayerSession& session, std::string& error)
{
    HostWindow& player = *session.player;
    if (player.window != nullptr) {
        return true;
    }
    if (!createHostWindow(GetModuleHandleA(nullptr), player, HostWindowKind::main, error)) {
        return false;
    }
    if (options.parent == ParentWindow::player) {
        session.parentWindow = player.window;
    }
    return true;
}

// One start on the player's own thread, or on a thread of its own that the player
// stops. False only when that thread could not be had or would not end.
bool runOneStart(const PlayerOptions& options, PlayerSession& session, int index,
                 RunOutcome& outcome, std::string& error)
{
    session.player->stopRequested = false;
    std::atomic<bool> stopFlag = false;
    if (options.singleThread) {
        outcome = runStart(session, index, stopFlag, error);
        return true;
    }
    const std::function<void()> start = [&] { outcome = runStart(session, index, stopFlag, error); };
    const StartThreadResult thread = runStartThread(start, *session.player, stopFlag,
                                                    !options.stopWithoutPumping, *session.log, error);
    return thread.started && thread.ended;
}

} // namespace

// NOTE: the wide entry point: main's arguments come in the ANSI code page, which
// turns every letter it lacks into a question mark.
int wmain(int argc, wchar_t** argv)
{
    const ConsoleState console = settleConsole();
    std::string error;
    std::vector<std::string> arguments;
    if (!utf8Arguments(argc, argv, arguments, error)) {
        return failWith(exitUsage, error + " (see --help)");
    }
    std::vector<char*> argumentPointers;
    for (std::string& argument : arguments) {
        argumentPointers.push_back(argument.data());
    }
    const auto options = parseOptions(argc, argumentPointers.data(), error);
    if (!options) {
        return failWith(exitUsage, error + " (see --help)");
    }
    if (!options->infoText.empty()) {
        writeText(stdout, options->infoText);
        return exitOk;
    }

    if (!options->demoWavPath.empty()) {
        return writeDemoWav(options->demoWavPath);
    }

    const AudioRequest audio{
        .source = options->audio, .path = options->audioPath, .rawPcmRate = options->rawPcmRate};
    if (!options->decodedWavPath.empty()) {
        return writeDecodedWav(audio, options->decodedWavPath);
    }
    TrackWindow track;
    if (!openAudio(audio, track, error)) {
        return failWith(exitFailure, error);
    }
    const bool hasTrack = options->audio != AudioSource::none;

    HostLog log;
    if (!options->logPath.empty() && !log.open(options->logPath)) {
        return failWith(exitFailure, "cannot write the log '" + options->logPath + "'");
    }
    log.write(JsonLine("console")
                  .number("processes", console.processes)
                  .flag("released", console.plan.release)
                  .flag("errorsInBox", console.plan.errorsInBox));
    Watchdog watchdog;
    if (options->watchdogSeconds &&
        !startWatchdog(watchdog, static_cast<DWORD>(*options->watchdogSeconds * 1000), log)) {
        return failWith(exitFailure, "cannot start the watchdog: " + describeError(GetLastError()));
    }

    HostWindow player{
        .oldHost = options->oldHost, .resizeOnNotice = options->resizeOnNotice, .log = &log};
    HostWindow hidden{.oldHost = options->oldHost, .log = &log};
    PlayerSession session;
    session.options = &*options;
    session.log = &log;
    session.player = &player;
    session.track = hasTrack ? &track : nullptr;
    session.feed.track = session.track;
    session.feed.pattern = options->pattern;
    session.feed.scale = options->scale;
    if (hasTrack) {
        session.feed.analyser = makeFrameAnalyser();
    }
    session.recordFrames = framesToRecord(*options, session.track);
    const auto tearDown = [&] {
        destroyHostWindow(hidden);
        destroyHostWindow(player);
        unregisterHostWindowClass();
        closeTrackWindow(track);
    };
    if (!createHostWindow(GetModuleHandleA(nullptr), player, HostWindowKind::main, error) ||
        !chooseParent(*options, player, hidden, session, error)) {
        tearDown();
        return failWith(exitFailure, error);
    }

    VideoOutput video;
    if (!options->videoOut.empty()) {
        const FrameSize size = options->size.value_or(defaultRecordSize);
        if (!openVideoOutput(video, options->videoOut, size.width, size.height, error)) {
            tearDown();
            return failWith(exitFailure, error);
        }
        session.video = &video;
    }

    bool anyInitFailed = false;
    bool anyFailed = false;
    std::string runError;
    for (int index = 0; index < options->starts && !player.closeRequested; ++index) {
        RunOutcome outcome = RunOutcome::failed;
        if (!reopenPlayerWindow(*options, session, error)) {
            anyFailed = true;
            runError = error;
            break;
        }
        if (!runOneStart(*options, session, index, outcome, error)) {
            // NOTE: a thread that will not end holds the DLL; leaving the process is the
            // only way out, and it takes the thread with it.
            abandonVideoOutput(video);
            return failWith(exitFailure, error);
        }
        anyInitFailed = anyInitFailed || outcome == RunOutcome::initFailed;
        if (outcome == RunOutcome::failed) {
            anyFailed = true;
            runError = error;
            break;
        }
    }
    if (session.kept.library != nullptr) {
        log.write(JsonLine("unload").flag("freed", unloadPlugin(session.kept)));
    }
    log.write(describeFeedEnergy(session.feed));
    if (!track.failure.empty()) {
        // What decoded has played; the rest of a damaged file could not be read.
        writeText(stderr, "zelplay: " + track.failure + "; the track ended there\n");
        log.write(JsonLine("audioCutShort").text("reason", track.failure));
    }

    std::string captureError;
    const bool traceWritten = finishGlTrace(captureError);
    const bool framesSaved = finishFrameCapture(captureError) && traceWritten;
    bool videoWritten = true;
    if (session.video != nullptr) {
        if (!anyFailed && !anyInitFailed) {
            videoWritten = finishVideoOutput(video, captureError);
        } else {
            abandonVideoOutput(video);
        }
    }
    tearDown();

    if (anyFailed) {
        return failWith(exitFailure, runError);
    }
    if (anyInitFailed) {
        return failWith(exitInitFailed, "the plug-in's init failed");
    }
    if (!framesSaved || !videoWritten) {
        return failWith(exitFailure, captureError);
    }
    return exitOk;
}
