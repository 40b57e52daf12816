#include "media_foundation_stream.h"

#include "media_foundation_reader.h"
#include "media_foundation_calls.h"

#include <windows.h>
#include <mfreadwrite.h>
#include <propidl.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <vector>

namespace {

constexpr ULONGLONG decoderWindDownMs = 200;
// When the last decoder was let go; 0: none was.
std::atomic<ULONGLONG> lastDecoderClosedMs = 0;

struct DecoderCursor {
    MediaFoundationReader reader;
    int sampleRate = 0;          // the rate the track is played at, the decoder's first
    std::vector<float> block;    // the decoder's last block, interleaved
    std::size_t frame = 0;       // the next frame of it to hand over
    int blockChannels = 0;       // the channels of that block
    int keptChannels = 0;        // the stream's: 2 when the decoder first gave two or more
};

std::optional<std::size_t> readDecoded(DecoderCursor& cursor, float* left, float* right,
                                       std::size_t capacity, std::string& error)
{
    if (cursor.frame * static_cast<std::size_t>(cursor.blockChannels) >= cursor.block.size()) {
        switch (readMediaFoundationBlock(cursor.reader, cursor.block, error)) {
        case BlockStatus::end:
            return std::size_t{0};
        case BlockStatus::failed:
            return std::nullopt;
        case BlockStatus::samples:
            break;
        }
        // The track plays at one rate; a decoder that changes it part way ends the track.
        if (cursor.reader.sampleRate != cursor.sampleRate) {
            error = cursor.reader.name + ": the decoded rate changed from " +
                    std::to_string(cursor.sampleRate) + " to " +
                    std::to_string(cursor.reader.sampleRate) + " Hz part way";
            return std::nullopt;
        }
        cursor.frame = 0;
        cursor.blockChannels = cursor.reader.channels;
    }
    const auto channels = static_cast<std::size_t>(cursor.blockChannels);
    const std::size_t count = std::min(capacity, cursor.block.size() / channels - cursor.frame);
    for (std::size_t i = 0; i < count; ++i) {
        const float* frame = cursor.block.data() + (cursor.frame + i) * channels;
        left[i] = frame[0];
        if (cursor.keptChannels == 2) {
            right[i] = channels >= 2 ? frame[1] : frame[0];
        }
    }
    cursor.frame += count;
    return count;
}

// NOTE: the decoder lands on a block boundary near the time asked for, and hands out
// no time of its own that the player reads: a compressed track is placed to within a
// block (some tens of milliseconds), exactly only at its start.
bool seekDecoder(DecoderCursor& cursor, std::uint64_t frame, std::string& error)
{
    constexpr std::uint64_t ticksPerSecond = 10'000'000; // Media Foundation's 100 ns
    const auto rate = static_cast<std::uint64_t>(cursor.sampleRate);
    PROPVARIANT start;
    PropVariantInit(&start);
    start.vt = VT_I8;
    start.hVal.QuadPart = static_cast<LONGLONG>(frame / rate * ticksPerSecond +
                                                frame % rate * ticksPerSecond / rate);
    const HRESULT result = cursor.reader.reader->SetCurrentPosition(GUID_NULL, start);
    PropVariantClear(&start);
    if (FAILED(result)) {
        error = cursor.reader.name + ": cannot go to sample frame " + std::to_string(frame) + ": " +
                describeMediaFoundationError(result);
        return false;
    }
    cursor.reader.ended = false;
    cursor.reader.framesRead = frame;
    cursor.block.clear();
    cursor.frame = 0;
    return true;
}

} // namespace

bool openMediaFoundationStream(const std::string& path, AudioStream& stream, std::string& error)
{
    auto cursor = std::make_shared<DecoderCursor>();
    if (!openMediaFoundationReader(path, cursor->reader, error)) {
        return false;
    }
    cursor->sampleRate = cursor->reader.sampleRate;
    cursor->blockChannels = cursor->reader.channels;
    cursor->keptChannels = cursor->reader.channels >= 2 ? 2 : 1;
    AudioStream opened;
    opened.name = path;
    opened.sampleRate = cursor->reader.sampleRate;
    opened.channels = cursor->keptChannels;
    if (cursor->reader.declaredFrames > 0) {
        opened.declaredLength = cursor->reader.declaredFrames;
    }
    // The length a compressed file declares is an estimate: the track's end is where the
    // decoder ends.
    opened.read = [cursor](float* left, float* right, std::size_t capacity, std::string& fault) {
        return readDecoded(*cursor, left, right, capacity, fault);
    };
    opened.seek = [cursor](std::uint64_t frame, std::string& fault) {
        return seekDecoder(*cursor, frame, fault);
    };
    opened.close = [cursor] {
        closeMediaFoundationReader(cursor->reader);
        lastDecoderClosedMs = GetTickCount64();
    };
    stream = std::move(opened);
    return true;
}

void awaitDecoderWindDown()
{
    const ULONGLONG closed = lastDecoderClosedMs;
    if (closed == 0) {
        return;
    }
    const ULONGLONG since = GetTickCount64() - closed;
    if (since < decoderWindDownMs) {
        Sleep(static_cast<DWORD>(decoderWindDownMs - since));
    }
}
