#include "live_playback.h"

#include "playback_pcm.h"

#include <algorithm>
#include <cstdio>
#include <limits>
#include <optional>
#include <string>

namespace {

constexpr int outputChannels = 2;
constexpr int outputBytesPerFrame = outputChannels * 2;

int sampleRate(const LivePlayback& playback)
{
    return playback.track->stream.sampleRate;
}

double trackSeconds(const LivePlayback& playback)
{
    const std::optional<std::uint64_t> length = trackLength(*playback.track);
    return length ? static_cast<double>(*length) / sampleRate(playback)
                  : std::numeric_limits<double>::infinity();
}

double clockSeconds(const LivePlayback& playback)
{
    if (playback.paused) {
        return playback.clockOffsetSeconds;
    }
    LARGE_INTEGER now{};
    QueryPerformanceCounter(&now);
    const auto ticks = static_cast<double>(now.QuadPart - playback.clockStart.QuadPart);
    return playback.clockOffsetSeconds + ticks / static_cast<double>(playback.frequency.QuadPart);
}

void startClock(LivePlayback& playback, double atSeconds)
{
    QueryPerformanceCounter(&playback.clockStart);
    playback.clockOffsetSeconds = atSeconds;
}

std::string describeWaveError(MMRESULT result)
{
    char text[MAXERRORLENGTH] = {};
    if (waveOutGetErrorTextA(result, text, sizeof text) != MMSYSERR_NOERROR) {
        return "error " + std::to_string(result);
    }
    return std::string(text) + " (" + std::to_string(result) + ")";
}

// Where the listener is in the track, by the output's own position.
double devicePosition(LivePlayback& playback)
{
    const auto origin = static_cast<double>(playback.originFrame);
    MMTIME position{.wType = TIME_SAMPLES, .u = {}};
    if (waveOutGetPosition(playback.device, &position, sizeof position) == MMSYSERR_NOERROR) {
        if (position.wType == TIME_SAMPLES) {
            return (origin + position.u.sample) / sampleRate(playback);
        }
        if (position.wType == TIME_BYTES) {
            return (origin + position.u.cb / outputBytesPerFrame) / sampleRate(playback);
        }
    }
    // A driver without a usable position: what has been queued is what was heard.
    return static_cast<double>(playback.nextFrame) / sampleRate(playback);
}

// Closes the output after a failure and carries on from where the listener is.
void fallBackToSilence(LivePlayback& playback, const std::string& reason)
{
    if (!playback.silenceTold) {
        std::fprintf(stderr, "zelplay: %s; playing in silence\n", reason.c_str());
        playback.silenceTold = true;
    }
    playback.log->write(JsonLine("audioOutput").flag("device", false).text("reason", reason));
    const double heard =
        playback.device != nullptr ? std::min(devicePosition(playback), trackSeconds(playback)) : 0.0;
    stopPlayback(playback);
    startClock(playback, heard);
}

bool queueBuffer(LivePlayback& playback, int index, std::string& error)
{
    WAVEHDR& header = playback.headers[static_cast<size_t>(index)];
    if ((header.dwFlags & WHDR_PREPARED) != 0) {
        const MMRESULT result = waveOutUnprepareHeader(playback.device, &header, sizeof header);
        if (result != MMSYSERR_NOERROR) {
            error = "cannot reuse an audio buffer: " + describeWaveError(result);
            return false;
        }
    }
    const size_t frames = framesAvailable(*playback.track, playback.nextFrame, playback.bufferFrames);
    std::int16_t* memory =
        playback.samples.data() + static_cast<size_t>(index) * playback.bufferFrames * outputChannels;
    interleavePcm16Stereo(*playback.track, playback.nextFrame, frames, memory);
    header = WAVEHDR{
        .lpData = reinterpret_cast<LPSTR>(memory),
        .dwBufferLength = static_cast<DWORD>(frames * outputBytesPerFrame),
        .dwBytesRecorded = 0,
        .dwUser = 0,
        .dwFlags = 0,
        .dwLoops = 0,
        .lpNext = nullptr,
        .reserved = 0,
    };
    MMRESULT result = waveOutPrepareHeader(playback.device, &header, sizeof header);
    if (result == MMSYSERR_NOERROR) {
        result = waveOutWrite(playback.device, &header, sizeof header);
    }
    if (result != MMSYSERR_NOERROR) {
        error = "cannot queue audio: " + describeWaveError(result);
        return false;
    }
    playback.nextFrame += frames;
    return true;
}

// Queues the next stretch of the track in every buffer that is free.
bool refill(LivePlayback& playback, std::string& error)
{
    for (int index = 0; index < playbackBufferCount; ++index) {
        if (framesAvailable(*playback.track, playback.nextFrame, 1) == 0) {
            return true;
        }
        const DWORD flags = playback.headers[static_cast<size_t>(index)].dwFlags;
        const bool free = (flags & WHDR_PREPARED) == 0 || (flags & WHDR_DONE) != 0;
        if (free && !queueBuffer(playback, index, error)) {
            return false;
        }
    }
    return true;
}

} // namespace

