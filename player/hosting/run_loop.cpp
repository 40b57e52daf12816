#include "run_loop.h"

#include "client_size.h"
#include "frame_analyser.h"
#include "frame_capture.h"
#include "frame_timing.h"
#include "live_playback.h"
#include "message_boxes.h"
#include "virtual_clock.h"
#include "window_report.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>
#include <optional>

namespace {

// What the host claims to play when it shows no audio or a fixed pattern.
constexpr int patternSampleRate = 44100;

// Render calls a host makes after destroying its window before it gives up
// waiting for the plug-in to end the visualisation.
constexpr long rendersAfterHostDestroyed = 50;

struct PumpResult {
    bool quit = false;
    WPARAM exitCode = 0;
};

// Delivers every queued message, the plug-in window's included: the plug-in
// runs no message loop of its own.
PumpResult pumpMessages()
{
    MSG message{};
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            return {.quit = true, .exitCode = message.wParam};
        }
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return {};
}

// Fills the module's spectrum and waveform before a render call.
struct SpectrumFeed {
    const AudioTrack* track = nullptr;
    std::unique_ptr<FrameAnalyser> analyser;
    std::optional<SpectrumPattern> pattern;
};

void feedSpectrum(SpectrumFeed& feed, VisModule* module, std::uint64_t frame, double seconds)
{
    if (feed.track != nullptr) {
        analyseFrame(*feed.analyser, *feed.track, seconds, module->spectrumData, module->waveformData);
    } else if (feed.pattern) {
        fillSpectrumPattern(*feed.pattern, frame, module->spectrumData, module->waveformData);
    }
}

// Live frames come at most `fps` times a second; a frame that runs late moves
// the schedule instead of making the next ones hurry.
struct FramePacer {
    LONGLONG frequency = 0;
    LONGLONG interval = 0;
    LONGLONG next = 0;
};

FramePacer makePacer(int fps)
{
    LARGE_INTEGER frequency{};
    QueryPerformanceFrequency(&frequency);
    return {.frequency = frequency.QuadPart, .interval = frequency.QuadPart / fps, .next = 0};
}

void waitForFrameSlot(FramePacer& pacer)
{
    LARGE_INTEGER now{};
    QueryPerformanceCounter(&now);
    if (pacer.next == 0 || now.QuadPart - pacer.next > pacer.interval) {
        pacer.next = now.QuadPart;
    } else if (now.QuadPart < pacer.next) {
        Sleep(static_cast<DWORD>((pacer.next - now.QuadPart) * 1000 / pacer.frequency));
    }
    pacer.next += pacer.interval;
}

struct FrameLoop {
    VisModule* module = nullptr;
    const HostWindow* host = nullptr;
    const PlayerOptions* options = nullptr;
    HostLog* log = nullptr;
    SpectrumFeed feed;
    LivePlayback* playback = nullptr;  // a track playing live
    std::uint64_t recordFrames = 0;    // frames a recording renders
};

struct FrameLoopResult {
    long frames = 0;
    const char* reason = "frames-done";
    PumpResult pump;
    std::string failure;        // empty unless the run could not go on
    LONGLONG elapsedMs = 0;     // wall time of the whole loop
    double heardSeconds = 0.0;  // of a track played live, when the loop ended
};

LONGLONG millisecondsSince(const LARGE_INTEGER& start)
{
    LARGE_INTEGER now{};
    LARGE_INTEGER frequency{};
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return (now.QuadPart - start.QuadPart) * 1000 / frequency.QuadPart;
}

void destroyHostWindowNow(const HostWindow& host, long frames, HostLog& log)
{
    // Sent, not called: the window may only be destroyed by the thread it belongs to.
    SendMessageA(host.window, hostDestroyRequest, 0, 0);
    // The system takes owned windows with their owner only on the owner's thread.
    log.write(JsonLine("hostWindowGone")
                  .number("afterFrames", frames)
                  .flag("pluginWindowExists", IsWindow(host.pluginWindow) != FALSE));
}

void postCloseRequest(const HostWindow& host, long frames, HostLog& log)
{
    HWND plugin = host.pluginWindow;
    const bool posted = plugin != nullptr && PostMessageA(plugin, WM_CLOSE, 0, 0) != FALSE;
    log.write(JsonLine("closeSent")
                  .number("afterFrames", frames)
                  .number("window", reinterpret_cast<std::uintptr_t>(plugin))
                  .flag("posted", posted));
}

