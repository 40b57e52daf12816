#include "media_foundation_reader.h"

#include "audio_track.h"
#include "media_foundation_calls.h"
#include "pcm_samples.h"
#include "utf8_file.h"

#include <objbase.h>
#include <propidl.h>

#include <cstdio>
#include <new>

namespace {

// A decoder that keeps answering without samples (gaps, stream ticks) this many times
// running is taken to be stuck, rather than spun on for ever.
constexpr int maxEmptyReads = 10000;

// 100-nanosecond units, Media Foundation's clock.
constexpr std::uint64_t ticksPerSecond = 10000000;

template <typename Com>
void release(Com*& object)
{
    if (object != nullptr) {
        object->Release();
        object = nullptr;
    }
}

bool failWith(MediaFoundationReader& reader, std::string& error, const std::string& fault)
{
    error = reader.name + ": " + fault;
    closeMediaFoundationReader(reader);
    return false;
}

// The PCM the decoder settled on, checked for what the player can take.
bool readFormat(IMFSourceReader* source, MediaFoundationReader& reader, std::string& fault)
{
    IMFMediaType* type = nullptr;
    HRESULT result = source->GetCurrentMediaType(MF_SOURCE_READER_FIRST_AUDIO_STREAM, &type);
    if (FAILED(result)) {
        fault = "cannot read the decoded format: " + describeMediaFoundationError(result);
        return false;
    }
    GUID subtype{};
    UINT32 rate = 0;
    UINT32 channels = 0;
    UINT32 bits = 0;
    UINT32 blockAlign = 0;
    const bool complete = SUCCEEDED(type->GetGUID(MF_MT_SUBTYPE, &subtype)) &&
                          SUCCEEDED(type->GetUINT32(MF_MT_AUDIO_SAMPLES_PER_SECOND, &rate)) &&
                          SUCCEEDED(type->GetUINT32(MF_MT_AUDIO_NUM_CHANNELS, &channels)) &&
                          SUCCEEDED(type->GetUINT32(MF_MT_AUDIO_BITS_PER_SAMPLE, &bits)) &&
                          SUCCEEDED(type->GetUINT32(MF_MT_AUDIO_BLOCK_ALIGNMENT, &blockAlign));
    release(type);
    if (!complete || subtype != MFAudioFormat_PCM) {
        fault = "the decoder did not say what PCM it gives";
        return false;
    }
    if (rate < minSampleRate || rate > maxSampleRate) {
        fault = "sample rate " + std::to_string(rate) + " Hz is outside " +
                std::to_string(minSampleRate) + ".." + std::to_string(maxSampleRate);
        return false;
    }
    // A decoder picks its own sample size; these are the ones PCM comes in.
    if (channels == 0 || channels > 64 || (bits != 8 && bits != 16 && bits != 24 && bits != 32) ||
        blockAlign != channels * (bits / 8)) {
        fault = "the decoder gives PCM the player cannot take (" + std::to_string(channels) +
                " channels of " + std::to_string(bits) + " bits, " + std::to_string(blockAlign) +
                "-byte frames)";
        return false;
    }
    const bool changed = reader.sampleRate != 0 &&
                         (reader.sampleRate != static_cast<int>(rate) ||
                          reader.channels != static_cast<int>(channels) ||
                          reader.bitsPerSample != static_cast<int>(bits));
    if (changed) {
        fault = "the audio changes its format part way through";
        return false;
    }
    reader.sampleRate = static_cast<int>(rate);
    reader.channels = static_cast<int>(channels);
    reader.bitsPerSample = static_cast<int>(bits);
    return true;
}

// The length the file declares, in frames at the decoded rate; 0 where it declares none.
std::uint64_t declaredFrames(IMFSourceReader* source, int sampleRate)
{
    PROPVARIANT duration;
    PropVariantInit(&duration);
    std::uint64_t frames = 0;
    if (SUCCEEDED(source->GetPresentationAttribute(MF_SOURCE_READER_MEDIASOURCE, MF_PD_DURATION,
                                                   &duration)) &&
        duration.vt == VT_UI8) {
        const std::uint64_t ticks = duration.uhVal.QuadPart;
        frames = ticks / ticksPerSecond * static_cast<std::uint64_t>(sampleRate) +
                 ticks % ticksPerSecond * static_cast<std::uint64_t>(sampleRate) / ticksPerSecond;
    }
    PropVariantClear(&duration);
    return frames;
}

// Appends the whole frames of `sample` to `samples`.
bool appendSample(MediaFoundationReader& reader, IMFSample* sample, std::vector<float>& samples,
                  std::string& fault)
{
    IMFMediaBuffer* buffer = nullptr;
    HRESULT result = sample->ConvertToContiguousBuffer(&buffer);
    if (FAILED(result)) {
        fault = describeMediaFoundationError(result);
        return false;
    }
    BYTE* data = nullptr;
    DWORD length = 0;
    result = buffer->Lock(&data, nullptr, &length);
    if (FAILED(result)) {
        release(buffer);
        fault = describeMediaFoundationError(result);
        return false;
    }
    const std::size_t sampleBytes = static_cast<std::size_t>(reader.bitsPerSample / 8);
    const std::size_t frameBytes = sampleBytes * static_cast<std::size_t>(reader.channels);
    const std::size_t frames = length / frameBytes;
    const auto convert = pcmIntegerDecoder(reader.bitsPerSample);
    bool appended = true;
    try {
        const std::size_t first = samples.size();
        samples.resize(first + frames * static_cast<std::size_t>(reader.channels));
        for (std::size_t i = 0; i < frames * static_cast<std::size_t>(reader.channels); ++i) {
            samples[first + i] = convert(data + i * sampleBytes);
        }
        reader.framesRead += frames;
    } catch (const std::bad_alloc&) {
        fault = "not enough memory for the decoded audio";
        appended = false;
    }
    buffer->Unlock();
    release(buffer);
    return appended;
}

std::string secondsRead(const MediaFoundationReader& reader)
{
    char text[48];
    std::snprintf(text, sizeof text, "%.1f s",
                  static_cast<double>(reader.framesRead) / reader.sampleRate);
    return text;
}

} // namespace

