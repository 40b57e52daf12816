#include "track_window.h"

#include <algorithm>
#include <new>

namespace {

// Reads the next block into the ring; false once the stream has ended.
bool readBlock(TrackWindow& window) {
    if (window.ended) return false;
    const std::size_t position = static_cast<std::size_t>(window.end % window.capacity);
    const std::size_t room = std::min(trackReadFrames, window.capacity - position);
    float* right = window.right.empty() ? window.left.data() : window.right.data();
    std::string error;
    const std::optional<std::size_t> got =
        window.stream.read(window.left.data() + position, right + position, room, error);
    if (!got || *got == 0) {
        // A source that fails mid-track ends the track where it failed.
        if (!got) window.failure = error;
        window.ended = true;
        return false;
    }
    window.end += *got;
    if (window.end > window.capacity) window.first = std::max(window.first, window.end - window.capacity);
    return true;
}

// The ring empties and fills again from `frame` on.
bool restartAt(TrackWindow& window, std::uint64_t frame) {
    std::string error;
    if (!window.stream.seek || !window.stream.seek(frame, error)) return false;
    window.first = frame;
    window.end = frame;
    window.ended = false;
    window.failure.clear();
    return true;
}

}  // namespace

bool openTrackWindow(TrackWindow& window, AudioStream stream, std::string& error) {
    const auto rate = static_cast<std::size_t>(stream.sampleRate);
    TrackWindow opened;
    opened.capacity = trackWindowSeconds * rate + 2 * trackReadFrames;
    try {
        opened.left.assign(opened.capacity, 0.0f);
        if (stream.channels == 2) opened.right.assign(opened.capacity, 0.0f);
    } catch (const std::bad_alloc&) {
        error = stream.name + ": not enough memory for " + std::to_string(trackWindowSeconds) +
                " seconds of audio";
        closeAudioStream(stream);
        return false;
    }
    opened.stream = std::move(stream);
    if (!readBlock(opened)) {
        error = opened.failure.empty() ? opened.stream.name + ": " + noAudioFault : opened.failure;
        closeAudioStream(opened.stream);
        return false;
    }
    window = std::move(opened);
    return true;
}

void closeTrackWindow(TrackWindow& window) {
    closeAudioStream(window.stream);
    window = TrackWindow{};
}

std::optional<std::uint64_t> trackLength(const TrackWindow& window) {
    if (window.ended) return window.end;
    return window.stream.length;
}

std::size_t framesAvailable(TrackWindow& window, std::uint64_t first, std::size_t count) {
    while (!trackLength(window) && window.end < first + count) readBlock(window);
    const std::uint64_t length = trackLength(window).value_or(first + count);
    return first >= length ? 0 : static_cast<std::size_t>(std::min<std::uint64_t>(count, length - first));
}

void copyFrames(TrackWindow& window, int channel, std::int64_t first, std::size_t count, float* out) {
    const std::vector<float>& ring = channel == 1 && !window.right.empty() ? window.right : window.left;
    std::size_t done = 0;
    while (done < count) {
        const std::int64_t frame = first + static_cast<std::int64_t>(done);
        const std::optional<std::uint64_t> length = trackLength(window);
        const bool before = frame < 0;
        const bool after = length && static_cast<std::uint64_t>(frame) >= *length;
        if (before || after) {
            out[done++] = 0.0f;
            continue;
        }
        const auto at = static_cast<std::uint64_t>(frame);
        // From the start, so that every source gives exactly the samples it gave before.
        if (at < window.first && !restartAt(window, 0)) {
            out[done++] = 0.0f;
            continue;
        }
        if (at >= window.end) {
            readBlock(window);
            continue;
        }
        // A run of held frames up to the ring's wrap, the window's end or the request's.
        const std::size_t position = static_cast<std::size_t>(at % window.capacity);
        const std::size_t run = static_cast<std::size_t>(std::min<std::uint64_t>(
            {count - done, window.end - at, window.capacity - position}));
        std::copy_n(ring.begin() + static_cast<std::ptrdiff_t>(position), run, out + done);
        done += run;
    }
}

void seekTrackWindow(TrackWindow& window, std::uint64_t frame) {
    // The analysis looks back from where it stands: the ring starts a block earlier.
    const std::uint64_t from = frame - std::min<std::uint64_t>(frame, trackReadFrames);
    const std::optional<std::uint64_t> length = trackLength(window);
    if ((from >= window.first && frame <= window.end) || (length && frame >= *length)) return;
    // A source that cannot seek reads on to a later frame as it is asked for, and goes
    // back to its start for an earlier one, where it can.
    restartAt(window, from);
}