// Render calls until the frame count or the end of the audio is reached, render
// answers nonzero, the plug-in posts WM_QUIT, the player's window is closed, or
// the plug-in goes on rendering long after the player's window was destroyed;
// logs a summary of the render results.
FrameLoopResult renderFrames(FrameLoop& run)
{
    const PlayerOptions& options = *run.options;
    FrameLoopResult loop;
    std::map<int, long> resultCounts;
    long firstNonzeroFrame = -1;
    int firstNonzeroResult = 0;
    FramePacer pacer = makePacer(options.fps);
    LARGE_INTEGER start{};
    QueryPerformanceCounter(&start);
    while (true) {
        loop.pump = pumpMessages();
        if (loop.pump.quit) {
            loop.reason = "wm-quit";
            break;
        }
        if (run.host->closeRequested) {
            loop.reason = "host-closed";
            break;
        }
        if (options.frames && loop.frames >= *options.frames) {
            break;
        }
        if (options.destroyHostAfter &&
            loop.frames >= *options.destroyHostAfter + rendersAfterHostDestroyed) {
            loop.reason = "host-destroyed";
            break;
        }
        const auto frame = static_cast<std::uint64_t>(loop.frames);
        double seconds = 0.0;
        if (options.record) {
            if (frame >= run.recordFrames) {
                loop.reason = "audio-end";
                break;
            }
            setVirtualClock(recordClockMs(recordStartMs, frame, options.fps));
            seconds = recordFrameSeconds(frame, options.fps);
        } else if (run.playback != nullptr) {
            if (playbackEnded(*run.playback)) {
                loop.reason = "audio-end";
                break;
            }
            waitForFrameSlot(pacer);
            seconds = liveAnalysisSeconds(heardSeconds(*run.playback), run.module->latencyMs);
        }
        feedSpectrum(run.feed, run.module, frame, seconds);

        const int result = run.module->render(run.module);
        if (result != 0 && firstNonzeroFrame < 0) {
            firstNonzeroFrame = loop.frames;
            firstNonzeroResult = result;
        }
        ++resultCounts[result];
        ++loop.frames;
        if (result != 0) {
            // The host contract: nonzero from render ends the visualisation.
            loop.reason = "render-ended";
            break;
        }
        if (options.sendCloseAfter && loop.frames == *options.sendCloseAfter) {
            postCloseRequest(*run.host, loop.frames, *run.log);
        }
        if (options.destroyHostAfter && loop.frames == *options.destroyHostAfter) {
            destroyHostWindowNow(*run.host, loop.frames, *run.log);
        }
        if (options.record) {
            if (!videoCaptureHealthy()) {
                loop.reason = "video-failed";
                loop.failure = "the recording stopped";
                break;
            }
            if (options.progress) {
                std::fprintf(stderr, "progress %ld %llu\n", loop.frames,
                             static_cast<unsigned long long>(run.recordFrames));
            }
        }
    }

    loop.elapsedMs = millisecondsSince(start);
    if (run.playback != nullptr) {
        loop.heardSeconds = heardSeconds(*run.playback);
    }

    JsonLine counts = JsonLine::nested();
    for (const auto& [result, count] : resultCounts) {
        counts.number(std::to_string(result).c_str(), count);
    }
    JsonLine summary("renderSummary");
    summary.number("calls", loop.frames).object("results", counts);
    if (firstNonzeroFrame >= 0) {
        summary.number("firstNonzeroFrame", firstNonzeroFrame)
            .number("firstNonzeroResult", firstNonzeroResult);
    }
    run.log->write(summary);
    return loop;
}

void callQuit(VisModule* module, HostLog& log)
{
    const int result = module->quit(module);
    log.write(JsonLine("quit").number("result", result));
}

std::uint64_t framesToRecord(const PlayerOptions& options, const AudioTrack* track)
{
    if (track == nullptr) {
        return static_cast<std::uint64_t>(options.frames.value_or(0));
    }
    const std::uint64_t covering = recordFrameCount(frameCount(*track), track->sampleRate, options.fps);
    return options.frames ? std::min(covering, static_cast<std::uint64_t>(*options.frames)) : covering;
}

void logFeed(HostLog& log, const PlayerOptions& options, const RunMedia& media,
             const VisModule& module)
{
    const char* source = media.track != nullptr ? "audio" : options.pattern ? "pattern" : "none";
    log.write(JsonLine("feed")
                  .text("mode", options.record ? "record" : "live")
                  .text("source", source)
                  .number("sampleRate", module.sampleRate)
                  .number("channels", module.channels)
                  .number("fps", options.fps));
}