bool openMediaFoundationReader(const std::string& path, MediaFoundationReader& reader,
                               std::string& error)
{
    closeMediaFoundationReader(reader);
    reader = MediaFoundationReader{};
    reader.name = path;
    std::string missing;
    const MediaFoundationCalls* calls = loadMediaFoundation(missing);
    if (calls == nullptr) {
        return failWith(reader, error, "not a WAV file, and " + missing);
    }
    std::wstring widePath;
    if (!widenUtf8(path, widePath)) {
        return failWith(reader, error, "the name is not valid UTF-8");
    }

    HRESULT result = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    if (SUCCEEDED(result)) {
        reader.comJoined = true;
    } else if (result != RPC_E_CHANGED_MODE) {
        return failWith(reader, error, "cannot start COM: " + describeMediaFoundationError(result));
    }
    result = calls->startup(MF_VERSION, MFSTARTUP_LITE);
    if (FAILED(result)) {
        return failWith(reader, error,
                        "cannot start Media Foundation: " + describeMediaFoundationError(result));
    }
    reader.started = true;

    result = calls->createSourceReaderFromUrl(widePath.c_str(), nullptr, &reader.reader);
    if (FAILED(result)) {
        reader.reader = nullptr;
        return failWith(reader, error, "Windows' decoders cannot read it: " +
                                           describeMediaFoundationError(result));
    }
    // Only the audio is decoded: a video's pictures or an album's cover stay unread.
    result = reader.reader->SetStreamSelection(MF_SOURCE_READER_ALL_STREAMS, FALSE);
    if (SUCCEEDED(result)) {
        result = reader.reader->SetStreamSelection(MF_SOURCE_READER_FIRST_AUDIO_STREAM, TRUE);
    }
    if (FAILED(result)) {
        return failWith(reader, error,
                        "cannot pick its audio: " + describeMediaFoundationError(result));
    }

    IMFMediaType* pcm = nullptr;
    result = calls->createMediaType(&pcm);
    if (SUCCEEDED(result)) {
        result = pcm->SetGUID(MF_MT_MAJOR_TYPE, MFMediaType_Audio);
    }
    if (SUCCEEDED(result)) {
        result = pcm->SetGUID(MF_MT_SUBTYPE, MFAudioFormat_PCM);
    }
    if (SUCCEEDED(result)) {
        result = reader.reader->SetCurrentMediaType(MF_SOURCE_READER_FIRST_AUDIO_STREAM, nullptr,
                                                    pcm);
    }
    release(pcm);
    if (FAILED(result)) {
        return failWith(reader, error, "cannot decode its audio to PCM: " +
                                           describeMediaFoundationError(result));
    }
    std::string fault;
    if (!readFormat(reader.reader, reader, fault)) {
        return failWith(reader, error, fault);
    }
    reader.declaredFrames = declaredFrames(reader.reader, reader.sampleRate);
    return true;
}

BlockStatus readMediaFoundationBlock(MediaFoundationReader& reader, std::vector<float>& samples,
                                     std::string& error)
{
    samples.clear();
    if (reader.reader == nullptr) {
        error = reader.name + ": not open";
        return BlockStatus::failed;
    }
    const auto fail = [&](const std::string& fault) {
        error = reader.name + ": decoding failed after " + secondsRead(reader) + ": " + fault;
        return BlockStatus::failed;
    };
    for (int emptyReads = 0; !reader.ended && samples.empty(); ++emptyReads) {
        if (emptyReads == maxEmptyReads) {
            return fail("the decoder gives no more samples but does not end");
        }
        DWORD stream = 0;
        DWORD flags = 0;
        LONGLONG timestamp = 0;
        IMFSample* sample = nullptr;
        const HRESULT result = reader.reader->ReadSample(MF_SOURCE_READER_FIRST_AUDIO_STREAM, 0,
                                                         &stream, &flags, &timestamp, &sample);
        if (FAILED(result) || (flags & MF_SOURCE_READERF_ERROR) != 0) {
            release(sample);
            return fail(describeMediaFoundationError(FAILED(result) ? result : E_FAIL));
        }
        std::string fault;
        if ((flags & MF_SOURCE_READERF_CURRENTMEDIATYPECHANGED) != 0 &&
            !readFormat(reader.reader, reader, fault)) {
            release(sample);
            return fail(fault);
        }
        const bool appended = sample == nullptr || appendSample(reader, sample, samples, fault);
        release(sample);
        if (!appended) {
            return fail(fault);
        }
        reader.ended = (flags & MF_SOURCE_READERF_ENDOFSTREAM) != 0;
    }
    return samples.empty() ? BlockStatus::end : BlockStatus::samples;
}

void closeMediaFoundationReader(MediaFoundationReader& reader)
{
    release(reader.reader);
    if (reader.started) {
        std::string missing;
        // Started means the calls were loaded, and loaded calls stay.
        if (const MediaFoundationCalls* calls = loadMediaFoundation(missing)) {
            calls->shutdown();
        }
        reader.started = false;
    }
    if (reader.comJoined) {
        CoUninitialize();
        reader.comJoined = false;
    }
}
