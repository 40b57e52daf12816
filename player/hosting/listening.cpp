#include "hosting/listening.h"

#include "frame_timing.h"
#include "queue/now_playing.h"
#include "queue/play_queue.h"
#include "queue/player_keys.h"

#include <algorithm>
#include <optional>

namespace {

std::string digestText(std::uint64_t digest)
{
    constexpr char digits[] = "0123456789abcdef";
    std::string text(16, '0');
    for (int i = 15; i >= 0; --i, digest >>= 4) {
        text[static_cast<std::size_t>(i)] = digits[digest & 0xF];
    }
    return text;
}

// What the track fed the plug-in, for a track that ends for `reason`.
void logTrackEnd(HostLog& log, std::size_t index, std::uint64_t frames, std::uint64_t digest,
                 const char* reason)
{
    log.write(JsonLine("trackEnd")
                  .number("index", index)
                  .number("frames", frames)
                  .text("digest", digestText(digest))
                  .text("reason", reason));
}

// The first item that plays from `from` on by `step`, in place of the track playing,
// which ends for `reason`. False when none plays that way: the track plays on.
bool switchTrack(FrameLoop& run, Listening& listening, std::size_t from, int step, const char* reason)
{
    PlayQueue& queue = *run.queue;
    const std::size_t ending = queue.index;
    const std::uint64_t frames = run.feed->trackFrames;
    const std::uint64_t digest = run.feed->trackDigest;
    // NOTE: the output plays from samples copied out of the track; nothing reads the
    // track window between here and the next track's playback, so it may change hands.
    if (!playQueueItem(queue, from, step)) {
        return false;
    }
    logTrackEnd(*run.log, ending, frames, digest, reason);
    beginTrack(run, listening);
    if (run.playback != nullptr) {
        playNextTrack(*run.playback, queue.track);
    }
    return true;
}

bool live(const FrameLoop& run)
{
    return run.playback != nullptr;
}

// What each key does, where it can: false where it cannot. Pause, the seeks and the track
// before need music heard live; a recording, which shows each track whole into a video of
// one size, takes neither the next track nor the screen.
bool act(FrameLoop& run, Listening& listening, PlayerAction action)
{
    PlayQueue* queue = run.queue;
    switch (action) {
    case PlayerAction::pause:
        if (!live(run)) return false;
        listening.paused = !listening.paused;
        listening.paused ? pausePlayback(*run.playback) : resumePlayback(*run.playback);
        return true;
    case PlayerAction::back:
    case PlayerAction::forward:
    case PlayerAction::backFar:
    case PlayerAction::forwardFar: {
        if (!live(run)) return false;
        const bool distant = action == PlayerAction::backFar || action == PlayerAction::forwardFar;
        const bool back = action == PlayerAction::back || action == PlayerAction::backFar;
        const double step = distant ? farSeekSeconds : seekSeconds;
        seekPlayback(*run.playback, trackPosition(run, listening) + (back ? -step : step));
        return true;
    }
    case PlayerAction::next:
        if (queue == nullptr || run.options->record) return false;
        if (!switchTrack(run, listening, queue->index + 1, 1, "next")) {
            listening.queueEnded = true;
        }
        return true;
    case PlayerAction::previous:
        if (queue == nullptr || !live(run)) return false;
        // Before the first track that plays, the track again.
        if (queue->index == 0 || !switchTrack(run, listening, queue->index - 1, -1, "previous")) {
            seekPlayback(*run.playback, 0.0);
        }
        return true;
    case PlayerAction::stop:
        // As the close box of the player's window: its thread ends the start, and the run.
        if (run.player->window == nullptr || !PostMessageW(run.player->window, WM_CLOSE, 0, 0)) {
            run.player->closeRequested = true;
            *run.stopFlag = true;
        }
        return true;
    case PlayerAction::fullScreen:
        if (run.options->record) return false;
        return toggleFullScreen(listening.fullScreen, run.pluginWindow);
    }
    return false;
}

void describeWindow(JsonLine& line, HWND window)
{
    RECT outer{};
    RECT client{};
    if (window == nullptr || !GetWindowRect(window, &outer) || !GetClientRect(window, &client)) {
        return;
    }
    line.number("windowWidth", outer.right - outer.left)
        .number("windowHeight", outer.bottom - outer.top)
        .number("clientWidth", client.right)
        .number("clientHeight", client.bottom)
        .number("screenWidth", GetSystemMetrics(SM_CXSCREEN))
        .number("screenHeight", GetSystemMetrics(SM_CYSCREEN));
}

} // namespace

