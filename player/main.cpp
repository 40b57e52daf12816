// zelplay: a stand-in for the media player that hosts a visualisation plug-in,
// made to drive the plug-in unattended and record what a host can observe.

#include "audio_input.h"
#include "demo_track.h"
#include "frame_capture.h"
#include "gl_trace.h"
#include "host_log.h"
#include "host_window.h"
#include "message_boxes.h"
#include "options.h"
#include "plugin_loader.h"
#include "run_loop.h"
#include "vis_thread.h"
#include "video_output.h"
#include "virtual_clock.h"
#include "wav_writer.h"

#include <cstdint>
#include <cstdio>
#include <functional>

namespace {

constexpr int exitOk = 0;
constexpr int exitFailure = 1;
constexpr int exitUsage = 2;
constexpr int exitInitFailed = 3;

int failWith(int code, const std::string& message)
{
    std::fprintf(stderr, "zelplay: %s\n", message.c_str());
    return code;
}

void logPlugin(HostLog& log, const std::string& path, const LoadedPlugin& plugin)
{
    log.write(JsonLine("run").text("plugin", path).number("pointerBits", sizeof(void*) * 8));
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

int writeDemoWav(const std::string& path)
{
    std::string error;
    if (!writeWav16File(path, synthesiseDemoTrack(), error)) {
        return failWith(exitFailure, error);
    }
    return exitOk;
}

} // namespace

int main(int argc, char** argv)
{
    std::string error;
    const auto options = parseOptions(argc, argv, error);
    if (!options) {
        return failWith(exitUsage, error + " (see --help)");
    }
    if (options->help) {
        std::fputs(usageText, stdout);
        return exitOk;
    }

    if (!options->demoWavPath.empty()) {
        return writeDemoWav(options->demoWavPath);
    }

    AudioTrack track;
    if (!loadAudio(*options, track, error)) {
        return failWith(exitFailure, error);
    }
    const bool hasTrack = options->audio != AudioSource::none;

    HostLog log;
    if (!options->logPath.empty() && !log.open(options->logPath)) {
        return failWith(exitFailure, "cannot write the log '" + options->logPath + "'");
    }

    const std::string path = options->pluginPath.empty() ? defaultPluginPath() : options->pluginPath;
    LoadedPlugin plugin;
    if (!loadPlugin(path, plugin, error)) {
        return failWith(exitFailure, error);
    }
    logPlugin(log, path, plugin);

    HostWindow host{
        .oldHost = options->oldHost, .resizeOnNotice = options->resizeOnNotice, .log = &log};
    if (!createHostWindow(GetModuleHandleA(nullptr), host, error)) {
        unloadPlugin(plugin);
        return failWith(exitFailure, error);
    }
    const auto giveUp = [&](const std::string& reason) {
        unloadPlugin(plugin);
        destroyHostWindow(host);
        return failWith(exitFailure, reason);
    };

    const bool boxesHooked =
        installMessageBoxHook(plugin.library, options->unattended, host.window, log);
    const FrameCaptureRequest captureRequest{
        .swaps = options->saveSwaps,
        .last = options->saveLastSwap,
        .outDir = options->outDir,
    };
    const bool swapsHooked = installFrameCapture(plugin.library, captureRequest, log);
    log.write(JsonLine("hooks").flag("messageBoxA", boxesHooked).flag("swapBuffers", swapsHooked));
    const bool savingFrames = !options->saveSwaps.empty() || options->saveLastSwap;
    if ((savingFrames || !options->videoOut.empty()) && !swapsHooked) {
        return giveUp("cannot capture frames: the plug-in does not import SwapBuffers from gdi32");
    }
    if (!options->glTracePath.empty() &&
        !installGlTrace(plugin.library, options->glTracePath, log, error)) {
        return giveUp(error);
    }
    if (options->record && !installVirtualClock(plugin.library, recordStartMs, log, error)) {
        return giveUp(error);
    }

    VideoOutput video;
    const bool writingVideo = !options->videoOut.empty();
    if (writingVideo) {
        const FrameSize size = options->size.value_or(defaultRecordSize);
        if (!openVideoOutput(video, options->videoOut, size.width, size.height, error)) {
            return giveUp(error);
        }
    }
    const RunMedia media{
        .track = hasTrack ? &track : nullptr,
        .video = writingVideo ? &video : nullptr,
    };

    RunOutcome outcome = RunOutcome::failed;
    const std::function<void()> run = [&] {
        outcome = runPlugin(plugin, host, *options, media, log, error);
    };
    if (options->singleThread) {
        run();
    } else {
        runOnVisThread(run, error);
    }
    std::string captureError;
    const bool traceWritten = finishGlTrace(captureError);
    const bool framesSaved = finishFrameCapture(captureError) && traceWritten;
    bool videoWritten = true;
    if (writingVideo) {
        if (outcome == RunOutcome::completed) {
            videoWritten = finishVideoOutput(video, captureError);
        } else {
            abandonVideoOutput(video);
        }
    }

    const bool unloaded = unloadPlugin(plugin);
    log.write(JsonLine("unload").flag("freed", unloaded));
    destroyHostWindow(host);

    if (outcome == RunOutcome::initFailed) {
        return failWith(exitInitFailed, "the plug-in's init failed");
    }
    if (outcome == RunOutcome::failed) {
        return failWith(exitFailure, error);
    }
    if (!framesSaved || !videoWritten) {
        return failWith(exitFailure, captureError);
    }
    return exitOk;
}
