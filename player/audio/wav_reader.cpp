#include "wav_reader.h"

#include "pcm_samples.h"
#include "utf8_file.h"

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>
#include <optional>
#include <vector>

namespace {

constexpr std::uint32_t unknownSize = 0xFFFFFFFFu;
constexpr std::uint16_t formatPcm = 1;
constexpr std::uint16_t formatFloat = 3;
constexpr std::uint16_t formatExtensible = 0xFFFE;

// The bytes that follow the two-byte format code in the sub-format GUID of
// WAVE_FORMAT_EXTENSIBLE (KSDATAFORMAT_SUBTYPE_PCM and _IEEE_FLOAT share them).
constexpr std::array<std::uint8_t, 14> subFormatGuidTail = {
    0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

struct Chunk {
    std::size_t offset = 0;  // of the chunk body
    std::size_t size = 0;
};

struct WavFormat {
    std::uint16_t code = 0;  // formatPcm or formatFloat, after resolving the extensible form
    std::uint16_t channels = 0;
    std::uint32_t sampleRate = 0;
    std::uint16_t blockAlign = 0;
    std::uint16_t bitsPerSample = 0;
};

using SampleDecoder = float (*)(const std::uint8_t*);

bool hasId(std::span<const std::uint8_t> file, std::size_t offset, const char (&id)[5]) {
    return std::memcmp(file.data() + offset, id, 4) == 0;
}

// Chunk ids in messages: printable ASCII as is, anything else as '?', so a hostile file
// cannot put control characters on the user's terminal.
std::string printableId(const std::uint8_t* p) {
    std::string id;
    for (int i = 0; i < 4; ++i) id += (p[i] >= 0x20 && p[i] < 0x7F) ? static_cast<char>(p[i]) : '?';
    return id;
}

std::string formatName(std::uint16_t code) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%04X", static_cast<unsigned>(code));
    return text;
}

// Reads the fmt chunk into `format`; returns the fault, or nothing when it is usable.
std::optional<std::string> parseFormat(std::span<const std::uint8_t> body, WavFormat& format) {
    if (body.size() < 16)
        return "fmt chunk is " + std::to_string(body.size()) + " bytes, fewer than the 16 it needs";
    const std::uint8_t* p = body.data();
    std::uint16_t code = readU16le(p);
    format.channels = readU16le(p + 2);
    format.sampleRate = readU32le(p + 4);
    format.blockAlign = readU16le(p + 12);
    format.bitsPerSample = readU16le(p + 14);

    if (code == formatExtensible) {
        if (body.size() < 40 || readU16le(p + 16) < 22)
            return std::string("WAVE_FORMAT_EXTENSIBLE fmt chunk is too short for its extension");
        const std::uint16_t validBits = readU16le(p + 18);
        if (validBits > format.bitsPerSample)
            return "valid bits per sample (" + std::to_string(validBits) +
                   ") exceed the container size (" + std::to_string(format.bitsPerSample) + ")";
        if (std::memcmp(p + 26, subFormatGuidTail.data(), subFormatGuidTail.size()) != 0)
            return std::string("WAVE_FORMAT_EXTENSIBLE sub-format is not PCM or IEEE float");
        code = readU16le(p + 24);
    }
    format.code = code;

    if (code != formatPcm && code != formatFloat)
        return "unsupported format " + formatName(code) + " (only PCM and IEEE float are read)";
    if (format.channels == 0) return std::string("fmt chunk says 0 channels");
    if (format.sampleRate < minSampleRate || format.sampleRate > maxSampleRate)
        return "sample rate " + std::to_string(format.sampleRate) + " Hz is outside " +
               std::to_string(minSampleRate) + ".." + std::to_string(maxSampleRate);
    if (format.blockAlign == 0) return std::string("block align is 0");
    const bool sizeOk = code == formatPcm
                            ? (format.bitsPerSample == 8 || format.bitsPerSample == 16 ||
                               format.bitsPerSample == 24 || format.bitsPerSample == 32)
                            : format.bitsPerSample == 32;
    if (!sizeOk)
        return "unsupported " + std::string(code == formatPcm ? "PCM" : "float") + " sample size " +
               std::to_string(format.bitsPerSample) + " bits";
    const std::uint32_t frameBytes = std::uint32_t{format.channels} * (format.bitsPerSample / 8u);
    if (format.blockAlign != frameBytes)
        return "block align " + std::to_string(format.blockAlign) + " does not match " +
               std::to_string(format.channels) + " channels of " +
               std::to_string(format.bitsPerSample) + " bits";
    return std::nullopt;
}

SampleDecoder decoderFor(const WavFormat& format) {
    if (format.code == formatFloat) return pcmF32ToFloat;
    switch (format.bitsPerSample) {
        case 8:
            return pcmU8ToFloat;
        case 16:
            return pcmS16ToFloat;
        case 24:
            return pcmS24ToFloat;
        default:
            return pcmS32ToFloat;
    }
}

// Walks the chunks of the RIFF body; returns the fault, or nothing with both chunks found.
std::optional<std::string> findChunks(std::span<const std::uint8_t> file, Chunk& fmt, Chunk& data) {
    if (file.size() < 12)
        return "too short for a RIFF header (" + std::to_string(file.size()) + " bytes)";
    if (hasId(file, 0, "RF64")) return std::string("RF64 (64-bit RIFF) files are not supported");
    if (!hasId(file, 0, "RIFF")) return std::string("not a RIFF file");
    if (!hasId(file, 8, "WAVE")) return std::string("RIFF file is not of type WAVE");

    const std::uint32_t riffSize = readU32le(file.data() + 4);
    std::size_t riffEnd = file.size();
    if (riffSize != unknownSize) {
        if (riffSize < 4) return "RIFF size " + std::to_string(riffSize) + " is too small";
        if (std::uint64_t{riffSize} + 8 > file.size())
            return "RIFF size says " + std::to_string(std::uint64_t{riffSize} + 8) +
                   " bytes but the file has " + std::to_string(file.size()) +
                   ": the file is truncated";
        // Bytes after the RIFF chunk (tags appended by other tools) are not ours to read.
        riffEnd = riffSize + std::size_t{8};
    }

    bool haveFmt = false;
    bool haveData = false;
    std::size_t pos = 12;
    while (pos < riffEnd) {
        if (riffEnd - pos < 8) return "truncated chunk header at offset " + std::to_string(pos);
        const std::string id = printableId(file.data() + pos);
        const std::uint32_t size = readU32le(file.data() + pos + 4);
        const std::size_t body = pos + 8;
        const bool isData = hasId(file, pos, "data");
        std::size_t bodySize = size;
        if (isData && size == unknownSize) {
            bodySize = riffEnd - body;
        } else if (size > riffEnd - body) {
            return "'" + id + "' chunk at offset " + std::to_string(pos) + " claims " +
                   std::to_string(size) + " bytes but only " + std::to_string(riffEnd - body) +
                   " remain: the file is truncated";
        }
        if (hasId(file, pos, "fmt ")) {
            if (haveFmt) return std::string("more than one fmt chunk");
            haveFmt = true;
            fmt = {body, bodySize};
        } else if (isData) {
            if (haveData) return std::string("more than one data chunk");
            haveData = true;
            data = {body, bodySize};
        }
        // Chunks are padded to an even length; a writer that left out the pad byte of the
        // last chunk ends the file one byte early, which is harmless.
        pos = body + bodySize + (bodySize & 1u);
    }
    if (!haveFmt) return std::string("no fmt chunk");
    if (!haveData) return std::string("no data chunk");
    return std::nullopt;
}

}  // namespace

