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
#include "media_foundation_stream.h"
#include "queue/play_queue.h"
#include "queue/queue_files.h"
#include "queue/track_thread.h"
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

// The sample frames of item `index` of the queue, where its source tells them before its end.
std::optional<std::uint64_t> probedLength(const PlayQueue& queue, std::size_t index, int& sampleRate)
{
    if (index == queue.index) {
        sampleRate = queue.track.stream.sampleRate;
        return trackLength(queue.track);
    }
    std::optional<std::uint64_t> length;
    queue.onPlayerThread([&] {
        AudioStream stream;
        std::string error;
        if (openAudioStream(queue.items[index], stream, error)) {
            sampleRate = stream.sampleRate;
            length = stream.length;
            closeAudioStream(stream);
        }
    });
    return length;
}

// The frames a recording will show, as far as is known before it starts, for --progress:
// the whole queue's, each track's opened to learn its length; 0 where a track's length is
// known only at its end. Without --progress, the frames asked for.
std::uint64_t framesToRecord(const PlayerOptions& options, const PlayQueue* queue)
{
    const auto asked = static_cast<std::uint64_t>(options.frames.value_or(0));
    if (queue == nullptr || !options.record || !options.progress) {
        return asked;
    }
    std::uint64_t covering = 0;
    for (std::size_t index = 0; index < queue->items.size(); ++index) {
        int rate = 0;
        const std::optional<std::uint64_t> length = probedLength(*queue, index, rate);
        if (!length && !queue->refused[index]) {
            return options.frames ? asked : 0;
        }
        covering += length ? recordFrameCount(*length, rate, options.fps) : 0;
    }
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
        if (!createHostWindow(GetModuleHandleW(nullptr), hidden, HostWindowKind::hidden, error)) {
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
    if (!createHostWindow(GetModuleHandleW(nullptr), player, HostWindowKind::main, error)) {
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

// The run the options ask for, after --help, --version and --write-demo-wav.
int play(const PlayerOptions& options, const ConsoleState& console)
{
    std::string error;
    const QueueFiles files = listQueueFiles(options.audioPaths);
    const AudioRequest single{.source = options.audio, .path = "", .rawPcmRate = options.rawPcmRate};
    if (!options.decodedWavPath.empty()) {
        if (options.audio == AudioSource::file && files.files.size() != 1) {
            return failWith(exitUsage, files.files.empty() ? files.notes.front()
                                                           : "--write-decoded-wav writes one track, not " +
                                                                 std::to_string(files.files.size()));
        }
        const AudioRequest audio = options.audio == AudioSource::file
                                       ? AudioRequest{.source = AudioSource::file, .path = files.files.front(),
                                                      .rawPcmRate = 0}
                                       : single;
        return writeDecodedWav(audio, options.decodedWavPath);
    }

    HostLog log;
    if (!options.logPath.empty() && !log.open(options.logPath)) {
        return failWith(exitFailure, "cannot write the log '" + options.logPath + "'");
    }
    log.write(JsonLine("console")
                  .number("processes", console.processes)
                  .flag("released", console.plan.release)
                  .flag("errorsInBox", console.plan.errorsInBox));

    TrackThread trackThread;
    PlayQueue queue = makePlayQueue(files.files, single);
    queue.log = &log;
    queue.onPlayerThread = [&](const std::function<void()>& work) { trackThread.run(work); };
    if (options.audio == AudioSource::file) {
        if (queue.items.empty()) {
            // Folders without a file to play, and nothing else.
            for (std::size_t i = 1; i < files.notes.size(); ++i) {
                reportError(files.notes[i - 1]);
            }
            return failWith(exitFailure, files.notes.back());
        }
        for (const std::string& note : files.notes) {
            reportSkipped(note);
        }
    }
    const bool hasTrack = !queue.items.empty();
    if (hasTrack && !playQueueItem(queue, 0, 1)) {
        showSkipped();
        return failWith(exitFailure, queue.items.size() == 1
                                         ? queue.lastFault
                                         : "none of the " + std::to_string(queue.items.size()) +
                                               " files given plays");
    }

    Watchdog watchdog;
    if (options.watchdogSeconds &&
        !startWatchdog(watchdog, static_cast<DWORD>(*options.watchdogSeconds * 1000), log)) {
        closePlayQueue(queue);
        return failWith(exitFailure, "cannot start the watchdog: " + describeError(GetLastError()));
    }

    HostWindow player{
        .oldHost = options.oldHost, .resizeOnNotice = options.resizeOnNotice, .log = &log};
    HostWindow hidden{.oldHost = options.oldHost, .log = &log};
    PlayerSession session;
    session.options = &options;
    session.log = &log;
    session.player = &player;
    session.queue = hasTrack ? &queue : nullptr;
    session.feed.track = hasTrack ? &queue.track : nullptr;
    session.feed.pattern = options.pattern;
    session.feed.scale = options.scale;
    if (hasTrack) {
        session.feed.analyser = makeFrameAnalyser();
    }
    session.recordFrames = framesToRecord(options, session.queue);
    const auto tearDown = [&] {
        destroyHostWindow(hidden);
        destroyHostWindow(player);
        unregisterHostWindowClass();
        closePlayQueue(queue);
        showSkipped();
    };
    if (!createHostWindow(GetModuleHandleW(nullptr), player, HostWindowKind::main, error) ||
        !chooseParent(options, player, hidden, session, error)) {
        tearDown();
        return failWith(exitFailure, error);
    }

    VideoOutput video;
    if (!options.videoOut.empty()) {
        const FrameSize size = options.size.value_or(defaultRecordSize);
        if (!openVideoOutput(video, options.videoOut, size.width, size.height, error)) {
            tearDown();
            return failWith(exitFailure, error);
        }
        session.video = &video;
    }

    bool anyInitFailed = false;
    bool anyFailed = false;
    std::string runError;
    for (int index = 0; index < options.starts && !player.closeRequested; ++index) {
        RunOutcome outcome = RunOutcome::failed;
        if (!reopenPlayerWindow(options, session, error)) {
            anyFailed = true;
            runError = error;
            break;
        }
        if (!runOneStart(options, session, index, outcome, error)) {
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
    const int status = play(*options, console);
    awaitDecoderWindDown();
    return status;
}
