#include "hosting/plugin_start.h"

#include "hosting/client_size.h"
#include "hosting/context_watch.h"
#include "hosting/message_boxes.h"
#include "hosting/plugin_hooks.h"
#include "hosting/process_census.h"
#include "hosting/render_thread.h"
#include "hosting/run_loop.h"
#include "hosting/window_report.h"
#include "live_playback.h"
#include "recording/frame_capture.h"
#include "tracing/watchdog.h"

#include <algorithm>
#include <map>
#include <optional>
#include <utility>

namespace {

// What the host claims to play when it shows no audio or a fixed pattern.
constexpr int patternSampleRate = 44100;

// Render calls a host that waits for WM_QUIT makes after quit before it gives up.
constexpr long rendersAwaitingQuitMessage = 100;

void logPlugin(HostLog& log, const std::string& path, const LoadedPlugin& plugin)
{
    log.write(JsonLine("run").name("plugin", path).number("pointerBits", sizeof(void*) * 8));
    log.write(JsonLine("header")
                  .number("version", plugin.header->version)
                  .text("description", plugin.header->description));
    const VisModule& module = *plugin.module;
    JsonLine line("module");
    line.text("description", module.description)
        .number("latencyMs", module.latencyMs)
        .number("delayMs", module.delayMs)
        .number("spectrumChannels", module.spectrumChannels)
        .number("waveformChannels", module.waveformChannels)
        .number("userData", reinterpret_cast<std::uintptr_t>(module.userData))
        .flag("hasConfig", module.config != nullptr)
        .flag("hasInit", module.init != nullptr)
        .flag("hasRender", module.render != nullptr)
        .flag("hasQuit", module.quit != nullptr);
    log.write(line);
}

// The DLL for this start: loaded afresh with its hooks, or the one kept loaded.
bool takePlugin(PlayerSession& session, int index, LoadedPlugin& plugin, std::string& error)
{
    const StartOptions& options = *session.options;
    if (options.keepLoaded && session.kept.library != nullptr) {
        plugin = session.kept;
        return true;
    }
    const std::string path = pluginPathFor(options, index);
    if (!loadPlugin(path, plugin, error)) {
        return false;
    }
    logPlugin(*session.log, path, plugin);
    if (!installPluginHooks(plugin.library, options, session.player->window, *session.log, error)) {
        unloadPlugin(plugin);
        return false;
    }
    if (options.keepLoaded) {
        session.kept = plugin;
    }
    return true;
}

void releasePlugin(PlayerSession& session, LoadedPlugin& plugin)
{
    if (session.options->keepLoaded) {
        return;
    }
    noteStep("unload");
    const bool freed = unloadPlugin(plugin);
    const ProcessCensus census = processCensus();
    JsonLine line("unload");
    line.flag("freed", freed)
        .number("privateBytes", census.privateBytes)
        .number("peakWorkingSet", census.peakWorkingSet)
        .number("handles", census.handles)
        .number("threads", census.threads)
        .number("windows", census.windows);
    for (const auto& [key, objects] : {std::pair{"gdiObjects", census.gdiObjects},
                                       std::pair{"userObjects", census.userObjects}}) {
        if (objects)
            line.number(key, *objects);
        else
            line.null(key);
    }
    session.log->write(line);
}

int callQuit(VisModule* module, HostLog& log)
{
    noteStep("quit");
    const int result = module->quit(module);
    log.write(JsonLine("quit").number("result", result));
    return result;
}

// Render calls after quit: a fixed number, or, for a host whose loop ends only on
// WM_QUIT, every delayMs until the quit message comes.
void renderAfterQuit(const PlayerSession& session, VisModule* module, RenderThread* renderer,
                     bool quitMessageSeen)
{
    const StartOptions& options = *session.options;
    const bool awaitQuitMessage = options.waitForQuitMessage && !quitMessageSeen;
    if (options.rendersAfterQuit == 0 && !awaitQuitMessage) {
        return;
    }
    std::map<int, long> results;
    long calls = 0;
    long presents = 0;
    bool quitMessage = false;
    const long bound = awaitQuitMessage ? rendersAwaitingQuitMessage : options.rendersAfterQuit;
    while (calls < bound) {
        if (awaitQuitMessage) {
            MSG message{};
            while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
                if (message.message == WM_QUIT) {
                    quitMessage = true;
                    break;
                }
                TranslateMessage(&message);
                DispatchMessageA(&message);
            }
            if (quitMessage) {
                break;
            }
        }
        const long before = presentedFrameCount();
        noteStep("render after quit");
        ++results[callRender(renderer, module)];
        presents += presentedFrameCount() - before;
        ++calls;
        if (awaitQuitMessage) {
            Sleep(liveDelayMs(*module));
        }
    }
    JsonLine counts = JsonLine::nested();
    for (const auto& [result, count] : results) {
        counts.number(std::to_string(result).c_str(), count);
    }
    JsonLine line("afterQuitRenders");
    line.number("calls", calls).object("results", counts).number("presents", presents);
    if (awaitQuitMessage) {
        line.flag("quitMessage", quitMessage).text("ended", quitMessage ? "wm-quit" : "gave-up");
    }
    session.log->write(line);
}

