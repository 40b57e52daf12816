#pragma once
// Hand-built RIFF/WAVE files for the reader tests: every field explicit, so a test can
// damage exactly the one it is about.

#include <cstdint>
#include <string>
#include <vector>

using Bytes = std::vector<std::uint8_t>;

void appendU16(Bytes& out, std::uint32_t value);
void appendU32(Bytes& out, std::uint32_t value);

// A chunk: id, size (the body's length unless given), body, pad byte when odd.
Bytes chunk(const std::string& id, const Bytes& body);
Bytes chunkWithSize(const std::string& id, std::uint32_t size, const Bytes& body, bool pad);

// "RIFF", size (the body's length + 4 unless given), "WAVE", then the chunks.
Bytes riffWave(const std::vector<Bytes>& chunks);
Bytes riffWaveWithSize(std::uint32_t size, const std::vector<Bytes>& chunks);

// The 16-byte fmt body; blockAlign and byteRate follow from the others.
Bytes fmtBody(std::uint16_t formatTag, std::uint16_t channels, std::uint32_t sampleRate,
              std::uint16_t bitsPerSample);

// A 40-byte WAVE_FORMAT_EXTENSIBLE fmt body whose sub-format is `subFormat` (1 or 3).
Bytes extensibleFmtBody(std::uint16_t subFormat, std::uint16_t channels, std::uint32_t sampleRate,
                        std::uint16_t bitsPerSample, std::uint16_t validBits);

// A complete file: fmt chunk then data chunk.
Bytes simpleWav(const Bytes& fmt, const Bytes& data);
