#include "audio_stream.h"

#include <algorithm>
#include <memory>
#include <new>
#include <vector>

void closeAudioStream(AudioStream& stream) {
    if (stream.close) stream.close();
    stream = AudioStream{};
}

AudioStream trackStream(AudioTrack track, std::string name) {
    struct Cursor {
        AudioTrack track;
        std::size_t next = 0;
    };
    auto cursor = std::make_shared<Cursor>(Cursor{std::move(track), 0});
    AudioStream stream;
    stream.name = std::move(name);
    stream.sampleRate = cursor->track.sampleRate;
    stream.channels = cursor->track.channels >= 2 ? 2 : 1;
    stream.length = frameCount(cursor->track);
    stream.read = [cursor](float* left, float* right, std::size_t capacity,
                           std::string&) -> std::optional<std::size_t> {
        const AudioTrack& whole = cursor->track;
        const std::size_t count = std::min(capacity, frameCount(whole) - cursor->next);
        std::copy_n(whole.left.begin() + static_cast<std::ptrdiff_t>(cursor->next), count, left);
        if (whole.channels >= 2)
            std::copy_n(whole.right.begin() + static_cast<std::ptrdiff_t>(cursor->next), count, right);
        cursor->next += count;
        return count;
    };
    stream.seek = [cursor](std::uint64_t frame, std::string&) {
        cursor->next = static_cast<std::size_t>(std::min<std::uint64_t>(frame, frameCount(cursor->track)));
        return true;
    };
    return stream;
}

bool readWholeStream(AudioStream& stream, AudioTrack& track, std::string& error) {
    constexpr std::size_t blockFrames = 4096;
    AudioTrack whole;
    whole.sampleRate = stream.sampleRate;
    whole.channels = stream.channels;
    std::vector<float> left(blockFrames);
    std::vector<float> right(blockFrames);
    try {
        while (true) {
            const std::optional<std::size_t> got =
                stream.read(left.data(), right.data(), blockFrames, error);
            if (!got) return false;
            if (*got == 0) break;
            whole.left.insert(whole.left.end(), left.begin(), left.begin() + static_cast<std::ptrdiff_t>(*got));
            if (whole.channels == 2)
                whole.right.insert(whole.right.end(), right.begin(),
                                   right.begin() + static_cast<std::ptrdiff_t>(*got));
        }
    } catch (const std::bad_alloc&) {
        error = stream.name + ": not enough memory to hold the whole track";
        return false;
    }
    if (frameCount(whole) == 0) {
        error = stream.name + ": " + std::string(noAudioFault);
        return false;
    }
    track = std::move(whole);
    return true;
}