bool decodeWav(std::span<const std::uint8_t> file, std::string_view name, AudioTrack& track,
               std::string& error) {
    const auto fail = [&](const std::string& fault) {
        error = std::string(name) + ": " + fault;
        return false;
    };

    Chunk fmtChunk;
    Chunk dataChunk;
    if (auto fault = findChunks(file, fmtChunk, dataChunk)) return fail(*fault);
    WavFormat format;
    if (auto fault = parseFormat(file.subspan(fmtChunk.offset, fmtChunk.size), format))
        return fail(*fault);

    const std::size_t frameBytes = format.blockAlign;
    const bool streamed = readU32le(file.data() + dataChunk.offset - 4) == unknownSize;
    if (!streamed && dataChunk.size % frameBytes != 0)
        return fail("data chunk of " + std::to_string(dataChunk.size) +
                    " bytes is not a whole number of " + std::to_string(frameBytes) +
                    "-byte sample frames");
    const std::size_t frames = dataChunk.size / frameBytes;
    if (frames == 0) return fail("data chunk holds no sample frames");
    if (frames > maxTrackFrames)
        return fail(std::to_string(frames) + " sample frames are more than the " +
                    std::to_string(maxTrackFrames) + " the player takes");

    AudioTrack decoded;
    decoded.sampleRate = static_cast<int>(format.sampleRate);
    decoded.channels = format.channels >= 2 ? 2 : 1;
    try {
        decoded.left.resize(frames);
        if (decoded.channels == 2) decoded.right.resize(frames);
    } catch (const std::bad_alloc&) {
        return fail("not enough memory for " + std::to_string(frames) + " sample frames");
    }
    const SampleDecoder decode = decoderFor(format);
    const std::size_t sampleBytes = format.bitsPerSample / 8u;
    const std::uint8_t* frame = file.data() + dataChunk.offset;
    for (std::size_t i = 0; i < frames; ++i, frame += frameBytes) {
        decoded.left[i] = decode(frame);
        if (decoded.channels == 2) decoded.right[i] = decode(frame + sampleBytes);
    }
    track = std::move(decoded);
    return true;
}

bool readWavFile(const std::string& path, AudioTrack& track, std::string& error) {
    const auto fail = [&](const std::string& fault) {
        error = path + ": " + fault;
        return false;
    };
    std::FILE* file = openFileUtf8(path, "rb");
    if (!file) return fail(std::string("cannot open: ") + std::strerror(errno));

    std::vector<std::uint8_t> bytes;
    std::array<std::uint8_t, 1 << 16> block;
    bool tooLarge = false;
    bool outOfMemory = false;
    std::size_t got;
    while ((got = std::fread(block.data(), 1, block.size(), file)) > 0) {
        if (bytes.size() + got > maxWavFileBytes) {
            tooLarge = true;
            break;
        }
        try {
            bytes.insert(bytes.end(), block.data(), block.data() + got);
        } catch (const std::bad_alloc&) {
            outOfMemory = true;
            break;
        }
    }
    const bool readFailed = std::ferror(file) != 0;
    std::fclose(file);
    if (tooLarge) return fail("larger than " + std::to_string(maxWavFileBytes) + " bytes");
    if (outOfMemory) return fail("not enough memory to read the file");
    if (readFailed) return fail("read error");
    return decodeWav(bytes, path, track, error);
}
