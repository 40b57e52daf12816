#pragma once
// The sprite picture's file format: an uncompressed 24-bit BMP with the 40-byte
// info header, rows stored bottom-up, each row padded to a multiple of 4 bytes.
// Nothing here touches files or global state, so the checks can be driven with
// any bytes at all.

#include "image/rgba_image.h"

#include <cstdint>

// File header (14) plus info header (40); the pixel rows always start here,
// whatever the file header's offset field says.
constexpr int bmpPixelOffset = 54;

// Sizes beyond these are refused before anything is allocated: a sprite never
// needs more, and every size derived from them fits a 32-bit size_t.
constexpr std::int64_t bmpMaxSide = 16384;
constexpr std::int64_t bmpMaxPixelBytes = std::int64_t{64} << 20;

// Bytes of one stored row: 3 per pixel, rounded up to a multiple of 4.
constexpr std::int64_t bmpRowLength(std::int64_t width)
{
    return (3 * width + 3) / 4 * 4;
}

// 1 when the first `length` bytes are a picture this plug-in reads: the header
// fields it requires, sane dimensions, and every pixel row present.
int bmpAccepted(const unsigned char* bytes, std::int64_t length);

// Only for bytes that passed bmpAccepted. Returns a new image (free with
// std::free), top row first and fully opaque, or null when it cannot be allocated.
RgbaImage* convertBmpToRgba(const unsigned char* bytes);

// Alpha becomes 0 where R + G + B is below the threshold, else 255.
void applyAlphaKey(RgbaImage* image, int threshold);
