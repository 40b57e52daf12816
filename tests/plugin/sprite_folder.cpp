#include "sprite_folder.h"

#include <algorithm>
#include <fstream>
#include <stdexcept>
#include <string>
#include <unistd.h>

namespace {

void putLittleEndian(std::vector<unsigned char>& bytes, std::size_t at, std::uint32_t value,
                     int width)
{
    for (int i = 0; i < width; ++i)
        bytes[at + static_cast<std::size_t>(i)] = static_cast<unsigned char>(value >> (8 * i));
}

// A bright square on a black ground: the black keys out, the square stays.
std::vector<unsigned char> spritePixels(int side)
{
    std::vector<unsigned char> rgb(static_cast<std::size_t>(side) * side * 3, 0);
    for (int y = side / 4; y < side * 3 / 4; ++y) {
        for (int x = side / 4; x < side * 3 / 4; ++x) {
            const std::size_t at = (static_cast<std::size_t>(y) * side + x) * 3;
            rgb[at] = 240;
            rgb[at + 1] = 200;
            rgb[at + 2] = 40;
        }
    }
    return rgb;
}

} // namespace

std::vector<unsigned char> makeBmp(int width, int height, const std::vector<unsigned char>& rgb)
{
    const std::size_t rowLength = (static_cast<std::size_t>(width) * 3 + 3) / 4 * 4;
    const std::size_t pixelBytes = rowLength * static_cast<std::size_t>(height);
    std::vector<unsigned char> bytes(54 + pixelBytes, 0);
    bytes[0] = 'B';
    bytes[1] = 'M';
    putLittleEndian(bytes, 2, static_cast<std::uint32_t>(bytes.size()), 4);
    putLittleEndian(bytes, 10, 54, 4);
    putLittleEndian(bytes, 14, 40, 4);
    putLittleEndian(bytes, 18, static_cast<std::uint32_t>(width), 4);
    putLittleEndian(bytes, 22, static_cast<std::uint32_t>(height), 4);
    putLittleEndian(bytes, 26, 1, 2);
    putLittleEndian(bytes, 28, 24, 2);
    putLittleEndian(bytes, 34, static_cast<std::uint32_t>(pixelBytes), 4);
    for (int y = 0; y < height; ++y) {
        const std::size_t stored = 54 + rowLength * static_cast<std::size_t>(height - 1 - y);
        for (int x = 0; x < width; ++x) {
            const std::size_t from = (static_cast<std::size_t>(y) * width + x) * 3;
            bytes[stored + static_cast<std::size_t>(x) * 3] = rgb[from + 2];
            bytes[stored + static_cast<std::size_t>(x) * 3 + 1] = rgb[from + 1];
            bytes[stored + static_cast<std::size_t>(x) * 3 + 2] = rgb[from];
        }
    }
    return bytes;
}

SpriteFolder::SpriteFolder()
{
    static int made = 0;
    folder = std::filesystem::temp_directory_path() /
             ("zelvis-test-" + std::to_string(::getpid()) + "-" + std::to_string(++made));
    std::filesystem::create_directories(folder);
    putPictureBack();
}

void SpriteFolder::putPictureBack() const
{
    constexpr int side = 16;
    const std::vector<unsigned char> bmp = makeBmp(side, side, spritePixels(side));
    std::ofstream file(folder / "vis_zel.bmp", std::ios::binary);
    file.write(reinterpret_cast<const char*>(bmp.data()), static_cast<std::streamsize>(bmp.size()));
    if (!file)
        throw std::runtime_error("cannot write the test sprite into " + folder.string());
}

std::string SpriteFolder::windowsModulePath() const
{
    std::string modulePath = (folder / "vis_zel.dll").string();
    std::ranges::replace(modulePath, '/', '\\');
    return modulePath;
}

SpriteFolder::~SpriteFolder()
{
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
}

void SpriteFolder::removePicture() const
{
    std::filesystem::remove(folder / "vis_zel.bmp");
}