void logExit(HostLog& log, const FrameLoopResult& loop, const RunMedia& media, bool playedLive)
{
    JsonLine exit("exit");
    exit.text("reason", loop.reason)
        .number("frames", loop.frames)
        .number("presents", presentedFrameCount())
        .number("loopMs", loop.elapsedMs)
        .number("captureMs", captureMilliseconds())
        .number("presentMs", presentMilliseconds());
    if (playedLive) {
        const AudioTrack& track = *media.track;
        exit.number("heardMs", static_cast<long long>(loop.heardSeconds * 1000.0))
            .number("trackMs", frameCount(track) * 1000 / static_cast<std::uint64_t>(track.sampleRate));
    }
    if (media.video != nullptr) {
        exit.number("videoFrames", media.video->frames);
    }
    if (loop.pump.quit) {
        exit.number("quitExitCode", static_cast<std::uintptr_t>(loop.pump.exitCode));
    }
    log.write(exit);
}

} // namespace

RunOutcome runPlugin(const LoadedPlugin& plugin, HostWindow& host, const PlayerOptions& options,
                     const RunMedia& media, HostLog& log, std::string& error)
{
    VisModule* module = plugin.module;
    module->parentWindow = host.window;
    module->dllInstance = plugin.library;
    module->sampleRate = media.track != nullptr ? media.track->sampleRate : patternSampleRate;
    module->channels = media.track != nullptr ? media.track->channels : patternChannels;

    FrameLoop run;
    run.module = module;
    run.host = &host;
    run.options = &options;
    run.log = &log;
    run.feed.track = media.track;
    run.feed.pattern = options.pattern;
    if (media.track != nullptr) {
        run.feed.analyser = makeFrameAnalyser();
    }
    run.recordFrames = framesToRecord(options, media.track);

    logFeed(log, options, media, *module);
    log.write(JsonLine("threads").flag(
        "visThread", GetWindowThreadProcessId(host.window, nullptr) != GetCurrentThreadId()));

    if (options.showAbout) {
        if (module->config != nullptr) {
            module->config(module);
        }
        log.write(JsonLine("config").flag("present", module->config != nullptr));
    }

    const int initResult = module->init(module);
    log.write(JsonLine("init").number("result", initResult).number("messageBoxes", messageBoxCount()));
    log.write(describePluginWindow(host.pluginWindow, host.window));

    if (initResult != 0) {
        // A failed init normally leaves nothing behind and gets no quit. A window
        // still standing (the plug-in got far enough to announce it) would outlive
        // the DLL, so that plug-in is asked to quit after all.
        if (host.pluginWindow != nullptr && IsWindow(host.pluginWindow)) {
            callQuit(module, log);
        }
        log.write(describeLeftovers("afterInitFailure", host.pluginWindow, plugin.library));
        log.write(JsonLine("exit").text("reason", "init-failed").number("frames", 0L));
        return RunOutcome::initFailed;
    }

    if (options.record || options.size) {
        // A host that fits the plug-in's window to its own is resized instead.
        const FrameSize size = options.size.value_or(defaultRecordSize);
        HWND sized = options.resizeOnNotice ? host.window.load() : host.pluginWindow.load();
        if (!setClientSize(sized, size.width, size.height, error)) {
            callQuit(module, log);
            log.write(JsonLine("exit").text("reason", "resize-refused").number("frames", 0L));
            return RunOutcome::failed;
        }
        log.write(describePluginWindow(host.pluginWindow, host.window));
    }

    LivePlayback playback;
    if (!options.record && media.track != nullptr) {
        startPlayback(playback, *media.track, log);
        run.playback = &playback;
    }
    if (options.record && media.video != nullptr) {
        startVideoCapture(*media.video);
    }

    FrameLoopResult loop = renderFrames(run);

    stopVideoCapture();
    if (run.playback != nullptr) {
        stopPlayback(playback);
    }
    const HWND announced = host.pluginWindow;
    callQuit(module, log);
    log.write(describeLeftovers("afterQuit", announced, plugin.library));

    if (media.video != nullptr && loop.failure.empty() && media.video->frames != loop.frames) {
        loop.reason = "video-failed";
        loop.failure = "the plug-in presented " + std::to_string(media.video->frames) +
                       " frames in " + std::to_string(loop.frames) + " render calls";
    }

    logExit(log, loop, media, run.playback != nullptr);
    if (!loop.failure.empty()) {
        error = media.video != nullptr && !media.video->failure.empty() ? media.video->failure
                                                                        : loop.failure;
        return RunOutcome::failed;
    }
    return RunOutcome::completed;
}