void logExit(HostLog& log, const FrameLoopResult& loop, const PlayerSession& session,
             bool playedLive)
{
    JsonLine exit("exit");
    exit.text("reason", loop.reason)
        .number("frames", loop.frames)
        .number("presents", presentedFrameCount())
        .number("failedPresents", failedPresentCount())
        .number("loopMs", loop.elapsedMs)
        .number("captureMs", captureMilliseconds())
        .number("presentMs", presentMilliseconds());
    if (playedLive) {
        exit.number("heardMs", static_cast<long long>(loop.heardSeconds * 1000.0));
        // A track read from a pipe and stopped before its end has no length to tell.
        const TrackWindow& track = session.queue->track;
        if (const std::optional<std::uint64_t> length = trackLength(track)) {
            exit.number("trackMs", *length * 1000 / static_cast<std::uint64_t>(track.stream.sampleRate));
        }
    }
    if (session.video != nullptr) {
        exit.number("videoFrames", session.video->frames);
    }
    if (loop.quitMessage) {
        exit.number("quitExitCode", static_cast<std::uintptr_t>(loop.exitCode));
    }
    log.write(exit);
}

// A quit message the plug-in left for this thread, taken out of the queue so that
// a later start on the same thread does not end at once.
bool takeQuitMessage()
{
    MSG message{};
    return PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != FALSE;
}

// What the start left behind once it ended: windows, the class, GL contexts, and a
// quit message left in this thread's queue.
JsonLine describeStop(const char* event, HWND window, HINSTANCE library, bool quitMessage)
{
    JsonLine line = describeLeftovers(event, window, library);
    line.number("contextsLeft", liveContextCount()).flag("quitMessageLeft", quitMessage);
    return line;
}

// What the host writes into the module before init.
void fillHostFields(PlayerSession& session, const LoadedPlugin& plugin)
{
    VisModule& module = *plugin.module;
    module.parentWindow = session.parentWindow;
    module.dllInstance = session.options->nullInstance ? nullptr : plugin.library;
    const TrackWindow* track = session.queue != nullptr ? &session.queue->track : nullptr;
    module.sampleRate = track != nullptr ? track->stream.sampleRate : patternSampleRate;
    module.channels = track != nullptr ? track->stream.channels : patternChannels;
    if (session.parent != nullptr) {
        session.parent->pluginWindow = nullptr;
    }
}

void logFeed(const PlayerSession& session, const VisModule& module)
{
    const StartOptions& options = *session.options;
    const char* source = session.queue != nullptr ? "audio" : options.pattern ? "pattern" : "none";
    session.log->write(
        JsonLine("feed")
            .text("mode", options.record ? "record" : "live")
            .text("source", source)
            .text("scale", options.scale == SpectrumScale::reference ? "reference" : "decibel")
            .number("sampleRate", module.sampleRate)
            .number("channels", module.channels)
            .number("fps", options.fps));
}

} // namespace

std::string pluginPathFor(const StartOptions& options, int index)
{
    if (options.pluginPaths.empty()) {
        return defaultPluginPath();
    }
    const auto last = options.pluginPaths.size() - 1;
    return options.pluginPaths[std::min(static_cast<std::size_t>(index), last)];
}

