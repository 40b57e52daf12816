#include "bmp_bytes.h"

#include <gtest/gtest.h>

#include <fstream>

Rgb patternPixel(int x, int y)
{
    return {static_cast<std::uint8_t>(x), static_cast<std::uint8_t>(y),
            static_cast<std::uint8_t>(0x80 ^ (x * 7 + y * 13))};
}

void putU16(Bytes& bytes, std::size_t offset, std::uint16_t value)
{
    bytes.at(offset) = static_cast<std::uint8_t>(value);
    bytes.at(offset + 1) = static_cast<std::uint8_t>(value >> 8);
}

void putU32(Bytes& bytes, std::size_t offset, std::uint32_t value)
{
    putU16(bytes, offset, static_cast<std::uint16_t>(value));
    putU16(bytes, offset + 2, static_cast<std::uint16_t>(value >> 16));
}

Bytes makeBmpHeader(std::int32_t width, std::int32_t height)
{
    Bytes bytes(54, 0);
    bytes[0] = 'B';
    bytes[1] = 'M';
    putU32(bytes, bmpField::bfSize, 54);
    putU32(bytes, bmpField::bfOffBits, 54);
    putU32(bytes, bmpField::biSize, 40);
    putU32(bytes, bmpField::biWidth, static_cast<std::uint32_t>(width));
    putU32(bytes, bmpField::biHeight, static_cast<std::uint32_t>(height));
    putU16(bytes, bmpField::biPlanes, 1);
    putU16(bytes, bmpField::biBitCount, 24);
    return bytes;
}

Bytes makeBmp(int width, int height, const PixelSource& pixel, std::uint8_t padByte)
{
    const std::size_t rowLength = (3 * static_cast<std::size_t>(width) + 3) / 4 * 4;
    Bytes bytes = makeBmpHeader(width, height);
    const std::size_t pixelBytes = rowLength * static_cast<std::size_t>(height);
    putU32(bytes, bmpField::bfSize, static_cast<std::uint32_t>(54 + pixelBytes));
    putU32(bytes, bmpField::biSizeImage, static_cast<std::uint32_t>(pixelBytes));
    bytes.reserve(54 + pixelBytes);
    for (int y = height - 1; y >= 0; --y) {
        for (int x = 0; x < width; ++x) {
            const Rgb c = pixel(x, y);
            bytes.insert(bytes.end(), {c.b, c.g, c.r});
        }
        bytes.resize(bytes.size() + rowLength - 3 * static_cast<std::size_t>(width), padByte);
    }
    return bytes;
}

void writeFile(const std::string& path, const Bytes& bytes)
{
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    file.close();
    ASSERT_TRUE(file) << "cannot write " << path;
}