void startPlayback(LivePlayback& playback, TrackWindow& track, HostLog& log)
{
    playback.track = &track;
    playback.log = &log;
    QueryPerformanceFrequency(&playback.frequency);
    startClock(playback, 0.0);

    const auto rate = static_cast<DWORD>(track.stream.sampleRate);
    const WAVEFORMATEX format{
        .wFormatTag = WAVE_FORMAT_PCM,
        .nChannels = outputChannels,
        .nSamplesPerSec = rate,
        .nAvgBytesPerSec = rate * outputBytesPerFrame,
        .nBlockAlign = outputBytesPerFrame,
        .wBitsPerSample = 16,
        .cbSize = 0,
    };
    const MMRESULT opened = waveOutOpen(&playback.device, WAVE_MAPPER, &format, 0, 0, CALLBACK_NULL);
    if (opened != MMSYSERR_NOERROR) {
        playback.device = nullptr;
        const bool noDevice = opened == MMSYSERR_BADDEVICEID || opened == MMSYSERR_NODRIVER ||
                              waveOutGetNumDevs() == 0;
        fallBackToSilence(playback, noDevice ? std::string("no audio output device")
                                             : "the audio output refuses 16-bit stereo at " +
                                                   std::to_string(track.stream.sampleRate) +
                                                   " Hz: " + describeWaveError(opened));
        return;
    }
    // A listener who paused and moved on to the next track hears nothing of it yet.
    if (playback.paused) {
        waveOutPause(playback.device);
    }
    playback.bufferFrames =
        std::max<size_t>(static_cast<size_t>(track.stream.sampleRate) / playbackBuffersPerSecond, 1);
    playback.samples.assign(playback.bufferFrames * outputChannels * playbackBufferCount, 0);
    std::string error;
    if (!refill(playback, error)) {
        fallBackToSilence(playback, error);
        return;
    }
    startClock(playback, 0.0);
    log.write(JsonLine("audioOutput").flag("device", true).number("sampleRate", track.stream.sampleRate));
}

double heardSeconds(LivePlayback& playback)
{
    if (playback.device == nullptr) {
        return std::min(clockSeconds(playback), trackSeconds(playback));
    }
    std::string error;
    if (!refill(playback, error)) {
        // The listener hears nothing more; the picture carries on from here.
        fallBackToSilence(playback, error);
        return heardSeconds(playback);
    }
    return std::min(devicePosition(playback), trackSeconds(playback));
}

bool playbackEnded(LivePlayback& playback)
{
    if (playback.device == nullptr) {
        // Looking for the frame under the clock learns the end of a track of unknown length.
        const double clock = clockSeconds(playback);
        const auto frame = static_cast<std::uint64_t>(std::max(clock, 0.0) * sampleRate(playback));
        return clock >= trackSeconds(playback) || framesAvailable(*playback.track, frame, 1) == 0;
    }
    if (framesAvailable(*playback.track, playback.nextFrame, 1) > 0) {
        return false;
    }
    return std::all_of(playback.headers.begin(), playback.headers.end(), [](const WAVEHDR& header) {
        return (header.dwFlags & WHDR_PREPARED) == 0 || (header.dwFlags & WHDR_DONE) != 0;
    });
}

void stopPlayback(LivePlayback& playback)
{
    if (playback.device == nullptr) {
        return;
    }
    // The end of the run: a failure to stop or close changes nothing for it, and
    // the process ends soon after.
    waveOutReset(playback.device);
    for (WAVEHDR& header : playback.headers) {
        if ((header.dwFlags & WHDR_PREPARED) != 0) {
            waveOutUnprepareHeader(playback.device, &header, sizeof header);
        }
    }
    waveOutClose(playback.device);
    playback.device = nullptr;
}

void pausePlayback(LivePlayback& playback)
{
    if (playback.paused) {
        return;
    }
    playback.clockOffsetSeconds = clockSeconds(playback);
    playback.paused = true;
    if (playback.device != nullptr) {
        waveOutPause(playback.device);
    }
}

void resumePlayback(LivePlayback& playback)
{
    if (!playback.paused) {
        return;
    }
    playback.paused = false;
    startClock(playback, playback.clockOffsetSeconds);
    if (playback.device != nullptr) {
        waveOutRestart(playback.device);
    }
}

void seekPlayback(LivePlayback& playback, double seconds)
{
    const double target = std::clamp(seconds, 0.0, trackSeconds(playback));
    const auto frame = static_cast<std::uint64_t>(target * sampleRate(playback));
    seekTrackWindow(*playback.track, frame);
    playback.clockOffsetSeconds = target;
    if (!playback.paused) {
        startClock(playback, target);
    }
    if (playback.device == nullptr) {
        return;
    }
    // waveOutReset hands every buffer back and sets the position to 0.
    waveOutReset(playback.device);
    if (playback.paused) {
        waveOutPause(playback.device);
    }
    playback.nextFrame = frame;
    playback.originFrame = frame;
    std::string error;
    if (!refill(playback, error)) {
        fallBackToSilence(playback, error);
    }
}

void playNextTrack(LivePlayback& playback, TrackWindow& track)
{
    stopPlayback(playback);
    LivePlayback next;
    next.silenceTold = playback.silenceTold;
    next.paused = playback.paused;
    HostLog& log = *playback.log;
    playback = std::move(next);
    startPlayback(playback, track, log);
}