void beginTrack(const FrameLoop& run, Listening& listening)
{
    listening.trackFrame = 0;
    startTrackDigest(*run.feed);
    if (run.queue == nullptr) {
        return;
    }
    const TrackWindow& track = run.queue->track;
    run.module->sampleRate = track.stream.sampleRate;
    run.module->channels = track.stream.channels;
    JsonLine line("track");
    line.number("index", run.queue->index)
        .name("name", track.stream.name)
        .number("sampleRate", track.stream.sampleRate)
        .number("channels", track.stream.channels);
    if (const std::optional<std::uint64_t> length = trackLength(track)) {
        line.number("frames", *length);
    } else {
        line.null("frames");
    }
    run.log->write(line);
}

bool playOn(FrameLoop& run, Listening& listening)
{
    if (run.queue == nullptr || !switchTrack(run, listening, run.queue->index + 1, 1, "end")) {
        listening.queueEnded = true;
        return false;
    }
    return true;
}

double trackPosition(const FrameLoop& run, const Listening& listening)
{
    if (run.playback != nullptr) {
        return heardSeconds(*run.playback);
    }
    return recordFrameSeconds(listening.trackFrame, run.options->fps);
}

void actOnKey(FrameLoop& run, Listening& listening, unsigned code, bool repeated)
{
    const std::optional<PlayerAction> action = actionForKey(code, GetKeyState(VK_SHIFT) < 0);
    // A key held down repeats: a seek goes on, a switch does not.
    const bool seeks = action == PlayerAction::back || action == PlayerAction::forward ||
                       action == PlayerAction::backFar || action == PlayerAction::forwardFar;
    if (!action || (repeated && !seeks)) {
        return;
    }
    const std::size_t trackBefore = run.queue != nullptr ? run.queue->index : 0;
    const double before = run.queue != nullptr ? trackPosition(run, listening) : 0.0;
    const bool acted = act(run, listening, *action);
    JsonLine line("key");
    line.text("action", actionName(*action)).flag("acted", acted);
    if (run.queue != nullptr) {
        line.number("trackBefore", trackBefore)
            .decimal("before", before, 3)
            .number("track", run.queue->index)
            .decimal("after", trackPosition(run, listening), 3)
            .flag("paused", listening.paused);
    }
    if (*action == PlayerAction::fullScreen) {
        line.flag("fullScreen", listening.fullScreen.window != nullptr);
        describeWindow(line, run.pluginWindow);
    }
    run.log->write(line);
}

void showNowPlaying(FrameLoop& run, Listening& listening)
{
    if (run.queue == nullptr || !live(run)) {
        return;
    }
    const PlayQueue& queue = *run.queue;
    std::optional<std::uint64_t> frames = trackLength(queue.track);
    if (!frames) {
        frames = queue.track.stream.declaredLength;
    }
    const double rate = queue.track.stream.sampleRate;
    const std::string title = nowPlayingTitle(NowPlaying{
        .source = queue.track.stream.name,
        .file = queue.items[queue.index].source == AudioSource::file,
        .position = trackPosition(run, listening),
        .length = frames ? std::optional<double>(static_cast<double>(*frames) / rate) : std::nullopt,
        .paused = listening.paused,
    });
    if (title == listening.title) {
        return;
    }
    // Logged when it shows another track, or the pause: not every second.
    const bool logged = queue.index != listening.titledTrack || listening.paused != listening.titledPaused;
    listening.title = title;
    listening.titledTrack = queue.index;
    listening.titledPaused = listening.paused;
    showHostTitle(*run.player, title, logged);
}

void endListening(FrameLoop& run, Listening& listening, const char* reason)
{
    if (listening.fullScreen.window != nullptr) {
        toggleFullScreen(listening.fullScreen, listening.fullScreen.window);
    }
    if (run.queue != nullptr) {
        logTrackEnd(*run.log, run.queue->index, run.feed->trackFrames, run.feed->trackDigest, reason);
    }
    if (!listening.title.empty()) {
        showHostTitle(*run.player, "zelplay", false);
    }
}
