#include "hosting/run_loop.h"

#include "frame_timing.h"
#include "hosting/listening.h"
#include "monotonic_ms.h"
#include "recording/frame_capture.h"
#include "recording/virtual_clock.h"
#include "tracing/watchdog.h"

#include <algorithm>
#include <cstdio>
#include <map>

namespace {

// A pause from the player's user interface: no render call, messages still delivered.
constexpr LONGLONG pauseMs = 1000;
// How long a loop that has asked for its stop sleeps between looks at its queue.
constexpr DWORD stopPollMs = 10;

// Delivers every queued message, the plug-in window's included: the plug-in runs
// no message loop of its own. A key is the player's first, then the window's, as
// always. Answers true when WM_QUIT came.
bool pumpMessages(FrameLoop& run, Listening& listening, FrameLoopResult& loop)
{
    // Bit 30 of a key's lParam: the key was already down, a repeat.
    constexpr LPARAM keyWasDown = LPARAM{1} << 30;
    MSG message{};
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            loop.quitMessage = true;
            loop.exitCode = message.wParam;
            return true;
        }
        if (message.message == WM_KEYDOWN) {
            actOnKey(run, listening, static_cast<unsigned>(message.wParam),
                     (message.lParam & keyWasDown) != 0);
        }
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return false;
}

// A key as the system delivers a press to the window with the focus.
void pressKey(HWND window, unsigned code)
{
    const UINT scan = MapVirtualKeyW(code, MAPVK_VK_TO_VSC);
    PostMessageW(window, WM_KEYDOWN, code, static_cast<LPARAM>(1 | scan << 16));
    PostMessageW(window, WM_KEYUP, code, static_cast<LPARAM>(1 | scan << 16 | 3u << 30));
}

void idle(DWORD milliseconds)
{
    MsgWaitForMultipleObjects(0, nullptr, FALSE, milliseconds, QS_ALLINPUT);
}

void destroyHostWindowNow(const FrameLoop& run, long frames)
{
    // Sent, not called: the window may only be destroyed by the thread it belongs to.
    SendMessageA(run.player->window, hostDestroyRequest, 0, 0);
    // The system takes owned windows with their owner only on the owner's thread.
    run.log->write(JsonLine("hostWindowGone")
                       .number("afterFrames", frames)
                       .flag("pluginWindowExists", IsWindow(run.pluginWindow) != FALSE));
}

// A player whose window lives on this thread, and whose render thread draws,
// destroys its window while a frame is drawn.
bool destroysWhileDrawing(const FrameLoop& run)
{
    return run.renderer != nullptr && !run.ownThread;
}

void postCloseRequest(const FrameLoop& run, long frames)
{
    HWND plugin = run.pluginWindow;
    const bool posted = plugin != nullptr && PostMessageA(plugin, WM_CLOSE, 0, 0) != FALSE;
    run.log->write(JsonLine("closeSent")
                       .number("afterFrames", frames)
                       .number("window", reinterpret_cast<std::uintptr_t>(plugin))
                       .flag("posted", posted));
}

// The player's user interface, which lives on the player's thread, acts after
// `frames` frames, as the options ask.
void actForThePlayer(const FrameLoop& run, long frames, LONGLONG& pausedUntil)
{
    const StartOptions& options = *run.options;
    if (options.sendCloseAfter && frames == *options.sendCloseAfter) {
        postCloseRequest(run, frames);
    }
    if (options.destroyHostAfter && frames == *options.destroyHostAfter && !destroysWhileDrawing(run)) {
        destroyHostWindowNow(run, frames);
    }
    if (options.configAfter && frames == *options.configAfter) {
        PostMessageA(run.player->window, hostConfigRequest, reinterpret_cast<WPARAM>(run.module), 0);
    }
    if (options.commandsAfter && frames == *options.commandsAfter) {
        PostMessageA(run.player->window, hostCommandsRequest,
                     reinterpret_cast<WPARAM>(run.pluginWindow), 0);
    }
    if (options.pauseAfter && frames == *options.pauseAfter) {
        pausedUntil = monotonicMs() + pauseMs;
        run.log->write(JsonLine("paused").number("afterFrames", frames).number("ms", pauseMs));
    }
    for (const KeyPress& press : options.keyPresses) {
        if (press.afterFrames == frames && run.pluginWindow != nullptr) {
            pressKey(run.pluginWindow, press.code);
        }
    }
}

// Whether a recording shows frame `frames` (of the run): while the track holds the
// sample at the time of its own frame, which reads as far on as needed to know; without
// music, up to the frames asked for.
bool recordFrameDue(const FrameLoop& run, const Listening& listening, long frames)
{
    if (run.queue == nullptr) {
        return static_cast<std::uint64_t>(frames) < run.recordFrames;
    }
    TrackWindow& track = run.queue->track;
    const int fps = run.options->fps;
    return framesAvailable(track, recordFrameSample(listening.trackFrame, track.stream.sampleRate, fps),
                           1) > 0;
}

// The track playing has played out: the next takes its place. False at the queue's end.
bool musicGoesOn(FrameLoop& run, Listening& listening, long frames)
{
    if (run.queue == nullptr) {
        return !run.options->record || recordFrameDue(run, listening, frames);
    }
    if (listening.queueEnded) {
        return false;
    }
    const bool playedOut = run.options->record ? !recordFrameDue(run, listening, frames)
                                               : playbackEnded(*run.playback);
    return !playedOut || playOn(run, listening);
}

