#include "run_loop.h"

#include "frame_capture.h"
#include "message_boxes.h"
#include "window_report.h"

#include <cstdint>
#include <map>
#include <string>

namespace {

constexpr int hostSampleRate = 44100;
constexpr int hostChannels = 2;

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

struct FrameLoopResult {
    long frames = 0;
    const char* reason = "frames-done";
    PumpResult pump;
};

void postCloseRequest(const HostWindow& host, long frames, HostLog& log)
{
    const bool posted =
        host.pluginWindow != nullptr && PostMessageA(host.pluginWindow, WM_CLOSE, 0, 0) != FALSE;
    log.write(JsonLine("closeSent")
                  .number("afterFrames", frames)
                  .number("window", reinterpret_cast<std::uintptr_t>(host.pluginWindow))
                  .flag("posted", posted));
}

// Render calls until the frame count is reached, the plug-in posts WM_QUIT or
// the player's window is closed; logs a summary of the render results.
FrameLoopResult renderFrames(VisModule* module, const HostWindow& host, const PlayerOptions& options,
                             HostLog& log)
{
    FrameLoopResult loop;
    std::map<int, long> resultCounts;
    long firstNonzeroFrame = -1;
    int firstNonzeroResult = 0;
    while (true) {
        loop.pump = pumpMessages();
        if (loop.pump.quit) {
            loop.reason = "wm-quit";
            break;
        }
        if (host.closeRequested) {
            loop.reason = "host-closed";
            break;
        }
        if (options.frames && loop.frames >= *options.frames) {
            break;
        }
        const int result = module->render(module);
        if (result != 0 && firstNonzeroFrame < 0) {
            firstNonzeroFrame = loop.frames;
            firstNonzeroResult = result;
        }
        ++resultCounts[result];
        ++loop.frames;
        if (options.sendCloseAfter && loop.frames == *options.sendCloseAfter) {
            postCloseRequest(host, loop.frames, log);
        }
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
    log.write(summary);
    return loop;
}

void callQuit(VisModule* module, HostLog& log)
{
    const int result = module->quit(module);
    log.write(JsonLine("quit").number("result", result));
}

} // namespace

RunOutcome runPlugin(const LoadedPlugin& plugin, HostWindow& host, const PlayerOptions& options,
                     HostLog& log)
{
    VisModule* module = plugin.module;
    module->parentWindow = host.window;
    module->dllInstance = plugin.library;
    module->sampleRate = hostSampleRate;
    module->channels = hostChannels;

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

    const FrameLoopResult loop = renderFrames(module, host, options, log);

    const HWND announced = host.pluginWindow;
    callQuit(module, log);
    log.write(describeLeftovers("afterQuit", announced, plugin.library));

    JsonLine exit("exit");
    exit.text("reason", loop.reason)
        .number("frames", loop.frames)
        .number("presents", presentedFrameCount());
    if (loop.pump.quit) {
        exit.number("quitExitCode", static_cast<std::uintptr_t>(loop.pump.exitCode));
    }
    log.write(exit);
    return RunOutcome::completed;
}
