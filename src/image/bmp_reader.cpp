#include "image/bmp_reader.h"

#include <cstddef>
#include <cstdlib>

namespace {

constexpr int bmpInfoHeaderSize = 40;
constexpr int bmpBitsPerPixel = 24;
constexpr int bmpUncompressed = 0;

std::uint32_t readU16(const unsigned char* at)
{
    return std::uint32_t{at[0]} | std::uint32_t{at[1]} << 8;
}

std::uint32_t readU32(const unsigned char* at)
{
    return std::uint32_t{at[0]} | std::uint32_t{at[1]} << 8 | std::uint32_t{at[2]} << 16 |
           std::uint32_t{at[3]} << 24;
}

std::int32_t readI32(const unsigned char* at)
{
    return static_cast<std::int32_t>(readU32(at));
}

std::int32_t bmpWidth(const unsigned char* bytes)
{
    return readI32(bytes + 18);
}

std::int32_t bmpHeight(const unsigned char* bytes)
{
    return readI32(bytes + 22);
}

} // namespace

int bmpAccepted(const unsigned char* bytes, std::int64_t length)
{
    if (length < bmpPixelOffset) {
        return 0;
    }
    if (bytes[0] != 'B' || bytes[1] != 'M' || readU32(bytes + 14) != bmpInfoHeaderSize ||
        readU16(bytes + 28) != bmpBitsPerPixel || readU32(bytes + 30) != bmpUncompressed ||
        readU32(bytes + 46) != 0 || readU32(bytes + 50) != 0) {
        return 0;
    }
    // Top-down (negative height) and mirrored (negative width) files are refused
    // rather than guessed at; all products below are exact in 64 bits.
    const std::int64_t width = bmpWidth(bytes);
    const std::int64_t height = bmpHeight(bytes);
    if (width <= 0 || height <= 0 || width > bmpMaxSide || height > bmpMaxSide) {
        return 0;
    }
    if (4 * width * height > bmpMaxPixelBytes) {
        return 0;
    }
    return bmpPixelOffset + bmpRowLength(width) * height <= length ? 1 : 0;
}

RgbaImage* convertBmpToRgba(const unsigned char* bytes)
{
    const int width = bmpWidth(bytes);
    const int height = bmpHeight(bytes);
    const std::size_t rowLength = static_cast<std::size_t>(bmpRowLength(width));
    const std::size_t pixelBytes = std::size_t{4} * width * height;
    auto* image = static_cast<RgbaImage*>(std::malloc(sizeof(RgbaImage) + pixelBytes));
    if (image == nullptr) {
        return nullptr;
    }
    image->width = width;
    image->height = height;
    unsigned char* out = imagePixels(image);
    for (int row = 0; row < height; ++row) {
        const unsigned char* in =
            bytes + bmpPixelOffset + static_cast<std::size_t>(height - 1 - row) * rowLength;
        for (int column = 0; column < width; ++column) {
            out[0] = in[2];
            out[1] = in[1];
            out[2] = in[0];
            out[3] = 255;
            in += 3;
            out += 4;
        }
    }
    return image;
}

void applyAlphaKey(RgbaImage* image, int threshold)
{
    unsigned char* pixel = imagePixels(image);
    const std::size_t count = static_cast<std::size_t>(image->width) * image->height;
    for (std::size_t i = 0; i < count; ++i, pixel += 4) {
        const int sum = pixel[0] + pixel[1] + pixel[2];
        pixel[3] = sum < threshold ? 0 : 255;
    }
}
