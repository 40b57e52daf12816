#pragma once
// Crafting sprite picture files byte by byte, so that each test states exactly
// which field it bends.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

using Bytes = std::vector<std::uint8_t>;

struct Rgb {
    std::uint8_t r;
    std::uint8_t g;
    std::uint8_t b;
};

// Colour of picture pixel (x, y), y counted from the top row.
using PixelSource = std::function<Rgb(int x, int y)>;

// A distinct colour for every pixel of a picture up to 256 wide and high.
Rgb patternPixel(int x, int y);

// Byte offsets of the header fields the tests bend.
namespace bmpField {
constexpr std::size_t bfType = 0;
constexpr std::size_t bfSize = 2;
constexpr std::size_t bfOffBits = 10;
constexpr std::size_t biSize = 14;
constexpr std::size_t biWidth = 18;
constexpr std::size_t biHeight = 22;
constexpr std::size_t biPlanes = 26;
constexpr std::size_t biBitCount = 28;
constexpr std::size_t biCompression = 30;
constexpr std::size_t biSizeImage = 34;
constexpr std::size_t biXPelsPerMeter = 38;
constexpr std::size_t biClrUsed = 46;
constexpr std::size_t biClrImportant = 50;
} // namespace bmpField

// A well-formed 24-bit picture, rows stored bottom-up. Row padding is filled with
// `padByte` so that a reader that takes padding for pixels shows it.
Bytes makeBmp(int width, int height, const PixelSource& pixel = patternPixel,
              std::uint8_t padByte = 0xEE);

// Only the two headers, claiming the given size; no pixel bytes behind them.
Bytes makeBmpHeader(std::int32_t width, std::int32_t height);

void putU16(Bytes& bytes, std::size_t offset, std::uint16_t value);
void putU32(Bytes& bytes, std::size_t offset, std::uint32_t value);

// Writes the bytes to a file; the test fails if that is not possible.
void writeFile(const std::string& path, const Bytes& bytes);
