#include "media_foundation_stream.h"

#include "media_foundation_reader.h"
#include "media_foundation_calls.h"

#include <windows.h>
#include <mfreadwrite.h>
#include <propidl.h>

#include <algorithm>
#include <memory>
#include <vector>

namespace {

constexpr DWORD decoderWindDownMs = 200;

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

bool rewindDecoder(DecoderCursor& cursor, std::string& error)
{
    PROPVARIANT start;
    PropVariantInit(&start);
    start.vt = VT_I8;
    start.hVal.QuadPart = 0;
    const HRESULT result = cursor.reader.reader->SetCurrentPosition(GUID_NULL, start);
    PropVariantClear(&start);
    if (FAILED(result)) {
        error = cursor.reader.name + ": cannot go back to the start: " +
                describeMediaFoundationError(result);
        return false;
    }
    cursor.reader.ended = false;
    cursor.reader.framesRead = 0;
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
    // The length a compressed file declares is an estimate: the track's end is where the
    // decoder ends.
    opened.read = [cursor](float* left, float* right, std::size_t capacity, std::string& fault) {
        return readDecoded(*cursor, left, right, capacity, fault);
    };
    opened.rewind = [cursor](std::string& fault) { return rewindDecoder(*cursor, fault); };
    opened.close = [cursor] {
        closeMediaFoundationReader(cursor->reader);
        // NOTE: under Wine the decoder's GStreamer threads wind down for a while after the
        // reader is released; a process that ends at once (the player closes its track just
        // before it exits) crashes in one of them about one time in five. A pause lets them
        // finish; on Windows it only makes the player end a moment later.
        Sleep(decoderWindDownMs);
    };
    stream = std::move(opened);
    return true;
}
