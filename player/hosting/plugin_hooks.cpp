#include "hosting/plugin_hooks.h"

#include "hosting/context_watch.h"
#include "hosting/message_boxes.h"
#include "hosting/run_loop.h"
#include "recording/frame_capture.h"
#include "recording/virtual_clock.h"
#include "tracing/gl_trace.h"

bool installPluginHooks(HMODULE plugin, const StartOptions& options, HWND mainWindow,
                        HostLog& log, std::string& error)
{
    const bool boxes = installMessageBoxHook(plugin, options.unattended, mainWindow, log);
    const FrameCaptureRequest captureRequest{
        .swaps = options.saveSwaps,
        .last = options.saveLastSwap,
        .outDir = options.outDir,
    };
    const bool swaps = installFrameCapture(plugin, captureRequest, log);
    const bool contexts = installContextWatch(plugin);
    log.write(JsonLine("hooks")
                  .flag("messageBoxA", boxes)
                  .flag("swapBuffers", swaps)
                  .flag("glContexts", contexts));
    const bool savingFrames = !options.saveSwaps.empty() || options.saveLastSwap;
    if ((savingFrames || !options.videoOut.empty()) && !swaps) {
        error = "cannot capture frames: the plug-in does not import SwapBuffers from gdi32";
        return false;
    }
    if (!options.glTracePath.empty() && !installGlTrace(plugin, options.glTracePath, log, error)) {
        return false;
    }
    return !options.record || installVirtualClock(plugin, recordStartMs, log, error);
}
