#pragma once

#include <cmath>
#include <cstdint>
#include <cstring>

// Little-endian integer fields and PCM sample words, read from unaligned bytes.

inline std::uint16_t readU16le(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

inline std::uint32_t readU32le(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

// Integer samples are scaled by 2^(bits-1), so the most negative code is exactly -1.0 and
// a 16-bit sample survives a round trip through the 16-bit writer unchanged.

inline float pcmU8ToFloat(const std::uint8_t* p) {
    return static_cast<float>(static_cast<int>(p[0]) - 128) / 128.0f;
}

inline float pcmS16ToFloat(const std::uint8_t* p) {
    return static_cast<float>(static_cast<std::int16_t>(readU16le(p))) / 32768.0f;
}

inline float pcmS24ToFloat(const std::uint8_t* p) {
    const std::uint32_t raw = static_cast<std::uint32_t>(p[0]) << 8 |
                              static_cast<std::uint32_t>(p[1]) << 16 |
                              static_cast<std::uint32_t>(p[2]) << 24;
    return static_cast<float>(static_cast<double>(static_cast<std::int32_t>(raw)) / 2147483648.0);
}

inline float pcmS32ToFloat(const std::uint8_t* p) {
    return static_cast<float>(static_cast<double>(static_cast<std::int32_t>(readU32le(p))) /
                              2147483648.0);
}

// Float files may hold values beyond full scale, and a hostile one NaN or infinities:
// NaN becomes silence and everything else is clipped to -1..1.
inline float pcmF32ToFloat(const std::uint8_t* p) {
    float value;
    const std::uint32_t bits = readU32le(p);
    std::memcpy(&value, &bits, sizeof value);
    if (std::isnan(value)) return 0.0f;
    return value < -1.0f ? -1.0f : (value > 1.0f ? 1.0f : value);
}

using PcmSampleDecoder = float (*)(const std::uint8_t*);

// The decoder of an integer sample word of 8, 16, 24 or 32 bits (32 for any other count:
// the readers take no other).
inline PcmSampleDecoder pcmIntegerDecoder(int bitsPerSample) {
    switch (bitsPerSample) {
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

// The inverse of pcmS16ToFloat: scaled by 32768, rounded to nearest, clipped to the 16-bit
// range; NaN becomes silence.
inline std::int16_t floatToPcmS16(float sample) {
    const float scaled = std::nearbyint(sample * 32768.0f);
    const float clipped = scaled < -32768.0f ? -32768.0f : (scaled > 32767.0f ? 32767.0f : scaled);
    // NaN fails both comparisons above.
    return static_cast<std::int16_t>(std::isnan(clipped) ? 0.0f : clipped);
}