// Why the run is done before the next frame, or null while it goes on.
const char* doneReason(FrameLoop& run, Listening& listening, long frames)
{
    const StartOptions& options = *run.options;
    if (options.frames && frames >= *options.frames) {
        return "frames-done";
    }
    if (options.destroyHostAfter && frames >= *options.destroyHostAfter + rendersAfterHostDestroyed) {
        return "host-destroyed";
    }
    if (!musicGoesOn(run, listening, frames)) {
        return "audio-end";
    }
    return nullptr;
}

// The player has stopped the start: on its own thread it set the flag; sharing the
// start's thread, its window took the request itself.
bool stopSeen(const FrameLoop& run)
{
    if (run.ownThread) {
        return *run.stopFlag;
    }
    return run.player->stopRequested || run.player->closeRequested;
}

// Asks the player's thread to stop the start, as its stop button would. Where the
// player's window is gone there is no one to ask, and the start stops itself.
void askForStop(const FrameLoop& run)
{
    HWND player = run.player->window;
    if (!run.ownThread || player == nullptr ||
        !PostMessageA(player, hostStopRequest, 0, 0)) {
        *run.stopFlag = true;
        run.player->stopRequested = true;
    }
}

} // namespace

DWORD liveDelayMs(const VisModule& module)
{
    return static_cast<DWORD>(std::clamp(module.delayMs, 0, maxLatencyMs));
}

FrameLoopResult renderFrames(FrameLoop& run)
{
    const StartOptions& options = *run.options;
    FrameLoopResult loop;
    std::map<int, long> resultCounts;
    long firstNonzeroFrame = -1;
    int firstNonzeroResult = 0;
    long inVain = 0;
    const char* done = nullptr;
    LONGLONG pausedUntil = 0;
    Listening listening;
    beginTrack(run, listening);
    const LONGLONG start = monotonicMs();
    while (true) {
        noteStep("messages", loop.frames);
        if (pumpMessages(run, listening, loop)) {
            loop.reason = "wm-quit";
            break;
        }
        if (stopSeen(run)) {
            loop.reason = done != nullptr ? done : "host-closed";
            break;
        }
        if (done == nullptr) {
            done = doneReason(run, listening, loop.frames);
            if (done != nullptr) {
                askForStop(run);
            }
        }
        if (done != nullptr) {
            idle(stopPollMs);
            continue;
        }
        if (const LONGLONG left = pausedUntil - monotonicMs(); left > 0) {
            idle(static_cast<DWORD>(left));
            continue;
        }

        const auto frame = static_cast<std::uint64_t>(loop.frames);
        double seconds = 0.0;
        if (options.record) {
            // The plug-in's clock runs on over the whole queue; each track is shown its
            // own music from its first frame, as if it were recorded alone.
            setVirtualClock(recordClockMs(recordStartMs, frame, options.fps));
            seconds = recordFrameSeconds(listening.trackFrame, options.fps);
        } else if (run.playback != nullptr) {
            seconds = liveAnalysisSeconds(heardSeconds(*run.playback), run.module->latencyMs);
            showNowPlaying(run, listening);
        }
        noteStep("spectrum", loop.frames);
        feedSpectrum(*run.feed, run.module, frame, seconds, listening.paused);
        ++listening.trackFrame;

        noteStep("render", loop.frames);
        const long presentsBefore = presentedFrameCount();
        const long frames = loop.frames;
        const bool destroyNow = options.destroyHostAfter && frames == *options.destroyHostAfter &&
                                destroysWhileDrawing(run);
        const int result = callRender(run.renderer, run.module, [&] {
            if (destroyNow) {
                destroyHostWindowNow(run, frames);
            }
        });
        if (presentedFrameCount() == presentsBefore) {
            ++inVain;
        }
        if (result != 0 && firstNonzeroFrame < 0) {
            firstNonzeroFrame = loop.frames;
            firstNonzeroResult = result;
        }
        ++resultCounts[result];
        ++loop.frames;
        // The host contract: nonzero from render ends the visualisation.
        if (result != 0 && !options.ignoreRenderResult) {
            loop.reason = "render-ended";
            break;
        }
        actForThePlayer(run, loop.frames, pausedUntil);
        if (options.record) {
            if (!videoCaptureHealthy()) {
                loop.reason = "video-failed";
                loop.failure = "the recording stopped";
                break;
            }
            if (options.progress) {
                // A total of 0: a track whose length is known only at its end.
                std::fprintf(stderr, "progress %ld %llu\n", loop.frames,
                             static_cast<unsigned long long>(run.recordFrames));
            }
        } else {
            Sleep(liveDelayMs(*run.module));
        }
    }

    loop.elapsedMs = monotonicMs() - start;
    if (run.playback != nullptr) {
        loop.heardSeconds = heardSeconds(*run.playback);
    }
    endListening(run, listening, loop.reason);

    JsonLine counts = JsonLine::nested();
    for (const auto& [result, count] : resultCounts) {
        counts.number(std::to_string(result).c_str(), count);
    }
    JsonLine summary("renderSummary");
    summary.number("calls", loop.frames).object("results", counts).number("inVain", inVain);
    if (firstNonzeroFrame >= 0) {
        summary.number("firstNonzeroFrame", firstNonzeroFrame)
            .number("firstNonzeroResult", firstNonzeroResult);
    }
    run.log->write(summary);
    return loop;
}
