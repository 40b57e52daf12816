#include "wav_reader.h"

#include "pcm_samples.h"
#include "utf8_file.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
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
    std::uint64_t offset = 0;  // of the chunk body
    std::uint64_t size = 0;
    bool streamed = false;     // a data chunk whose size is the streaming encoders' mark
};

constexpr const char* readFault = "read error";

struct WavFormat {
    std::uint16_t code = 0;  // formatPcm or formatFloat, after resolving the extensible form
    std::uint16_t channels = 0;
    std::uint32_t sampleRate = 0;
    std::uint16_t blockAlign = 0;
    std::uint16_t bitsPerSample = 0;
};

bool hasId(const std::uint8_t* p, const char (&id)[5]) {
    return std::memcmp(p, id, 4) == 0;
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
std::optional<std::string> parseFormat(const std::uint8_t* p, std::uint64_t size, WavFormat& format) {
    if (size < 16) return "fmt chunk is " + std::to_string(size) + " bytes, fewer than the 16 it needs";
    std::uint16_t code = readU16le(p);
    format.channels = readU16le(p + 2);
    format.sampleRate = readU32le(p + 4);
    format.blockAlign = readU16le(p + 12);
    format.bitsPerSample = readU16le(p + 14);

    if (code == formatExtensible) {
        if (size < 40 || readU16le(p + 16) < 22)
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

PcmSampleDecoder decoderFor(const WavFormat& format) {
    return format.code == formatFloat ? pcmF32ToFloat : pcmIntegerDecoder(format.bitsPerSample);
}

// Walks the chunks of the RIFF body; returns the fault, or nothing with both chunks found.
std::optional<std::string> findChunks(const WavBytes& file, Chunk& fmt, Chunk& data) {
    if (file.size < 12) return "too short for a RIFF header (" + std::to_string(file.size) + " bytes)";
    std::uint8_t header[12];
    if (!file.readAt(0, header, sizeof header)) return std::string(readFault);
    if (hasId(header, "RF64")) return std::string("RF64 (64-bit RIFF) files are not supported");
    if (!hasId(header, "RIFF")) return std::string("not a RIFF file");
    if (!hasId(header + 8, "WAVE")) return std::string("RIFF file is not of type WAVE");

    const std::uint32_t riffSize = readU32le(header + 4);
    std::uint64_t riffEnd = file.size;
    if (riffSize != unknownSize) {
        if (riffSize < 4) return "RIFF size " + std::to_string(riffSize) + " is too small";
        if (std::uint64_t{riffSize} + 8 > file.size)
            return "RIFF size says " + std::to_string(std::uint64_t{riffSize} + 8) +
                   " bytes but the file has " + std::to_string(file.size) +
                   ": the file is truncated";
        // Bytes after the RIFF chunk (tags appended by other tools) are not ours to read.
        riffEnd = riffSize + std::uint64_t{8};
    }

    bool haveFmt = false;
    bool haveData = false;
    std::uint64_t pos = 12;
    while (pos < riffEnd) {
        if (riffEnd - pos < 8) return "truncated chunk header at offset " + std::to_string(pos);
        std::uint8_t chunkHeader[8];
        if (!file.readAt(pos, chunkHeader, sizeof chunkHeader)) return std::string(readFault);
        const std::string id = printableId(chunkHeader);
        const std::uint32_t size = readU32le(chunkHeader + 4);
        const std::uint64_t body = pos + 8;
        const bool streamed = hasId(chunkHeader, "data") && size == unknownSize;
        std::uint64_t bodySize = size;
        if (streamed) {
            bodySize = riffEnd - body;
        } else if (size > riffEnd - body) {
            return "'" + id + "' chunk at offset " + std::to_string(pos) + " claims " +
                   std::to_string(size) + " bytes but only " + std::to_string(riffEnd - body) +
                   " remain: the file is truncated";
        }
        if (hasId(chunkHeader, "fmt ")) {
            if (haveFmt) return std::string("more than one fmt chunk");
            haveFmt = true;
            fmt = {body, bodySize, false};
        } else if (hasId(chunkHeader, "data")) {
            if (haveData) return std::string("more than one data chunk");
            haveData = true;
            data = {body, bodySize, streamed};
        }
        // Chunks are padded to an even length; a writer that left out the pad byte of the
        // last chunk ends the file one byte early, which is harmless.
        pos = body + bodySize + (bodySize & 1u);
    }
    if (!haveFmt) return std::string("no fmt chunk");
    if (!haveData) return std::string("no data chunk");
    return std::nullopt;
}

// Where a stream stands in the data chunk, and the bytes of the block it reads.
struct WavCursor {
    WavBytes bytes;
    WavFormat format;
    std::uint64_t dataOffset = 0;
    std::uint64_t frames = 0;
    std::uint64_t next = 0;
    std::vector<std::uint8_t> block;
};

std::optional<std::size_t> readWavFrames(WavCursor& cursor, const std::string& name, float* left,
                                         float* right, std::size_t capacity, std::string& error) {
    const std::size_t frameBytes = cursor.format.blockAlign;
    const std::size_t blockFrames = cursor.block.size() / frameBytes;
    const auto count = static_cast<std::size_t>(
        std::min<std::uint64_t>({capacity, blockFrames, cursor.frames - cursor.next}));
    if (count == 0) return std::size_t{0};
    if (!cursor.bytes.readAt(cursor.dataOffset + cursor.next * frameBytes, cursor.block.data(),
                             count * frameBytes)) {
        error = name + ": " + readFault + " after " + std::to_string(cursor.next) + " sample frames";
        return std::nullopt;
    }
    const PcmSampleDecoder decode = decoderFor(cursor.format);
    const std::size_t sampleBytes = cursor.format.bitsPerSample / 8u;
    const bool stereo = cursor.format.channels >= 2;
    const std::uint8_t* frame = cursor.block.data();
    for (std::size_t i = 0; i < count; ++i, frame += frameBytes) {
        left[i] = decode(frame);
        if (stereo) right[i] = decode(frame + sampleBytes);
    }
    cursor.next += count;
    return count;
}

// NOTE: WAV files run to 4 GiB, past what a 32-bit long offset reaches.
#ifdef _WIN32
bool seekTo(std::FILE* file, std::uint64_t offset) {
    return _fseeki64(file, static_cast<__int64>(offset), SEEK_SET) == 0;
}

std::optional<std::uint64_t> fileSize(std::FILE* file) {
    if (_fseeki64(file, 0, SEEK_END) != 0) return std::nullopt;
    const __int64 size = _ftelli64(file);
    if (size < 0) return std::nullopt;
    return static_cast<std::uint64_t>(size);
}
#else
bool seekTo(std::FILE* file, std::uint64_t offset) {
    return fseeko(file, static_cast<off_t>(offset), SEEK_SET) == 0;
}

std::optional<std::uint64_t> fileSize(std::FILE* file) {
    if (fseeko(file, 0, SEEK_END) != 0) return std::nullopt;
    const off_t size = ftello(file);
    if (size < 0) return std::nullopt;
    return static_cast<std::uint64_t>(size);
}
#endif

}  // namespace

WavBytes wavBytesInMemory(std::span<const std::uint8_t> file) {
    WavBytes bytes;
    bytes.size = file.size();
    bytes.readAt = [file](std::uint64_t offset, std::uint8_t* out, std::size_t count) {
        if (offset > file.size() || count > file.size() - offset) return false;
        std::memcpy(out, file.data() + offset, count);
        return true;
    };
    return bytes;
}

bool openWavStream(WavBytes bytes, std::string_view name, AudioStream& stream, std::string& error) {
    const auto fail = [&](const std::string& fault) {
        error = std::string(name) + ": " + fault;
        if (bytes.close) bytes.close();
        return false;
    };

    Chunk fmtChunk;
    Chunk dataChunk;
    if (auto fault = findChunks(bytes, fmtChunk, dataChunk)) return fail(*fault);
    // The fields the player reads lie in the first 40 bytes of the fmt chunk.
    std::uint8_t fmt[40] = {};
    const auto fmtBytes = static_cast<std::size_t>(std::min<std::uint64_t>(fmtChunk.size, sizeof fmt));
    if (!bytes.readAt(fmtChunk.offset, fmt, fmtBytes)) return fail(readFault);
    WavFormat format;
    if (auto fault = parseFormat(fmt, fmtChunk.size, format)) return fail(*fault);

    const std::uint64_t frameBytes = format.blockAlign;
    if (!dataChunk.streamed && dataChunk.size % frameBytes != 0)
        return fail("data chunk of " + std::to_string(dataChunk.size) +
                    " bytes is not a whole number of " + std::to_string(frameBytes) +
                    "-byte sample frames");
    const std::uint64_t frames = dataChunk.size / frameBytes;
    if (frames == 0) return fail("data chunk holds no sample frames");

    auto cursor = std::make_shared<WavCursor>();
    try {
        cursor->block.resize(std::max<std::size_t>(wavReadBytes, format.blockAlign));
    } catch (const std::bad_alloc&) {
        return fail("not enough memory for a block of samples");
    }
    cursor->bytes = std::move(bytes);
    cursor->format = format;
    cursor->dataOffset = dataChunk.offset;
    cursor->frames = frames;

    AudioStream opened;
    opened.name = std::string(name);
    opened.sampleRate = static_cast<int>(format.sampleRate);
    opened.channels = format.channels >= 2 ? 2 : 1;
    opened.length = frames;
    opened.read = [cursor, label = opened.name](float* left, float* right, std::size_t capacity,
                                                std::string& fault) {
        return readWavFrames(*cursor, label, left, right, capacity, fault);
    };
    opened.seek = [cursor](std::uint64_t frame, std::string&) {
        cursor->next = std::min(frame, cursor->frames);
        return true;
    };
    opened.close = [cursor] {
        if (cursor->bytes.close) cursor->bytes.close();
        cursor->bytes = WavBytes{};
    };
    stream = std::move(opened);
    return true;
}

bool decodeWav(std::span<const std::uint8_t> file, std::string_view name, AudioTrack& track,
               std::string& error) {
    AudioStream stream;
    if (!openWavStream(wavBytesInMemory(file), name, stream, error)) return false;
    const bool read = readWholeStream(stream, track, error);
    closeAudioStream(stream);
    return read;
}

bool openWavFile(const std::string& path, AudioStream& stream, std::string& error) {
    std::FILE* file = openFileUtf8(path, "rb");
    if (!file) {
        error = path + ": cannot open: " + std::strerror(errno);
        return false;
    }
    const std::optional<std::uint64_t> size = fileSize(file);
    if (!size) {
        std::fclose(file);
        error = path + ": cannot open: not a file that can be read at any position";
        return false;
    }
    WavBytes bytes;
    bytes.size = *size;
    bytes.readAt = [file](std::uint64_t offset, std::uint8_t* out, std::size_t count) {
        return seekTo(file, offset) && std::fread(out, 1, count, file) == count;
    };
    bytes.close = [file] { std::fclose(file); };
    return openWavStream(std::move(bytes), path, stream, error);
}

bool readWavFile(const std::string& path, AudioTrack& track, std::string& error) {
    AudioStream stream;
    if (!openWavFile(path, stream, error)) return false;
    const bool read = readWholeStream(stream, track, error);
    closeAudioStream(stream);
    return read;
}
