#include "image_helpers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

ImagePtr makePatternImage(int width, int height)
{
    const std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    ImagePtr image(static_cast<RgbaImage*>(std::malloc(sizeof(RgbaImage) + 4 * count)));
    image->width = width;
    image->height = height;
    unsigned char* pixel = imagePixels(image.get());
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x, pixel += 4) {
            pixel[0] = static_cast<unsigned char>(x + 1);
            pixel[1] = static_cast<unsigned char>(y + 1);
            pixel[2] = static_cast<unsigned char>(x * 3 + y * 5 + 7);
            pixel[3] = static_cast<unsigned char>(255 - (x + y) % 7);
        }
    }
    return image;
}

TempDir::TempDir()
{
    char pattern[] = "/tmp/zelvis-image-XXXXXX";
    const char* made = mkdtemp(pattern);
    if (made == nullptr) {
        ADD_FAILURE() << "mkdtemp failed";
        return;
    }
    path_ = made;
}

TempDir::~TempDir()
{
    if (!path_.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
}

std::string windowsPath(std::string path)
{
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
}

std::string sourcePath(const std::string& relative)
{
    return std::string(ZELVIS_SOURCE_DIR) + "/" + relative;
}