RunOutcome runStart(PlayerSession& session, int index, std::atomic<bool>& stopFlag,
                    std::string& error)
{
    const StartOptions& options = *session.options;
    HostLog& log = *session.log;
    HostWindow& player = *session.player;
    log.write(JsonLine("start").number("index", index));
    noteStart(index);

    // Every start plays the queue from its first track that plays; the first track's
    // ring goes back to its start as it is read.
    if (session.queue != nullptr && session.queue->index != 0 && !playQueueItem(*session.queue, 0, 1)) {
        error = session.queue->lastFault;
        return RunOutcome::failed;
    }
    LoadedPlugin plugin;
    if (!takePlugin(session, index, plugin, error)) {
        return RunOutcome::failed;
    }
    VisModule* module = plugin.module;
    fillHostFields(session, plugin);
    logFeed(session, *module);
    log.write(JsonLine("threads").flag(
        "visThread", GetWindowThreadProcessId(player.window, nullptr) != GetCurrentThreadId()));

    if (options.showAbout) {
        if (module->config != nullptr) {
            module->config(module);
        }
        log.write(JsonLine("config").text("when", "before-init").flag("present", module->config != nullptr));
    }

    noteStep("init", 0);
    const int initResult = module->init(module);
    const auto announced = [&]() -> HWND {
        return session.parent != nullptr ? session.parent->pluginWindow.load() : nullptr;
    };
    log.write(JsonLine("init").number("result", initResult).number("messageBoxes", messageBoxCount()));
    log.write(describePluginWindow(announced(), player.window));

    if (initResult != 0 && !options.ignoreInitResult) {
        // The media player calls no quit after a failed init: it frees the DLL.
        const HWND window = announced();
        log.write(describeStop("afterInitFailure", window, plugin.library, takeQuitMessage()));
        log.write(JsonLine("exit").text("reason", "init-failed").number("frames", 0L));
        releasePlugin(session, plugin);
        return RunOutcome::initFailed;
    }

    RenderThread renderThread;
    if (options.renderThread && !startRenderThread(renderThread, error)) {
        callQuit(module, log);
        releasePlugin(session, plugin);
        return RunOutcome::failed;
    }
    RenderThread* renderer = options.renderThread ? &renderThread : nullptr;

    FrameLoop run{
        .module = module,
        .options = &options,
        .log = &log,
        .player = &player,
        .pluginWindow = announced(),
        .feed = &session.feed,
        .renderer = renderer,
        .stopFlag = &stopFlag,
        .ownThread = GetWindowThreadProcessId(player.window, nullptr) != GetCurrentThreadId(),
        .playback = nullptr,
        .queue = session.queue,
        .recordFrames = session.recordFrames,
    };

    if (initResult == 0 && (options.record || options.size)) {
        // A host that fits the plug-in's window to its own is resized instead.
        const FrameSize size = options.size.value_or(defaultRecordSize);
        HWND sized = options.resizeOnNotice ? player.window.load() : run.pluginWindow;
        if (!setClientSize(sized, size.width, size.height, error)) {
            stopRenderThread(renderThread);
            callQuit(module, log);
            log.write(JsonLine("exit").text("reason", "resize-refused").number("frames", 0L));
            releasePlugin(session, plugin);
            return RunOutcome::failed;
        }
        log.write(describePluginWindow(run.pluginWindow, player.window));
    }

    LivePlayback playback;
    if (!options.record && session.queue != nullptr) {
        startPlayback(playback, session.queue->track, log);
        run.playback = &playback;
    }
    if (options.record && session.video != nullptr) {
        startVideoCapture(*session.video);
    }

    FrameLoopResult loop = renderFrames(run);

    stopVideoCapture();
    if (run.playback != nullptr) {
        stopPlayback(playback);
    }
    const HWND window = run.pluginWindow;
    callQuit(module, log);
    if (options.quitTwice) {
        callQuit(module, log);
    }
    renderAfterQuit(session, module, renderer, loop.quitMessage);
    stopRenderThread(renderThread);
    log.write(describeStop("afterQuit", window, plugin.library, takeQuitMessage()));

    if (session.video != nullptr && loop.failure.empty() && session.video->frames != loop.frames) {
        loop.reason = "video-failed";
        loop.failure = "the plug-in presented " + std::to_string(session.video->frames) +
                       " frames in " + std::to_string(loop.frames) + " render calls";
    }
    logExit(log, loop, session, run.playback != nullptr);
    releasePlugin(session, plugin);
    if (!loop.failure.empty()) {
        error = session.video != nullptr && !session.video->failure.empty() ? session.video->failure
                                                                            : loop.failure;
        return RunOutcome::failed;
    }
    return initResult != 0 ? RunOutcome::initFailed : RunOutcome::completed;
}
